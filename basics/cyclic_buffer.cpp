#include "basics/cyclic_buffer.h"

#include <cstring>

#include "kernel/exception.h"

// The assertions compare the unsigned amounts with the int size as written; the size is
// positive, so the mixed comparisons are exact.
#pragma GCC diagnostic ignored "-Wsign-compare"

cyclic_buffer_c::~cyclic_buffer_c()
{
    destroy();
}

void cyclic_buffer_c::create(int size)
{
    ENGINE_ASSERT(size);
    char *data = new char[size];
    destroy();
    m_data = data;
    m_size = size;
    reset();
}

void cyclic_buffer_c::destroy()
{
    delete[] m_data;
    m_data = nullptr;
    m_size = 0;
    reset();
}

unsigned cyclic_buffer_c::used() const
{
    ENGINE_ASSERT(m_in_ptr < m_size);
    ENGINE_ASSERT(m_out_ptr < m_size);
    if (m_in_ptr > m_out_ptr)
        return static_cast<unsigned>(m_in_ptr - m_out_ptr);
    if (m_in_ptr < m_out_ptr)
        return static_cast<unsigned>(m_size + m_in_ptr - m_out_ptr);
    return m_full ? static_cast<unsigned>(m_size) : 0u;
}

int cyclic_buffer_c::free_space() const
{
    unsigned s = used();
    ENGINE_ASSERT(s < m_size);
    return m_size - static_cast<int>(s);
}

// Copies amount bytes between the ring at index and the flat memory outside, in two pieces
// when the copy crosses the end of the storage; returns the index after the copy.
int cyclic_buffer_c::copy(int index, char *outside, unsigned amount, bool into_ring)
{
    int hunk1 = static_cast<int>(amount);
    int hunk2 = 0;
    if (index + amount > m_size) {
        hunk1 = m_size - index;
        hunk2 = static_cast<int>(amount) - hunk1;
        ENGINE_ASSERT(hunk1 > 0 && hunk2 > 0);
    }
    if (amount == 0)
        return index;
    char *ring = m_data + index;
    if (into_ring) {
        memcpy(ring, outside, static_cast<size_t>(hunk1));
        if (hunk2 > 0)
            memcpy(m_data, outside + hunk1, static_cast<size_t>(hunk2));
    } else {
        memcpy(outside, ring, static_cast<size_t>(hunk1));
        if (hunk2 > 0)
            memcpy(outside + hunk1, m_data, static_cast<size_t>(hunk2));
    }
    return static_cast<int>((index + amount) % static_cast<unsigned>(m_size));
}

void cyclic_buffer_c::write(const char *src, unsigned amount)
{
    ENGINE_ASSERT(amount <= m_size);
    ENGINE_ASSERT(free_space() >= amount);
    m_in_ptr = copy(m_in_ptr, const_cast<char *>(src), amount, true);
    if (amount > 0)
        m_full = 1;
}

void cyclic_buffer_c::read(char *dst, unsigned amount)
{
    ENGINE_ASSERT(amount <= m_size);
    ENGINE_ASSERT(amount <= size());
    m_out_ptr = copy(m_out_ptr, dst, amount, false);
    if (amount > 0 && m_out_ptr == m_in_ptr)
        m_full = 0;
}

void cyclic_buffer_c::reset()
{
    m_in_ptr = 0;
    m_out_ptr = 0;
    m_full = 0;
}
