// Static geometry: the input is a ".geo" file. Every vertex, face and locator of the reader is
// read (each locator found by its name), then a static mesh builds its buffers on the
// recording device and answers for every locator, and a shadow receiver cuts it into its tree
// of cells (cluster 1), whose leaves must index only their own vertices.
#include "fuzz/d3d_stand.h"
#include "fuzz/fuzz_support.h"
#include "importers/models.h"
#include "kernel/exception.h"
#include "services/manager_model_shadow.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char *const geometry_name = "models/input.geo";

[[noreturn]] void fault(const char *what, uint32_t k)
{
    std::fprintf(stderr, "fuzz_geo: %s (%u)\n", what, k);
    std::abort();
}

void read_all()
{
    static_geometry_c geometry(geometry_name);
    float sum = 0;
    for (uint32_t i = 0; i < geometry.vertices_count(); ++i) {
        vec3 position, normal;
        vec2 uv;
        geometry.get_vertex(i, &position, &normal, &uv);
        sum += position.x + normal.y + uv.x;
    }
    for (uint32_t f = 0; f < geometry.faces_count(); ++f)
        for (uint32_t index : geometry.face(f).index)
            if (index >= geometry.vertices_count())
                fault("a face names no vertex", f);
    for (uint32_t k = 0; k < geometry.locators_count(); ++k) {
        const std::string name = model_name_text(geometry.locator(k).name);
        const int found = geometry.find_locator(name.c_str());
        if (found < 0 || uint32_t(found) > k)
            fault("a locator is not found by its name", k);
        sum += geometry.locator(k).matrix.m[3][1];
    }
    fuzz::keep(sum);
}

void check_leaves(const shadow_receiver_c::node_s &node)
{
    for (int k = 0; k < 4; ++k) {
        if (node.nodes[k])
            check_leaves(*node.nodes[k]);
        if (const shadow_receiver_c::leaf_s *leaf = node.leaves[k].get()) {
            if (leaf->verts.size() != size_t(leaf->verts_count) || leaf->faces.size() != size_t(leaf->faces_count) * 3)
                fault("a shadow leaf's counts differ from its arrays", uint32_t(k));
            for (int index : leaf->faces)
                if (index < 0 || index >= leaf->verts_count)
                    fault("a shadow leaf's face names no vertex of the leaf", uint32_t(index));
        }
    }
}

void build_mesh()
{
    static_mesh_c mesh(fuzz::d3d_stand(), geometry_name, matrix_c(1.0f));
    for (uint32_t k = 0; k < mesh.locators_count(); ++k)
        mesh.locator_matrix(model_name_text(mesh.locator(k).name).c_str());
    shadow_receiver_c receiver(fuzz::d3d_stand(), mesh, shadow_params_s{1.0f, 1.5f, 2.0f, "shadow"});
    check_leaves(receiver.root());
}

} // namespace

void fuzz::harness_setup()
{
    fuzz::texture_stand();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data(geometry_name, data, size);
    try {
        read_all();
        build_mesh();
    } catch (const exception_c &e) {
        fuzz::refused(e);
    }
    fuzz::empty_manager(fuzz::texture_stand());
    fuzz::d3d_stand_clear_log();
    return 0;
}
