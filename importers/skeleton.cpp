#include "importers/skeleton.h"

#include "kernel/exception.h"

#include <string>
#include <vector>

namespace {

constexpr size_t SKELETON_HEADER = 16;

// True when every parent is -1 or a joint index other than the joint's own, and every chain
// of parents ends at a root.
bool parents_form_trees(const skl_joint_s *joints, uint32_t count)
{
    enum { UNSEEN, ON_PATH, REACHES_ROOT };
    std::vector<uint8_t> state(count, UNSEEN);
    std::vector<uint32_t> path;
    for (uint32_t j = 0; j < count; ++j) {
        uint32_t walker = j;
        path.clear();
        for (;;) {
            if (state[walker] == REACHES_ROOT)
                break;
            if (state[walker] == ON_PATH)
                return false;
            state[walker] = ON_PATH;
            path.push_back(walker);
            const int32_t parent = joints[walker].parent;
            if (parent == -1)
                break;
            if (parent < 0 || uint32_t(parent) >= count)
                return false;
            walker = uint32_t(parent);
        }
        for (uint32_t k : path)
            state[k] = REACHES_ROOT;
    }
    return true;
}

} // namespace

void skeleton_c::load(const char *name)
{
    ENGINE_ASSERT(!m_joints_info && !m_transforms);
    model_file_c file(name, SKELETON_HEADER, "skeleton");
    file.expect_magic("Skel");
    const uint32_t frames = file.u32(8);
    const uint32_t joints = file.u32(12);
    file.expect_length(SKELETON_HEADER, {{joints, sizeof(skl_joint_s)},
                                         {uint64_t(joints) * frames, sizeof(matrix_c)}});
    auto info = file.copy_array<skl_joint_s>(SKELETON_HEADER, joints);
    if (!parents_form_trees(info.get(), joints))
        file.invalid();
    m_transforms = file.copy_array<matrix_c>(SKELETON_HEADER + sizeof(skl_joint_s) * joints, joints * frames);
    m_joints_info = std::move(info);
    m_frames_count = frames;
    m_joints_count = joints;
}

int skeleton_c::find_joint(const char *name) const
{
    ENGINE_ASSERT(m_joints_info);
    return find_named(m_joints_info.get(), m_joints_count, name);
}

int skeleton_c::joint_index(const char *name) const
{
    const int j = find_joint(name);
    if (j < 0)
        ENGINE_THROW(exception_c, std::string("Joint '") + name + "' not found");
    return j;
}
