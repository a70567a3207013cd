#include "ui/ui_voter_card.h"

#include "basics/console_log.h"
#include "game/player_info.h"
#include "kernel/abstract.h"
#include "ui/ui_screen_base.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void set_edit(abstract_c *screen, const char *edit, const char *text)
{
    screen->message(MSG_VAR(named_edit_set_text), 0, screen, pchar_value(edit), pchar_value(text), MSG_ARGS_END);
}

// The screen's text for a coded property: the attribute "<kind><value + 1>". A record may come
// from another PC with a code the screen has no text for: that field stays empty and the game
// goes on.
const char *property_text(abstract_c *screen, const char *kind, int32_t value)
{
    char name[48];
    std::snprintf(name, sizeof name, "%s%lld", kind, (long long)(int64_t(value) + 1));
    if (const value_c *text = screen->find_attribute(name))
        return text->get_const_pchar();
    print_message("Warning: no text '%s' for a player's card, left empty\n", name);
    return "";
}

} // namespace

void voter_card_fill(abstract_c *screen, const voter_card_layout &card, const player_info &player,
                     const char *voted_against, int32_t intellect, int32_t pulse)
{
    // A record may come from another PC: its name is read no further than its field.
    const std::string name(player.name, strnlen(player.name, sizeof player.name));
    set_edit(screen, "player_name_edit", name.c_str());
    set_edit(screen, "character_edit", property_text(screen, "character", player.character));
    set_edit(screen, "health_edit", property_text(screen, "health", player.health));
    set_edit(screen, "job_edit", property_text(screen, "job", player.job));
    set_edit(screen, "hobby_edit", property_text(screen, "hobby", player.hobby));
    set_edit(screen, "voted_against_edit", voted_against);
    const struct
    {
        const char *edit;
        int32_t value;
    } numbers[] = {
        {"age_edit", player.age},
        {"intellect_edit", intellect},
        {"pulse_edit", pulse},
        {card.account_edit, player.m_account},
        {"right_answers_edit", player.m_right_nmb},
        {"wrong_answers_edit", player.m_wrong_nmb},
    };
    for (const auto &n : numbers) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", int(n.value));
        set_edit(screen, n.edit, text);
    }
}

void voter_card_clear(abstract_c *screen, const voter_card_layout &card)
{
    for (const char *edit : {"player_name_edit", "character_edit", "health_edit", "job_edit", "hobby_edit",
                             "voted_against_edit", "age_edit", "intellect_edit", "pulse_edit", card.account_edit,
                             "right_answers_edit", "wrong_answers_edit"})
        set_edit(screen, edit, "");
}
