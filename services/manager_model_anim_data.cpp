#include "kernel/exception.h"
#include "services/manager_model_kinds.h"

#include <string>

data_entity_c *make_animated_model_data(manager_model_c *, const char *name)
{
    ENGINE_THROW(exception_c, std::string("Model '") + name + "': animated models are not supported yet");
}
