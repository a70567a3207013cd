// The scene renderer on the recording device: the device state it prepares, in order, around the
// model manager's pass and the debug primitives, with and without wireframe.
#include "tests/services/models/model_manager_fixture.h"

#include "basics/matrix.h"
#include "scenes/scene_renderer.h"
#include "services/debug_draw.h"

#include <gtest/gtest.h>

namespace {

// Drawn after the scene, like the user interface: notes the fill mode it meets.
class overlay_probe_c : public abstract_c
{
public:
    overlay_probe_c(abstract_c *parent, d3d_service_c *d3d) : abstract_c(parent), m_d3d(d3d) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(render))
            fill_modes.push_back(m_d3d->device()->state().render[D3DRS_FILLMODE]);
        return 0;
    }
    d3d_service_c *m_d3d;
    std::vector<DWORD> fill_modes;
};

class scene_renderer : public model_manager_fixture
{
protected:
    void SetUp() override
    {
        model_manager_fixture::SetUp();
        debug_draw_clear();
        data("figure");
        model = load("figure");
        model->set(vec3(5.0f, 2.0f, 1.0f));
    }
    void TearDown() override
    {
        debug_draw_clear();
        model_manager_fixture::TearDown();
    }
    // The renderer is made after the overlay, so the overlay is younger and draws later.
    scene_renderer_c *make(int wireframe)
    {
        attribute_list_c attributes;
        add_attribute(nullptr, attributes, "wireframe", value_c(wireframe), 0);
        auto *r = new scene_renderer_c(root, &attributes);
        overlay = new overlay_probe_c(root, d3d);
        return r;
    }
    // The calls that matter here, in order.
    std::string render()
    {
        rec->clear_log();
        d3d->begin_scene();
        root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
        d3d->end_scene();
        std::string s;
        for (const recording_call_s &c : rec->log) {
            std::string e;
            if (c.call == recording_call_e::render_state && c.a == D3DRS_LIGHTING)
                e = "lighting" + std::to_string(c.b);
            else if (c.call == recording_call_e::render_state && c.a == D3DRS_FILLMODE)
                e = c.b == D3DFILL_WIREFRAME ? "wire" : "solid";
            else if (c.call == recording_call_e::stage_state && c.a == 0 && c.b == D3DTSS_COLOROP)
                e = c.c == D3DTOP_MODULATE ? "modulate" : "colorop";
            else if (c.call == recording_call_e::stage_state && c.a == 0 &&
                     (c.b == D3DTSS_MAGFILTER || c.b == D3DTSS_MINFILTER || c.b == D3DTSS_MIPFILTER))
                e = c.c == D3DTEXF_LINEAR ? "linear" : "filter";
            else if (c.call == recording_call_e::light_enable && c.b)
                e = "light";
            else if (c.call == recording_call_e::transform && c.a == D3DTS_WORLD)
                e = "world";
            else if (c.call == recording_call_e::draw)
                e = "draw";
            if (!e.empty() && (s.size() < e.size() || s.compare(s.size() - e.size(), e.size(), e) != 0))
                s += (s.empty() ? "" : " ") + e;
        }
        return s;
    }
    probe_model_c *model = nullptr;
    overlay_probe_c *overlay = nullptr;
};

TEST_F(scene_renderer, prepares_the_device_draws_the_models_then_the_debug_primitives_and_leaves_fill_solid)
{
    struct
    {
        int wireframe;
        const char *expected;
    } cases[] = {
        {0, "modulate lighting1 light linear lighting1 world lighting0 draw solid"},
        {1, "modulate lighting1 light linear wire lighting1 world lighting0 draw solid"},
    };
    scene_renderer_c *r = make(0);
    for (const auto &c : cases) {
        // Read at every drawing.
        *r->attribute("wireframe") = value_c(c.wireframe);
        overlay->fill_modes.clear();
        draws.clear();
        d3d->set_ambient_color(0.2f, 0.2f, 0.2f);
        d3d->add_directional_light(vec3(1.0f, 0.0f, -1.0f), 1.0f, 1.0f, 1.0f);
        debug_draw_line(vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 0, 0), vec3(1, 0, 0));
        EXPECT_EQ(render(), c.expected) << c.wireframe;
        EXPECT_EQ(draws, std::vector<std::string>{"figure#1"}) << "the model manager drew its pass";
        EXPECT_EQ(overlay->fill_modes, std::vector<DWORD>{D3DFILL_SOLID}) << c.wireframe;
        EXPECT_EQ(rs(D3DRS_FILLMODE), (DWORD)D3DFILL_SOLID);
        for (D3DTEXTURESTAGESTATETYPE f : {D3DTSS_MAGFILTER, D3DTSS_MINFILTER, D3DTSS_MIPFILTER})
            EXPECT_EQ(ts(f), (DWORD)D3DTEXF_LINEAR);
        // The debug line was drawn in world coordinates, whatever the model left set.
        const D3DMATRIX &world = d3d->device()->state().world;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                EXPECT_EQ(world.m[i][j], i == j ? 1.0f : 0.0f);
    }
}

TEST_F(scene_renderer, a_missing_wireframe_attribute_fails_at_the_first_drawing)
{
    new scene_renderer_c(root, nullptr);
    EXPECT_EQ(thrown([&] { render(); }), "Could not find required attribute 'wireframe'");
}

} // namespace
