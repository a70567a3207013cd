#include "tools/modelgen/set_models.h"

#include <cmath>

namespace modelgen {

namespace {

constexpr float TURN = 2.0f * ENGINE_PI;

vec3 cross(const vec3 &a, const vec3 &b)
{
    vec3 c;
    c.cross(a, b);
    return c;
}

vec3 on_circle(float radius, float angle, float z)
{
    return {radius * std::cos(angle), radius * std::sin(angle), z};
}

// A texture region: corners uv0 and uv1.
struct region
{
    vec2 a, b;
};

// A box whose six sides all show `r`; the bottom shows `bottom` instead.
void add_mapped_box(static_desc &d, const vec3 &lo, const vec3 &hi, const region &r, const region &bottom)
{
    const vec3 s = hi - lo;
    add_mapped_quad(d, {hi.x, lo.y, lo.z}, {0, s.y, 0}, {0, 0, s.z}, r.a, r.b);
    add_mapped_quad(d, {hi.x, hi.y, lo.z}, {-s.x, 0, 0}, {0, 0, s.z}, r.a, r.b);
    add_mapped_quad(d, {lo.x, hi.y, lo.z}, {0, -s.y, 0}, {0, 0, s.z}, r.a, r.b);
    add_mapped_quad(d, {lo.x, lo.y, lo.z}, {s.x, 0, 0}, {0, 0, s.z}, r.a, r.b);
    add_mapped_quad(d, {lo.x, lo.y, hi.z}, {s.x, 0, 0}, {0, s.y, 0}, r.a, r.b);
    add_mapped_quad(d, {lo.x, hi.y, lo.z}, {s.x, 0, 0}, {0, -s.y, 0}, bottom.a, bottom.b);
}

// An upright strip of quads on an arc round the z axis facing the centre (and, with
// `both_sides`, away from it too), each quad showing the whole region.
void add_arc_wall(static_desc &d, float radius, float from, float to, int segments, float z0, float z1, const region &r,
                  bool both_sides)
{
    for (int s = 0; s < segments; ++s) {
        const float a0 = from + (to - from) * float(s) / float(segments);
        const float a1 = from + (to - from) * float(s + 1) / float(segments);
        const vec3 p0 = on_circle(radius, a0, z0), p1 = on_circle(radius, a1, z0);
        // Seen from the centre, a0 lies to the right of a1 when the arc runs anticlockwise.
        add_mapped_quad(d, p1, p0 - p1, {0, 0, z1 - z0}, {r.a.x, r.b.y}, {r.b.x, r.a.y});
        if (both_sides)
            add_mapped_quad(d, p0, p1 - p0, {0, 0, z1 - z0}, {r.a.x, r.b.y}, {r.b.x, r.a.y});
    }
}

// ---- the pieces ----

static_desc podium()
{
    static_desc d;
    const region side{{0.0f, 0.5f}, {0.5f, 0.0f}};
    const region lectern{{0.0f, 1.0f}, {1.0f, 0.5f}};
    // The platform: an octagonal drum the figure stands on.
    constexpr int SIDES = 8;
    for (int s = 0; s < SIDES; ++s) {
        const float a0 = TURN * (float(s) + 0.5f) / SIDES, a1 = TURN * (float(s) + 1.5f) / SIDES;
        const vec3 p0 = on_circle(PODIUM_RADIUS, a0, 0.0f), p1 = on_circle(PODIUM_RADIUS, a1, 0.0f);
        add_mapped_quad(d, p0, p1 - p0, {0, 0, PODIUM_TOP}, side.a, side.b);
        // The top, mapped onto the right upper quarter: a ring of light round a dark centre.
        const vec3 top[3] = {{0, 0, PODIUM_TOP}, {p0.x, p0.y, PODIUM_TOP}, {p1.x, p1.y, PODIUM_TOP}};
        vec2 uv[3];
        for (int k = 0; k < 3; ++k)
            uv[k] = {0.75f + 0.25f * top[k].x / PODIUM_RADIUS, 0.25f - 0.25f * top[k].y / PODIUM_RADIUS};
        add_facing_triangle(d, top, uv, {0, 0, 1});
    }
    // The lectern in front of the figure, chest high, its front the lamp panel's place.
    add_mapped_box(d, {LECTERN_FRONT - 0.3f, -LECTERN_HALF_WIDTH, PODIUM_TOP},
                   {LECTERN_FRONT, LECTERN_HALF_WIDTH, PODIUM_DESK}, lectern, lectern);
    d.locators.push_back({"top", translation({0, 0, PODIUM_TOP})});
    return d;
}

// The lamp panel on the lectern's front, `depth` in front of it, and a strip over its desk
// (the coloured panels stand in front of the white one, so that a lit colour hides it).
static_desc lamp_panel(float depth)
{
    static_desc d;
    const float x = LECTERN_FRONT + depth, w = LECTERN_HALF_WIDTH - 0.05f;
    add_mapped_quad(d, {x, -w, PODIUM_TOP + 0.15f}, {0, 2 * w, 0}, {0, 0, PODIUM_DESK - PODIUM_TOP - 0.3f}, {0, 1},
                    {1, 0});
    // The desk's top lit as well, which a camera at the contestant's eye level sees.
    const float z = PODIUM_DESK + depth / 2;
    add_mapped_quad(d, {LECTERN_FRONT - 0.28f, -w, z}, {0.26f, 0, 0}, {0, 2 * w, 0}, {0, 1}, {1, 0});
    return d;
}

static_desc floor_disc()
{
    static_desc d;
    constexpr int SEGMENTS = 32;
    constexpr float EDGE = 15.0f;
    const float rings[] = {0.0f, 1.5f, 3.2f, 4.8f, 7.0f, 10.0f, EDGE};
    auto uv = [](const vec3 &p) { return vec2{0.5f + p.x / (2 * EDGE), 0.5f - p.y / (2 * EDGE)}; };
    for (size_t r = 0; r + 1 < std::size(rings); ++r)
        for (int s = 0; s < SEGMENTS; ++s) {
            const float a0 = TURN * float(s) / SEGMENTS, a1 = TURN * float(s + 1) / SEGMENTS;
            const vec3 i0 = on_circle(rings[r], a0, 0), i1 = on_circle(rings[r], a1, 0);
            const vec3 o0 = on_circle(rings[r + 1], a0, 0), o1 = on_circle(rings[r + 1], a1, 0);
            const vec3 t0[3] = {i0, o0, o1};
            const vec2 u0[3] = {uv(i0), uv(o0), uv(o1)};
            add_facing_triangle(d, t0, u0, {0, 0, 1});
            if (r > 0) {
                const vec3 t1[3] = {i0, o1, i1};
                const vec2 u1[3] = {uv(i0), uv(o1), uv(i1)};
                add_facing_triangle(d, t1, u1, {0, 0, 1});
            }
        }
    // The eight seats on the circle of radius 4, each facing the centre.
    for (int i = 0; i < 8; ++i) {
        const float turn = TURN * float(i) / 8;
        d.locators.push_back({"seat" + std::to_string(i),
                              product(rotation('z', turn + ENGINE_PI), translation(on_circle(4.0f, turn, 0)))});
    }
    d.locators.push_back({"centre", translation({0, 0, 0})});
    return d;
}

static_desc backdrop()
{
    static_desc d;
    const float reach = 105.0f * ENGINE_PI / 180.0f;
    add_arc_wall(d, 12.5f, -reach, reach, 14, 0.0f, 7.5f, {{0, 0}, {1, 1}}, false);
    return d;
}

// The big screen over the backdrop's middle, facing the open side (-x).
static_desc show_screen()
{
    static_desc d;
    constexpr float W = 3.6f, Z0 = 2.4f, Z1 = 6.2f, X = 11.4f;
    // Seen from the stage, +y is on the right.
    add_mapped_quad(d, {X, W, Z0}, {0, -2 * W, 0}, {0, 0, Z1 - Z0}, {1, 1}, {0, 0});
    return d;
}

// Three tiers of seated people at the open side, seen from the stage and from behind.
static_desc audience()
{
    static_desc d;
    const float from = 130.0f * ENGINE_PI / 180.0f, to = 230.0f * ENGINE_PI / 180.0f;
    for (int tier = 0; tier < 3; ++tier) {
        const float r = 12.0f + 1.3f * float(tier), z = 0.55f * float(tier);
        add_arc_wall(d, r, from, to, 8, z, z + 1.3f, {{0, 0}, {1, 1}}, true);
    }
    return d;
}

// An octagonal truss over the stage with lamp cans hanging from it.
static_desc light_rig()
{
    static_desc d;
    const region truss{{0.0f, 0.0f}, {0.5f, 1.0f}};
    const region lamp{{0.5f, 0.0f}, {1.0f, 1.0f}};
    constexpr int SIDES = 8;
    constexpr float R = 7.5f, Z = 8.0f, T = 0.3f;
    for (int s = 0; s < SIDES; ++s) {
        const float a = TURN * float(s) / SIDES + TURN / 16;
        // A beam along the side, built along x and turned into place.
        const float half = R * std::sin(TURN / 16) + T;
        const vec3 c = on_circle(R * std::cos(TURN / 16), a, Z);
        static_desc beam;
        add_mapped_box(beam, {-T / 2, -half, -T / 2}, {T / 2, half, T / 2}, truss, truss);
        const float ca = std::cos(a), sa = std::sin(a);
        for (geo_vertex_s v : beam.vertices) {
            const vec3 p{v.position[0], v.position[1], v.position[2]}, n{v.normal[0], v.normal[1], v.normal[2]};
            const vec3 q{c.x + p.x * ca - p.y * sa, c.y + p.x * sa + p.y * ca, c.z + p.z};
            const vec3 m{n.x * ca - n.y * sa, n.x * sa + n.y * ca, n.z};
            d.vertices.push_back(static_vertex(q, m, v.u, v.v));
        }
        const uint32_t base = uint32_t(d.vertices.size() - beam.vertices.size());
        for (geo_face_s f : beam.faces)
            d.faces.push_back({{f.index[0] + base, f.index[1] + base, f.index[2] + base}});
        // Two cans under each side, their faces lit.
        for (float along : {-0.5f, 0.5f}) {
            const vec3 p = c + vec3{-sa, ca, 0} * (along * half);
            add_mapped_box(d, {p.x - 0.2f, p.y - 0.2f, Z - T / 2 - 0.55f}, {p.x + 0.2f, p.y + 0.2f, Z - T / 2}, truss,
                           lamp);
        }
    }
    return d;
}

} // namespace

void add_facing_triangle(static_desc &d, const vec3 p[3], const vec2 uv[3], const vec3 &normal)
{
    const uint32_t base = uint32_t(d.vertices.size());
    vec3 n = normal;
    n.normalize();
    // Pictures are painted top row first, and the texture's v runs up from their bottom row.
    for (int k = 0; k < 3; ++k)
        d.vertices.push_back(static_vertex(p[k], n, uv[k].x, 1.0f - uv[k].y));
    // Stored so that (p1 - p0) x (p2 - p0) points into the shape, as the meshes expect.
    if (dot(cross(p[1] - p[0], p[2] - p[0]), n) < 0.0f)
        d.faces.push_back({{base, base + 1, base + 2}});
    else
        d.faces.push_back({{base, base + 2, base + 1}});
}

void add_mapped_quad(static_desc &d, const vec3 &o, const vec3 &u, const vec3 &v, const vec2 &uv0, const vec2 &uv1)
{
    const vec3 n = cross(u, v);
    const vec3 a[3] = {o, o + u, o + u + v};
    const vec2 ta[3] = {uv0, {uv1.x, uv0.y}, uv1};
    add_facing_triangle(d, a, ta, n);
    const vec3 b[3] = {o, o + u + v, o + v};
    const vec2 tb[3] = {uv0, uv1, {uv0.x, uv1.y}};
    add_facing_triangle(d, b, tb, n);
}

std::vector<set_piece> studio_set_pieces()
{
    return {
        {"pillar/pillar.geo", podium()},
        {"lamp_white/lamp.geo", lamp_panel(0.02f)},
        {"lamp_green/lamp.geo", lamp_panel(0.04f)},
        {"lamp_red/lamp.geo", lamp_panel(0.04f)},
        {"studio/floor.geo", floor_disc()},
        {"backdrop/backdrop.geo", backdrop()},
        {"show_screen/screen.geo", show_screen()},
        {"audience/audience.geo", audience()},
        {"light_rig/rig.geo", light_rig()},
    };
}

size_t triangle_count(const static_desc &d)
{
    return d.faces.size();
}

} // namespace modelgen
