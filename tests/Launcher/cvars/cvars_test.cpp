// Configuration variables: registration, values, statements of configuration files, saving
// and reading back.
#include "Launcher/cvars2.h"
#include "Launcher/vaultfile_obj.h"
#include "basics/Tok.h"
#include "kernel/exception.h"
#include "tests/Launcher/launcher_fixture.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

namespace {

using fixture::read_file;
using fixture::write_file;

std::string thrown_by(const std::function<void()> &f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "(nothing thrown)";
}

std::string assertion(const char *expression)
{
    return std::string("Debug assertion failed! Expression: \"") + expression + "\"";
}

std::vector<std::string> list_names()
{
    std::vector<std::string> names;
    for (cvar_c *v = cvar_c::first(); v; v = v->next())
        names.push_back(v->name());
    return names;
}

// The launcher's settings, as a test's own variables.
class cvars_test : public launcher_dir_test
{
protected:
    cvar_c width{"video_width", 800};
    cvar_c height{"video_height", 600};
    cvar_c exe{"executable_name", "Vizuzuze.exe"};
    cvar_c render{"video_32_bit_render", 1};
};

class recording_command_c : public cvar_command_c
{
public:
    recording_command_c() : cvar_command_c("move_to", {CVAR_INT, CVAR_FLOAT, CVAR_VECTOR, CVAR_STRING}) {}
    void execute() override { ++runs; }
    int runs = 0;
};

class save_proc_c : public cvar_save_proc_c
{
public:
    explicit save_proc_c(const char *name) : cvar_save_proc_c(name) {}
    void write_value(launcher::vaultfile_c &file) override { file.printf("// written by %s\r\n", name()); }
};

} // namespace

TEST_F(launcher_dir_test, names_are_checked_when_registered)
{
    const std::string a31(31, 'a'), a32(32, 'a');
    struct
    {
        std::string name;
        std::string error;  // empty: accepted
        const char *stored;
        int saved;
    } cases[] = {
        {a31, "", a31.c_str(), 1},
        {a32, assertion("nl < MAX_CVAR_NAME"), nullptr, 0},
        {"*" + a31, "", a31.c_str(), 0},
        {"*" + a32, assertion("nl <= MAX_CVAR_NAME"), nullptr, 0},
        {"*", assertion("nl > 1"), nullptr, 0},
        {"", assertion("nl"), nullptr, 0},
    };
    for (const auto &c : cases) {
        std::unique_ptr<cvar_c> v;
        EXPECT_EQ(thrown_by([&] { v = std::make_unique<cvar_c>(c.name.c_str(), 7); }),
                  c.error.empty() ? "(nothing thrown)" : c.error)
            << c.name;
        if (c.error.empty()) {
            ASSERT_TRUE(v);
            EXPECT_STREQ(v->name(), c.stored);
            EXPECT_EQ(v->saved(), c.saved);
            EXPECT_EQ(cvar_c::first(), v.get());
        } else {
            EXPECT_EQ(cvar_c::first(), nullptr) << c.name;
        }
    }
}

TEST_F(launcher_dir_test, list_keeps_registration_order_and_refuses_duplicates)
{
    auto a = std::make_unique<cvar_c>("alpha", 1);
    auto b = std::make_unique<cvar_c>("Beta", "text");
    auto c = std::make_unique<cvar_c>("gamma", 1.5f);
    EXPECT_EQ(list_names(), (std::vector<std::string>{"alpha", "Beta", "gamma"}));
    EXPECT_EQ(thrown_by([] { cvar_c dup("BETA", 2); }), "Duplicate config variable 'BETA'");
    EXPECT_EQ(thrown_by([] { cvar_c dup("*beta", 2); }), "Duplicate config variable 'beta'");
    EXPECT_EQ(list_names(), (std::vector<std::string>{"alpha", "Beta", "gamma"}));
    EXPECT_EQ(cvar_c::find("bEtA"), b.get());

    b.reset();
    EXPECT_EQ(list_names(), (std::vector<std::string>{"alpha", "gamma"}));
    a.reset();
    EXPECT_EQ(list_names(), (std::vector<std::string>{"gamma"}));
    cvar_c beta("beta", 3);
    EXPECT_EQ(list_names(), (std::vector<std::string>{"gamma", "beta"}));
}

