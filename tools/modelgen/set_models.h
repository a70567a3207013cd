// The studio set's pieces as static meshes: the contestants' podiums and their lamp panels,
// the floor, the backdrop, the big screen, the audience's tiers and the light rig. Each piece
// comes in model space as the location scripts place it (z up, a podium's front towards +x,
// the direction its figure faces); texture coordinates address the regions of the atlases
// tools/imagegen/set_textures.h paints.
//
// Sizes the location generator relies on (tools/locationgen/studio_seats.h): a figure stands
// on its podium's platform, PODIUM_TOP above the floor; the lectern in front of it reaches
// PODIUM_DESK; the lamp panel covers the lectern's front.
#pragma once

#include "tools/modelgen/modelgen.h"

#include <string>
#include <vector>

namespace modelgen {

constexpr float PODIUM_TOP = 0.6f;
constexpr float PODIUM_RADIUS = 0.9f;
constexpr float PODIUM_DESK = 1.95f;
// The lectern's front face (x) and its half width (y).
constexpr float LECTERN_FRONT = 0.8f;
constexpr float LECTERN_HALF_WIDTH = 0.45f;

// Appends the triangle p0 p1 p2 with texture coordinates, wound to face `normal` (which it
// also gets as its vertices' normal).
void add_facing_triangle(static_desc &d, const vec3 p[3], const vec2 uv[3], const vec3 &normal);
// The quad o, o + u, o + u + v, o + v facing u x v, its corners mapped onto the texture
// rectangle from uv0 to uv1 (uv0 at o, uv1 at o + u + v).
void add_mapped_quad(static_desc &d, const vec3 &o, const vec3 &u, const vec3 &v, const vec2 &uv0, const vec2 &uv1);

struct set_piece
{
    std::string path; // under the models directory, e.g. "pillar/pillar.geo"
    static_desc mesh;
};

// Every piece, in the order make_set_models writes them.
std::vector<set_piece> studio_set_pieces();

size_t triangle_count(const static_desc &d);

} // namespace modelgen
