// game_shots <demo data dir> <out dir> [clock rate]: the pictures of a whole game on this PC,
// played through the real program (bin/Vizuzuze beside this program) by scripted input under
// the X server of $DISPLAY (run it under xvfb-run). The game runs in a scratch copy of the data
// in which the right answer of every question reads as a long line and the wrong ones as a short
// word, and the computer players know nothing (intellect 0) and vote against the lowest
// account, so that the human, answering right, reaches the final and wins it. The window is
// saved every 0.4 seconds (real time) as <out dir>/<number>_<location>.png from the main menu to
// the winner's table; the human answers, chooses and votes as a user would.
#include "tools/driver/program_driver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using program_driver::box;
using program_driver::shot;

const char RIGHT_ANSWER[] = "\xC2\xE5\xF0\xED\xFB\xE9 \xEE\xF2\xE2\xE5\xF2, \xE8\xEC\xE5\xED\xED\xEE \xFD\xF2\xEE\xF2";
const char WRONG_ANSWER[] = "\xCD\xE5\xF2";

std::string read_file(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path &p, const std::string &text) { std::ofstream(p, std::ios::binary) << text; }

// The first answer line of each question (the right one) becomes RIGHT_ANSWER, the others WRONG_ANSWER.
void mark_right_answers(const fs::path &questions)
{
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
            out += role == 0 ? text.substr(at, end - at) : role == 1 ? RIGHT_ANSWER : WRONG_ANSWER;
            out += "\r\n";
            at = end + 2;
        }
        write_file(entry.path(), out);
    }
}

bool is_text(uint32_t c)
{
    const int r = int(c >> 16 & 255), g = int(c >> 8 & 255), b = int(c & 255);
    return (r >= 200 && g >= 200 && b >= 200) || (r >= 220 && g >= 150 && g <= 235 && b <= 90);
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
    auto near = [colour](uint32_t c) {
        for (int shift : {16, 8, 0})
            if (std::abs(int(c >> shift & 255) - int(colour >> shift & 255)) > 24)
                return false;
        return true;
    };
    return count_in(s, b, near) * 2 > b.w * b.h;
}

constexpr uint32_t ANSWER_FIELD = 0x222b55;
constexpr uint32_t EDIT_CELLS = 0xc0c0e0;

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: game_shots <demo data dir> <out dir> [clock rate]\n");
        return 2;
    }
    const double rate = argc > 3 ? std::atof(argv[3]) : 4.0;
    const fs::path out = fs::absolute(argv[2]);
    const fs::path program = fs::canonical("/proc/self/exe").parent_path() / "Vizuzuze";
    std::string pattern = (fs::temp_directory_path() / "game_shots_XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const fs::path dir = pattern;
    fs::copy(argv[1], dir / "data", fs::copy_options::recursive);
    fs::create_directories(out);
    mark_right_answers(dir / "data" / "questions");
    const fs::path players = dir / "data" / "scripts" / "players.isc";
    write_file(players, std::regex_replace(std::regex_replace(read_file(players), std::regex("int intellect = [0-9]+;"),
                                                              "int intellect = 0;"),
                                           std::regex("int character = [0-9]+;"), "int character = 1;"));
    const std::string scripts = (dir / "data" / "scripts").string();
    auto control = [&](const char *screen, const char *name) {
        box b;
        program_driver::control_box(scripts + "/" + screen, name, b);
        return b;
    };
    auto cells = [](const box &e) { return box{e.x + 8, e.y + 6, 40, 12}; };
    box items[7];
    for (int i = 1; i <= 6; ++i)
        program_driver::control_attribute_box(scripts + "/screen_game.isc", "answer_menu", "item_rect_" + std::to_string(i),
                                              items[i]);

    program_driver::driver_c game(dir.string());
    if (!game.start(program.string(), {"-datadir", "data"}, rate, {"HOME=" + dir.string()})) {
        std::fprintf(stderr, "game_shots: %s\n", game.error().c_str());
        return 1;
    }
    auto click = [&](const box &b) {
        game.click(b);
        game.move(1010, 400);
    };
    auto studio = [&] {
        const std::string log = game.log();
        const size_t at = log.rfind("Location '");
        return at == std::string::npos ? std::string("start") : log.substr(at + 10, log.find('\'', at + 10) - at - 10);
    };
    int number = 0;
    shot s;
    auto keep = [&](const char *what) {
        char name[96];
        std::snprintf(name, sizeof name, "%04d_%s%s.png", ++number, studio().c_str(), what);
        program_driver::save_png((out / name).string(), s);
    };
    game.wait_log("Location 'menu_space'", 90);
    for (int k = 0; k < 20; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        if (game.grab(s))
            keep("");
    }
    size_t mark = game.log().size();
    for (int attempt = 0; attempt < 5 && game.wait_log("Location 'player_3'", 3, mark) == std::string::npos; ++attempt)
        click(control("screen_main.isc", "game"));
    for (int k = 0; k < 10; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        if (game.grab(s))
            keep("");
    }
    mark = game.log().size();
    for (int attempt = 0; attempt < 5 && game.wait_log("Location 'studio'", 3, mark) == std::string::npos; ++attempt)
        click(control("screen_command.isc", "start_game"));

    const fs::path store = dir / "config" / "Varnholt" / "Telvoran";
    const box field_gap = {40, 660, 940, 6};
    const box selector = cells(control("screen_game.isc", "player_name_edit"));
    const box vote = cells(control("screen_vote.isc", "player_name_edit"));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1500);
    int acted = 0;
    auto voted = std::chrono::steady_clock::now() - std::chrono::seconds(60);
    while (!fs::exists(store / "Hiscore") && game.running() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        if (!game.grab(s))
            continue;
        keep("");
        if (acted > 0) {
            --acted;
            continue;
        }
        // The opponent selector shows over an empty answer field: it comes first.
        if (mostly(s, selector, EDIT_CELLS)) {
            click(control("screen_game.isc", "select_opponent"));
            acted = 3;
        } else if (mostly(s, field_gap, ANSWER_FIELD)) {
            int texts[7] = {}, shown = 0, pick = 1;
            for (int i = 1; i <= 6; ++i) {
                texts[i] = count_in(s, items[i], is_text);
                shown += texts[i] >= 40 ? 1 : 0;
            }
            if (shown == 4)
                for (int i = 2; i <= 4; ++i)
                    if (texts[i] > texts[pick])
                        pick = i;
            if (shown == 4 || shown == 6) {
                click(items[pick]);
                acted = 3;
            }
        } else if (mostly(s, vote, EDIT_CELLS)) {
            // Once when the card appears, again only if it is still there 8 s later.
            if (std::chrono::steady_clock::now() > voted + std::chrono::seconds(8)) {
                click(control("screen_vote.isc", "vote_against"));
                voted = std::chrono::steady_clock::now();
            }
        }
    }
    for (int k = 0; k < 5 && game.grab(s); ++k) {
        keep("_end");
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    std::printf("game_shots: %d pictures in %s; %s\n", number, out.string().c_str(),
                fs::exists(store / "Hiscore") ? "the human won" : "no winner's table");
    game.kill();
    fs::remove_all(dir);
    return 0;
}
