// The splash dispatcher: the video in the middle of the screen, then the splash picture for a
// while, then the main menu; and the project's splash script with a real video to its end.
#include "game/splash_dispatcher.h"
#include "tests/game/dispatchers/show_fixture.h"

namespace {

using lines = std::vector<std::string>;

class splash_test : public show_test
{
protected:
    void SetUp() override
    {
        show_test::SetUp();
        put_picture("textures/still.bmp", 64, 64);
        put_picture("textures/picture.bmp", 128, 128);
        put_source("tests/importers/fixtures/solid3.m1v", "textures/video.m1v");
    }
    // A dispatcher whose video is held paused, so that it never ends by itself (the tests send
    // video_finished themselves); or whose video is `video`.
    splash_dispatcher *make(float wait_time = 2.0f, const char *leave_out = "", const char *video = nullptr)
    {
        attribute_list_c list;
        const std::pair<const char *, value_c> items[] = {
            {"video", value_c(video ? video : "textures/video", value_c::STRING)},
            {"background_music", value_c("sounds/intro_music", value_c::STRING)},
            {"splash", value_c("textures/picture", value_c::STRING)},
            {"wait_time", value_c(wait_time)},
        };
        for (const auto &item : items)
            if (std::string(item.first) != leave_out)
                add_attribute(nullptr, list, item.first, item.second, 0);
        splash_dispatcher *splash = new splash_dispatcher(root, &list);
        if (!video) {
            texture_resource_c *shared = load("textures/video");
            shared->message(MSG_VAR(texture_mpeg_pause), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
            release_res(shared);
        }
        return splash;
    }
    bool splash_alive()
    {
        for (abstract_c *c = root->first_child(); c; c = c->next_sibling())
            if (dynamic_cast<splash_dispatcher *>(c) && c->alive())
                return true;
        return false;
    }
    int video_finished() { return root->message(MSG_VAR(video_finished), 0, nullptr, MSG_ARGS_END); }
};

TEST_F(splash_test, video_plays_in_the_middle_of_the_screen_with_the_pointer_hidden)
{
    struct case_s
    {
        int width, height;
        const char *quad;
    };
    const case_s cases[] = {
        {1024, 768, "256,128 768,640 uv 1,1 z 1"},
        {800, 600, "144,44 656,556 uv 1,1 z 1"},
        {400, 300, "-56,-106 456,406 uv 1,1 z 1"}, // narrower than the video: off the left edge
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.quad);
        start_show(c.width, c.height);
        splash_dispatcher *splash = make();
        EXPECT_EQ(listener->take(), "cursor_show(INT:0)");
        EXPECT_EQ(sound_journal(), "play sounds/intro_music");
        EXPECT_EQ(render_quads(), lines{c.quad});
        EXPECT_EQ(rs(D3DRS_ZENABLE), 1u) << "depth test back on after the frame";
        splash->shutdown_tree();
        TearDown();
        SetUp();
    }
}

// The picture covers (0, 0)-(1024, 768) with the upper three quarters of its texture, on any
// screen: on 800 x 600 its right and lower parts lie off the screen.
TEST_F(splash_test, picture_follows_the_video_then_the_main_menu)
{
    start_show(800, 600);
    splash_dispatcher *splash = make(2.0f);
    listener->take();
    sound_journal();
    for (float t : {1.0f, 5.0f, 1000.0f}) {
        tick_at(t);
        EXPECT_EQ(listener->take(), "") << "no main menu while the video plays, at " << t;
    }
    EXPECT_EQ(splash->end_time(), -1.0f);
    tick_at(1001.0f);
    EXPECT_EQ(video_finished(), 1);
    EXPECT_FLOAT_EQ(splash->end_time(), 1003.0f);
    EXPECT_EQ(render_quads(), lines{"0,0 1024,768 uv 1,0.75 z 1"});

    tick_at(1002.0f);
    EXPECT_EQ(video_finished(), 1) << "a repeated end is still claimed";
    EXPECT_FLOAT_EQ(splash->end_time(), 1003.0f) << "but does not push the picture's end";
    tick_at(1003.0f);
    EXPECT_EQ(listener->take(), "");
    EXPECT_EQ(sound_journal(), "");
    tick_at(1003.02f);
    EXPECT_EQ(listener->take(), "load_screen(CONST_PCHAR:screen_main) cursor_show(INT:1)");
    EXPECT_FALSE(splash_alive()) << "the dispatcher is gone";
    EXPECT_EQ(sound_journal(), "release sounds/intro_music");
    tick_at(1004.0f);
    EXPECT_EQ(listener->take(), "") << "asked once";
}

// The main menu comes on the first tick past the moment the video ended plus the wait; a wait
// of 0 and a video ending before the first tick (common time 0) included.
TEST_F(splash_test, short_waits_end_on_the_next_later_tick)
{
    struct case_s
    {
        float wait;
        float video_end; // < 0: before any tick
        float quiet_tick, menu_tick;
    };
    const case_s cases[] = {
        {0.0f, 4.0f, 4.0f, 4.02f},
        {0.0f, -1.0f, 0.0f, 0.02f},
        {-3.0f, 4.0f, 1.0f, 4.02f},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.wait);
        SCOPED_TRACE(c.video_end);
        start_show(1024, 768);
        make(c.wait);
        if (c.video_end >= 0.0f)
            tick_at(c.video_end);
        video_finished();
        listener->take();
        if (c.quiet_tick >= c.video_end) {
            tick_at(c.quiet_tick);
            EXPECT_EQ(listener->take(), "");
        }
        tick_at(c.menu_tick);
        EXPECT_EQ(listener->take(), "load_screen(CONST_PCHAR:screen_main) cursor_show(INT:1)");
        TearDown();
        SetUp();
    }
}

