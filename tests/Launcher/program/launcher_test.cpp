// The launcher with the fake dialog: what the dialog shows, what play and cancel save and start,
// and the error box of a failed start. The program it starts is always a stub in the test's
// directory.
#include "Launcher/cvars2.h"
#include "Launcher/launcher.h"
#include "platform/dialog/dialog_fake.h"
#include "platform/sys/shell.h"
#include "tests/Launcher/launcher_fixture.h"
#include "tests/platform/shell/stub_program.h"

#include <cstdlib>
#include <functional>

namespace {

using fixture::fs::exists;
using fixture::read_file;
using fixture::write_file;
using action = dialog_fake_action;

const std::string error_caption = "\xce\xf8\xe8\xe1\xea\xe0";
// "Error starting the application: "
const std::string error_prefix =
    "\xce\xf8\xe8\xe1\xea\xe0\x20\xe7\xe0\xef\xf3\xf1\xea\xe0\x20\xef\xf0\xe8\xeb\xee\xe6\xe5\xed\xe8\xff\x3a\x20";

const std::string header = "//\r\n//Automatically written configuration file\r\n//Config Lib by Orlevant\r\n//\r\n\r\n";

std::string saved(int width, int height, const std::string &exe, int render, int textures)
{
    return header + "video_width " + std::to_string(width) + ";\r\nvideo_height " + std::to_string(height) +
           ";\r\nexecutable_name \"" + exe + "\";\r\nvideo_32_bit_render " + std::to_string(render) +
           ";\r\nvideo_32_bit_textures " + std::to_string(textures) + ";\r\n";
}

class launcher_test : public launcher_dir_test
{
protected:
    launcher_test()
    {
        dialog_select_backend("fake");
        reset_defaults();
        fixture::write_stub_program("stub_game", "started.txt");
    }

    // The variables live as long as the program: every run starts from the defaults, as a
    // freshly started launcher does.
    static void reset_defaults()
    {
        cvar_c::find("video_width")->set_int(800);
        cvar_c::find("video_height")->set_int(600);
        cvar_c::find("executable_name")->set_string("Vizuzuze.exe");
        cvar_c::find("video_32_bit_render")->set_int(1);
        cvar_c::find("video_32_bit_textures")->set_int(1);
    }

    // A launcher.cfg that names the stub, with more statements after it.
    static void write_config(const std::string &more)
    {
        write_file("launcher.cfg", "executable_name \"stub_game.exe\";\n" + more);
    }

    static int run(const std::vector<action> &actions)
    {
        reset_defaults();
        launcher_clear_messages();
        dialog_fake_script(actions);
        return launcher_main(nullptr);
    }
};

} // namespace

TEST_F(launcher_test, variables_are_registered_in_order_with_their_defaults)
{
    std::vector<std::string> names;
    for (cvar_c *v = cvar_c::first(); v; v = v->next()) {
        names.push_back(v->name());
        EXPECT_EQ(v->saved(), 1);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"video_width", "video_height", "executable_name", "video_32_bit_render",
                                               "video_32_bit_textures"}));
    cvar_save("defaults.cfg");
    EXPECT_EQ(read_file("defaults.cfg"), saved(800, 600, "Vizuzuze.exe", 1, 1));
}

TEST_F(launcher_test, dialog_shows_the_configuration)
{
    write_config("video_width 1024; video_height 768; video_32_bit_render 0;");
    EXPECT_EQ(run({{action::CLICK, LAUNCHER_EXIT}}), 0);
    const dialog_fake_view &view = dialog_fake_first_view();
    ASSERT_TRUE(view.shown);
    EXPECT_EQ(view.caption, "Brelvik");
    EXPECT_EQ(view.lists.at(LAUNCHER_RESOLUTIONS), (std::vector<std::string>{"800x600", "1024x768"}));
    EXPECT_EQ(view.selections.at(LAUNCHER_RESOLUTIONS), 1);
    EXPECT_EQ(view.checks.at(LAUNCHER_32_BIT_COLOR), BST_UNCHECKED);
    EXPECT_EQ(view.checks.at(LAUNCHER_32_BIT_TEXTURES), BST_CHECKED);
    EXPECT_NE(view.big_icon, nullptr);
    EXPECT_EQ(view.small_icon, view.big_icon);
}

