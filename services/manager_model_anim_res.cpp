#include "services/manager_model_anim_res.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "importers/models.h"
#include "kernel/exception.h"
#include "services/itexture.h"
#include "services/srvc_d3d.h"

skelanim_resource_c::skelanim_resource_c(manager_model_c *manager, skelanim_data_c *data)
    : renderable_entity_c(manager, "skelanim_resource_tpl", data), m_anim(data), m_state(STATE_IDLE), m_forward(1),
      m_current(0), m_time(0.0f), m_branch(0), m_pending(-1), m_passed(-1)
{
    m_active_parts.reserve(16);
    const skeleton_instance_c *skeleton = data->skeleton();
    const matrix_c *bind = skeleton->joint_matrices(0);
    m_joints.assign(bind, bind + skeleton->joints_count());
    try {
        for (int p = 0; p < data->part_count(); ++p) {
            if (data->part(p).default_on)
                switch_part(data->part(p).name, 1);
        }
    } catch (...) {
        release_parts();
        throw;
    }
    recompute_blended();
    update_blend();
}

skelanim_resource_c::~skelanim_resource_c() { release_parts(); }

void skelanim_resource_c::on_shutdown()
{
    release_parts();
    renderable_entity_c::on_shutdown();
}

void skelanim_resource_c::release_parts()
{
    for (active_part_s &a : m_active_parts)
        a.vertex_buffer->Release();
    m_active_parts.clear();
}

int skelanim_resource_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(tick)) {
        if (m_flags_model & FLAG_SHOWN)
            step(msg_arg(1)->get_float());
        return 0;
    }
    if (renderable_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(model_play_gesture)) {
        play_gesture(msg_arg(0)->get_const_pchar());
        return 1;
    }
    if (*message == MSG_VAR(model_switch_part)) {
        switch_part(msg_arg(0)->get_const_pchar(), msg_arg(1)->get_int());
        return 1;
    }
    if (*message == MSG_VAR(model_get_current_gesture)) {
        *static_cast<const char **>(msg_arg(0)->get_ptr()) =
            m_state == STATE_PLAYING ? m_anim->gesture(m_current).name : nullptr;
        return 1;
    }
    if (*message == MSG_VAR(model_get_passed_gesture)) {
        *static_cast<const char **>(msg_arg(0)->get_ptr()) = m_passed >= 0 ? m_anim->gesture(m_passed).name : nullptr;
        return 1;
    }
    if (*message == MSG_VAR(model_get_gesture_time)) {
        *static_cast<float *>(msg_arg(0)->get_ptr()) = m_anim->gesture_playtime(msg_arg(1)->get_const_pchar());
        return 1;
    }
    return 0;
}

void skelanim_resource_c::play_gesture(const char *name)
{
    const int g = m_anim->find_gesture_or_throw(name);
    if (m_state == STATE_IDLE) {
        m_current = g;
        m_state = STATE_PLAYING;
        m_time = 0.0f;
        m_forward = 1;
        m_branch = 0;
    } else if (m_state == STATE_MORPHING || g != m_current) {
        m_pending = g;
    }
    m_passed = -1;
}

void skelanim_resource_c::switch_part(const char *name, int on)
{
    size_t i = 0;
    while (i < m_active_parts.size() && std::strcmp(m_anim->part(m_active_parts[i].part_index).name, name) != 0)
        ++i;
    if (on) {
        if (i < m_active_parts.size())
            return;
        const int p = m_anim->find_part(name);
        const skelanim_part_s &part = m_anim->part(p);
        skinned_mesh_c *geometry = m_anim->part_geometry(p);
        active_part_s a{p, geometry->create_vertex_buffer(), geometry->index_buffer(), part.texture->handle(),
                        part.texture->alphablended()};
        m_active_parts.push_back(a);
    } else {
        if (i == m_active_parts.size())
            return;
        m_active_parts[i].vertex_buffer->Release();
        m_active_parts.erase(m_active_parts.begin() + (long)i);
    }
    recompute_blended();
}

void skelanim_resource_c::recompute_blended()
{
    m_flags_model &= ~FLAG_BLENDED_TEXTURE;
    for (const active_part_s &a : m_active_parts) {
        if (a.blended)
            m_flags_model |= FLAG_BLENDED_TEXTURE;
    }
}

bool skelanim_resource_c::try_start_morph(int frame)
{
    if (m_pending == -1)
        return false;
    const int m = m_anim->find_morph(m_current, frame, m_pending);
    if (m == -1)
        return false;
    m_branch = frame;
    m_state = STATE_MORPHING;
    m_current = m;
    m_time = 0.0f;
    m_pending = -1;
    return true;
}

void skelanim_resource_c::step(float dt)
{
    if (m_state == STATE_PLAYING)
        step_playing(dt);
    else if (m_state == STATE_MORPHING)
        step_morphing(dt);
}

namespace {

float branch_start(const skelanim_gesture_s &g, int k) { return k > 0 ? g.times[k - 1] : 0.0f; }

} // namespace

