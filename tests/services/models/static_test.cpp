// Static models and the shadows they receive, on the recording device.
#include "anim_fixture.h"

#include "importers/models.h"
#include "services/manager_model_shadow.h"
#include "services/manager_model_static.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class statics : public anim_fixture
{
protected:
    // A 10 x 10 floor at z = 0 around the origin, in 1 x 1 quads.
    void put_floor(const std::string &dir)
    {
        modelgen::static_desc d;
        for (int row = 0; row < 10; ++row)
            modelgen::add_quad_strip(d, {-5, float(row) - 5, 0}, {1, 0, 0}, {0, 1, 0}, 10);
        d.locators = {{"centre", modelgen::translation({0, 0, 0})}};
        put(dir + "/floor.geo", modelgen::static_file(d));
    }
    static_resource_c *load_static(const char *name)
    {
        abstract_c *res = nullptr;
        mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG(name), MSG_ARG(0),
                     MSG_ARGS_END);
        return dynamic_cast<static_resource_c *>(res);
    }
    static const char *floor_def() { return "transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\n"
                                            "geometry \"floor\";\ntexture \"stone\";\n"; }
    // A caster of the given shadow size standing at p.
    probe_model_c *caster(const vec3 &p, float size)
    {
        probe_model_c *c = load("caster");
        c->set(p);
        c->message(MSG_VAR(model_cast_shadows), 0, nullptr, MSG_ARG(size), MSG_ARGS_END);
        return c;
    }
};