// Play saves the same settings to both files and starts the program; the .exe of the name
// finds the program without it.
TEST_F(launcher_test, play_saves_both_files_and_starts_the_program)
{
    struct
    {
        const char *config;
        std::vector<action> actions;
        std::string expected;
    } cases[] = {
        {"video_width 1024; video_height 768;",
         {{action::SELECT, LAUNCHER_RESOLUTIONS, 0}, {action::CLICK, LAUNCHER_32_BIT_COLOR}, {action::CLICK, LAUNCHER_PLAY}},
         saved(800, 600, "stub_game.exe", 0, 1)},
        // No row matches: the first row is selected and saved.
        {"video_width 1280; video_height 1024;", {{action::CLICK, LAUNCHER_PLAY}}, saved(800, 600, "stub_game.exe", 1, 1)},
        {"", {{action::SELECT, LAUNCHER_RESOLUTIONS, 1}, {action::CLICK, LAUNCHER_32_BIT_TEXTURES}, {action::ENTER}},
         saved(1024, 768, "stub_game.exe", 1, 0)},
        // A row that is not there changes nothing.
        {"video_32_bit_textures 0;", {{action::SELECT, LAUNCHER_RESOLUTIONS, 2}, {action::CLICK, LAUNCHER_PLAY}},
         saved(800, 600, "stub_game.exe", 1, 0)},
    };
    for (const auto &c : cases) {
        std::filesystem::remove("started.txt");
        std::filesystem::remove("autoexec.cfg");
        write_config(c.config);
        EXPECT_EQ(run(c.actions), 0) << c.config;
        EXPECT_EQ(read_file("launcher.cfg"), c.expected) << c.config;
        EXPECT_EQ(read_file("autoexec.cfg"), c.expected) << c.config;
        EXPECT_EQ(fixture::wait_for_marker("started.txt"), "started \n") << c.config;
        EXPECT_TRUE(dialog_fake_message_boxes().empty()) << c.config;
    }
}

TEST_F(launcher_test, cancel_saves_and_starts_nothing)
{
    const std::vector<action> cancels[] = {
        {{action::CLICK, LAUNCHER_EXIT}},
        {{action::CLOSE}},
        {{action::ESCAPE}},
        {{action::CLICK, LAUNCHER_32_BIT_COLOR}, {action::SELECT, LAUNCHER_RESOLUTIONS, 1}},  // the window closed
    };
    for (bool with_config : {false, true}) {
        for (const auto &actions : cancels) {
            std::filesystem::remove("launcher.cfg");
            if (with_config)
                write_config("video_width 1024;  // as the user wrote it");
            const std::string before = with_config ? read_file("launcher.cfg") : "";
            EXPECT_EQ(run(actions), 0);
            EXPECT_EQ(exists("launcher.cfg"), with_config);
            if (with_config) {
                EXPECT_EQ(read_file("launcher.cfg"), before);
            }
            EXPECT_FALSE(exists("autoexec.cfg"));
            EXPECT_TRUE(dialog_fake_message_boxes().empty());
        }
    }
    EXPECT_FALSE(exists("started.txt"));
}

TEST_F(launcher_test, a_failed_start_shows_the_error)
{
    write_file("not_executable", "#!/bin/sh\n");
    write_file("not_a_program", "\x7f" "ELF garbage");
    std::filesystem::permissions("not_a_program", std::filesystem::perms::owner_all);
    struct
    {
        const char *name;
        std::string text;
    } cases[] = {
        {"no_such_program.exe", error_prefix + "ERROR_FILE_NOT_FOUND (\"The specified file was not found\")"},
        {"not_executable", error_prefix + "SE_ERR_ACCESSDENIED (\"The operating system denied access to the specified file\")"},
        {"not_a_program",
         error_prefix + "ERROR_BAD_FORMAT (\"The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)\")"},
        {"not_executable/x", error_prefix + "ERROR_PATH_NOT_FOUND (\"The specified path was not found\")"},
    };
    for (const auto &c : cases) {
        write_file("launcher.cfg", std::string("executable_name \"") + c.name + "\";");
        EXPECT_EQ(run({{action::CLICK, LAUNCHER_PLAY}}), 0) << c.name;
        ASSERT_EQ(dialog_fake_message_boxes().size(), 1u) << c.name;
        const dialog_fake_message_box &box = dialog_fake_message_boxes()[0];
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.caption, error_caption);
        EXPECT_EQ(box.type & MB_ICONERROR, MB_ICONERROR);
        // The settings were saved before the start.
        EXPECT_TRUE(exists("autoexec.cfg"));
    }
}

