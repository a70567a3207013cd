// A stand-in for the texture manager, for tests and benchmarks of models: it answers
// get_texture_mgr and loads shared textures by name with the attributes a model reads, no
// device texture behind them.
#pragma once

#include <string>

#include "kernel/exception.h"
#include "services/manager_basic.h"

// Textures by name: shared, with the attributes the model reads; names containing "alpha"
// have an alpha channel.
class texture_stub_c : public manager_basic_c
{
public:
    explicit texture_stub_c(abstract_c *parent) : manager_basic_c(parent, nullptr) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (manager_basic_c::handle_message(message, sender))
            return 1;
        return answer_manager_request(message, MSG_VAR(get_texture_mgr), this);
    }
    data_entity_c *create_data(const char *name, int) override
    {
        if (std::string(name).find("missing") != std::string::npos)
            ENGINE_THROW(exception_c, std::string("Texture '") + name + "' not found");
        return new data_c(this, name);
    }

private:
    struct data_c : data_entity_c
    {
        data_c(manager_basic_c *m, const char *name) : data_entity_c(m, nullptr, name) {}
        resource_entity_c *create_resource(int) override
        {
            auto *r = new resource_entity_c(static_cast<manager_basic_c *>(parent()), nullptr, this, 0);
            add_attribute(nullptr, r->attributes(), "handle", value_c((void *)nullptr), 0);
            add_attribute(nullptr, r->attributes(), "alphablended",
                          value_c(std::string(name()).find("alpha") != std::string::npos ? 1 : 0), 0);
            add_attribute(nullptr, r->attributes(), "width", value_c(8), 0);
            add_attribute(nullptr, r->attributes(), "height", value_c(8), 0);
            return r;
        }
    };
};