// A still picture named as the video would never report an end: it stays as long as the
// picture after it, counted from the first tick.
TEST_F(splash_test, a_still_in_the_place_of_the_video_ends_after_the_wait)
{
    start_show(1024, 768);
    splash_dispatcher *splash = make(2.0f, "", "textures/still");
    listener->take();
    tick_at(10.0f);
    EXPECT_EQ(render_quads(), lines{"256,128 768,640 uv 1,1 z 1"}) << "the still where the video plays";
    tick_at(12.0f);
    EXPECT_EQ(splash->end_time(), -1.0f);
    tick_at(12.02f);
    EXPECT_FLOAT_EQ(splash->end_time(), 14.02f);
    EXPECT_EQ(render_quads(), lines{"0,0 1024,768 uv 1,0.75 z 1"});
    EXPECT_EQ(listener->take(), "");
    tick_at(14.04f);
    EXPECT_EQ(listener->take(), "load_screen(CONST_PCHAR:screen_main) cursor_show(INT:1)");
    EXPECT_FALSE(splash_alive());
}

TEST_F(splash_test, attributes_are_required_when_they_are_read)
{
    start_show(1024, 768);
    for (const char *name : {"video", "background_music"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(thrown_text([&] { make(2.0f, name); }),
                  std::string("Could not find required attribute '") + name + "'");
    }
    for (const char *name : {"splash", "wait_time"}) {
        SCOPED_TRACE(name);
        splash_dispatcher *splash = make(2.0f, name);
        EXPECT_EQ(thrown_text([&] { video_finished(); }), std::string("Could not find required attribute '") + name + "'");
        splash->shutdown_tree();
        root->collect_dead_children();
    }
}

// The project's splash script, as the UI starter runs it: the intro video plays to its end, the
// picture stays, then the main menu is asked for.
TEST_F(splash_test, project_splash_script_runs_to_the_main_menu)
{
    start_show(1024, 768);
    put_source("data/scripts/splash.isc", "scripts/splash.isc");
    put_source("tests/importers/fixtures/solid3.m1v", "textures/intro.m1v");
    put_picture("textures/splash.bmp", 64, 64);
    listener->m_names = {"video_finished", "load_screen"};
    run_script("scripts/splash.isc");
    EXPECT_EQ(sound_journal(), "play sounds/theme");
    float finished = -1.0f, menu = -1.0f;
    for (int i = 1; i <= 500 && menu < 0.0f; ++i) {
        const float now = 0.04f * (float)i;
        tick_at(now);
        render_quads();
        for (const std::string &heard : listener->heard)
            (heard == "video_finished()" ? finished : menu) = now;
        listener->heard.clear();
    }
    ASSERT_GT(finished, 0.0f);
    EXPECT_LT(finished, 1.0f) << "three pictures at 25 a second";
    ASSERT_GT(menu, finished + 1.0f) << "the picture stays a while";
    EXPECT_LT(menu, finished + 10.0f);
    EXPECT_EQ(sound_journal(), "release sounds/theme");
}

} // namespace
