#include "Vizuzuze/program.h"

#include "game/creators.h"
#include "kernel/root.h"
#include "movies/creators.h"
#include "net/net_manager.h"
#include "platform/d3d/d3d8.h"
#include "scenes/creators.h"
#include "services/creators.h"
#include "test_console/creators.h"
#include "ui/creators.h"

void vizuzuze_register_creators()
{
    kernel_register_creators();
    services_register_creators();
    scenes_register_creators();
    movies_register_creators();
    test_console_register_creators();
    ui_register_creators();
    game_register_creators();
    net_register_creators();
}

void vizuzuze_prepare()
{
    vizuzuze_register_creators();
    // The program draws through OpenGL; tests keep the recording device.
    d3d_select_backend("gl");
}
