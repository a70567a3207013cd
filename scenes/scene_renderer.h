// scene_renderer_c ("scene_renderer"): draws the 3D scene on every render broadcast. It puts the
// device in the state the model instances expect (stage 0 modulates texture by diffuse colour,
// linear magnification, minification and mip filters; lighting on with the frame's lights),
// switches to wireframe when its `wireframe` attribute (int, required, read at every render) is
// non-zero, has the model manager draw its pass, then draws the debug primitives collected so
// far in world coordinates (identity world matrix; the list is cleared by whoever owns the
// frame, not here) and leaves the fill mode solid for what draws after it. The answer is 0, so
// the broadcast goes on: where it stands in the tree decides what draws over the scene.
// The Direct3D service and the model manager are found when it is made.
#pragma once

#include "kernel/abstract.h"
#include "services/imodel.h"

class d3d_service_c;

class scene_renderer_c : public abstract_c
{
public:
    scene_renderer_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

private:
    void render();

    d3d_service_c *m_d3d;
    imodel_mgr_c m_model_mgr;
};
