// Resource handles: references given back exactly once (also across moves), the assertions
// that quote their sends, and the messages the model, sound and texture handles send.
#include "test_manager.h"

#include "services/imodel.h"
#include "services/isound.h"
#include "services/itexture.h"
#include "importers/bitmap.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string assertion(const std::string &expression)
{
    return "Debug assertion failed! Expression: \"" + expression + "\"";
}

using handles_fixture = manager_fixture;

TEST_F(handles_fixture, a_manager_handle_finds_its_manager_through_the_root)
{
    ibasic_mgr_c found("get_test_mgr");
    EXPECT_EQ(m_mgr, found.manager());

    EXPECT_EQ(assertion("abstract_c::root()->message(msg_c(get_manager_msg_name), 0, NULL, MSG_ARG((void *)&m_manager), "
                        "MSG_ARGS_END)"),
              thrown([] { ibasic_mgr_c none("get_nothing_mgr"); }));

    new null_answer_c(m_root);
    EXPECT_EQ(assertion("m_manager"), thrown([] { ibasic_mgr_c none("get_null_mgr"); }));
}

TEST(handles_without_root, a_manager_handle_needs_a_root)
{
    try {
        ibasic_mgr_c none("get_test_mgr");
        FAIL() << "no exception";
    } catch (const exception_c &e) {
        EXPECT_EQ(assertion("m_root"), e.get_message());
    }
}

TEST_F(handles_fixture, each_handle_gives_its_reference_back_exactly_once)
{
    ibasic_c first;
    first.load("crate", m_mgr, 0);
    auto *res = dynamic_cast<test_resource_c *>(first.resource());
    ASSERT_NE(nullptr, res);
    {
        ibasic_c second;
        second.load("CRATE", m_mgr, 0);
        EXPECT_EQ(res, second.resource());
        EXPECT_EQ(2, res->ref_count());

        ibasic_c moved(std::move(second));
        EXPECT_EQ(nullptr, second.resource());
        EXPECT_EQ(res, moved.resource());
        EXPECT_EQ(2, res->ref_count()) << "a move takes no reference";

        second.release(); // empty: sends nothing
        EXPECT_EQ(2, res->ref_count());
    } // moved goes, second (empty) goes
    EXPECT_EQ(1, res->ref_count());
    EXPECT_TRUE(res->alive());

    first.release();
    EXPECT_FALSE(res->alive());
    EXPECT_EQ(nullptr, first.resource());
    first.release();
    EXPECT_EQ("down-data:crate down-res:crate", m_log.joined());
}

TEST_F(handles_fixture, a_handle_outliving_the_shutdown_of_the_tree_lets_go_quietly)
{
    ibasic_c handle;
    handle.load("crate", m_mgr, 0);
    m_root->shutdown_tree();
    EXPECT_EQ("", thrown([&] { handle.release(); }));
    EXPECT_EQ(nullptr, handle.resource());
}

TEST_F(handles_fixture, move_assignment_gives_back_what_the_target_held)
{
    ibasic_c a, b;
    a.load("a", m_mgr, 0);
    b.load("b", m_mgr, 0);
    abstract_c *res_a = a.resource();
    abstract_c *res_b = b.resource();

    a = std::move(b);
    EXPECT_FALSE(res_a->alive());
    EXPECT_EQ(res_b, a.resource());
    EXPECT_EQ(nullptr, b.resource());
    EXPECT_EQ(1, dynamic_cast<test_resource_c *>(res_b)->ref_count());

    ibasic_c &self = a;
    a = std::move(self);
    EXPECT_TRUE(res_b->alive()) << "moving a handle onto itself keeps its reference";
}

TEST_F(handles_fixture, loading_fails_without_a_manager_into_a_loaded_handle_and_on_manager_errors)
{
    ibasic_c handle;
    EXPECT_EQ(assertion("mgr"), thrown([&] { handle.load("x", nullptr, 0); }));

    abstract_c *deaf = new abstract_c(m_root);
    EXPECT_EQ(assertion("mgr->message(MSG_VAR(mgr_load_res), 0, NULL, MSG_ARG((void *)&m_resource), MSG_ARG(name), "
                        "MSG_ARG(prm), MSG_ARGS_END)"),
              thrown([&] { handle.load("x", deaf, 0); }));
    EXPECT_EQ(nullptr, handle.resource());

    m_mgr->throw_in_create_data = true;
    EXPECT_EQ("Test data 'x' not found", thrown([&] { handle.load("x", m_mgr, 0); }));
    EXPECT_EQ(nullptr, handle.resource()) << "a failed load leaves the handle empty";
    m_mgr->throw_in_create_data = false;

    handle.load("x", m_mgr, 5);
    abstract_c *held = handle.resource();
    EXPECT_EQ(5, m_mgr->last_prm);
    EXPECT_EQ(assertion("!m_resource"), thrown([&] { handle.load("y", m_mgr, 0); }));
    EXPECT_EQ(held, handle.resource());
    EXPECT_EQ(1, dynamic_cast<test_resource_c *>(held)->ref_count());
    EXPECT_EQ(2, m_mgr->data_created) << "the refused load asked the manager nothing";
}

