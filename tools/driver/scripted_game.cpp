#include "tools/driver/scripted_game.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace program_driver {

namespace {

namespace fs = std::filesystem;

const char WRONG_ANSWER[] = "\xCD\xE5\xF2"; // a short word

std::string read_file(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path &p, const std::string &text) { std::ofstream(p, std::ios::binary) << text; }

} // namespace

const char LONG_RIGHT_ANSWER[] = "\xC2\xE5\xF0\xED\xFB\xE9 \xEE\xF2\xE2\xE5\xF2: \xE8\xEC\xE5\xED\xED\xEE "
                                 "\xFD\xF2\xEE\xF2, \xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9";

int mark_right_answers(const std::string &questions, const char *right_answer)
{
    int files = 0;
    for (const auto &entry : fs::recursive_directory_iterator(questions)) {
        if (entry.path().extension() != ".txt")
            continue;
        const std::string text = read_file(entry.path());
        std::string out;
        size_t at = 0;
        for (int line = 0; at < text.size(); ++line) {
            size_t end = text.find("\r\n", at);
            if (end == std::string::npos)
                end = text.size();
            const int role = line == 0 ? 0 : (line - 1) % 5;
            out += role == 0 ? text.substr(at, end - at) : role == 1 ? right_answer : WRONG_ANSWER;
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
        std::memcpy(&t.age, e + 156, 4);
        out.push_back(t);
    }
    return out;
}

std::string log_digest(const std::string &log)
{
    static const char *const resource_lines[] = {"Geometry '", "Texture '", "Shadow tree created", "Font '",
                                                 "Sound '", "Animation '", "Skeleton '"};
    std::string out;
    size_t at = 0;
    while (at < log.size()) {
        size_t end = log.find('\n', at);
        end = end == std::string::npos ? log.size() : end + 1;
        bool keep = true;
        for (const char *prefix : resource_lines)
            if (log.compare(at, std::strlen(prefix), prefix) == 0)
                keep = false;
        if (keep)
            out.append(log, at, end - at);
        at = end;
    }
    return out;
}

void click_aside(driver_c &program, const box &b)
{
    program.click(b);
    program.move(1010, 400);
}

size_t click_until_log(driver_c &program, const box &b, const std::string &text, int tries)
{
    const size_t mark = program.log().size();
    size_t at = std::string::npos;
    for (int attempt = 0; attempt < tries && (at = program.wait_log(text, 3, mark)) == std::string::npos; ++attempt)
        click_aside(program, b);
    return at;
}

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

bool mostly(const shot &s, const box &b, uint32_t colour)
{
    return count_in(s, b, [colour](uint32_t c) { return near(c, colour, 24); }) * 2 > b.w * b.h;
}

int answers_shown(const shot &s, const box (&items)[7], int (&texts)[7])
{
    int shown = 0;
    texts[0] = 0;
    for (int i = 1; i <= 6; ++i) {
        texts[i] = count_in(s, items[i], is_text);
        shown += texts[i] >= 40 ? 1 : 0;
    }
    return shown;
}

int answer_by_length(const int (&texts)[7], bool longest)
{
    int pick = 1;
    for (int i = 2; i <= 4; ++i)
        if (longest ? texts[i] > texts[pick] : texts[i] < texts[pick])
            pick = i;
    return pick;
}

card_watch_c::card_watch_c(std::vector<box> cells, uint32_t colour, clock_type::duration again)
    : m_cells(std::move(cells)), m_colour(colour), m_again(again)
{
}

bool card_watch_c::due(const shot &s)
{
    bool shown = true;
    for (const box &b : m_cells)
        shown = shown && mostly(s, b, m_colour);
    const bool appeared = shown && !m_shown;
    m_shown = shown;
    if (!shown || (!appeared && clock_type::now() - m_acted < m_again))
        return false;
    m_acted = clock_type::now();
    return true;
}

} // namespace program_driver
