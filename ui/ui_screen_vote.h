// The vote screen and the voter portraits: the card of the player a vote would go against.
//
// screen_vote (script class "screen_vote", a screen_base_c) has no state; the game drives it:
//   update_voter_info PTR player_info, text   fills the twelve edits of the card below from the
//       record (name, then the screen's string attributes "character<v+1>", "health<v+1>",
//       "job<v+1>" and "hobby<v+1>" for the coded values v, then the given name of the player
//       this one voted against, then age, intellect, pulse, account, right and wrong answers as
//       "%d"); 0, so the portraits below hear it too. A code without its text attribute shows an
//       empty text (logged). The name is read no further than its 50-byte field.
//   reset_voter_info                 empties the twelve edits; then the base
//   show_vote_screen / hide_vote_screen   show_named 1 / 0 "vote_screen_background" to itself;
//                                    then the base
//   butt_pressed "vote_against"      on_vote_against to the root (1); other buttons: the base
// Edits: player_name_edit, character_edit, health_edit, job_edit, hobby_edit,
// voted_against_edit, age_edit, intellect_edit, pulse_edit, account_edit, right_answers_edit,
// wrong_answers_edit, set by named_edit_set_text to the screen itself.
//
// voter_portrait (script class "voter_portrait", a named_multistate_image) shows a player's
// portrait in a frame with the part of the name after its first space below (a name without a
// space whole). Children, drawn in this order: the portrait picture at (9, 10), the frame at
// (0, 0) ("textures/<frame_tex_name>", texels frame_tex) and the name text (font_name, in
// name_rect, centred, white). Portrait number n uses the attributes "portr_tex_name_<n+1>"
// (texture) and "portr_tex_<n+1>" (texel rectangle, whose size the picture takes); no player
// (-1) reads those of number 0 and hides the picture. Messages:
//   update_voter_info PTR player_info   shows the record's portrait and name (0)
//   reset_voter_info                    no player, empty name (0)
//   show_named INT, name                for its own name also shows/hides the frame; then the base
#pragma once

#include "ui/ui_screen_base.h"
#include "ui/ui_vis_image_named.h"

#include <cstdint>

class static_text;
struct player_info;

class screen_vote : public screen_base_c
{
public:
    using screen_base_c::screen_base_c;
    int handle_message(const msg_c *message, abstract_c *sender) override;
};

class voter_portrait : public named_multistate_image
{
public:
    voter_portrait(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    int32_t portrait_number() const { return m_portrait_nmb; }
    multistate_image *portrait() const { return m_portrait; }
    multistate_image *frame() const { return m_frame; }
    static_text *name_text() const { return m_name_text; }

private:
    // n -1: no player. name is read up to its terminator or name_size bytes.
    void show_player(int32_t n, const char *name, size_t name_size);
    void place_portrait(int32_t n);

    int32_t m_portrait_nmb = 0;
    multistate_image *m_frame = nullptr;
    multistate_image *m_portrait = nullptr;
    static_text *m_name_text = nullptr;
};
