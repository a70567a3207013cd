#include <gtest/gtest.h>

#include <string>

#include "basics/rect.h"
#include "basics/vec3.h"
#include "kernel/attribute.h"
#include "kernel/message.h"
#include "test_node.h"

namespace {

TEST(value, the_cpp_type_chooses_the_tag)
{
    int i = 0;
    const int ci = 0;
    char text[4] = "abc";
    abstract_c *object = nullptr;
    struct
    {
        value_c value;
        value_c::type_e type;
    } cases[] = {
        {MSG_ARGS_END, value_c::VOID_VALUE},
        {MSG_ARG(5), value_c::INT},
        {MSG_ARG(5u), value_c::INT},
        {MSG_ARG(true), value_c::INT},
        {MSG_ARG('c'), value_c::INT},
        {MSG_ARG(1.5f), value_c::FLOAT},
        {MSG_ARG(1.5), value_c::FLOAT},
        {MSG_ARG((void *)&i), value_c::PTR},
        {MSG_ARG(&i), value_c::PTR},
        {MSG_ARG(object), value_c::PTR},
        {MSG_ARG(nullptr), value_c::PTR},
        {MSG_ARG((void *)NULL), value_c::PTR},
        {MSG_ARG((const void *)&i), value_c::CONST_PTR},
        {MSG_ARG(&ci), value_c::CONST_PTR},
        {MSG_ARG(text), value_c::PCHAR},
        {MSG_ARG((const char *)text), value_c::CONST_PCHAR},
        {MSG_ARG("literal"), value_c::CONST_PCHAR},
        {value_c("owned", value_c::STRING), value_c::STRING},
        {MSG_ARG(vec2(1, 2)), value_c::VEC2},
        {MSG_ARG(vec3(1, 2, 3)), value_c::VEC3},
        {MSG_ARG(rect(1, 2, 3, 4)), value_c::RECT2},
    };
    int n = 0;
    for (const auto &c : cases)
        EXPECT_EQ(c.value.type(), c.type) << "case " << n++;
}

TEST(value, payloads_read_back)
{
    int target = 0;
    char text[] = "edit";
    EXPECT_EQ(value_c(-7).get_int(), -7);
    EXPECT_EQ(value_c(0.25f).get_float(), 0.25f);
    EXPECT_EQ(value_c((void *)&target).get_ptr(), &target);
    EXPECT_EQ(value_c((void *)&target).get_const_ptr(), &target);
    EXPECT_EQ(value_c((const void *)&target).get_const_ptr(), &target);
    EXPECT_EQ(value_c(text).get_pchar(), text);
    EXPECT_EQ(value_c(text).get_const_pchar(), text);
    EXPECT_EQ(value_c((const char *)text).get_const_pchar(), text);
    EXPECT_STREQ(value_c(text, value_c::STRING).get_const_pchar(), "edit");
    EXPECT_NE(value_c(text, value_c::STRING).get_const_pchar(), text);
    vec2 v2 = value_c(vec2(1, 2)).get_vec2();
    EXPECT_EQ(v2.x, 1);
    EXPECT_EQ(v2.y, 2);
    vec3 v3 = value_c(vec3(1, 2, 3)).get_vec3();
    EXPECT_EQ(v3.z, 3);
    rect r = value_c(rect(1, 2, 3, 4)).get_rect2();
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.right, 3);
    EXPECT_EQ(r.bottom, 4);

    value_c i(1), v(vec3(0, 0, 0)), s("a", value_c::STRING);
    i.set_int(9);
    v.set_vec3(vec3(4, 5, 6));
    s.set_string("b");
    EXPECT_EQ(i.get_int(), 9);
    EXPECT_EQ(v.get_vec3().y, 5);
    EXPECT_STREQ(s.get_const_pchar(), "b");
}

