// Delayed messages: what they keep, what they deliver, once, and what they refuse.
#include "game/universal_delay.h"
#include "tests/game/timers/game_listener.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

class delayed_message_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root.reset(new abstract_c(nullptr));
        owner = new abstract_c(root.get());
        listener = new game_listener_c(root.get(), {"question", "can_vote", "react_on_answer"});
    }
    void TearDown() override { root->shutdown_tree(); }
    static int send(abstract_c *delayed) { return delayed->message(MSG_VAR(send_message), 0, nullptr, MSG_ARGS_END); }

    std::unique_ptr<abstract_c> root;
    abstract_c *owner = nullptr;
    game_listener_c *listener = nullptr;
};

TEST_F(delayed_message_test, twenty_arguments_of_every_type_arrive_in_order_with_texts_owned)
{
    int target = 0;
    char pchar[] = "pchar";
    const value_c kinds[] = {value_c(7),          value_c(2.5f),
                             value_c((void *)&target), value_c((const void *)&target),
                             value_c(pchar),      value_c("const"),
                             value_c("owned", value_c::STRING), value_c(vec2(1, 2)),
                             value_c(vec3(1, 2, 3)), value_c(rect(1, 2, 3, 4))};
    const int kind_count = (int)(sizeof kinds / sizeof kinds[0]);
    std::vector<const value_c *> args;
    std::string expected = "question(";
    for (int i = 0; i < DELAYED_MESSAGE_MAX_ARGS; ++i) {
        const value_c &v = kinds[i % kind_count];
        args.push_back(&v);
        std::string text = value_text(v);
        // Every text arrives as an owned copy.
        for (const char *tag : {"PCHAR:", "CONST_PCHAR:"})
            if (text.rfind(tag, 0) == 0)
                text = "STRING:" + text.substr(std::strlen(tag));
        expected += (i ? "," : "") + text;
    }
    expected += ")";
    auto *delayed = new delayed_message_c(owner, "question", args.data(), (int)args.size());
    EXPECT_EQ(delayed->argument_count(), DELAYED_MESSAGE_MAX_ARGS);
    EXPECT_EQ(delayed->argument(DELAYED_MESSAGE_MAX_ARGS).type(), value_c::VOID_VALUE);
    pchar[0] = 'X';
    EXPECT_EQ(send(delayed), 1);
    EXPECT_EQ(listener->take(), expected);
    EXPECT_EQ(listener->senders.back(), delayed);
}

TEST_F(delayed_message_test, a_twenty_first_argument_is_refused_and_nothing_joins_the_tree)
{
    const value_c one(1);
    for (int count : {21, 40}) {
        std::vector<const value_c *> args((size_t)count, &one);
        EXPECT_EQ(thrown_text([&] { new delayed_message_c(owner, "question", args.data(), count); }),
                  "Too many parameters in delayed message !");
        EXPECT_EQ(child_count(owner), 0);
    }
    try {
        std::vector<const value_c *> args(21, &one);
        new delayed_message_c(owner, "question", args.data(), 21);
    } catch (const exception_c &e) {
        EXPECT_EQ(e.source_file(), "game/universal_delay.cpp");
    }
}

TEST_F(delayed_message_test, arguments_end_at_the_first_void_value)
{
    const struct
    {
        std::function<delayed_message_c *()> make;
        std::string heard;
    } cases[] = {
        {[&] { return new delayed_message_c(owner, "can_vote", MSG_ARGS_END); }, "can_vote()"},
        {[&] { return new delayed_message_c(owner, "can_vote"); }, "can_vote()"},
        {[&] { return new delayed_message_c(owner, "can_vote", MSG_ARG(3), MSG_ARGS_END, MSG_ARG(4), MSG_ARGS_END); },
         "can_vote(INT:3)"},
        {[&] {
             return new delayed_message_c(owner, "react_on_answer", MSG_ARG(1), MSG_ARG(0), MSG_ARG(2), MSG_ARG(77),
                                          MSG_ARGS_END);
         },
         "react_on_answer(INT:1,INT:0,INT:2,INT:77)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.heard);
        EXPECT_EQ(send(c.make()), 1);
        EXPECT_EQ(listener->take(), c.heard);
    }
}

TEST_F(delayed_message_test, a_text_is_kept_as_it_was_at_construction)
{
    auto buffer = std::make_unique<char[]>(32);
    std::strcpy(buffer.get(), "start_relay");
    auto *delayed = new delayed_message_c(owner, "question", MSG_ARG(buffer.get()), MSG_ARG(1), MSG_ARGS_END);
    std::strcpy(buffer.get(), "overwritten");
    buffer.reset();
    EXPECT_EQ(send(delayed), 1);
    EXPECT_EQ(listener->take(), "question(STRING:start_relay,INT:1)");
}

TEST_F(delayed_message_test, it_is_sent_once_even_when_its_own_message_asks_again)
{
    auto *delayed = new delayed_message_c(owner, "question", MSG_ARG(5), MSG_ARGS_END);
    object_pointer_c alive(delayed);
    listener->on_heard = [&](const std::string &) {
        EXPECT_EQ(alive.get(), nullptr) << "dead while its message travels";
        EXPECT_EQ(send(delayed), 0);
    };
    EXPECT_EQ(send(delayed), 1);
    EXPECT_EQ(listener->take(), "question(INT:5)");
    EXPECT_EQ(send(delayed), 0);
    EXPECT_EQ(listener->take(), "");
    root->collect_dead_children();
    EXPECT_EQ(child_count(owner), 0);
}

TEST_F(delayed_message_test, other_messages_pass_and_a_dead_parent_takes_it_unsent)
{
    new delayed_message_c(owner, "question", MSG_ARG(5), MSG_ARGS_END);
    EXPECT_EQ(root->message(MSG_VAR(sequence_finished), 0, nullptr, MSG_ARGS_END), 0);
    EXPECT_EQ(root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(1.0f), MSG_ARG(0.1f), MSG_ARGS_END), 0);
    owner->shutdown_tree();
    root->collect_dead_children();
    EXPECT_EQ(listener->take(), "");
}

TEST_F(delayed_message_test, a_long_name_is_kept_whole)
{
    const std::string name(300, 'q');
    auto *heard = new game_listener_c(root.get(), {name});
    auto *delayed = new delayed_message_c(owner, name.c_str(), MSG_ARGS_END);
    EXPECT_EQ(send(delayed), 1);
    EXPECT_EQ(heard->take(), name + "()");
}

} // namespace
