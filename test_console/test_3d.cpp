#include "test_console/test_3d.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "basics/console_log.h"
#include "scenes/location.h"
#include "scenes/model_drivers.h"
#include "services/srvc_d3d.h"
#include "services/srvc_input.h"

namespace {

constexpr float MOUSE_RADIANS = 0.003f;
constexpr float DEGREES = 57.29578f;
constexpr float FPS_INTERVAL = 2.0f;
constexpr float TEST_FOV = 90.0f;

} // namespace

test_3d_c::test_3d_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_d3d(get_d3d_service(this)), m_input(get_input_service(this)),
      m_location(nullptr), m_last_fps_time(0.0f), m_frames(0)
{
    m_camera.position = vec3(-7.0f, 0.0f, 0.0f);
}

int test_3d_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        camera_step(msg_arg(1)->get_float());
        frame_rate(msg_arg(0)->get_float());
    } else if (*message == MSG_VAR(render)) {
        if (attribute("process_camera")->get_int())
            m_model_mgr.set_view(m_camera, TEST_FOV);
    } else if (*message == MSG_VAR(location_feedback)) {
        if (std::strcmp(msg_arg(0)->get_const_pchar(), "picker") == 0) {
            print_message("Picked index: %i\n", msg_arg(2)->get_int());
            return 1;
        }
    } else if (*message == MSG_VAR(app_startup)) {
        const D3DCAPS8 &caps = m_d3d->caps();
        print_message("MaxVertexBlendMatrixIndex = %i\n", (int)caps.MaxVertexBlendMatrixIndex);
        print_message("MaxVertexBlendMatrices = %i\n", (int)caps.MaxVertexBlendMatrices);
        load();
    } else if (*message == MSG_VAR(app_shutdown)) {
        delete_location();
    }
    return 0;
}

void test_3d_c::on_shutdown()
{
    delete_location();
    abstract_c::on_shutdown();
}

void test_3d_c::delete_location()
{
    if (!m_location)
        return;
    location_c *location = m_location;
    m_location = nullptr;
    location->shutdown_tree();
}

void test_3d_c::load()
{
    const char *name = attribute("location_name")->get_const_pchar();
    print_message("Location '%s'\n", name);
    std::vector<location_player> players;
    for (int i = 0;; ++i) {
        char model_attr[32], part_attr[32];
        std::snprintf(model_attr, sizeof model_attr, "player%i_model", i);
        std::snprintf(part_attr, sizeof part_attr, "player%i_part", i);
        value_c *model = find_attribute(model_attr);
        value_c *part = find_attribute(part_attr);
        if (!model || !part) {
            if (i == 0)
                print_message("Warning: No players for location\n");
            break;
        }
        players.push_back(make_location_player(model->get_const_pchar(), part->get_const_pchar()));
        print_message("Player %i model '%s:%s'\n", i, players.back().model_name, players.back().part_name);
    }
    m_location = new location_c(this, name, players);
}

void test_3d_c::camera_step(float dt)
{
    int dx = 0, dy = 0, buttons[3] = {0, 0, 0};
    float wheel = 0.0f;
    m_input->get_mouse_state(dx, dy, wheel);
    m_input->get_mouse_buttons(buttons);
    m_input->reset_mouse_state();
    m_camera.angles.y += dx * MOUSE_RADIANS;
    m_camera.angles.x += dy * MOUSE_RADIANS;
    const bool dump = attribute("process_camera")->get_int() && attribute("dump_camera")->get_int();
    if (dump && (dx || dy))
        print_message("Test cam pitch %.1f yaw %.1f\n", m_camera.angles.x * DEGREES, m_camera.angles.y * DEGREES);
    if (buttons[0] || buttons[1]) {
        const float step = attribute("move_vel")->get_float() * (buttons[0] ? 1.0f : -1.0f) * dt;
        const vec3 forward = m_model_mgr.view_axis_forward();
        m_camera.position = m_camera.position + forward * step;
        if (dump) {
            const vec3 &p = m_camera.position;
            print_message("Test cam position: [%.2f %.2f %.2f]\n", p.x, p.y, p.z);
        }
    }
    // The picker takes a point of the interface's space, whose middle is the screen's.
    if (buttons[2] && m_location)
        activate_location(m_location, "picker", (UI_SPACE_WIDTH / 2) << 16 | (UI_SPACE_HEIGHT / 2));
}

void test_3d_c::frame_rate(float t)
{
    if (attribute("fps_time")->get_float() <= 0.0f)
        return;
    if (t > m_last_fps_time + FPS_INTERVAL) {
        const float fps = m_frames / (t - m_last_fps_time);
        const int tenths = (int)(fps * 10.0f);
        print_message("FPS: %i.%i\n", tenths / 10, tenths % 10);
        m_last_fps_time = t;
        m_frames = 0;
    }
    ++m_frames;
}