TEST_F(launcher_dir_test, values_as_text)
{
    cvar_c i("i", -5);
    cvar_c f("f", 0.5f);
    cvar_c v("v", 1.0f, 2.5f, -3.0f);
    cvar_c s("s", "abc \"q\"");
    recording_command_c cmd;
    save_proc_c proc("proc");
    struct
    {
        const cvar_c *var;
        const char *text;
    } cases[] = {
        {&i, "-5"},
        {&f, "0.500000"},
        {&v, "[1.00 2.50 -3.00]"},
        {&s, "\"abc \"q\"\""},
        {&cmd, "Usage: move_to int float vector string"},
        {&proc, "No string representation"},
    };
    for (const auto &c : cases) {
        char buffer[256];
        c.var->value_to_text(buffer, sizeof buffer);
        EXPECT_STREQ(buffer, c.text) << c.var->name();
    }
    char small[255];
    EXPECT_EQ(thrown_by([&] { i.value_to_text(small, sizeof small); }), assertion("buffer_size >= 256"));
    cvar_c long_text("long_text", std::string(254, 'x').c_str());
    char buffer[256];
    EXPECT_EQ(thrown_by([&] { long_text.value_to_text(buffer, sizeof buffer); }),
              assertion("strlen(m_data.m_string) + 2 < buffer_size"));
}

TEST_F(launcher_dir_test, typed_access_and_string_buffers)
{
    cvar_c s("s", "short");
    cvar_c n("n", 4);
    EXPECT_EQ(s.size(), 32);
    EXPECT_EQ(n.size(), 4);
    EXPECT_EQ(thrown_by([&] { n.get_string(); }), assertion("m_type == CVAR_STRING"));
    EXPECT_EQ(thrown_by([&] { s.set_int(1); }), assertion("m_type == CVAR_INT"));

    const char *first_buffer = s.get_string();
    s.set_string(std::string(31, 'b').c_str());
    EXPECT_EQ(s.get_string(), first_buffer);
    const std::string forty(40, 'c');
    s.set_string(forty.c_str());
    EXPECT_NE(s.get_string(), first_buffer);
    EXPECT_EQ(s.get_string(), forty);
    EXPECT_EQ(s.size(), 32);
    // The bigger buffer holds whatever fits the recorded size.
    s.set_string("again");
    EXPECT_STREQ(s.get_string(), "again");

    s.set_string(std::string(4095, 'd').c_str());
    EXPECT_EQ(std::string(s.get_string()).size(), 4095u);
    EXPECT_EQ(thrown_by([&] { s.set_string(std::string(4096, 'e').c_str()); }), assertion("l < 4096"));

    cvar_c wide("wide", std::string(40, 'w').c_str());
    EXPECT_EQ(wide.size(), 41);
}

// One configuration file run by cvar_exec: its result, the values after it and the last
// message.
TEST_F(cvars_test, statements)
{
    struct
    {
        const char *text;
        int result;
        int width;
        const char *exe_name;
        const char *message;  // the last line of the message list
    } cases[] = {
        {"VIDEO_WIDTH 1024;", 1, 1024, "Vizuzuze.exe", "Executing 'test.cfg'..."},
        {"video_width;", 1, 800, "Vizuzuze.exe", "video_width = 800"},
        {"Executable_Name;", 1, 800, "Vizuzuze.exe", "executable_name = \"Vizuzuze.exe\""},
        {"video_width 1024", 0, 1024, "Vizuzuze.exe", "Parse error: L1,17: ';' expected"},
        {"executable_name \"game.exe\";\nnothing 5;\nvideo_width 1024;", 0, 800, "game.exe",
         "Parse error: Unknown variable or command 'nothing'"},
        {"// comment\n/* block\n comment */ video_width /* in */ 640 ; // end", 1, 640, "Vizuzuze.exe",
         "Executing 'test.cfg'..."},
        {"video_width 640; 1st 5;", 0, 640, "Vizuzuze.exe", "Parse error: L1,18: config variable name expected"},
        {"video_width 640; = 5;", 0, 640, "Vizuzuze.exe", "Parse error: L1,18: config variable name expected"},
        {"video_width \"wide\";", 0, 800, "Vizuzuze.exe", "Parse error: L1,13: integer expected"},
        {"executable_name 5;", 0, 800, "Vizuzuze.exe", "Parse error: L1,18: quoted string expected"},
        {"executable_name \"a\\\"b\\\\c\";", 1, 800, "a\"b\\c", "Executing 'test.cfg'..."},
        {"video_width 0x400;", 1, 1024, "Vizuzuze.exe", "Executing 'test.cfg'..."},
        {"", 1, 800, "Vizuzuze.exe", "Executing 'test.cfg'..."},
    };
    for (const auto &c : cases) {
        width.set_int(800);
        exe.set_string("Vizuzuze.exe");
        launcher_clear_messages();
        write_file("test.cfg", c.text);
        EXPECT_EQ(cvar_exec("test.cfg"), c.result) << c.text;
        EXPECT_EQ(width.get_int(), c.width) << c.text;
        EXPECT_STREQ(exe.get_string(), c.exe_name) << c.text;
        ASSERT_FALSE(messages().empty());
        EXPECT_EQ(messages().back(), c.message) << c.text;
    }
}

