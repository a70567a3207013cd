#include "kernel/exception.h"
#include "services/manager_model_kinds.h"

#include <string>

data_entity_c *make_static_model_data(manager_model_c *, const char *name)
{
    ENGINE_THROW(exception_c, std::string("Model '") + name + "': static models are not supported yet");
}
