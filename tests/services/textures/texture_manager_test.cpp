// The texture manager on the recording device: lookup order, limits, mip chains, DDS files,
// sharing, own textures and video textures.
#include "fake_video.h"
#include "importers/bitmap.h"
#include "texture_fixture.h"
#include "tools/ddsgen/ddsgen.h"
#include "tools/imagegen/imagegen.h"

#include <fstream>
#include <iterator>

namespace {

std::vector<uint8_t> source_fixture(const char *name)
{
    std::ifstream f(std::string(ENGINE_SOURCE_DIR) + "/tests/importers/fixtures/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

std::vector<uint8_t> bmp(int w, int h, uint32_t rgb = 0x336699)
{
    return imagegen::make_bmp(imagegen::picture(w, h, rgb));
}

std::vector<uint8_t> dds(ddsgen::format f, int w = 4, int h = 4)
{
    std::vector<uint8_t> level = ddsgen::compressed(f) ? ddsgen::block_level(f, w, h, [](int, int) { return 0xFF808080u; })
                                                       : ddsgen::encode_level(f, std::vector<uint32_t>((size_t)w * h, 0xFF808080u));
    return ddsgen::make_dds(f, w, h, {level});
}

// Counts video_finished at the root's level.
class finished_listener_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(video_finished))
            ++count;
        return 0;
    }
    int count = 0;
};

using texture_manager_test = texture_fixture;

TEST_F(texture_manager_test, image_then_dds_then_video_and_else_not_found)
{
    start_manager();
    put("both.bmp", bmp(8, 8));
    put("both.dds", dds(ddsgen::DXT5));
    put("only.dds", dds(ddsgen::DXT5));
    put("broken.bmp", {'B', 'M', 0, 0});
    put("broken.dds", dds(ddsgen::DXT1));
    put("clip.m1v", source_fixture("solid3.m1v"));

    texture_resource_c *both = load("both");
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(attr(both, "format"), (int)d3d->get_texture_format(0));
    EXPECT_EQ(attr(both, "miplevels"), 4);
    EXPECT_EQ(attr(load("only"), "format"), (int)D3DFMT_DXT5);
    // An image that cannot be read gives way to the next kind.
    EXPECT_EQ(attr(load("broken"), "format"), (int)D3DFMT_DXT1);
    texture_resource_c *clip = load("clip");
    EXPECT_NE(dynamic_cast<mpeg_texture_data_c *>(clip->data()), nullptr);
    EXPECT_EQ(attr(clip, "width"), 32);
    EXPECT_EQ(attr(clip, "height"), 32);
    EXPECT_EQ(attr(clip, "format"), (int)D3DFMT_X8R8G8B8);
    EXPECT_EQ(attr(clip, "miplevels"), 1);
    EXPECT_EQ(attr(clip, "alphablended"), 0);

    const int children = child_count(mgr);
    EXPECT_EQ(thrown([&] { load("nothing"); }), "Texture 'nothing' not found");
    EXPECT_EQ(child_count(mgr), children) << "a failed lookup leaves nothing behind";
}

TEST_F(texture_manager_test, sides_must_be_powers_of_two_up_to_2048)
{
    start_manager();
    struct
    {
        int w, h;
        bool ok;
    } cases[] = {{1, 1, true}, {2048, 1, true}, {1, 2048, true}, {100, 64, false}, {64, 100, false},
                 {4096, 1, false}, {1, 4096, false}, {3, 3, false}};
    for (const auto &c : cases) {
        const std::string name = "img" + std::to_string(c.w) + "x" + std::to_string(c.h);
        put(name + ".bmp", bmp(c.w, c.h));
        if (c.ok) {
            EXPECT_NE(load(name.c_str()), nullptr) << name;
        } else {
            EXPECT_EQ(thrown([&] { load(name.c_str()); }), "Texture '" + name + "' not found");
        }
    }
    // Without the lookup in between the caller sees the limits.
    bitmap_c image;
    ASSERT_TRUE(image.create(100, 64, 0, 0));
    abstract_c *res = nullptr;
    EXPECT_EQ(thrown([&] {
                  mgr->message(MSG_VAR(texture_mgr_create_bitmap), 0, nullptr, MSG_ARG((void *)&res),
                               MSG_ARG((const void *)&image), MSG_ARG(0), MSG_ARGS_END);
              }),
              "Debug assertion failed! Expression: \"tinfo.mipmap_levels > 0 && tinfo.width > 0 && tinfo.width <= "
              "2048 && tinfo.height > 0 && tinfo.height <= 2048\"");
}

