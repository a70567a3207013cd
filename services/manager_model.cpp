#include "services/manager_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"
#include "platform/d3d/d3dx8.h"
#include "services/manager_model_kinds.h"
#include "services/srvc_d3d.h"

void matrix_multiply(matrix_c &out, const matrix_c &a, const matrix_c &b)
{
    D3DXMATRIX da, db, dout;
    std::memcpy(da.m, a.m, sizeof da.m);
    std::memcpy(db.m, b.m, sizeof db.m);
    D3DXMatrixMultiply(&dout, &da, &db);
    std::memcpy(out.m, dout.m, sizeof out.m);
}

// ---- manager ----

manager_model_c::manager_model_c(abstract_c *parent, const attribute_list_c *attributes)
    : manager_basic_c(parent, attributes), m_d3d(get_d3d_service(nullptr)),
      m_slots(new slot_s[MAX_RENDERABLES]()), m_slot_count(0), m_slots_count(0), m_pass_counter(0)
{
    m_fog_enabled = find_or_add_attribute(m_attributes, "fog_enabled", value_c(0));
    m_fog_distances = find_or_add_attribute(m_attributes, "fog_distances", value_c(vec2{0.0f, 512.0f}));
    m_fog_color = find_or_add_attribute(m_attributes, "fog_color", value_c(vec3{1.0f, 1.0f, 1.0f}));
    m_view_origin = find_or_add_attribute(m_attributes, "view_origin", value_c(vec3_zero));
    m_view_angles = find_or_add_attribute(m_attributes, "view_angles", value_c(vec3_zero));
    m_view_fov = find_or_add_attribute(m_attributes, "view_fov", value_c(90.0f));
    m_view_axis_right = find_or_add_attribute(m_attributes, "view_axis_right", value_c(vec3_zero));
    m_view_axis_up = find_or_add_attribute(m_attributes, "view_axis_up", value_c(vec3_zero));
    m_view_axis_forward = find_or_add_attribute(m_attributes, "view_axis_forward", value_c(vec3_zero));
}

manager_model_c::~manager_model_c()
{
    // Instances still in the table are deleted after this table (with the children of the
    // base): they must not look for it any more.
    for (int i = 0; i < m_slot_count && m_slots; ++i) {
        if (m_slots[i].instance)
            m_slots[i].instance->m_in_table = false;
    }
}

void manager_model_c::on_shutdown()
{
    m_slots.reset();
    m_slot_count = 0;
    m_slots_count = 0;
}

int manager_model_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (manager_basic_c::handle_message(message, sender))
        return 1;
    if (answer_manager_request(message, MSG_VAR(get_model_mgr), this))
        return 1;
    if (*message == MSG_VAR(model_mgr_set_view)) {
        set_view(msg_arg(0)->get_vec3(), msg_arg(1)->get_vec3(), msg_arg(2)->get_float());
        return 1;
    }
    if (*message == MSG_VAR(model_mgr_render)) {
        render();
        return 1;
    }
    return 0;
}

data_entity_c *manager_model_c::create_data(const char *name, int)
{
    const std::string folder(name);
    if (vaultfile_exists((folder + "/static.def").c_str(), VFILE_READ))
        return make_static_model_data(this, name);
    if (vaultfile_exists((folder + "/animated.def").c_str(), VFILE_READ))
        return make_animated_model_data(this, name);
    ENGINE_THROW(exception_c, "Model '" + folder + "' not found");
}

void manager_model_c::add_renderable(renderable_entity_c *res)
{
    ENGINE_ASSERT(res);
    int i = 0;
    while (i < m_slot_count && m_slots[i].instance)
        ++i;
    if (i == m_slot_count) {
        if (m_slot_count >= MAX_RENDERABLES)
            ENGINE_THROW(exception_c, "Too many renderable resources");
        ++m_slot_count;
    }
    m_slots[i] = slot_s{res, 0.0f, res->m_priority};
    ++m_slots_count;
    res->m_in_table = true;
}

