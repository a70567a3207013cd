// Messages: objects of the tree talk only through named messages.
//
// A message is identified by the CRC-32 of its name (string_to_id: zlib's crc32 of the bytes
// before the terminating zero, case-sensitive). The same identifiers name attributes.
// Call form of a send, with the target's abstract_c::message:
//     target->message(MSG_VAR(name), flags, sender, MSG_ARG(x), MSG_ARG(y), MSG_ARGS_END);
// MSG_VAR(name) is the identifier computed when the program is compiled; msg_c("text") and
// MSG_MK(name) compute it each time. MSG_ARG(x) wraps x as a value_c whose tag follows x's C++
// type (see kernel/value.h); MSG_ARGS_END is the void value that ends the list.
//
// Delivery flags (abstract_c::message walks the tree by them):
//   0     the object, then its children, each child's subtree in turn, oldest child first;
//   1     not to the children;  2 then up the chain of parents (only together with 1);
//   4     children from the newest to the oldest;  8 the object's handler after its children;
//   0x10  never to the handler of the sender.
// A handler returning non-zero ends the whole delivery; the send then returns 1, else 0.
// Dead objects see nothing, nor does anything below them.
//
// Arguments are not copied: a send puts their addresses and their count on one global stack
// of 4096 slots (a frame: one slot per argument, then the count) and removes its frame again
// on every way out, exceptions included. msg_arg(i) reads argument i of the innermost frame,
// the message whose handler is running. A send that does not fit throws
// "Message stack overflow" before writing anything. Single thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "kernel/value.h"

namespace msg_crc_detail {
constexpr std::array<uint32_t, 256> make_crc_table()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
inline constexpr std::array<uint32_t, 256> crc_table = make_crc_table();
} // namespace msg_crc_detail

// Usable at compile time, so that MSG_VAR's identifiers are constants.
constexpr uint32_t crc32_string(const char *text)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char *p = text; *p; ++p)
        crc = msg_crc_detail::crc_table[(crc ^ static_cast<unsigned char>(*p)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}
constexpr uint32_t string_to_id(const char *name) { return crc32_string(name); }

class msg_c
{
public:
    constexpr explicit msg_c(const char *name) : m_id(string_to_id(name)) {}
    uint32_t id() const { return m_id; }
    bool operator==(const msg_c &other) const { return m_id == other.m_id; }

    uint32_t m_id;
};

#define MSG_VAR(name)                                                                       \
    ([]() -> const msg_c & {                                                                \
        static constexpr msg_c msg_var_id(#name);                                           \
        return msg_var_id;                                                                  \
    }())
#define MSG_MK(name) msg_c(#name)
#define MSG_ARG(x) value_c(x)
#define MSG_ARGS_END value_c()

enum : int {
    MSGF_NO_CHILDREN = 0x1,
    MSGF_TO_PARENTS = 0x2,
    MSGF_NEWEST_FIRST = 0x4,
    MSGF_HANDLER_LAST = 0x8,
    MSGF_NO_SELF = 0x10,
};

constexpr int MSG_STACK_SLOTS = 4096;

// What msg_arg gives: the argument's value_c*, usable as a pointer (msg_arg(0)->get_int()),
// and also convertible by a cast to the payload of its tag ((int)msg_arg(1)).
class msg_arg_c
{
public:
    explicit msg_arg_c(value_c *value) : m_value(value) {}
    operator value_c *() const { return m_value; }
    value_c *operator->() const { return m_value; }
    value_c &operator*() const { return *m_value; }
    explicit operator int() const { return m_value->get_int(); }
    explicit operator float() const { return m_value->get_float(); }
    explicit operator const char *() const { return m_value->get_const_pchar(); }
    explicit operator void *() const { return m_value->get_ptr(); }

private:
    value_c *m_value;
};

// The argument stack itself; only the kernel writes it.
namespace msg_stack_detail {
union msg_slot_u {
    value_c *pv;
    uintptr_t count;
};
extern msg_slot_u msg_args[MSG_STACK_SLOTS];
extern std::ptrdiff_t msg_args_ptr;
// The innermost frame's first argument and its count (0 outside any delivery and for a frame
// of 256 arguments or more), set whenever a frame is put on or taken off, so that msg_arg,
// run for every argument by every handler a message reaches, reads one argument in one step.
extern msg_slot_u *msg_frame_args;
extern uintptr_t msg_frame_count;
} // namespace msg_stack_detail

// The same as msg_arg, with its checks as assertions (out of line: reached when one fails).
msg_arg_c msg_arg_checked(unsigned index);

// Argument `index` of the message whose handler is running (compared unsigned, so a
// negative index fails like a too large one). Handlers call it for every argument of every
// message, so the checks are made here and only a failing one leaves for the assertions.
inline msg_arg_c msg_arg(unsigned index)
{
    using namespace msg_stack_detail;
    if (index < msg_frame_count) {
        if (value_c *pv = msg_frame_args[index].pv)
            return msg_arg_c(pv);
    }
    return msg_arg_checked(index);
}

// Slots of the argument stack in use (0 when no message is being delivered).
int msg_stack_used();

// The argument count of the message whose handler is running (0 outside any delivery), and
// whether its argument `index` is there with the tag `type`: handlers of messages that scripts
// or other PCs may send test with these before reading.
inline int msg_arg_count()
{
    using namespace msg_stack_detail;
    return msg_args_ptr > 0 ? static_cast<int>(msg_args[msg_args_ptr - 1].count) : 0;
}
inline bool msg_arg_is(unsigned index, value_c::type_e type)
{
    return index < static_cast<unsigned>(msg_arg_count()) && msg_arg(index)->type() == type;
}
