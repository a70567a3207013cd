#include "script_fixture.h"

#include "basics/Tok.h"
#include "basics/vec3.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// Runs a script below a fresh top object (which becomes the root) and deletes the tree again.
class scripts_test : public temp_dir_test
{
protected:
    void SetUp() override
    {
        temp_dir_test::SetUp();
        m_scripts = std::make_unique<scripts_c>();
        m_top = new abstract_c(nullptr, (const attribute_list_c *)nullptr);
    }
    void TearDown() override
    {
        delete m_top;
        m_scripts.reset();
        temp_dir_test::TearDown();
    }
    std::string run(const std::string &file, const std::string &text, int template_mode = 0)
    {
        write_data("scripts/" + file, text);
        return exception_text([&] { m_scripts->execute_script(("scripts/" + file).c_str(), m_top, template_mode); });
    }
    int children_of(abstract_c *o)
    {
        int n = 0;
        for (abstract_c *c = o->first_child(); c; c = c->next_sibling())
            n++;
        return n;
    }

    std::unique_ptr<scripts_c> m_scripts;
    abstract_c *m_top = nullptr;
};

abstract_c *abstract_creator(abstract_c *parent, const attribute_list_c *attributes)
{
    return new abstract_c(parent, attributes);
}

} // namespace

TEST(creators, table_is_sorted_and_keeps_the_first)
{
    register_test_classes();
    int before = creator_count();
    EXPECT_EQ(find_creator("zz_test_a", abstract_creator), nullptr);
    EXPECT_EQ(find_creator("a_test_b", abstract_creator), nullptr);
    EXPECT_EQ(creator_count(), before + 2);
    EXPECT_EQ(find_creator("zz_test_a", nullptr), abstract_creator);
    EXPECT_EQ(find_creator("A_test_b", nullptr), nullptr) << "names are case-sensitive";
    EXPECT_NE(find_creator("root", nullptr), nullptr);
    EXPECT_EQ(find_creator("root", abstract_creator), find_creator("root", nullptr));
    EXPECT_EQ(creator_count(), before + 2);
    EXPECT_EQ(exception_text([] { create_object("no_such_class", nullptr, nullptr); }),
              "Could not find creator function for classname 'no_such_class'");
}

TEST(creators, duplicate_and_overflow_end_the_program)
{
    register_test_classes();
    EXPECT_EXIT(register_creator("clock", abstract_creator), ::testing::ExitedWithCode(1),
                "Duplicate classnames 'clock'");
    EXPECT_EXIT(
        {
            static std::vector<std::string> names;
            names.reserve(MAX_CREATORS + 1);
            for (int i = creator_count(); i < MAX_CREATORS; ++i) {
                names.push_back("filler_" + std::to_string(i));
                register_creator(names.back().c_str(), abstract_creator);
            }
            register_creator("one_too_many", abstract_creator);
        },
        ::testing::ExitedWithCode(1), "Too many creators \\(4096\\)'");
}

TEST(creators, select_by_name)
{
    auto mode = [](const char *text) { return select_by_name(text, 1, "16bit", 2, "32bit", 3, "windowed", -1, nullptr); };
    EXPECT_EQ(mode("windowed"), 3);
    EXPECT_EQ(mode("16bit"), 1);
    EXPECT_EQ(mode("full"), -1);
    EXPECT_EQ(mode("Windowed"), -1);
}

TEST_F(scripts_test, attribute_blocks)
{
    tok_c text("{ int i = 0x10; float f = 90g; string s = \"a\\tb\"; vec2 p = [1 2]; vec3 v = [1 2 3]; "
               "rect r = [10 20 30 40]; int i = 7; }",
               0);
    attribute_list_c list;
    scripts_c::parse_attributes(list, text, nullptr);
    EXPECT_EQ(get_required_attribute(list, "i")->get_int(), 7) << "a repeated name keeps the last value";
    EXPECT_NEAR(get_required_attribute(list, "f")->get_float(), 1.5707963f, 1e-6);
    EXPECT_STREQ(get_required_attribute(list, "s")->get_const_pchar(), "a\tb");
    EXPECT_EQ(get_required_attribute(list, "p")->get_vec2(), vec2(1, 2));
    EXPECT_EQ(get_required_attribute(list, "v")->get_vec3(), vec3(1, 2, 3));
    EXPECT_EQ(get_required_attribute(list, "r")->get_rect2(), rect(10, 20, 40, 60));

    attribute_list_c copy;
    tok_c empty("{}", 0);
    scripts_c::parse_attributes(copy, empty, &list);
    int n = 0;
    for (attribute_c *a = copy.first(); a; a = a->next())
        n++;
    EXPECT_EQ(n, 6);
    EXPECT_EQ(get_required_attribute(copy, "i")->get_int(), 7);

    // A string value holds 510 characters; a longer one is refused as too long, where it opens.
    const std::string longest(510, 's');
    tok_c fits(("{ string s = \"" + longest + "\"; }").c_str(), 0);
    attribute_list_c long_list;
    scripts_c::parse_attributes(long_list, fits, nullptr);
    EXPECT_EQ(get_required_attribute(long_list, "s")->get_const_pchar(), longest);
    const std::string too_long = "{ string s = \"" + longest + "t\"; }", far_too_long = "{ string s = \"" +
                                                                                           std::string(600, 's') + "\"; }";

    struct
    {
        const char *text;
        const char *message;
    } errors[] = {
        {too_long.c_str(), "L1,14: quoted string too long (at most 510 characters)"},
        {far_too_long.c_str(), "L1,14: quoted string too long (at most 510 characters)"},
        {"{ string s = 5; }", "L1,15: quoted string expected"},
        {"{ int i = 1; float i = 2; }", "Type mismatch in assignment operator"},
        {"{ double d = 1; }", "L1,13: unknown attribute typename"},
        {"{ int i = 1 }", "L1,13: ';' expected"},
        {"{ int i 1; }", "L1,9: '=' expected"},
        {"int i = 1;", "L1,1: '{' expected"},
        {"{ int i = 1;", "L1,13: identifier expected"},
    };
    for (const auto &e : errors) {
        tok_c t(e.text, 0);
        attribute_list_c l;
        EXPECT_EQ(exception_text([&] { scripts_c::parse_attributes(l, t, nullptr); }), e.message) << e.text;
    }
}

