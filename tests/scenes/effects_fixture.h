// Particle systems and skies in a location: the scene fixture with a texture manager stand-in
// and templates (the game's own unless a test declares others), plus readers of what the
// recording device holds and logged.
#pragma once

#include "scene_fixture.h"

#include "services/srvc_d3d.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

class effects_fixture : public scene_fixture
{
protected:
    void SetUp() override
    {
        scene_fixture::SetUp();
        textures = use_game_templates_and_textures();
    }

    // A new script runner whose only templates are these.
    void use_templates(const std::string &text)
    {
        std::ofstream(m_dir / "data" / "scripts" / "test_templates.isc", std::ios::binary) << text;
        scripts.reset();
        scripts = std::make_unique<scripts_c>();
        scripts->execute_script("scripts/test_templates.isc", nullptr, 1);
    }

    // Shuts the location down (its entities give their instances back) and deletes it.
    void drop_location()
    {
        if (!location)
            return;
        location->shutdown_tree();
        root->collect_dead_children();
        location = nullptr;
    }
    // The model pass inside a scene, as the renderer runs it (draws outside one are refused).
    void draw_pass()
    {
        d3d->begin_scene();
        render_pass();
        d3d->end_scene();
    }
    void frame(float time, float frame_time)
    {
        tick(time, frame_time);
        draw_pass();
    }

    static std::vector<lit_vertex_s> vertices(IDirect3DVertexBuffer8 *buffer, size_t count)
    {
        std::vector<lit_vertex_s> out(count);
        EXPECT_GE(buffer->bytes().size(), count * sizeof(lit_vertex_s));
        std::memcpy(out.data(), buffer->bytes().data(), std::min(buffer->bytes().size(), count * sizeof(lit_vertex_s)));
        return out;
    }
    static std::vector<WORD> indices(IDirect3DIndexBuffer8 *buffer)
    {
        std::vector<WORD> out(buffer->bytes().size() / 2);
        std::memcpy(out.data(), buffer->bytes().data(), out.size() * 2);
        return out;
    }
    std::vector<recording_call_s> draws() const
    {
        std::vector<recording_call_s> out;
        for (const recording_call_s &c : rec->log)
            if (c.call == recording_call_e::draw || c.call == recording_call_e::draw_indexed)
                out.push_back(c);
        return out;
    }
    // The value a render state had at each logged draw (the device's default before any change).
    std::vector<DWORD> render_state_at_draws(D3DRENDERSTATETYPE state, DWORD before) const
    {
        std::vector<DWORD> out;
        DWORD value = before;
        for (const recording_call_s &c : rec->log) {
            if (c.call == recording_call_e::render_state && c.a == (DWORD)state)
                value = c.b;
            if (c.call == recording_call_e::draw || c.call == recording_call_e::draw_indexed)
                out.push_back(value);
        }
        return out;
    }
    // The names of the textures loaded so far, oldest first.
    std::vector<std::string> texture_names() const
    {
        std::vector<std::string> out;
        for (abstract_c *c = textures->last_child(); c; c = c->prev_sibling())
            if (auto *data = dynamic_cast<data_entity_c *>(c))
                out.push_back(data->name());
        return out;
    }

    texture_stub_c *textures = nullptr;
};
