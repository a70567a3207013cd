#include "fuzz/d3d_stand.h"

#include "kernel/abstract.h"
#include "platform/d3d/d3d_recording.h"
#include "services/srvc_d3d.h"
#include "tests/services/models/texture_stub.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

namespace {

// Answers mainwnd_get_handles as the main window does, with no window behind it.
class window_stand_c : public abstract_c
{
public:
    explicit window_stand_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == msg_c("mainwnd_get_handles")) {
            *(HWND *)msg_arg(0)->get_ptr() = nullptr;
            return 1;
        }
        return abstract_c::handle_message(message, sender);
    }
};

d3d_service_c *start()
{
    auto *root = new abstract_c(nullptr);
    new window_stand_c(root);
    attribute_list_c list;
    add_attribute(nullptr, list, "screen_mode", value_c("windowed", value_c::STRING), 0);
    add_attribute(nullptr, list, "textures32", value_c(1), 0);
    add_attribute(nullptr, list, "screen_width", value_c(640), 0);
    add_attribute(nullptr, list, "screen_height", value_c(480), 0);
    add_attribute(nullptr, list, "vertex_processing", value_c("software", value_c::STRING), 0);
    add_attribute(nullptr, list, "near_clip_plane", value_c(1.0f), 0);
    add_attribute(nullptr, list, "far_clip_plane", value_c(1000.0f), 0);
    auto *d3d = new d3d_service_c(root, &list);
    root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    if (!d3d->initialized()) {
        std::fprintf(stderr, "fuzz: the Direct3D service did not start\n");
        std::abort();
    }
    return d3d;
}

} // namespace

d3d_service_c *d3d_stand()
{
    static d3d_service_c *d3d = start();
    return d3d;
}

void d3d_stand_clear_log()
{
    recording_d3d_device(d3d_stand()->device())->clear_log();
}

abstract_c *texture_stand()
{
    static abstract_c *textures = new texture_stub_c(d3d_stand()->parent());
    return textures;
}

void empty_manager(abstract_c *manager)
{
    for (abstract_c *child = manager->first_child(); child; child = child->next_sibling())
        child->shutdown_tree();
    manager->collect_dead_children();
}

} // namespace fuzz
