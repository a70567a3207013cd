// The fixed skeleton that the skinned-geometry harness binds its inputs to, and the seed
// geometry made for it: the seeds name its joints, so that mutations start from files that
// bind.
#pragma once

#include "tools/modelgen/modelgen.h"

#include <string>
#include <vector>

namespace fuzz {

// Five joints in two frames: frame 1 turns the spine and bends both arms.
inline modelgen::skeleton_desc seed_skeleton()
{
    using namespace modelgen;
    const std::vector<joint_desc> joints = {{"root", -1}, {"spine", 0}, {"arm_l", 1}, {"arm_r", 1}, {"head", 1}};
    const std::vector<matrix_c> bind = {matrix_identity, translation({0, 0, 1}), translation({0, 0.5f, 0.8f}),
                                        translation({0, -0.5f, 0.8f}), translation({0, 0, 1.2f})};
    std::vector<matrix_c> moved = bind;
    moved[1] = product(rotation('z', 0.5f), bind[1]);
    moved[2] = product(rotation('x', 1.0f), bind[2]);
    moved[3] = product(rotation('x', -1.0f), bind[3]);
    return {joints, {bind, moved}};
}

inline modelgen::bytes seed_skeleton_file()
{
    return modelgen::skeleton_file(seed_skeleton());
}

// Two boxes on the spine and the head.
inline modelgen::skinned_desc seed_boxes()
{
    modelgen::skinned_desc d;
    modelgen::add_skinned_box(d, {-0.2f, -0.2f, 0}, {0.2f, 0.2f, 1}, 0);
    modelgen::add_skinned_box(d, {-0.1f, -0.1f, 1.5f}, {0.1f, 0.1f, 1.8f}, 1);
    d.tags = {"spine", "head"};
    return d;
}

// Four vertices with zero to four influences.
inline modelgen::skinned_desc seed_blended()
{
    using modelgen::skinned_vertex;
    modelgen::skinned_desc d;
    d.vertices = {skinned_vertex({0, 0, 0}, {1, 0, 0}, 0, 0, {{0, 1.0f}}),
                  skinned_vertex({0, 1, 1}, {0, 1, 0}, 1, 0, {{0, 0.5f}, {1, 0.5f}}),
                  skinned_vertex({1, 0, 1}, {0, 0, 1}, 0, 1, {{0, 0.25f}, {1, 0.25f}, {2, 0.25f}, {3, 0.25f}}),
                  skinned_vertex({1, 1, 1}, {0, 0, 1}, 1, 1, {})};
    d.faces = {{{0, 1, 2}}, {{1, 3, 2}}};
    d.tags = {"arm_l", "arm_r", "root", "head"};
    return d;
}

} // namespace fuzz