TEST_F(cvars_test, limits_of_names_and_strings_in_files)
{
    // A name of 127 characters is a name (unknown here); 128 are none.
    write_file("a.cfg", std::string(127, 'n') + " 1;");
    EXPECT_EQ(cvar_exec("a.cfg"), 0);
    // The message is longer than a line of the list.
    const std::vector<std::string> lines = messages();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2] + lines.back(),
              "Parse error: Unknown variable or command '" + std::string(127, 'n') + "'");
    write_file("b.cfg", std::string(128, 'n') + " 1;");
    EXPECT_EQ(cvar_exec("b.cfg"), 0);
    EXPECT_NE(messages().back().find(": config variable name expected"), std::string::npos) << messages().back();

    // A string as long as set_string takes reads whole; one more character is an error.
    write_file("c.cfg", "executable_name \"" + std::string(4096, 's') + "\";");
    EXPECT_EQ(cvar_exec("c.cfg"), 0);
    EXPECT_NE(messages().back().find(": quoted string expected"), std::string::npos) << messages().back();
    write_file("d.cfg", "executable_name \"" + std::string(4095, 's') + "\";");
    EXPECT_EQ(cvar_exec("d.cfg"), 1);
    EXPECT_EQ(exe.get_string(), std::string(4095, 's'));

    // What follows a zero byte is still read, and refused.
    write_file("e.cfg", std::string("video_width 640;\0video_width 1024;", 34));
    EXPECT_EQ(cvar_exec("e.cfg"), 0);
    EXPECT_EQ(width.get_int(), 640);
}

TEST_F(cvars_test, a_missing_file_leaves_every_default)
{
    EXPECT_EQ(cvar_exec("launcher.cfg"), 0);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Executing 'launcher.cfg'...",
                                                    "Parse error: Could not open file 'launcher.cfg'"}));
    EXPECT_EQ(width.get_int(), 800);
    EXPECT_STREQ(exe.get_string(), "Vizuzuze.exe");
    // A directory is no file either.
    fixture::fs::create_directory("dir.cfg");
    EXPECT_EQ(cvar_exec("dir.cfg"), 0);
    EXPECT_EQ(messages().back(), "Parse error: Could not open file 'dir.cfg'");
}

