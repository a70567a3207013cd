// Model file generators: build the bytes of ".skl", ".sgm" and ".geo" files from a small
// description, for the tests and the demo models. Names longer than 31 characters fill the
// whole 32-byte field without a terminating zero (at most 32 are kept); counts and contents
// are written as given, unchecked, so tests can describe broken files too.
//
// Winding: the shape helpers store each triangle so that (p1 - p0) x (p2 - p0) points into
// the shape; the meshes draw a face (a, b, c) as (b, a, c), which makes it face outward for
// the engine's culling.
#pragma once

#include "basics/matrix.h"
#include "basics/vec3.h"
#include "importers/skeleton.h"
#include "importers/skinned_geo.h"
#include "importers/static_geo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace modelgen {

using bytes = std::vector<uint8_t>;

struct joint_desc
{
    std::string name;
    int parent; // -1 for a root
};

struct skeleton_desc
{
    std::vector<joint_desc> joints;
    // frames[f][j]: joint j relative to its parent in frame f.
    std::vector<std::vector<matrix_c>> frames;
};

struct skinned_desc
{
    std::vector<sgeo_vertex_s> vertices;
    std::vector<geo_face_s> faces;
    std::vector<std::string> tags;
};

struct locator_desc
{
    std::string name;
    matrix_c matrix;
};

struct static_desc
{
    std::vector<geo_vertex_s> vertices;
    std::vector<geo_face_s> faces;
    std::vector<locator_desc> locators;
};

bytes skeleton_file(const skeleton_desc &d);
bytes skinned_file(const skinned_desc &d);
bytes static_file(const static_desc &d);
// Writes the bytes to path, making its directories; false on failure.
bool write_file(const std::string &path, const bytes &data);

// Matrices in the engine's row-vector convention.
matrix_c translation(const vec3 &t);
// A turn by `radians` about the x, y or z axis ('x', 'y', 'z'), right-handed.
matrix_c rotation(char axis, float radians);
matrix_c scaling(const vec3 &s);
matrix_c product(const matrix_c &a, const matrix_c &b);

// One vertex bound to up to four (tag, weight) pairs.
sgeo_vertex_s skinned_vertex(const vec3 &position, const vec3 &normal, float u, float v,
                             const std::vector<std::pair<int, float>> &influences);
geo_vertex_s static_vertex(const vec3 &position, const vec3 &normal, float u, float v);

// An axis-aligned box: 24 vertices (four per side, normals outward) and 12 faces.
void add_box(static_desc &d, const vec3 &minimum, const vec3 &maximum);
// A flat strip of `quads` quads from origin, each `along` long and `across` wide, facing
// normal = along x across (a floor or a wall); u runs along the strip, v across it.
void add_quad_strip(static_desc &d, const vec3 &origin, const vec3 &along, const vec3 &across, int quads);
// The same box bound wholly to one joint tag.
void add_skinned_box(skinned_desc &d, const vec3 &minimum, const vec3 &maximum, int tag);

} // namespace modelgen
