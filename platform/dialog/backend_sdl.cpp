// The dialog drawn with SDL2's renderer: classic grey controls, texts rendered with FreeType
// from DejaVu Sans (fonts-dejavu-core; without the font the controls show no text). One
// dialog unit is 3/2 pixels across and 13/8 down, as for an 8-point system font. A message box
// is such a dialog too: its text wrapped over as many lines as it needs, an OK button below.
#include "platform/dialog/dialog_core.h"
#include "platform/dialog/dialog_fake.h"
#include "platform/sys/cp1251.h"

#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

namespace {

const char *const font_file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int font_pixels = 11;
constexpr int list_row_height = 16;
constexpr int closed_list_height = 21;
constexpr int line_height = font_pixels + 4;

int px_x(int dlu) { return dlu * 3 / 2; }
int px_y(int dlu) { return dlu * 13 / 8; }

SDL_Rect item_rect(const dialog_item &item)
{
    return {px_x(item.x), px_y(item.y), px_x(item.cx), px_y(item.cy)};
}

bool inside(const SDL_Rect &r, int x, int y)
{
    return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h;
}

class sdl_dialog_c
{
public:
    explicit sdl_dialog_c(platform_dialog_s &d) : m_d(d) {}
    ~sdl_dialog_c()
    {
        for (auto &t : m_texts)
            SDL_DestroyTexture(t.second.texture);
        if (m_picture)
            SDL_DestroyTexture(m_picture);
        if (m_face)
            FT_Done_Face(m_face);
        if (m_library)
            FT_Done_FreeType(m_library);
        if (m_renderer)
            SDL_DestroyRenderer(m_renderer);
        if (m_window)
            SDL_DestroyWindow(m_window);
    }

    // Loads the font, lets `fit` lay the dialog out by its texts, then opens the window.
    bool open(const std::function<void(sdl_dialog_c &)> &fit)
    {
        if (FT_Init_FreeType(&m_library) == 0 && FT_New_Face(m_library, font_file, 0, &m_face) == 0)
            FT_Set_Pixel_Sizes(m_face, 0, font_pixels);
        else
            std::fprintf(stderr, "dialog: no font %s; the controls show no text\n", font_file);
        if (fit)
            fit(*this);
        const std::string caption = cp1251_to_utf8(m_d.tpl->caption ? m_d.tpl->caption : "");
        m_window = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    px_x(m_d.tpl->cx), px_y(m_d.tpl->cy), SDL_WINDOW_SHOWN);
        if (!m_window)
            return false;
        m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
        if (!m_renderer)
            return false;
        SDL_SetRenderDrawBlendMode(m_renderer, SDL_BLENDMODE_BLEND);
        return true;
    }

    void set_icon()
    {
        if (!m_d.icons[ICON_BIG] && !m_d.icons[ICON_SMALL])
            return;
        SDL_Surface *icon = SDL_CreateRGBSurfaceFrom((void *)dialog_icon_pixels(), DIALOG_ICON_SIZE, DIALOG_ICON_SIZE,
                                                     32, DIALOG_ICON_SIZE * 4, 0x00FF0000, 0x0000FF00, 0x000000FF,
                                                     0xFF000000);
        if (icon) {
            SDL_SetWindowIcon(m_window, icon);
            SDL_FreeSurface(icon);
        }
    }

    void loop()
    {
        while (!m_d.ended) {
            draw();
            SDL_Event e;
            if (!SDL_WaitEventTimeout(&e, 100))
                continue;
            do {
                handle(e);
            } while (!m_d.ended && SDL_PollEvent(&e));
        }
    }

private:
    struct text_s
    {
        SDL_Texture *texture;
        int w, h;
    };

