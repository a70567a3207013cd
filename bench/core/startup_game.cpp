// The game as the startup benchmark runs it: the program Vizuzuze with one more script class,
// "bench_first_frame". Created last in the initial script, it is the last object that the
// first tick reaches, after the renderer has drawn and presented the first frame: it prints
// the time (CLOCK_MONOTONIC, seconds) and stops the main loop, so that the program then shuts
// down as after a closed window.
#include "Vizuzuze/program.h"
#include "kernel/abstract.h"
#include "kernel/entry.h"
#include "kernel/scripts.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace {

class first_frame_c final : public abstract_c
{
public:
    first_frame_c(abstract_c *parent, const attribute_list_c *attributes) : abstract_c(parent, attributes) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(tick) && !m_seen) {
            m_seen = true;
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("first frame %.6f\n", double(now.tv_sec) + double(now.tv_nsec) * 1e-9);
            std::fflush(stdout);
            root()->attribute("stop_main_loop")->set_int(1);
        }
        return 0;
    }

private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char **argv)
{
    vizuzuze_prepare();
    register_creator("bench_first_frame", make_object<first_frame_c>);
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            command_line += ' ';
        command_line += argv[i];
    }
    return engine_main(command_line.c_str());
}