TEST(value, string_buffers)
{
    struct
    {
        size_t length;
        uint32_t size;
    } cases[] = {{0, 32}, {3, 32}, {31, 32}, {32, 33}, {100, 101}};
    for (const auto &c : cases) {
        std::string text(c.length, 'q');
        value_c v(text.c_str(), value_c::STRING);
        EXPECT_EQ(v.string_buffer_size(), c.size) << c.length;
        value_c copy(v);
        EXPECT_EQ(copy.string_buffer_size(), c.size);
        EXPECT_NE(copy.get_const_pchar(), v.get_const_pchar());
        EXPECT_EQ(copy.get_const_pchar(), text);
    }
    EXPECT_EQ(value_c("p").string_buffer_size(), 0u);
}

// Setting a STRING from its own text copies before it frees.
TEST(value, string_from_its_own_text)
{
    value_c v(std::string(50, 'z').c_str(), value_c::STRING);
    v.set_string(v.get_const_pchar());
    EXPECT_EQ(v.get_const_pchar(), std::string(50, 'z'));
    v.set_string(v.get_const_pchar() + 45);
    EXPECT_STREQ(v.get_const_pchar(), "zzzzz");
    EXPECT_EQ(v.string_buffer_size(), 32u);
    value_c alias(v.get_const_pchar());
    v = value_c(alias.get_const_pchar(), value_c::STRING);
    EXPECT_STREQ(v.get_const_pchar(), "zzzzz");
    v = v;
    EXPECT_STREQ(v.get_const_pchar(), "zzzzz");
}

TEST(value, assignment_keeps_the_tag)
{
    value_c f(1.0f), i(2), none;
    value_c s("old", value_c::STRING);
    EXPECT_EQ(thrown_message([&] { f = i; }), "Type mismatch in assignment operator");
    EXPECT_EQ(thrown_message([&] { f = none; }), "Void value in assignment operator");
    EXPECT_EQ(thrown_message([&] { none = i; }), "Type mismatch in assignment operator");
    EXPECT_EQ(thrown_message([&] { none = value_c(); }), "Void value in assignment operator");
    EXPECT_EQ(thrown_message([&] { s = value_c("text"); }), "Type mismatch in assignment operator");
    EXPECT_EQ(f.get_float(), 1.0f);
    f = value_c(3.0f);
    s = value_c(std::string(40, 'n').c_str(), value_c::STRING);
    EXPECT_EQ(f.get_float(), 3.0f);
    EXPECT_EQ(s.string_buffer_size(), 41u);
}

