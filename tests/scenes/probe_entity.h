// A location entity for tests (script class "probe" once registered): every activation it
// receives is recorded as "<id>:<parameter>@<time of its last tick>".
#pragma once

#include "scenes/location.h"
#include "kernel/scripts.h"

#include <cstdio>
#include <string>
#include <vector>

inline std::vector<std::string> &probe_activations()
{
    static std::vector<std::string> entries;
    return entries;
}

class probe_entity_c : public location_entity_c
{
public:
    using location_entity_c::location_entity_c;
    void on_activate(abstract_c *, int parameter) override
    {
        char entry[96];
        std::snprintf(entry, sizeof entry, "%s:%d@%g", m_id, parameter, m_time);
        probe_activations().push_back(entry);
    }
    // Registers the class and forgets what earlier tests recorded.
    static void start()
    {
        static bool registered = false;
        if (!registered)
            register_creator("probe", make_object<probe_entity_c>);
        registered = true;
        probe_activations().clear();
    }
};
