#include "tools/driver/scripted_player.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

namespace program_driver {

namespace {

namespace fs = std::filesystem;

const char RIGHT_ANSWER[] = "\xC2\xE5\xF0\xED\xFB\xE9 \xEE\xF2\xE2\xE5\xF2: \xE8\xEC\xE5\xED\xED\xEE "
                            "\xFD\xF2\xEE\xF2, \xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9"; // a long line
const char WRONG_ANSWER[] = "\xCD\xE5\xF2";                                             // a short word

constexpr uint32_t ANSWER_FIELD = 0x222b55; // game_field under the answers
constexpr uint32_t EDIT_CELLS = 0xc0c0e0;   // ui_edit, the cells of an edit field
// A panel still shown this long after its click was not taken: it is clicked again.
constexpr double CLICK_AGAIN = 8.0;
// A question still shown this long after its click is clicked again.
constexpr double ANSWER_AGAIN = 3.0;

std::string read_file(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path &p, const std::string &text) { std::ofstream(p, std::ios::binary) << text; }

// Pixels of text: the menus' white letters and their highlight (orange).
bool is_text(uint32_t c)
{
    const int r = int(c >> 16 & 255), g = int(c >> 8 & 255), b = int(c & 255);
    return (r >= 200 && g >= 200 && b >= 200) || (r >= 220 && g >= 150 && g <= 235 && b <= 90);
}

bool near(uint32_t c, uint32_t want, int tolerance)
{
    for (int shift : {16, 8, 0})
        if (std::abs(int(c >> shift & 255) - int(want >> shift & 255)) > tolerance)
            return false;
    return true;
}

int count_in(const shot &s, const box &b, const std::function<bool(uint32_t)> &what)
{
    int n = 0;
    for (int y = b.y; y < b.y + b.h && y < s.height; ++y)
        for (int x = b.x; x < b.x + b.w && x < s.width; ++x)
            n += what(s.at(x, y)) ? 1 : 0;
    return n;
}

// Whether most of the box shows the colour (a panel's texture, an edit field's cells).
bool mostly(const shot &s, const box &b, uint32_t colour)
{
    return count_in(s, b, [colour](uint32_t c) { return near(c, colour, 24); }) * 2 > b.w * b.h;
}

// A strip of an edit field's cells above its text (the text is centred in the field).
box cells_of(const box &edit) { return {edit.x + 8, edit.y + 1, 40, 5}; }

} // namespace

int mark_right_answers(const std::string &questions)
{
    int files = 0;
    for (const auto &entry : fs::recursive_directory_iterator(questions)) {
        if (entry.path().extension() != ".txt")
            continue;
        const std::string text = read_file(entry.path());
        std::string out;
        size_t at = 0;
        // A title line, then groups of five: the question and its answers, the right one first.
        for (int line = 0; at < text.size(); ++line) {
            size_t end = text.find("\r\n", at);
            if (end == std::string::npos)
                end = text.size();
            const int role = line == 0 ? 0 : (line - 1) % 5;
            out += role == 0 ? text.substr(at, end - at) : role == 1 ? RIGHT_ANSWER : WRONG_ANSWER;
            out += "\r\n";
            at = end + 2;
        }
        write_file(entry.path(), out);
        ++files;
    }
    return files;
}

int weaken_computer_players(const std::string &players)
{
    std::string text = read_file(players);
    const std::regex intellect("int intellect = [0-9]+;"), character("int character = [0-9]+;");
    const auto count = std::distance(std::sregex_iterator(text.begin(), text.end(), intellect), std::sregex_iterator());
    text = std::regex_replace(text, intellect, "int intellect = 0;");
    text = std::regex_replace(text, character, "int character = 1;");
    write_file(players, text);
    return (int)count;
}

std::vector<score_entry> read_score_table(const std::string &file)
{
    const std::string bytes = read_file(file);
    std::vector<score_entry> out;
    if (bytes.size() < 4)
        return out;
    int32_t count = 0;
    std::memcpy(&count, bytes.data(), 4);
    for (int32_t i = 0; i < count && 4 + (size_t)(i + 1) * 164 <= bytes.size(); ++i) {
        const char *e = bytes.data() + 4 + (size_t)i * 164;
        score_entry t;
        t.name.assign(e, strnlen(e, 128));
        std::memcpy(&t.score, e + 136, 4);
        out.push_back(t);
    }
    return out;
}

scripted_player_c::scripted_player_c(driver_c &program, std::string scripts)
    : m_program(program), m_scripts(std::move(scripts)), m_field_gap{40, 660, 940, 6},
      m_vote_done(clock_type::now()), m_chosen(m_vote_done), m_answered(m_vote_done)
{
    // The question (or the prompt of a choice) above the answers tells one step from the next,
    // where the answers themselves read alike and change colour when chosen.
    if (!control_attribute_box(m_scripts + "/screen_game.isc", "question_multi_static", "static_rect_1",
                               m_question_text)) {
        // The text has no rectangle of its own in the script (its panel places it): its three
        // lines end a little above the answers.
        const box first = answer_item(1);
        m_question_text = {first.x, first.y - 86, 720, 0};
    }
    m_question_text.h = 3 * 24;
    const char *cards[] = {"player_name_edit", "character_edit", "health_edit"};
    for (int i = 0; i < 3; ++i) {
        m_selector_cells[i] = cells_of(control("screen_game.isc", cards[i]));
        m_vote_cells[i] = cells_of(control("screen_vote.isc", cards[i]));
    }
}

box scripted_player_c::control(const char *screen, const char *name) const
{
    box b;
    control_box(m_scripts + "/" + screen, name, b);
    return b;
}

box scripted_player_c::answer_item(int i) const
{
    box b;
    control_attribute_box(m_scripts + "/screen_game.isc", "answer_menu", "item_rect_" + std::to_string(i), b);
    return b;
}

void scripted_player_c::click(const box &b)
{
    m_program.click(b);
    m_program.move(1010, 400);
}

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
        for (int i = 1; i <= 6; ++i) {
            texts[i] = count_in(s, answer_item(i), is_text);
            items += texts[i] >= 40 ? 1 : 0;
        }
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
        int pick = 1;
        if (items == 4)
            for (int i = 2; i <= 4; ++i)
                if (texts[i] > texts[pick])
                    pick = i;
        if (!again)
            ++(items == 6 ? topics : answers);
        click(answer_item(pick));
        this->seen += ", clicked item " + std::to_string(pick);
        return true;
    }
    // A card and its button: clicked when the card appears, and again when it is still there a
    // while after the click (the click came before the program took it).
    const auto card = [&](const box(&cells)[3], bool &was_shown, clock_type::time_point &clicked, const char *screen,
                          const char *button, int &count) {
        const bool shown =
            mostly(s, cells[0], EDIT_CELLS) && mostly(s, cells[1], EDIT_CELLS) && mostly(s, cells[2], EDIT_CELLS);
        const bool appeared = shown && !was_shown;
        was_shown = shown;
        if (!shown || !(appeared || since(clicked) > CLICK_AGAIN))
            return false;
        click(control(screen, button));
        ++count;
        clicked = clock_type::now();
        this->seen += std::string(", clicked ") + button;
        return true;
    };
    if (!card(m_selector_cells, m_selector_shown, m_chosen, "screen_game.isc", "select_opponent", opponents))
        card(m_vote_cells, m_vote_shown, m_vote_done, "screen_vote.isc", "vote_against", votes);
    return true;
}

} // namespace program_driver
