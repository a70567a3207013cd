#include "kernel/entry.h"

#include "basics/Vaultis.h"
#include "basics/console_log.h"
#include "basics/helpers.h"
#include "basics/vaultfile_obj.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "platform/sys/module.h"
#include "platform/sys/systime.h"

#include <cstdio>
#include <cstring>

namespace {

char command_line_buffer[COMMAND_LINE_BUFFER];
int command_line_args_count = 0;
const char *command_line_args[COMMAND_LINE_MAX_ARGS];

// The root when one exists, else null (abstract_c::root() asserts instead).
abstract_c *existing_root()
{
    try {
        return abstract_c::root();
    } catch (const exception_c &) {
        return nullptr;
    }
}

void print_exception(const exception_c &e)
{
    print_message("---------------------------\n%s\n---------------------------\n\n", e.format().c_str());
}

void run_engine()
{
    print_message("\nEngine started: %s", get_current_time_text());

    int64_t frequency = 0;
    if (!QueryPerformanceFrequency(&frequency))
        ENGINE_THROW(exception_c, "System got no a high-resolution timer!");
    int64_t start = 0;
    QueryPerformanceCounter(&start);
    int64_t previous = start;

    VT::init(nullptr);
    if (const char *dir = find_command_line_option("datadir"))
        set_data_directory(dir);

    scripts_c scripts;
    scripts.execute_script("scripts/templates.isc", nullptr, 1);
    scripts.execute_script("scripts/init.isc", nullptr, 0);

    // The main window refuses to start without an instance handle, so the platform's fixed
    // non-zero one is passed rather than 0.
    int instance = (int)(intptr_t)GetModuleHandle(nullptr);
    abstract_c::root()->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(instance), MSG_ARGS_END);
    abstract_c::root()->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);

    for (;;) {
        int64_t now = 0;
        QueryPerformanceCounter(&now);
        float since_start = (float)((double)(now - start) / (double)frequency);
        float since_previous = (float)((double)(now - previous) / (double)frequency);
        previous = now;
        abstract_c *root = abstract_c::root();
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(since_start), MSG_ARG(since_previous), MSG_ARGS_END);
        root->collect_dead_children();
        if (root->attribute("stop_main_loop")->get_int() != 0)
            break;
    }

    abstract_c *root = abstract_c::root();
    root->message(MSG_VAR(app_shutdown), MSGF_NEWEST_FIRST, nullptr, MSG_ARGS_END);
    root->shutdown_tree();
    root->collect_dead_children();
    delete root;
}

} // namespace

void split_command_line(const char *text)
{
    command_line_args_count = 0;
    command_line_args[0] = "PROGRAM.EXE";
    int running = 1;
    bool between_words = true;
    for (int i = 0; i < COMMAND_LINE_BUFFER; ++i) {
        char c = text[i];
        command_line_buffer[i] = c;
        if (c == 0) {
            command_line_args_count = running;
            return;
        }
        if (c == ' ' || c == '\t') {
            command_line_buffer[i] = 0;
            between_words = true;
        } else if (between_words) {
            between_words = false;
            if (running < COMMAND_LINE_MAX_ARGS)
                command_line_args[running++] = &command_line_buffer[i];
        }
    }
}

int command_line_count()
{
    return command_line_args_count;
}

const char *command_line_arg(int index)
{
    return index >= 0 && index < command_line_args_count ? command_line_args[index] : nullptr;
}

const char *find_command_line_option(const char *name)
{
    for (int i = 1; i < command_line_args_count - 1; ++i) {
        const char *arg = command_line_args[i];
        if (arg[0] == '-' && command_line_args[i + 1][0] != '-' && std::strcmp(arg + 1, name) == 0)
            return command_line_args[i + 1];
    }
    return nullptr;
}

const char *get_current_time_text()
{
    static const char *const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static char text[64];
    SYSTEMTIME st;
    GetLocalTime(&st);
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", days[st.wDayOfWeek % 7],
                  months[(st.wMonth + 11) % 12], st.wDay, st.wHour, st.wMinute, st.wSecond, st.wYear);
    return text;
}

int engine_main(const char *command_line)
{
    engine_srand(GetTickCount());
    open_console_log();
    split_command_line(command_line);
    try {
        run_engine();
    } catch (const exception_c &e) {
        print_exception(e);
        // A shutdown hook may fail too: that is printed the same way instead of ending the
        // program without a word; the rest of the tree stays as it is.
        try {
            if (abstract_c *root = existing_root()) {
                if (root->alive())
                    root->shutdown_tree();
                root->collect_dead_children();
            }
        } catch (const exception_c &again) {
            print_exception(again);
        }
        close_console_log();
        return 1;
    }
    close_console_log();
    return 0;
}
