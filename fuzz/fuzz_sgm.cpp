// Skinned geometry: the input is a ".sgm" file, bound to a fixed skeleton (the joints the seed
// files name, in two frames). Every joint tag of the reader is read, then a skinned mesh
// prepares its vertices and index buffer on the recording device and is skinned in two poses
// into a vertex buffer and into memory.
#include "fuzz/d3d_stand.h"
#include "fuzz/fuzz_seed_models.h"
#include "fuzz/fuzz_support.h"
#include "importers/models.h"
#include "kernel/exception.h"
#include "platform/d3d/d3d8.h"
#include "services/srvc_d3d.h"

#include <memory>
#include <vector>

namespace {

const char *const geometry_name = "models/input.sgm";

skeleton_instance_c *g_skeleton = nullptr;

void read_tags()
{
    skinned_geometry_c geometry(geometry_name);
    for (uint32_t k = 0; k < geometry.joint_tags_count(); ++k)
        model_name_text(geometry.joint_tag(k).name);
}

void skin()
{
    skinned_mesh_c mesh(fuzz::d3d_stand(), geometry_name, g_skeleton);
    g_skeleton->set_pose(0, 1, 0.5f);
    IDirect3DVertexBuffer8 *buffer = mesh.create_vertex_buffer();
    try {
        mesh.fill_vertex_buffer(buffer);
    } catch (...) {
        buffer->Release();
        throw;
    }
    buffer->Release();
    g_skeleton->set_pose(1, 1, 0.0f);
    std::vector<lit_vertex_s> out(mesh.vertices_count());
    mesh.skin(out.data());
}

} // namespace

void fuzz::harness_setup()
{
    const modelgen::bytes skeleton = fuzz::seed_skeleton_file();
    fuzz::put_data("models/fixed.skl", skeleton.data(), skeleton.size());
    g_skeleton = new skeleton_instance_c("models/fixed.skl", modelgen::translation({0, 0, 1}));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data(geometry_name, data, size);
    try {
        read_tags();
        skin();
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
    fuzz::d3d_stand_clear_log();
    return 0;
}
