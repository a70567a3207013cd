// The camera and the camera operator.
//
// camera_c ("camera"): a locator (scenes/locator.h) with a full field of view in degrees (`fov`,
// required). On construction and on every tick it gives the model manager its view
// (model_mgr_set_view: position, angles, fov), so the scene has the view of the camera ticked
// last. It answers, after the locator's messages:
//   loctn_cam_set_fov (FLOAT fov, FLOAT time): time > 0 eases the fov from the value in effect
//     to the new one along smooth_step over `time` seconds of the tick clock, replacing a
//     change that runs; otherwise the fov changes at once;
//   loctn_cam_set_lookat (PTR entity or null): while the entity lives, every tick turns the
//     camera towards the position it reports (loctn_loctr_get_pos; (0,0,0) when it does not
//     answer) with roll 0; null, or the entity's death, stops the turning and keeps the angles.
//
// camera_operator_c ("camera_operator"): on activation drives the camera entity `camera`:
// `fov` (optional) sets its fov over `fov_time` seconds (absent: at once); `look_at` names the
// entity to follow, and without it the camera stops following. Ids are looked up at each
// activation; one the location lacks throws "Location entity not found! Id = '<id>'".
#pragma once

#include "kernel/object_pointer.h"
#include "scenes/locator.h"
#include "services/imodel.h"

class camera_c : public locator_c
{
public:
    camera_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void on_tick() override;

    void set_fov(float fov, float time);
    float fov() const { return m_fov; }
    bool fov_changing() const { return m_target_fov >= 0.0f; }
    abstract_c *look_at() const { return m_look_at.get(); }

private:
    void update_fov();
    void apply_view();

    imodel_mgr_c m_mgr;
    object_pointer_c m_look_at;
    float m_fov;
    float m_target_fov;
    float m_start_fov;
    float m_change_start;
    float m_change_end;
};

class camera_operator_c : public location_entity_c
{
public:
    using location_entity_c::location_entity_c;
    void on_activate(abstract_c *sender, int parameter) override;
};
