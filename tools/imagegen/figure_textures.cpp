#include "tools/imagegen/figure_textures.h"

#include "tools/imagegen/ui_textures.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imagegen {

using modelgen::contestant;
using modelgen::hair_style;

namespace {

constexpr float PI = 3.14159265f;

struct rgb
{
    float r, g, b;
};

rgb colour(uint32_t c) { return {float(c >> 16 & 0xFF), float(c >> 8 & 0xFF), float(c & 0xFF)}; }

uint32_t packed(const rgb &c)
{
    auto k = [](float v) { return uint32_t(std::clamp(v, 0.0f, 255.0f) + 0.5f); };
    return k(c.r) << 16 | k(c.g) << 8 | k(c.b);
}

uint32_t mix(uint32_t a, uint32_t b, float t)
{
    const rgb x = colour(a), y = colour(b);
    t = std::clamp(t, 0.0f, 1.0f);
    return packed({x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t});
}

uint32_t shade(uint32_t a, float k)
{
    const rgb x = colour(a);
    return packed({x.r * k, x.g * k, x.b * k});
}

float sq(float x) { return x * x; }

// A small repeatable grain, -1 .. 1.
float grain(int x, int y)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float(h >> 8 & 0xFFFF) / 32767.5f - 1.0f;
}

uint32_t brow_colour(const contestant &c) { return mix(c.hair, 0x2A2018, c.age > 55 ? 0.2f : 0.35f); }

uint32_t hair_texel(const contestant &c, int x, int y)
{
    // Strands: streaks along the hair, a little light on every fourth one.
    const float streak = std::sin(x * 1.7f + 0.6f * std::sin(y * 0.4f)) * 0.08f + grain(x, y / 3) * 0.05f;
    uint32_t h = shade(c.hair, 1.0f + streak);
    if (c.hair == 0x5F5A55 && (x * 7 + y / 5) % 5 == 0)
        h = mix(h, 0xC8C8C8, 0.5f);
    return h;
}