void manager_model_c::remove_renderable(renderable_entity_c *res)
{
    ENGINE_ASSERT(m_slots_count);
    int i = 0;
    while (i < m_slot_count && m_slots[i].instance != res)
        ++i;
    if (i == m_slot_count)
        ENGINE_THROW(exception_c, "Renderable resource not found!");
    m_slots[i].instance = nullptr;
    res->m_in_table = false;
    --m_slots_count;
    if (i == m_slot_count - 1)
        --m_slot_count;
    if (m_slots_count < m_slot_count / 2) {
        int kept = 0;
        for (int j = 0; j < m_slot_count; ++j) {
            if (m_slots[j].instance)
                m_slots[kept++] = m_slots[j];
        }
        for (int j = kept; j < m_slot_count; ++j)
            m_slots[j].instance = nullptr;
        m_slot_count = kept;
    }
}

void manager_model_c::set_view(const vec3 &origin, const vec3 &angles, float fov)
{
    m_view_origin->set_vec3(origin);
    m_view_angles->set_vec3(angles);
    *m_view_fov = value_c(fov);
    vec3 first, second, third;
    angles_to_axes(angles, vec3_one, first, second, third);
    m_view_axis_right->set_vec3(first);
    m_view_axis_up->set_vec3(second);
    m_view_axis_forward->set_vec3(third);
}

namespace {

// a before b: lower priority first, then the farther first; a NaN distance is the farthest.
// Holes are sorted after everything.
bool draws_before(const manager_model_c::slot_s &a, const manager_model_c::slot_s &b)
{
    if (!a.instance || !b.instance)
        return a.instance && !b.instance;
    if (a.priority != b.priority)
        return a.priority < b.priority;
    const bool a_nan = std::isnan(a.distance), b_nan = std::isnan(b.distance);
    if (a_nan || b_nan)
        return a_nan && !b_nan;
    return a.distance > b.distance;
}

} // namespace

void manager_model_c::render()
{
    ++m_pass_counter;

    placement camera;
    camera.position = m_view_origin->get_vec3();
    camera.angles = m_view_angles->get_vec3();
    m_d3d->set_camera(camera, m_view_fov->get_float());
    m_d3d->set_lighting(1);
    m_d3d->set_cull_mode(1);
    if (m_fog_enabled->get_int()) {
        const vec3 color = m_fog_color->get_vec3();
        const vec2 range = m_fog_distances->get_vec2();
        m_d3d->set_fog_color(color.x, color.y, color.z);
        m_d3d->set_fog_range(range.x, range.y);
        m_d3d->set_fog_enable(1);
    } else {
        m_d3d->set_fog_enable(0);
    }

    slot_s *const slots = m_slots.get();
    const int count = m_slot_count;
    for (int i = 0; i < count; ++i) {
        if (slots[i].instance)
            slots[i].instance->update_world_matrix();
    }

    const vec3 eye = m_d3d->camera().position;
    const vec3 axis = m_d3d->get_view_axis('z');
    for (int i = 0; i < count; ++i) {
        renderable_entity_c *r = slots[i].instance;
        if (!r)
            continue;
        slots[i].distance = dot(r->m_position - eye, axis);
        slots[i].priority = r->m_priority;
    }

    // Frame to frame the order rarely changes: a sorted table is left as it is.
    if (!std::is_sorted(slots, slots + count, draws_before))
        std::stable_sort(slots, slots + count, draws_before);

    for (int i = 0; i < count; ++i) {
        renderable_entity_c *r = slots[i].instance;
        if (r && (r->m_flags_model & renderable_entity_c::FLAG_SHOWN))
            r->render();
    }
}

float fog_fraction(float d, const vec2 &range)
{
    if (range.y == range.x)
        return d < range.x ? 0.0f : 1.0f;
    const float f = (d - range.x) / (range.y - range.x);
    if (!(f > 0.0f))
        return 0.0f;
    return f >= 1.0f ? 1.0f : f;
}

float manager_model_c::model_fog_factor(const vec3 &point)
{
    const float d = dot(point - m_view_origin->get_vec3(), m_view_axis_forward->get_vec3());
    return fog_fraction(d, m_fog_distances->get_vec2());
}

