// Movers: entities that move another entity of the location (a locator, camera or model, named
// by the required attribute `movetarget`).
//
// Activation (parameter ignored) first sends loctn_mover_new_activate (PCHAR target id) to the
// parent, which every mover sees: each running mover of that target stops and reports "finish"
// (the activated mover too, when it runs). Then the mover starts: it reports "start", takes the
// target's placement (loctn_loctr_get_pos) and from then on, every tick while it runs, sends the
// target its new placement (loctn_loctr_set_pos). The target is looked up by id at every send.
// A start that fails (an error of the mover's attributes) leaves the mover stopped.
//
// path_mover ("path_mover", attribute `path`, a move path of scenes/loctn_movepath.h): from
// pivot to pivot on a cubic curve per segment (start and end velocities the pivots' tangents,
// lasting the pivot's time), angles turned linearly along the shortest way; reports "pivot"
// with the pivot's feedback_param on leaving it. Time past a pivot is not carried into the next
// segment. An open path ends on its last pivot (sent once more, then "finish"); a cyclic path
// goes on round. The path must be a completed move path.
//
// interp_mover ("interp_mover"): to `dest_position` and `dest_angles` along the straight line,
// the distance on a cubic curve and the angles on smooth_step. Timing, read at each start:
// `time` alone (>= 0.01 s, else "Invalid travel time in '<id>'"; zero speed at both ends), or
// `speed0` and `speed1` (start and end speed, neither negative and not both 0, else "Invalid
// speeds in '<id>'"; the time is distance / mean speed); anything else throws "Invalid
// time/speed combination in '<id>'". A journey shorter than 0.01 s ends on the first tick.
//
// accelerated_mover ("accelerated_mover"): `velocity`, `accel`, `avelocity` (radians per second)
// required, `position` and `angles` optional starting values; each tick of frame time dt the
// position moves by dt x velocity, then the velocity grows by dt x accel, and the angles by dt x
// avelocity. It runs until something stops it.
//
// stopper ("stopper"): its activation only stops the movers of its target.
#pragma once

#include "basics/cubic.h"
#include "basics/vec3.h"
#include "scenes/location.h"

class movepath_c;

class mover_c : public location_entity_c
{
public:
    mover_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void on_tick() override;
    void on_activate(abstract_c *sender, int parameter) override;

    void stop();
    int active() const { return m_active; }
    const placement &working_placement() const { return m_placement; }

protected:
    virtual void on_start() { feedback("start", 0); }
    // Non-zero when the working placement is to be sent to the target.
    virtual int step() { return 0; }
    virtual void on_finish() { feedback("finish", 0); }
    // The target's placement into the working placement.
    void fetch_placement();

    int m_active;
    const char *m_movetarget;
    placement m_placement;
    int m_stop_only;
};

class path_mover_c : public mover_c
{
public:
    path_mover_c(abstract_c *parent, const attribute_list_c *attributes);
    int pivot_index() const { return m_index; }

protected:
    void on_start() override;
    int step() override;

private:
    void start_segment();

    movepath_c *m_path;
    int m_index;
    cubic3_c m_curve;
    vec3 m_start_angles;
    vec3 m_end_angles;
    float m_segment_start;
    float m_segment_end;
};

class interp_mover_c : public mover_c
{
public:
    using mover_c::mover_c;

protected:
    void on_start() override;
    int step() override;

private:
    vec3 m_dest_position;
    vec3 m_dest_angles;
    vec3 m_start_position;
    vec3 m_start_angles;
    float m_start_time = 0.0f;
    float m_end_time = 0.0f;
    vec3 m_direction;
    cubic_c m_distance;
};

class accelerated_mover_c : public mover_c
{
public:
    accelerated_mover_c(abstract_c *parent, const attribute_list_c *attributes);

protected:
    void on_start() override;
    int step() override;

private:
    int m_has_position;
    int m_has_angles;
    vec3 m_start_position;
    vec3 m_velocity;
    vec3 m_accel;
    vec3 m_start_angles;
    vec3 m_avelocity;
    vec3 m_current_velocity;
};

class stopper_c : public mover_c
{
public:
    stopper_c(abstract_c *parent, const attribute_list_c *attributes);
};
