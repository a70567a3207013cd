#include "services/manager_model_static.h"

#include <string>

#include "basics/Tok.h"
#include "basics/vaultfile_obj.h"
#include "importers/models.h"
#include "kernel/exception.h"
#include "services/itexture.h"
#include "services/manager_model_kinds.h"
#include "services/manager_model_shadow.h"
#include "services/srvc_d3d.h"

data_entity_c *make_static_model_data(manager_model_c *manager, const char *name)
{
    return new static_data_c(manager, name);
}

int static_def_exists(const char *model)
{
    return vaultfile_exists((std::string(model) + "/static.def").c_str(), VFILE_READ);
}

// ---- data ----

static_data_c::static_data_c(manager_model_c *manager, const char *name)
    : model_data_c(manager, "static_data_tpl", name), m_transform(1.0f)
{
    const std::string model(name), file = model + "/static.def";
    tok_c tok(file.c_str());
    try {
        vec3 scale, angles, offset;
        tok_c::scan(&tok, "transform scale @vec3 angles @vec3 offset @vec3 ;", &scale, &angles, &offset);
        make_matrix(m_transform, placement{offset, angles, scale});
        char geometry[32];
        tok_c::scan(&tok, "geometry @str 32;", &geometry);
        m_mesh = std::make_unique<static_mesh_c>(d3d(), (model + "/" + geometry + ".geo").c_str(), m_transform);
        char texture[64];
        tok_c::scan(&tok, "texture @str 64;", &texture);
        m_texture = itexture_mgr_c().create_texture((model + "/" + texture).c_str(), 0);
        if (!tok.skip_space())
            ENGINE_THROW(parser_exception_c, std::string(tok.position_string()) + ": end of file expected");
    } catch (const parser_exception_c &e) {
        ENGINE_THROW(exception_c, "Loading model script '" + file + "' failed: " + e.get_message());
    }
}

static_data_c::~static_data_c() = default;

void static_data_c::on_shutdown()
{
    m_mesh.reset();
    m_texture.reset();
}

resource_entity_c *static_data_c::create_resource(int) { return new static_resource_c(m_manager, this); }

// ---- instance ----

static_resource_c::static_resource_c(manager_model_c *manager, static_data_c *data)
    : renderable_entity_c(manager, "static_resource_tpl", data), m_static(data)
{
    if (data->texture()->alphablended())
        m_flags_model |= FLAG_BLENDED_TEXTURE;
    update_blend();
}

static_resource_c::~static_resource_c() = default;

void static_resource_c::on_shutdown()
{
    m_shadow.reset();
    renderable_entity_c::on_shutdown();
}

int static_resource_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (renderable_entity_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(model_accept_shadows)) {
        ENGINE_ASSERT(alive());
        if (!m_shadow) {
            shadow_params_s params{attribute("shadow_cluster")->get_float(),
                                   attribute("shadow_grow_factor")->get_float(),
                                   attribute("height_size_factor")->get_float(),
                                   attribute("texture_name")->get_const_pchar()};
            m_shadow = std::make_unique<shadow_receiver_c>(m_manager->d3d(), *m_static->mesh(), params);
        }
        return 1;
    }
    return 0;
}

void static_resource_c::render()
{
    d3d_service_c *d3d = m_manager->d3d();
    d3d->set_lit_vertex_format();
    d3d->set_world_matrix(m_world);
    apply_lighting();
    apply_blend(m_flags_model & FLAG_BLENDED_TEXTURE);

    IDirect3DDevice8 *device = d3d->device();
    static_mesh_c *mesh = m_static->mesh();
    if (device) {
        device->SetStreamSource(0, mesh->vertex_buffer(), sizeof(lit_vertex_s));
        device->SetIndices(mesh->index_buffer(), 0);
        device->SetTexture(0, m_static->texture()->handle());
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, mesh->vertices_count(), 0, mesh->faces_count());
    }

    if (m_shadow) {
        if (m_master_model || !(m_position == vec3_zero) || !(m_angles == vec3_zero) || !(m_scale == vec3_one))
            ENGINE_THROW(exception_c, std::string("Shadow receiver '") + m_static->name() +
                                          "' must stand at the origin, unturned and unscaled");
        m_shadow->collect(m_manager);
        m_shadow->draw();
    }
}

matrix_c *static_resource_c::get_locator_matrix(matrix_c *out, const char *locator)
{
    *out = m_static->mesh()->locator_matrix(locator);
    return out;
}