    void handle(const SDL_Event &e)
    {
        switch (e.type) {
        case SDL_QUIT:
            m_d.close();
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                m_d.close();
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER)
                m_d.enter();
            else if (e.key.keysym.sym == SDLK_ESCAPE && m_open_list != -1)
                m_open_list = -1;
            else if (e.key.keysym.sym == SDLK_ESCAPE)
                m_d.close();
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT)
                press(e.button.x, e.button.y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT)
                release(e.button.x, e.button.y);
            break;
        default:
            break;
        }
    }

    SDL_Rect field_rect(const dialog_control_s &c) const
    {
        SDL_Rect r = item_rect(c.item);
        r.h = closed_list_height;
        return r;
    }

    SDL_Rect row_rect(const dialog_control_s &c, int row) const
    {
        const SDL_Rect f = field_rect(c);
        return {f.x, f.y + f.h + row * list_row_height, f.w, list_row_height};
    }

    void press(int x, int y)
    {
        if (m_open_list != -1) {
            dialog_control_s *c = m_d.control(m_open_list);
            m_open_list = -1;
            for (int row = 0; c && row < (int)c->rows.size(); ++row) {
                if (inside(row_rect(*c, row), x, y)) {
                    m_d.select(c->item.id, row);
                    return;
                }
            }
            if (c && inside(field_rect(*c), x, y))
                return;
        }
        for (auto &c : m_d.controls) {
            if (c.item.kind == DLG_DROPDOWN_LIST && inside(field_rect(c), x, y)) {
                m_open_list = c.item.id;
                return;
            }
            if ((c.item.kind == DLG_PUSHBUTTON || c.item.kind == DLG_DEFPUSHBUTTON ||
                 c.item.kind == DLG_CHECKBOX_LEFT) &&
                inside(item_rect(c.item), x, y)) {
                m_pressed = c.item.id;
                return;
            }
        }
    }

    void release(int x, int y)
    {
        const int id = m_pressed;
        m_pressed = -1;
        dialog_control_s *c = id != -1 ? m_d.control(id) : nullptr;
        if (c && inside(item_rect(c->item), x, y))
            m_d.click(id);
    }

    void colour(uint32_t rgb)
    {
        SDL_SetRenderDrawColor(m_renderer, Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb), 255);
    }

    void fill(const SDL_Rect &r, uint32_t rgb)
    {
        colour(rgb);
        SDL_RenderFillRect(m_renderer, &r);
    }

    // A frame raised (light top left) or sunken (dark top left).
    void frame(const SDL_Rect &r, bool raised)
    {
        colour(raised ? 0xFFFFFF : 0x808080);
        SDL_RenderDrawLine(m_renderer, r.x, r.y, r.x + r.w - 1, r.y);
        SDL_RenderDrawLine(m_renderer, r.x, r.y, r.x, r.y + r.h - 1);
        colour(raised ? 0x404040 : 0xFFFFFF);
        SDL_RenderDrawLine(m_renderer, r.x, r.y + r.h - 1, r.x + r.w - 1, r.y + r.h - 1);
        SDL_RenderDrawLine(m_renderer, r.x + r.w - 1, r.y, r.x + r.w - 1, r.y + r.h - 1);
    }

    const text_s *text(const std::string &line)
    {
        if (!m_face || line.empty())
            return nullptr;
        auto found = m_texts.find(line);
        if (found != m_texts.end())
            return &found->second;
        const int height = font_pixels + 5, baseline = font_pixels;
        const int width = width_of(line);
        if (width <= 0)
            return nullptr;
        std::vector<uint32_t> pixels(size_t(width) * height, 0);
        int pen = 0;
        for (unsigned char c : line) {
            if (FT_Load_Char(m_face, cp1251_code_point(c), FT_LOAD_RENDER) != 0)
                continue;
            const FT_GlyphSlot g = m_face->glyph;
            for (unsigned row = 0; row < g->bitmap.rows; ++row) {
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    const int x = pen + g->bitmap_left + int(col), y = baseline - g->bitmap_top + int(row);
                    if (x < 0 || y < 0 || x >= width || y >= height)
                        continue;
                    const uint32_t a = g->bitmap.buffer[row * g->bitmap.pitch + col];
                    uint32_t &p = pixels[size_t(y) * width + x];
                    p = std::max(p >> 24, a) << 24;
                }
            }
            pen += int(g->advance.x >> 6);
        }
        SDL_Texture *t = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
        if (!t)
            return nullptr;
        SDL_UpdateTexture(t, nullptr, pixels.data(), width * 4);
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
        SDL_SetTextureColorMod(t, 0, 0, 0);
        return &(m_texts[line] = {t, width, height});
    }

    // The pen's advance over a line, in pixels.
    int width_of(const std::string &line)
    {
        int width = 0;
        for (unsigned char c : line)
            if (m_face && FT_Load_Char(m_face, cp1251_code_point(c), FT_LOAD_DEFAULT) == 0)
                width += int(m_face->glyph->advance.x >> 6);
        return width;
    }

public:
    // Lines of text broken at line feeds, and at spaces to fit width.
    std::vector<std::string> wrap(const std::string &s, int width)
    {
        std::vector<std::string> lines;
        const size_t feed = s.find('\n');
        if (feed != std::string::npos) {
            lines = wrap(s.substr(0, feed), width);
            for (const std::string &line : wrap(s.substr(feed + 1), width))
                lines.push_back(line);
            return lines;
        }
        std::string line;
        size_t start = 0;
        while (start <= s.size()) {
            size_t end = s.find(' ', start);
            if (end == std::string::npos)
                end = s.size();
            const std::string word = s.substr(start, end - start);
            const std::string joined = line.empty() ? word : line + " " + word;
            if (!line.empty() && width_of(joined) > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = joined;
            }
            start = end + 1;
        }
        if (!line.empty())
            lines.push_back(line);
        return lines;
    }

