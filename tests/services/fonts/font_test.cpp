// Fonts: packing of strips into one texture, text width, text quads and their errors.
#include "font_fixture.h"

#include <cmath>
#include <cstring>

namespace {

using font_test = font_fixture;

std::vector<int> widths_from(int n, int (*f)(int))
{
    std::vector<int> w;
    for (int i = 0; i < n; ++i)
        w.push_back(f(i));
    return w;
}

TEST_F(font_test, glyphs_pack_inside_the_texture_without_overlap)
{
    start_fonts();
    struct
    {
        const char *name;
        std::vector<int> widths;
        int height;
        int size; // expected texture side
    } cases[] = {
        // sqrt(1 x 20 x 5) = 10 starts at 16, where the glyph's bottom would stick out.
        {"one", {5}, 20, 32},
        {"ascii", widths_from(95, [](int i) { return 5 + i % 8; }), 16, 256},
        {"cp1251", widths_from(224, [](int i) { return 3 + i % 12; }), 13, 256},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        put(std::string("fonts/") + c.name + ".bmp", strip_bmp(c.widths, c.height));
        font_resource_c *f = load_font(c.name);
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(f->char_count, (int)c.widths.size());
        EXPECT_EQ(f->char_height, c.height);
        const int s = f->texture_size;
        EXPECT_EQ(s, c.size);
        struct box
        {
            int l, t, r, b;
        };
        std::vector<box> boxes;
        for (int i = 0; i < f->char_count; ++i) {
            const box b{(int)std::lround(f->uv[4 * i] * s), (int)std::lround(f->uv[4 * i + 1] * s),
                        (int)std::lround(f->uv[4 * i + 2] * s), (int)std::lround(f->uv[4 * i + 3] * s)};
            EXPECT_EQ(b.r - b.l, c.widths[i]) << "glyph " << i;
            EXPECT_EQ(b.b - b.t, c.height) << "glyph " << i;
            EXPECT_TRUE(b.l >= 0 && b.t >= 0 && b.r <= s && b.b <= s) << "glyph " << i << " outside";
            for (const box &o : boxes)
                EXPECT_FALSE(b.l < o.r && o.l < b.r && b.t < o.b && o.t < b.b) << "glyph " << i << " overlaps";
            boxes.push_back(b);
        }
        // The texture: white, the glyph's grey as alpha, rows top-down as the uv say.
        IDirect3DTexture8 *t = handle(f->texture());
        ASSERT_EQ(t->format(), D3DFMT_A8R8G8B8);
        ASSERT_EQ(t->level(0).width, (UINT)s);
        for (int i : {0, f->char_count - 1}) {
            const box &b = boxes[i];
            EXPECT_EQ(texel(t, 0, b.l, b.t), (uint32_t)glyph_grey(i) << 24 | 0xFFFFFF) << "glyph " << i;
            EXPECT_EQ(texel(t, 0, b.r - 1, b.b - 1), (uint32_t)glyph_grey(i) << 24 | 0xFFFFFF) << "glyph " << i;
            if (b.r < s) {
                EXPECT_EQ(texel(t, 0, b.r, b.t) >> 24, 0u) << "the gap after glyph " << i;
            }
        }
    }
}

TEST_F(font_test, strips_needing_more_than_2048_fail_and_missing_strips_say_so)
{
    start_fonts();
    // 8 glyphs a row, 8 rows: the last row starts at 1799 but its bottom would be at 2055.
    put("fonts/big.bmp", strip_bmp(std::vector<int>(64, 250), 256));
    EXPECT_EQ(thrown([&] { load_font("big"); }), "Error while creating font resource from'big'");
    EXPECT_EQ(thrown([&] { load_font("absent"); }), "Error loading bitmap font 'absent'");
    EXPECT_EQ(font_resource_c::pack(std::vector<int>(56, 250), 256, 250, nullptr), 2048); // seven rows fit
}

TEST_F(font_test, one_font_per_name_with_one_texture)
{
    start_fonts();
    put("fonts/f.bmp", strip_bmp({4, 5, 6}, 10));
    font_resource_c *a = load_font("f");
    const int textures = child_count(mgr);
    EXPECT_EQ(load_font("F"), a);
    EXPECT_EQ(a->ref_count(), 2);
    EXPECT_EQ(child_count(mgr), textures);
    EXPECT_EQ(a->get_font(), a);
    abstract_c *texture = a->texture();
    release_res(a);
    release_res(a);
    EXPECT_FALSE(texture->alive()) << "the font's texture goes with its data";
}

int width_of_code(int c)
{
    return 1 + c % 9;
}

TEST_F(font_test, text_width_sums_the_strip_columns_of_unsigned_codes)
{
    start_fonts();
    put("fonts/full.bmp", strip_bmp(widths_from(224, [](int i) { return width_of_code(32 + i); }), 12));
    put("fonts/ascii.bmp", strip_bmp(widths_from(95, [](int i) { return width_of_code(32 + i); }), 12));
    font_resource_c *full = load_font("full"), *ascii = load_font("ascii");
    auto sum = [](const char *s) {
        int w = 0;
        for (const unsigned char *c = (const unsigned char *)s; *c; ++c)
            w += *c >= 32 ? width_of_code(*c) : 0;
        return w;
    };
    const char *hello = "Hello, world", *privet = "\xCF\xF0\xE8\xE2\xE5\xF2 \xDF\xFF";
    int length = -1;
    EXPECT_EQ(full->text_width(hello, &length), sum(hello));
    EXPECT_EQ(length, 12);
    EXPECT_EQ(full->text_width(privet, &length), sum(privet));
    EXPECT_EQ(length, 9);
    EXPECT_EQ(full->text_width("A\x01\x1F" "B", nullptr), width_of_code('A') + width_of_code('B'));
    // Past the last glyph (126) a code measures 0.
    EXPECT_EQ(ascii->text_width("A\x7F\xC0\xFF", &length), width_of_code('A'));
    EXPECT_EQ(length, 4);
    EXPECT_EQ(full->text_width("", &length), 0);
    EXPECT_EQ(length, 0);
}

// A font of height 10 where 'A' is 4 wide, 'B' 6 and 'W' 30.
class text_test : public font_fixture
{
protected:
    void SetUp() override
    {
        font_fixture::SetUp();
        start_fonts();
        std::vector<int> w(95, 2);
        w['A' - 32] = 4;
        w['B' - 32] = 6;
        w['W' - 32] = 30;
        put("fonts/t.bmp", strip_bmp(w, 10));
        font = load_font("t");
        ASSERT_NE(font, nullptr);
    }
    void TearDown() override
    {
        for (IDirect3DVertexBuffer8 *b : buffers)
            b->Release();
        font_fixture::TearDown();
    }
    // The vertices written by build_text.
    std::vector<unlit_vertex_s> build(const rect &r, int flags, std::vector<const char *> lines,
                                      int *capacity = nullptr)
    {
        const text_buffer_s t = font->build_text(r, flags, 0xFF112233, lines.data(), (int)lines.size());
        if (capacity)
            *capacity = t.capacity;
        if (!t.buffer)
            return {};
        buffers.push_back(t.buffer);
        std::vector<unlit_vertex_s> v((size_t)t.written);
        std::memcpy(v.data(), t.buffer->bytes().data(), v.size() * sizeof(unlit_vertex_s));
        return v;
    }
    font_resource_c *font = nullptr;
    std::vector<IDirect3DVertexBuffer8 *> buffers;
};

TEST_F(text_test, justify_bits_place_the_block)
{
    const rect r(100, 50, 301, 151); // 201 x 101: centring halves odd sums rounding down
    struct
    {
        int flags;
        float x, y; // top-left of the first glyph
    } cases[] = {
        {1 | 8, 100, 50},   {4 | 8, 291, 50},   {8, 195, 50},
        {1 | 0x20, 100, 141}, {4 | 0x20, 291, 141}, {0x20, 195, 141},
        {1, 100, 95},       {4, 291, 95},       {0, 195, 95},
    };
    for (const auto &c : cases) {
        const std::vector<unlit_vertex_s> v = build(r, c.flags, {"AB"});
        ASSERT_EQ(v.size(), 12u) << "flags " << c.flags;
        EXPECT_EQ(v[1].x, c.x) << "flags " << c.flags; // top-left of 'A'
        EXPECT_EQ(v[1].y, c.y) << "flags " << c.flags;
        EXPECT_EQ(v[7].x, c.x + 4) << "flags " << c.flags; // 'B' follows
    }
}

TEST_F(text_test, a_glyph_is_two_triangles_with_its_texture_rectangle)
{
    const std::vector<unlit_vertex_s> v = build(rect(10, 20, 100, 100), 1 | 8, {"A"});
    ASSERT_EQ(v.size(), 6u);
    const float *t = &font->uv[4 * ('A' - 32)];
    const float l = 10, r = 14, top = 20, b = 30;
    const float expected[6][4] = {{l, b, t[0], t[3]}, {l, top, t[0], t[1]}, {r, top, t[2], t[1]},
                                  {r, b, t[2], t[3]}, {l, b, t[0], t[3]},   {r, top, t[2], t[1]}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(v[i].x, expected[i][0]) << i;
        EXPECT_EQ(v[i].y, expected[i][1]) << i;
        EXPECT_EQ(v[i].u, expected[i][2]) << i;
        EXPECT_EQ(v[i].v, expected[i][3]) << i;
        EXPECT_EQ(v[i].z, 0.0f);
        EXPECT_EQ(v[i].rhw, 1.0f);
        EXPECT_EQ(v[i].diffuse, 0xFF112233u);
    }
}

TEST_F(text_test, what_does_not_fit_the_rectangle_is_not_placed)
{
    int capacity = 0;
    // Centred "AWA" (38 wide) in a 30-wide rectangle starts 4 left of it: both A's stick out, W fits.
    std::vector<unlit_vertex_s> v = build(rect(0, 0, 30, 10), 8, {"AWA"}, &capacity);
    EXPECT_EQ(capacity, 18);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[1].x, 0.0f);
    v = build(rect(0, 0, 38, 10), 8, {"AWA"});
    EXPECT_EQ(v.size(), 18u);
    v = build(rect(0, 0, 36, 10), 1 | 8, {"AWA"});
    ASSERT_EQ(v.size(), 12u) << "the last A would end at 38";
    // Three lines of 10 in a rectangle 25 high from the top: the third does not fit.
    v = build(rect(0, 0, 100, 25), 1 | 8, {"A", "B", "AB"});
    ASSERT_EQ(v.size(), 12u);
    EXPECT_EQ(v[1].y, 0.0f);
    EXPECT_EQ(v[7].y, 10.0f);
    // Centred vertically, the block (30) starts at -5 / 2 rounded down, -3: only the middle line
    // lies inside.
    v = build(rect(0, 0, 100, 25), 1, {"A", "B", "AB"});
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[1].y, 7.0f);
    // Codes without a glyph take no room and no vertices; empty lines keep their place.
    v = build(rect(0, 0, 100, 100), 1 | 8, {"", "A\x01\xC0" "B"});
    ASSERT_EQ(v.size(), 12u);
    EXPECT_EQ(v[1].y, 10.0f);
    EXPECT_EQ(v[7].x, 4.0f);
}

TEST_F(text_test, nothing_to_draw_gives_no_buffer)
{
    int capacity = -1;
    EXPECT_TRUE(build(rect(0, 0, 100, 100), 0, {}, &capacity).empty());
    EXPECT_EQ(capacity, 0);
    EXPECT_TRUE(build(rect(0, 0, 100, 100), 0, {"", ""}, &capacity).empty());
    EXPECT_EQ(capacity, 0);
    EXPECT_TRUE(buffers.empty());
}

TEST_F(text_test, device_failures_are_reported)
{
    const struct
    {
        unsigned fail;
        const char *text;
    } cases[] = {
        {RECORDING_FAIL_CREATE_VBUFFER, "Could not create vertex buffer"},
        {RECORDING_FAIL_LOCK_VBUFFER, "Could not lock vertex buffer"},
        {RECORDING_FAIL_UNLOCK_VBUFFER, "Could not unlock vertex buffer"},
    };
    const char *line = "AB";
    for (const auto &c : cases) {
        rec->fail = c.fail;
        EXPECT_EQ(thrown([&] { font->build_text(rect(0, 0, 100, 100), 0, 0, &line, 1); }), c.text);
        rec->fail = 0;
    }
}

} // namespace
