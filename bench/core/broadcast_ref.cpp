#include "bench/core/broadcast_ref.h"

namespace {

struct ref_tick_node final : ref_node
{
    void tick(float, float since_previous) override { m_clock += since_previous; }
    float m_clock = 0;
};

} // namespace

std::unique_ptr<ref_node> make_ref_node() { return std::make_unique<ref_tick_node>(); }
