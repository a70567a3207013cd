#include "ui/ui_screen_options.h"

#include "services/isound.h"
#include "scores/game_registry.h"

#include <cstring>
#include <span>
#include <vector>

namespace {

const char *const options_value = "Options";

// The messages that change one field of the record; the volumes follow the first four.
struct option_setter_s
{
    msg_c message;
    int32_t game_options::*field;
    bool volume;
};
const option_setter_s option_setters[] = {
    {MSG_MK(set_bckgnd_on), &game_options::bckgnd_on, true},
    {MSG_MK(set_bckgnd_pt), &game_options::bckgnd_pt, true},
    {MSG_MK(set_sndef_on), &game_options::sndef_on, true},
    {MSG_MK(set_sndef_pt), &game_options::sndef_pt, true},
    {MSG_MK(set_hint_on), &game_options::hint_on, false},
    {MSG_MK(set_cam_move_on), &game_options::cam_move_on, false},
};

// The screen's controls and the holder's message that each of them drives.
struct option_control_s
{
    const char *control;
    msg_c request;
};
const option_control_s option_scales[] = {
    {"bckgnd_music_scale", MSG_MK(set_bckgnd_pt)},
    {"snd_effects_scale", MSG_MK(set_sndef_pt)},
};
const option_control_s option_checkboxes[] = {
    {"check_box_1", MSG_MK(set_bckgnd_on)},
    {"check_box_2", MSG_MK(set_sndef_on)},
    {"check_box_3", MSG_MK(set_hint_on)},
    {"check_box_4", MSG_MK(set_cam_move_on)},
};

} // namespace

options_loader::options_loader(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_options{1, 80, 1, 100, 1, 1}
{
    const std::vector<uint8_t> stored = game_registry_read(options_value);
    if (stored.size() == sizeof m_options)
        std::memcpy(&m_options, stored.data(), sizeof m_options);
    apply_volumes();
}

void options_loader::apply_volumes()
{
    const float music = m_options.bckgnd_on ? float(m_options.bckgnd_pt) * 0.01f : 0.0f;
    const float effects = m_options.sndef_on ? float(m_options.sndef_pt) * 0.01f : 0.0f;
    isound_mgr_c().set_volumes(effects, music);
}

void options_loader::save_options()
{
    game_registry_write(options_value, &m_options, sizeof m_options);
}

void options_loader::on_shutdown()
{
    save_options();
}

int options_loader::handle_message(const msg_c *message, abstract_c *)
{
    for (const option_setter_s &s : option_setters) {
        if (!(*message == s.message))
            continue;
        m_options.*s.field = msg_arg(0)->get_int();
        if (s.volume)
            apply_volumes();
        return 1;
    }
    if (*message == MSG_VAR(get_game_options)) {
        std::memcpy(msg_arg(0)->get_ptr(), &m_options, sizeof m_options);
        return 1;
    }
    if (*message == MSG_VAR(is_hint_on) || *message == MSG_VAR(is_cam_move_on)) {
        const int32_t on = *message == MSG_VAR(is_hint_on) ? m_options.hint_on : m_options.cam_move_on;
        *static_cast<uint8_t *>(msg_arg(0)->get_ptr()) = on != 0 ? 1 : 0;
        return 1;
    }
    return 0;
}

void screen_options::request(const msg_c &message, int value)
{
    root()->message(message, 0, this, MSG_ARG(value), MSG_ARGS_END);
}

void screen_options::show(const msg_c &message, const char *control, int value)
{
    root()->message(message, 0, this, pchar_value(control), MSG_ARG(value), MSG_ARGS_END);
}

void screen_options::show_options()
{
    game_options o{};
    root()->message(MSG_VAR(get_game_options), 0, this, MSG_ARG((void *)&o), MSG_ARGS_END);
    show(MSG_VAR(set_scale_percent), "bckgnd_music_scale", o.bckgnd_pt);
    show(MSG_VAR(check_named), "check_box_1", o.bckgnd_on);
    show(MSG_VAR(set_scale_percent), "snd_effects_scale", o.sndef_pt);
    show(MSG_VAR(check_named), "check_box_2", o.sndef_on);
    show(MSG_VAR(check_named), "check_box_3", o.hint_on);
    show(MSG_VAR(check_named), "check_box_4", o.cam_move_on);
}

void screen_options::reset()
{
    const int music = attribute("default_bckgnd_pt")->get_int();
    show(MSG_VAR(set_scale_percent), "bckgnd_music_scale", music);
    request(MSG_VAR(set_bckgnd_pt), music);
    show(MSG_VAR(check_named), "check_box_1", 1);
    request(MSG_VAR(set_bckgnd_on), 1);
    const int effects = attribute("default_sndef_pt")->get_int();
    show(MSG_VAR(set_scale_percent), "snd_effects_scale", effects);
    request(MSG_VAR(set_sndef_pt), effects);
    show(MSG_VAR(check_named), "check_box_2", 1);
    request(MSG_VAR(set_sndef_on), 1);
    show(MSG_VAR(check_named), "check_box_3", 1);
    request(MSG_VAR(set_hint_on), 1);
    show(MSG_VAR(check_named), "check_box_4", 1);
    request(MSG_VAR(set_cam_move_on), 1);
}

int screen_options::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        if (std::strcmp(name, "back") == 0) {
            root()->message(MSG_VAR(load_screen), 0, this, pchar_value("screen_main"), MSG_ARGS_END);
            return 1;
        }
        if (std::strcmp(name, "default") == 0) {
            reset();
            return 1;
        }
    } else if (*message == MSG_VAR(creation_finished)) {
        show_options();
    } else if (*message == MSG_VAR(scale_value_changed) || *message == MSG_VAR(checkbox_state_changed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        const int value = msg_arg(1)->get_int();
        using controls = std::span<const option_control_s>;
        const controls list = *message == MSG_VAR(scale_value_changed) ? controls(option_scales)
                                                                       : controls(option_checkboxes);
        for (const option_control_s &c : list)
            if (std::strcmp(name, c.control) == 0)
                request(c.request, value);
    }
    return screen_base_c::handle_message(message, sender);
}
