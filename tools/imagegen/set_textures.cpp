#include "tools/imagegen/set_textures.h"

#include <algorithm>
#include <cmath>

#include "tools/imagegen/show_textures.h"

namespace imagegen {

namespace {

constexpr float PI = 3.14159265f;

uint32_t rgb_of(float r, float g, float b)
{
    auto c = [](float v) { return (uint32_t)std::clamp(v * 255.0f + 0.5f, 0.0f, 255.0f); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

float channel(uint32_t rgb, int shift)
{
    return float((rgb >> shift) & 0xFF) / 255.0f;
}

// `over` laid on the pixel with coverage t (0..1).
void blend(picture &p, int x, int y, uint32_t over, float t)
{
    if (x < 0 || y < 0 || x >= p.width || y >= p.height || t <= 0.0f)
        return;
    t = std::min(t, 1.0f);
    const uint32_t under = p.rgb(x, y);
    float c[3];
    for (int k = 0; k < 3; ++k) {
        const int shift = 16 - 8 * k;
        c[k] = channel(under, shift) * (1.0f - t) + channel(over, shift) * t;
    }
    p.set(x, y, rgb_of(c[0], c[1], c[2]));
}

// 1 on a line of half width w at distance d, fading out over one more pixel.
float line(float d, float w)
{
    return std::clamp(w + 1.0f - std::fabs(d), 0.0f, 1.0f);
}

picture podium()
{
    picture p(128, 128, 0x2A2E38);
    // The platform's side: a band of light along its top edge, a thinner one at the foot.
    for (int x = 0; x < 64; ++x) {
        for (int y = 0; y < 7; ++y)
            p.set(x, y, y < 5 ? 0xF0F4FF : 0x8890A8);
        for (int y = 58; y < 61; ++y)
            p.set(x, y, 0x9098B0);
    }
    // The top: dark, a soft shadow where the figure stands, a ring of light at the rim.
    for (int y = 0; y < 64; ++y)
        for (int x = 64; x < 128; ++x) {
            const float r = std::hypot(x + 0.5f - 96.0f, y + 0.5f - 32.0f) / 32.0f;
            const float shade = 0.22f + 0.08f * r - 0.16f * std::clamp(1.0f - r / 0.45f, 0.0f, 1.0f);
            p.set(x, y, rgb_of(shade, shade, shade * 1.15f));
            blend(p, x, y, 0xE8F0FF, line((r - 0.86f) * 32.0f, 1.5f));
        }
    // The lectern: dark with light trims at its top and sides, fine vertical grooves.
    for (int y = 64; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            uint32_t c = x % 16 == 0 ? 0x1C2030 : 0x262C40;
            if (y < 68 || x < 3 || x > 124)
                c = 0xD8E0F0;
            p.set(x, y, c);
        }
    return p;
}

// A lit panel: a bright core fading to its colour, a thin dark frame.
picture lamp(uint32_t face, uint32_t core)
{
    picture p(64, 64, face);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float dx = (x + 0.5f - 32.0f) / 32.0f, dy = (y + 0.5f - 32.0f) / 32.0f;
            const float glow = std::clamp(1.0f - std::sqrt(dx * dx * 0.6f + dy * dy), 0.0f, 1.0f);
            blend(p, x, y, core, glow * 0.9f);
            if (x < 3 || y < 3 || x > 60 || y > 60)
                p.set(x, y, 0x202028);
        }
    return p;
}

picture floor_pattern()
{
    constexpr int N = 512;
    constexpr float UNITS = 30.0f; // the texture spans 30 x 30 units
    constexpr float PX = N / UNITS;
    picture p(N, N);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            const float wx = (x + 0.5f) / PX - UNITS / 2, wy = UNITS / 2 - (y + 0.5f) / PX;
            const float r = std::hypot(wx, wy);
            const float a = std::atan2(wy, wx);
            // A glossy dark floor, darker out where the stage ends.
            const float base = r < 10.5f ? 0.16f + 0.04f * std::cos(r * 1.3f) : 0.08f;
            p.set(x, y, rgb_of(base, base, base * 1.2f));
            if (r > 10.5f)
                continue;
            // Rings of light: the seats' ring brightest, the centre's emblem, the stage's edge.
            blend(p, x, y, 0xFFFFFF, line((r - 4.0f) * PX, 2.5f));
            // No disc in the middle: seen from the side it would pass for an empty podium.
            for (float ring : {2.4f, 6.0f, 10.0f})
                blend(p, x, y, 0xC8D0E8, line((r - ring) * PX, 1.2f) * 0.8f);
            // Radial lines between the rings, one between each two seats and one through each.
            const float step = PI / 8;
            const float off = std::remainder(a, step) * r * PX;
            if (r > 0.3f && r < 9.9f && std::fabs(r - 4.0f) > 0.9f)
                blend(p, x, y, 0xB0B8D0, line(off, 0.8f) * 0.6f);
            // Bulbs along the ring between the seats and the stage's edge.
            const float bulb_step = PI / 24;
            const float bx = std::remainder(a, bulb_step) * 8.0f, by = r - 8.0f;
            const float bd = std::hypot(bx, by) * PX;
            blend(p, x, y, 0xFFF0C0, std::clamp(3.5f - bd, 0.0f, 1.0f));
        }
    return p;
}

picture backdrop_panel()
{
    picture p(128, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 128; ++x) {
            const float t = float(y) / 255.0f;
            // A glossy panel, lighter at the top, in a darker frame; a strip of light down its middle.
            float v = 0.5f - 0.25f * t;
            if (x < 6 || x > 121 || y < 6 || y > 249)
                v = 0.2f;
            p.set(x, y, rgb_of(v, v, v * 1.05f));
            blend(p, x, y, 0xD0D0D0, line(x - 63.5f, 2.0f));
            // A band of small lights across the panel near its top.
            if (std::abs(y - 30) < 4 && (x / 8) % 2 == 0 && x > 8 && x < 120)
                p.set(x, y, 0xFFFFF0);
        }
    return p;
}

picture screen(const std::string &font_file)
{
    picture p(512, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const float dx = (x - 256.0f) / 256.0f, dy = (y - 128.0f) / 128.0f;
            const float glow = std::clamp(1.0f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
            p.set(x, y, rgb_of(0.05f + 0.25f * glow, 0.06f + 0.12f * glow, 0.20f + 0.45f * glow));
            // Rays from the middle.
            const float a = std::atan2(dy, dx);
            if (std::fabs(std::remainder(a, PI / 9)) < 0.05f)
                blend(p, x, y, 0x6080FF, 0.25f * glow);
            if (x < 8 || y < 8 || x > 503 || y > 247)
                p.set(x, y, x < 4 || y < 4 || x > 507 || y > 251 ? 0x101018 : 0xE0C060);
        }
    font_strip_options options;
    options.font_file = font_file;
    options.pixel_size = 64;
    const picture title = render_font_strip(options);
    // A soft shadow under the name, then the name in gold.
    picture shadow(512, 256, 0x000000);
    draw_text_centred(shadow, title, 260, 90, SHOW_NAME, 0xFFFFFF);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x)
            blend(p, x, y, 0x000000, channel(shadow.rgb(x, y), 8) * 0.7f);
    draw_text_centred(p, title, 256, 84, SHOW_NAME, 0xFFD040);
    return p;
}

picture audience()
{
    picture p(256, 128, 0x0A0A10);
    // Five people to a cell, in muted clothes, heads lit from the stage.
    const uint32_t clothes[] = {0x5A3030, 0x304060, 0x405A38, 0x5A5030, 0x483058, 0x306060, 0x604838};
    for (int k = 0; k < 5; ++k) {
        const float cx = 25.6f + 51.2f * float(k) + (k % 2 ? 4.0f : -3.0f);
        const float head_y = 34.0f + float((k * 7) % 3) * 4.0f;
        const uint32_t cloth = clothes[(k * 3 + 1) % 7];
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 256; ++x) {
                const float dx = x + 0.5f - cx, dy = y + 0.5f - head_y;
                // Shoulders: a rounded block under the head down to the seat row.
                const float sx = std::fabs(dx) - 17.0f, sy = head_y + 20.0f - (y + 0.5f);
                const bool body = y > head_y + 12 && y < 100 && (sx < 0 || std::hypot(sx, sy) < 8.0f) &&
                                  std::fabs(dx) < 25.0f;
                if (body)
                    p.set(x, y, cloth);
                const float hd = std::hypot(dx, dy * 0.85f);
                if (hd < 11.0f)
                    p.set(x, y, hd < 9.5f ? 0x9A7868 : 0x3A2A24);
            }
    }
    // The front of the tier: a rail of light at the top of the next row.
    for (int x = 0; x < 256; ++x)
        for (int y = 100; y < 128; ++y)
            p.set(x, y, y < 103 ? 0xB0B8D0 : 0x181822);
    return p;
}

picture rig()
{
    picture p(64, 64, 0x303440);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 32; ++x) {
            if ((x + y) % 16 < 2 || (x - y + 64) % 16 < 2 || x < 2 || x > 29)
                p.set(x, y, 0x9098A8);
        }
    for (int y = 0; y < 64; ++y)
        for (int x = 32; x < 64; ++x) {
            const float r = std::hypot(x + 0.5f - 48.0f, (y + 0.5f - 32.0f) / 2.0f) / 16.0f;
            p.set(x, y, r < 0.8f ? rgb_of(1.0f, 0.97f - 0.2f * r, 0.85f - 0.5f * r) : 0x202024);
        }
    return p;
}

} // namespace

std::vector<ui_texture> make_set_textures(const std::string &font_file)
{
    return {
        {"models/pillar/pillar", 24, podium()},
        {"models/lamp_white/lamp", 24, lamp(0xC8D0E8, 0xFFFFFF)},
        {"models/lamp_green/lamp", 24, lamp(0x10B030, 0xC0FFC0)},
        {"models/lamp_red/lamp", 24, lamp(0xC01010, 0xFFC0B0)},
        {"models/studio/floor", 24, floor_pattern()},
        {"models/backdrop/backdrop", 24, backdrop_panel()},
        {"models/show_screen/screen", 24, screen(font_file)},
        {"models/audience/audience", 24, audience()},
        {"models/light_rig/rig", 24, rig()},
    };
}

} // namespace imagegen
