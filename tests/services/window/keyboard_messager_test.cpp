#include "platform/input/dinput_fake.h"
#include "services/keyboard_messager.h"
#include "services/srvc_input.h"
#include "services/srvc_mainwnd.h"
#include "service_fixture.h"

namespace {

class keyboard_messager_test : public service_fixture
{
protected:
    void SetUp() override
    {
        service_fixture::SetUp();
        // Tree order: the window pumps, the input service reads, then the messager steps.
        attribute_list_c attrs;
        add_attribute(nullptr, attrs, "name", value_c("keys", value_c::STRING), 0);
        new main_window_c(m_root, &attrs);
        new dinput_c(m_root, nullptr);
        new keyboard_messager_c(m_root, nullptr);
        m_chars = new recorder_c(m_root, {"char"});
        m_root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(1), MSG_ARGS_END);
        send("app_startup");
    }

    // The chars sent during a tick at time t, as {character, scan code, flags}.
    std::vector<std::vector<int>> at(float t)
    {
        m_chars->seen.clear();
        tick(t);
        std::vector<std::vector<int>> out;
        for (const recorded_s &r : m_chars->seen)
            out.push_back(r.args);
        return out;
    }

    using chars = std::vector<std::vector<int>>;
    recorder_c *m_chars = nullptr;
};

TEST_F(keyboard_messager_test, first_press_then_delay_then_repeats)
{
    EXPECT_EQ(at(0.5f), chars{});
    dinput_fake_key(0x10, true);
    EXPECT_EQ(at(1.0f), (chars{{0xE9, 0x10, 1}}));
    EXPECT_EQ(at(1.1f), chars{});
    EXPECT_EQ(at(1.25f), chars{}) << "not before more than 0.25 s";
    EXPECT_EQ(at(1.26f), (chars{{0xE9, 0x10, 0}}));
    EXPECT_EQ(at(1.29f), chars{});
    EXPECT_EQ(at(1.31f), (chars{{0xE9, 0x10, 0}}));
    EXPECT_EQ(at(3.0f), (chars{{0xE9, 0x10, 0}})) << "at most one a tick";
    EXPECT_EQ(at(3.01f), chars{});
    dinput_fake_key(0x10, false);
    EXPECT_EQ(at(3.1f), chars{});
    dinput_fake_key(0x10, true);
    EXPECT_EQ(at(3.11f), (chars{{0xE9, 0x10, 1}})) << "a new press is a first press";
}

TEST_F(keyboard_messager_test, modifiers_and_order)
{
    dinput_fake_key(0x2A, true); // Left Shift
    dinput_fake_key(0x10, true);
    dinput_fake_key(0x9D, true); // Right Ctrl
    EXPECT_EQ(at(1.0f), (chars{{0xC9, 0x10, 1 | 4 | 8}, {0, 0x2A, 1 | 4 | 8}, {0, 0x9D, 1 | 4 | 8}}));
    for (int key : {0x2A, 0x10, 0x9D})
        dinput_fake_key(key, false);

    dinput_fake_key(0xB8, true); // Right Alt: no modifier
    EXPECT_EQ(at(2.0f), (chars{{0, 0xB8, 1}}));
    dinput_fake_key(0x38, true); // Left Alt
    dinput_fake_key(0x52, true); // Numpad 0
    EXPECT_EQ(at(2.1f), (chars{{0, 0x38, 1 | 2}, {0, 0x52, 1 | 2}}));
}

} // namespace
