#include "services/creators.h"

#include "kernel/scripts.h"
#include "services/srvc_dsound.h"

void services_register_creators()
{
    register_creator("dsound", make_object<dsound_service_c>);
}