// The face and scalp at turn theta (degrees) and height t.
uint32_t head_texel(const contestant &c, float deg, float t, int x, int y)
{
    const float theta = deg * PI / 180;
    uint32_t s = shade(c.skin, 1.0f + grain(x, y) * 0.015f);
    const float ad = std::abs(deg);
    // Cheeks and the shadow under the jaw.
    if (c.female)
        s = mix(s, 0xE07070, 0.16f * std::max(0.0f, 1 - (sq((ad - 30) / 11) + sq((t + 0.3f) / 0.14f))));
    s = shade(s, 1.0f - 0.12f * std::clamp((-t - 0.75f) / 0.2f, 0.0f, 1.0f));

    // Age: forehead lines and the lines beside the mouth.
    if (c.age > 44) {
        for (float line : {0.3f, 0.37f})
            if (ad < 22 && std::abs(t - line - 0.01f * std::cos(theta * 4)) < 0.008f)
                s = shade(s, 0.86f);
        if (std::abs(ad - 12 - (t + 0.35f) * -14) < 0.8f && t < -0.3f && t > -0.6f)
            s = shade(s, 0.85f);
    }

    const float te = c.female ? 0.02f : 0.0f, eye = 17.0f;
    // Beard and moustache, under the mouth's lips.
    const float tm = c.female ? -0.56f : -0.57f;
    const uint32_t beard = mix(c.hair, c.skin, 0.2f);
    if (c.beard >= 1 && ad < 11 && t > tm + 0.035f && t < tm + 0.11f - ad * 0.003f)
        s = beard;
    if (c.beard == 2 && t < -0.38f && ad < 75 && !(t > tm - 0.1f && ad < 9 && t < tm + 0.035f))
        s = mix(s, beard, 0.75f + 0.1f * grain(x, y));

    // Nose: a shadow under it and along its sides, nostrils.
    if (ad < 6 && t < -0.28f && t > -0.38f)
        s = shade(s, 0.82f + 0.1f * (ad / 6));
    if (ad > 4 && ad < 7.5f && t < -0.04f && t > -0.3f)
        s = shade(s, 0.9f);
    if (sq((ad - 3) / 1.6f) + sq((t + 0.33f) / 0.022f) < 1)
        s = shade(s, 0.45f);

    // Mouth: lips and the line between them, the corners turned up a little.
    const float md = c.female ? 10.0f : 11.0f;
    if (ad < md) {
        const float k = sq(ad / md), line = tm + 0.018f * k;
        const uint32_t lips = mix(c.skin, c.female ? 0xC4283C : 0xA84848, c.female ? 0.75f : 0.4f);
        if (t > line && t < line + 0.05f * (1 - k))
            s = lips;
        if (t < line && t > line - 0.065f * (1 - k))
            s = shade(lips, 1.08f);
        if (std::abs(t - line) < 0.014f)
            s = 0x4A1C1C;
    }

    // Eyes: whites, iris, pupil and a glint; lid and lashes above; brows.
    for (int side : {1, -1}) {
        const float de = deg - side * eye, dt = t - te;
        const float white = sq(de / 8.2f) + sq(dt / 0.066f);
        if (white < 1) {
            s = 0xF4F2EE;
            if (sq(de / 4.2f) + sq(dt / 0.062f) < 1)
                s = shade(c.eyes, 1.0f + 0.2f * (dt / 0.05f));
            if (sq(de / 2.0f) + sq(dt / 0.03f) < 1)
                s = 0x0A0808;
            if (sq((de + side * 1.0f) / 0.9f) + sq((dt - 0.018f) / 0.012f) < 1)
                s = 0xFFFFFF;
        }
        const float lid = te + 0.066f * std::sqrt(std::max(0.0f, 1 - sq(de / 9.0f)));
        if (std::abs(de) < 9.2f + (c.female ? 1.5f : 0) && t > lid - 0.008f && t < lid + (c.female ? 0.024f : 0.016f))
            s = c.female ? 0x141010 : mix(s, 0x3A2820, 0.8f);
        const float brow = te + (c.female ? 0.17f : 0.15f) + 0.025f * (1 - sq(de / 9.5f)) - (c.female ? 0.0f : 0.006f * de * side / 9.5f);
        if (std::abs(de) < 10.5f && std::abs(t - brow) < (c.female ? 0.018f : 0.027f) * (1 - 0.4f * sq(de / 10.5f)))
            s = brow_colour(c);
        if (c.glasses) {
            const float rim = std::sqrt(sq(de / 11.5f) + sq((dt + 0.01f) / 0.115f));
            if (rim < 0.88f)
                s = mix(s, 0xE8F0FF, 0.12f);
            else if (rim < 1.0f)
                s = 0x1A1A20;
        }
    }
    if (c.glasses && std::abs(t - te - 0.03f) < 0.014f && (ad < 7 || (ad > 27 && ad < 90)))
        s = 0x1A1A20;

    // Hair on the scalp, under the hair itself; a bald crown keeps a fringe at the sides.
    const float low = modelgen::hairline(c, theta);
    bool hair = t > low - 0.015f;
    if (c.style == hair_style::fringe_bald)
        hair = ad > 62 && t < 0.45f && t > low - 0.015f;
    if (hair)
        s = hair_texel(c, x, y);
    return s;
}

// The shirt or blouse. A white one turns cool and gets a fine stripe, so that under the
// studio's warm light it still reads as cloth beside the skin.
uint32_t shirt_colour(const contestant &c, float deg)
{
    const rgb t = colour(c.top);
    if (std::min({t.r, t.g, t.b}) <= 200)
        return c.top;
    const uint32_t white = mix(c.top, 0xDCE6FA, 0.8f);
    return int(std::floor(deg * 1.4f)) % 3 == 0 ? mix(white, 0x5A78B4, 0.35f) : white;
}

