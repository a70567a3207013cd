// Launch to the first drawn frame: the game (bench_startup_game: Vizuzuze with an object that
// notes the first frame and ends the program) against a minimal SDL2 + OpenGL program that
// clears and presents one frame and opens SDL's audio as the game does for its music
// (bench_startup_ref). Each is started as a new process in a directory holding the demo data (the build's demo/data) with the source's initial script, so
// that the game's first frame is the first frame of whatever the program starts into; the time
// runs from the start of the process to the moment right after the first frame was presented,
// and on to the end of the process (which includes closing the sound device). The processor time each process took (user and
// system, all its threads) is reported too: unlike the clock it hardly depends on what else the
// machine runs. Needs a display (run_all.sh starts Xvfb when there is none).
#include "bench/core/bench_util.h"

#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

using namespace bench;

struct run_s
{
    double first_frame;
    double exit;
    double cpu;
};

run_s launch(const char *program, const fs::path &dir)
{
    child_s child;
    try {
        child = spawn_piped({program, "-datadir", "data"}, dir);
    } catch (const std::exception &) {
        std::fprintf(stderr, "bench_startup: cannot start %s\n", program);
        std::exit(1);
    }
    std::string printed;
    char buf[256];
    for (ssize_t n; (n = read(child.output, buf, sizeof buf)) > 0;)
        printed.append(buf, size_t(n));
    close(child.output);
    int status = 0;
    rusage usage{};
    wait4(child.pid, &status, 0, &usage);
    const double start = child.started, end = monotonic_seconds();
    const size_t at = printed.find("first frame ");
    if (at == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_startup: %s drew no frame (exit status %d); see console.log in %s\n", program,
                     status, dir.c_str());
        std::exit(1);
    }
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return {std::strtod(printed.c_str() + at + 12, nullptr) - start, end - start,
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

} // namespace

int main()
{
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_startup: needs a display (DISPLAY is not set)\n");
        return 1;
    }
    scratch_dir dir("startup");
    const fs::path scripts = fs::path(ENGINE_SOURCE_DIR) / "data" / "scripts";
    const fs::path demo = fs::path(ENGINE_BINARY_DIR) / "demo" / "data";
    if (!fs::exists(demo / "models")) {
        std::fprintf(stderr, "bench_startup: no demo data in %s (build the demo_data target)\n", demo.c_str());
        return 1;
    }
    fs::copy(demo, dir.path() / "data", fs::copy_options::recursive);
    std::string init = read_text(scripts / "init.isc");
    const size_t end = init.rfind("};");
    if (end == std::string::npos) {
        std::fprintf(stderr, "bench_startup: no children block in init.isc\n");
        return 1;
    }
    init.insert(end, "    create bench_first_frame { };\n");
    write_file(dir.path() / "data/scripts/init.isc", init);

    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("machine load %.1f at the start\n", load[0]);
    std::vector<run_s> game, ref;
    alternate(11, {
        [&] { game.push_back(launch(BENCH_GAME, dir.path())); },
        [&] { ref.push_back(launch(BENCH_REFERENCE, dir.path())); },
    });
    game.erase(game.begin());  // the uncounted first round
    ref.erase(ref.begin());
    auto med = [](const std::vector<run_s> &runs, double run_s::*field) {
        std::vector<double> v;
        for (const run_s &r : runs)
            v.push_back(r.*field * 1e3);
        return median(v);
    };
    report("launch to the first drawn frame", med(game, &run_s::first_frame), med(ref, &run_s::first_frame), "ms",
           "SDL2+GL+audio", "<= 1.1");
    report("launch to the end of a one-frame run", med(game, &run_s::exit), med(ref, &run_s::exit), "ms", "SDL2+GL+audio",
           "no wait on the audio device");
    report("processor time of a one-frame run", med(game, &run_s::cpu), med(ref, &run_s::cpu), "ms", "SDL2+GL+audio",
           "(load-independent evidence)");
    return 0;
}
