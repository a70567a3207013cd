// The model data kinds the model manager builds, chosen by the definition file in the model's
// folder: static models ("static.def") and skeletal-animated models ("animated.def"). Each
// reads its definition and files now and throws on any error, leaving nothing behind.
#pragma once

class data_entity_c;
class manager_model_c;

data_entity_c *make_static_model_data(manager_model_c *manager, const char *name);
data_entity_c *make_animated_model_data(manager_model_c *manager, const char *name);
