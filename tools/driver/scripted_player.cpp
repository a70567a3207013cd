#include "tools/driver/scripted_player.h"

#include <vector>

namespace program_driver {

namespace {

constexpr uint32_t ANSWER_FIELD = 0x222b55; // game_field under the answers
constexpr uint32_t EDIT_CELLS = 0xc0c0e0;   // ui_edit, the cells of an edit field
// A panel still shown this long after its click was not taken: it is clicked again.
constexpr auto CLICK_AGAIN = std::chrono::seconds(8);
// A question still shown this long after its click is clicked again.
constexpr double ANSWER_AGAIN = 3.0;

box control_of(const std::string &scripts, const char *screen, const char *name)
{
    box b;
    control_box(scripts + "/" + screen, name, b);
    return b;
}

// A card of a screen, by strips of its edit fields' cells above their text (the text is centred
// in the field).
card_watch_c card_of(const std::string &scripts, const char *screen)
{
    std::vector<box> cells;
    for (const char *edit : {"player_name_edit", "character_edit", "health_edit"}) {
        const box e = control_of(scripts, screen, edit);
        cells.push_back({e.x + 8, e.y + 1, 40, 5});
    }
    return card_watch_c(cells, EDIT_CELLS, CLICK_AGAIN);
}

} // namespace

scripted_player_c::scripted_player_c(driver_c &program, std::string scripts)
    : m_program(program), m_scripts(std::move(scripts)), m_field_gap{40, 660, 940, 6},
      m_selector(card_of(m_scripts, "screen_game.isc")), m_vote(card_of(m_scripts, "screen_vote.isc")),
      m_answered(clock_type::now())
{
    for (int i = 1; i <= 6; ++i)
        control_attribute_box(m_scripts + "/screen_game.isc", "answer_menu", "item_rect_" + std::to_string(i),
                              m_items[i]);
    // The question (or the prompt of a choice) above the answers tells one step from the next,
    // where the answers themselves read alike and change colour when chosen.
    if (!control_attribute_box(m_scripts + "/screen_game.isc", "question_multi_static", "static_rect_1",
                               m_question_text)) {
        // The text has no rectangle of its own in the script (its panel places it): its three
        // lines end a little above the answers.
        const box &first = m_items[1];
        m_question_text = {first.x, first.y - 86, 720, 0};
    }
    m_question_text.h = 3 * 24;
}

box scripted_player_c::control(const char *screen, const char *name) const
{
    return control_of(m_scripts, screen, name);
}

void scripted_player_c::click(const box &b) { click_aside(m_program, b); }

bool scripted_player_c::step()
{
    shot s;
    if (!m_program.grab(s))
        return false;
    const auto since = [](clock_type::time_point t) {
        return std::chrono::duration<double>(clock_type::now() - t).count();
    };
    int texts[7] = {};
    int items = 0;
    uint64_t seen = 1469598103934665603ull; // what is written above the answers, hashed
    if (mostly(s, m_field_gap, ANSWER_FIELD)) {
        items = answers_shown(s, m_items, texts);
        const box &q = m_question_text;
        for (int y = q.y; y < q.y + q.h && y < s.height; ++y)
            for (int x = q.x; x < q.x + q.w && x < s.width; ++x)
                seen = (seen ^ (is_text(s.at(x, y)) ? (uint64_t)(y * 1024 + x) : 0)) * 1099511628211ull;
    }
    const bool stable = seen == m_last_seen;
    m_last_seen = seen;
    this->seen = "items " + std::to_string(items) + (stable ? " stable" : " changing");
    // A question still shown a while after its click: the click came before the program took
    // clicks (while the camera still moved to the player), or it was another PC's question.
    const bool again = seen == m_acted_on && since(m_answered) > ANSWER_AGAIN;
    if ((items == 4 || items == 6) && stable && (seen != m_acted_on || again)) {
        m_acted_on = seen;
        m_answered = clock_type::now();
        // The right answer is the long line; of topics, the first.
        const int pick = items == 4 ? answer_by_length(texts, true) : 1;
        if (!again)
            ++(items == 6 ? topics : answers);
        click(m_items[pick]);
        this->seen += ", clicked item " + std::to_string(pick);
        return true;
    }
    const auto act = [&](const char *screen, const char *button, int &count) {
        click(control(screen, button));
        ++count;
        this->seen += std::string(", clicked ") + button;
    };
    if (m_selector.due(s))
        act("screen_game.isc", "select_opponent", opponents);
    else if (m_vote.due(s))
        act("screen_vote.isc", "vote_against", votes);
    return true;
}

} // namespace program_driver
