#include "game/model_pointer.h"

#include <cmath>
#include <cstring>

#include "basics/vec3.h"

namespace {

// A coordinate as an integer truncation gives it; values no int32 holds (never a cursor's)
// saturate instead of being undefined.
int32_t truncated(float v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0f)
        return INT32_MAX;
    if (v <= -2147483648.0f)
        return INT32_MIN;
    return (int32_t)v;
}

bool text_arg(unsigned index)
{
    return msg_arg_is(index, value_c::PCHAR) || msg_arg_is(index, value_c::CONST_PCHAR) ||
           msg_arg_is(index, value_c::STRING);
}

} // namespace

model_pointer_c::model_pointer_c(abstract_c *parent) : abstract_c(parent), m_picked(-1), m_cursor{}
{
    std::strcpy(m_cursor, "standard");
}

int32_t model_pointer_c::pack_position(const vec2 &position)
{
    const uint32_t x = (uint32_t)truncated(position.x), y = (uint32_t)truncated(position.y);
    return (int32_t)(x << 16 | (y & 0xFFFFu));
}

void model_pointer_c::send_cursor(int animated)
{
    root()->message(MSG_VAR(change_cursor), 0, this, MSG_ARG(m_cursor), MSG_ARG(animated), MSG_ARGS_END);
}

void model_pointer_c::set_cursor(const char *name, int animated)
{
    if (std::strncmp(name, m_cursor, sizeof m_cursor - 1) == 0)
        return;
    std::strncpy(m_cursor, name, sizeof m_cursor - 1);
    m_cursor[sizeof m_cursor - 1] = '\0';
    send_cursor(animated);
}

bool model_pointer_c::point(int32_t &before)
{
    before = m_picked;
    if (!msg_arg_is(0, value_c::VEC2))
        return false;
    const int32_t packed = pack_position(msg_arg(0)->get_vec2());
    m_picked = -1;
    char picker[] = "picker";
    root()->message(MSG_VAR(activate), 0, this, MSG_ARG(picker), MSG_ARG(packed), MSG_ARGS_END);
    if (m_picked == -1) {
        m_picked = before;
        set_cursor("standard", 0);
        return false;
    }
    set_cursor("smodel", 1);
    return true;
}

bool model_pointer_c::left_released()
{
    return msg_arg_is(2, value_c::INT) && msg_arg(2)->get_int() == 0 && msg_arg_is(3, value_c::INT) &&
           msg_arg(3)->get_int() == 2;
}

bool model_pointer_c::take_feedback(int32_t excluded)
{
    if (!text_arg(0) || !msg_arg_is(2, value_c::INT) || std::strcmp(msg_arg(0)->get_const_pchar(), "picker") != 0)
        return false;
    const int32_t index = msg_arg(2)->get_int();
    if (index == -1 || index == excluded)
        return false;
    m_picked = index;
    return true;
}
