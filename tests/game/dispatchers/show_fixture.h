// The program's start and end shows on the recording device: a Direct3D service of a chosen
// screen size, the real texture manager over a private data directory, the clock, a sound
// manager stand-in that writes what its sounds are asked ("play <name>", "release <name>")
// and a listener of what the shows send to the root.
#pragma once

#include "kernel/root.h"
#include "kernel/scripts.h"
#include "tests/game/dispatchers/sound_stub.h"
#include "services/srvc_d3d.h"
#include "tests/game/timers/game_listener.h"
#include "tests/services/textures/texture_fixture.h"
#include "tools/imagegen/imagegen.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// One drawn quad as "<left>,<top> <right>,<bottom> uv <u>,<v> z <z>" from its first and third
// vertex (the corners (0, 0) and (1, v)).
inline std::string quad_text(const recording_call_s &draw)
{
    const auto *buffer = static_cast<const IDirect3DVertexBuffer8 *>(draw.ptr);
    if (!buffer || buffer->bytes().size() < 4 * sizeof(unlit_vertex_s))
        return "no quad";
    unlit_vertex_s v[4];
    std::memcpy(v, buffer->bytes().data(), sizeof v);
    char text[160];
    std::snprintf(text, sizeof text, "%g,%g %g,%g uv %g,%g z %g", v[0].x, v[0].y, v[2].x, v[2].y, v[2].u, v[2].v,
                  v[0].z);
    return text;
}

class show_test : public texture_fixture
{
protected:
    void SetUp() override
    {
        texture_fixture::SetUp();
        register_game_dispatchers_once();
    }
    // The service with a screen of width x height, the texture manager, the clock, the sound
    // stand-in and the listener, in that order.
    void start_show(int width, int height)
    {
        d3d_settings_s s;
        s.width = width;
        s.height = height;
        start_manager(s);
        new clock_c(root, nullptr);
        sounds = new sound_manager_stub_c(root);
        listener = new game_listener_c(root, {"cursor_show", "load_screen"});
    }
    // A picture file of one colour.
    void put_picture(const std::string &name, int width, int height)
    {
        put(name, imagegen::make_bmp(imagegen::picture(width, height, 0x336699)));
    }
    void put_text(const std::string &name, const std::string &text)
    {
        put(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    void run_script(const char *name, abstract_c *parent = nullptr)
    {
        m_scripts->execute_script(name, parent ? parent : root, 0);
    }
    void tick_at(float now) { tick_tree(root, now); }
    // The quads drawn by one render broadcast, inside a scene as the renderer draws.
    std::vector<std::string> render_quads()
    {
        rec->clear_log();
        d3d->begin_scene();
        root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
        d3d->end_scene();
        std::vector<std::string> quads;
        for (const recording_call_s &draw : rec->calls(recording_call_e::draw))
            quads.push_back(quad_text(draw));
        return quads;
    }
    std::string sound_journal()
    {
        std::string s;
        for (const std::string &e : sounds->journal)
            s += (s.empty() ? "" : ", ") + e;
        sounds->journal.clear();
        return s;
    }

    sound_manager_stub_c *sounds = nullptr;
    game_listener_c *listener = nullptr;
};
