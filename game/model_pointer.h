// model_pointer_c: what the vote picker and the vote target chooser share, the choice of a
// player model with the mouse in the studio.
//
// The picked model number (-1 none, the start) and the cursor shape last asked for ("standard"
// at the start) are kept here. Pointing at a position sends the root `activate` ("picker", the
// position packed as x << 16 | y & 0xFFFF, both truncated) with the picked number cleared; the
// location's picker object answers during that send with `location_feedback` ("picker", event,
// model number or -1), which the derived handler passes to take_feedback. A model under the
// cursor shows the cursor "smodel" (animated), none the cursor "standard" and leaves the picked
// number as it was before the pointing. The cursor is asked for (root `change_cursor`, PCHAR
// shape, INT animated) only when the shape differs from the last one asked for.
#pragma once

#include <cstdint>

#include "kernel/abstract.h"

struct vec2;

class model_pointer_c : public abstract_c
{
public:
    int32_t picked() const { return m_picked; }
    const char *cursor_name() const { return m_cursor; }

    // x truncated, shifted left by 16 bits, or-ed with y truncated to its low 16 bits.
    static int32_t pack_position(const vec2 &position);

protected:
    explicit model_pointer_c(abstract_c *parent);

    // The shape is kept to its first 127 characters.
    void set_cursor(const char *name, int animated);
    // Asks the root to send change_cursor with the kept shape, whatever was asked before.
    void send_cursor(int animated);
    // A `mouse` message (VEC2 position first) is pointed with; true when a model is under the
    // cursor, which is then the picked number and `before` the number before the pointing. A
    // message without a position points at nothing and changes nothing.
    bool point(int32_t &before);
    // The `mouse` message being handled reports a release of the left button.
    static bool left_released();
    // A `location_feedback` being handled from the picker object with a model number other
    // than -1 and `excluded` becomes the picked number: true.
    bool take_feedback(int32_t excluded);

    int32_t m_picked;
    char m_cursor[128];
};
