// Attributes: named values in a list. A name is kept only as its identifier
// (string_to_id, kernel/message.h); two names with the same CRC-32 are one attribute.
// Records keep the order in which they were added; a name may appear once per list
// ("Duplicate attribute name '<name>'").
//
// Ownership: a record is either list-owned (embedded flag 0: the list allocated it and frees
// it in free_attributes or its own destructor) or embedded (flag 1: a member of the object
// that owns the list, holding state the object keeps in its attributes). An embedded record
// unlinks itself from its list when it is destroyed, so a derived object's members may die
// before the base frees the list; free_attributes only unlinks embedded records.
//
// Typical use in a constructor:
//     add_attribute(&m_state, m_attributes, "state", value_c(0), 1);   // embedded member
//     value_c *speed = find_or_add_attribute(m_attributes, "speed", value_c(1.0f));
#pragma once

#include <cstdint>

#include "kernel/value.h"

class attribute_list_c;

class attribute_c
{
public:
    attribute_c() = default;
    attribute_c(const attribute_c &) = delete;
    attribute_c &operator=(const attribute_c &) = delete;
    ~attribute_c();

    value_c &value() { return m_value; }
    const value_c &value() const { return m_value; }
    uint32_t name_id() const { return m_name_id; }
    attribute_c *next() const { return m_next; }
    int embedded() const { return m_embedded; }

private:
    friend class attribute_list_c;
    friend void free_attributes(attribute_list_c &list);
    friend value_c *append_attribute(attribute_c *record, attribute_list_c &list, uint32_t id,
                                     const value_c &value, int embedded);
    void init(uint32_t id, const value_c &value, int embedded);

    int32_t m_embedded = 0;
    value_c m_value;
    uint32_t m_name_id = 0;
    attribute_c *m_next = nullptr;
    attribute_list_c *m_list = nullptr; // the list that links this record, if any
};

class attribute_list_c
{
public:
    attribute_list_c() = default;
    attribute_list_c(const attribute_list_c &) = delete;
    attribute_list_c &operator=(const attribute_list_c &) = delete;
    // Moving hands the records over; the source is left empty.
    attribute_list_c(attribute_list_c &&other) noexcept;
    attribute_list_c &operator=(attribute_list_c &&other) noexcept;
    // Frees the list-owned records and unlinks the embedded ones (free_attributes).
    ~attribute_list_c();

    attribute_c *first() const { return m_first; }

private:
    friend class attribute_c;
    friend void free_attributes(attribute_list_c &list);
    friend value_c *append_attribute(attribute_c *record, attribute_list_c &list, uint32_t id,
                                     const value_c &value, int embedded);
    void take(attribute_list_c &other) noexcept;

    attribute_c *m_first = nullptr;
};

// Initialises record with a copy of value under name's identifier and appends it. With
// embedded 0 the list owns the record from this call on (also when it throws); pass null to
// let the list allocate one. Returns the record's value.
value_c *add_attribute(attribute_c *record, attribute_list_c &list, const char *name, const value_c &value,
                       int embedded);
// The same for a list-owned record named by its identifier (null record: allocated);
// duplicate message "Duplicate attribute name, name id = '<signed id>'".
value_c *add_attribute_by_id(attribute_c *record, attribute_list_c &list, uint32_t id, const value_c &value);
// Assigns value to the attribute (tags must match), or appends a list-owned record.
value_c *set_attribute_by_id(attribute_list_c &list, uint32_t id, const value_c &value);

value_c *find_attribute(const attribute_list_c &list, const char *name);
value_c *find_attribute_by_id(const attribute_list_c &list, uint32_t id);
// "Could not find required attribute '<name>'" when absent.
value_c *get_required_attribute(const attribute_list_c &list, const char *name);
// The attribute when present, else a new list-owned record holding value (a default).
value_c *find_or_add_attribute(attribute_list_c &list, const char *name, const value_c &value);

// Appends list-owned copies of the source's records, in order.
void copy_attributes(attribute_list_c &list, const attribute_list_c *source);
void free_attributes(attribute_list_c &list);
