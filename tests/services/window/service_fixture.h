// A root with the attributes the services use, the fake window and input backends, and a test
// object that records the messages it is sent.
#pragma once

#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "platform/input/dinput_fake.h"
#include "platform/window/window_fake.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct recorded_s
{
    std::string name;
    std::vector<int> args;
};

// Records every message named in `watch` with its INT arguments; `answer` decides the result.
class recorder_c : public abstract_c
{
public:
    recorder_c(abstract_c *parent, std::vector<std::string> watch) : abstract_c(parent), m_watch(std::move(watch)) {}

    int handle_message(const msg_c *message, abstract_c *) override
    {
        for (const std::string &name : m_watch) {
            if (*message == msg_c(name.c_str())) {
                recorded_s r{name, {}};
                for (unsigned i = 0; i < 3; ++i) {
                    if (msg_stack_used() > 0 && name != "show_exit_window")
                        r.args.push_back((int)msg_arg(i));
                }
                seen.push_back(r);
                return answer ? answer(r) : 0;
            }
        }
        return 0;
    }

    std::vector<std::string> m_watch;
    std::vector<recorded_s> seen;
    std::function<int(const recorded_s &)> answer;
};

class service_fixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window_fake_use();
        dinput_fake_use();
        attribute_list_c attrs;
        add_attribute(nullptr, attrs, "stop_main_loop", value_c(0), 0);
        add_attribute(nullptr, attrs, "app_active", value_c(0), 0);
        m_root = new abstract_c(nullptr, &attrs);
    }

    void TearDown() override
    {
        m_root->shutdown_tree();
        delete m_root;
    }

    int root_int(const char *name) { return m_root->attribute(name)->get_int(); }

    void send(const char *name) { m_root->message(msg_c(name), 0, nullptr, MSG_ARGS_END); }

    void tick(float t = 0.0f) { m_root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(t), MSG_ARG(0.01f), MSG_ARGS_END); }

    // The text of the exception that running f throws ("" when none).
    static std::string thrown(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const exception_c &e) {
            return e.get_message();
        }
        return "";
    }

    abstract_c *m_root = nullptr;
};
