#include "kernel/value.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "basics/rect.h"
#include "basics/vec3.h"
#include "kernel/exception.h"

namespace {
constexpr uint32_t MIN_STRING_BUFFER = 32;
}

value_c::value_c(const vec2 &v) : value_c()
{
    m_type = VEC2;
    m_payload.f4[0] = v.x;
    m_payload.f4[1] = v.y;
}

value_c::value_c(const vec3 &v) : value_c()
{
    m_type = VEC3;
    m_payload.f4[0] = v.x;
    m_payload.f4[1] = v.y;
    m_payload.f4[2] = v.z;
}

value_c::value_c(const rect &r) : value_c()
{
    m_type = RECT2;
    m_payload.f4[0] = r.left;
    m_payload.f4[1] = r.top;
    m_payload.f4[2] = r.right;
    m_payload.f4[3] = r.bottom;
}

value_c::value_c(const char *text, int str_type) : value_c()
{
    ENGINE_ASSERT(str_type == STRING);
    copy_text(text);
    m_type = STRING;
}

value_c::value_c(const value_c &other) : value_c()
{
    if (other.m_type == STRING)
        copy_text(other.m_payload.text.s);
    else
        m_payload = other.m_payload;
    m_type = other.m_type;
}

value_c::~value_c()
{
    if (m_type == STRING)
        delete[] m_payload.text.s;
}

// Replaces the payload with an owned copy of text. The old buffer (if this is a STRING) is
// freed only after the copy, so the text may be this value's own.
void value_c::copy_text(const char *text)
{
    if (!text)
        text = "";
    size_t length = strlen(text);
    uint32_t size = length + 1 > MIN_STRING_BUFFER ? static_cast<uint32_t>(length + 1) : MIN_STRING_BUFFER;
    char *buffer = new char[size];
    memcpy(buffer, text, length + 1);
    memset(buffer + length + 1, 0, size - length - 1);
    if (m_type == STRING)
        delete[] m_payload.text.s;
    m_payload.text.s = buffer;
    m_payload.text.size = size;
}

value_c &value_c::operator=(const value_c &source)
{
    if (&source == this)
        return *this;
    if (source.m_type == VOID_VALUE)
        ENGINE_THROW(exception_c, "Void value in assignment operator");
    if (source.m_type != m_type)
        ENGINE_THROW(exception_c, "Type mismatch in assignment operator");
    if (m_type == STRING)
        copy_text(source.m_payload.text.s);
    else
        m_payload = source.m_payload;
    return *this;
}

void value_c::reset(const value_c &source)
{
    if (&source == this)
        return;
    if (source.m_type == STRING) {
        copy_text(source.m_payload.text.s);
    } else {
        if (m_type == STRING)
            delete[] m_payload.text.s;
        m_payload = source.m_payload;
    }
    m_type = source.m_type;
}

int value_c::get_int_checked() const
{
    ENGINE_ASSERT(m_type == INT);
    return m_payload.i;
}

float value_c::get_float_checked() const
{
    ENGINE_ASSERT(m_type == FLOAT);
    return m_payload.f;
}

void *value_c::get_ptr_checked() const
{
    ENGINE_ASSERT(m_type == PTR);
    return m_payload.p;
}

const void *value_c::get_const_ptr_checked() const
{
    ENGINE_ASSERT(m_type == PTR || m_type == CONST_PTR);
    return m_type == PTR ? m_payload.p : m_payload.cp;
}

char *value_c::get_pchar_checked() const
{
    ENGINE_ASSERT(m_type == PCHAR);
    return m_payload.text.s;
}

const char *value_c::get_const_pchar_checked() const
{
    ENGINE_ASSERT(m_type == PCHAR || m_type == CONST_PCHAR || m_type == STRING);
    return m_payload.text.s;
}

vec2 value_c::get_vec2() const
{
    ENGINE_ASSERT(m_type == VEC2);
    vec2 v;
    v.x = m_payload.f4[0];
    v.y = m_payload.f4[1];
    return v;
}

vec3 value_c::get_vec3() const
{
    ENGINE_ASSERT(m_type == VEC3);
    vec3 v;
    v.x = m_payload.f4[0];
    v.y = m_payload.f4[1];
    v.z = m_payload.f4[2];
    return v;
}

rect value_c::get_rect2() const
{
    ENGINE_ASSERT(m_type == RECT2);
    rect r;
    r.left = m_payload.f4[0];
    r.top = m_payload.f4[1];
    r.right = m_payload.f4[2];
    r.bottom = m_payload.f4[3];
    return r;
}

void value_c::set_int(int v)
{
    ENGINE_ASSERT(m_type == INT);
    m_payload.i = v;
}

void value_c::set_vec2(const vec2 &v)
{
    ENGINE_ASSERT(m_type == VEC2);
    *this = value_c(v);
}

void value_c::set_vec3(const vec3 &v)
{
    ENGINE_ASSERT(m_type == VEC3);
    *this = value_c(v);
}

void value_c::set_rect2(const rect &r)
{
    ENGINE_ASSERT(m_type == RECT2);
    *this = value_c(r);
}

void value_c::set_string(const char *text)
{
    ENGINE_ASSERT(m_type == STRING);
    copy_text(text);
}