TEST_F(scripts_test, nested_creates_and_creation_finished_order)
{
    ASSERT_EQ(run("tree.isc", "create test_recorder { string name = \"a\"; } children : {\r\n"
                              "  create test_recorder { string name = \"b\"; } children : {\r\n"
                              "    create test_recorder { string name = \"c\"; };\r\n"
                              "  };\r\n"
                              "  create abstract { };\r\n"
                              "};\r\n"
                              "stray_word\r\n"
                              "create test_recorder { string name = \"d\"; };\r\n"),
              "");
    // Children finish first; creation_finished also reaches the children of its target.
    EXPECT_EQ(test_events, (std::vector<std::string>{"finished:c", "finished:b", "finished:c", "finished:a",
                                                     "finished:b", "finished:c", "finished:d"}));
    ASSERT_EQ(children_of(m_top), 2);
    abstract_c *a = m_top->last_child();
    EXPECT_STREQ(a->attribute("name")->get_const_pchar(), "a");
    EXPECT_EQ(children_of(a), 2);
}

TEST_F(scripts_test, templates_local_and_global)
{
    ASSERT_EQ(run("templates.isc", "template base { int x = 1; string s = \"base\"; };\r\n"
                                   "template derived : base { int x = 2; int y = 3; };\r\n",
                  1),
              "");
    EXPECT_EQ(m_scripts->template_count(), 2);
    ASSERT_EQ(run("init.isc", "template local : derived { int z = 4; };\r\n"
                              "create test_recorder : local { string name = \"t\"; };\r\n"),
              "");
    EXPECT_EQ(m_scripts->template_count(), 2) << "the normal run's template is gone after it";
    abstract_c *t = m_top->first_child();
    EXPECT_EQ(t->attribute("x")->get_int(), 2);
    EXPECT_EQ(t->attribute("y")->get_int(), 3);
    EXPECT_EQ(t->attribute("z")->get_int(), 4);
    EXPECT_STREQ(t->attribute("s")->get_const_pchar(), "base");
    EXPECT_STREQ(t->attribute("name")->get_const_pchar(), "t");

    EXPECT_EQ(get_required_attribute(*scripts_c::find_template("derived"), "x")->get_int(), 2);
    EXPECT_EQ(exception_text([] { scripts_c::find_template("local"); }), "Undeclared template 'local'");
    abstract_c from_template(m_top, "base");
    EXPECT_EQ(from_template.attribute("x")->get_int(), 1);

    // A parser error removes the run's templates too; template-mode ones stay. Other errors
    // leave the templates as they are.
    EXPECT_NE(run("bad.isc", "template gone { };\r\ncreate abstract { } oops;\r\n"), "");
    EXPECT_EQ(m_scripts->template_count(), 2);
    EXPECT_EQ(exception_text([] { scripts_c::find_template("gone"); }), "Undeclared template 'gone'");
    EXPECT_EQ(run("worse.isc", "template kept { };\r\ncreate no_class_here { };\r\n"),
              "Could not find creator function for classname 'no_class_here'");
    EXPECT_EQ(m_scripts->template_count(), 3);
}

TEST_F(scripts_test, includes_run_beside_the_including_script)
{
    write_data("scripts/sub/leaf.isc", "create test_recorder { string name = \"leaf\"; };\r\n");
    write_data("scripts/part.isc", "template from_part { int v = 5; };\r\n"
                                   "include \"sub/leaf.isc\";\r\n");
    ASSERT_EQ(run("main.isc", "include \"part.isc\";\r\n"
                              "create test_recorder : from_part { string name = \"main\"; };\r\n"),
              "");
    EXPECT_EQ(test_events, (std::vector<std::string>{"finished:leaf", "finished:main"}));
    EXPECT_EQ(m_top->first_child()->attribute("v")->get_int(), 5);
    EXPECT_EQ(children_of(m_top), 2) << "included objects get the same parent";
}

