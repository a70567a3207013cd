// Every screen script of the game's data laid out with the fonts the demo build makes: a label
// fits its rectangle, a button's label fits the button with room on both sides, and a field's
// text starts inside the frame, clear of its caps and of a list button, is vertically centred
// in the frame, and has room for every text the screen puts there (its list's entries, the
// screen's names for coded values, the longest number a number field holds, the caret mark).
// A text that does not fit is drawn cut or not at all, so each is a fault a player sees.
#include "game/prompts.h"
#include "tests/ui/game_screens/registry_fixture.h"
#include "ui/ui_button.h"
#include "ui/ui_edit.h"
#include "ui/ui_history_list.h"
#include "ui/ui_text_static.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Room between a button's label and its edges, and between a field's text area and its caps.
constexpr float BUTTON_MARGIN = 6.0f;
constexpr float FIELD_MARGIN = 2.0f;

class screen_layout_test : public stored_screen_test
{
protected:
    void SetUp() override
    {
        stored_screen_test::SetUp();
        // The demo build's font strips, in place of the fixture's even ones, and its pictures.
        const fs::path built = fs::path(ENGINE_BINARY_DIR) / "demo/data";
        for (const char *dir : {"fonts", "textures"})
            for (const fs::directory_entry &e : fs::directory_iterator(built / dir))
                if (e.is_regular_file() && e.path().extension() != ".m1v") {
                    const std::string bytes = fixture::read_file(e.path());
                    put(std::string(dir) + "/" + e.path().filename().string(),
                        std::vector<uint8_t>(bytes.begin(), bytes.end()));
                }
        for (const fs::directory_entry &e : fs::directory_iterator(fs::path(ENGINE_SOURCE_DIR) / "data/scripts")) {
            const std::string name = e.path().filename().string();
            if (e.path().extension() != ".isc" || name == "templates.isc")
                continue;
            put_source(("data/scripts/" + name).c_str(), ("scripts/" + name).c_str());
            if (name.rfind("screen_", 0) == 0)
                screens.push_back(e.path().stem().string());
        }
        std::sort(screens.begin(), screens.end());
        // The contestants' names, which the cards show whole.
        const std::string players = fixture::read_file(fs::path(ENGINE_SOURCE_DIR) / "data/scripts/players.isc");
        const std::regex name_attribute("string name = \"([^\"]*)\"");
        for (std::sregex_iterator i(players.begin(), players.end(), name_attribute), end; i != end; ++i)
            names.push_back((*i)[1]);
        ASSERT_FALSE(names.empty());
    }

    static std::string where(abstract_c *o)
    {
        std::string path;
        for (; o; o = o->parent()) {
            const value_c *name = o->alive() ? o->find_attribute("name") : nullptr;
            if (name && *name->get_const_pchar())
                path = std::string(name->get_const_pchar()) + (path.empty() ? "" : "/") + path;
        }
        return path;
    }
    static float width_of(ui_vis_text_c *t, const std::string &text)
    {
        return t->font() ? float(t->font()->text_width(text.c_str(), nullptr)) : 0.0f;
    }
    static float height(const rect &r) { return r.bottom - r.top; }
    static float width(const rect &r) { return r.right - r.left; }

    // The texts a screen gives an edit named "<p>_edit": its attributes "<p>1", "<p>2" ...
    static std::vector<std::string> coded_texts(abstract_c *screen, const std::string &edit_name)
    {
        std::vector<std::string> out;
        const size_t cut = edit_name.rfind("_edit");
        if (!screen || cut == std::string::npos || cut + 5 != edit_name.size())
            return out;
        const std::string property = edit_name.substr(0, cut);
        for (int i = 1;; ++i) {
            const value_c *v = screen->find_attribute((property + std::to_string(i)).c_str());
            if (!v)
                break;
            out.push_back(v->get_const_pchar());
        }
        return out;
    }

    void check_label(static_text *label, float margin)
    {
        const rect r = label->screen_rect();
        const float line_height = label->font() ? float(label->font()->char_height) : 0.0f;
        EXPECT_LE(line_height * float(std::max(1, label->line_count())), height(r))
            << where(label) << ": the line is higher than its rectangle";
        for (int i = 0; i < label->line_count(); ++i) {
            const std::string line = label->line_text(i);
            EXPECT_LE(width_of(label, line) + 2 * margin, width(r))
                << where(label) << ": \"" << line << "\" is wider than its rectangle";
        }
    }