TEST_F(statics, static_def_texts)
{
    put_floor("models/s");
    data("caster");
    struct
    {
        std::string text, error;
    } cases[] = {
        {floor_def(), ""},
        {std::string(floor_def()) + "// a comment at the end\n", ""},
        {std::string(floor_def()) + "texture \"again\";\n", "L4,1: end of file expected"},
        {"transform scale [1 1 1] angles [0 0 0];\n", "L1,39: identifier expected"},
        {"transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\ngeometry floor;\n",
         "L2,11: quoted string expected"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        write_text("models/s/static.def", c.text);
        static_resource_c *m = nullptr;
        const std::string error = thrown([&] { m = load_static("models/s"); });
        EXPECT_EQ(c.error.empty() ? "" : "Loading model script 'models/s/static.def' failed: " + c.error, error);
        if (m)
            release(m);
        root->collect_dead_children();
        EXPECT_EQ(nullptr, textures->first_child());
    }

    // static.def wins over animated.def; the mesh's own errors pass unchanged.
    write_text("models/s/static.def", floor_def());
    write_text("models/s/animated.def", "not read");
    EXPECT_TRUE(static_def_exists("models/s"));
    static_resource_c *m = load_static("models/s");
    ASSERT_NE(nullptr, m);
    matrix_c out;
    EXPECT_EQ(&out, m->get_locator_matrix(&out, "centre"));
    EXPECT_EQ("Locator 'side' not found", thrown([&] { m->get_locator_matrix(&out, "side"); }));
    release(m);
    write_text("models/s/static.def", "transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\n"
                                      "geometry \"none\";\ntexture \"stone\";\n");
    EXPECT_NE(std::string::npos, thrown([&] { load_static("models/s"); }).find("models/s/none.geo"));
}

TEST_F(statics, drawing_follows_the_texture_alpha_and_the_instance_alpha)
{
    put_floor("models/s");
    write_text("models/s/static.def", "transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\n"
                                      "geometry \"floor\";\ntexture \"glass_alpha\";\n");
    static_resource_c *m = load_static("models/s");
    EXPECT_EQ(RENDER_PRIORITY_BLENDED, m->priority()) << "a texture with alpha blends at full alpha";
    d3d->begin_scene();
    render_pass();
    d3d->end_scene();
    EXPECT_EQ(1u, rec->count(recording_call_e::draw_indexed));
    EXPECT_EQ(TRUE, rs(D3DRS_ALPHABLENDENABLE));
    EXPECT_EQ((DWORD)D3DTA_TEXTURE, ts(D3DTSS_ALPHAARG1));
}

TEST_F(statics, the_shadow_tree_of_a_floor_and_its_logged_size)
{
    put_floor("models/s");
    write_text("models/s/static.def", floor_def());
    static_resource_c *floor = load_static("models/s");
    const std::string mark = log_mark();
    floor->message(MSG_VAR(model_accept_shadows), 0, nullptr, MSG_ARGS_END);
    const shadow_receiver_c *receiver = floor->shadow_receiver();
    ASSERT_NE(nullptr, receiver);
    floor->message(MSG_VAR(model_accept_shadows), 0, nullptr, MSG_ARGS_END);
    EXPECT_EQ(receiver, floor->shadow_receiver()) << "a second call keeps the first receiver";

    // Cluster 4: the root splits into 2 x 2 cells of 5, each into 2 x 2 leaves of 2.5.
    int nodes = 0, leaves = 0, faces = 0, bytes = 0;
    std::function<void(const shadow_receiver_c::node_s &)> count = [&](const shadow_receiver_c::node_s &n) {
        ++nodes;
        bytes += 48;
        for (const auto &c : n.nodes)
            if (c)
                count(*c);
        for (const auto &l : n.leaves) {
            if (!l)
                continue;
            ++leaves;
            faces += l->faces_count;
            bytes += 36 + 12 * (l->verts_count + l->faces_count);
            EXPECT_LE(l->area.right - l->area.left, 3.5f);
        }
    };
    count(receiver->root());
    EXPECT_EQ(5, nodes);
    EXPECT_EQ(16, leaves);
    EXPECT_EQ(200, faces) << "every face in exactly one leaf";
    EXPECT_EQ(bytes, receiver->tree_bytes());
    EXPECT_EQ((std::vector<std::string>{"Shadow tree created, " + std::to_string(bytes) + " bytes allocated"}),
              log_since(mark));
}

TEST_F(statics, batches_are_drawn_under_each_caster_over_the_leaves_it_covers)
{
    put_floor("models/s");
    write_text("models/s/static.def", floor_def());
    data("caster");
    load("caster"); // keeps the casters' data alive between them
    static_resource_c *floor = load_static("models/s");
    floor->message(MSG_VAR(model_accept_shadows), 0, nullptr, MSG_ARGS_END);
    const shadow_receiver_c *receiver = floor->shadow_receiver();

    struct
    {
        vec3 at;
        float size;
        size_t batches;
    } cases[] = {
        {{-4, -4, 0}, 1.0f, 1},   // inside one leaf
        {{0, 0, 0}, 1.0f, 4},     // where four leaves meet
        {{20, 20, 0}, 1.0f, 0},   // off the floor
        {{-4, -4, 2}, 1.0f, 0},   // one height span (2 sizes) up: the shadow has faded out
        {{-4, -4, 0}, 0.0f, 0},   // no size: skipped
        {{-4, -4, -5}, 1.0f, 0},  // far under the floor: the floor lies above it, faded
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.at.x << "," << c.at.y << "," << c.at.z << " size " << c.size);
        probe_model_c *k = caster(c.at, c.size);
        rec->clear_log();
        d3d->begin_scene();
        render_pass();
        d3d->end_scene();
        EXPECT_EQ(c.batches, receiver->batches().size());
        EXPECT_EQ(1 + c.batches, rec->count(recording_call_e::draw_indexed));
        release(k);
    }

    // A figure standing on the floor darkens it fully right under itself, the shadow image
    // centred there.
    probe_model_c *k = caster({-4, -4, 0}, 1.0f);
    render_pass();
    ASSERT_EQ(1u, receiver->batches().size());
    const shadow_receiver_c::batch_s &b = receiver->batches()[0];
    const auto *v = static_cast<const lit_vertex_s *>(d3d->lock_vbuffer(sizeof(lit_vertex_s), b.vertex_buffer, 0,
                                                                        b.verts_count));
    bool centre_seen = false;
    for (int i = 0; i < b.verts_count; ++i) {
        EXPECT_EQ(0xFF000000u, v[i].diffuse & 0xFF000000u);
        if (v[i].x == -4 && v[i].y == -4) {
            centre_seen = true;
            EXPECT_FLOAT_EQ(0.5f, v[i].u);
            EXPECT_FLOAT_EQ(0.5f, v[i].v);
        }
    }
    EXPECT_TRUE(centre_seen);
    d3d->unlock_vbuffer(b.vertex_buffer);
    EXPECT_EQ((DWORD)D3DTADDRESS_WRAP, ts(D3DTSS_ADDRESSU)) << "addressing is put back after the shadows";
    EXPECT_EQ(0u, rs(D3DRS_ZBIAS));
    release(k);
}

