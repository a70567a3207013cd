// The UI container: screen scripts replace each other under it, destroy_ui ends it, and its
// render puts the hint layer over the screens. The loading messages, which make a loading
// picture with its texture, are tested with the game's screens (tests/ui/game_screens).
#include "../../kernel/scripts/script_fixture.h"

#include "basics/vec3.h"
#include "kernel/scripts.h"
#include "ui/creators.h"

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> screen_log; // "died:<name>", "draw:<name>"

// A screen as the game's screens behave: the first kill_screen that reaches it shuts it down
// and ends the delivery. Priority from the attribute `priority` (0 when absent).
class test_screen_c : public abstract_c
{
public:
    test_screen_c(abstract_c *parent, const attribute_list_c *attributes) : abstract_c(parent, attributes)
    {
        value_c *name = find_attribute("name");
        m_name = name ? name->get_const_pchar() : "?";
        value_c *priority = find_attribute("priority");
        m_priority = priority ? priority->get_int() : 0;
    }
    int get_priority() const override { return m_priority; }
    void on_shutdown() override { screen_log.push_back("died:" + m_name); }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(kill_screen) && m_priority == 0) {
            shutdown_tree();
            return 1;
        }
        if (*message == MSG_VAR(render))
            screen_log.push_back("draw:" + m_name);
        return 0;
    }

    std::string m_name;
    int m_priority = 0;
};

void register_classes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    register_test_classes();
    ui_register_creators();
    register_creator("test_screen", make_object<test_screen_c>);
}

class ui_container_test : public temp_dir_test
{
protected:
    void SetUp() override
    {
        temp_dir_test::SetUp();
        register_classes();
        screen_log.clear();
        m_scripts = std::make_unique<scripts_c>();
        m_root = new abstract_c(nullptr, (const attribute_list_c *)nullptr);
        m_container = create_object("ui_container", m_root, nullptr);
        for (const char *name : {"a", "b"})
            write_data(std::string("scripts/screen_") + name + ".isc",
                       std::string("create test_screen { string name = \"") + name +
                           "\"; } children : {\r\n  create test_screen { string name = \"" + name +
                           "_control\"; int priority = 1; };\r\n};\r\n");
    }
    void TearDown() override
    {
        m_root->shutdown_tree();
        delete m_root;
        m_scripts.reset();
        temp_dir_test::TearDown();
    }

    int load(const char *name)
    {
        return m_root->message(MSG_VAR(load_screen), 0, nullptr, MSG_ARG(value_c(name, value_c::STRING)),
                               MSG_ARGS_END);
    }
    // The names of the live screens below the container, oldest first.
    std::vector<std::string> live_screens() const
    {
        std::vector<std::string> names;
        for (abstract_c *c = m_container->last_child(); c; c = c->prev_sibling())
            if (c->alive())
                names.push_back(static_cast<test_screen_c *>(c)->m_name);
        return names;
    }

    std::unique_ptr<scripts_c> m_scripts;
    abstract_c *m_root = nullptr;
    abstract_c *m_container = nullptr;
};

using names = std::vector<std::string>;

TEST_F(ui_container_test, a_load_replaces_the_live_screen_with_its_controls)
{
    EXPECT_EQ(load("screen_a"), 1);
    EXPECT_EQ(live_screens(), names{"a"});
    EXPECT_EQ(load("screen_b"), 1);
    EXPECT_EQ(live_screens(), names{"b"});
    EXPECT_EQ(screen_log, (names{"died:a_control", "died:a"}));
    // The dead screen goes at the next collection; the new one stays.
    m_root->collect_dead_children();
    EXPECT_EQ(live_screens(), names{"b"});
    EXPECT_EQ(m_container->first_child(), m_container->last_child());
}

TEST_F(ui_container_test, an_empty_name_only_removes_the_screen)
{
    load("screen_a");
    EXPECT_EQ(load(""), 1);
    EXPECT_TRUE(live_screens().empty());
    EXPECT_TRUE(m_container->alive());
    // Nothing left to remove: the next empty load changes nothing.
    EXPECT_EQ(load(""), 1);
    EXPECT_EQ(screen_log, (names{"died:a_control", "died:a"}));
}

TEST_F(ui_container_test, a_missing_script_fails_after_the_old_screen_died)
{
    load("screen_a");
    EXPECT_NE(exception_text([&] { load("screen_missing"); }).find("scripts/screen_missing.isc"), std::string::npos);
    EXPECT_TRUE(live_screens().empty());
    EXPECT_EQ(screen_log, (names{"died:a_control", "died:a"}));
}

TEST_F(ui_container_test, after_destroy_ui_loads_reach_nothing)
{
    load("screen_a");
    EXPECT_EQ(m_root->message(MSG_VAR(destroy_ui), 0, nullptr, MSG_ARGS_END), 0);
    EXPECT_FALSE(m_container->alive());
    EXPECT_EQ(screen_log, (names{"died:a_control", "died:a"}));
    EXPECT_EQ(load("screen_b"), 0);
    m_root->collect_dead_children();
    EXPECT_EQ(m_root->first_child(), nullptr);
}

TEST_F(ui_container_test, render_draws_the_hint_layer_over_the_screens_in_tree_order)
{
    attribute_list_c layer;
    add_attribute(nullptr, layer, "name", value_c("hints", value_c::STRING), 0);
    add_attribute(nullptr, layer, "priority", value_c(-1), 0);
    new test_screen_c(m_container, &layer);
    load("screen_a");
    // The second screen is loaded beside the first, as a loading picture sits beside a screen.
    m_scripts->execute_script("scripts/screen_b.isc", m_container, 0);
    screen_log.clear();
    for (int frame = 0; frame < 2; ++frame)
        m_root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
    EXPECT_EQ(screen_log, (names{"draw:a", "draw:a_control", "draw:b", "draw:b_control", "draw:hints",
                                 "draw:a", "draw:a_control", "draw:b", "draw:b_control", "draw:hints"}));
}

TEST_F(ui_container_test, answers_get_display_with_the_ui_screen_space)
{
    vec2 size;
    EXPECT_EQ(m_root->message(MSG_VAR(get_display), 0, nullptr, MSG_ARG((void *)&size), MSG_ARGS_END), 1);
    EXPECT_EQ(size, vec2(1024.0f, 768.0f));
}

} // namespace
