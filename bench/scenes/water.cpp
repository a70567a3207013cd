// The water's tick and draw for the largest pool of the demo location, per tick, against a
// plain loop that writes as many vertices into an array with the same waves and colours, half
// of them recomputed as the surface does. The demo location's water entities are run alone, in
// a location of their own made in a temporary directory beside the demo's templates.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_common.h"
#include "kernel/root.h"
#include "kernel/scripts.h"
#include "scenes/creators.h"
#include "scenes/location.h"
#include "scenes/water.h"
#include "services/manager_model.h"
#include "tests/services/models/texture_stub.h"

namespace {

water_resource_c *largest_pool(abstract_c *location)
{
    water_resource_c *best = nullptr;
    for (abstract_c *c = location->first_child(); c; c = c->next_sibling())
        if (auto *w = dynamic_cast<water_c *>(c))
            if (!best || w->surface()->vertices_count() > best->vertices_count())
                best = w->surface();
    return best;
}

} // namespace

// The "create water { ... };" statements of a script.
std::string water_statements(const std::string &script)
{
    std::string out;
    for (size_t at = script.find("create water"); at != std::string::npos; at = script.find("create water", at)) {
        const size_t end = script.find("};", at);
        if (end == std::string::npos)
            break;
        out += script.substr(at, end + 2 - at) + "\n";
        at = end;
    }
    return out;
}

int main()
{
    const std::filesystem::path demo = std::filesystem::path(ENGINE_BINARY_DIR) / "demo" / "data";
    std::stringstream script;
    script << std::ifstream(demo / "locations" / "demo.isc", std::ios::binary).rdbuf();
    std::string dir = (std::filesystem::temp_directory_path() / "bench_water_XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        std::fprintf(stderr, "bench_water: no temporary directory\n");
        return 2;
    }
    std::filesystem::create_directories(std::filesystem::path(dir) / "data" / "locations");
    std::filesystem::copy(demo / "scripts", std::filesystem::path(dir) / "data" / "scripts");
    std::ofstream(std::filesystem::path(dir) / "data" / "locations" / "pools.isc", std::ios::binary)
        << water_statements(script.str());
    std::filesystem::current_path(dir);
    kernel_register_creators();
    scenes_register_creators();
    scripts_c scripts;
    auto *root = new abstract_c(nullptr);
    d3d_service_c *d3d = bench_d3d(root);
    recording_device_c *rec = recording_d3d_device(d3d->device());
    new texture_stub_c(root);
    scripts.execute_script("scripts/templates.isc", nullptr, 1);
    new manager_model_c(root, nullptr);
    auto *location = new location_c(root, "pools", {});
    water_resource_c *pool = largest_pool(location);
    if (!pool) {
        std::fprintf(stderr, "bench_water: the demo location has no water\n");
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::filesystem::remove_all(dir);
        return 2;
    }
    const int count = pool->vertices_count();
    d3d->set_camera(placement{vec3(-20, 0, 4), vec3(0.3f, 0, 0), vec3_one}, 90);

    const int ticks = 2000;
    float time = 0.0f;
    const double engine = best_seconds_per_call(7, ticks, [&] {
        time += 0.016f;
        pool->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(time), MSG_ARG(0.016f), MSG_ARGS_END);
        d3d->begin_scene();
        pool->render();
        d3d->end_scene();
        rec->clear_log();
    });

    // The same vertices in a plain array.
    const water_params_s &p = pool->params();
    const auto *source = reinterpret_cast<const lit_vertex_s *>(
        reinterpret_cast<const d3d_buffer_c *>(pool->vertex_buffer())->bytes().data());
    std::vector<lit_vertex_s> out(source, source + count);
    const vec3 eye = d3d->camera().position;
    int frame = 0;
    const double plain = best_seconds_per_call(7, ticks, [&] {
        time += 0.016f;
        ++frame;
        for (int i = 0; i < count; ++i) {
            lit_vertex_s &v = out[i];
            if (i % 2 != frame % 2) {
                float z = p.center.z, slope = 0.0f;
                for (const water_wave_s &w : WATER_WAVES) {
                    const float phase = time * w.t + v.x * w.x + v.y * w.y;
                    z += w.amplitude * std::sin(phase);
                    slope += w.amplitude * w.x * std::cos(phase);
                }
                const float inv = 1.0f / std::sqrt(slope * slope + 1.0f);
                v.z = z;
                v.nx = -slope * inv;
                v.nz = inv;
                const float ex = eye.x - v.x, ey = eye.y - v.y, ez = eye.z - z;
                float t = ((ex * v.nx + ez * v.nz) / std::sqrt(ex * ex + ey * ey + ez * ez) - 0.25f) * 1.5f;
                t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
                const vec3 c = p.color_tangent + (p.color_straight - p.color_tangent) * t;
                v.diffuse = d3d_color(c.x, c.y, c.z, (1.0f - t) * p.alpha_tangent + t * p.alpha_straight);
            }
            v.u = (v.x - p.center.x) * p.texture_factor / p.width_x;
            v.v = (v.y - p.center.y) * p.texture_factor / p.width_y;
        }
        asm volatile("" : : "r"(out.data()) : "memory");
    });

    char what[96];
    std::snprintf(what, sizeof what, "water tick and draw, %d vertices", count);
    const int over = print_ratio(what, engine, "plain loop over as many vertices", plain, "us per tick", 1e6, 4.0);
    root->shutdown_tree();
    delete root;
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);
    return over;
}
