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

} // namespace fuzz
