#include "d3d_fixture.h"

#include "kernel/scripts.h"
#include "services/creators.h"
#include "services/debug_draw.h"

#include <functional>

// Draws on render: records whether the scene was open and what the device looked like.
class drawer_c : public abstract_c
{
public:
    explicit drawer_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == MSG_VAR(render)) {
            d3d_service_c *d3d = get_d3d_service(this);
            in_scene.push_back(d3d->device()->state().in_scene);
            if (on_render)
                on_render(d3d);
        }
        return abstract_c::handle_message(message, sender);
    }
    std::vector<bool> in_scene;
    std::function<void(d3d_service_c *)> on_render;
};

class renderer_fixture : public d3d_fixture
{
protected:
    void SetUp() override
    {
        d3d_fixture::SetUp();
        start();
        renderer = new renderer_c(root, nullptr);
        drawer = new drawer_c(root);
        rec->clear_log();
    }
    void tick() { root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.1f), MSG_ARGS_END); }
    std::vector<recording_call_e> frame_calls() const
    {
        std::vector<recording_call_e> out;
        for (const recording_call_s &c : rec->log)
            if (c.call == recording_call_e::begin_scene || c.call == recording_call_e::clear ||
                c.call == recording_call_e::end_scene || c.call == recording_call_e::present ||
                c.call == recording_call_e::reset)
                out.push_back(c.call);
        return out;
    }

    renderer_c *renderer = nullptr;
    drawer_c *drawer = nullptr;
};

using rc = recording_call_e;
const std::vector<rc> full_frame = {rc::begin_scene, rc::clear, rc::end_scene, rc::present};

TEST_F(renderer_fixture, a_tick_draws_one_frame)
{
    d3d->set_fog_color(0.0f, 0.0f, 1.0f);
    d3d->add_point_light(1.0f, vec3_zero, 1, 1, 1);
    rec->clear_log();
    tick();
    EXPECT_EQ(frame_calls(), full_frame);
    EXPECT_EQ(drawer->in_scene, std::vector<bool>{true});
    const recording_call_s clear = rec->calls(rc::clear)[0];
    EXPECT_EQ(clear.a, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    EXPECT_EQ(clear.b, 0xFF0000FFu);
    EXPECT_EQ(clear.z, 1.0f);
    EXPECT_EQ(d3d->light_count(), 0); // end_scene emptied the list
    // begin_scene set the default material first.
    EXPECT_EQ(rec->log[0].call, rc::material);
    EXPECT_EQ(d3d->device()->state().material.Diffuse.r, 1.0f);
    EXPECT_EQ(d3d->device()->state().material.Diffuse.a, 0.0f);
    EXPECT_EQ(rs(D3DRS_LOCALVIEWER), 0u);
    EXPECT_EQ(rs(D3DRS_AMBIENTMATERIALSOURCE), D3DMCS_COLOR1);
}

TEST_F(renderer_fixture, lost_device_sequences)
{
    // Lost and not resettable: nothing at all, tick after tick.
    rec->lose();
    std::string mark = log_mark();
    tick();
    tick();
    EXPECT_TRUE(frame_calls().empty());
    EXPECT_TRUE(drawer->in_scene.empty());
    EXPECT_TRUE(log_since(mark).empty());

    // Resettable, but the reset fails: logged, skipped, tried again next tick.
    rec->make_resettable();
    rec->reset_result = D3DERR_OUTOFVIDEOMEMORY;
    tick();
    tick();
    EXPECT_EQ(frame_calls(), (std::vector<rc>{rc::reset, rc::reset}));
    EXPECT_EQ(log_since(mark),
              (std::vector<std::string>{"Device lost, trying to reset it...",
                                        "Error reseting device: IDirect3DDevice8::Reset failed: D3DERR_OUTOFVIDEOMEMORY",
                                        "Device lost, trying to reset it...",
                                        "Error reseting device: IDirect3DDevice8::Reset failed: D3DERR_OUTOFVIDEOMEMORY"}));
    EXPECT_TRUE(drawer->in_scene.empty());

    // A successful reset draws the whole frame in the same tick, with the start-up state back.
    rec->reset_result = D3D_OK;
    rec->clear_log();
    mark = log_mark();
    tick();
    std::vector<rc> expected = {rc::reset};
    expected.insert(expected.end(), full_frame.begin(), full_frame.end());
    EXPECT_EQ(frame_calls(), expected);
    EXPECT_EQ(log_since(mark), std::vector<std::string>{"Device lost, trying to reset it..."});
    EXPECT_EQ(drawer->in_scene, std::vector<bool>{true});
    for (DWORD f : {D3DTSS_MAGFILTER, D3DTSS_MINFILTER, D3DTSS_MIPFILTER})
        EXPECT_EQ(ts(f), D3DTEXF_LINEAR);
    EXPECT_EQ(ts(D3DTSS_COLORARG2), D3DTA_DIFFUSE);
    EXPECT_EQ(rs(D3DRS_FOGTABLEMODE), D3DFOG_LINEAR);
    const d3d_device_state_s &st = d3d->device()->state();
    EXPECT_EQ(st.viewport.MaxZ, 1.0f);
    EXPECT_EQ(st.projection.m[2][3], 1.0f); // the service's projection, not the identity
    EXPECT_EQ(st.vertex_shader, 0u);        // forgotten until the next format call
    EXPECT_EQ(d3d->vertex_format(), d3d_service_c::VERTEX_FORMAT_NONE);
}

TEST_F(d3d_fixture, renderer_before_and_without_the_service)
{
    try {
        renderer_c r(root, nullptr);
        FAIL() << "made without a d3d service";
    } catch (const exception_c &e) {
        EXPECT_EQ(e.get_message(), "Debug assertion failed! Expression: \"for_who->root()->message(MSG_VAR(get_d3d), 0, "
                                   "for_who, MSG_ARG((void *)&ptr), MSG_ARGS_END)\"");
    }
    // Before start-up the device counts as lost and not resettable: ticks draw nothing.
    make_service();
    new renderer_c(root, nullptr);
    const std::string mark = log_mark();
    root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.1f), MSG_ARGS_END);
    EXPECT_TRUE(log_since(mark).empty());
}

