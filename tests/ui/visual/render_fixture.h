// The visual layer on the recording device: a started Direct3D service and a stand-in texture
// manager that shares textures of fixed sizes through the real manager base, so reference
// counts behave as the texture manager's do without any image file.
#pragma once

#include "services/manager_basic.h"
#include "tests/services/d3d/d3d_fixture.h"
#include "tests/ui/ui_fixture.h"

#include <cstring>
#include <map>

struct stub_texture_s
{
    int width, height, alpha;
};

// A shared texture entry with the attributes the UI reads; its device texture belongs to it.
class stub_texture_c : public resource_entity_c
{
public:
    stub_texture_c(manager_basic_c *manager, data_entity_c *data, d3d_service_c *d3d, const stub_texture_s &s)
        : resource_entity_c(manager, nullptr, data, 0)
    {
        m_device_texture = d3d->create_texture(s.width, s.height, d3d->get_texture_format(s.alpha), 1);
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

    std::map<std::string, stub_texture_s> textures = {
        {"textures/states", {256, 128, 0}},  {"textures/states_alpha", {256, 128, 1}},
        {"textures/wide", {512, 256, 0}},    {"textures/panel", {64, 64, 1}},
    };
    std::vector<int> prms;
    d3d_service_c *m_d3d;
};

class ui_render_test : public d3d_fixture
{
protected:
    void SetUp() override
    {
        d3d_fixture::SetUp();
        start();
        textures = new stub_texture_manager_c(root, d3d);
    }
    void render()
    {
        rec->clear_log();
        d3d->begin_scene();
        try {
            root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
        } catch (...) {
            d3d->end_scene();
            throw;
        }
        d3d->end_scene();
    }
    // The unlit vertices of a buffer.
    static std::vector<unlit_vertex_s> vertices(IDirect3DVertexBuffer8 *buffer)
    {
        std::vector<unlit_vertex_s> out(buffer->bytes().size() / sizeof(unlit_vertex_s));
        std::memcpy(out.data(), buffer->bytes().data(), out.size() * sizeof(unlit_vertex_s));
        return out;
    }
    static std::vector<WORD> indices(IDirect3DIndexBuffer8 *buffer)
    {
        std::vector<WORD> out(buffer->bytes().size() / 2);
        std::memcpy(out.data(), buffer->bytes().data(), out.size() * 2);
        return out;
    }

    stub_texture_manager_c *textures = nullptr;
};

// Attributes of a scripted multistate_image.
inline attribute_list_c image_attrs(const char *tex_name, int columns, int rows, rect tex, rect screen = rect())
{
    attribute_list_c list = attrs({{"color", value_c(vec3(255, 255, 255))},
                                   {"tex_name", text_value(tex_name)},
                                   {"columns", value_c(columns)},
                                   {"rows", value_c(rows)},
                                   {"tex", value_c(tex)}});
    if (screen.right != screen.left)
        add_attribute(nullptr, list, "screen_rect", value_c(screen), 0);
    return list;
}
