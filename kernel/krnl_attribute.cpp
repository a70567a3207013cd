#include "kernel/attribute.h"

#include <memory>
#include <string>

#include "kernel/exception.h"
#include "kernel/message.h"

attribute_c::~attribute_c()
{
    // An embedded record dies with its object, possibly before the list that links it.
    if (!m_list)
        return;
    attribute_c **link = &m_list->m_first;
    while (*link && *link != this)
        link = &(*link)->m_next;
    if (*link)
        *link = m_next;
    m_list = nullptr;
    m_next = nullptr;
}

attribute_list_c::attribute_list_c(attribute_list_c &&other) noexcept { take(other); }

attribute_list_c &attribute_list_c::operator=(attribute_list_c &&other) noexcept
{
    if (&other != this) {
        free_attributes(*this);
        take(other);
    }
    return *this;
}

attribute_list_c::~attribute_list_c() { free_attributes(*this); }

void attribute_list_c::take(attribute_list_c &other) noexcept
{
    m_first = other.m_first;
    other.m_first = nullptr;
    for (attribute_c *a = m_first; a; a = a->m_next)
        a->m_list = this;
}

void attribute_c::init(uint32_t id, const value_c &value, int embedded)
{
    m_value.reset(value);
    m_name_id = id;
    m_embedded = embedded;
    m_next = nullptr;
}

value_c *append_attribute(attribute_c *record, attribute_list_c &list, uint32_t id, const value_c &value,
                          int embedded)
{
    std::unique_ptr<attribute_c> owned(embedded ? nullptr : record);
    record->init(id, value, embedded);
    attribute_c **link = &list.m_first;
    while (*link)
        link = &(*link)->m_next;
    *link = record;
    record->m_list = &list;
    owned.release();
    return &record->m_value;
}

value_c *add_attribute(attribute_c *record, attribute_list_c &list, const char *name, const value_c &value,
                       int embedded)
{
    std::unique_ptr<attribute_c> owned(embedded ? nullptr : record);
    if (!record) {
        ENGINE_ASSERT(!embedded);
        owned.reset(record = new attribute_c);
    }
    uint32_t id = string_to_id(name);
    if (find_attribute_by_id(list, id))
        ENGINE_THROW(exception_c, std::string("Duplicate attribute name '") + name + "'");
    owned.release();
    return append_attribute(record, list, id, value, embedded);
}

value_c *add_attribute_by_id(attribute_c *record, attribute_list_c &list, uint32_t id, const value_c &value)
{
    std::unique_ptr<attribute_c> owned(record ? record : new attribute_c);
    if (find_attribute_by_id(list, id))
        ENGINE_THROW(exception_c, "Duplicate attribute name, name id = '" +
                                      std::to_string(static_cast<int32_t>(id)) + "'");
    return append_attribute(owned.release(), list, id, value, 0);
}

value_c *set_attribute_by_id(attribute_list_c &list, uint32_t id, const value_c &value)
{
    if (value_c *present = find_attribute_by_id(list, id)) {
        *present = value;
        return present;
    }
    return add_attribute_by_id(nullptr, list, id, value);
}

value_c *find_attribute_by_id(const attribute_list_c &list, uint32_t id)
{
    for (attribute_c *a = list.first(); a; a = a->next())
        if (a->name_id() == id)
            return &a->value();
    return nullptr;
}

value_c *find_attribute(const attribute_list_c &list, const char *name)
{
    return find_attribute_by_id(list, string_to_id(name));
}

value_c *get_required_attribute(const attribute_list_c &list, const char *name)
{
    value_c *v = find_attribute(list, name);
    if (!v)
        ENGINE_THROW(exception_c, std::string("Could not find required attribute '") + name + "'");
    return v;
}

value_c *find_or_add_attribute(attribute_list_c &list, const char *name, const value_c &value)
{
    if (value_c *v = find_attribute(list, name))
        return v;
    return add_attribute(nullptr, list, name, value, 0);
}

void copy_attributes(attribute_list_c &list, const attribute_list_c *source)
{
    if (!source)
        return;
    for (attribute_c *a = source->first(); a; a = a->next())
        add_attribute_by_id(nullptr, list, a->name_id(), a->value());
}

void free_attributes(attribute_list_c &list)
{
    attribute_c *a = list.m_first;
    list.m_first = nullptr;
    while (a) {
        attribute_c *next = a->m_next;
        a->m_next = nullptr;
        a->m_list = nullptr;
        if (!a->m_embedded)
            delete a;
        a = next;
    }
}
