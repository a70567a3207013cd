// The reference of the broadcast benchmark: objects with one virtual tick. The class that
// overrides it lives in its own source, so that the calls stay virtual calls, as the tree's
// calls of handle_message are.
#pragma once

#include <memory>

struct ref_node
{
    virtual ~ref_node() = default;
    virtual void tick(float since_start, float since_previous) = 0;
    bool dead = false;
};

std::unique_ptr<ref_node> make_ref_node();
