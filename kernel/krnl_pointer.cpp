#include "kernel/object_pointer.h"

#include <exception>

#include "basics/console_log.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"

object_pointer_c::object_pointer_c(abstract_c *object) : m_object(object) { link(); }

object_pointer_c::object_pointer_c(const object_pointer_c &other) : m_object(other.m_object) { link(); }

object_pointer_c &object_pointer_c::operator=(const object_pointer_c &other)
{
    *this = other.m_object;
    return *this;
}

object_pointer_c::~object_pointer_c() noexcept(false)
{
    if (std::uncaught_exceptions() == 0) {
        unlink();
        return;
    }
    try {
        unlink();
    } catch (const exception_c &e) {
        print_message("%s\n", e.format().c_str());
    }
}

abstract_c *object_pointer_c::operator=(abstract_c *object)
{
    unlink();
    m_object = object;
    link();
    return object;
}

abstract_c *object_pointer_c::operator->() const
{
    ENGINE_ASSERT(m_object);
    return m_object;
}

void object_pointer_c::link()
{
    if (!m_object)
        return;
    m_next_pointer = nullptr;
    object_pointer_c **end = &m_object->m_pointers;
    while (*end)
        end = &(*end)->m_next_pointer;
    *end = this;
    ++m_object->m_pointer_count;
}

void object_pointer_c::unlink()
{
    if (!m_object)
        return;
    object_pointer_c *pointer = this;
    // A stand-in for the head of the chain, so that the head is searched like any other link.
    object_pointer_c head;
    head.m_next_pointer = m_object->m_pointers;
    object_pointer_c *p = &head;
    while (p->m_next_pointer && p->m_next_pointer != pointer)
        p = p->m_next_pointer;
    ENGINE_ASSERT(p->m_next_pointer == pointer);
    p->m_next_pointer = pointer->m_next_pointer;
    m_object->m_pointers = head.m_next_pointer;
    head.m_next_pointer = nullptr;
    pointer->m_next_pointer = nullptr;
    --m_object->m_pointer_count;
}
