// Images over the real texture manager on the recording device, with the generated UI textures
// as TGA files of a private data directory: what the manager reads from the files decides the
// image's size and blending, one shared texture serves every image of a name, and references
// come back as the images go.
#include "tests/services/textures/texture_fixture.h"
#include "tests/ui/ui_fixture.h"
#include "tools/imagegen/ui_textures.h"
#include "ui/ui_vis_image.h"

namespace {

class image_manager_test : public texture_fixture
{
protected:
    void SetUp() override
    {
        texture_fixture::SetUp();
        start_manager();
        for (const imagegen::ui_texture &t : imagegen::make_ui_textures())
            put(std::string("textures/") + t.name + ".tga", imagegen::make_tga(t.pic, t.depth));
    }
    multistate_image *image(const char *tex_name, int columns, int rows, rect tex = rect())
    {
        attribute_list_c list = attrs({{"color", value_c(vec3(255, 255, 255))}, {"tex_name", text_value(tex_name)},
                                       {"columns", value_c(columns)}, {"rows", value_c(rows)}, {"tex", value_c(tex)}});
        return new multistate_image(root, &list);
    }
    void render()
    {
        d3d->begin_scene();
        root->message(MSG_VAR(render), 0, nullptr, MSG_ARGS_END);
        d3d->end_scene();
    }
};

} // namespace

TEST_F(image_manager_test, the_files_decide_size_and_blending_and_one_texture_serves_a_name)
{
    struct
    {
        const char *name;
        const char *size;
        uint32_t blend;
    } cases[] = {
        {"ui_states", "64,32", 0},                                  // 24 bits: opaque
        {"ui_panel", "16,16", ui_vis_renderable_c::UI_BLEND_TEXTURE}, // 32 bits: the texture's alpha
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        multistate_image *a = image(c.name, 4, 4);
        const rect r = a->screen_rect();
        EXPECT_EQ(vec_text(vec2(r.right - r.left, r.bottom - r.top)), std::string(c.size)) << "one state of the texture";
        EXPECT_EQ(a->blend_flags(), c.blend);
        EXPECT_EQ(handle(a->texture())->GetLevelCount(), 1u) << "images load one level";
        a->shutdown_tree();
    }

    multistate_image *first = image("ui_states", 4, 2), *second = image("ui_states", 4, 2);
    auto *shared = static_cast<resource_entity_c *>(first->texture());
    ASSERT_EQ(second->texture(), shared);
    EXPECT_EQ(shared->ref_count(), 2);
    second->set_column(2);
    render();
    EXPECT_EQ(d3d->device()->state().textures[0], handle(shared)) << "drawn with the manager's texture";
    first->shutdown_tree();
    EXPECT_EQ(shared->ref_count(), 1);
    EXPECT_TRUE(shared->alive());
    second->shutdown_tree();
    EXPECT_FALSE(shared->alive()) << "the last image gave the texture back";
}

TEST_F(image_manager_test, a_texture_handed_in_stays_with_its_owner_and_a_missing_file_is_the_managers_error)
{
    texture_resource_c *panel = load("textures/ui_panel", 1);
    ASSERT_NE(panel, nullptr);
    multistate_image *borrowed = new multistate_image(root, panel, 1, 1, rect());
    EXPECT_EQ(panel->ref_count(), 1);
    borrowed->shutdown_tree();
    EXPECT_TRUE(panel->alive()) << "a shared texture is not given back by the image";
    release_res(panel);
    EXPECT_FALSE(panel->alive());

    EXPECT_EQ(thrown_text([&] { image("no_such_texture", 1, 1); }), "Texture 'textures/no_such_texture' not found");
    EXPECT_EQ(thrown_text([&] { image("ui_states", 0, 1); }), "Invalid column number 0");
    root->collect_dead_children();
    EXPECT_EQ(child_count(mgr), 0) << "a refused image gives its texture back";
}