// A resource that records the messages it gets and answers them when `answer` is set.
class probe_c : public resource_entity_c
{
public:
    probe_c(manager_basic_c *manager, int answer) : resource_entity_c(manager, nullptr, nullptr, 1), m_answer(answer)
    {
        ++m_ref_count;
        add_attribute(nullptr, m_attributes, "handle", value_c((void *)this), 0);
        add_attribute(nullptr, m_attributes, "alphablended", value_c(1), 0);
        add_attribute(nullptr, m_attributes, "width", value_c(64), 0);
        add_attribute(nullptr, m_attributes, "height", value_c(32), 0);
    }
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (resource_entity_c::handle_message(message, sender))
            return 1;
        for (const char *name : {"model_set_position", "model_show", "model_set_alpha", "model_set_lighting",
                                 "model_cast_shadows", "model_get_matrix", "model_insert_slave",
                                 "model_accept_shadows", "model_play_gesture", "model_switch_part",
                                 "model_get_passed_gesture", "sound_play", "sound_stop", "sound_is_playing",
                                 "sound_3d_params"}) {
            if (*message == msg_c(name)) {
                seen.push_back(name);
                if (!m_answer)
                    return 0;
                if (*message == MSG_VAR(model_get_matrix))
                    static_cast<matrix_c *>(msg_arg(0)->get_ptr())->m[3][1] = 42.0f;
                if (*message == MSG_VAR(model_get_passed_gesture))
                    *static_cast<const char **>(msg_arg(0)->get_ptr()) = "wave";
                if (*message == MSG_VAR(model_insert_slave))
                    slave = static_cast<abstract_c *>(msg_arg(0)->get_ptr());
                return 1;
            }
        }
        return 0;
    }
    std::vector<std::string> seen;
    abstract_c *slave = nullptr;
    int m_answer;
};

// A handle type holding a probe directly (as if loaded).
template <class H> H holding(abstract_c *probe)
{
    struct opener : H
    {
        void set(abstract_c *r) { this->m_resource = r; }
    };
    opener h;
    h.set(probe);
    return std::move(static_cast<H &>(h));
}