TEST_F(texture_manager_test, level_count_follows_the_smaller_side_and_the_parameter)
{
    start_manager();
    struct
    {
        int w, h, prm, levels;
    } cases[] = {{256, 64, 0, 7}, {256, 64, 3, 3}, {256, 64, 10, 7}, {256, 64, -1, 7},
                 {64, 256, 0, 7}, {64, 256, 1, 1}, {16, 16, 0, 5},  {1, 1, 0, 1}};
    for (const auto &c : cases) {
        bitmap_c image;
        ASSERT_TRUE(image.create(c.w, c.h, 0, 0));
        abstract_c *res = nullptr;
        ASSERT_EQ(mgr->message(MSG_VAR(texture_mgr_create_bitmap), 0, nullptr, MSG_ARG((void *)&res),
                               MSG_ARG((const void *)&image), MSG_ARG(c.prm), MSG_ARGS_END),
                  1);
        EXPECT_EQ(attr(res, "miplevels"), c.levels) << c.w << "x" << c.h << " prm " << c.prm;
        EXPECT_EQ(handle(res)->GetLevelCount(), (DWORD)c.levels);
        release_res(res);
    }
    // The parameter counts only when the data entry is made.
    put("wide.bmp", bmp(256, 64));
    texture_resource_c *first = load("wide", 3);
    EXPECT_EQ(attr(first, "miplevels"), 3);
    EXPECT_EQ(load("wide", 0), first);
    EXPECT_EQ(attr(first, "miplevels"), 3);
}

TEST_F(texture_manager_test, mip_chain_is_flipped_and_box_filtered_texel_by_texel)
{
    start_manager();
    // Colour words hold red in the low byte; rows top-down.
    const uint32_t top[4] = {0x01020A, 0x020214, 0x0302C8, 0x0401FF};
    const uint32_t bottom[4] = {0x05021E, 0x060228, 0x070264, 0x080300};
    bitmap_c image;
    ASSERT_TRUE(image.create(4, 2, 0, 0));
    for (int x = 0; x < 4; ++x) {
        image.set_pixel(x, 0, top[x]);
        image.set_pixel(x, 1, bottom[x]);
    }
    abstract_c *res = nullptr;
    mgr->message(MSG_VAR(texture_mgr_create_bitmap), 0, nullptr, MSG_ARG((void *)&res),
                 MSG_ARG((const void *)&image), MSG_ARG(0), MSG_ARGS_END);
    IDirect3DTexture8 *t = handle(res);
    ASSERT_EQ(t->format(), D3DFMT_X8R8G8B8);
    ASSERT_EQ(t->GetLevelCount(), 2u);
    // X8R8G8B8 texels read 0x00RRGGBB; the colour words hold 0xBBGGRR.
    auto as_texel = [](uint32_t w) { return (w & 0xFF) << 16 | (w & 0xFF00) | (w >> 16 & 0xFF); };
    for (UINT x = 0; x < 4; ++x) {
        EXPECT_EQ(texel(t, 0, x, 0) & 0xFFFFFF, as_texel(top[x])) << "top " << x;
        EXPECT_EQ(texel(t, 0, x, 1) & 0xFFFFFF, as_texel(bottom[x])) << "bottom " << x;
    }
    // Red: (10+20+30+40+2)>>2 = 25, (200+255+100+0+2)>>2 = 139; green 2,2,2,2 and 2,1,2,3 -> 2, 2;
    // blue 1,2,5,6 -> (14+2)>>2 = 4 and 3,4,7,8 -> (22+2)>>2 = 6.
    EXPECT_EQ(texel(t, 1, 0, 0) & 0xFFFFFF, 0x190204u);
    EXPECT_EQ(texel(t, 1, 1, 0) & 0xFFFFFF, 0x8B0206u);
    release_res(res);
}

TEST_F(texture_manager_test, alpha_of_images_picks_the_format)
{
    start_manager();
    put("flat.bmp", bmp(4, 4));
    put("clear.tga", imagegen::make_tga(imagegen::picture(4, 4, 0xFFFFFF, 0x40), 32));
    texture_resource_c *flat = load("flat"), *clear = load("clear");
    EXPECT_EQ(attr(flat, "alphablended"), 0);
    EXPECT_EQ(attr(flat, "format"), (int)d3d->get_texture_format(0));
    EXPECT_EQ(attr(clear, "alphablended"), 1);
    EXPECT_EQ(attr(clear, "format"), (int)d3d->get_texture_format(1));
    EXPECT_EQ(texel(handle(clear), 0, 1, 1) >> 24, 0x40u);
}

