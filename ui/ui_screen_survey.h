// screen_survey (script class "screen_survey", a screen_base_c): the winner's form. The
// hiscore screen hands it the score and the age; the player fills in the rest and saves the
// form, or saves it and has the mail program open a message to the contest address.
//
// Its script gives the edits "surname_edit", "first_name_edit", "second_name_edit",
// "age_edit", "address_edit", "mail_edit" (a mail_edit), "score_edit" and the buttons
// "save_survey" and "send_survey". Requests go to the root with flags 0 and the screen as
// sender.
//   set_hiscore_and_age_values INT score, INT age: the two numbers ("%d") into "score_edit"
//     and "age_edit" (named_edit_set_text to itself). 1.
//   butt_pressed "save_survey": writes the survey file; "send_survey": writes it and, when
//     that worked, opens the mail link through the shell (its result is not examined); then
//     both send `free_location` and `load_screen` "screen_command". 1. Other names, and every
//     other message, go to the screen base.
//
// The survey file, SURVEY_FILE_NAME in the user's home directory (sys_home_file), written
// whole each time: for each edit in the order above, one length byte L and the L bytes of its
// text (as the edit holds it, cp1251), byte i stored as (byte + i + 7) mod 256. No header, no
// terminator. A text is cut at 127 bytes; an edit that is missing counts as empty. A file that
// cannot be written is logged to console.log.
#pragma once

#include <cstdint>
#include <string>

#include "ui/ui_screen_base.h"

constexpr char SURVEY_FILE_NAME[] = "winner.vrh";

class screen_survey : public screen_base_c
{
public:
    static constexpr int FORM_SIZE = 2048;
    static constexpr int FIELD_TEXT_MAX = 127;
    static const char *const MAIL_LINK;

    screen_survey(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    static std::string survey_file_path();

private:
    // Builds the form from the edits and writes it; false when the file could not be written.
    bool save_survey();
    void send_survey();
    void add_field(const char *text);

    uint8_t m_form[FORM_SIZE];
    int32_t m_form_length;
};
