// A small resource manager for tests: its data and resource entries write what happens to
// them (shutdown hooks, deletions) into a log that outlives them, and its creates can be made
// to throw. Resources are shared unless `unique` is set.
#pragma once

#include "tests/kernel/test_node.h"
#include "kernel/exception.h"
#include "services/manager_basic.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>


struct log_c
{
    std::vector<std::string> entries;
    void add(const std::string &e) { entries.push_back(e); }
    std::string joined() const
    {
        std::string s;
        for (const std::string &e : entries)
            s += (s.empty() ? "" : " ") + e;
        return s;
    }
};

class test_manager_c;

class test_data_c : public data_entity_c
{
public:
    test_data_c(test_manager_c *manager, const char *name);
    ~test_data_c() override;
    void on_shutdown() override;
    resource_entity_c *create_resource(int prm) override;

    test_manager_c *m_manager;
    log_c *m_log;
};

class test_resource_c : public resource_entity_c
{
public:
    test_resource_c(test_manager_c *manager, test_data_c *data, int unique, int prm);
    ~test_resource_c() override;
    void on_shutdown() override;

    test_manager_c *m_manager;
    log_c *m_log;
    std::string m_name;
    int m_prm;
};

class test_manager_c : public manager_basic_c
{
public:
    // The log outlives the manager: its entries write to it while the manager deletes them.
    test_manager_c(abstract_c *parent, log_c *log) : manager_basic_c(parent, nullptr), log(log) {}

    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (manager_basic_c::handle_message(message, sender))
            return 1;
        return answer_manager_request(message, msg_c(request), this);
    }

    data_entity_c *create_data(const char *name, int prm) override
    {
        ++data_created;
        last_prm = prm;
        if (throw_in_create_data)
            ENGINE_THROW(exception_c, std::string("Test data '") + name + "' not found");
        return new test_data_c(this, name);
    }

    // The root request this manager answers.
    const char *request = "get_test_mgr";
    int unique = 0;
    bool throw_in_create_data = false;
    bool throw_in_resource_constructor = false;
    int data_created = 0;
    int resources_created = 0;
    int last_prm = -1;
    log_c *log;
};

inline test_data_c::test_data_c(test_manager_c *manager, const char *name)
    : data_entity_c(manager, nullptr, name), m_manager(manager), m_log(manager->log)
{
}
inline test_data_c::~test_data_c() { m_log->add(std::string("~data:") + name()); }
inline void test_data_c::on_shutdown() { m_log->add(std::string("down-data:") + name()); }
inline resource_entity_c *test_data_c::create_resource(int prm)
{
    return new test_resource_c(m_manager, this, m_manager->unique, prm);
}

inline test_resource_c::test_resource_c(test_manager_c *manager, test_data_c *data, int unique, int prm)
    : resource_entity_c(manager, nullptr, data, unique), m_manager(manager), m_log(manager->log), m_name(data->name()), m_prm(prm)
{
    // Fails after the base has counted itself in the data entry.
    if (manager->throw_in_resource_constructor)
        ENGINE_THROW(exception_c, "resource construction failed");
    ++manager->resources_created;
}
inline test_resource_c::~test_resource_c() { m_log->add("~res:" + m_name); }
inline void test_resource_c::on_shutdown() { m_log->add("down-res:" + m_name); }

// Answers the request get_null_mgr, but with no manager.
class null_answer_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        return answer_manager_request(message, MSG_VAR(get_null_mgr), nullptr);
    }
};

inline int child_count(const abstract_c *parent)
{
    int n = 0;
    for (const abstract_c *c = parent->first_child(); c; c = c->next_sibling())
        ++n;
    return n;
}

// A root with one test manager under it.
class manager_fixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = new abstract_c(nullptr);
        m_mgr = new test_manager_c(m_root, &m_log);
    }
    void TearDown() override
    {
        m_root->shutdown_tree();
        delete m_root;
    }

    // As a handle loads: mgr_load_res to the manager.
    test_resource_c *load(const char *name, int prm = 0)
    {
        abstract_c *res = nullptr;
        EXPECT_EQ(1, m_mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG(name),
                                    MSG_ARG(prm), MSG_ARGS_END));
        return dynamic_cast<test_resource_c *>(res);
    }
    static void release(abstract_c *res) { release_res(res); }
    void end_of_tick() { m_root->collect_dead_children(); }

    static std::string thrown(const std::function<void()> &f) { return thrown_message(f); }

    log_c m_log;
    abstract_c *m_root = nullptr;
    test_manager_c *m_mgr = nullptr;
};

