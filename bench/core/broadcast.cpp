// The main loop's tick: the broadcast of `tick` (seconds since start, seconds since the last
// tick) from the root through 10,000 objects, then the collection of dead objects, against a
// std::vector of 10,000 objects that each get one virtual call with the same two numbers and
// are then checked for removal. Every object adds the frame time to its own clock, as
// animation and movers do.
//
//   flat      10,000 children of the root
//   10 deep   1,000 chains of 10 objects below the root
#include "bench/core/bench_util.h"
#include "bench/core/broadcast_ref.h"
#include "kernel/abstract.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace bench;

class tick_node_c final : public abstract_c
{
public:
    explicit tick_node_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(tick))
            m_clock += msg_arg(1)->get_float();
        return 0;
    }
    float m_clock = 0;
};

constexpr int OBJECTS = 10000;
constexpr int TICKS = 200;

double per_object(double seconds) { return seconds * 1e9 / (double(TICKS) * OBJECTS); }

void run(const char *what, int depth, int rounds)
{
    abstract_c *root = new abstract_c(nullptr);
    for (int chain = 0; chain < OBJECTS / depth; ++chain) {
        abstract_c *parent = root;
        for (int level = 0; level < depth; ++level)
            parent = new tick_node_c(parent);
    }
    std::vector<std::unique_ptr<ref_node>> nodes;
    for (int i = 0; i < OBJECTS; ++i)
        nodes.push_back(make_ref_node());

    float start = 0;
    const std::vector<double> t = alternate(rounds, {
        [&] {
            for (int i = 0; i < TICKS; ++i) {
                start += 0.016f;
                root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(start), MSG_ARG(0.016f), MSG_ARGS_END);
                root->collect_dead_children();
            }
        },
        [&] {
            for (int i = 0; i < TICKS; ++i) {
                start += 0.016f;
                for (auto &n : nodes)
                    n->tick(start, 0.016f);
                std::erase_if(nodes, [](const std::unique_ptr<ref_node> &n) { return n->dead; });
            }
        },
    });
    report(what, per_object(t[0]), per_object(t[1]), "ns", "vector", "<= 1.5");
    delete root;
}

} // namespace

int main(int argc, char **argv)
{
    // Fewer rounds for a run under callgrind (0: the one round that warms the caches).
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 31;
    if (rounds < 0 || rounds > 1000) {
        std::fprintf(stderr, "usage: bench_broadcast [rounds]\n");
        return 2;
    }
    run("tick through 10,000 objects, flat, an object", 1, rounds);
    run("tick through 10,000 objects, 10 deep, an object", 10, rounds);
    return 0;
}
