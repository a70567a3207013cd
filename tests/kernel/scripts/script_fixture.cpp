#include "script_fixture.h"

#include "basics/console_log.h"
#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"
#include "kernel/root.h"
#include "kernel/scripts.h"
#include "platform/sys/systime.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

std::vector<std::string> test_events;
std::vector<float> test_tick_times;
std::vector<float> test_tick_deltas;

namespace {

class test_recorder_c : public abstract_c
{
public:
    test_recorder_c(abstract_c *parent, const attribute_list_c *attributes) : abstract_c(parent, attributes)
    {
        value_c *name = find_attribute("name");
        m_name = name ? name->get_const_pchar() : "?";
        value_c *stop_after = find_attribute("stop_after");
        m_stop_after = stop_after ? stop_after->get_int() : 0;
        value_c *throws = find_attribute("throw_on_tick");
        m_throw_on_tick = throws ? throws->get_int() : 0;
        value_c *throws_late = find_attribute("throw_on_shutdown");
        m_throw_on_shutdown = throws_late ? throws_late->get_int() : 0;
        if (value_c *sleep = find_attribute("construct_sleep"))
            Sleep((DWORD)sleep->get_int());
    }

    void on_shutdown() override
    {
        test_events.push_back("shutdown:" + m_name);
        if (m_throw_on_shutdown)
            ENGINE_THROW(exception_c, "shutdown hook failed");
    }

    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(creation_finished)) {
            test_events.push_back("finished:" + m_name);
        } else if (*message == MSG_VAR(app_shutdown)) {
            test_events.push_back("app_shutdown:" + m_name);
        } else if (*message == MSG_VAR(app_hinstance)) {
            test_events.push_back("hinstance:" + std::to_string(msg_arg(0)->get_int()));
        } else if (*message == MSG_VAR(tick)) {
            if (m_throw_on_tick)
                ENGINE_THROW(exception_c, "tick handler failed");
            test_tick_times.push_back(msg_arg(0)->get_float());
            test_tick_deltas.push_back(msg_arg(1)->get_float());
            if (m_stop_after && ++m_ticks == m_stop_after)
                root()->attribute("stop_main_loop")->set_int(1);
        }
        return 0;
    }

private:
    std::string m_name;
    int m_stop_after = 0;
    int m_throw_on_tick = 0;
    int m_throw_on_shutdown = 0;
    int m_ticks = 0;
};

} // namespace

void register_test_classes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    kernel_register_creators();
    register_creator("test_recorder", make_object<test_recorder_c>);
}

void temp_dir_test::SetUp()
{
    register_test_classes();
    std::string pattern = (std::filesystem::temp_directory_path() / "engine_scripts_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_old_dir = std::filesystem::current_path();
    std::filesystem::current_path(m_dir);
    set_data_directory("data");
    test_events.clear();
    test_tick_times.clear();
    test_tick_deltas.clear();
}

void temp_dir_test::TearDown()
{
    close_console_log();
    std::filesystem::current_path(m_old_dir);
    std::filesystem::remove_all(m_dir);
}

void temp_dir_test::write_data(const std::string &name, const std::string &text)
{
    std::filesystem::path path = m_dir / "data" / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string temp_dir_test::read_console_log() const
{
    std::ifstream in(m_dir / "console.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string exception_text(const std::function<void()> &f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "";
}