int manager_model_c::next_shadow_caster(int *iterator, vec3 *position, float *size)
{
    for (++*iterator; *iterator < m_slot_count; ++*iterator) {
        renderable_entity_c *r = m_slots[*iterator].instance;
        if (r && (r->m_flags_model & renderable_entity_c::FLAG_CASTS_SHADOWS)) {
            *position = r->m_position;
            *size = r->m_shadow_size;
            return 1;
        }
    }
    *iterator = m_slot_count;
    return 0;
}

manager_model_c *get_model_mgr(abstract_c *for_who)
{
    return static_cast<manager_model_c *>(find_manager(for_who, "get_model_mgr"));
}

// ---- model data ----

model_data_c::model_data_c(manager_model_c *manager, const char *template_name, const char *name)
    : data_entity_c(manager, template_name, name), m_manager(manager)
{
}

d3d_service_c *model_data_c::d3d() const { return m_manager->d3d(); }

// ---- renderable entity ----

renderable_entity_c::renderable_entity_c(manager_model_c *manager, const char *template_name, model_data_c *data)
    : resource_entity_c(manager, template_name, data, 1), m_manager(manager),
      m_flags_model(FLAG_SHOWN | FLAG_LIT), m_position(vec3_zero), m_angles(vec3_zero), m_scale(vec3_one),
      m_priority(RENDER_PRIORITY_OPAQUE), m_alpha(255), m_slaves_count(0), m_master_model(nullptr),
      m_world(1.0f), m_last_update_frame(0), m_shadow_size(0.0f), m_local(1.0f), m_local_valid(false),
      m_in_table(false), m_released(false)
{
    manager->add_renderable(this);
}

renderable_entity_c::~renderable_entity_c()
{
    // Only an instance whose construction failed after it took its slot gets here still in
    // the table: it must not stay registered once freed.
    if (m_in_table) {
        if (std::uncaught_exceptions() == 0) {
            m_manager->remove_renderable(this);
        } else {
            try {
                m_manager->remove_renderable(this);
            } catch (...) {
            }
        }
    }
}

void renderable_entity_c::on_shutdown()
{
    if (m_master_model) {
        if (m_released) {
            ENGINE_ASSERT(m_master_model->message(MSG_VAR(model_remove_slave), 0, this, MSG_ARG((void *)(abstract_c *)this), MSG_ARGS_END));
        } else if (m_master_model->alive()) {
            m_master_model->message(MSG_VAR(model_remove_slave), 0, this, MSG_ARG((void *)(abstract_c *)this),
                                    MSG_ARGS_END);
        }
    }
    if (m_in_table)
        m_manager->remove_renderable(this);
}

