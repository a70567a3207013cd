// Entities that drive model entities.
//
// gesture_player_c ("gesture_player"): activation with n makes the model entity `model_id`
// play "gesture<n>" for "playtime<n>" seconds (absent: until it has passed). get_gest_id
// (PCHAR id, INT n, PCHAR buffer of 128 bytes): the player with that id copies "gesture<n>"
// into the buffer, cut to 127 characters.
//
// model_revealer_c ("model_revealer"): activation with non-zero shows, with zero hides the
// model entity `model_id`, at once when `time` is 0, else fading alpha linearly over `time`
// seconds from the tick clock; the fade ends with the model shown at alpha 1 or hidden at 0.
//
// model_picker_c ("model_picker"): activation with a cursor position packed as x << 16 | y,
// in the 1024 x 768 space of the user interface, casts a ray from the view origin through that
// point of the window and reports feedback("", pick index of the nearest model hit, or -1).
#pragma once

#include "scenes/location.h"

constexpr int GESTURE_NAME_BUFFER = 128;
constexpr int UI_SPACE_WIDTH = 1024;
constexpr int UI_SPACE_HEIGHT = 768;

class gesture_player_c : public location_entity_c
{
public:
    using location_entity_c::location_entity_c;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void on_activate(abstract_c *sender, int parameter) override;
};

class model_revealer_c : public location_entity_c
{
public:
    model_revealer_c(abstract_c *parent, const attribute_list_c *attributes);
    void on_tick() override;
    void on_activate(abstract_c *sender, int parameter) override;
    float alpha() const { return m_alpha; }
    bool fading() const { return m_fade_start >= 0.0f && m_fade_end >= 0.0f; }

private:
    void send_show(int visible);
    void send_alpha(float alpha);

    float m_fade_start;
    float m_fade_end;
    float m_alpha;
    float m_start_alpha;
    float m_target_alpha;
};

class model_picker_c : public location_entity_c
{
public:
    using location_entity_c::location_entity_c;
    void on_activate(abstract_c *sender, int parameter) override;
};
