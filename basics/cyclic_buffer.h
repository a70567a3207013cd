// A fixed-size byte ring. Writes go in at m_in_ptr, reads come out at m_out_ptr; copies that
// cross the end of the storage are split in two pieces. A full flag tells a full buffer from
// an empty one when both indices are equal. Every broken precondition (writing more than the
// free space, reading more than is held, asking a full buffer for its free space) fails an
// assertion and leaves the buffer unchanged.
#pragma once

class cyclic_buffer_c
{
public:
    cyclic_buffer_c() = default;
    cyclic_buffer_c(const cyclic_buffer_c &) = delete;
    cyclic_buffer_c &operator=(const cyclic_buffer_c &) = delete;
    ~cyclic_buffer_c();

    void create(int size);
    void destroy();
    // The number of bytes held.
    unsigned used() const;
    unsigned size() const { return used(); }
    // Must not be called on a full buffer.
    int free_space() const;
    void write(const char *src, unsigned amount);
    void read(char *dst, unsigned amount);
    // Empties the buffer without touching the contents.
    void reset();

    int in_ptr() const { return m_in_ptr; }
    int out_ptr() const { return m_out_ptr; }
    bool full() const { return m_full != 0; }

private:
    int copy(int index, char *outside, unsigned amount, bool into_ring);

    char *m_data = nullptr;
    int m_size = 0;
    int m_in_ptr = 0;
    int m_out_ptr = 0;
    int m_full = 0;
};
