// Helpers of the script, root and entry tests: a private temporary directory that becomes the
// current directory (console.log and the data directory "data" live there), script files
// written into it, and test classes that record what happens to them.
#pragma once

#include "kernel/abstract.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class temp_dir_test : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes data/<name> (folders made as needed).
    void write_data(const std::string &name, const std::string &text);
    std::string read_console_log() const;

    std::filesystem::path m_dir;
    std::filesystem::path m_old_dir;
};

// What the recording test objects saw, in order: "finished:<name>", "shutdown:<name>",
// "app_shutdown:<name>", "hinstance:<value>".
extern std::vector<std::string> test_events;
extern std::vector<float> test_tick_times;  // argument 0 of every tick a recorder saw
extern std::vector<float> test_tick_deltas; // argument 1

// Registers the test classes (once per process; also registers the kernel's classes):
//   "test_recorder": attributes string name, int stop_after (ticks after which it sets the
//   root's stop_main_loop, 0 never), int throw_on_tick (1: every tick throws "tick handler
//   failed"), int throw_on_shutdown (1: its shutdown hook throws "shutdown hook failed"),
//   int construct_sleep (milliseconds its constructor sleeps).
void register_test_classes();

// The text of an exception_c thrown by f, or "" when none is thrown.
std::string exception_text(const std::function<void()> &f);
