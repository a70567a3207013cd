#include "ui/ui_complex_button.h"

#include <cstring>
#include <string>

#include "basics/vec3.h"
#include "net/net_manager.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"

namespace {
std::string texture_of(const value_c *name)
{
    return std::string("textures/") + name->get_const_pchar();
}

std::string numbered(const char *prefix, int k)
{
    return prefix + std::to_string(k);
}
} // namespace

complex_button::complex_button(abstract_c *parent, const attribute_list_c *attributes)
    : button(parent, attributes), m_portrait_nmb(-1), m_portrait(nullptr), m_frame_image(nullptr),
      m_man_btn(nullptr), m_bot_btn(nullptr), m_ready_btn(nullptr), m_name_static(nullptr), m_slot(-1)
{
    player_info record;
    player_info_init(record);
    root()->message(MSG_VAR(create_cmplx_btn), MSGF_NO_SELF, this, MSG_ARG((void *)&m_slot),
                    MSG_ARG((void *)&record), MSG_ARGS_END);

    show_portrait(record.portr_nmb);
    m_frame_image = new multistate_image(this, vec2(0.0f, 0.0f), texture_of(attribute("frame_tex_name")).c_str(), 1,
                                         1, attribute("frame_tex")->get_rect2());
    m_man_btn = make_child_button("man_btn", "man", "sSo", rect(460, 207, 479, 243), vec2(12, 39));
    m_bot_btn = make_child_button("bot_btn", "bot", "sSo", rect(479, 207, 507, 234), vec2(9, 45));
    m_ready_btn = make_child_button("ready_or_not_btn", "ready_or_not", "tsS", rect(507, 207, 573, 248), vec2(150, 28));

    m_name_static = make_name_static(this);

    refresh(record);
}

button *complex_button::make_child_button(const char *name, const char *id, const char *letters, const rect &tex,
                                          const vec2 &pos)
{
    attribute_list_c list;
    add_attribute(nullptr, list, "name", value_c(name, value_c::STRING), 0);
    add_attribute(nullptr, list, "button_id", value_c(id, value_c::STRING), 0);
    add_attribute(nullptr, list, "extra_string", value_c(letters, value_c::STRING), 0);
    add_attribute(nullptr, list, "extra_int", value_c(0), 0);
    add_attribute(nullptr, list, "extra_float", value_c(0.0f), 0);
    add_attribute(nullptr, list, "tex", value_c(tex), 0);
    add_attribute(nullptr, list, "tex_name", value_c("narezka", value_c::STRING), 0);
    add_attribute(nullptr, list, "color", value_c(vec3(0.0f, 0.0f, 0.0f)), 0);
    add_attribute(nullptr, list, "pos", value_c(pos), 0);
    return new button(this, &list);
}

void complex_button::show_portrait(int portrait_nmb)
{
    m_portrait_nmb = portrait_nmb;
    const int k = portrait_nmb + 1;
    const std::string texture = texture_of(attribute(numbered("portr_tex_name_", k).c_str()));
    const rect texels = attribute(numbered("portr_tex_", k).c_str())->get_rect2();
    if (!m_portrait)
        m_portrait = new multistate_image(this, vec2(12.0f, 8.0f), texture.c_str(), 1, 1, texels);
    else
        m_portrait->set_texture_by_name(texture.c_str(), 1, 1, texels);
    m_portrait->resize(vec2(float(int((texels.right - texels.left) * 0.75f)),
                            float(int((texels.bottom - texels.top) * 0.75f))));
}

void complex_button::refresh(const player_info &record)
{
    const int man = record.m_is_man == 1 ? 1 : 0;
    m_man_btn->message(MSG_VAR(show), 0, this, MSG_ARG(man), MSG_ARGS_END);
    m_bot_btn->message(MSG_VAR(show), 0, this, MSG_ARG(1 - man), MSG_ARGS_END);
    if (record.m_not_ready == 0)
        m_ready_btn->message(MSG_VAR(butt_activate), 0, this, MSG_ARG(value_c("ready_or_not", value_c::STRING)),
                             MSG_ARG(1), MSG_ARGS_END);
    else
        m_ready_btn->message(MSG_VAR(butt_uncheck_trigger), 0, this, MSG_ARG(0), MSG_ARG((void *)nullptr),
                             MSG_ARGS_END);
    show_portrait(record.portr_nmb);

    m_name_static->set_text(player_info_shown_name(record.name, sizeof record.name).c_str());
}

void complex_button::send_change(int32_t code)
{
    np_change_player_info packet;
    std::memset(&packet, 0, sizeof packet);
    packet.header = {sizeof packet, NP_CHANGE_PLAYER_INFO};
    packet.slot = m_slot;
    int32_t address = 0;
    root()->message(MSG_VAR(get_short_address), 0, this, MSG_ARG((void *)&address), MSG_ARGS_END);
    packet.address = address;
    packet.code = code;
    send_net_message(&packet);
}

int complex_button::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(butt_pressed)) {
        const char *id = msg_arg(0)->get_const_pchar();
        if (std::strcmp(id, "man") == 0 || std::strcmp(id, "bot") == 0)
            send_change(CHANGE_MAN_OR_BOT);
    } else if (*message == MSG_VAR(butt_checked) || *message == MSG_VAR(butt_unchecked)) {
        if (std::strcmp(msg_arg(1)->get_const_pchar(), "ready_or_not") == 0)
            send_change(CHANGE_READY);
    } else if (*message == MSG_VAR(update_appearance)) {
        if (msg_arg(0)->get_int() == m_slot) {
            player_info record;
            player_info_init(record);
            root()->message(MSG_VAR(get_player_info), 0, this, MSG_ARG(m_slot), MSG_ARG((void *)&record),
                            MSG_ARGS_END);
            refresh(record);
            return 1;
        }
    }
    return button::handle_message(message, sender);
}
