// The credits show: its column of images, its timing from the first tick, what each frame
// draws, its resources and its refusals.
#include "game/credits.h"
#include "tests/game/dispatchers/show_fixture.h"

#include <cmath>

namespace {

using lines = std::vector<std::string>;

class credits_test : public show_test
{
protected:
    // "create credits { <attributes> };" as scripts/credits_test.isc, run under the root.
    credits *make(const std::string &attributes)
    {
        put_text("scripts/credits_test.isc", "create credits { " + attributes + " };\n");
        run_script("scripts/credits_test.isc");
        for (abstract_c *c = root->first_child(); c; c = c->next_sibling())
            if (auto *show = dynamic_cast<credits *>(c))
                return show;
        return nullptr;
    }
    static std::string timing(float speed, float in, float out)
    {
        char text[200];
        std::snprintf(text, sizeof text,
                      "float slide_speed = %g; float in_pause = %g; float out_pause = %g; "
                      "string background_music = \"sounds/music\"; string background_texture = \"textures/back\";",
                      speed, in, out);
        return text;
    }
    void SetUp() override
    {
        show_test::SetUp();
        put_picture("textures/back.bmp", 64, 64);
        put_picture("textures/tall.bmp", 256, 512);
        put_picture("textures/small.bmp", 128, 64);
    }
};

TEST_F(credits_test, column_holds_every_image_up_to_the_first_missing_one)
{
    start_show(1024, 768);
    credits *show = make(timing(100, 2, 3) +
                         "string image0_texture = \"textures/small\"; vec2 image0_origin = [300 100];"
                         "string image1_texture = \"textures/tall\"; vec2 image1_origin = [200 40];"
                         "string image3_texture = \"textures/tall\"; vec2 image3_origin = [0 0];");
    ASSERT_NE(show, nullptr);
    ASSERT_EQ(show->image_count(), 2) << "image3 is not reached past the missing image2";
    EXPECT_EQ(show->image_rect(0), rect(300, 100, 428, 164));
    EXPECT_EQ(show->image_rect(1), rect(200, 40, 456, 552));
    EXPECT_EQ(show->column(), rect(200, 40, 456, 552));
}

// Two 512-high images one under the other make a column 1024 high: on a 768-high screen the
// scroll lasts (1024 + 768) / speed seconds between the pauses. Without images the column is
// empty and the scroll lasts 768 / speed.
TEST_F(credits_test, timing_runs_from_the_first_tick)
{
    struct case_s
    {
        const char *images;
        float scroll;
    };
    const case_s cases[] = {
        {"string image0_texture = \"textures/tall\"; vec2 image0_origin = [0 0];"
         "string image1_texture = \"textures/tall\"; vec2 image1_origin = [0 512];",
         (1024.0f + 768.0f) / 100.0f},
        {"", 768.0f / 100.0f},
    };
    start_show(1024, 768);
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.images);
        credits *show = make(timing(100, 2, 3) + c.images);
        ASSERT_NE(show, nullptr);
        EXPECT_EQ(show->offset(), -1.0f);
        const float start = 10.0f;
        struct step_s
        {
            float at;
            float offset;
            int running;
        };
        const step_s steps[] = {
            {start, -1.0f, 1},
            {start + 1.9f, -1.0f, 1},
            {start + 2.5f, 50.0f, 1},
            {start + 2.0f + c.scroll, c.scroll * 100.0f, 1},
            {start + 2.0f + c.scroll + 2.9f, c.scroll * 100.0f + 290.0f, 1},
            {start + 2.0f + c.scroll + 3.1f, -1.0f, 0},
            {start + 100.0f, -1.0f, 0},
        };
        for (const step_s &s : steps) {
            SCOPED_TRACE(s.at);
            show->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(s.at), MSG_ARG(0.02f), MSG_ARGS_END);
            EXPECT_NEAR(show->offset(), s.offset, 0.05f);
            EXPECT_EQ(show->running(), s.running);
            EXPECT_EQ(show->message(MSG_VAR(credits_running), 0, nullptr, MSG_ARGS_END), s.running);
        }
        show->shutdown_tree();
        root->collect_dead_children();
    }
}

