#include "scenes/creators.h"

#include "kernel/scripts.h"
#include "scenes/locator.h"
#include "scenes/model_drivers.h"

void scenes_register_creators()
{
    register_creator("locator", make_object<locator_c>);
    register_creator("model", make_object<location_model_c>);
    register_creator("gesture_player", make_object<gesture_player_c>);
    register_creator("model_revealer", make_object<model_revealer_c>);
    register_creator("model_picker", make_object<model_picker_c>);
}
