// game_shots <demo data dir> <out dir> [clock rate]: the pictures of a whole game on this PC,
// played through the real program (bin/Vizuzuze beside this program) by scripted input under
// the X server of $DISPLAY (run it under xvfb-run). The game runs in a scratch copy of the data
// in which the right answer of every question reads as a long line and the wrong ones as a short
// word, and the computer players know nothing (intellect 0) and vote against the lowest
// account, so that the human, answering right, reaches the final and wins it. The window is
// saved every 0.4 seconds (real time) as <out dir>/<number>_<location>.png from the main menu to
// the winner's table; the human answers, chooses and votes as a user would. Then, past the
// winner's survey, the set-up and the single winner's credit window, its amount stepped below 0.
#include "tools/driver/program_driver.h"
#include "tools/driver/scripted_player.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using program_driver::box;
using program_driver::shot;

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
    program_driver::mark_right_answers((dir / "data" / "questions").string());
    program_driver::weaken_computer_players((dir / "data" / "scripts" / "players.isc").string());
    const std::string scripts = (dir / "data" / "scripts").string();
    auto control = [&](const char *screen, const char *name) {
        box b;
        program_driver::control_box(scripts + "/" + screen, name, b);
        return b;
    };

    program_driver::driver_c game(dir.string());
    if (!game.start(program.string(), {"-datadir", "data"}, rate, {"HOME=" + dir.string()})) {
        std::fprintf(stderr, "game_shots: %s\n", game.error().c_str());
        return 1;
    }
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
    program_driver::click_until_log(game, control("screen_main.isc", "game"), "Location 'player_3'");
    for (int k = 0; k < 10; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        if (game.grab(s))
            keep("");
    }
    program_driver::click_until_log(game, control("screen_command.isc", "start_game"), "Location 'studio'");

    const fs::path store = dir / "config" / "Varnholt" / "Telvoran";
    // The player answers, chooses and votes as the whole-game test's does: one look a step.
    program_driver::scripted_player_c player(game, scripts);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1500);
    while (!fs::exists(store / "Hiscore") && game.running() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        if (!game.grab(s))
            continue;
        keep("");
        player.step();
    }
    for (int k = 0; k < 5 && game.grab(s); ++k) {
        keep("_end");
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    // After the winner's table and his survey, the set-up again: its editor shows the winner's
    // seat, and "start_game" opens the single winner's credit window, which takes an amount.
    const size_t before_setup = game.log().size();
    for (int k = 0; k < 10 && fs::exists(store / "Hiscore") &&
                    game.wait_log("Location 'player_3'", 3, before_setup) == std::string::npos;
         ++k) {
        program_driver::click_aside(game, control("screen_hiscore.isc", "ok"));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        program_driver::click_aside(game, control("screen_survey.isc", "save_survey"));
    }
    if (game.log().find("Location 'player_3'", before_setup) != std::string::npos) {
        const auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
        pause(2000);
        if (game.grab(s))
            keep("_setup");
        program_driver::click_aside(game, control("screen_command.isc", "start_game"));
        pause(1500);
        if (game.grab(s))
            keep("_credit");
        // The amount's minus area (right of the field, its lower half) three times: a number
        // below 0, which the field shows whole and "ok" would book as 0.
        const box take = control("window_credit.isc", "take_edit");
        for (int k = 0; k < 3; ++k) {
            program_driver::click_aside(game, {take.x + 146, take.y + 14, 12, 8});
            pause(400);
        }
        if (game.grab(s))
            keep("_credit_below_0");
    }
    std::printf("game_shots: %d pictures in %s; %d answers, %d topics, %d opponents, %d votes; %s\n", number,
                out.string().c_str(), player.answers, player.topics, player.opponents, player.votes,
                fs::exists(store / "Hiscore") ? "the human won" : "no winner's table");
    game.kill();
    fs::remove_all(dir);
    return 0;
}
