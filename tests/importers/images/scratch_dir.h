// A private working directory for one test: made under the system temp directory, entered
// for the test's lifetime (the file layer reads "data/..." relative to it) and removed after.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

class scratch_dir_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "images_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        std::filesystem::current_path(m_dir);
        std::filesystem::create_directory(m_dir / "data");
    }

    void TearDown() override
    {
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // Writes bytes to data/<name>, making directories as needed.
    void put(const std::string &name, const std::vector<uint8_t> &bytes)
    {
        const std::filesystem::path path = m_dir / "data" / name;
        std::filesystem::create_directories(path.parent_path());
        FILE *f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) {
            EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        }
        std::fclose(f);
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_previous;
};
