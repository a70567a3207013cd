// What the benchmarks share: a clock, the best of several timed runs, the printed line, and a
// tree with a Direct3D service on the recording device.
#pragma once

#include <chrono>
#include <cstdio>

#include "kernel/abstract.h"
#include "platform/d3d/d3d_recording.h"
#include "services/srvc_d3d.h"

// Seconds per call of f, the best of `rounds` rounds of `calls` calls each.
template <class F> double best_seconds_per_call(int rounds, int calls, F &&f)
{
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i)
            f();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / calls;
        if (s < best)
            best = s;
    }
    return best;
}

// "<what>: <figure> <unit>; reference (<ref what>): <ref> <unit>; ratio <r> (limit <limit>)".
inline int print_ratio(const char *what, double figure, const char *ref_what, double reference, const char *unit,
                       double scale, double limit)
{
    const double ratio = figure / reference;
    std::printf("%s: %.3f %s; reference (%s): %.3f %s; ratio %.2f (limit %.2f)%s\n", what, figure * scale, unit,
                ref_what, reference * scale, unit, ratio, limit, ratio <= limit ? "" : " OVER THE LIMIT");
    return ratio <= limit ? 0 : 1;
}

// Answers mainwnd_get_handles as the main window does, with no window.
class bench_window_c : public abstract_c
{
public:
    explicit bench_window_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == msg_c("mainwnd_get_handles")) {
            *(HWND *)msg_arg(0)->get_ptr() = nullptr;
            return 1;
        }
        return 0;
    }
};

// A root with a started Direct3D service on the recording backend.
inline d3d_service_c *bench_d3d(abstract_c *root)
{
    new bench_window_c(root);
    attribute_list_c list;
    add_attribute(nullptr, list, "screen_mode", value_c("windowed", value_c::STRING), 0);
    add_attribute(nullptr, list, "textures32", value_c(1), 0);
    add_attribute(nullptr, list, "screen_width", value_c(800), 0);
    add_attribute(nullptr, list, "screen_height", value_c(600), 0);
    add_attribute(nullptr, list, "vertex_processing", value_c("hardware", value_c::STRING), 0);
    add_attribute(nullptr, list, "near_clip_plane", value_c(1.0f), 0);
    add_attribute(nullptr, list, "far_clip_plane", value_c(1000.0f), 0);
    auto *d3d = new d3d_service_c(root, &list);
    root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    return d3d;
}
