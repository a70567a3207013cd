#include "tools/modelgen/figures.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace modelgen {

namespace {

constexpr float PI = ENGINE_PI;

// The skeleton's joints, in the order of player.skl, and their places in the bind pose.
enum { HIPS, SPINE, HEAD, ARM_L, ARM_R, LEG_L, LEG_R };
const char *const JOINTS[] = {"hips", "spine", "head", "arm_l", "arm_r", "leg_l", "leg_r"};
constexpr float SHOULDER_Y = 0.3f, SHOULDER_Z = 1.8f, HIP_Y = 0.15f, HIP_Z = 1.0f, HEAD_Z = 1.9f;
constexpr float CROTCH_Z = 0.865f;
// The collar and the shoulders get more of the trunk's rows than the hips.
constexpr float TRUNK_ROW_POWER = 0.55f;

// Skin, hair and clothes.
constexpr uint32_t PALE = 0xF3D5C0, FAIR = 0xEBC3A0, MEDIUM = 0xD9A77E, OLIVE = 0xC28F62, TAN = 0xA8724A,
                   BROWN = 0x85522F, DARK = 0x5C3720;
constexpr uint32_t BLACK_H = 0x1E1713, DARK_BROWN = 0x3A2416, BROWN_H = 0x6B4328, AUBURN = 0x8C3B1C,
                   GINGER = 0xC0602C, BLONDE = 0xDDBB72, PLATINUM = 0xEDE3C8, GREY = 0x9C9892, WHITE_H = 0xE0DEDA,
                   SALT = 0x5F5A55;

const contestant CONTESTANT_TABLE[CONTESTANTS] = {
    // female, age, girth, neck, head, skin, hair, eyes, style, top, jacket, tie, bottom, skirt, sleeves, shoes, glasses, beard
    {true, 34, 1.0f, 0.03f, 0.285f, FAIR, AUBURN, 0x3A6A3A, hair_style::bob, 0xA8C4EC, 0x20406E, 0, 0x20406E, true, true, 0x141414, false, 0},
    {false, 51, 1.3f, 0.01f, 0.3f, MEDIUM, SALT, 0x4A3420, hair_style::side_part, 0xDCE6F2, 0x3C3C44, 0x8C1C24, 0x3C3C44, false, true, 0x201810, true, 1},
    {true, 27, 0.88f, 0.045f, 0.28f, PALE, PLATINUM, 0x3A6AA0, hair_style::long_straight, 0xD83C64, 0, 0, 0x232838, false, false, 0xE8E8E8, false, 0},
    {false, 45, 1.12f, 0.02f, 0.305f, TAN, BLACK_H, 0x2A1A10, hair_style::buzz, 0x3C7A4A, 0, 0, 0xB8A888, false, false, 0x5A3A20, false, 2},
    {true, 23, 0.9f, 0.05f, 0.275f, BROWN, BLACK_H, 0x2A1A10, hair_style::curly, 0xF0C030, 0, 0, 0x3A5AA0, false, false, 0xF0F0F0, false, 0},
    {false, 62, 1.2f, 0.0f, 0.3f, PALE, WHITE_H, 0x5A7AA0, hair_style::fringe_bald, 0xF4F0E4, 0x6A4A30, 0x2A4A8A, 0x6A4A30, false, true, 0x2A1A10, true, 0},
    {true, 39, 1.15f, 0.02f, 0.29f, OLIVE, DARK_BROWN, 0x4A3420, hair_style::bun, 0x2E8C8C, 0, 0, 0x202020, true, true, 0x8C1C24, false, 0},
    {false, 30, 0.92f, 0.04f, 0.29f, FAIR, GINGER, 0x4A7A4A, hair_style::crop, 0xB0C8EC, 0x7A1E2A, 0, 0x1E2230, false, true, 0x101010, false, 0},
    {true, 48, 1.25f, 0.015f, 0.295f, MEDIUM, GREY, 0x4A3420, hair_style::bob, 0x7A3A8C, 0, 0, 0x303038, false, true, 0x202020, true, 0},
    {false, 19, 0.85f, 0.055f, 0.3f, OLIVE, BROWN_H, 0x3A2A18, hair_style::curly, 0xE05A28, 0, 0, 0x2A3A6A, false, false, 0xE0E0E0, false, 0},
    {true, 55, 1.08f, 0.01f, 0.29f, FAIR, 0x9A4A6A, 0x4A6A8A, hair_style::crop, 0x5A7A5A, 0x2A3A2A, 0, 0x2A3A2A, true, true, 0x3A2A20, true, 0},
    {false, 36, 1.0f, 0.03f, 0.295f, DARK, BLACK_H, 0x24160C, hair_style::buzz, 0xF0F0F0, 0x1A1A22, 0x1A1A22, 0x1A1A22, false, true, 0x0C0C0C, false, 0},
    {true, 29, 0.95f, 0.04f, 0.28f, TAN, BLACK_H, 0x24160C, hair_style::ponytail, 0x202430, 0xB02838, 0, 0xB02838, true, true, 0x1A1A1A, false, 0},
    {false, 42, 1.35f, 0.0f, 0.305f, FAIR, BROWN_H, 0x5A7A8A, hair_style::side_part, 0x8CA0C8, 0, 0, 0x4A4A52, false, false, 0x2A2020, false, 2},
    {true, 25, 0.87f, 0.0f, 0.265f, PALE, GINGER, 0x3A7A4A, hair_style::ponytail, 0x3AA05A, 0, 0, 0xD8D0C0, false, false, 0x6A4A2A, true, 0},
    {false, 58, 1.1f, 0.01f, 0.3f, BROWN, GREY, 0x3A2A18, hair_style::crop, 0xC8D8EC, 0x5A5A3A, 0x6A2A2A, 0x5A5A3A, false, true, 0x2A1A10, false, 1},
    {true, 33, 1.02f, 0.03f, 0.285f, MEDIUM, BLONDE, 0x4A6AA0, hair_style::long_straight, 0x1E2A4A, 0, 0, 0x1E2A4A, true, true, 0xC02030, false, 0},
    {false, 47, 1.15f, 0.02f, 0.3f, OLIVE, DARK_BROWN, 0x3A2A18, hair_style::fringe_bald, 0xA0C0E0, 0x2A3A5A, 0xC0A030, 0x2A3A5A, false, true, 0x1A1A1A, false, 1},
    {true, 21, 0.9f, 0.005f, 0.265f, DARK, DARK_BROWN, 0x24160C, hair_style::bun, 0xF07AA0, 0, 0, 0xF0F0F0, true, false, 0xF0C0D0, false, 0},
    {false, 64, 0.95f, 0.0f, 0.295f, PALE, WHITE_H, 0x6A8AA0, hair_style::side_part, 0xE0D8C8, 0x4A3A5A, 0x8A2A5A, 0x3A3A3A, false, true, 0x2A2020, true, 2},
    {true, 37, 1.18f, 0.02f, 0.29f, BROWN, BLACK_H, 0x24160C, hair_style::curly, 0xF2EEE4, 0x3A6A5A, 0, 0x3A6A5A, false, true, 0x1A1A1A, true, 0},
    {false, 31, 1.05f, 0.05f, 0.3f, MEDIUM, BLONDE, 0x4A6AA0, hair_style::side_part, 0x202020, 0, 0, 0x5A5A62, false, false, 0x202020, false, 0},
    {true, 44, 1.05f, 0.025f, 0.29f, OLIVE, AUBURN, 0x3A5A3A, hair_style::long_straight, 0x2A6A7A, 0x5A2A1A, 0, 0x3A2A20, false, true, 0x3A2A1A, false, 0},
    {false, 26, 0.9f, 0.045f, 0.285f, TAN, DARK_BROWN, 0x2A1A10, hair_style::crop, 0x3A70C0, 0, 0, 0x2A2A32, false, false, 0xF0F0F0, true, 2},
};

float smooth(float x)
{
    x = std::clamp(x, 0.0f, 1.0f);
    return x * x * (3.0f - 2.0f * x);
}

float lerp(float a, float b, float t) { return a + (b - a) * t; }

using influences = std::vector<std::pair<int, float>>;

// A closed surface of rings: ring i's point at turn theta (radians in [-pi, pi]), the centre
// normals turn away from, the texture row, and the vertex weights. A ring whose points
// coincide is a pole.
struct loft
{
    int rings;
    int segments;
    std::function<vec3(int, float)> point;
    std::function<vec3(int)> centre;
    std::function<float(int)> row;
    std::function<float(int, float)> u; // of a ring and a turn
    std::function<influences(const vec3 &)> weights;
};

vec3 cross(const vec3 &a, const vec3 &b)
{
    vec3 out;
    out.cross(a, b);
    return out;
}

vec3 unit(const vec3 &v, const vec3 &fallback)
{
    const float l = v.length();
    return l > 1e-7f ? v * (1.0f / l) : fallback;
}

void add_loft(figure_mesh &m, const std::string &name, int parent, const loft &s)
{
    const int R = s.rings, N = s.segments;
    std::vector<vec3> p(size_t(R) * N);
    std::vector<bool> pole(R);
    for (int i = 0; i < R; ++i) {
        float spread = 0;
        for (int j = 0; j < N; ++j) {
            p[i * N + j] = s.point(i, -PI + 2.0f * PI * j / N);
            spread = std::max(spread, (p[i * N + j] - p[i * N]).length());
        }
        pole[i] = spread < 1e-6f;
    }
    figure_piece piece{name, parent, uint32_t(m.mesh.vertices.size()), 0, uint32_t(m.mesh.faces.size()), 0};
    // One column more than the segments: the seam at the back carries u 0 and 1.
    auto index = [&](int i, int j) { return uint32_t(piece.first_vertex + i * (N + 1) + j); };
    std::vector<vec3> normals(size_t(R) * N);
    for (int i = 0; i < R; ++i) {
        for (int j = 0; j < N; ++j) {
            const vec3 &q = p[i * N + j];
            vec3 n;
            if (pole[i]) {
                n = unit(q - s.centre(i == 0 ? 1 : i - 1), {0, 0, 1});
            } else {
                const vec3 around = p[i * N + (j + 1) % N] - p[i * N + (j + N - 1) % N];
                const vec3 along = p[std::min(i + 1, R - 1) * N + j] - p[std::max(i - 1, 0) * N + j];
                const vec3 radial = q - s.centre(i);
                n = unit(cross(around, along), unit(radial, {0, 0, 1}));
                if (dot(n, radial) < 0)
                    n = -n;
            }
            normals[i * N + j] = n;
        }
        for (int j = 0; j <= N; ++j) {
            const float theta = -PI + 2.0f * PI * j / N;
            const vec3 &q = p[i * N + j % N];
            m.mesh.vertices.push_back(skinned_vertex(q, normals[i * N + j % N], s.u(i, theta),
                                                     1.0f - s.row(i) / FIGURE_TEXTURE_SIZE, s.weights(q)));
        }
    }
    auto face = [&](uint32_t a, uint32_t b, uint32_t c) {
        const auto &va = m.mesh.vertices[a].position, &vb = m.mesh.vertices[b].position,
                   &vc = m.mesh.vertices[c].position;
        const vec3 pa{va[0], va[1], va[2]}, pb{vb[0], vb[1], vb[2]}, pc{vc[0], vc[1], vc[2]};
        vec3 outward;
        for (uint32_t k : {a, b, c})
            outward += vec3{m.mesh.vertices[k].normal[0], m.mesh.vertices[k].normal[1], m.mesh.vertices[k].normal[2]};
        // Stored so that (p1 - p0) x (p2 - p0) points into the shape.
        if (dot(cross(pb - pa, pc - pa), outward) > 0)
            std::swap(b, c);
        m.mesh.faces.push_back({{a, b, c}});
    };
    for (int i = 0; i + 1 < R; ++i)
        for (int j = 0; j < N; ++j) {
            const uint32_t a = index(i, j), b = index(i, j + 1), c = index(i + 1, j + 1), d = index(i + 1, j);
            if (!pole[i])
                face(a, b, c);
            if (!pole[i + 1])
                face(a, c, d);
        }
    piece.vertex_count = uint32_t(m.mesh.vertices.size()) - piece.first_vertex;
    piece.face_count = uint32_t(m.mesh.faces.size()) - piece.first_face;
    m.pieces.push_back(piece);
}

influences rigid(int joint)
{
    return {{joint, 1.0f}};
}

struct head_shape
{
    float zc, ax, ay, az, cx;
};

head_shape head_of(const contestant &c)
{
    const float az = c.head / 2;
    return {HEAD_Z + c.neck + az, 0.39f * c.head * (c.female ? 0.97f : 1.0f), (c.female ? 0.33f : 0.345f) * c.head,
            az, 0.014f};
}

// Horizontal half-axes of the head at height parameter t.
void head_radii(const contestant &c, float t, float &rx, float &ry)
{
    const head_shape h = head_of(c);
    t = std::clamp(t, -1.0f, 1.0f);
    const float f = t >= 0 ? std::pow(1 - std::pow(t, 2.3f), 1 / 2.3f) : std::pow(1 - std::pow(-t, 2.6f), 1 / 2.6f);
    const float jaw = t < 0 ? 1 - (c.female ? 0.22f : 0.15f) * std::min(1.0f, -t / 0.9f) : 1.0f;
    rx = h.ax * f;
    ry = h.ay * f * jaw;
}

// The trunk below the chin: centre x and half-axes at height z, from a table of rings.
struct torso_ring
{
    float z, cx, rx, ry;
};

std::vector<torso_ring> torso_rings(const contestant &c)
{
    std::vector<torso_ring> r = {
        {CROTCH_Z, 0, 0, 0},   {0.885f, 0, .075f, .10f}, {0.93f, 0, .12f, .175f},  {1.0f, 0, .145f, .215f},
        {1.08f, 0, .14f, .2f}, {1.18f, .005f, .13f, .18f}, {1.3f, .01f, .135f, .19f}, {1.42f, .012f, .145f, .205f},
        {1.54f, .012f, .15f, .22f}, {1.64f, .008f, .145f, .24f}, {1.72f, 0, .13f, .27f}, {1.765f, -.005f, .118f, .3f},
        {1.8f, -.008f, .105f, .345f}, {1.832f, -.01f, .095f, .33f}, {1.853f, -.01f, .085f, .28f},
        {1.868f, -.008f, .075f, .2f},
        {1.89f, -.002f, .066f, .088f},
    };
    const float g = c.girth;
    for (torso_ring &k : r) {
        if (k.z <= 1.08f) {
            k.rx *= std::pow(g, 0.9f);
            k.ry *= std::pow(g, 0.9f);
        } else if (k.z <= 1.42f) {
            k.rx *= std::pow(g, c.female ? 1.1f : 1.6f);
            k.ry *= std::pow(g, 1.1f);
            if (!c.female)
                k.cx += (g - 1) * 0.09f * (1 - std::abs(k.z - 1.3f) / 0.2f);
        } else if (k.z <= 1.64f) {
            k.rx *= g;
            k.ry *= std::pow(g, 0.6f);
        } else if (k.z <= 1.8f) {
            k.ry *= std::pow(g, 0.15f);
            k.rx *= std::pow(g, 0.5f);
        } else {
            k.rx *= std::pow(g, 0.4f);
            k.ry *= std::pow(g, 0.4f);
        }
        if (c.female) {
            if (k.z == 1.0f || k.z == 0.93f)
                k.ry *= 1.1f, k.rx *= 1.03f;
            if (k.z == 1.18f)
                k.ry *= 0.86f, k.rx *= 0.92f;
            if (k.z == 1.3f)
                k.ry *= 0.9f;
            if (k.z == 1.42f)
                k.rx *= 1.1f, k.cx += 0.02f;
            if (k.z == 1.54f)
                k.rx *= 1.16f, k.cx += 0.03f;
            if (k.z == 1.72f || k.z == 1.765f || k.z == 1.8f)
                k.ry = std::max(k.ry * 0.95f, 0.272f);
            if (k.z == 1.832f || k.z == 1.853f)
                k.ry *= 0.96f;
            if (k.z >= 1.86f)
                k.rx *= 0.92f, k.ry *= 0.92f;
        }
    }
    return r;
}

torso_ring torso_at(const std::vector<torso_ring> &r, float z)
{
    for (size_t k = 1; k < r.size(); ++k)
        if (z <= r[k].z || k + 1 == r.size()) {
            const float t = std::clamp((z - r[k - 1].z) / (r[k].z - r[k - 1].z), 0.0f, 1.0f);
            return {z, lerp(r[k - 1].cx, r[k].cx, t), lerp(r[k - 1].rx, r[k].rx, t), lerp(r[k - 1].ry, r[k].ry, t)};
        }
    return r.back();
}

float chin_z(const contestant &c) { return HEAD_Z + c.neck; }

influences bend_weights(const contestant &c, float z)
{
    // The waist and the neck bend over a hand's breadth each.
    if (z < 0.98f)
        return rigid(HIPS);
    if (z < 1.26f) {
        const float s = smooth((z - 0.98f) / 0.28f);
        return {{HIPS, 1 - s}, {SPINE, s}};
    }
    const float neck_top = chin_z(c) - 0.005f;
    if (z < 1.856f)
        return rigid(SPINE);
    if (z < neck_top) {
        const float s = (z - 1.856f) / (neck_top - 1.856f);
        return {{SPINE, 1 - s}, {HEAD, s}};
    }
    return rigid(HEAD);
}

influences trunk_weights(const contestant &c, const vec3 &q)
{
    influences w = bend_weights(c, q.z);
    // The shoulders round over the arms' balls and move partly with the arm beneath, as a
    // shoulder does, so a raised arm does not come out of a fixed box.
    const float k = 0.6f * smooth((std::abs(q.y) - 0.17f) / 0.12f) * smooth((q.z - 1.66f) / 0.1f);
    if (k <= 0)
        return w;
    for (auto &joint : w)
        joint.second *= 1 - k;
    w.push_back({q.y > 0 ? ARM_L : ARM_R, k});
    return w;
}

const float HEAD_T[] = {-0.93f, -0.8f, -0.6f, -0.35f, -0.1f, 0.15f, 0.4f, 0.6f, 0.77f, 0.9f, 0.97f, 1.0f};

void add_trunk(figure_mesh &m, const contestant &c)
{
    const std::vector<torso_ring> torso = torso_rings(c);
    const int below = int(torso.size()) + 1; // the table and the neck's top
    const int head_rings = int(sizeof HEAD_T / sizeof HEAD_T[0]);
    const head_shape h = head_of(c);
    auto ring_of = [&](int i) -> torso_ring {
        if (i < int(torso.size()))
            return torso[i];
        if (i == int(torso.size()))
            return {chin_z(c) - 0.005f, .006f, .058f * (c.female ? 0.9f : 1.0f) * std::pow(c.girth, 0.4f),
                    .056f * (c.female ? 0.9f : 1.0f) * std::pow(c.girth, 0.4f)};
        torso_ring k;
        const float t = HEAD_T[i - below];
        k.z = h.zc + h.az * t;
        k.cx = h.cx;
        head_radii(c, t, k.rx, k.ry);
        return k;
    };
    loft s;
    s.rings = below + head_rings;
    s.segments = 20;
    s.point = [&](int i, float theta) {
        const torso_ring k = ring_of(i);
        return vec3{k.cx + k.rx * std::cos(theta), k.ry * std::sin(theta), k.z};
    };
    s.centre = [&](int i) {
        const torso_ring k = ring_of(i);
        return vec3{k.cx, 0, k.z};
    };
    s.row = [&](int i) {
        if (i >= below)
            return 0.5f + (1 - HEAD_T[i - below]) / 2 * 127;
        return 128.5f + std::pow((chin_z(c) - ring_of(i).z) / (chin_z(c) - CROTCH_Z), TRUNK_ROW_POWER) * 63;
    };
    s.u = [](int, float theta) { return trunk_u(theta); };
    s.weights = [&](const vec3 &q) { return trunk_weights(c, q); };
    add_loft(m, "trunk", -1, s);
}

enum { SWATCH_HAIR, SWATCH_SHOES, SWATCH_SKIN, SWATCH_SKIRT };

// u of a turn on a block of 64 columns, a texel in from each side so no neighbour bleeds in.
float swatch_u(int block, float theta) { return (block * 64 + 1 + 62 * (theta + PI) / (2 * PI)) / 256.0f; }

// A limb: rings at distances along an axis from the joint, an ellipse (r1 along e1, r2
// along e2) each.
struct limb_ring
{
    float d, r1, r2;
};

// The ring of a limb's profile at distance d, its radii scaled by k.
limb_ring profile_at(const std::vector<limb_ring> &rings, float d, float k)
{
    for (size_t i = 1; i < rings.size(); ++i)
        if (d <= rings[i].d || i + 1 == rings.size()) {
            const float t = std::clamp((d - rings[i - 1].d) / (rings[i].d - rings[i - 1].d), 0.0f, 1.0f);
            return {d, k * lerp(rings[i - 1].r1, rings[i].r1, t), k * lerp(rings[i - 1].r2, rings[i].r2, t)};
        }
    return rings.back();
}

void add_limb(figure_mesh &m, const std::string &name, int parent, const vec3 &joint, const vec3 &axis,
              const vec3 &e1, const vec3 &e2, const std::vector<limb_ring> &rings, const vec3 &shift,
              std::function<float(float)> row, int block, int bone)
{
    loft s;
    s.rings = int(rings.size());
    s.segments = 10;
    s.centre = [&](int i) { return joint + axis * rings[i].d + shift * std::clamp(rings[i].d / 0.15f, 0.0f, 1.0f); };
    s.point = [&](int i, float theta) {
        return s.centre(i) + e1 * (rings[i].r1 * std::cos(theta)) + e2 * (rings[i].r2 * std::sin(theta));
    };
    s.row = [&](int i) { return row(rings[i].d); };
    s.u = [block](int, float theta) { return swatch_u(block, theta); };
    s.weights = [bone](const vec3 &) { return rigid(bone); };
    add_loft(m, name, parent, s);
}

void add_arms(figure_mesh &m, const contestant &c)
{
    const float g = c.girth, ga = std::pow(g, 0.75f), R = (c.female ? 0.054f : 0.059f) * std::sqrt(g);
    const float lean = (3.0f + 14.0f * std::max(0.0f, g - 1.0f) + (c.female ? 2.0f : 0.0f)) * PI / 180;
    const float fa = c.female ? 0.9f : 1.0f, hand = c.female ? 0.9f : 1.0f;
    // The ball at the top is the deltoid, the upper arm tapers out of it.
    const std::vector<limb_ring> arm = {
        {-R, 0, 0},
        {-0.82f * R, .57f * R, .57f * R},
        {-0.45f * R, .89f * R, .89f * R},
        {0, .95f * R, R},
        {0.12f, std::max(.86f * R, .05f * ga * fa), std::max(.88f * R, .052f * ga * fa)},
        {0.26f, .048f * ga * fa, .05f * ga * fa},
        {0.4f, .044f * ga * fa, .045f * ga * fa},
        {0.47f, .047f * ga * fa, .046f * ga * fa},
        {0.58f, .04f * ga * fa, .039f * ga * fa},
        {WRIST, .029f * std::sqrt(ga) * hand, .03f * std::sqrt(ga) * hand},
        {0.73f, .043f * hand, .019f * hand},
        {0.8f, .049f * hand, .022f * hand},
        {0.86f, .043f * hand, .02f * hand},
        {0.9f, .028f * hand, .015f * hand},
        {0.925f, 0, 0},
    };
    // The sleeve ends in a hem a little wider than the arm; the skin below it (the hand, or
    // forearm and hand under a short sleeve) is a piece of its own that starts inside the
    // sleeve, so the sleeve's edge stays sharp at any distance.
    const float cuff = sleeve_end(c);
    std::vector<limb_ring> sleeve, skin;
    for (const limb_ring &k : arm)
        if (k.d < cuff - 0.03f)
            sleeve.push_back(k);
    sleeve.push_back(profile_at(arm, cuff - 0.03f, 1.06f));
    sleeve.push_back(profile_at(arm, cuff, 1.14f));
    sleeve.push_back(profile_at(arm, cuff + 0.003f, 0));
    skin.push_back(profile_at(arm, cuff - 0.06f, 0));
    skin.push_back(profile_at(arm, cuff - 0.05f, 0.85f));
    skin.push_back(profile_at(arm, cuff, 0.92f));
    for (const limb_ring &k : arm)
        if (k.d > cuff + 0.01f)
            skin.push_back(k);
    auto sleeve_row = [cuff](float d) {
        return 192.5f + std::clamp((d - ARM_TOP) / (cuff - ARM_TOP), 0.0f, 1.0f) * 47;
    };
    const float hand_top = cuff - 0.06f;
    auto skin_row = [hand_top](float d) { return 240.5f + (d - hand_top) / (ARM_END - hand_top) * 15; };
    for (int side : {1, -1}) {
        const vec3 joint{0, side * SHOULDER_Y, SHOULDER_Z};
        const vec3 axis{0, side * std::sin(lean), -std::cos(lean)};
        const vec3 out{0, side * std::cos(lean), side * std::sin(lean)};
        const int bone = side > 0 ? ARM_L : ARM_R;
        add_limb(m, side > 0 ? "arm_l" : "arm_r", 0, joint, axis, {1, 0, 0}, out, sleeve, {}, sleeve_row, 0, bone);
        add_limb(m, side > 0 ? "hand_l" : "hand_r", int(m.pieces.size()) - 1, joint, axis, {1, 0, 0}, out, skin, {},
                 skin_row, SWATCH_SKIN, bone);
    }
}

// An ellipsoid piece on a swatch: rings along `axis`, bottom-flattened below `floor_z`.
void add_ellipsoid(figure_mesh &m, const std::string &name, int parent, const vec3 &centre, const vec3 &axis,
                   const vec3 &e1, const vec3 &e2, float ra, float r1, float r2, int rings, int segments,
                   int swatch, std::function<influences(const vec3 &)> weights, float floor_z = -1e9f,
                   float lower_r1 = 0)
{
    loft s;
    s.rings = rings;
    s.segments = segments;
    auto a = [&](int i) { return -std::cos(PI * i / (rings - 1)); };
    s.centre = [&](int i) { return centre + axis * (ra * a(i)); };
    s.point = [&](int i, float theta) {
        const float f = std::sqrt(std::max(0.0f, 1 - a(i) * a(i)));
        const float c1 = std::cos(theta);
        const float k1 = (c1 < 0 && lower_r1 > 0) ? lower_r1 : r1;
        vec3 q = s.centre(i) + e1 * (k1 * f * c1) + e2 * (r2 * f * std::sin(theta));
        q.z = std::max(q.z, floor_z);
        return q;
    };
    s.row = [&](int i) { return 240.5f + 15.0f * i / (rings - 1); };
    s.u = [swatch](int, float theta) { return swatch_u(swatch, theta); };
    s.weights = std::move(weights);
    add_loft(m, name, parent, s);
}

void add_legs(figure_mesh &m, const contestant &c)
{
    const float g = c.girth, ga = std::pow(g, 0.75f), R = (c.female ? 0.095f : 0.092f) * std::pow(g, 0.8f);
    const float fl = c.female ? 0.92f : 1.0f;
    const std::vector<limb_ring> rings = {
        {-R, 0, 0},
        {-0.7f * R, .71f * R, .71f * R},
        {0, R, R},
        {0.1f, .97f * R, .97f * R},
        {0.25f, .84f * R, .84f * R},
        {0.42f, .06f * ga * fl, .058f * ga * fl},
        {0.5f, .064f * ga * fl, .06f * ga * fl},
        {0.62f, .06f * ga * fl, .056f * ga * fl},
        {0.76f, .044f * ga * fl, .042f * ga * fl},
        {ANKLE, .036f * std::sqrt(ga) * fl, .034f * std::sqrt(ga) * fl},
        {0.95f, .03f * fl, .028f * fl},
        {0.965f, 0, 0},
    };
    auto row = [](float d) { return 192.5f + (d - LEG_TOP) / (LEG_END - LEG_TOP) * 47; };
    for (int side : {1, -1}) {
        const int bone = side > 0 ? LEG_L : LEG_R;
        const vec3 joint{0, side * HIP_Y, HIP_Z};
        add_limb(m, side > 0 ? "leg_l" : "leg_r", 0, joint, {0, 0, -1}, {1, 0, 0}, {0, float(side), 0}, rings,
                 {0, -side * 0.012f, 0}, row, 1, bone);
        // The shoe: an ellipsoid along x with a flat sole on the ground.
        const int leg_piece = int(m.pieces.size()) - 1;
        const float half = c.female ? 0.125f : 0.135f;
        add_ellipsoid(m, side > 0 ? "foot_l" : "foot_r", leg_piece, {0.055f, side * 0.14f, 0.028f}, {1, 0, 0},
                      {0, 0, 1}, {0, float(side), 0}, half, c.female ? 0.045f : 0.055f, c.female ? 0.042f : 0.05f, 7,
                      8, SWATCH_SHOES, [bone](const vec3 &) { return rigid(bone); }, 0.0f, 0.028f);
    }
}

// The hair's thickness on the scalp and how far it falls from the widest part of the head.
struct hair_look
{
    float hairline[5]; // t at |theta| = 0, 40, 70, 110, 180 degrees
    float thickness;
    float hang; // 0: hugs the head below its widest part, 1: falls straight
};

hair_look hair_of(hair_style s)
{
    switch (s) {
    case hair_style::crop: return {{0.5f, 0.42f, 0.22f, 0.1f, -0.5f}, 0.014f, 0};
    case hair_style::side_part: return {{0.42f, 0.38f, 0.2f, 0.05f, -0.55f}, 0.024f, 0};
    case hair_style::buzz: return {{0.52f, 0.45f, 0.25f, 0.12f, -0.45f}, 0.006f, 0};
    case hair_style::fringe_bald: return {{1.2f, 1.2f, 0.3f, 0.2f, -0.45f}, 0, 0};
    case hair_style::bob: return {{0.3f, 0.25f, -0.6f, -0.85f, -0.9f}, 0.03f, 1};
    case hair_style::long_straight: return {{0.35f, 0.3f, -1.4f, -1.9f, -2.0f}, 0.028f, 1};
    case hair_style::ponytail: return {{0.45f, 0.4f, 0.15f, 0.0f, -0.45f}, 0.014f, 0};
    case hair_style::bun: return {{0.42f, 0.38f, 0.1f, -0.05f, -0.5f}, 0.016f, 0};
    case hair_style::curly: return {{0.4f, 0.3f, -0.1f, -0.35f, -0.6f}, 0.05f, 0.5f};
    }
    return {};
}

vec3 hair_point(const contestant &c, float theta, float t, float thickness, float hang)
{
    const head_shape h = head_of(c);
    float rx, ry;
    head_radii(c, t, rx, ry);
    if (t < 0) {
        float wx, wy;
        head_radii(c, 0, wx, wy);
        rx = lerp(rx, wx, hang);
        ry = lerp(ry, wy, hang);
    }
    // Pushed away from the head's centre by the thickness, so the crown stays one point.
    const vec3 centre{h.cx, 0, h.zc};
    const vec3 base{h.cx + rx * std::cos(theta), ry * std::sin(theta), h.zc + h.az * std::min(t, 1.0f)};
    return base + unit(base - centre, {0, 0, 1}) * thickness;
}

void add_hair(figure_mesh &m, const contestant &c)
{
    const hair_look look = hair_of(c.style);
    if (look.thickness <= 0)
        return;
    const head_shape h = head_of(c);
    const int K = 6;
    loft s;
    s.rings = K + 2; // the crown, K rings down to the hairline, and a pole inside the head
    s.segments = 20;
    s.centre = [&](int i) { return i <= K ? vec3{h.cx, 0, h.zc + h.az * (1 - 2.0f * i / K)} : vec3{h.cx, 0, h.zc}; };
    s.point = [&](int i, float theta) {
        if (i == K + 1)
            return vec3{h.cx, 0, h.zc};
        const float f = float(i) / K, low = hairline(c, theta);
        const float t = 1 - f * (1 - low);
        // The rim lies on the scalp where the hair ends on the head; hanging hair keeps its
        // thickness to the ends.
        const float rim = low > -0.5f ? -0.004f : look.thickness * 0.6f;
        const float thick = lerp(look.thickness, rim, f * f);
        return hair_point(c, theta, t, thick, look.hang);
    };
    s.row = [&](int i) { return 240.5f + 15.0f * std::min(i, K) / K; };
    s.u = [](int, float theta) { return swatch_u(SWATCH_HAIR, theta); };
    s.weights = [](const vec3 &) { return rigid(HEAD); };
    add_loft(m, "hair", 0, s);

    auto on_head = [](const vec3 &) { return rigid(HEAD); };
    if (c.style == hair_style::ponytail) {
        const vec3 back = head_point(c, PI, -0.35f);
        add_ellipsoid(m, "ponytail", 0, back + vec3{-0.03f, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, 0.13f, 0.045f,
                      0.04f, 6, 8, SWATCH_HAIR, on_head);
    } else if (c.style == hair_style::bun) {
        const vec3 top = head_point(c, PI, 0.55f);
        add_ellipsoid(m, "bun", 0, top + vec3{-0.03f, 0, 0.01f}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, 0.05f, 0.055f,
                      0.06f, 6, 8, SWATCH_HAIR, on_head);
    }
}

void add_face(figure_mesh &m, const contestant &c)
{
    auto on_head = [](const vec3 &) { return rigid(HEAD); };
    const head_shape h = head_of(c);
    const float nose = c.female ? 0.85f : 1.0f;
    const vec3 tip = head_point(c, 0, -0.2f);
    add_ellipsoid(m, "nose", 0, tip + vec3{-0.006f, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, 0.042f * nose,
                  0.026f * nose, 0.016f * nose, 6, 8, SWATCH_SKIN, on_head);
    const hair_look look = hair_of(c.style);
    if (look.hang > 0)
        return; // the hair covers the ears
    for (int side : {1, -1}) {
        const vec3 at = head_point(c, side * PI / 2, -0.12f);
        add_ellipsoid(m, side > 0 ? "ear_l" : "ear_r", 0, at + vec3{-0.012f, side * 0.003f, 0}, {0, 0, 1},
                      {1, 0, 0}, {0, 1, 0}, 0.034f * h.az / 0.145f, 0.02f, 0.01f, 5, 6, SWATCH_SKIN, on_head);
    }
}

void add_skirt(figure_mesh &m, const contestant &c)
{
    if (!c.skirt)
        return;
    const std::vector<torso_ring> torso = torso_rings(c);
    struct level
    {
        float z, scale, flare;
    };
    const level levels[] = {{1.16f, 0, 0},        {1.14f, 0.85f, 0},   {1.1f, 1.05f, 0}, {1.0f, 1.08f, 0},
                            {0.82f, 1.06f, 0.03f}, {0.58f, 1.0f, 0.07f}, {0.565f, 0.95f, 0.07f}, {0.565f, 0, 0}};
    const int n = int(sizeof levels / sizeof levels[0]);
    loft s;
    s.rings = n;
    s.segments = 16;
    s.centre = [&](int i) { return vec3{torso_at(torso, std::max(levels[i].z, 1.0f)).cx, 0, levels[i].z}; };
    s.point = [&](int i, float theta) {
        const torso_ring k = torso_at(torso, std::max(levels[i].z, 1.0f));
        const float rx = k.rx * levels[i].scale + levels[i].flare, ry = k.ry * levels[i].scale + levels[i].flare;
        return vec3{k.cx + rx * std::cos(theta), ry * std::sin(theta), levels[i].z};
    };
    s.row = [&](int i) { return 240.5f + 15.0f * i / (n - 1); };
    s.u = [](int, float theta) { return swatch_u(SWATCH_SKIRT, theta); };
    // The hem follows the legs halfway, so a step does not leave a leg through it.
    s.weights = [](const vec3 &q) -> influences {
        const float w = 0.5f * std::clamp((1.0f - q.z) / 0.42f, 0.0f, 1.0f);
        const float left = smooth(0.5f + q.y / 0.3f);
        return {{HIPS, 1 - w}, {LEG_L, w * left}, {LEG_R, w * (1 - left)}};
    };
    add_loft(m, "skirt", 0, s);
}

} // namespace

const contestant &contestant_of(int portrait) { return CONTESTANT_TABLE[std::clamp(portrait, 0, CONTESTANTS - 1)]; }

vec3 head_point(const contestant &c, float theta, float t)
{
    const head_shape h = head_of(c);
    float rx, ry;
    head_radii(c, t, rx, ry);
    return {h.cx + rx * std::cos(theta), ry * std::sin(theta), h.zc + h.az * std::clamp(t, -1.0f, 1.0f)};
}

float hairline(const contestant &c, float theta)
{
    const hair_look look = hair_of(c.style);
    const float deg = std::abs(theta) * 180 / PI, at[5] = {0, 40, 70, 110, 180};
    for (int k = 1; k < 5; ++k)
        if (deg <= at[k])
            return lerp(look.hairline[k - 1], look.hairline[k], smooth((deg - at[k - 1]) / (at[k] - at[k - 1])));
    return look.hairline[4];
}

// The face gets about 1.8 times the texels of a plain turn, the back of the head the rest.
constexpr float FACE_WARP = 0.8f;

float trunk_u(float theta)
{
    const float s = theta / PI;
    return 0.5f + 0.5f * (s + FACE_WARP * std::sin(PI * s) / PI);
}

float trunk_theta(float u)
{
    float lo = -PI, hi = PI;
    for (int k = 0; k < 40; ++k) {
        const float mid = (lo + hi) / 2;
        (trunk_u(mid) < u ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

float sleeve_end(const contestant &c) { return c.long_sleeves ? 0.655f : 0.34f; }

float trunk_row_z(const contestant &c, float row)
{
    return chin_z(c) - std::pow(std::clamp((row - 128.5f) / 63, 0.0f, 1.0f), 1 / TRUNK_ROW_POWER) * (chin_z(c) - CROTCH_Z);
}

figure_mesh build_figure(const contestant &c)
{
    figure_mesh m;
    for (const char *j : JOINTS)
        m.mesh.tags.push_back(j);
    add_trunk(m, c);
    add_arms(m, c);
    add_legs(m, c);
    add_face(m, c);
    add_hair(m, c);
    add_skirt(m, c);
    return m;
}

} // namespace modelgen
