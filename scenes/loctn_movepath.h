// Move paths: pivots in the scene that a path mover (scenes/loctn_movers.h) follows.
//
// Script shape:
//     create movepath { string id = "p"; int cyclic = 0; [float epsilon = 0.01;] } children : {
//         create movepath_pivot { int jog; vec3 position; vec3 angles; float speed;
//                                 float time; int feedback_param; };   (all required)
//         ...
//         create movepath_finish { };
//     };
// Each movepath_pivot object, on construction, sends its parent movepath_pivot (INT 0); the
// path appends a record of its attributes (a negative speed throws "Invalid pivot speed
// '<id>'", a completed path "Adding pivot to completed path '<id>'"). movepath_finish sends
// movepath_pivot (INT 1): the path is completed (a second time throws "Path already completed
// '<id>'"). A path answers movepath_check_out, so that movers can tell it from other entities.
//
// Completing computes what the pivots leave open. Neighbours: the next pivot N and the previous
// R, wrapping round on a cyclic path; an open path's ends lack one. A pivot's time (seconds to
// the next pivot) when not > 0 is |N - P| / ((speed of N + speed of P) / 2); tangents are
// velocities (units per second, of length the pivot's speed): a smooth pivot has one, along
// N - R (or along the one segment it has), a jog pivot one per segment. Lengths below `epsilon`
// count as none (a zero tangent). Failures, each followed by the id and "'": "Too few pivots
// in path '" (fewer than 2), "Jog pivot must have both neighbours in path '", "Invalid time in
// path '" (no time and no next pivot: the last of an open path needs a time > 0), "Invalid time
// & positions in path '" (no time, and the next pivot at the same place or both speeds 0).
#pragma once

#include <vector>

#include "basics/vec3.h"
#include "scenes/location.h"

// One pivot of a path.
struct path_pivot
{
    int flags; // bit 0: jog pivot
    vec3 position;
    vec3 angles;
    float speed;
    vec3 out_tangent;
    vec3 in_tangent;
    float time;
    int feedback_param;
};
static_assert(sizeof(path_pivot) == 64, "a pivot record is 64 bytes");

constexpr int PIVOT_JOG = 1;

class movepath_c : public location_entity_c
{
public:
    movepath_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    void add_pivot(abstract_c *pivot_object);
    void finish();
    // The pivot at index (asserted to exist).
    const path_pivot &pivot(int index) const;
    // The pivot after index: on a cyclic path the first after the last; an open path's last
    // pivot has none (asserted).
    const path_pivot &next_pivot(int index) const;
    int pivot_count() const { return (int)m_pivots.size(); }
    int cyclic() const { return m_cyclic; }
    int completed() const { return m_completed; }

private:
    float m_epsilon;
    int m_cyclic;
    int m_completed;
    std::vector<path_pivot> m_pivots;
};

// A pivot of its parent path, added when it is made.
class movepath_pivot_c : public abstract_c
{
public:
    movepath_pivot_c(abstract_c *parent, const attribute_list_c *attributes);
};

// Completes its parent path when it is made.
class movepath_finish_c : public abstract_c
{
public:
    movepath_finish_c(abstract_c *parent, const attribute_list_c *attributes);
};