    void check_field(edit *e, abstract_c *screen)
    {
        const rect frame = e->screen_rect();
        static_text *text = e->text_static();
        const rect area = text->screen_rect();
        const std::vector<multistate_image *> &pieces = e->frames();
        const float left_cap = pieces.size() > 1 ? width(pieces.front()->screen_rect()) : 0.0f;
        const float right_cap = pieces.size() > 1 ? width(pieces.back()->screen_rect()) : 0.0f;
        EXPECT_GE(area.left, frame.left + left_cap + FIELD_MARGIN) << where(e) << ": the text starts under the left cap";
        EXPECT_LE(area.right, frame.right - right_cap - FIELD_MARGIN) << where(e) << ": the text ends under the right cap";

        // The line as the font places it in the text area: centred vertically.
        const float line_height = text->font() ? float(text->font()->char_height) : 0.0f;
        const float top = float(int(area.top + area.bottom - line_height) >> 1);
        EXPECT_GE(top, frame.top) << where(e) << ": the text sticks out above the frame";
        EXPECT_LE(top + line_height, frame.bottom) << where(e) << ": the text sticks out below the frame";
        EXPECT_LE(std::fabs(top + line_height / 2 - (frame.top + frame.bottom) / 2), 1.0f)
            << where(e) << ": the text is not vertically centred in the frame";

        std::vector<std::string> texts{e->text()};
        const std::string own_name = where(e).substr(where(e).rfind('/') + 1);
        for (const std::string &t : coded_texts(screen, own_name))
            texts.push_back(t);
        if (own_name == "player_name_edit" || own_name == "voted_against_edit")
            texts.insert(texts.end(), names.begin(), names.end());
        if (dynamic_cast<numeric_edit *>(e))
            texts.push_back("-" + std::string(size_t(std::max(0, e->max_text() - 2)), '8'));
        if (auto *h = dynamic_cast<history_control *>(e->parent())) {
            for (int i = 1;; ++i) {
                const value_c *item = h->find_attribute(("hlist_item_" + std::to_string(i)).c_str());
                if (!item)
                    break;
                texts.push_back(item->get_const_pchar());
            }
            EXPECT_LE(area.right, h->button()->screen_rect().left - FIELD_MARGIN)
                << where(e) << ": the text runs under the list button";
        }
        for (const std::string &t : texts) {
            const std::string shown = t + (e->is_enabled() ? "|" : "");
            EXPECT_LE(width_of(text, shown), width(area))
                << where(e) << ": \"" << shown << "\" does not fit the field";
        }
    }

    void check_tree(abstract_c *o, abstract_c *screen)
    {
        for (abstract_c *c = o->first_child(); c; c = c->next_sibling()) {
            if (!c->alive())
                continue;
            if (auto *e = dynamic_cast<edit *>(c))
                check_field(e, screen);
            else if (auto *label = dynamic_cast<static_text *>(c))
                check_label(label, dynamic_cast<text_button *>(o) ? BUTTON_MARGIN : 0.0f);
            check_tree(c, screen);
        }
    }

    std::vector<std::string> screens;
    std::vector<std::string> names;
};

TEST_F(screen_layout_test, every_text_of_every_screen_fits_its_control)
{
    ASSERT_GE(screens.size(), 9u);
    for (const std::string &name : screens) {
        SCOPED_TRACE(name);
        ASSERT_EQ(thrown([&] { load(name.c_str()); }), "");
        const std::vector<abstract_c *> live = live_below_container();
        ASSERT_FALSE(live.empty());
        for (abstract_c *screen : live)
            check_tree(screen, screen);
        load("");
    }
}

} // namespace

// The vote's prompt names the voter: with the longest of the contestants' names it still flows
// whole into the vote screen's prompt lines.
TEST_F(screen_layout_test, the_vote_prompt_is_shown_whole)
{
    recorder->hints = 1;
    load("screen_vote");
    const std::string voter = *std::max_element(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return a.size() < b.size();
    });
    const std::string prompt = vote_prompt(voter.c_str());
    send("set_hint", value_c(prompt.c_str(), value_c::STRING));
    const multi_static_text *lines = find<multi_static_text>("hint_line");
    ASSERT_NE(lines, nullptr);
    std::string shown;
    for (int i = 0; i < lines->static_count(); ++i)
        for (int k = 0; k < lines->child(i)->line_count(); ++k) {
            std::string line = lines->child(i)->line_text(k);
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            shown += (shown.empty() ? "" : " ") + line;
        }
    EXPECT_EQ(shown, prompt);
}