TEST(value, getters_and_setters_assert_the_tag)
{
    int x = 0;
    value_c i(1), f(1.0f), p((void *)&x), cp((const void *)&x), pc((char *)nullptr), s("s", value_c::STRING);
    value_c v2(vec2(0, 0));
    struct
    {
        std::function<void()> call;
        const char *expression;
    } cases[] = {
        {[&] { f.get_int(); }, "m_type == INT"},
        {[&] { i.get_float(); }, "m_type == FLOAT"},
        {[&] { cp.get_ptr(); }, "m_type == PTR"},
        {[&] { i.get_const_ptr(); }, "m_type == PTR || m_type == CONST_PTR"},
        {[&] { s.get_pchar(); }, "m_type == PCHAR"},
        {[&] { p.get_const_pchar(); }, "m_type == PCHAR || m_type == CONST_PCHAR || m_type == STRING"},
        {[&] { i.get_vec2(); }, "m_type == VEC2"},
        {[&] { v2.get_vec3(); }, "m_type == VEC3"},
        {[&] { v2.get_rect2(); }, "m_type == RECT2"},
        {[&] { f.set_int(1); }, "m_type == INT"},
        {[&] { i.set_vec2(vec2()); }, "m_type == VEC2"},
        {[&] { v2.set_vec3(vec3()); }, "m_type == VEC3"},
        {[&] { v2.set_rect2(rect()); }, "m_type == RECT2"},
        {[&] { pc.set_string("x"); }, "m_type == STRING"},
        {[&] { value_c bad("x", value_c::PCHAR); }, "str_type == STRING"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(thrown_message(c.call), assertion_text(c.expression));
}

TEST(attributes, adding_finding_and_duplicates)
{
    attribute_list_c list;
    add_attribute(nullptr, list, "speed", value_c(1.0f), 0);
    add_attribute(nullptr, list, "name", value_c("a", value_c::STRING), 0);
    EXPECT_EQ(find_attribute(list, "speed")->get_float(), 1.0f);
    EXPECT_EQ(find_attribute_by_id(list, string_to_id("name")), find_attribute(list, "name"));
    EXPECT_EQ(find_attribute(list, "Speed"), nullptr);
    EXPECT_EQ(get_required_attribute(list, "name")->type(), value_c::STRING);
    EXPECT_EQ(thrown_message([&] { get_required_attribute(list, "size"); }),
              "Could not find required attribute 'size'");
    EXPECT_EQ(thrown_message([&] { add_attribute(nullptr, list, "speed", value_c(2), 0); }),
              "Duplicate attribute name 'speed'");
    // "123456789" names the identifier 0xCBF43926, negative as a signed number.
    add_attribute(nullptr, list, "123456789", value_c(0), 0);
    EXPECT_EQ(thrown_message([&] { add_attribute_by_id(nullptr, list, 0xCBF43926u, value_c(1)); }),
              "Duplicate attribute name, name id = '-873187034'");
    EXPECT_EQ(find_or_add_attribute(list, "speed", value_c(9.0f))->get_float(), 1.0f);
    EXPECT_EQ(find_or_add_attribute(list, "size", value_c(9.0f))->get_float(), 9.0f);

    std::string order;
    for (attribute_c *a = list.first(); a; a = a->next())
        order += std::to_string(a->value().type());
    EXPECT_EQ(order, "2712");
}

TEST(attributes, set_by_identifier_and_copy)
{
    attribute_list_c base;
    add_attribute(nullptr, base, "a", value_c(1), 0);
    add_attribute(nullptr, base, "b", value_c("b", value_c::STRING), 0);

    attribute_list_c list;
    copy_attributes(list, &base);
    copy_attributes(list, nullptr);
    set_attribute_by_id(list, string_to_id("a"), value_c(5));
    set_attribute_by_id(list, string_to_id("c"), value_c(2.0f));
    EXPECT_EQ(thrown_message([&] { set_attribute_by_id(list, string_to_id("b"), value_c(3)); }),
              "Type mismatch in assignment operator");
    EXPECT_EQ(find_attribute(list, "a")->get_int(), 5);
    EXPECT_EQ(find_attribute(base, "a")->get_int(), 1);
    EXPECT_NE(find_attribute(list, "b")->get_const_pchar(), find_attribute(base, "b")->get_const_pchar());
    EXPECT_EQ(list.first()->name_id(), string_to_id("a"));
    EXPECT_EQ(list.first()->next()->next()->name_id(), string_to_id("c"));
    EXPECT_EQ(thrown_message([&] { copy_attributes(list, &base); }),
              "Duplicate attribute name, name id = '" + std::to_string((int32_t)string_to_id("a")) + "'");

    attribute_list_c moved(std::move(list));
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(find_attribute(moved, "c")->get_float(), 2.0f);
}

TEST(attributes, embedded_records_are_only_unlinked)
{
    attribute_c state;
    {
        attribute_list_c list;
        add_attribute(nullptr, list, "before", value_c(1), 0);
        add_attribute(&state, list, "state", value_c("kept", value_c::STRING), 1);
        add_attribute(nullptr, list, "after", value_c(2), 0);
        free_attributes(list);
        EXPECT_EQ(list.first(), nullptr);
        EXPECT_EQ(state.next(), nullptr);
        EXPECT_STREQ(state.value().get_const_pchar(), "kept");
        EXPECT_EQ(state.embedded(), 1);
    }
    {
        // An embedded record that dies first leaves the list by itself.
        attribute_list_c list;
        auto *early = new attribute_c;
        add_attribute(nullptr, list, "a", value_c(1), 0);
        add_attribute(early, list, "early", value_c(2), 1);
        add_attribute(nullptr, list, "b", value_c(3), 0);
        delete early;
        EXPECT_EQ(find_attribute(list, "early"), nullptr);
        EXPECT_EQ(list.first()->next()->name_id(), string_to_id("b"));
    }
    EXPECT_STREQ(state.value().get_const_pchar(), "kept");
}

} // namespace