// The trunk below the chin at turn theta (degrees) and height z.
uint32_t trunk_texel(const contestant &c, float deg, float z, int x, int y)
{
    const float ad = std::abs(deg), front = std::max(0.0f, std::cos(deg * PI / 180));
    const uint32_t shirt = shirt_colour(c, deg);
    uint32_t s = shirt;
    // The neckline follows rings of the trunk (between them a texel row spreads wide): the
    // neck's base, in front a little lower for a blouse worn open without a jacket.
    const bool open_neck = c.female && !c.jacket;
    const float collar = open_neck && front > 0.5f ? 1.869f : 1.888f;
    if (z > collar)
        return shade(c.skin, z < collar + 0.02f ? 0.88f : 1.0f);
    // A shirt's collar: a band round the neck's base whose points reach down in front, its
    // lower edge a shadow line. The shoulders' top is nearly level, so a few millimetres of z
    // there are a hand's breadth of cloth.
    const bool collared = !open_neck;
    const float points = 0.02f * std::max(0.0f, 1 - std::abs(ad - 9) / 7);
    const float collar_low = collar - 0.009f - points;
    if (collared && z > collar_low && ad > 1.2f)
        s = shade(shirt, z < collar_low + 0.006f ? 0.72f : 1.06f);
    else if (collared && ad < 2.2f && z > 1.3f)
        s = shade(shirt, 0.9f); // the placket
    // Buttons down a shirt's front.
    if (!c.female && ad < 1.5f && int(z * 100) % 8 == 0 && z < collar_low)
        s = shade(shirt, 0.6f);
    if (c.tie && z > 1.3f && z < collar) {
        const float w = 3.2f + (1.84f - z) * 6.0f;
        if (ad < w)
            s = (int((z * 60) + deg * 0.2f) % 3 == 0) ? shade(c.tie, 1.35f) : c.tie;
        if (z > collar - 0.03f && ad < 4.5f)
            s = shade(c.tie, 0.85f); // the knot
    }
    const float waist = c.female ? 1.1f : 1.085f;
    if (z < waist)
        s = c.bottom;
    if (!c.female && !c.jacket && z < waist + 0.025f && z > waist - 0.005f)
        s = ad < 3 ? 0xC0A040 : 0x2A1A10;
    if (c.jacket && z > 0.98f && z < collar_low + 0.01f) {
        // The lapels open in a narrow V from the lowest button to the collar's points.
        const float opening = z > 1.28f ? 3.0f + (z - 1.28f) / (collar_low - 1.28f) * 11.0f : 3.0f;
        if (ad > opening) {
            s = c.jacket;
            if (ad < opening + 3.5f && z > 1.3f)
                s = shade(c.jacket, 0.72f); // the lapel's edge
            if (ad > 55 && ad < 62 && z > 1.2f && z < 1.24f)
                s = shade(c.jacket, 0.8f); // a pocket
        } else if (z < 1.28f && ad < 1.6f && (std::abs(z - 1.16f) < 0.012f || std::abs(z - 1.24f) < 0.012f)) {
            s = 0x181818;
        } else if (ad > opening - 2.5f && z > 1.28f) {
            s = shade(s, 0.8f); // the lapel's shadow on the shirt
        }
    }
    // Round the back of the neck the jacket's collar stands over the shirt's.
    if (c.jacket && ad > 35 && z > collar_low)
        s = shade(c.jacket, 0.9f);
    return shade(s, 1.0f + grain(x, y) * 0.02f);
}

uint32_t arm_texel(const contestant &c, float d, int x, int y)
{
    const float end = modelgen::sleeve_end(c);
    const uint32_t sleeve = c.jacket ? c.jacket : c.top;
    uint32_t s = sleeve;
    if (c.jacket && d > end - 0.025f)
        s = shirt_colour(c, 0); // the shirt's cuff
    else if (d > end - 0.02f)
        s = shade(sleeve, 0.85f); // the hem
    return shade(s, 1.0f + grain(x, y) * 0.02f);
}

uint32_t leg_texel(const contestant &c, float d, float deg, int x, int y)
{
    uint32_t s = c.skirt ? mix(c.skin, 0x3A2A2A, 0.12f) : c.bottom;
    if (!c.skirt && std::abs(deg) < 2.5f)
        s = shade(c.bottom, 1.15f); // the crease
    if (d > modelgen::ANKLE - 0.02f)
        s = c.skirt ? c.shoes : shade(c.bottom, 0.4f);
    return shade(s, 1.0f + grain(x, y) * 0.02f);
}

uint32_t swatch_texel(const contestant &c, int x, int y)
{
    const int k = x / 64, sx = x % 64;
    switch (k) {
    case 0: return hair_texel(c, x, y);
    case 1: return (sx < 9 || sx > 54) ? shade(c.shoes, 0.45f) : shade(c.shoes, 1.0f + 0.25f * (y > 252));
    case 2: return shade(c.skin, (sx > 22 && sx < 42) ? 0.93f : 1.0f);
    default: return shade(c.bottom, 1.0f + 0.08f * std::sin(sx * 1.1f));
    }
}

