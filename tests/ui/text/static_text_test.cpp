// Text visuals on the recording device with the font manager and a generated font strip whose
// glyphs are all 10 pixels wide and 12 high.
#include "tests/services/fonts/font_fixture.h"
#include "tests/ui/ui_fixture.h"
#include "ui/ui_text_static.h"

#include <limits>

namespace {

class ui_text_test : public font_fixture
{
protected:
    void SetUp() override
    {
        font_fixture::SetUp();
        start_fonts();
        put("fonts/even.bmp", strip_bmp(std::vector<int>(224, 10), 12));
    }
    attribute_list_c text_attrs(const char *text, rect r, int justify = 1 | 8, const char *name = nullptr)
    {
        attribute_list_c list = attrs({{"justify", value_c(justify)}, {"chars_color", value_c(vec3(255, 128, 0))},
                                       {"font_name", text_value("even")}, {"text", text_value(text)},
                                       {"screen_rect", value_c(r)}});
        if (name)
            add_attribute(nullptr, list, "name", text_value(name), 0);
        return list;
    }
    // The top-left corner of each placed character, from the quads' second vertex.
    static std::vector<std::string> corners(static_text *t)
    {
        std::vector<std::string> out;
        if (!t->vertex_buffer())
            return out;
        const auto &bytes = t->vertex_buffer()->bytes();
        for (int q = 0; q < t->char_count(); ++q) {
            unlit_vertex_s v;
            std::memcpy(&v, bytes.data() + (size_t(q) * 6 + 1) * sizeof v, sizeof v);
            out.push_back(vec_text(vec2(v.x, v.y)));
        }
        return out;
    }
    void draw_frame()
    {
        rec->clear_log();
        d3d->begin_scene();
        root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
        d3d->end_scene();
    }
};

} // namespace

TEST_F(ui_text_test, quads_follow_the_justification_and_stay_inside_the_rectangle)
{
    struct
    {
        const char *what;
        const char *text;
        int justify;
        std::vector<std::string> corners;
    } cases[] = {
        {"top left", "ab\ncd", 1 | 8, {"0,0", "10,0", "0,12", "10,12"}},
        {"centred both ways", "ab\ncd", 0, {"40,13", "50,13", "40,25", "50,25"}},
        {"bottom right", "ab\ncd", 4 | 0x20, {"80,26", "90,26", "80,38", "90,38"}},
        {"cut at the right edge", "abcdefghijkl", 1 | 8, {"0,0", "10,0", "20,0", "30,0", "40,0", "50,0", "60,0",
                                                          "70,0", "80,0", "90,0"}},
        {"empty lines make nothing", "\n", 1 | 8, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        attribute_list_c list = text_attrs(c.text, rect(0, 0, 100, 50), c.justify);
        static_text *t = new static_text(root, &list);
        t->build_geometry(vec2());
        EXPECT_EQ(corners(t), c.corners);
        t->shutdown_tree();
    }
}

TEST_F(ui_text_test, drawing_sets_the_font_texture_and_releases_the_quads_and_hidden_texts_only_build)
{
    attribute_list_c list = text_attrs("Hi there", rect(0, 0, 200, 20));
    static_text *t = new static_text(root, &list);
    EXPECT_EQ(t->text_color(), 0xFFFF8000u);
    draw_frame();
    std::vector<recording_call_s> draws = rec->calls(recording_call_e::draw);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].a, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[0].b, 16u) << "two triangles a character";
    EXPECT_EQ(t->vertex_buffer(), nullptr) << "released once drawn";
    const d3d_device_state_s &s = d3d->device()->state();
    EXPECT_EQ(s.textures[0], t->font()->texture()->attribute("handle")->get_ptr());
    EXPECT_EQ(s.stage[0][D3DTSS_ALPHAARG1], DWORD(D3DTA_TEXTURE));
    EXPECT_EQ(s.render[D3DRS_ALPHABLENDENABLE], 1u);
    EXPECT_EQ(s.stage[0][D3DTSS_MAGFILTER], D3DTEXF_POINT);

    t->set_visible(0);
    draw_frame();
    EXPECT_EQ(rec->count(recording_call_e::draw), 0u);
    EXPECT_EQ(t->char_count(), 8) << "a hidden text still builds";
}

TEST_F(ui_text_test, texts_are_set_and_read_by_name_only)
{
    attribute_list_c list = text_attrs("Hello world", rect(0, 0, 200, 20), 1 | 8, "title");
    static_text *t = new static_text(root, &list);
    auto send_text = [&](const char *name, const char *text) {
        return root->message(MSG_VAR(set_text), 0, nullptr, MSG_ARG(name), MSG_ARG(text), MSG_ARGS_END);
    };
    EXPECT_EQ(send_text("Title", "changed"), 0);
    EXPECT_STREQ(t->line_text(0), "Hello world");
    EXPECT_EQ(send_text("title", "Hello again\nsecond"), 1);
    EXPECT_EQ(t->line_count(), 2);

    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    char name[] = "title";
    root->message(MSG_VAR(get_text), 0, nullptr, MSG_ARG(name), MSG_ARG(buffer), MSG_ARG(5), MSG_ARGS_END);
    EXPECT_EQ(std::string(buffer, 6), "Hello#");

    attribute_list_c unnamed = text_attrs("x", rect(0, 0, 10, 10));
    static_text *anonymous = new static_text(root, &unnamed);
    EXPECT_EQ(send_text("", "y"), 0) << "a text without name is never addressed";
    EXPECT_STREQ(anonymous->line_text(0), "x");
}

