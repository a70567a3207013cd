#include "ui/ui_screen_survey.h"

#include <cstdio>
#include <cstring>

#include "basics/console_log.h"
#include "platform/sys/files.h"
#include "platform/sys/shell.h"

namespace {
const char *const field_edits[] = {"surname_edit", "first_name_edit", "second_name_edit", "age_edit",
                                   "address_edit", "mail_edit",       "score_edit"};
constexpr int FIELD_COUNT = sizeof field_edits / sizeof field_edits[0];
} // namespace

// The contest address, a subject and a body that asks for the form file to be attached.
const char *const screen_survey::MAIL_LINK =
    "mailto:konkurs@varnholt.ru?subject=\xC0\xED\xEA\xE5\xF2\xE0%20\xEF\xEE\xE1\xE5\xE4\xE8\xF2\xE5\xEB\xFF"
    "&body=\xCF\xEE\xE6\xE0\xEB\xF3\xE9\xF1\xF2\xE0,%20\xEF\xF0\xE8\xEB\xEE\xE6\xE8\xF2\xE5%20\xEA%20"
    "\xFD\xF2\xEE\xEC\xF3%20\xEF\xE8\xF1\xFC\xEC\xF3%20\xF4\xE0\xE9\xEB%20\xE0\xED\xEA\xE5\xF2\xFB%20"
    "winner.vrh%20\xE8\xE7%20\xE2\xE0\xF8\xE5\xE9%20\xE4\xEE\xEC\xE0\xF8\xED\xE5\xE9%20\xEF\xE0\xEF\xEA\xE8.";

screen_survey::screen_survey(abstract_c *parent, const attribute_list_c *attributes)
    : screen_base_c(parent, attributes), m_form{}, m_form_length(0)
{
}

std::string screen_survey::survey_file_path()
{
    return sys_home_file(SURVEY_FILE_NAME);
}

void screen_survey::add_field(const char *text)
{
    const int length = int(strnlen(text, FIELD_TEXT_MAX));
    m_form[m_form_length++] = uint8_t(length);
    for (int i = 0; i < length; ++i)
        m_form[m_form_length++] = uint8_t(uint8_t(text[i]) + i + 7);
}

bool screen_survey::save_survey()
{
    static_assert(FIELD_COUNT * (FIELD_TEXT_MAX + 1) <= FORM_SIZE, "every field fits the form");
    m_form_length = 0;
    for (const char *edit_name : field_edits) {
        // The edit's own text: what its static shows carries the caret mark while it has the
        // focus, as the last field typed into still has when a button is clicked.
        char text[FIELD_TEXT_MAX + 2] = {};
        message(MSG_VAR(edit_get_text), 0, this, pchar_value(edit_name), MSG_ARG(FIELD_TEXT_MAX + 1), MSG_ARG(text),
                MSG_ARGS_END);
        add_field(text);
    }

    const std::string path = survey_file_path();
    const int file = sys_file_create(path.c_str());
    bool written = file != SYS_INVALID_FILE && sys_file_write(file, m_form, uint64_t(m_form_length)) == m_form_length;
    if (file != SYS_INVALID_FILE)
        written = sys_file_close(file) && written;
    if (!written)
        print_message("Could not write the survey file %s\n", path.c_str());
    return written;
}

void screen_survey::send_survey()
{
    if (!save_survey())
        return; // no form to attach
    HWND window = nullptr;
    root()->message(MSG_VAR(mainwnd_get_handles), 0, this, MSG_ARG((void *)&window), MSG_ARG((void *)nullptr),
                    MSG_ARGS_END);
    ShellExecuteA(window, "open", MAIL_LINK, nullptr, nullptr, SW_SHOWNORMAL);
}

int screen_survey::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        const bool save = std::strcmp(name, "save_survey") == 0, send = std::strcmp(name, "send_survey") == 0;
        if (save || send) {
            if (save)
                save_survey();
            else
                send_survey();
            root()->message(MSG_VAR(free_location), 0, this, MSG_ARGS_END);
            root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_command"), MSG_ARGS_END);
            return 1;
        }
    } else if (*message == MSG_VAR(set_hiscore_and_age_values)) {
        const int score = msg_arg(0)->get_int(), age = msg_arg(1)->get_int();
        char text[16];
        std::snprintf(text, sizeof text, "%d", score);
        this->message(MSG_VAR(named_edit_set_text), 0, this, pchar_value("score_edit"), MSG_ARG(text), MSG_ARGS_END);
        std::snprintf(text, sizeof text, "%d", age);
        this->message(MSG_VAR(named_edit_set_text), 0, this, pchar_value("age_edit"), MSG_ARG(text), MSG_ARGS_END);
        return 1;
    }
    return screen_base_c::handle_message(message, sender);
}
