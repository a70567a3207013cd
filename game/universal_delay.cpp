#include "game/universal_delay.h"

#include "kernel/exception.h"

namespace {

int stored_count(const value_c *const *args, int count)
{
    int n = 0;
    while (n < count && args[n] && args[n]->type() != value_c::VOID_VALUE)
        ++n;
    return n;
}

bool is_text(const value_c &value)
{
    return value.type() == value_c::PCHAR || value.type() == value_c::CONST_PCHAR || value.type() == value_c::STRING;
}

} // namespace

abstract_c *delayed_message_c::checked_parent(abstract_c *parent, const value_c *const *args, int count)
{
    if (stored_count(args, count) > DELAYED_MESSAGE_MAX_ARGS)
        ENGINE_THROW(exception_c, "Too many parameters in delayed message !");
    return parent;
}

delayed_message_c::delayed_message_c(abstract_c *parent, const char *name, const value_c *const *args, int count)
    : abstract_c(checked_parent(parent, args, count)), m_name(name ? name : "")
{
    const int n = stored_count(args, count);
    m_arguments.reserve((size_t)n);
    for (int i = 0; i < n; ++i) {
        if (is_text(*args[i]))
            m_arguments.emplace_back(args[i]->get_const_pchar(), value_c::STRING);
        else
            m_arguments.push_back(*args[i]);
    }
}

const value_c &delayed_message_c::argument(int index) const
{
    static const value_c none;
    return index >= 0 && index < argument_count() ? m_arguments[(size_t)index] : none;
}

void delayed_message_c::on_shutdown()
{
    m_arguments.clear();
    m_arguments.shrink_to_fit();
    abstract_c::on_shutdown();
}

int delayed_message_c::handle_message(const msg_c *message, abstract_c *)
{
    if (!(*message == MSG_VAR(send_message)))
        return 0;
    // Ended before the send, so that nothing the message sets off can send it again; its
    // values and name leave it first, to outlive the send.
    const std::vector<value_c> arguments = std::move(m_arguments);
    const msg_c id(m_name.c_str());
    shutdown_tree();
    const value_c *list[DELAYED_MESSAGE_MAX_ARGS];
    for (size_t i = 0; i < arguments.size(); ++i)
        list[i] = &arguments[i];
    root()->message_array(id, 0, this, list, (int)arguments.size());
    return 1;
}
