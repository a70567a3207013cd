#include "services/creators.h"

#include "kernel/scripts.h"
#include "services/keyboard_messager.h"
#include "services/manager_font.h"
#include "services/manager_model.h"
#include "services/manager_sound.h"
#include "services/manager_texture.h"
#include "services/precached.h"
#include "services/srvc_d3d.h"
#include "services/srvc_dsound.h"
#include "services/srvc_input.h"
#include "services/srvc_mainwnd.h"

void services_register_creators()
{
    register_creator("dsound", make_object<dsound_service_c>);
    register_creator("main_window", make_object<main_window_c>);
    register_creator("dinput", make_object<dinput_c>);
    register_creator("win32input", make_object<win32input_c>);
    register_creator("keyboard_messager", make_object<keyboard_messager_c>);
    register_creator("d3d", make_object<d3d_service_c>);
    register_creator("renderer", make_object<renderer_c>);
    register_creator("model_manager", make_object<manager_model_c>);
    register_creator("sound_manager", make_object<manager_sound_c>);
    register_creator("texture_manager", make_object<manager_texture_c>);
    register_creator("precached_texture", make_object<precached_texture_c>);
    register_creator("precached_model", make_object<precached_model_c>);
    register_creator("precached_sound", make_object<precached_sound_c>);
    register_creator("font_manager", make_object<manager_font_c>);
}