int renderable_entity_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(mgr_release_res)) {
        // A master goes only after its slaves; a refused release changes nothing.
        if (m_ref_count == 1) {
            ENGINE_ASSERT(m_slaves_count == 0);
            m_released = true;
        }
        return resource_entity_c::handle_message(message, sender);
    }
    if (resource_entity_c::handle_message(message, sender))
        return 1;

    if (*message == MSG_VAR(model_set_position)) {
        m_position = msg_arg(0)->get_vec3();
        m_angles = msg_arg(1)->get_vec3();
        return 1;
    }
    if (*message == MSG_VAR(model_set_scale)) {
        m_scale = msg_arg(0)->get_vec3();
        return 1;
    }
    if (*message == MSG_VAR(model_show)) {
        set_flag(FLAG_SHOWN, msg_arg(0)->get_int());
        return 1;
    }
    if (*message == MSG_VAR(model_set_alpha)) {
        // Clamped before the conversion so that no float is out of the int's range.
        const float a = msg_arg(0)->get_float() * 255.0f + 0.5f;
        m_alpha = !(a > 0.0f) ? 0 : a >= 255.0f ? 255 : (int)a;
        update_blend();
        return 1;
    }
    if (*message == MSG_VAR(model_set_lighting)) {
        set_flag(FLAG_LIT, msg_arg(0)->get_int());
        return 1;
    }
    if (*message == MSG_VAR(model_cast_shadows)) {
        m_flags_model |= FLAG_CASTS_SHADOWS;
        m_shadow_size = msg_arg(0)->get_float();
        return 1;
    }
    if (*message == MSG_VAR(model_get_matrix)) {
        *static_cast<matrix_c *>(msg_arg(0)->get_ptr()) = m_world;
        return 1;
    }
    if (*message == MSG_VAR(model_insert_slave)) {
        abstract_c *slave = static_cast<abstract_c *>(msg_arg(0)->get_ptr());
        const char *locator_name = msg_arg(1)->get_const_pchar();
        ENGINE_ASSERT(slave);
        ENGINE_ASSERT(slave->message(MSG_VAR(model_set_master), MSGF_NO_SELF, this, MSG_ARG((void *)this), MSG_ARG(locator_name), MSG_ARGS_END));
        ++m_slaves_count;
        return 1;
    }
    if (*message == MSG_VAR(model_remove_slave)) {
        abstract_c *slave = static_cast<abstract_c *>(msg_arg(0)->get_ptr());
        ENGINE_ASSERT(slave);
        ENGINE_ASSERT(slave->message(MSG_VAR(model_set_master), MSGF_NO_SELF, this, MSG_ARG((void *)NULL), MSG_ARG(""), MSG_ARGS_END));
        ENGINE_ASSERT(m_slaves_count);
        --m_slaves_count;
        return 1;
    }
    if (*message == MSG_VAR(model_set_master)) {
        renderable_entity_c *master =
            static_cast<renderable_entity_c *>(static_cast<abstract_c *>(msg_arg(0)->get_ptr()));
        const char *locator_name = msg_arg(1)->get_const_pchar();
        if (master) {
            ENGINE_ASSERT(strlen(locator_name));
            m_locator_name = locator_name;
            m_master_model = master;
        } else {
            ENGINE_ASSERT(m_master_model);
            m_master_model = nullptr;
        }
        return 1;
    }
    return 0;
}

void renderable_entity_c::update_blend()
{
    m_alpha = std::clamp(m_alpha, 0, 255);
    m_priority = ((m_flags_model & FLAG_BLENDED_TEXTURE) || m_alpha < 255) ? RENDER_PRIORITY_BLENDED
                                                                             : RENDER_PRIORITY_OPAQUE;
}

matrix_c *renderable_entity_c::get_locator_matrix(matrix_c *, const char *locator)
{
    if (!m_data)
        return nullptr;
    ENGINE_THROW(exception_c, std::string("Renderable entity '") + m_data->name() + "' has no locator '" +
                                  locator + "'");
}

void renderable_entity_c::update_world_matrix()
{
    const int pass = m_manager->pass_counter();
    if (m_last_update_frame == pass)
        return;
    m_last_update_frame = pass;

    const placement now{m_position, m_angles, m_scale};
    if (!m_local_valid || std::memcmp(&now, &m_local_of, sizeof now) != 0) {
        make_matrix(m_local, now);
        m_local_of = now;
        m_local_valid = true;
    }
    if (!m_master_model) {
        m_world = m_local;
        return;
    }
    matrix_c locator;
    const matrix_c *at = m_master_model->get_locator_matrix(&locator, m_locator_name.c_str());
    matrix_c placed;
    matrix_multiply(placed, m_local, at ? *at : matrix_identity);
    m_master_model->update_world_matrix();
    matrix_multiply(m_world, placed, m_master_model->m_world);
}

void renderable_entity_c::apply_lighting()
{
    m_manager->d3d()->set_lighting((m_flags_model & FLAG_LIT) ? 1 : 0);
}

void renderable_entity_c::apply_blend(int blended)
{
    d3d_service_c *d3d = m_manager->d3d();
    if (blended)
        m_alpha < 255 ? d3d->set_blend_mode(0, 3, m_alpha) : d3d->set_blend_mode(0, 2, 0);
    else
        m_alpha < 255 ? d3d->set_blend_mode(0, 0, m_alpha) : d3d->set_opaque_mode();
}
