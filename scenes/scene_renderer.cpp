#include "scenes/scene_renderer.h"

#include "services/debug_draw.h"
#include "services/srvc_d3d.h"

scene_renderer_c::scene_renderer_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_d3d(get_d3d_service(this))
{
}

int scene_renderer_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(render))
        render();
    return 0;
}

void scene_renderer_c::render()
{
    m_d3d->set_texture_modulate();
    m_d3d->set_lighting(1);
    m_d3d->apply_lights();
    if (IDirect3DDevice8 *device = m_d3d->device()) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    }
    if (attribute("wireframe")->get_int())
        m_d3d->set_wireframe(1);
    m_model_mgr.render();
    m_d3d->set_world_transform(placement());
    debug_draw_flush();
    m_d3d->set_wireframe(0);
}