private:

    // justify: 0 left, 1 centre, 2 right; vertically centred in r.
    void draw_text(const std::string &s, const SDL_Rect &r, int justify, bool top = false)
    {
        const std::vector<std::string> lines = wrap(s, r.w);
        int y = top ? r.y : r.y + (r.h - int(lines.size()) * line_height) / 2;
        for (const auto &line : lines) {
            if (const text_s *t = text(line)) {
                const int x = justify == 0 ? r.x : justify == 1 ? r.x + (r.w - t->w) / 2 : r.x + r.w - t->w;
                const SDL_Rect dst = {x, y, t->w, t->h};
                SDL_RenderCopy(m_renderer, t->texture, nullptr, &dst);
            }
            y += line_height;
        }
    }

    // The picture beside the controls: a studio's evening sky of stripes and lights.
    SDL_Texture *picture(int w, int h)
    {
        if (m_picture)
            return m_picture;
        std::vector<uint32_t> pixels(size_t(w) * h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int t = y * 255 / std::max(h - 1, 1);
                uint32_t r = 20 + t / 3, g = 24 + t / 6, b = 90 + t / 2;
                if ((x + y / 2) % 40 < 3)
                    r += 30, g += 30, b += 30;
                for (int k = 0; k < 4; ++k) {
                    const int cx = w / 5 + k * w / 5, cy = h / 6 + (k % 2) * 18;
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 36)
                        r = 255, g = 230, b = 140;
                }
                pixels[size_t(y) * w + x] = 0xFF000000u | std::min(r, 255u) << 16 | std::min(g, 255u) << 8 |
                                            std::min(b, 255u);
            }
        }
        m_picture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
        if (m_picture)
            SDL_UpdateTexture(m_picture, nullptr, pixels.data(), w * 4);
        return m_picture;
    }

    void draw_control(const dialog_control_s &c)
    {
        const SDL_Rect r = item_rect(c.item);
        const std::string label = c.item.text ? c.item.text : "";
        switch (c.item.kind) {
        case DLG_DEFPUSHBUTTON:
        case DLG_PUSHBUTTON: {
            const bool down = m_pressed == c.item.id;
            fill(r, 0xD4D0C8);
            if (c.item.kind == DLG_DEFPUSHBUTTON) {
                colour(0x000000);
                SDL_RenderDrawRect(m_renderer, &r);
            }
            frame({r.x + 1, r.y + 1, r.w - 2, r.h - 2}, !down);
            draw_text(label, {r.x + (down ? 1 : 0), r.y + (down ? 1 : 0), r.w, r.h}, 1);
            break;
        }
        case DLG_TEXT:
            draw_text(label, r, 0, true);
            break;
        case DLG_PICTURE:
            if (SDL_Texture *p = picture(r.w - 2, r.h - 2)) {
                const SDL_Rect inner = {r.x + 1, r.y + 1, r.w - 2, r.h - 2};
                SDL_RenderCopy(m_renderer, p, nullptr, &inner);
            }
            frame(r, false);
            break;
        case DLG_CHECKBOX_LEFT: {
            const int box = 13;
            const SDL_Rect b = {r.x + r.w - box, r.y + (r.h - box) / 2, box, box};
            draw_text(label, {r.x, r.y, r.w - box - 4, r.h}, 0);
            fill(b, 0xFFFFFF);
            frame(b, false);
            if (c.check == BST_CHECKED) {
                colour(0x000000);
                for (int k = 0; k < 2; ++k) {
                    SDL_RenderDrawLine(m_renderer, b.x + 3, b.y + 6 + k, b.x + 5, b.y + 8 + k);
                    SDL_RenderDrawLine(m_renderer, b.x + 5, b.y + 8 + k, b.x + 9, b.y + 4 + k);
                }
            }
            break;
        }
        case DLG_DROPDOWN_LIST: {
            const SDL_Rect f = field_rect(c);
            fill(f, 0xFFFFFF);
            frame(f, false);
            const SDL_Rect arrow = {f.x + f.w - f.h + 2, f.y + 2, f.h - 4, f.h - 4};
            fill(arrow, 0xD4D0C8);
            frame(arrow, true);
            colour(0x000000);
            for (int k = 0; k < 4; ++k)
                SDL_RenderDrawLine(m_renderer, arrow.x + arrow.w / 2 - 3 + k, arrow.y + arrow.h / 2 - 1 + k,
                                   arrow.x + arrow.w / 2 + 3 - k, arrow.y + arrow.h / 2 - 1 + k);
            if (c.selection >= 0 && c.selection < (int)c.rows.size())
                draw_text(c.rows[c.selection], {f.x + 4, f.y, f.w - f.h - 4, f.h}, 0);
            break;
        }
        }
    }

    void draw_open_list(const dialog_control_s &c)
    {
        for (int row = 0; row < (int)c.rows.size(); ++row) {
            const SDL_Rect r = row_rect(c, row);
            fill(r, row == c.selection ? 0x0A246A : 0xFFFFFF);
            draw_text(c.rows[row], {r.x + 4, r.y, r.w - 8, r.h}, 0);
        }
        if (!c.rows.empty()) {
            const SDL_Rect first = row_rect(c, 0);
            const SDL_Rect all = {first.x, first.y, first.w, list_row_height * int(c.rows.size())};
            colour(0x000000);
            SDL_RenderDrawRect(m_renderer, &all);
        }
    }

    void draw()
    {
        colour(0xD4D0C8);
        SDL_RenderClear(m_renderer);
        for (const auto &c : m_d.controls)
            draw_control(c);
        if (const dialog_control_s *c = m_open_list != -1 ? m_d.control(m_open_list) : nullptr)
            draw_open_list(*c);
        SDL_RenderPresent(m_renderer);
    }

    platform_dialog_s &m_d;
    SDL_Window *m_window = nullptr;
    SDL_Renderer *m_renderer = nullptr;
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
    std::map<std::string, text_s> m_texts;
    SDL_Texture *m_picture = nullptr;
    int m_open_list = -1;
    int m_pressed = -1;
};

