#include "ui/creators.h"

#include "kernel/scripts.h"
#include "ui/ui_button.h"
#include "ui/ui_complex_button.h"
#include "ui/ui_container.h"
#include "ui/ui_cursor.h"
#include "ui/ui_hint.h"
#include "ui/ui_question_static.h"
#include "ui/ui_scale.h"
#include "ui/ui_screen_command.h"
#include "ui/ui_screen_connect.h"
#include "ui/ui_screen_game.h"
#include "ui/ui_screen_hiscore.h"
#include "ui/ui_screen_main.h"
#include "ui/ui_screen_options.h"
#include "ui/ui_screen_survey.h"
#include "ui/ui_screen_vote.h"
#include "ui/ui_screen_windows.h"
#include "ui/ui_edit.h"
#include "ui/ui_history_list.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"
#include "ui/ui_vis_image_named.h"

void ui_register_creators()
{
    register_creator("edit", make_object<edit>);
    register_creator("hiscore_history", make_object<hiscore_history>);
    register_creator("history_control", make_object<history_control>);
    register_creator("mail_edit", make_object<mail_edit>);
    register_creator("numeric_edit", make_object<numeric_edit>);
    register_creator("multi_static_text", make_object<multi_static_text>);
    register_creator("checkbox", make_object<checkbox>);
    register_creator("hint_layer", make_object<hint_layer>);
    register_creator("menu", make_object<menu>);
    register_creator("multistate_image", make_object<multistate_image>);
    register_creator("named_multistate_image", make_object<named_multistate_image>);
    register_creator("scale", make_object<scale>);
    register_creator("static_text", make_object<static_text>);
    register_creator("ui_container", make_object<ui_container_c>);
    // Buttons and the controls built on them.
    register_creator("button", make_object<button>);
    register_creator("complex_button", make_object<complex_button>);
    register_creator("field", make_object<field>);
    register_creator("text_button", make_object<text_button>);
    // The pointer and its shapes.
    register_creator("cursor", make_object<cursor>);
    register_creator("cursor_resource", make_object<cursor_resource>);
    // The game's screens and windows, and the starter of the user interface.
    register_creator("screen_clean", make_object<screen_clean>);
    register_creator("screen_command", make_object<screen_command>);
    register_creator("autochecker", make_object<autochecker>);
    register_creator("screen_hiscore", make_object<screen_hiscore>);
    register_creator("screen_main", make_object<screen_main>);
    register_creator("screen_options", make_object<screen_options>);
    register_creator("screen_connect", make_object<screen_connect>);
    register_creator("screen_game", make_object<screen_game>);
    register_creator("round_clock", make_object<round_clock>);
    register_creator("screen_create_server", make_object<screen_create_server>);
    register_creator("screen_survey", make_object<screen_survey>);
    register_creator("screen_vote", make_object<screen_vote>);
    register_creator("ui_starter", make_object<ui_starter>);
    register_creator("window_credit", make_object<window_credit>);
    register_creator("voter_portrait", make_object<voter_portrait>);
    register_creator("window_exit", make_object<window_exit>);
    // The user's options, kept for the whole run.
    register_creator("options_loader", make_object<options_loader>);
}
