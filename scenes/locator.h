// Locators and location models.
//
// locator_c ("locator"): a named placement; attributes `position` and `angles` (vec3,
// required), the scale stays (1,1,1). Answers loctn_loctr_set_pos (VEC3 position, angles,
// scale: set_placement) and loctn_loctr_get_pos (PTR to a placement, copied out).
//
// location_model_c ("model"): a locator that owns one model instance of the model manager.
// The model comes from `player_index` (model and part from the location's player list) or
// from `model_name` (and the optional `model_part_name`); `accept_shadows`, `shadow_size`,
// `visible` and `lighting` are required. With `master_id` (and `master_locator`) the model
// hangs on that model entity's locator. The model adds the attribute `model_interface` (PTR to
// its imodel_c, null after shutdown) that other entities read; a script giving it as well
// fails with the duplicate-attribute error.
//   location_mdl_play_gest (PCHAR name, FLOAT time): plays it and reports (name, 1); with
//     time > 0 the next idle gesture starts that many seconds later, else once it has passed.
//   location_mdl_show (INT), location_mdl_alpha (FLOAT): passed to the model (answer 0).
//   location_mdl_pick (PTR int best index, PTR float best distance, VEC3 origin, VEC3
//     direction): models with `pick_index` test their sphere (`pick_offset`, `pick_radius`)
//     against the ray and keep the nearest centre (answer 0, so every model sees the ray).
// Idle gestures: "idle_gesture%i" with "idle_gest%i_weight" and "idle_gest%i_time", i from 0
// consecutively, at most 16; chosen by weight through the engine generator, never the one just
// played while another has a positive weight. Every gesture the model starts is reported
// (name, 1), and (name, 0) once the model reports it passed.
#pragma once

#include <memory>

#include "basics/vec3.h"
#include "scenes/location.h"
#include "services/imodel.h"

constexpr int MAX_IDLE_GESTURES = 16;

class locator_c : public location_entity_c
{
public:
    locator_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    virtual void set_placement(const placement &p);
    const placement &get_placement() const { return m_placement; }

protected:
    placement m_placement;
};

class location_model_c : public locator_c
{
public:
    location_model_c(abstract_c *parent, const attribute_list_c *attributes);
    ~location_model_c() override;
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void on_tick() override;
    void set_placement(const placement &p) override;

    imodel_c *model() const { return m_model.get(); }
    int idle_count() const { return m_idle_count; }
    float next_idle_time() const { return m_next_idle_time; }
    const char *current_gesture() const { return m_current_gesture; }

private:
    void load();
    void play_requested(const char *name, float time);
    void choose_idle();
    void pick(int *best_index, float *best_distance, const vec3 &origin, const vec3 &direction);

    imodel_mgr_c m_mgr;
    std::unique_ptr<imodel_c> m_model;
    int m_idle_count;
    float m_next_idle_time;
    // Points into a long-lived text: an attribute of an entity or of this model.
    const char *m_current_gesture;
    int m_last_idle;
    attribute_c m_model_interface;
};
