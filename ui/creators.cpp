#include "ui/creators.h"

#include "kernel/scripts.h"
#include "ui/ui_vis_image.h"

void ui_register_creators()
{
    register_creator("multistate_image", make_object<multistate_image>);
}