TEST_F(launcher_test, start_error_texts)
{
    struct
    {
        unsigned code;
        std::string text;
    } cases[] = {
        {0, error_prefix + "- (\"The operating system is out of memory or resources\")"},
        {2, error_prefix + "ERROR_FILE_NOT_FOUND (\"The specified file was not found\")"},
        {3, error_prefix + "ERROR_PATH_NOT_FOUND (\"The specified path was not found\")"},
        {26, error_prefix + "SE_ERR_SHARE (\"A sharing violation occurred\")"},
        {31, error_prefix + "SE_ERR_NOASSOC (\"There is no application associated with the given filename extension\")"},
        {32, error_prefix + "SE_ERR_DLLNOTFOUND (\"The specified dynamic-link library was not found\")"},
        // "Unknown error"
        {4, error_prefix + "4 (\"\xcd\xe5\xe8\xe7\xe2\xe5\xf1\xf2\xed\xe0\xff\x20\xee\xf8\xe8\xe1\xea\xe0\")"},
        {12, error_prefix + "12 (\"\xcd\xe5\xe8\xe7\xe2\xe5\xf1\xf2\xed\xe0\xff\x20\xee\xf8\xe8\xe1\xea\xe0\")"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(launcher_start_error_text(c.code), c.text) << c.code;
}

// A configuration file that cannot be written is reported, and nothing is started.
TEST_F(launcher_test, a_file_that_cannot_be_saved_is_reported)
{
    std::filesystem::create_directory("autoexec.cfg");
    write_config("");
    std::vector<std::vector<std::string>> starts;
    shell_set_spawn_hook([&](const std::vector<std::string> &argv) {
        starts.push_back(argv);
        return 0;
    });
    EXPECT_EQ(run({{action::CLICK, LAUNCHER_PLAY}}), 1);
    shell_set_spawn_hook({});
    ASSERT_EQ(dialog_fake_message_boxes().size(), 1u);
    EXPECT_EQ(dialog_fake_message_boxes()[0].text, "Could not create file 'autoexec.cfg'");
    EXPECT_EQ(dialog_fake_message_boxes()[0].caption, error_caption);
    EXPECT_EQ(read_file("launcher.cfg"), saved(800, 600, "stub_game.exe", 1, 1));
    EXPECT_TRUE(starts.empty()) << "nothing is started";
}

TEST_F(launcher_test, a_bad_configuration_leaves_a_message_and_what_came_before)
{
    write_config("video_32_bit_render 0; video_width 1024 video_height 768;");
    EXPECT_EQ(run({{action::CLICK, LAUNCHER_PLAY}}), 0);
    EXPECT_EQ(read_file("launcher.cfg"), saved(800, 600, "stub_game.exe", 0, 1));
    const std::vector<std::string> lines = messages();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Executing 'launcher.cfg'...");
    EXPECT_EQ(lines[1], "Parse error: L2,41: ';' expected");
    EXPECT_EQ(fixture::wait_for_marker("started.txt"), "started \n");
}

// The demo directory as the build leaves it (the game in bin/ beside demo/): the Launcher
// started in demo/ starts the game with no file written by hand, from the launcher.cfg the build
// wrote, and from one the Launcher had saved before with the default name, to which the build's
// step adds the game (the player's settings stay).
TEST_F(launcher_test, in_the_demo_directory_play_starts_the_game_built_beside_it)
{
    const fixture::fs::path game = fixture::fs::absolute("bin/Vizuzuze");
    fixture::fs::create_directories("bin");
    fixture::fs::create_directories("demo");
    fixture::write_stub_program("bin/Vizuzuze", "started.txt");
    const std::string build_step = std::string("'") + LAUNCHER_CMAKE + "' -DCFG='" +
                                   fixture::fs::absolute("demo/launcher.cfg").string() + "' -DGAME='" + game.string() +
                                   "' -P '" + ENGINE_SOURCE_DIR + "/Launcher/demo_launcher_cfg.cmake'";
    struct
    {
        const char *what;
        std::function<void()> prepare;
        std::string saved;
    } cases[] = {
        {"the build's own file",
         [] {
             fixture::fs::copy_file(fixture::fs::path(ENGINE_BINARY_DIR) / "demo/launcher.cfg", "demo/launcher.cfg",
                                    fixture::fs::copy_options::overwrite_existing);
         },
         saved(800, 600, "../bin/Vizuzuze", 1, 1)},
        {"a file the Launcher saved",
         [&] {
             write_file("demo/launcher.cfg", saved(1024, 768, "Vizuzuze.exe", 0, 1));
             ASSERT_EQ(std::system(build_step.c_str()), 0);
             ASSERT_EQ(std::system(build_step.c_str()), 0) << "a second build adds nothing";
         },
         saved(1024, 768, "../bin/Vizuzuze", 0, 1)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove("bin/started.txt");
        c.prepare();
        fixture::in_dir demo("demo");
        EXPECT_EQ(run({{action::CLICK, LAUNCHER_PLAY}}), 0);
        EXPECT_EQ(fixture::wait_for_marker("../bin/started.txt"), "started \n");
        EXPECT_TRUE(dialog_fake_message_boxes().empty());
        EXPECT_EQ(read_file("launcher.cfg"), c.saved);
    }
}