TEST_F(ui_text_test, multi_static_text_flows_words_through_its_children)
{
    attribute_list_c panel_list = attrs({{"screen_rect", value_c(rect(100, 50, 600, 400))}});
    probe_visual_c *panel = new probe_visual_c(root, &panel_list);
    attribute_list_c list = attrs({{"static_nmb", value_c(3)}, {"name", text_value("question")},
                                   {"font_name", text_value("even")}, {"chars_color", value_c(vec3(1, 2, 3))},
                                   {"static_rect_1", value_c(rect(0, 0, 200, 20))},
                                   {"static_rect_2", value_c(rect(0, 20, 200, 40))},
                                   {"static_rect_3", value_c(rect(0, 40, 200, 60))}});
    multi_static_text *group = new multi_static_text(panel, &list);
    ASSERT_EQ(group->static_count(), 3);
    EXPECT_EQ(rect_text(group->child(1)->screen_rect()), "100,70,300,90") << "laid out under the panel";

    // 20 characters fit a child of 200 pixels.
    const char *paragraph = "one two three four five six seven eight nine ten eleven twelve thirteen";
    EXPECT_EQ(root->message(MSG_VAR(set_text), 0, nullptr, MSG_ARG(text_value("question")), MSG_ARG(paragraph),
                            MSG_ARGS_END),
              1);
    EXPECT_STREQ(group->child(0)->line_text(0), "one two three four ");
    EXPECT_STREQ(group->child(1)->line_text(0), "five six seven ");
    EXPECT_STREQ(group->child(2)->line_text(0), "eight nine ten ");

    // A word wider than a child leaves it empty and the next one gets the same rest.
    const char *wide = "antidisestablishmentarianism";
    root->message(MSG_VAR(set_text), 0, nullptr, MSG_ARG(text_value("question")), MSG_ARG(wide), MSG_ARGS_END);
    for (int i = 0; i < 3; ++i)
        EXPECT_STREQ(group->child(i)->line_text(0), "");

    // set_text_limited on one child: all fits, or the rest.
    const char *rest = nullptr;
    const char *short_text = "all of it";
    group->child(0)->message(MSG_VAR(set_text_limited), 1, nullptr, MSG_ARG(short_text), MSG_ARG((void *)&rest),
                             MSG_ARGS_END);
    EXPECT_EQ(rest, short_text + 9);
    EXPECT_STREQ(group->child(0)->line_text(0), "all of it");
}

TEST_F(ui_text_test, groups_of_more_than_ten_and_unreadable_fonts_are_refused_and_fonts_go_back)
{
    auto group_of = [&](int n) {
        attribute_list_c list = attrs({{"static_nmb", value_c(n)}, {"font_name", text_value("even")},
                                       {"chars_color", value_c(vec3(1, 2, 3))}});
        for (int i = 1; i <= n; ++i)
            add_attribute(nullptr, list, ("static_rect_" + std::to_string(i)).c_str(),
                          value_c(rect(0, float(i) * 20, 100, 20)), 0);
        return new multi_static_text(root, &list);
    };
    multi_static_text *ten = group_of(10);
    EXPECT_EQ(ten->static_count(), 10);
    EXPECT_EQ(root->message(MSG_VAR(set_text), 0, nullptr, MSG_ARG(text_value("static_3")), MSG_ARG(text_value("x")),
                            MSG_ARGS_END),
              1)
        << "a group without name passes set_text on to its children";
    EXPECT_STREQ(ten->child(2)->line_text(0), "x");
    EXPECT_EQ(thrown_text([&] { group_of(11); }),
              "Debug assertion failed! Expression: \"m_static_nmb <= MAX_STATIC_NMB\"");

    font_resource_c *font = ten->child(0)->font();
    EXPECT_EQ(font->ref_count(), 10);
    ten->shutdown_tree();
    EXPECT_FALSE(font->alive()) << "every text gave its font back";

    attribute_list_c unknown = text_attrs("x", rect(0, 0, 10, 10));
    set_attribute_by_id(unknown, string_to_id("font_name"), text_value("missing"));
    EXPECT_EQ(thrown_text([&] { new static_text(root, &unknown); }), "Error loading bitmap font 'missing'")
        << "the font manager's own error reaches the script";
}

TEST(ui_vis_text, colour_components_are_truncated_and_what_no_byte_holds_saturates)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct
    {
        vec3 rgb;
        unsigned expected;
    } cases[] = {
        {vec3(255, 128, 0), 0xFFFF8000u},
        {vec3(12.9f, 0.5f, 254.99f), 0xFF0C00FEu},
        {vec3(256, -1, 300), 0xFFFF00FFu},
        {vec3(nan, 7, nan), 0xFF000700u},
        {vec3(1e30f, -1e30f, inf), 0xFFFF00FFu},
        {vec3(-inf, 3e9f, -0.5f), 0xFF00FF00u},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ui_vis_text_c::color_of(c.rgb), c.expected)
            << std::hex << c.expected << " from " << c.rgb.x << " " << c.rgb.y << " " << c.rgb.z;
}
