// One render pass of the model manager over 1024 renderables on the recording device, against
// sorting 1024 plain structs by the same keys (priority, then farthest first). The camera
// turns a little every pass, so distances change and the order shifts as in a game.
#include <algorithm>
#include <cmath>
#include <vector>

#include "basics/helpers.h"
#include "bench_common.h"
#include "services/manager_model.h"

namespace {

class bench_model_c : public renderable_entity_c
{
public:
    explicit bench_model_c(manager_model_c *manager) : renderable_entity_c(manager, nullptr, nullptr) {}
    void render() override
    {
        apply_lighting();
        m_manager->d3d()->set_world_matrix(m_world);
    }
    void place(const vec3 &p, int blended)
    {
        m_position = p;
        m_angles = vec3{0.0f, p.x * 0.01f, 0.0f};
        if (blended)
            m_alpha = 128;
        update_blend();
    }
};

struct plain_s
{
    int priority;
    float distance;
};

} // namespace

int main()
{
    auto *root = new abstract_c(nullptr);
    d3d_service_c *d3d = bench_d3d(root);
    recording_device_c *rec = recording_d3d_device(d3d->device());
    auto *mgr = new manager_model_c(root, nullptr);

    engine_srand(7);
    for (int i = 0; i < MAX_RENDERABLES; ++i) {
        auto *m = new bench_model_c(mgr);
        m->place(vec3{random_signed() * 200.0f, random_signed() * 200.0f, random_signed() * 20.0f}, i % 5 == 0);
    }

    float yaw = 0.0f;
    const double pass = best_seconds_per_call(7, 300, [&] {
        yaw += 0.01f;
        mgr->set_view(vec3_zero, vec3{0.0f, yaw, 0.0f}, 90.0f);
        mgr->render();
        rec->clear_log();
    });

    // The same keys, in the table's order, for as many camera turns as one timed round makes;
    // only the copy and the sort are timed.
    const int calls = 300;
    std::vector<std::vector<plain_s>> key_sets(calls, std::vector<plain_s>(MAX_RENDERABLES));
    for (int k = 0; k < calls; ++k) {
        yaw += 0.01f;
        const vec3 axis{std::cos(yaw), std::sin(yaw), 0.0f};
        for (int i = 0; i < mgr->slot_count(); ++i) {
            const renderable_entity_c *r = mgr->slot(i).instance;
            key_sets[k][i] = plain_s{r->priority(), dot(r->position(), axis)};
        }
    }
    std::vector<plain_s> work(MAX_RENDERABLES);
    int k = 0;
    const double sort = best_seconds_per_call(7, calls, [&] {
        work = key_sets[k++ % calls];
        std::sort(work.begin(), work.end(), [](const plain_s &a, const plain_s &b) {
            return a.priority != b.priority ? a.priority < b.priority : a.distance > b.distance;
        });
    });

    const int over = print_ratio("model render pass, 1024 renderables", pass, "sorting 1024 plain structs", sort,
                                 "us", 1e6, 3.0);
    root->shutdown_tree();
    delete root;
    return over;
}
