// A stand-in texture manager for UI tests and benchmarks: it shares textures of fixed sizes
// (optionally with the pixels of a picture) through the real manager base, so reference
// counts behave as the texture manager's do without reading any image file.
#pragma once

#include "kernel/exception.h"
#include "services/manager_basic.h"
#include "services/srvc_d3d.h"
#include "tools/imagegen/ui_textures.h"

#include <map>
#include <string>
#include <vector>

struct stub_texture_s
{
    int width, height, alpha;
    const imagegen::picture *pixels = nullptr; // contents, or none
};

// A shared texture entry with the attributes the UI reads; its device texture belongs to it.
class stub_texture_c : public resource_entity_c
{
public:
    stub_texture_c(manager_basic_c *manager, data_entity_c *data, d3d_service_c *d3d, const stub_texture_s &s)
        : resource_entity_c(manager, nullptr, data, 0)
    {
        m_device_texture = d3d->create_texture(s.width, s.height, d3d->get_texture_format(s.alpha), 1);
        if (s.pixels)
            upload(d3d, *s.pixels);
        else if (s.alpha)
            upload(d3d, imagegen::picture(s.width, s.height, 0x808080)); // opaque: images draw it whole
        add_attribute(nullptr, m_attributes, "handle", value_c((void *)m_device_texture), 0);
        add_attribute(nullptr, m_attributes, "width", value_c(s.width), 0);
        add_attribute(nullptr, m_attributes, "height", value_c(s.height), 0);
        add_attribute(nullptr, m_attributes, "alphablended", value_c(s.alpha), 0);
    }
    void on_shutdown() override
    {
        if (m_device_texture)
            m_device_texture->Release();
        m_device_texture = nullptr;
    }
    // Pictures go into 32-bit textures only (B, G, R, A in memory).
    void upload(d3d_service_c *d3d, const imagegen::picture &pic)
    {
        const D3DFORMAT format = m_device_texture->format();
        ENGINE_ASSERT(format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8);
        D3DLOCKED_RECT locked = d3d->lock_texture(m_device_texture, 0);
        for (int y = 0; y < pic.height; ++y) {
            BYTE *row = static_cast<BYTE *>(locked.pBits) + size_t(y) * locked.Pitch;
            for (int x = 0; x < pic.width; ++x) {
                const uint8_t *p = &pic.rgba[(size_t(y) * pic.width + x) * 4];
                row[x * 4 + 0] = p[2];
                row[x * 4 + 1] = p[1];
                row[x * 4 + 2] = p[0];
                row[x * 4 + 3] = p[3];
            }
        }
        d3d->unlock_texture(m_device_texture, 0);
    }
    IDirect3DTexture8 *m_device_texture = nullptr;
};

class stub_texture_manager_c : public manager_basic_c
{
public:
    class data_c : public data_entity_c
    {
    public:
        data_c(stub_texture_manager_c *m, const char *name, stub_texture_s s)
            : data_entity_c(m, nullptr, name), m_manager(m), m_info(s)
        {
        }
        resource_entity_c *create_resource(int prm) override
        {
            m_manager->prms.push_back(prm);
            return new stub_texture_c(m_manager, this, m_manager->m_d3d, m_info);
        }
        stub_texture_manager_c *m_manager;
        stub_texture_s m_info;
    };

    stub_texture_manager_c(abstract_c *parent, d3d_service_c *d3d) : manager_basic_c(parent, nullptr), m_d3d(d3d) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (manager_basic_c::handle_message(message, sender))
            return 1;
        return answer_manager_request(message, MSG_VAR(get_texture_mgr), this);
    }
    data_entity_c *create_data(const char *name, int) override
    {
        auto it = textures.find(name);
        if (it == textures.end())
            ENGINE_THROW(exception_c, std::string("Texture '") + name + "' not found");
        return new data_c(this, name, it->second);
    }
    // The live shared entry of a name, or null.
    stub_texture_c *entry(const std::string &name)
    {
        for (abstract_c *c = first_child(); c; c = c->next_sibling())
            if (auto *t = dynamic_cast<stub_texture_c *>(c); t && t->alive() &&
                                                             name == static_cast<data_c *>(t->data())->name())
                return t;
        return nullptr;
    }

    // Adds the generated UI textures ("textures/ui_states" ...) with their pictures.
    void add_ui_textures()
    {
        m_ui_textures = imagegen::make_ui_textures();
        for (const imagegen::ui_texture &t : m_ui_textures)
            textures[std::string("textures/") + t.name] = {t.pic.width, t.pic.height, t.depth == 32, &t.pic};
    }

    std::map<std::string, stub_texture_s> textures = {
        {"textures/states", {256, 128, 0}},  {"textures/states_alpha", {256, 128, 1}},
        {"textures/wide", {512, 256, 0}},    {"textures/panel", {64, 64, 1}},
    };
    std::vector<int> prms;
    d3d_service_c *m_d3d;
    std::vector<imagegen::ui_texture> m_ui_textures;
};

