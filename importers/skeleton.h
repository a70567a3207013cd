// The skeleton file reader (".skl", magic "Skel", version 1): J joint records (a 32-byte
// name and the parent's index, -1 for a root) and F frames of J matrices, each the joint's
// placement relative to its parent in that frame, frame-major. The file must be exactly
// 16 + J (36 + 64 F) bytes long.
// Every parent must be -1 or another joint's index, and following parents from any joint
// must reach a root; anything else is refused as an invalid header, so the walks over the
// chains always end. A reader is empty or loaded, all or nothing: a failed load leaves it
// empty, loading a loaded reader is an assertion failure.
#pragma once

#include "basics/matrix.h"
#include "importers/model_file.h"

#include <cstdint>
#include <memory>

struct skl_joint_s
{
    char name[MODEL_NAME_SIZE];
    int32_t parent;
};
static_assert(sizeof(skl_joint_s) == 36, "a joint record is 36 bytes");

class skeleton_c
{
public:
    skeleton_c() = default;
    explicit skeleton_c(const char *name) { load(name); }
    virtual ~skeleton_c() = default;
    skeleton_c(const skeleton_c &) = delete;
    skeleton_c &operator=(const skeleton_c &) = delete;

    void load(const char *name);

    // The first joint whose name is exactly `name`, or -1.
    int find_joint(const char *name) const;
    // As find_joint, but an unknown name throws "Joint '<name>' not found".
    int joint_index(const char *name) const;

    uint32_t frames_count() const { return m_frames_count; }
    uint32_t joints_count() const { return m_joints_count; }
    const skl_joint_s &joint(uint32_t j) const { return m_joints_info[j]; }
    // The file matrix of joint j in frame f; null once a skeleton instance has used them.
    const matrix_c *transforms() const { return m_transforms.get(); }

protected:
    uint32_t m_frames_count = 0;
    uint32_t m_joints_count = 0;
    std::unique_ptr<skl_joint_s[]> m_joints_info;
    std::unique_ptr<matrix_c[]> m_transforms;
};