TEST_F(handles_fixture, each_model_operation_is_one_asserted_message)
{
    struct row
    {
        const char *message;
        void (*call)(imodel_c &m, imodel_c &slave);
        const char *expression;
    } rows[] = {
        {"model_set_position", [](imodel_c &m, imodel_c &) { m.set_position(vec3{1, 2, 3}, vec3{0, 0, 1}); },
         "m_resource->message(MSG_VAR(model_set_position), 0, NULL, MSG_ARG(origin), MSG_ARG(angles), MSG_ARGS_END)"},
        {"model_show", [](imodel_c &m, imodel_c &) { m.show(1); },
         "m_resource->message(MSG_VAR(model_show), 0, NULL, MSG_ARG(visible), MSG_ARGS_END)"},
        {"model_set_alpha", [](imodel_c &m, imodel_c &) { m.set_alpha(0.5f); },
         "m_resource->message(MSG_VAR(model_set_alpha), 0, NULL, MSG_ARG(alpha), MSG_ARGS_END)"},
        {"model_set_lighting", [](imodel_c &m, imodel_c &) { m.set_lighting(0); },
         "m_resource->message(MSG_VAR(model_set_lighting), 0, NULL, MSG_ARG(lighting), MSG_ARGS_END)"},
        {"model_cast_shadows", [](imodel_c &m, imodel_c &) { m.cast_shadows(2.0f); },
         "m_resource->message(MSG_VAR(model_cast_shadows), 0, NULL, MSG_ARG(size), MSG_ARGS_END)"},
        {"model_get_matrix", [](imodel_c &m, imodel_c &) { m.get_matrix(); },
         "m_resource->message(MSG_VAR(model_get_matrix), 0, NULL, MSG_ARG((void *)&wm), MSG_ARGS_END)"},
        {"model_insert_slave", [](imodel_c &m, imodel_c &slave) { m.insert_slave(&slave, "hand"); },
         "m_resource->message(MSG_VAR(model_insert_slave), 0, NULL, MSG_ARG((void *)(abstract_c *)*slave), "
         "MSG_ARG(locator_name), MSG_ARGS_END)"},
        {"model_accept_shadows", [](imodel_c &m, imodel_c &) { m.accept_shadows(); },
         "m_resource->message(MSG_VAR(model_accept_shadows), 0, NULL, MSG_ARGS_END)"},
        {"model_play_gesture", [](imodel_c &m, imodel_c &) { m.play_gesture("wave"); },
         "m_resource->message(MSG_VAR(model_play_gesture), 0, NULL, MSG_ARG(gest_name), MSG_ARGS_END)"},
        {"model_switch_part", [](imodel_c &m, imodel_c &) { m.switch_part("hat", 1); },
         "m_resource->message(MSG_VAR(model_switch_part), 0, NULL, MSG_ARG(part_name), MSG_ARG(on), MSG_ARGS_END)"},
        {"model_get_passed_gesture", [](imodel_c &m, imodel_c &) { m.get_passed_gesture(); },
         "m_resource->message(MSG_VAR(model_get_passed_gesture), 0, NULL, MSG_ARG((void *)&res), MSG_ARGS_END)"},
    };
    auto *deaf = new probe_c(m_mgr, 0);
    auto *answering = new probe_c(m_mgr, 1);
    auto *slave_res = new probe_c(m_mgr, 1);
    imodel_c deaf_model = holding<imodel_c>(deaf);
    imodel_c model = holding<imodel_c>(answering);
    imodel_c slave = holding<imodel_c>(slave_res);
    for (const row &r : rows) {
        SCOPED_TRACE(r.message);
        EXPECT_EQ(assertion(r.expression), thrown([&] { r.call(deaf_model, slave); }));
        EXPECT_EQ("", thrown([&] { r.call(model, slave); }));
        ASSERT_FALSE(answering->seen.empty());
        EXPECT_EQ(r.message, answering->seen.back());
    }
    EXPECT_EQ(rows[std::size(rows) - 1].message, deaf->seen.back());
    EXPECT_EQ(slave_res, answering->slave);
    EXPECT_EQ(42.0f, model.get_matrix().m[3][1]);
    EXPECT_STREQ("wave", model.get_passed_gesture());
}

TEST_F(handles_fixture, sound_messages_are_not_asserted)
{
    auto *deaf = new probe_c(m_mgr, 0);
    auto *answering = new probe_c(m_mgr, 1);
    isound_c quiet = holding<isound_c>(deaf);
    isound_c sound = holding<isound_c>(answering);
    for (isound_c *s : {&quiet, &sound}) {
        s->play();
        s->set_3d_params(vec3{1, 0, 0}, vec3{0, 0, 0});
        s->stop();
    }
    EXPECT_EQ(0, quiet.is_playing());
    EXPECT_EQ(1, sound.is_playing());
    const std::vector<std::string> expected{"sound_play", "sound_3d_params", "sound_stop", "sound_is_playing"};
    EXPECT_EQ(expected, deaf->seen);
    EXPECT_EQ(expected, answering->seen);

    m_mgr->request = "get_sound_mgr";
    isound_mgr_c mgr;
    mgr.set_volumes(0.5f, 0.25f); // the sound manager leaves it unanswered: no failure
    std::unique_ptr<isound_c> loaded = mgr.create_sound("sounds/click2");
    auto *res = dynamic_cast<test_resource_c *>(loaded->resource());
    ASSERT_NE(nullptr, res);
    loaded.reset();
    EXPECT_FALSE(res->alive());
}

