#include "ui/ui_screen_vote.h"

#include "game/player_info.h"
#include "ui/ui_text_static.h"
#include "ui/ui_voter_card.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const voter_card_layout vote_card = {"account_edit"};

} // namespace

int screen_vote::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(butt_pressed)) {
        if (std::strcmp(msg_arg(0)->get_const_pchar(), "vote_against") == 0) {
            root()->message(MSG_VAR(on_vote_against), 0, this, MSG_ARGS_END);
            return 1;
        }
    } else if (*message == MSG_VAR(update_voter_info)) {
        const player_info &player = *static_cast<const player_info *>(msg_arg(0)->get_ptr());
        voter_card_fill(this, vote_card, player, msg_arg(1)->get_const_pchar(), player.intellect, player.pulse);
        return 0;
    } else if (*message == MSG_VAR(reset_voter_info)) {
        voter_card_clear(this, vote_card);
    } else if (*message == MSG_VAR(show_vote_screen) || *message == MSG_VAR(hide_vote_screen)) {
        const int visible = *message == MSG_VAR(show_vote_screen) ? 1 : 0;
        this->message(MSG_VAR(show_named), 0, this, MSG_ARG(visible), pchar_value("vote_screen_background"),
                      MSG_ARGS_END);
    }
    return screen_base_c::handle_message(message, sender);
}

voter_portrait::voter_portrait(abstract_c *parent, const attribute_list_c *attributes)
    : named_multistate_image(parent, attributes)
{
    place_portrait(-1);
    const std::string frame_path = std::string("textures/") + attribute("frame_tex_name")->get_const_pchar();
    m_frame = new multistate_image(this, vec2(0.0f, 0.0f), frame_path.c_str(), 1, 1, attribute("frame_tex")->get_rect2());
    m_name_text = make_name_static(this);
    show_player(-1, "", 1);
}

void voter_portrait::place_portrait(int32_t n)
{
    m_portrait_nmb = n == -1 ? 0 : n;
    char name[48];
    std::snprintf(name, sizeof name, "portr_tex_name_%d", int(int64_t(m_portrait_nmb) + 1));
    const std::string path = std::string("textures/") + attribute(name)->get_const_pchar();
    std::snprintf(name, sizeof name, "portr_tex_%d", int(int64_t(m_portrait_nmb) + 1));
    const rect tex = attribute(name)->get_rect2();
    if (!m_portrait)
        m_portrait = new multistate_image(this, vec2(9.0f, 10.0f), path.c_str(), 1, 1, tex);
    else
        m_portrait->set_texture_by_name(path.c_str(), 1, 1, tex);
    m_portrait->resize(vec2(tex.right - tex.left, tex.bottom - tex.top));
    m_portrait->set_visible(n != -1 ? 1 : 0);
}

void voter_portrait::show_player(int32_t n, const char *name, size_t name_size)
{
    place_portrait(n);
    m_name_text->set_text(player_info_shown_name(name, name_size).c_str());
}

int voter_portrait::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(update_voter_info)) {
        const player_info &player = *static_cast<const player_info *>(msg_arg(0)->get_ptr());
        show_player(player.portr_nmb, player.name, sizeof player.name);
        return 0;
    }
    if (*message == MSG_VAR(reset_voter_info)) {
        show_player(-1, "", 1);
        return 0;
    }
    if (*message == MSG_VAR(show_named) && ui_name_matches(this, msg_arg(1)->get_const_pchar()))
        m_frame->message(MSG_VAR(show), 0, this, MSG_ARG(msg_arg(0)->get_int()), MSG_ARGS_END);
    return named_multistate_image::handle_message(message, sender);
}
