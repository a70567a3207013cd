// The loading picture of a round: the container makes it in place of the live screen; it
// loads the location only on the first tick after it was drawn, then gives way to the game
// screen and reports the loaded location.
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "ui/ui_screen_location.h"
#include "ui/ui_vis_image.h"

#include "tools/imagegen/show_textures.h"

#include <algorithm>

namespace {

using lines = std::vector<std::string>;

class location_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        put("textures/rounds/round1.tga", imagegen::make_tga(imagegen::picture(64, 64, 0x204080), 24));
        put_script("screen_old", "create screen_clean { string name = \"old\"; };\n");
        put_script("screen_game", "create screen_clean { string name = \"game\"; };\n");
        recorder->heard_names = {"cursor_show", "free_location", "load_location", "load_final_location",
                                 "load_screen"};
    }
    int loading(const char *message, const char *location)
    {
        return send(message, value_c("round1", value_c::STRING), value_c(location, value_c::STRING));
    }
    std::string live_screen_name() const
    {
        std::string names;
        for (abstract_c *c : live_below_container())
            if (const value_c *name = c->find_attribute("name"))
                names += std::string(names.empty() ? "" : " ") + name->get_const_pchar();
            else
                names += std::string(names.empty() ? "" : " ") + "(unnamed)";
        return names;
    }
};

TEST_F(location_test, the_picture_replaces_the_screen_and_loads_the_round_after_one_frame)
{
    const struct
    {
        const char *message, *load;
    } cases[] = {{"set_screen_loading", "load_location studio"},
                 {"set_final_screen_loading", "load_final_location studio"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        load("screen_old");
        take_heard();
        ASSERT_EQ(loading(c.message, "studio"), 1);
        EXPECT_EQ(live_screen_name(), "(unnamed)") << "the old screen is gone";
        ui_location_c *picture = live_child_of_container<ui_location_c>();
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->final_location(), c.message[4] == 'f');
        auto *image = dynamic_cast<multistate_image *>(picture->first_child());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->texture_path(), "textures/rounds/round1");
        EXPECT_EQ(rect_text(image->screen_rect()), "0,0,1024,768");
        EXPECT_EQ(take_heard(), (lines{"cursor_show 0", "free_location"}));

        // Not in the frame in which it was made: ticks before the first render do nothing.
        tick_by(1.0, 0.02);
        tick_by(1.02, 0.02);
        EXPECT_TRUE(take_heard().empty());
        render();
        EXPECT_TRUE(picture->drawn());
        EXPECT_TRUE(take_heard().empty());
        tick_by(1.04, 0.02);
        EXPECT_EQ(take_heard(), (lines{c.load, "cursor_show 1", "load_screen screen_game"}));
        EXPECT_FALSE(picture->alive());
        EXPECT_FALSE(image->alive());
        EXPECT_EQ(live_screen_name(), "game");
        // Dead, it never loads again.
        render();
        tick_by(1.06, 0.02);
        EXPECT_TRUE(take_heard().empty());
        root->collect_dead_children();
    }
}

TEST_F(location_test, a_location_name_keeps_its_first_127_bytes)
{
    const std::string long_name(300, 'L');
    for (size_t length : {size_t(0), size_t(127), size_t(128), size_t(300)}) {
        SCOPED_TRACE(length);
        loading("set_screen_loading", long_name.substr(0, length).c_str());
        ui_location_c *picture = live_child_of_container<ui_location_c>();
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(std::string(picture->location_name()), long_name.substr(0, std::min<size_t>(length, 127)));
        send("kill_screen");
        picture->shutdown_tree();
    }
}

TEST_F(location_test, a_missing_round_picture_fails_as_the_texture_manager_does)
{
    EXPECT_NE(thrown([&] {
                  send("set_screen_loading", value_c("no_such_round", value_c::STRING),
                       value_c("studio", value_c::STRING));
              }).find("rounds/no_such_round"),
              std::string::npos);
}

// The round plan's loading pictures "round1" .. "round8", as the demo data's generator makes
// them under the name the picture is loaded by: each a texture the device takes (sides a
// power of two, the screen's 1024 x 768 within it), no two alike.
TEST(round_pictures, the_generator_makes_a_distinct_loading_picture_for_every_round)
{
    const std::vector<imagegen::ui_texture> made =
        imagegen::make_show_textures("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    std::vector<const imagegen::picture *> rounds;
    for (int k = 1; k <= 8; ++k) {
        const std::string name = "rounds/round" + std::to_string(k);
        const auto found = std::find_if(made.begin(), made.end(), [&](const imagegen::ui_texture &t) { return t.name == name; });
        ASSERT_NE(found, made.end()) << name;
        EXPECT_EQ(found->pic.width, 1024) << name;
        EXPECT_EQ(found->pic.height, 1024) << name;
        rounds.push_back(&found->pic);
    }
    for (size_t a = 0; a < rounds.size(); ++a)
        for (size_t b = a + 1; b < rounds.size(); ++b)
            EXPECT_NE(rounds[a]->rgba, rounds[b]->rgba) << "round" << a + 1 << " and round" << b + 1;
}

} // namespace
