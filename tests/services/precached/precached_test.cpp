// Precached textures and models: created by their script class names, they hold their
// resource while they live. Textures under a stand-in manager of the test's own (what is sent
// to it) and under the real texture manager; models under the real model manager with probe
// models.
#include "services/precached.h"

#include "kernel/scripts.h"
#include "services/creators.h"
#include "tests/services/models/model_manager_fixture.h"
#include "tests/services/resources/test_manager.h"
#include "tests/services/textures/texture_fixture.h"
#include "tools/imagegen/imagegen.h"

#include <gtest/gtest.h>

namespace {

abstract_c *make_precached(const char *class_name, abstract_c *parent, const char *name)
{
    // Once per process: a second registration is refused.
    if (!find_creator("sound_manager", nullptr))
        services_register_creators();
    attribute_list_c attrs;
    if (name)
        add_attribute(nullptr, attrs, "name", value_c(name, value_c::STRING), 0);
    return create_object(class_name, parent, &attrs);
}

class precached_texture : public manager_fixture
{
protected:
    void SetUp() override
    {
        manager_fixture::SetUp();
        m_mgr->request = "get_texture_mgr";
    }
};

TEST_F(precached_texture, shares_its_texture_while_it_lives)
{
    abstract_c *pre = make_precached("precached_texture", m_root, "textures/wall");
    test_resource_c *held = load("textures/wall");
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->ref_count(), 2);
    EXPECT_EQ(held->m_prm, 0);
    EXPECT_EQ(m_mgr->data_created, 1);

    // Going first leaves the other holder's texture alive.
    pre->shutdown_tree();
    EXPECT_EQ(held->ref_count(), 1);
    EXPECT_TRUE(held->alive());
    release(held);
    EXPECT_EQ(m_log.joined(), "down-data:textures/wall down-res:textures/wall");
}

TEST_F(precached_texture, needs_a_name_and_passes_the_managers_error_on)
{
    EXPECT_EQ(thrown([&] { make_precached("precached_texture", m_root, nullptr); }),
              "Could not find required attribute 'name'");
    m_mgr->throw_in_create_data = true;
    EXPECT_EQ(thrown([&] { make_precached("precached_texture", m_root, "textures/none"); }),
              "Test data 'textures/none' not found");
    EXPECT_EQ(child_count(m_root), 1) << "only the manager is left";
}

class precached_real_texture : public texture_fixture
{
protected:
    void SetUp() override
    {
        texture_fixture::SetUp();
        start_manager();
    }
};

TEST_F(precached_real_texture, a_later_load_gets_the_same_entry_and_outlives_the_precache)
{
    put("textures/wall.bmp", imagegen::make_bmp(imagegen::picture(4, 4, 0x336699)));
    abstract_c *pre = make_precached("precached_texture", root, "textures/wall");
    texture_resource_c *res = load("textures/wall");
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(res->ref_count(), 2);
    pre->shutdown_tree();
    EXPECT_EQ(res->ref_count(), 1);
    EXPECT_NE(handle(res), nullptr);
    release_res(res);
    EXPECT_FALSE(res->alive());
    EXPECT_EQ(thrown([&] { make_precached("precached_texture", root, "textures/none"); }),
              "Texture 'textures/none' not found");
}

using precached_model = model_manager_fixture;

TEST_F(precached_model, keeps_the_model_data_and_its_own_instance_is_hidden)
{
    probe_data_c *d = data("props/chair");
    object_pointer_c data_alive = d;
    abstract_c *pre = make_precached("precached_model", root, "props/chair");
    EXPECT_EQ(d->resource_count(), 1);
    probe_model_c *shown = load("props/chair");
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(d->resource_count(), 2);
    render_pass();
    ASSERT_EQ(draws.size(), 1u) << "the precached instance is not drawn";
    EXPECT_EQ(draws[0], shown->m_name);

    release(shown);
    EXPECT_NE(data_alive.get(), nullptr) << "held by the precache";
    pre->shutdown_tree();
    EXPECT_EQ(data_alive.get(), nullptr);
}

} // namespace
