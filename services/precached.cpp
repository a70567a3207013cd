#include "services/precached.h"

precached_texture_c::precached_texture_c(abstract_c *parent, const attribute_list_c *attributes)
    : precached_c(parent, attributes)
{
    m_handle = itexture_mgr_c().create_texture(name(), 0);
}

precached_model_c::precached_model_c(abstract_c *parent, const attribute_list_c *attributes)
    : precached_c(parent, attributes)
{
    m_handle = imodel_mgr_c().create_model(name());
    m_handle->show(0);
}

precached_sound_c::precached_sound_c(abstract_c *parent, const attribute_list_c *attributes)
    : precached_c(parent, attributes)
{
    m_handle = isound_mgr_c().create_sound(name());
}
