// Launcher tests run in a fresh current directory of their own, with an empty message list.
#pragma once

#include "Launcher/messages.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class launcher_dir_test : public ::testing::Test
{
protected:
    launcher_dir_test() : m_enter(m_dir.path()) { launcher_clear_messages(); }

    // The ended lines of the message list, oldest first.
    static std::vector<std::string> messages()
    {
        std::vector<std::string> lines;
        for (int i = launcher_message_count(); i >= 1; --i)
            lines.push_back(launcher_message_line(i));
        return lines;
    }

    fixture::temp_dir m_dir;
    fixture::in_dir m_enter;
};