TEST_F(renderer_fixture, debug_flush_states)
{
    debug_draw_clear();
    debug_draw_set_depth_bias(2);
    std::vector<DWORD> zbias_during;
    drawer->on_render = [&](d3d_service_c *d3d) {
        placement moved;
        moved.position = vec3(5, 0, 0);
        d3d->set_world_transform(moved);
        d3d->set_shade_mode(0);
        d3d->set_unlit_vertex_format();
        d3d->set_blend_mode(0, 2, 0);
        d3d->set_lighting(1);
        debug_draw_flush();
    };
    tick();
    // An empty list creates nothing and draws nothing, but leaves the states set.
    EXPECT_EQ(rec->count(rc::draw), 0u);
    const d3d_device_state_s &st = d3d->device()->state();
    EXPECT_EQ(st.world.m[3][0], 0.0f);
    EXPECT_EQ(st.world.m[0][0], 1.0f);
    EXPECT_EQ(rs(D3DRS_SHADEMODE), D3DSHADE_GOURAUD);
    EXPECT_EQ(st.vertex_shader, 0x152u);
    EXPECT_EQ(rs(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(rs(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(rs(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(rs(D3DRS_ZBIAS), 0u);
    for (const recording_call_s &c : rec->calls(rc::render_state))
        if (c.a == D3DRS_ZBIAS)
            zbias_during.push_back(c.b);
    EXPECT_EQ(zbias_during, (std::vector<DWORD>{2, 0}));
    debug_draw_set_depth_bias(0);
}

TEST_F(renderer_fixture, debug_primitives_are_built_once_and_drawn)
{
    debug_draw_clear();
    debug_draw_line(vec3(1, 2, 3), vec3(4, 5, 6), vec3(1, 0, 0), vec3(0, 1, 0));
    debug_draw_add(debug_primitive_s{7, {}, {}}); // an unknown kind is ignored
    debug_draw_triangle(vec3(0, 0, 0), vec3(1, 0, 0), vec3(0, 1, 0), vec3(0, 0, 1), vec3(1, 1, 1), vec3(0, 0, 0));
    debug_draw_add(debug_primitive_s{1, {vec3(7, 7, 7), vec3(8, 8, 8)}, {vec3_one, vec3_one}});
    drawer->on_render = [&](d3d_service_c *) {
        debug_draw_flush();
        debug_draw_flush();
    };
    tick();
    const auto draws = rec->calls(rc::draw);
    ASSERT_EQ(draws.size(), 4u);
    EXPECT_EQ(draws[0].a, D3DPT_LINELIST);
    EXPECT_EQ(draws[0].b, 2u);
    EXPECT_EQ(draws[1].a, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[1].b, 1u);
    EXPECT_EQ(draws[2].ptr, draws[0].ptr); // the second flush did not rebuild
    EXPECT_EQ(draws[3].ptr, draws[1].ptr);
    EXPECT_EQ(rec->calls(rc::texture)[0].ptr, nullptr);

    auto *lines = (const IDirect3DVertexBuffer8 *)draws[0].ptr;
    ASSERT_EQ(lines->bytes().size(), 2u * 72u);
    const lit_vertex_s *v = (const lit_vertex_s *)lines->bytes().data();
    EXPECT_EQ(v[0].x, 1.0f);
    EXPECT_EQ(v[0].diffuse, 0xFFFF0000u);
    EXPECT_EQ(v[0].u, 0.0f);
    EXPECT_EQ(v[1].z, 6.0f);
    EXPECT_EQ(v[1].diffuse, 0xFF00FF00u);
    EXPECT_EQ(v[1].u, 1.0f);
    EXPECT_EQ(v[1].v, 1.0f);
    EXPECT_EQ(v[1].nz, 1.0f);
    EXPECT_EQ(v[2].x, 7.0f);
    auto *triangles = (const IDirect3DVertexBuffer8 *)draws[1].ptr;
    ASSERT_EQ(triangles->bytes().size(), 108u);
    const lit_vertex_s *t = (const lit_vertex_s *)triangles->bytes().data();
    EXPECT_EQ(t[1].x, 1.0f);
    EXPECT_EQ(t[0].diffuse, 0xFF0000FFu);
    EXPECT_EQ(t[1].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(t[2].u, 0.0f);

    // A failed build draws nothing; the next flush builds again.
    debug_draw_clear();
    debug_draw_line(vec3_zero, vec3_one, vec3_one, vec3_one);
    rec->fail = RECORDING_FAIL_LOCK_VBUFFER;
    rec->clear_log();
    tick();
    EXPECT_EQ(rec->count(rc::draw), 1u); // the first of the two flushes drew nothing
    EXPECT_EQ(rec->count(rc::stream), 1u);
    debug_draw_clear();
}

TEST_F(d3d_fixture, script_classes_d3d_and_renderer)
{
    static bool registered = false;
    if (!registered)
        services_register_creators();
    registered = true;
    attribute_list_c none;
    abstract_c *service = create_object("d3d", root, &none);
    EXPECT_NE(dynamic_cast<d3d_service_c *>(service), nullptr);
    abstract_c *renderer = create_object("renderer", root, &none);
    EXPECT_NE(dynamic_cast<renderer_c *>(renderer), nullptr);
}