// Triangle rasterizer for the portraits.
struct vertex_out
{
    float x, y, z; // screen, depth
    float u, v;
    float nx, ny, nz;
};

struct render_target
{
    int w, h;
    std::vector<float> depth;
    std::vector<rgb> colour;
};

rgb sample(const picture &tex, float u, float v)
{
    const float fx = u * tex.width - 0.5f, fy = v * tex.height - 0.5f;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const float ax = fx - x0, ay = fy - y0;
    auto at = [&](int x, int y) {
        x = std::clamp(x, 0, tex.width - 1);
        y = std::clamp(y, 0, tex.height - 1);
        return colour(tex.rgb(x, y));
    };
    const rgb a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    auto l = [](float p, float q, float t) { return p + (q - p) * t; };
    return {l(l(a.r, b.r, ax), l(c.r, d.r, ax), ay), l(l(a.g, b.g, ax), l(c.g, d.g, ax), ay),
            l(l(a.b, b.b, ax), l(c.b, d.b, ax), ay)};
}

struct light
{
    vec3 dir; // towards the light
    float strength;
};

void draw_triangle(render_target &rt, const vertex_out (&v)[3], const picture &tex, const light *lights, int count,
                   const vec3 &view)
{
    const float minx = std::max(0.0f, std::floor(std::min({v[0].x, v[1].x, v[2].x})));
    const float maxx = std::min(float(rt.w - 1), std::ceil(std::max({v[0].x, v[1].x, v[2].x})));
    const float miny = std::max(0.0f, std::floor(std::min({v[0].y, v[1].y, v[2].y})));
    const float maxy = std::min(float(rt.h - 1), std::ceil(std::max({v[0].y, v[1].y, v[2].y})));
    const float area = (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[2].x - v[0].x) * (v[1].y - v[0].y);
    if (std::abs(area) < 1e-9f)
        return;
    for (int py = int(miny); py <= int(maxy); ++py)
        for (int px = int(minx); px <= int(maxx); ++px) {
            const float x = px + 0.5f, y = py + 0.5f;
            const float w0 = ((v[1].x - x) * (v[2].y - y) - (v[2].x - x) * (v[1].y - y)) / area;
            const float w1 = ((v[2].x - x) * (v[0].y - y) - (v[0].x - x) * (v[2].y - y)) / area;
            const float w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0)
                continue;
            const float z = w0 * v[0].z + w1 * v[1].z + w2 * v[2].z;
            float &d = rt.depth[size_t(py) * rt.w + px];
            if (z >= d)
                continue;
            d = z;
            vec3 n{w0 * v[0].nx + w1 * v[1].nx + w2 * v[2].nx, w0 * v[0].ny + w1 * v[1].ny + w2 * v[2].ny,
                   w0 * v[0].nz + w1 * v[1].nz + w2 * v[2].nz};
            const float len = n.length();
            if (len > 1e-6f)
                n *= 1 / len;
            const rgb t = sample(tex, w0 * v[0].u + w1 * v[1].u + w2 * v[2].u, w0 * v[0].v + w1 * v[1].v + w2 * v[2].v);
            float lit = 0.32f;
            for (int k = 0; k < count; ++k)
                lit += lights[k].strength * std::max(0.0f, n.x * lights[k].dir.x + n.y * lights[k].dir.y + n.z * lights[k].dir.z);
            // A cool rim where the surface turns away from the camera.
            const float rim = std::pow(1 - std::clamp(-(n.x * view.x + n.y * view.y + n.z * view.z), 0.0f, 1.0f), 3.0f) * 0.35f;
            rt.colour[size_t(py) * rt.w + px] = {t.r * lit + 200 * rim, t.g * lit + 210 * rim, t.b * lit + 255 * rim};
        }
}

vec3 normalized(vec3 v)
{
    v.normalize();
    return v;
}

vec3 cross3(const vec3 &a, const vec3 &b)
{
    vec3 out;
    out.cross(a, b);
    return out;
}

} // namespace

