// Precached resources: script classes that keep a texture, a model or a sound loaded while they
// live, so that later loads of the same name find it in memory (for a model or a sound, the
// shared data entry). Each reads its required attribute `name` ("Could not find required
// attribute 'name'"), loads the resource through its manager (found through the root) and
// gives it back when it is shut down; a load that fails passes the manager's error on. A
// precached model is an instance of its own: it is hidden at once, so that it is not drawn in
// every scene at the origin. They handle no message.
//   precached_texture: the texture `name`, creation parameter 0;
//   precached_model:   the model `name`;
//   precached_sound:   the sound `name`.
#pragma once

#include "kernel/abstract.h"
#include "services/imodel.h"
#include "services/isound.h"
#include "services/itexture.h"

#include <memory>

// Owns one resource handle and gives its resource back on shutdown.
template <class Handle> class precached_c : public abstract_c
{
public:
    void on_shutdown() override
    {
        if (m_handle) {
            m_handle->release();
            m_handle.reset();
        }
    }

protected:
    precached_c(abstract_c *parent, const attribute_list_c *attributes) : abstract_c(parent, attributes) {}
    const char *name() { return attribute("name")->get_const_pchar(); }

    std::unique_ptr<Handle> m_handle;
};

class precached_texture_c : public precached_c<itexture_c>
{
public:
    precached_texture_c(abstract_c *parent, const attribute_list_c *attributes);
};

class precached_model_c : public precached_c<imodel_c>
{
public:
    precached_model_c(abstract_c *parent, const attribute_list_c *attributes);
};

class precached_sound_c : public precached_c<isound_c>
{
public:
    precached_sound_c(abstract_c *parent, const attribute_list_c *attributes);
};
