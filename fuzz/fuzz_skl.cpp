// Skeletons: the input is a ".skl" file. The reader's result is walked (every joint found by
// its name), then a skeleton instance computes every frame's matrices and poses are blended
// between the first, middle and last frames.
#include "fuzz/fuzz_support.h"
#include "importers/models.h"
#include "kernel/exception.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char *const skeleton_name = "models/input.skl";

void read_joints()
{
    skeleton_c skeleton(skeleton_name);
    for (uint32_t j = 0; j < skeleton.joints_count(); ++j) {
        const std::string name = model_name_text(skeleton.joint(j).name);
        const int found = skeleton.find_joint(name.c_str());
        if (found < 0 || uint32_t(found) > j) {
            std::fprintf(stderr, "fuzz_skl: joint %u is not found by its name\n", j);
            std::abort();
        }
    }
}

void pose()
{
    skeleton_instance_c skeleton(skeleton_name, matrix_c());
    const unsigned last = skeleton.frames_count() - 1;
    skeleton.set_pose(0, last, 0.25f);
    skeleton.set_pose(last / 2, last, 1.0f);
    float sum = 0;
    for (uint32_t j = 0; j < skeleton.joints_count(); ++j)
        sum += skeleton.current_skin_matrices()[j].m[3][0] + skeleton.current_joint_matrices()[j].m[3][2];
    fuzz::keep(sum);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data(skeleton_name, data, size);
    try {
        read_joints();
        pose();
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
    return 0;
}
