// A private temporary directory that becomes the current directory for one test, with the
// data directory "data" in it; question files are written there as raw bytes.
#pragma once

#include "basics/vaultfile_obj.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class question_dir_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "questions_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_old_dir = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
        set_data_directory("data");
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_old_dir);
        std::filesystem::remove_all(m_dir);
    }
    // Writes data/questions/Round_<round>/Round_<round>_<file>.txt (file from 1).
    void write_topic(int round, int file, const std::string &bytes)
    {
        std::filesystem::path dir = m_dir / "data" / "questions" / ("Round_" + std::to_string(round));
        std::filesystem::create_directories(dir);
        std::ofstream out(dir / ("Round_" + std::to_string(round) + "_" + std::to_string(file) + ".txt"),
                          std::ios::binary);
        out << bytes;
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_old_dir;
};

// Lines joined with CR LF after each.
inline std::string crlf_lines(std::initializer_list<std::string> lines)
{
    std::string s;
    for (const std::string &l : lines)
        s += l + "\r\n";
    return s;
}
