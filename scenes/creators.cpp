#include "scenes/creators.h"

#include "kernel/scripts.h"
#include "scenes/camera.h"
#include "scenes/loctn_light.h"
#include "scenes/loctn_movepath.h"
#include "scenes/loctn_movers.h"
#include "scenes/locator.h"
#include "scenes/loctn_relay.h"
#include "scenes/loctn_stuff.h"
#include "scenes/scene_renderer.h"
#include "scenes/model_drivers.h"
#include "scenes/particles.h"
#include "scenes/sky.h"
#include "scenes/water.h"

void scenes_register_creators()
{
    register_creator("locator", make_object<locator_c>);
    register_creator("model", make_object<location_model_c>);
    register_creator("gesture_player", make_object<gesture_player_c>);
    register_creator("model_revealer", make_object<model_revealer_c>);
    register_creator("model_picker", make_object<model_picker_c>);
    register_creator("scene_renderer", make_object<scene_renderer_c>);
    register_creator("relay", make_object<relay_c>);
    register_creator("random_relay", make_object<random_relay_c>);
    register_creator("sound_3d", make_object<sound_3d_c>);
    register_creator("keyboard_action", make_object<keyboard_action_c>);
    register_creator("camera", make_object<camera_c>);
    register_creator("camera_operator", make_object<camera_operator_c>);
    register_creator("fog", make_object<fog_c>);
    register_creator("light", make_object<light_c>);
    register_creator("movepath", make_object<movepath_c>);
    register_creator("movepath_pivot", make_object<movepath_pivot_c>);
    register_creator("movepath_finish", make_object<movepath_finish_c>);
    register_creator("path_mover", make_object<path_mover_c>);
    register_creator("interp_mover", make_object<interp_mover_c>);
    register_creator("accelerated_mover", make_object<accelerated_mover_c>);
    register_creator("stopper", make_object<stopper_c>);
    register_creator("particles", make_object<particles_c>);
    register_creator("sky", make_object<sky_c>);
    register_creator("water", make_object<water_c>);
}