TEST_F(cvars_test, commands_read_their_parameters_then_run)
{
    recording_command_c cmd;
    write_file("c.cfg", "MOVE_TO 3 2.5 [1 2 3] \"there\";");
    EXPECT_EQ(cvar_exec("c.cfg"), 1);
    EXPECT_EQ(cmd.runs, 1);
    EXPECT_EQ(cmd.parameter(0).m_value.m_int, 3);
    EXPECT_FLOAT_EQ(cmd.parameter(1).m_value.m_float, 2.5f);
    EXPECT_FLOAT_EQ(cmd.parameter(2).m_value.m_vector[2], 3.0f);
    EXPECT_STREQ(cmd.parameter(3).m_value.m_string, "there");
    EXPECT_EQ(cmd.parameter(3).m_value.m_string, cmd.parameter(3).m_text);

    for (const char *text : {"move_to 3 2.5 [1 2 3] \"there\"", "move_to 3 2.5 [1 2] \"there\";", "move_to;"}) {
        write_file("c.cfg", text);
        EXPECT_EQ(cvar_exec("c.cfg"), 0) << text;
        EXPECT_EQ(cmd.runs, 1) << text;
    }
    EXPECT_NE(messages().back().find("integer expected"), std::string::npos);

    // A string parameter holds 126 characters; a longer one fails the statement, never cut.
    const std::string longest(126, 's');
    write_file("c.cfg", "move_to 3 2.5 [1 2 3] \"" + longest + "\";");
    EXPECT_EQ(cvar_exec("c.cfg"), 1);
    EXPECT_EQ(cmd.runs, 2);
    EXPECT_EQ(cmd.parameter(3).m_value.m_string, longest);
    write_file("c.cfg", "move_to 4 2.5 [1 2 3] \"" + longest + "t\";");
    EXPECT_EQ(cvar_exec("c.cfg"), 0);
    EXPECT_EQ(cmd.runs, 2);
    EXPECT_NE(messages().back().find("quoted string expected"), std::string::npos) << messages().back();

    cvar_command_c odd("odd", {7});
    write_file("o.cfg", "odd 1;");
    EXPECT_EQ(thrown_by([] { cvar_exec("o.cfg"); }), "Invalid parameter type");
}

TEST_F(cvars_test, save_writes_the_header_and_every_saved_variable)
{
    cvar_c hidden("*hidden", 5);
    cvar_c ratio("ratio", 0.25f);
    cvar_c where("where", 1.0f, -2.0f, 0.126f);
    recording_command_c cmd;
    save_proc_c proc("proc");
    save_proc_c quiet("*quiet");
    cvar_save("out.cfg");
    EXPECT_EQ(read_file("out.cfg"), "//\r\n"
                                    "//Automatically written configuration file\r\n"
                                    "//Config Lib by Orlevant\r\n"
                                    "//\r\n"
                                    "\r\n"
                                    "video_width 800;\r\n"
                                    "video_height 600;\r\n"
                                    "executable_name \"Vizuzuze.exe\";\r\n"
                                    "video_32_bit_render 1;\r\n"
                                    "ratio 0.25;\r\n"
                                    "where [1 -2 0.126000002];\r\n"
                                    "// written by proc\r\n");
}

TEST_F(launcher_dir_test, a_saved_file_without_variables_has_its_header)
{
    cvar_c only("*only", 1);
    write_file("out.cfg", "old contents that are longer than the header of the file");
    cvar_save("out.cfg");
    EXPECT_EQ(read_file("out.cfg"), "//\r\n//Automatically written configuration file\r\n//Config Lib by Orlevant\r\n//\r\n\r\n");
}

// Every value a file or the program can set reads back the same after a save.
TEST_F(cvars_test, saved_values_read_back)
{
    const std::string texts[] = {
        "plain",
        "quote \" inside",
        "back\\slash",
        "ends in backslash\\",
        "\\\"",
        "line\nbreak\rand\ttab",
        "cp1251 \xc8\xe3\xf0\xe0\xf2\xfc",
        std::string(510, 'x'),
        std::string(511, 'x'),
        std::string(4094, 'x') + "\"",
    };
    for (const auto &text : texts) {
        width.set_int(-1024);
        exe.set_string(text.c_str());
        cvar_save("round.cfg");
        width.set_int(1);
        exe.set_string("other");
        launcher_clear_messages();
        EXPECT_EQ(cvar_exec("round.cfg"), 1) << text << "\n" << launcher_message_line(1);
        EXPECT_EQ(width.get_int(), -1024);
        EXPECT_EQ(exe.get_string(), text);
    }
}

