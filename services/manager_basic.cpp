#include "services/manager_basic.h"

#include <string>

#include "basics/helpers.h"
#include "kernel/exception.h"

namespace {

[[noreturn]] void fail_assertion(const char *file, int line, const std::string &expression)
{
    throw exception_c(__TIMESTAMP__, file, line, "Debug assertion failed! Expression: \"" + expression + "\"");
}

} // namespace

bool same_name_ignoring_case(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b) {
        if (to_lower_ascii(*a) != to_lower_ascii(*b))
            return false;
    }
    return *a == *b;
}

// ---- manager ----

manager_basic_c::manager_basic_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes)
{
}

int manager_basic_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(mgr_load_res)) {
        abstract_c **out = static_cast<abstract_c **>(msg_arg(0)->get_ptr());
        const char *name = msg_arg(1)->get_const_pchar();
        const int prm = msg_arg(2)->get_int();
        *out = load_res(name, prm);
        return 1;
    }
    return 0;
}

resource_entity_c *manager_basic_c::load_res(const char *name, int prm)
{
    data_entity_c *data_ent = nullptr;
    if (message(MSG_VAR(mgr_find_data), MSGF_NO_SELF, this, MSG_ARG(name), MSG_ARG((void *)&data_ent),
                MSG_ARGS_END))
        ENGINE_ASSERT(data_ent);

    resource_entity_c *res_ent = nullptr;
    if (data_ent) {
        if (message(MSG_VAR(mgr_find_resource), MSGF_NO_SELF, this, MSG_ARG((const void *)data_ent),
                    MSG_ARG((void *)&res_ent), MSG_ARGS_END)) {
            ENGINE_ASSERT(res_ent);
            ++res_ent->m_ref_count;
            return res_ent;
        }
    } else {
        data_ent = create_data(name, prm);
        ENGINE_ASSERT(data_ent);
    }

    res_ent = data_ent->create_resource(prm);
    ENGINE_ASSERT(res_ent);
    ++res_ent->m_ref_count;
    return res_ent;
}

// ---- data entry ----

data_entity_c::data_entity_c(manager_basic_c *manager, const char *template_name, const char *name)
    : abstract_c(manager, template_name), m_name(name, value_c::STRING), m_resource_count(0)
{
}

int data_entity_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(mgr_find_data)) {
        if (!same_name_ignoring_case(msg_arg(0)->get_const_pchar(), name()))
            return 0;
        *static_cast<data_entity_c **>(msg_arg(1)->get_ptr()) = this;
        return 1;
    }
    if (*message == MSG_VAR(mgr_release_data)) {
        if (--m_resource_count == 0)
            shutdown_tree();
        return 1;
    }
    return 0;
}

// ---- resource entry ----

resource_entity_c::resource_entity_c(manager_basic_c *manager, const char *template_name, data_entity_c *data,
                                     int unique)
    : abstract_c(manager, template_name), m_ref_count(0), m_unique(unique), m_data(data)
{
    if (m_data) {
        ++m_data->m_resource_count;
        m_counted_in = m_data;
    }
}

resource_entity_c::~resource_entity_c()
{
    // Only a derived constructor that threw leaves the count standing here: every other way
    // to the destructor passes the release or the shutdown of the data entry first.
    if (m_counted_in.get())
        --m_data->m_resource_count;
}

int resource_entity_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(mgr_find_resource)) {
        if (m_unique || !m_data || msg_arg(0)->get_const_ptr() != m_data)
            return 0;
        *static_cast<resource_entity_c **>(msg_arg(1)->get_ptr()) = this;
        return 1;
    }
    if (*message == MSG_VAR(mgr_release_res)) {
        if (m_ref_count-- != 1)
            return 1;
        if (m_data) {
            m_counted_in = nullptr;
            m_data->message(MSG_VAR(mgr_release_data), MSGF_NO_CHILDREN, this, MSG_ARGS_END);
        }
        shutdown_tree();
        return 1;
    }
    return 0;
}

void release_res(abstract_c *resource)
{
    resource->message(MSG_VAR(mgr_release_res), MSGF_NO_CHILDREN, resource, MSG_ARGS_END);
}

// ---- finding a manager ----

abstract_c *find_manager(abstract_c *for_who, const char *request)
{
    abstract_c *ptr = nullptr;
    if (!abstract_c::root()->message(msg_c(request), 0, for_who, MSG_ARG((void *)&ptr), MSG_ARGS_END))
        fail_assertion(__FILE__, __LINE__,
                       std::string("root()->message(MSG_VAR(") + request +
                           "), 0, for_who, MSG_ARG((void *)&ptr), MSG_ARGS_END)");
    ENGINE_ASSERT(ptr);
    return ptr;
}

int answer_manager_request(const msg_c *message, const msg_c &request, abstract_c *manager)
{
    if (!(*message == request))
        return 0;
    *static_cast<abstract_c **>(msg_arg(0)->get_ptr()) = manager;
    return 1;
}