TEST_F(statics, shadow_guards)
{
    put_floor("models/s");
    write_text("models/s/static.def", floor_def());
    static_resource_c *floor = load_static("models/s");
    EXPECT_EQ("Invalid shadow cluster 0", thrown([&] {
                  shadow_receiver_c(d3d, *dynamic_cast<static_data_c *>(floor->data())->mesh(),
                                    shadow_params_s{0.0f, 1.5f, 2.0f, "textures/shadow_blob"});
              }));
    EXPECT_EQ("Invalid shadow cluster -1", thrown([&] {
                  shadow_receiver_c(d3d, *dynamic_cast<static_data_c *>(floor->data())->mesh(),
                                    shadow_params_s{-1.0f, 1.5f, 2.0f, "textures/shadow_blob"});
              }));

    // Cells split down to the cluster, empty or not: a mesh far too wide for its cluster, or
    // with a position that is not finite, would split for ever.
    struct
    {
        float far_x, cluster;
        std::string error;
    } sizes[] = {
        {5.0f, 0.5f, ""},
        {5.0f, 1e-6f, "Shadow receiver of 10 x 10 is too large for shadow cluster 1e-06"},
        {1e30f, 4.0f, "Shadow receiver of 1e+30 x 10 is too large for shadow cluster 4"},
        {INFINITY, 4.0f, "Shadow receiver of inf x 10 is too large for shadow cluster 4"},
    };
    for (const auto &c : sizes) {
        SCOPED_TRACE(c.error);
        modelgen::static_desc d;
        modelgen::add_quad_strip(d, {-5, -5, 0}, {1, 0, 0}, {0, 10, 0}, 10);
        d.vertices.back().position[0] = c.far_x;
        put("models/wide/floor.geo", modelgen::static_file(d));
        static_mesh_c mesh(d3d, "models/wide/floor.geo", matrix_c(1.0f));
        EXPECT_EQ(c.error, thrown([&] {
                      shadow_receiver_c(d3d, mesh, shadow_params_s{c.cluster, 1.5f, 2.0f, "textures/shadow_blob"});
                  }));
    }

    // Factors of 0 make every shadow empty: the casters are skipped.
    shadow_receiver_c flat(d3d, *dynamic_cast<static_data_c *>(floor->data())->mesh(),
                           shadow_params_s{4.0f, 0.0f, 0.0f, "textures/shadow_blob"});
    data("caster");
    probe_model_c *k = caster({-4, -4, 0}, 1.0f);
    flat.collect(mgr);
    EXPECT_EQ(0u, flat.batches().size());
    release(k);

    // A receiver that moved would draw its shadows in the wrong place: refused.
    floor->message(MSG_VAR(model_accept_shadows), 0, nullptr, MSG_ARGS_END);
    floor->message(MSG_VAR(model_set_position), 0, nullptr, MSG_ARG((vec3{1, 0, 0})), MSG_ARG(vec3_zero),
                   MSG_ARGS_END);
    EXPECT_EQ("Shadow receiver 'models/s' must stand at the origin, unturned and unscaled",
              thrown([&] { render_pass(); }));
}

} // namespace