// Every float, the ones no decimal literal spells included, reads back bit for bit, also
// inside a vector, and the variables after it still come back.
TEST_F(cvars_test, saved_floats_read_back_exactly)
{
    const float values[] = {
        0.1f, 1.0f / 3.0f, -2.5e-7f, 16777217.0f, 123456.789f, 3.40282347e38f, -1e-40f, -0.0f, 0.0f,
        HUGE_VALF, -HUGE_VALF, std::nanf(""), -std::nanf(""),
    };
    cvar_c ratio("ratio", 0.0f);
    cvar_c where("where", 0.0f, 0.0f, 0.0f);
    cvar_c after("after", 0);
    const auto bits = [](float f) {
        uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return u;
    };
    for (float value : values) {
        ratio.set_float(value);
        where.set_vector(1.0f, value, -value);
        after.set_int(7);
        cvar_save("floats.cfg");
        ratio.set_float(5.0f);
        where.set_vector(5.0f, 5.0f, 5.0f);
        after.set_int(0);
        launcher_clear_messages();
        EXPECT_EQ(cvar_exec("floats.cfg"), 1) << value << "\n" << launcher_message_line(1);
        EXPECT_EQ(bits(ratio.get_float()), bits(value)) << value;
        EXPECT_EQ(bits(where.get_vector()[0]), bits(1.0f));
        EXPECT_EQ(bits(where.get_vector()[1]), bits(value)) << value;
        EXPECT_EQ(bits(where.get_vector()[2]), bits(-value)) << value;
        EXPECT_EQ(after.get_int(), 7) << value;
    }
}

TEST_F(launcher_dir_test, save_reports_a_file_it_cannot_create)
{
    cvar_c v("v", 1);
    fixture::fs::create_directory("taken.cfg");
    EXPECT_EQ(thrown_by([] { cvar_save("taken.cfg"); }), "Could not create file 'taken.cfg'");
    EXPECT_EQ(thrown_by([] { cvar_save("no_such_dir/x.cfg"); }), "Could not create file 'no_such_dir/x.cfg'");
}

TEST_F(launcher_dir_test, file_object_errors)
{
    using launcher::vaultfile_c;
    EXPECT_EQ(thrown_by([] { vaultfile_c f(2, "x.cfg"); }), "Invalid vaultfile_c mode");
    EXPECT_EQ(thrown_by([] { vaultfile_c f(launcher::VAULTFILE_READ, "none.cfg"); }), "Could not open file 'none.cfg'");

    vaultfile_c named(launcher::VAULTFILE_CREATE, "named.cfg");
    named.close();
    EXPECT_EQ(thrown_by([&] { named.close(); }), "File already closed: 'named.cfg'");
    vaultfile_c anonymous(launcher::VAULTFILE_CREATE, "anonymous.cfg", false);
    anonymous.close();
    EXPECT_EQ(thrown_by([&] { anonymous.close(); }), "File already closed");
    EXPECT_EQ(thrown_by([&] { named.write("x", 1); }), "Could not write data to file 'named.cfg'");
    EXPECT_EQ(thrown_by([&] { anonymous.write("x", 1); }), "Could not write data to file");

    vaultfile_c reader(launcher::VAULTFILE_READ, "named.cfg");
    EXPECT_EQ(thrown_by([&] { reader.write("x", 1); }), "Could not write data to file 'named.cfg'");

    // A formatted write takes 4096 characters and refuses more.
    {
        vaultfile_c f(launcher::VAULTFILE_CREATE, "long.cfg");
        f.printf("%s", std::string(4096, 'z').c_str());
        EXPECT_EQ(thrown_by([&] { f.printf("%s", std::string(4097, 'z').c_str()); }),
                  "vsprintf() buffer overflowed!!!");
    }
    EXPECT_EQ(read_file("long.cfg"), std::string(4096, 'z'));
}

TEST_F(launcher_dir_test, exceptions_name_their_source_files)
{
    try {
        cvar_c bad("", 1);
        FAIL();
    } catch (const exception_c &e) {
        EXPECT_EQ(e.source_file(), "Launcher/cvars2.cpp");
    }
    try {
        launcher::vaultfile_c f(9, "x");
        FAIL();
    } catch (const exception_c &e) {
        EXPECT_EQ(e.source_file(), "Launcher/vaultfile_obj.cpp");
    }
    cvar_c v("v", 1);
    tok_c tok(std::string_view("v 1"));
    EXPECT_THROW(cvar_parse(tok), parser_exception_c);
}