picture paint_figure(const contestant &c)
{
    const int S = modelgen::FIGURE_TEXTURE_SIZE;
    picture p(S, S);
    std::vector<float> turns(S);
    for (int x = 0; x < S; ++x)
        turns[x] = modelgen::trunk_theta((x + 0.5f) / S) * 180 / PI;
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            const float deg = turns[x];
            const float limb_turn = ((x % 64 - 0.5f) / 62 * 2 - 1) * 180; // a limb's 64 columns
            uint32_t texel;
            if (y < 128)
                texel = head_texel(c, deg, 1 - 2.0f * y / 127, x, y);
            else if (y < 192)
                texel = trunk_texel(c, deg, modelgen::trunk_row_z(c, y + 0.5f), x, y);
            else if (y < 240 && x < 64)
                texel = arm_texel(c, modelgen::ARM_TOP + (y - 192) / 47.0f * (modelgen::sleeve_end(c) - modelgen::ARM_TOP), x, y);
            else if (y < 240)
                texel = leg_texel(c, modelgen::LEG_TOP + (y - 192) / 47.0f * (modelgen::LEG_END - modelgen::LEG_TOP), limb_turn, x, y);
            else
                texel = swatch_texel(c, x, y);
            p.set(x, y, texel);
        }
    return p;
}

picture render_portrait(const modelgen::figure_mesh &figure, const picture &texture, int size)
{
    const int S = size * 4;
    render_target rt{S, S, std::vector<float>(size_t(S) * S, 1e30f), std::vector<rgb>(size_t(S) * S)};
    // The studio's backdrop: deep blue falling to violet, a soft light behind the head.
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            const float fy = float(y) / S, dx = (x - S * 0.45f) / S, dy = (y - S * 0.3f) / S;
            const float glow = std::exp(-(dx * dx + dy * dy) * 9.0f);
            rt.colour[size_t(y) * S + x] = {30 + 40 * fy + 70 * glow, 34 + 10 * fy + 70 * glow, 80 + 30 * fy + 90 * glow};
        }

    // The head's centre, from the vertices bound to the head above the chin.
    float top = 0;
    for (const sgeo_vertex_s &v : figure.mesh.vertices)
        top = std::max(top, v.position[2]);
    const vec3 target{0.03f, 0.03f, top - 0.21f};
    const float yaw = 35 * PI / 180, distance = 3.0f;
    const vec3 eye = target + vec3{std::cos(yaw) * distance, std::sin(yaw) * distance, 0.25f};
    const vec3 f = normalized(target - eye), r = normalized(cross3(f, {0, 0, 1})), up = cross3(r, f);
    const float focal = (S / 2.0f) * distance / 0.25f;
    const light lights[] = {{normalized(vec3{0.6f, 0.9f, 0.7f}), 0.72f}, {normalized(vec3{0.7f, -0.7f, 0.1f}), 0.25f}};

    auto project = [&](const sgeo_vertex_s &in) {
        const vec3 p{in.position[0], in.position[1], in.position[2]};
        const vec3 d = p - eye;
        const float z = dot(d, f);
        return vertex_out{S / 2.0f + dot(d, r) / z * focal, S / 2.0f - dot(d, up) / z * focal, z, in.u,
                          1.0f - in.v, in.normal[0], in.normal[1], in.normal[2]};
    };
    for (const geo_face_s &face : figure.mesh.faces) {
        const vertex_out v[3] = {project(figure.mesh.vertices[face.index[0]]),
                                 project(figure.mesh.vertices[face.index[1]]),
                                 project(figure.mesh.vertices[face.index[2]])};
        draw_triangle(rt, v, texture, lights, 2, f);
    }

    picture out(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            rgb sum{0, 0, 0};
            for (int k = 0; k < 16; ++k) {
                const rgb &c = rt.colour[size_t(y * 4 + k / 4) * S + x * 4 + k % 4];
                sum.r += c.r / 16;
                sum.g += c.g / 16;
                sum.b += c.b / 16;
            }
            out.set(x, y, packed(sum));
        }
    return out;
}

picture portrait_sheet(const std::vector<picture> &portraits)
{
    const int s = VOTE_PORTRAIT_SIZE;
    picture sheet(512, 256, 0x101018);
    for (size_t n = 0; n < portraits.size(); ++n)
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x)
                sheet.set(int(n % 8) * s + x, int(n / 8) * s + y, portraits[n].rgb(x, y));
    return sheet;
}

} // namespace imagegen