void skelanim_resource_c::step_playing(float dt)
{
    const skelanim_gesture_s &g = m_anim->gesture(m_current);
    if (g.mode == GESTURE_STATIC) {
        if (!try_start_morph(g.frames[0]))
            pose(g.frames[0], g.frames[0], 0.0f);
        return;
    }
    ENGINE_ASSERT(g.branches_count > 0 && g.branches_count < MAX_GESTURE_FRAMES);
    const float play_time = g.times[g.branches_count - 1];
    m_time += m_forward ? dt : -dt;

    const int k = m_branch;
    int boundary = -1;
    if (m_forward && m_time > g.times[k])
        boundary = g.frames[k + 1];
    else if (!m_forward && m_time < branch_start(g, k))
        boundary = g.frames[k];

    if (boundary >= 0) {
        if (m_time < 0.0f || m_time > play_time)
            m_passed = m_current;
        if (try_start_morph(boundary))
            return;
        switch (g.mode) {
        case GESTURE_OSCILLATING:
            if (m_time > play_time) {
                m_forward = 0;
                m_time = play_time;
            } else if (m_time < 0.0f) {
                m_time = 0.0f;
                m_forward = 1;
            }
            break;
        case GESTURE_WRAPPING:
            ENGINE_ASSERT(m_forward);
            if (m_time > play_time) {
                m_time = 0.0f;
                if (try_start_morph(g.frames[k]))
                    return;
            }
            break;
        case GESTURE_FINITE:
            ENGINE_ASSERT(m_forward);
            if (m_time > play_time)
                m_time = play_time;
            break;
        }
        int found = -1;
        for (int i = 0; i < g.branches_count && found < 0; ++i) {
            if (m_time >= 0.0f && m_time <= g.times[i] && (i == 0 || m_time >= g.times[i - 1]))
                found = i;
        }
        if (found < 0) {
            char text[64];
            std::snprintf(text, sizeof text, "%.3f", m_time);
            ENGINE_THROW(exception_c, std::string("Animation time ") + text + " is out of gesture '" + g.name + "'");
        }
        m_branch = found;
    }

    const float start = branch_start(g, m_branch);
    const float factor = (m_time - start) / (g.times[m_branch] - start);
    pose(g.frames[m_branch], g.frames[m_branch + 1], factor);
}

void skelanim_resource_c::step_morphing(float dt)
{
    const skelanim_morph_s m = m_anim->get_morph(m_current);
    m_time += dt;
    if (m_time <= m.time && m_branch != m.dst_frame) {
        // A morph of time 0 is already at its end.
        pose(m_branch, m.dst_frame, m.time > 0.0f ? m_time / m.time : 1.0f);
        return;
    }

    m_state = STATE_PLAYING;
    m_current = m.dst_gesture;
    m_forward = 1;
    m_passed = -1;
    const skelanim_gesture_s &g = m_anim->gesture(m_current);
    int i = 0;
    while (i <= g.branches_count && g.frames[i] != m.dst_frame)
        ++i;
    if (i > g.branches_count)
        ENGINE_THROW(exception_c, "Internal: destination frame not found");

    if (i < g.branches_count) {
        m_branch = i;
    } else {
        switch (g.mode) {
        case GESTURE_OSCILLATING:
            ENGINE_ASSERT(g.branches_count > 0);
            m_forward = 0;
            m_branch = g.branches_count - 1;
            break;
        case GESTURE_WRAPPING:
            m_branch = 0;
            break;
        case GESTURE_FINITE:
            // Entering a finite gesture at its last key frame: it is over, so it holds there.
            m_branch = g.branches_count - 1;
            m_time = g.times[m_branch];
            return;
        default:
            ENGINE_ASSERT(i == 0);
            m_branch = 0;
            break;
        }
    }
    m_time = m_forward ? branch_start(g, m_branch) : g.times[m_branch];
}

void skelanim_resource_c::pose(int from, int to, float factor)
{
    m_anim->pose(from, to, factor);
    const skeleton_instance_c *skeleton = m_anim->skeleton();
    const matrix_c *joints = skeleton->current_joint_matrices();
    std::copy(joints, joints + m_joints.size(), m_joints.begin());
    for (const active_part_s &a : m_active_parts)
        m_anim->part_geometry(a.part_index)->fill_vertex_buffer(a.vertex_buffer);
}

matrix_c *skelanim_resource_c::get_locator_matrix(matrix_c *out, const char *locator)
{
    *out = m_joints[(size_t)m_anim->skeleton()->joint_index(locator)];
    return out;
}

void skelanim_resource_c::render()
{
    if (m_state == STATE_IDLE)
        return;
    d3d_service_c *d3d = m_manager->d3d();
    IDirect3DDevice8 *device = d3d->device();
    d3d->set_lit_vertex_format();
    d3d->set_world_matrix(m_world);
    apply_lighting();
    for (const active_part_s &a : m_active_parts) {
        apply_blend(a.blended);
        const skinned_mesh_c *geometry = m_anim->part_geometry(a.part_index);
        if (!device)
            continue;
        device->SetStreamSource(0, a.vertex_buffer, sizeof(lit_vertex_s));
        device->SetIndices(a.index_buffer, 0);
        device->SetTexture(0, a.texture);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, geometry->vertices_count(), 0, geometry->faces_count());
    }
}
