// A model manager on the recording Direct3D device, with a model data kind of the test's own
// whose instances record when they draw and may carry named locators.
#pragma once

#include "tests/kernel/test_node.h"
#include "tests/services/d3d/d3d_fixture.h"

#include "services/manager_model.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class probe_model_c : public renderable_entity_c
{
public:
    probe_model_c(manager_model_c *manager, model_data_c *data, std::vector<std::string> *draws, std::string name)
        : renderable_entity_c(manager, nullptr, data), m_draws(draws), m_name(std::move(name))
    {
    }
    void render() override
    {
        apply_lighting();
        m_manager->d3d()->set_world_matrix(m_world);
        if (m_draws)
            m_draws->push_back(m_name);
    }
    matrix_c *get_locator_matrix(matrix_c *out, const char *locator) override
    {
        auto it = m_locators.find(locator);
        if (it == m_locators.end())
            return renderable_entity_c::get_locator_matrix(out, locator);
        *out = it->second;
        return out;
    }
    void set(const vec3 &position) { message(MSG_VAR(model_set_position), 0, nullptr, MSG_ARG(position), MSG_ARG(vec3_zero), MSG_ARGS_END); }
    void set_blended_texture()
    {
        m_flags_model |= FLAG_BLENDED_TEXTURE;
        update_blend();
    }
    void force_priority(int p) { m_priority = p; }

    std::vector<std::string> *m_draws;
    std::string m_name;
    std::map<std::string, matrix_c> m_locators;
};

// Data whose instances are probes; instances are named "<data name>#<n>".
class probe_data_c : public model_data_c
{
public:
    probe_data_c(manager_model_c *manager, const char *name, std::vector<std::string> *draws)
        : model_data_c(manager, nullptr, name), m_draws(draws)
    {
    }
    resource_entity_c *create_resource(int) override
    {
        if (throw_after_slot)
            throw_in_constructor_of_next();
        return new probe_model_c(m_manager, this, m_draws, std::string(name()) + "#" + std::to_string(++m_made));
    }
    // An instance whose construction fails after it took its table slot.
    void throw_in_constructor_of_next()
    {
        struct failing_c : probe_model_c
        {
            failing_c(manager_model_c *m, model_data_c *d) : probe_model_c(m, d, nullptr, "failing")
            {
                ENGINE_THROW(exception_c, "instance construction failed");
            }
        };
        new failing_c(m_manager, this);
    }
    std::vector<std::string> *m_draws;
    int m_made = 0;
    bool throw_after_slot = false;
};

class model_manager_fixture : public d3d_fixture
{
protected:
    void SetUp() override
    {
        d3d_fixture::SetUp();
        start();
        mgr = new manager_model_c(root, nullptr);
    }

    probe_data_c *data(const char *name) { return new probe_data_c(mgr, name, &draws); }
    // A new instance of the named data, loaded as a model handle loads it.
    probe_model_c *load(const char *name)
    {
        abstract_c *res = nullptr;
        mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG(name), MSG_ARG(0), MSG_ARGS_END);
        return dynamic_cast<probe_model_c *>(res);
    }
    static void release(abstract_c *r) { release_res(r); }
    void render_pass()
    {
        draws.clear();
        mgr->message(MSG_VAR(model_mgr_render), 0, nullptr, MSG_ARGS_END);
    }
    static std::string thrown(const std::function<void()> &f) { return thrown_message(f); }

    manager_model_c *mgr = nullptr;
    std::vector<std::string> draws;
};
