// A line of Russian text from the demo's main font (DejaVu Sans, 18 pixels, as the build makes
// fonts/main) drawn by the OpenGL device in a real window and read back: every pixel of every
// placed glyph is the strip's grey of that glyph column, over black.
#include "importers/bitmap.h"
#include "kernel/scripts.h"
#include "platform/gl/gl_d3d.h"
#include "services/font_bmp.h"
#include "services/manager_font.h"
#include "services/manager_texture.h"
#include "services/srvc_d3d.h"
#include "services/srvc_mainwnd.h"
#include "tools/imagegen/imagegen.h"
#include "tests/services/d3d/gl_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

const int screen_w = 256, screen_h = 64;

// Draws the text quads with the font's texture on every render, then reads the frame back.
class text_drawer_c : public abstract_c
{
public:
    explicit text_drawer_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        if (*message == MSG_VAR(render) && text.buffer) {
            d3d_service_c *d3d = get_d3d_service(this);
            IDirect3DDevice8 *d = d3d->device();
            d3d->set_unlit_vertex_format();
            d->SetRenderState(D3DRS_ZENABLE, FALSE);
            d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            for (D3DTEXTURESTAGESTATETYPE f : {D3DTSS_MINFILTER, D3DTSS_MAGFILTER, D3DTSS_MIPFILTER})
                d->SetTextureStageState(0, f, D3DTEXF_POINT);
            d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
            d->SetTexture(0, texture);
            d->SetStreamSource(0, text.buffer, sizeof(unlit_vertex_s));
            d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, (UINT)text.written / 3);
            d->SetStreamSource(0, nullptr, 0);
            d->SetTexture(0, nullptr);
            gl_d3d_read_back(d, &pixels, &width, &height);
        }
        return abstract_c::handle_message(message, sender);
    }
    text_buffer_s text{};
    IDirect3DTexture8 *texture = nullptr;
    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
};

TEST(font_image, russian_text_from_the_main_font_reads_back_as_its_strip)
{
    // A private data directory with the templates and the strip.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "font_image_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path dir = pattern;
    std::filesystem::current_path(dir);
    std::filesystem::create_directories(dir / "data/scripts");
    std::filesystem::create_directories(dir / "data/fonts");
    std::filesystem::copy_file(std::filesystem::path(ENGINE_SOURCE_DIR) / "data/scripts/templates.isc",
                               dir / "data/scripts/templates.isc");
    imagegen::font_strip_options options;
    options.font_file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    options.pixel_size = 18;
    imagegen::write_file((dir / "data/fonts/main.bmp").string(),
                         imagegen::make_bmp(imagegen::render_font_strip(options)));
    auto scripts = std::make_unique<scripts_c>();
    scripts->execute_script("scripts/templates.isc", nullptr, 1);

    setenv("SDL_VIDEODRIVER", "x11", 1);
    d3d_select_backend("gl");
    const gl_window_tree tree = make_gl_window_tree("fonts", screen_w, screen_h);
    abstract_c *root = tree.root;
    d3d_service_c *d3d = tree.d3d;
    new manager_texture_c(root, nullptr);
    manager_font_c *fonts = new manager_font_c(root, nullptr);
    text_drawer_c *drawer = new text_drawer_c(root);
    root->message(MSG_VAR(app_hinstance), 0, nullptr, MSG_ARG(0x400000), MSG_ARGS_END);
    root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    d3d->set_fog_color(0.0f, 0.0f, 0.0f);

    abstract_c *res = nullptr;
    fonts->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG("main"), MSG_ARG(0),
                   MSG_ARGS_END);
    font_resource_c *font = dynamic_cast<font_resource_c *>(res);
    ASSERT_NE(font, nullptr);
    const char *line = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!"; // "Privet, mir!" in Cyrillic, cp1251
    const rect r(8, 8, screen_w - 8, screen_h - 8);
    drawer->text = font->get_font()->build_text(r, 1 | 8, 0xFFFFFFFF, &line, 1);
    drawer->texture = static_cast<IDirect3DTexture8 *>(font->texture()->attribute("handle")->get_ptr());
    ASSERT_EQ(drawer->text.written, 6 * (int)std::strlen(line));
    root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(0.01f), MSG_ARG(0.01f), MSG_ARGS_END);
    ASSERT_EQ(drawer->width, (UINT)screen_w);
    ASSERT_EQ(drawer->height, (UINT)screen_h);

    font_bmp_c strip("fonts/main.bmp");
    ASSERT_TRUE(strip.valid());
    auto grey = [&](int x, int y) { return (int)(drawer->pixels[(size_t)y * screen_w + x] >> 8 & 0xFF); };
    int x = 8, checked = 0, bad = 0;
    for (const unsigned char *c = (const unsigned char *)line; *c; ++c) {
        const int w = strip.glyph_width(*c), start = strip.glyph_start(*c);
        for (int dy = 0; dy < strip.height(); ++dy)
            for (int dx = 0; dx < w; ++dx) {
                const int expected = strip.image().get_pixel(start + dx, dy) & 0xFF;
                ++checked;
                if (std::abs(grey(x + dx, 8 + dy) - expected) > 24 && ++bad <= 10)
                    ADD_FAILURE() << "glyph " << (int)*c << " at (" << dx << ", " << dy << "): expected " << expected
                                  << ", got " << grey(x + dx, 8 + dy);
            }
        x += w;
    }
    EXPECT_EQ(bad, 0) << "of " << checked << " pixels";
    EXPECT_GT(checked, 1000);
    EXPECT_EQ(grey(x + 4, 20), 0) << "nothing after the text";
    EXPECT_EQ(grey(4, 4), 0);

    drawer->text.buffer->Release();
    drawer->text.buffer = nullptr;
    release_res(font);
    root->shutdown_tree();
    delete root;
    d3d_select_backend("recording");
    scripts.reset();
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

} // namespace
