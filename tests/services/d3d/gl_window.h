// A root with the main window, a windowed Direct3D service and the renderer, as the tests that read
// pixels back need it. The caller selects the backend before, adds its own objects after, and then
// sends app_hinstance and app_startup (start_gl_window_tree sends both).
#pragma once

#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "services/srvc_d3d.h"
#include "services/srvc_mainwnd.h"

#include <string>

struct gl_window_tree {
    abstract_c *root = nullptr;
    d3d_service_c *d3d = nullptr;
};

inline gl_window_tree make_gl_window_tree(const char *window_name, int width, int height)
{
    attribute_list_c root_attributes;
    add_attribute(nullptr, root_attributes, "stop_main_loop", value_c(0), 0);
    add_attribute(nullptr, root_attributes, "app_active", value_c(1), 0);
    gl_window_tree tree;
    tree.root = new abstract_c(nullptr, &root_attributes);
    attribute_list_c window_attributes;
    add_attribute(nullptr, window_attributes, "name", value_c(window_name, value_c::STRING), 0);
    new main_window_c(tree.root, &window_attributes);
    attribute_list_c d3d_attributes;
    add_attribute(nullptr, d3d_attributes, "screen_mode", value_c("windowed", value_c::STRING), 0);
    add_attribute(nullptr, d3d_attributes, "textures32", value_c(1), 0);
    add_attribute(nullptr, d3d_attributes, "screen_width", value_c(width), 0);
    add_attribute(nullptr, d3d_attributes, "screen_height", value_c(height), 0);
    add_attribute(nullptr, d3d_attributes, "vertex_processing", value_c("hardware", value_c::STRING), 0);
    add_attribute(nullptr, d3d_attributes, "near_clip_plane", value_c(1.0f), 0);
    add_attribute(nullptr, d3d_attributes, "far_clip_plane", value_c(100.0f), 0);
    tree.d3d = new d3d_service_c(tree.root, &d3d_attributes);
    new renderer_c(tree.root, nullptr);
    return tree;
}

// Sends app_hinstance and app_startup to the tree: "" when the device started, else the message of
// what start-up threw.
inline std::string start_gl_window_tree(const gl_window_tree &tree)
{
    tree.root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
    try {
        tree.root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return tree.d3d->initialized() ? "" : "not initialized";
}
