#include "services/imodel.h"

#include "kernel/exception.h"

static_assert(sizeof(imodel_c) == sizeof(void *), "a model handle is one pointer wide");

// ---- model handle ----

void imodel_c::set_position(const vec3 &origin, const vec3 &angles)
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_set_position), 0, NULL, MSG_ARG(origin), MSG_ARG(angles), MSG_ARGS_END));
}

void imodel_c::show(int visible)
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_show), 0, NULL, MSG_ARG(visible), MSG_ARGS_END));
}

void imodel_c::set_alpha(float alpha)
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_set_alpha), 0, NULL, MSG_ARG(alpha), MSG_ARGS_END));
}

void imodel_c::set_lighting(int lighting)
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_set_lighting), 0, NULL, MSG_ARG(lighting), MSG_ARGS_END));
}

void imodel_c::cast_shadows(float size)
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_cast_shadows), 0, NULL, MSG_ARG(size), MSG_ARGS_END));
}

matrix_c imodel_c::get_matrix()
{
    matrix_c wm(1.0f);
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_get_matrix), 0, NULL, MSG_ARG((void *)&wm), MSG_ARGS_END));
    return wm;
}

void imodel_c::insert_slave(imodel_c *slave, const char *locator_name)
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_insert_slave), 0, NULL, MSG_ARG((void *)(abstract_c *)*slave), MSG_ARG(locator_name), MSG_ARGS_END));
}

void imodel_c::accept_shadows()
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_accept_shadows), 0, NULL, MSG_ARGS_END));
}

void imodel_c::play_gesture(const char *gest_name)
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_play_gesture), 0, NULL, MSG_ARG(gest_name), MSG_ARGS_END));
}

void imodel_c::switch_part(const char *part_name, int on)
{
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_switch_part), 0, NULL, MSG_ARG(part_name), MSG_ARG(on), MSG_ARGS_END));
}

const char *imodel_c::get_passed_gesture()
{
    const char *res = nullptr;
    ENGINE_ASSERT(m_resource->message(MSG_VAR(model_get_passed_gesture), 0, NULL, MSG_ARG((void *)&res), MSG_ARGS_END));
    return res;
}

// ---- model manager handle ----

std::unique_ptr<imodel_c> imodel_mgr_c::create_model(const char *name)
{
    auto model = std::make_unique<imodel_c>();
    model->load(name, m_manager, 0);
    return model;
}

void imodel_mgr_c::render()
{
    ENGINE_ASSERT(m_manager->message(MSG_VAR(model_mgr_render), 0, NULL, MSG_ARGS_END));
}

void imodel_mgr_c::set_view(const placement &pos, float fov)
{
    ENGINE_ASSERT(m_manager->message(MSG_VAR(model_mgr_set_view), 0, NULL, MSG_ARG(pos.position), MSG_ARG(pos.angles), MSG_ARG((float)fov), MSG_ARGS_END));
}

vec3 imodel_mgr_c::view_origin() { return m_manager->attribute("view_origin")->get_vec3(); }

vec3 imodel_mgr_c::view_axis_forward() { return m_manager->attribute("view_axis_forward")->get_vec3(); }

void imodel_mgr_c::enable_fog(const vec2 &distances, const vec3 &color)
{
    m_manager->attribute("fog_enabled")->set_int(1);
    m_manager->attribute("fog_distances")->set_vec2(distances);
    m_manager->attribute("fog_color")->set_vec3(color);
}

void imodel_mgr_c::disable_fog() { m_manager->attribute("fog_enabled")->set_int(0); }

int imodel_mgr_c::fog_enabled() { return m_manager->attribute("fog_enabled")->get_int(); }
