// delayed_message_c: a message name with its argument values, packed into an object of the
// tree so that it can be handed around as a PTR and sent later. The game adds one to a
// location's sequence (add_to_sequence "animation_message", PTR to it); when the movie loader
// reaches the step it sends the object send_message, and the object then ends itself with
// shutdown_tree, broadcasts its message from the root (flags 0, itself as sender) with the
// stored arguments and claims send_message (1). Every other message: 0. Being dead from the
// moment it sends, it cannot be sent twice, not even by what its own message sets off; one
// whose parent dies first is destroyed unsent.
//
// It holds at most DELAYED_MESSAGE_MAX_ARGS values, taken in order up to the first void
// value; one more is refused with "Too many parameters in delayed message !" before anything
// joins the tree. Texts (PCHAR, CONST_PCHAR, STRING) are stored as owned STRING copies, so
// the creator's buffers may change or go at once; other values are plain copies (a PTR still
// points where it pointed). All stored arguments are delivered, and only those, followed by
// the end marker. The name is copied whole; its identifier is computed when it is sent.
#pragma once

#include <string>
#include <type_traits>
#include <vector>

#include "kernel/abstract.h"

constexpr int DELAYED_MESSAGE_MAX_ARGS = 20;

class delayed_message_c : public abstract_c
{
public:
    // (parent, name, MSG_ARG(x)..., MSG_ARGS_END): the values up to the first void one.
    template <class... A>
        requires(std::is_same_v<A, value_c> && ...)
    delayed_message_c(abstract_c *parent, const char *name, const A &...args)
        : delayed_message_c(parent, name, pointer_list<A...>(args...).items, int(sizeof...(A)))
    {
    }
    // The first `count` values of `args` (fewer when a void one comes first).
    delayed_message_c(abstract_c *parent, const char *name, const value_c *const *args, int count);

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    const std::string &name() const { return m_name; }
    int argument_count() const { return (int)m_arguments.size(); }
    // A void value beyond the stored ones.
    const value_c &argument(int index) const;

private:
    template <class... A> struct pointer_list
    {
        explicit pointer_list(const A &...args) : items{&args..., nullptr} {}
        const value_c *items[sizeof...(A) + 1];
    };
    // The parent, once the argument count has been checked.
    static abstract_c *checked_parent(abstract_c *parent, const value_c *const *args, int count);

    std::vector<value_c> m_arguments;
    std::string m_name;
};