// A speed of zero or less would scroll for ever (or backwards) and the program would never
// end: such a show scrolls nothing and ends after its two pauses.
TEST_F(credits_test, speed_that_cannot_scroll_leaves_only_the_pauses)
{
    start_show(1024, 768);
    for (float speed : {0.0f, -40.0f}) {
        SCOPED_TRACE(speed);
        credits *show = make(timing(speed, 2, 3) + "string image0_texture = \"textures/tall\"; vec2 image0_origin = [0 0];");
        ASSERT_NE(show, nullptr);
        for (float t : {0.5f, 3.0f, 5.4f}) {
            show->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(t), MSG_ARG(0.02f), MSG_ARGS_END);
            EXPECT_EQ(show->offset(), -1.0f) << t;
            EXPECT_EQ(show->running(), 1) << t;
        }
        show->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(5.6f), MSG_ARG(0.02f), MSG_ARGS_END);
        EXPECT_EQ(show->running(), 0);
        show->shutdown_tree();
        root->collect_dead_children();
    }
}

// Before the first tick and in the first pause the background alone covers the screen; from
// then on the images follow in their order, the column's top edge entering at the screen's
// bottom edge; in the last pause they lie above the screen.
TEST_F(credits_test, frames_draw_the_background_then_the_scrolling_images)
{
    start_show(800, 600);
    credits *show = make(timing(100, 2, 3) +
                         "string image0_texture = \"textures/small\"; vec2 image0_origin = [300 100];"
                         "string image1_texture = \"textures/tall\"; vec2 image1_origin = [200 164];");
    ASSERT_NE(show, nullptr);
    const std::string background = "0,0 800,600 uv 1,1 z 0";
    EXPECT_EQ(render_quads(), lines{background}) << "before the first tick";
    tick_at(1.0f);
    EXPECT_EQ(render_quads(), lines{background}) << "in pause";
    tick_at(3.0f); // offset 0: the column's top (y 100) at y 600
    EXPECT_EQ(render_quads(), (lines{background, "300,600 428,664 uv 1,1 z 0", "200,664 456,1176 uv 1,1 z 0"}));
    tick_at(8.0f); // offset 500
    EXPECT_EQ(render_quads(), (lines{background, "300,100 428,164 uv 1,1 z 0", "200,164 456,676 uv 1,1 z 0"}));
    tick_at(3.0f + 11.76f + 1.0f); // out pause: the column has left over the top edge
    EXPECT_EQ(render_quads(), (lines{background, "300,-676 428,-612 uv 1,1 z 0", "200,-612 456,-100 uv 1,1 z 0"}));
    tick_at(3.0f + 11.76f + 3.1f); // ended
    EXPECT_EQ(render_quads(), lines{background});

    // The frame's state is put back: opaque, depth test and writes on.
    EXPECT_EQ(rs(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(rs(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(rs(D3DRS_ALPHABLENDENABLE), 0u);
}

TEST_F(credits_test, music_starts_at_the_first_tick_and_everything_goes_at_shutdown)
{
    start_show(1024, 768);
    const int textures_before = child_count(mgr);
    credits *show = make(timing(100, 0, 0) + "string image0_texture = \"textures/small\"; vec2 image0_origin = [0 0];");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(sound_journal(), "");
    tick_at(1.0f);
    tick_at(2.0f);
    EXPECT_EQ(sound_journal(), "play sounds/music");
    render_quads();
    show->shutdown_tree();
    root->collect_dead_children();
    EXPECT_EQ(sound_journal(), "release sounds/music");
    EXPECT_EQ(child_count(mgr), textures_before) << "the textures are given back";
}

TEST_F(credits_test, missing_attributes_and_resources_are_refused)
{
    start_show(1024, 768);
    struct case_s
    {
        std::string attributes;
        std::string error;
    };
    const std::string music = "string background_music = \"sounds/music\";";
    const std::string back = "string background_texture = \"textures/back\";";
    const case_s cases[] = {
        {"float in_pause = 1; float out_pause = 1;" + music + back,
         "Could not find required attribute 'slide_speed'"},
        {"float slide_speed = 1; float in_pause = 1; float out_pause = 1;" + back,
         "Could not find required attribute 'background_music'"},
        {timing(1, 1, 1) + "string image0_texture = \"textures/small\";",
         "Could not find required attribute 'image0_origin'"},
        {timing(1, 1, 1) + "string image0_texture = \"textures/none\"; vec2 image0_origin = [0 0];",
         "Texture 'textures/none' not found"},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.attributes);
        const std::string error = thrown_text([&] { make(c.attributes); });
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        root->collect_dead_children();
    }
}

} // namespace
