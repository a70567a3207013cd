// The visual layer on the recording device: a started Direct3D service and the stand-in
// texture manager of tests/ui/texture_stub.h.
#pragma once

#include "tests/services/d3d/d3d_fixture.h"
#include "tests/ui/texture_stub.h"
#include "tests/ui/ui_fixture.h"

#include <cstring>
#include <map>

class ui_render_test : public d3d_fixture
{
protected:
    void SetUp() override
    {
        d3d_fixture::SetUp();
        start();
        textures = new stub_texture_manager_c(root, d3d);
    }
    void render()
    {
        rec->clear_log();
        d3d->begin_scene();
        try {
            root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
        } catch (...) {
            d3d->end_scene();
            throw;
        }
        d3d->end_scene();
    }
    // The unlit vertices of a buffer.
    static std::vector<unlit_vertex_s> vertices(IDirect3DVertexBuffer8 *buffer)
    {
        std::vector<unlit_vertex_s> out(buffer->bytes().size() / sizeof(unlit_vertex_s));
        std::memcpy(out.data(), buffer->bytes().data(), out.size() * sizeof(unlit_vertex_s));
        return out;
    }
    static std::vector<WORD> indices(IDirect3DIndexBuffer8 *buffer)
    {
        std::vector<WORD> out(buffer->bytes().size() / 2);
        std::memcpy(out.data(), buffer->bytes().data(), out.size() * 2);
        return out;
    }

    stub_texture_manager_c *textures = nullptr;
};

// Attributes of a scripted multistate_image.
inline attribute_list_c image_attrs(const char *tex_name, int columns, int rows, rect tex, rect screen = rect())
{
    attribute_list_c list = attrs({{"color", value_c(vec3(255, 255, 255))},
                                   {"tex_name", text_value(tex_name)},
                                   {"columns", value_c(columns)},
                                   {"rows", value_c(rows)},
                                   {"tex", value_c(tex)}});
    if (screen.right != screen.left)
        add_attribute(nullptr, list, "screen_rect", value_c(screen), 0);
    return list;
}