TEST_F(handles_fixture, texture_handles_read_their_resource_and_make_textures_from_images)
{
    auto *probe = new probe_c(m_mgr, 1);
    itexture_c texture = holding<itexture_c>(probe);
    EXPECT_EQ((void *)probe, (void *)texture.handle());
    EXPECT_EQ(1, texture.alphablended());
    EXPECT_EQ(64, texture.width());
    EXPECT_EQ(32, texture.height());

    // texture_mgr_create_bitmap: the manager writes a resource made from the image.
    class bitmap_mgr_c : public manager_basic_c
    {
    public:
        using manager_basic_c::manager_basic_c;
        data_entity_c *create_data(const char *, int) override { return nullptr; }
        int handle_message(const msg_c *message, abstract_c *sender) override
        {
            if (*message == MSG_VAR(texture_mgr_create_bitmap)) {
                image = msg_arg(1)->get_const_ptr();
                levels = msg_arg(2)->get_int();
                *static_cast<abstract_c **>(msg_arg(0)->get_ptr()) = made = new probe_c(this, 1);
                return 1;
            }
            if (*message == MSG_VAR(get_texture_mgr) && answer) {
                *static_cast<abstract_c **>(msg_arg(0)->get_ptr()) = this;
                return 1;
            }
            return manager_basic_c::handle_message(message, sender);
        }
        const void *image = nullptr;
        int levels = -1;
        int answer = 1;
        abstract_c *made = nullptr;
    };
    auto *mgr = new bitmap_mgr_c(m_root, nullptr);
    bitmap_c bitmap;
    const bitmap_c *image = &bitmap;
    {
        itexture_mgr_c handles;
        std::unique_ptr<itexture_c> made = handles.create_from_bitmap(*image, 3);
        EXPECT_EQ(image, mgr->image);
        EXPECT_EQ(3, mgr->levels);
        EXPECT_EQ(mgr->made, made->resource());
        EXPECT_EQ(64, made->width());
    }
    EXPECT_FALSE(mgr->made->alive()) << "a texture made from an image is given back like any other";

    mgr->answer = 0;
    abstract_c *deaf = new abstract_c(m_root);
    EXPECT_EQ(assertion("mgr->message(MSG_VAR(texture_mgr_create_bitmap), 0, NULL, MSG_ARG((void *)&m_resource), "
                        "MSG_ARG((const void *)&image), MSG_ARG((int)max_miplevels), MSG_ARGS_END)"),
              thrown([&] { itexture_c t(*image, deaf, 0); }));
    EXPECT_EQ(assertion("mgr"), thrown([&] { itexture_c t(*image, nullptr, 0); }));
}

TEST_F(handles_fixture, the_model_manager_handle_sends_the_view_and_sets_the_fog_attributes)
{
    class view_mgr_c : public test_manager_c
    {
    public:
        view_mgr_c(abstract_c *parent, log_c *log) : test_manager_c(parent, log)
        {
            request = "get_model_mgr";
            add_attribute(nullptr, m_attributes, "view_origin", value_c(vec3{1, 2, 3}), 0);
            add_attribute(nullptr, m_attributes, "view_axis_forward", value_c(vec3{0, 1, 0}), 0);
            add_attribute(nullptr, m_attributes, "fog_enabled", value_c(0), 0);
            add_attribute(nullptr, m_attributes, "fog_distances", value_c(vec2{0, 0}), 0);
            add_attribute(nullptr, m_attributes, "fog_color", value_c(vec3{0, 0, 0}), 0);
        }
        int handle_message(const msg_c *message, abstract_c *sender) override
        {
            if (*message == MSG_VAR(model_mgr_set_view)) {
                pos = msg_arg(0)->get_vec3();
                angles = msg_arg(1)->get_vec3();
                fov = msg_arg(2)->get_float();
                return 1;
            }
            if (*message == MSG_VAR(model_mgr_render))
                return ++renders;
            return test_manager_c::handle_message(message, sender);
        }
        vec3 pos{}, angles{};
        float fov = 0;
        int renders = 0;
    };
    m_mgr->request = "get_nothing";
    auto *mgr = new view_mgr_c(m_root, &m_log);
    imodel_mgr_c handle;
    ASSERT_EQ(mgr, handle.manager());

    placement p;
    p.position = vec3{5, 6, 7};
    p.angles = vec3{0.1f, 0.2f, 0.3f};
    handle.set_view(p, 1.25f);
    EXPECT_EQ(7.0f, mgr->pos.z);
    EXPECT_EQ(0.3f, mgr->angles.z);
    EXPECT_EQ(1.25f, mgr->fov);
    handle.render();
    EXPECT_EQ(1, mgr->renders);
    EXPECT_EQ(3.0f, handle.view_origin().z);
    EXPECT_EQ(1.0f, handle.view_axis_forward().y);

    handle.enable_fog(vec2{10, 100}, vec3{0.5f, 0.5f, 1});
    EXPECT_EQ(1, handle.fog_enabled());
    EXPECT_EQ(100.0f, mgr->attribute("fog_distances")->get_vec2().y);
    EXPECT_EQ(1.0f, mgr->attribute("fog_color")->get_vec3().z);
    handle.disable_fog();
    EXPECT_EQ(0, handle.fog_enabled());

    std::unique_ptr<imodel_c> model = handle.create_model("models/chair");
    EXPECT_EQ(mgr, model->resource()->parent());

    // A model manager without the attribute fails as the kernel's accessor does.
    model.reset();
    mgr->shutdown_tree();
    m_mgr->request = "get_model_mgr";
    imodel_mgr_c plain;
    EXPECT_EQ("Could not find required attribute 'view_origin'", thrown([&] { plain.view_origin(); }));
}

} // namespace
