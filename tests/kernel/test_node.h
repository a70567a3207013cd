// A tree node for kernel tests: records its handler calls, shutdown hooks and deletions in a
// shared journal, and lets a test give it a priority and a handler.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "kernel/abstract.h"
#include "kernel/exception.h"

struct journal_c
{
    std::vector<std::string> entries;
    std::string joined() const
    {
        std::string s;
        for (const std::string &e : entries)
            s += (s.empty() ? "" : " ") + e;
        return s;
    }
};

class node_c : public abstract_c
{
public:
    using handler_f = std::function<int(node_c *self, const msg_c *message, abstract_c *sender)>;

    node_c(abstract_c *parent, std::string name, journal_c *journal, const attribute_list_c *attributes = nullptr)
        : abstract_c(parent, attributes), m_name(std::move(name)), m_journal(journal)
    {
    }
    ~node_c() override
    {
        if (m_journal)
            m_journal->entries.push_back("~" + m_name);
    }

    void on_shutdown() override
    {
        if (m_journal)
            m_journal->entries.push_back("down:" + m_name);
    }
    int get_priority() const override { return m_priority; }
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (m_journal)
            m_journal->entries.push_back(m_name);
        return m_handler ? m_handler(this, message, sender) : 0;
    }

    std::string m_name;
    journal_c *m_journal;
    int m_priority = 0;
    handler_f m_handler;
};

// Names of the children of `parent` from the first to the last.
inline std::string child_names(const abstract_c *parent)
{
    std::string s;
    for (const abstract_c *c = parent->first_child(); c; c = c->next_sibling())
        s += (s.empty() ? "" : " ") + static_cast<const node_c *>(c)->m_name;
    return s;
}

// The same from the last to the first, following the other links.
inline std::string child_names_backwards(const abstract_c *parent)
{
    std::string s;
    for (const abstract_c *c = parent->last_child(); c; c = c->prev_sibling())
        s = static_cast<const node_c *>(c)->m_name + (s.empty() ? "" : " ") + s;
    return s;
}

// Calls f and returns the message of the exception_c it throws ("" when none).
template <class F> std::string thrown_message(F &&f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "";
}

inline std::string assertion_text(const char *expression)
{
    return std::string("Debug assertion failed! Expression: \"") + expression + "\"";
}