// The message box's layout in dialog units: the text across, the OK button centred below it.
constexpr int box_cx = 240, box_margin = 7, button_cx = 50, button_cy = 14;

INT_PTR message_box_proc(HDLG d, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(d, IDOK);
        return TRUE;
    }
    return FALSE;
}

struct sdl_backend_s : dialog_backend_s
{
    bool run(platform_dialog_s &d) override { return show(d, {}); }

    // Drawn as a dialog of its own, with the dialog's font: SDL's message box on X11 draws
    // with the server's core fonts, which have no Cyrillic.
    void message_box(const char *text, const char *caption, UINT) override
    {
        const dialog_item items[] = {
            {DLG_TEXT, -1, text, box_margin, box_margin, box_cx - 2 * box_margin, 0, 0},
            {DLG_DEFPUSHBUTTON, IDOK, "OK", (box_cx - button_cx) / 2, 2 * box_margin, button_cx, button_cy, 0},
        };
        dialog_template box = {caption, box_cx, 3 * box_margin + button_cy, items, 2};
        platform_dialog_s d;
        d.tpl = &box;
        d.procedure = message_box_proc;
        for (const dialog_item &item : items)
            d.controls.push_back({item, {}, -1, BST_UNCHECKED});
        // The text as high as its lines, the button and the box's bottom below it.
        const auto fit = [&](sdl_dialog_c &dialog) {
            const int lines = std::max<int>(1, int(dialog.wrap(text, px_x(items[0].cx)).size()));
            const int high = (lines * line_height * 8 + 12) / 13;
            d.controls[0].item.cy = high;
            d.controls[1].item.y += high;
            box.cy += high;
        };
        if (!show(d, fit))
            std::fprintf(stderr, "%s: %s\n", cp1251_to_utf8(caption).c_str(), cp1251_to_utf8(text).c_str());
    }

private:
    static bool show(platform_dialog_s &d, const std::function<void(sdl_dialog_c &)> &fit)
    {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "dialog: no display: %s\n", SDL_GetError());
            return false;
        }
        bool shown;
        {
            sdl_dialog_c dialog(d);
            shown = dialog.open(fit);
            if (shown) {
                d.init();
                dialog.set_icon();
                dialog.loop();
            } else {
                std::fprintf(stderr, "dialog: could not open its window: %s\n", SDL_GetError());
            }
        }
        // The video subsystem stays up, as for the main window: closing it would unload the
        // libraries SDL opened for itself while they still hold memory.
        return shown;
    }
};

} // namespace

void dialog_sdl_queue_click(int x, int y)
{
    SDL_Event e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = px_x(x);
    e.button.y = px_y(y);
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&e);
}

void dialog_sdl_queue_enter()
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_RETURN;
    SDL_PushEvent(&e);
}

dialog_backend_s &dialog_sdl_backend()
{
    static sdl_backend_s backend;
    return backend;
}
