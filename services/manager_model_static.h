// Static models: a model folder with "static.def" holds one textured mesh.
//
//     transform scale [sx sy sz] angles [p y r] offset [x y z];
//     geometry "name";          <model>/<name>.geo, given the transform (name: at most 30 characters)
//     texture "name";           <model>/<name> from the texture manager (at most 62 characters)
// and nothing after. Parser errors come out as exception_c "Loading model script
// '<model>/static.def' failed: " + the position-prefixed message; mesh and texture errors pass
// unchanged.
//
// Every load makes a static_resource_c instance on the shared data. It draws the mesh with the
// blend state of its texture's alpha and its own alpha, and answers the renderable messages
// plus model_accept_shadows: the first one makes it a shadow receiver (services/
// manager_model_shadow.h) with the attributes of its template static_resource_tpl
// (shadow_cluster, shadow_grow_factor, height_size_factor, texture_name; all required);
// later ones change nothing. A receiver draws the shadows of the model manager's casters
// after itself. Its shadows are computed in world space from the mesh alone, so a receiver
// must stand at the origin, unturned, unscaled and attached to no master: drawing one that
// does not fails with "Shadow receiver '<model>' must stand at the origin, unturned and
// unscaled". Locators are the mesh's ("Locator '<name>' not found").
#pragma once

#include <memory>

#include "basics/matrix.h"
#include "services/manager_model.h"

class itexture_c;
class shadow_receiver_c;
class static_mesh_c;

// 1 when <model>/static.def exists in the data files.
int static_def_exists(const char *model);

class static_data_c : public model_data_c
{
public:
    static_data_c(manager_model_c *manager, const char *name);
    ~static_data_c() override;
    void on_shutdown() override;
    resource_entity_c *create_resource(int prm) override;

    const matrix_c &transform() const { return m_transform; }
    static_mesh_c *mesh() const { return m_mesh.get(); }
    itexture_c *texture() const { return m_texture.get(); }

private:
    matrix_c m_transform;
    std::unique_ptr<static_mesh_c> m_mesh;
    std::unique_ptr<itexture_c> m_texture;
};

class static_resource_c : public renderable_entity_c
{
public:
    static_resource_c(manager_model_c *manager, static_data_c *data);
    ~static_resource_c() override;
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void render() override;
    matrix_c *get_locator_matrix(matrix_c *out, const char *locator) override;

    shadow_receiver_c *shadow_receiver() const { return m_shadow.get(); }

private:
    static_data_c *m_static;
    std::unique_ptr<shadow_receiver_c> m_shadow;
};