TEST_F(scripts_test, parser_errors_carry_script_and_position)
{
    const std::string long_name(300, 'n');
    struct
    {
        const char *file;
        std::string text;
        int template_mode;
        std::string message;
    } cases[] = {
        {"a.isc", "create abstract { } children : {\r\n  template t { };\r\n};\r\n", 0,
         "L2,11: Templates cannot be someone's children"},
        {"b.isc", "template global { };\r\ncreate abstract { };\r\n", 1,
         "L2,7: Cannot 'create' on template scripts"},
        {"c.isc", "template t { };\r\ntemplate t { };\r\n", 0, "L2,11: Duplicate template name 't'"},
        {"c2.isc", "template global { };\r\n", 0, "L1,16: Duplicate template name 'global'"},
        {"d.isc", "template t : missing { };\r\n", 0, "L1,21: undeclared template 'missing'"},
        {"e.isc", "create abstract : missing { };\r\n", 0, "L1,26: undeclared template 'missing'"},
        {"f.isc", "create abstract { int i = 1; }\r\n", 0, "L2,1: ';' expected"},
        {"g.isc", "word { }\r\n", 0, "L1,6: identifier expected"},
        {"h.isc", "create abstract { } children { };\r\n", 0, "L1,30: ':' expected"},
        {"i.isc", "42;\r\n", 0, "L1,1: identifier expected"},
        {"j.isc", "include \"" + long_name + "\";\r\n", 0, ""},
        {"k.isc", "include \"k.isc\";\r\n", 0, "L1,17: includes nested deeper than 32 at 'k.isc'"},
    };
    for (const auto &c : cases) {
        std::string message = run(c.file, c.text, c.template_mode);
        std::string prefix = std::string("Executing script 'scripts/") + c.file + "' failed: ";
        ASSERT_EQ(message.substr(0, prefix.size()), prefix) << c.file << ": " << message;
        if (!c.message.empty()) {
            EXPECT_EQ(message.substr(prefix.size()), c.message) << c.file;
        }
    }
    // The include name fits the 256-byte string buffer only up to 254 characters.
    std::string long_include = run("l.isc", "include \"" + std::string(254, 'n') + "\";\r\n");
    EXPECT_EQ(long_include, "Could not open file 'data/scripts/" + std::string(254, 'n') + "'");
}

TEST_F(scripts_test, children_nesting_is_bounded)
{
    // n children blocks, one inside the other, on one line each.
    auto nested = [](int n) {
        std::string text;
        for (int i = 0; i < n; i++)
            text += "create abstract { } children : {\n";
        text += "create abstract { };\n";
        for (int i = 0; i < n; i++)
            text += "};\n";
        return text;
    };
    ASSERT_EQ(run("deep.isc", nested(MAX_CHILDREN_DEPTH)), "");
    abstract_c *o = m_top;
    int depth = 0;
    while (o->first_child()) {
        o = o->first_child();
        depth++;
    }
    EXPECT_EQ(depth, MAX_CHILDREN_DEPTH + 1);

    const std::string refused = "Executing script 'scripts/deeper.isc' failed: L" +
                                std::to_string(MAX_CHILDREN_DEPTH + 1) + ",33: children nested deeper than " +
                                std::to_string(MAX_CHILDREN_DEPTH);
    EXPECT_EQ(run("deeper.isc", nested(MAX_CHILDREN_DEPTH + 1)), refused);
    // Thousands of levels fail the same way instead of exhausting the stack.
    EXPECT_EQ(run("deeper.isc", nested(12000)), refused);
}

TEST_F(scripts_test, other_errors_pass_through_unwrapped)
{
    EXPECT_EQ(run("a.isc", "create no_such_class { };\r\n"),
              "Could not find creator function for classname 'no_such_class'");
    EXPECT_EQ(run("b.isc", "template t { int i = 1; };\r\ncreate abstract : t { float i = 1; };\r\n"),
              "Type mismatch in assignment operator");
    bool file_error = false;
    try {
        m_scripts->execute_script("scripts/missing.isc", m_top, 0);
    } catch (const file_io_exception_c &e) {
        file_error = e.get_message() == "Could not open file 'data/scripts/missing.isc'";
    }
    EXPECT_TRUE(file_error);
}

TEST(scripts_runner, is_unique)
{
    EXPECT_EQ(exception_text([] { scripts_c::instance(); }), "Debug assertion failed! Expression: \"m_singletone\"");
    scripts_c first;
    EXPECT_EQ(scripts_c::instance(), &first);
    EXPECT_EQ(exception_text([] { scripts_c second; }), "scripts_c is not unique");
    EXPECT_EQ(scripts_c::instance(), &first);
}
