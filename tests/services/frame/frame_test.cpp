// The program's drawing path end to end on the OpenGL device: the main window, the Direct3D
// service and the renderer draw a frame of debug lines, read back before Present.
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "platform/d3d/d3d8.h"
#include "platform/gl/gl_d3d.h"
#include "services/debug_draw.h"
#include "services/srvc_d3d.h"
#include "services/srvc_mainwnd.h"
#include "tests/services/d3d/gl_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// On render: sets the camera, flushes the debug lines and reads the back buffer back.
class drawer_c : public abstract_c
{
public:
    explicit drawer_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == MSG_VAR(render)) {
            d3d_service_c *d3d = get_d3d_service(this);
            d3d->set_camera(placement(), 90.0f);
            const vec3 forward = d3d->get_view_axis('z') * 5.0f;
            const vec3 right = d3d->get_view_axis('x'), up = d3d->get_view_axis('y');
            debug_draw_clear();
            debug_draw_line(forward - right, forward + right, vec3(1, 0, 0), vec3(1, 0, 0));
            debug_draw_line(forward - up, forward + up, vec3(0, 1, 0), vec3(0, 1, 0));
            debug_draw_flush();
            gl_d3d_read_back(d3d->device(), &pixels, &width, &height);
        }
        return abstract_c::handle_message(message, sender);
    }
    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
};

TEST(frame, the_renderer_draws_debug_lines_in_the_main_window)
{
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(d3d_select_backend("gl"));
    const gl_window_tree tree = make_gl_window_tree("frame", 160, 120);
    abstract_c *root = tree.root;
    d3d_service_c *d3d = tree.d3d;
    drawer_c *drawer = new drawer_c(root);

    root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
    try {
        root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    } catch (const exception_c &e) {
        FAIL() << e.get_message();
    }
    ASSERT_TRUE(d3d->initialized());
    d3d->set_fog_color(0.0f, 0.0f, 1.0f);
    root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.1f), MSG_ARGS_END);

    // The window's client area took the service's size; the frame is the fog colour with a red
    // line across the middle and a green one down it.
    ASSERT_EQ(drawer->width, 160u);
    ASSERT_EQ(drawer->height, 120u);
    auto at = [&](UINT x, UINT y) { return drawer->pixels[(size_t)y * 160 + x] & 0xFFFFFF; };
    EXPECT_EQ(at(5, 5), 0x0000FFu);
    EXPECT_EQ(at(159, 119), 0x0000FFu);
    auto count = [&](bool row, D3DCOLOR c) {
        int n = 0;
        for (UINT i = 0; i < (row ? 160u : 120u); ++i)
            for (int d = -1; d <= 0; ++d)
                if (at(row ? i : 80 + d, row ? 60 + d : i) == c) {
                    ++n;
                    break;
                }
        return n;
    };
    EXPECT_GE(count(true, 0xFF0000), 20);
    EXPECT_GE(count(false, 0x00FF00), 20);

    root->shutdown_tree();
    delete root;
    debug_draw_clear();
    d3d_select_backend("recording");
}

} // namespace