TEST_F(texture_manager_test, dds_files_keep_their_format_and_alpha_only_for_uncompressed_alpha_formats)
{
    start_manager();
    struct
    {
        ddsgen::format f;
        int alpha;
    } cases[] = {{ddsgen::A8R8G8B8, 1}, {ddsgen::X8R8G8B8, 0}, {ddsgen::R8G8B8, 0}, {ddsgen::R5G6B5, 0},
                 {ddsgen::A1R5G5B5, 1}, {ddsgen::X1R5G5B5, 0}, {ddsgen::A4R4G4B4, 1}, {ddsgen::X4R4G4B4, 0},
                 {ddsgen::A8R3G3B2, 1}, {ddsgen::DXT1, 0},     {ddsgen::DXT3, 0},     {ddsgen::DXT5, 0}};
    for (const auto &c : cases) {
        const std::string name = ddsgen::format_name(c.f);
        put(name + ".dds", ddsgen::make_dds(c.f, 4, 2,
                                            ddsgen::compressed(c.f)
                                                ? std::vector<std::vector<uint8_t>>{ddsgen::block_level(c.f, 4, 2, [](int, int) { return 0xFFFFFFFFu; }),
                                                                                    ddsgen::block_level(c.f, 2, 1, [](int, int) { return 0xFFFFFFFFu; }),
                                                                                    ddsgen::block_level(c.f, 1, 1, [](int, int) { return 0xFFFFFFFFu; })}
                                                : std::vector<std::vector<uint8_t>>{ddsgen::encode_level(c.f, std::vector<uint32_t>(8, 0xFFFFFFFF)),
                                                                                    ddsgen::encode_level(c.f, std::vector<uint32_t>(2, 0xFFFFFFFF)),
                                                                                    ddsgen::encode_level(c.f, std::vector<uint32_t>(1, 0xFFFFFFFF))}));
        texture_resource_c *res = load(name.c_str());
        ASSERT_NE(res, nullptr) << name;
        EXPECT_EQ(attr(res, "format"), (int)c.f) << name;
        EXPECT_EQ(attr(res, "alphablended"), c.alpha) << name;
        EXPECT_EQ(attr(res, "miplevels"), 3) << name;
        EXPECT_EQ(attr(res, "width"), 4) << name;
        EXPECT_EQ(attr(res, "height"), 2) << name;
        EXPECT_EQ(handle(res)->GetLevelCount(), 3u) << name;
    }
}

TEST_F(texture_manager_test, damaged_dds_files_are_not_found)
{
    start_manager();
    std::vector<uint8_t> cube = dds(ddsgen::DXT1), cut = dds(ddsgen::DXT1);
    cube[ddsgen::CAPS2 + 1] = 0x02; // cube map bit 0x200
    cut.pop_back();
    put("cube.dds", cube);
    put("cut.dds", cut);
    put("empty.dds", {});
    for (const char *name : {"cube", "cut", "empty"})
        EXPECT_EQ(thrown([&] { load(name); }), std::string("Texture '") + name + "' not found");
    // The data class itself says what went wrong.
    EXPECT_EQ(thrown([&] { new dds_texture_data_c(mgr, "empty"); }), "Empty DDS file 'empty.dds'");
    EXPECT_EQ(thrown([&] { new dds_texture_data_c(mgr, "cube"); }), "Could not load DDS texture 'cube.dds'");
    EXPECT_EQ(child_count(mgr), 0);
}

TEST_F(texture_manager_test, one_entry_per_name_shared_by_all_users)
{
    start_manager();
    put("pic.bmp", bmp(4, 4));
    texture_resource_c *a = load("pic");
    EXPECT_EQ(load("PIC"), a);
    EXPECT_EQ(a->ref_count(), 2);
    IDirect3DTexture8 *t = handle(a);
    t->AddRef();
    release_res(a);
    EXPECT_TRUE(a->alive());
    release_res(a);
    EXPECT_FALSE(a->alive());
    EXPECT_EQ(t->Release(), 0u) << "the data entry gave its texture back";
    root->collect_dead_children();
    EXPECT_EQ(child_count(mgr), 0);
}

TEST_F(texture_manager_test, own_textures_are_never_shared_and_die_with_their_holder)
{
    start_manager();
    bitmap_c image;
    ASSERT_TRUE(image.create(8, 8, 1, 0));
    abstract_c *a = nullptr, *b = nullptr;
    for (abstract_c **out : {&a, &b})
        mgr->message(MSG_VAR(texture_mgr_create_bitmap), 0, nullptr, MSG_ARG((void *)out),
                     MSG_ARG((const void *)&image), MSG_ARG(1), MSG_ARGS_END);
    ASSERT_NE(a, b);
    EXPECT_EQ(static_cast<resource_entity_c *>(a)->ref_count(), 1);
    EXPECT_EQ(attr(a, "alphablended"), 1);
    EXPECT_EQ(attr(a, "miplevels"), 1);
    IDirect3DTexture8 *t = handle(a);
    t->AddRef();
    release_res(a);
    EXPECT_FALSE(a->alive());
    EXPECT_EQ(t->Release(), 0u);
    release_res(b);

    own_texture_c *empty = new own_texture_c(mgr, D3DFMT_A4R4G4B4, 64, 32, 1);
    EXPECT_EQ(attr(empty, "format"), (int)D3DFMT_A4R4G4B4);
    EXPECT_EQ(attr(empty, "width"), 64);
    EXPECT_EQ(attr(empty, "height"), 32);
    EXPECT_EQ(attr(empty, "alphablended"), 0);
    EXPECT_EQ(handle(empty)->format(), D3DFMT_A4R4G4B4);
    release_res(empty);
}

