// Posing and CPU skinning of eight demo players for 1000 ticks (the game's heaviest per-tick
// work), in nanoseconds per skinned vertex, against a plain loop that blends the same vertices
// with the same skin matrices. Runs in the built demo data (build directory/demo).
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_common.h"
#include "importers/models.h"
#include "kernel/scripts.h"
#include "services/manager_model_anim_res.h"
#include "tests/services/models/texture_stub.h"


int main()
{
    std::filesystem::current_path(std::filesystem::path(ENGINE_BINARY_DIR) / "demo");
    scripts_c scripts;
    auto *root = new abstract_c(nullptr);
    bench_d3d(root);
    new texture_stub_c(root);
    scripts.execute_script("scripts/templates.isc", nullptr, 1);
    auto *mgr = new manager_model_c(root, nullptr);

    const char *gestures[] = {"idle_1",      "idle_2",      "correct_1", "correct_2",
                              "incorrect_1", "incorrect_2", "idle_1",    "pressing_key"};
    std::vector<skelanim_resource_c *> players;
    for (const char *g : gestures) {
        abstract_c *res = nullptr;
        mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG("models/player"), MSG_ARG(0),
                     MSG_ARGS_END);
        players.push_back(static_cast<skelanim_resource_c *>(res));
        // Each a contestant of its own, as in a round.
        const int n = int(players.size()) - 1;
        players.back()->switch_part(("contestant" + std::to_string(n)).c_str(), 1);
        players.back()->play_gesture(g);
    }
    std::vector<skinned_mesh_c *> bodies;
    double vertices_per_tick = 0;
    for (size_t p = 0; p < players.size(); ++p) {
        bodies.push_back(players[p]->anim()->part_geometry(players[p]->active_parts()[0].part_index));
        vertices_per_tick += bodies.back()->vertices_count();
    }

    const int ticks = 1000;
    const double engine = best_seconds_per_call(5, 1, [&] {
        for (int t = 0; t < ticks; ++t)
            root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(0.0f), MSG_ARG(0.016f), MSG_ARGS_END);
    }) / (ticks * vertices_per_tick);

    // The same vertices and the same current skin matrices, blended by a plain loop.
    const matrix_c *skin = players[0]->anim()->skeleton()->current_skin_matrices();
    std::vector<lit_vertex_s> out(bodies[0]->vertices_count());
    for (const skinned_mesh_c *body : bodies)
        out.resize(std::max<size_t>(out.size(), body->vertices_count()));
    const double plain = best_seconds_per_call(5, 1, [&] {
        for (int t = 0; t < ticks; ++t) {
            for (const skinned_mesh_c *body : bodies) {
                const sgeo_vertex_s *in = body->prepared_vertices();
                for (uint32_t i = 0; i < body->vertices_count(); ++i) {
                    const sgeo_vertex_s &v = in[i];
                    float px = 0, py = 0, pz = 0, nx = 0, ny = 0, nz = 0;
                    for (int k = 0; k < v.influences; ++k) {
                        const matrix_c &m = skin[v.joints[k]];
                        const float w = v.weights[k];
                        const float *a = v.position, *n = v.normal;
                        px += w * (a[0] * m[0][0] + a[1] * m[1][0] + a[2] * m[2][0] + m[3][0]);
                        py += w * (a[0] * m[0][1] + a[1] * m[1][1] + a[2] * m[2][1] + m[3][1]);
                        pz += w * (a[0] * m[0][2] + a[1] * m[1][2] + a[2] * m[2][2] + m[3][2]);
                        nx += w * (n[0] * m[0][0] + n[1] * m[1][0] + n[2] * m[2][0]);
                        ny += w * (n[0] * m[0][1] + n[1] * m[1][1] + n[2] * m[2][1]);
                        nz += w * (n[0] * m[0][2] + n[1] * m[1][2] + n[2] * m[2][2]);
                    }
                    out[i] = lit_vertex_s{px, py, pz, nx, ny, nz, 0xFFFFFFFF, v.u, v.v};
                }
                asm volatile("" : : "r"(out.data()) : "memory");
            }
        }
    }) / (ticks * vertices_per_tick);

    const int over = print_ratio("posing and skinning 8 demo players", engine, "plain blend loop", plain,
                                 "ns per vertex", 1e9, 1.5);
    root->shutdown_tree();
    delete root;
    return over;
}