TEST_F(texture_manager_test, video_texture_paced_through_pause_end_and_restart)
{
    start_manager();
    auto *listener = new finished_listener_c(root);
    auto video = std::make_unique<fake_video_c>(8, 10.0f);
    fake_video_c *v = video.get();
    new mpeg_texture_data_c(mgr, "fake", std::move(video));
    texture_resource_c *res = load("fake");
    ASSERT_NE(dynamic_cast<mpeg_texture_resource_c *>(res), nullptr);
    IDirect3DTexture8 *t = handle(res);
    auto shown = [&] { return texel(t, 0, 3, 1) & 0xFF; };
    auto pause = [&](int on) {
        return res->message(MSG_VAR(texture_mpeg_pause), 1, nullptr, MSG_ARG(on), MSG_ARGS_END);
    };

    struct
    {
        float t;
        int pause; // -1 leave, else send texture_mpeg_pause first
        bool restart;
        unsigned picture;
        int finished;
    } ticks[] = {
        {1.00f, -1, false, 1, 0}, {1.05f, 1, false, 1, 0}, {1.50f, -1, false, 1, 0},
        {1.62f, 0, false, 6, 0},  // resumed: five pictures caught up, the last shown
        {1.75f, -1, false, 7, 0}, {1.85f, -1, false, 8, 0},
        {1.95f, -1, false, 8, 0}, // the end is found: nothing shown, nothing sent
        {2.00f, -1, false, 8, 1}, {2.01f, -1, false, 8, 2},
        {2.02f, 1, false, 8, 2},  // paused at the end: quiet
        {3.00f, 0, true, 1, 2},  // restart: the first picture again, no more messages
    };
    for (const auto &c : ticks) {
        if (c.pause >= 0) {
            EXPECT_EQ(pause(c.pause), 1);
        }
        if (c.restart) {
            EXPECT_EQ(res->message(MSG_VAR(texture_mpeg_restart), 1, nullptr, MSG_ARGS_END), 1);
        }
        tick(c.t);
        EXPECT_EQ(shown(), c.picture) << "t " << c.t;
        EXPECT_EQ(listener->count, c.finished) << "t " << c.t;
    }
    EXPECT_EQ(v->restarts, 1);
}

TEST_F(texture_manager_test, a_real_video_plays_and_then_reports_its_end_on_every_tick)
{
    start_manager();
    auto *listener = new finished_listener_c(root);
    put("clip.m1v", source_fixture("solid3.m1v"));
    texture_resource_c *res = load("clip");
    IDirect3DTexture8 *t = handle(res);
    tick(0.0f);
    const uint32_t c = texel(t, 0, 16, 16);
    EXPECT_NEAR((int)(c >> 16 & 0xFF), 0xC8, 12);
    EXPECT_NEAR((int)(c >> 8 & 0xFF), 0x28, 12);
    EXPECT_NEAR((int)(c & 0xFF), 0x64, 12);
    int first_end = 0;
    for (int i = 1; i <= 40; ++i) {
        tick(0.02f * i);
        if (!first_end && listener->count)
            first_end = i;
    }
    ASSERT_GT(first_end, 0);
    EXPECT_EQ(listener->count, 40 - first_end + 1) << "one message on every tick once ended";
}

TEST_F(texture_manager_test, video_needs_32_bit_textures)
{
    recording_d3d_config().desktop.Format = D3DFMT_R5G6B5;
    recording_d3d_config().texture_formats = {D3DFMT_R5G6B5, D3DFMT_A4R4G4B4};
    start_manager();
    put("clip.m1v", source_fixture("solid3.m1v"));
    EXPECT_EQ(thrown([&] { new mpeg_texture_data_c(mgr, "clip"); }),
              "To use video textures 3D adapter must support 32 bit alpha-rgb textures (D3DFMT_X8R8G8B8)");
    EXPECT_EQ(thrown([&] { load("clip"); }), "Texture 'clip' not found");
}

TEST_F(texture_manager_test, the_manager_answers_its_root_request)
{
    start_manager();
    EXPECT_EQ(get_texture_mgr(nullptr), mgr);
}

} // namespace
