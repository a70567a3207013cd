// test_3d_c ("test_3d"): loads a location with player models and flies a free camera through it.
//
// At start-up it prints the device's vertex-blend figures, then makes the location
// `location_name` with the players "player<i>_model" / "player<i>_part" (i from 0 up to the
// first pair not complete; "Warning: No players for location" when there is none) under
// itself; it deletes the location at app_shutdown or when it is shut down.
// On every tick the mouse turns the camera (0.003 radians a unit; printed with `dump_camera`
// when `process_camera` is set), the left button moves it forward and the right backward along
// the view at `move_vel` units a second, and the middle button asks the location's "picker"
// what lies under the middle of the screen; the answer ("picker" location feedback) is printed
// as "Picked index: <i>". With `fps_time` > 0 the frame rate is printed every 2 seconds. On
// render, with `process_camera` set, the model manager looks through the camera (90 degrees).
#pragma once

#include <memory>

#include "basics/vec3.h"
#include "kernel/abstract.h"
#include "services/imodel.h"

class d3d_service_c;
class input_service_c;
class location_c;

class test_3d_c : public abstract_c
{
public:
    test_3d_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void on_shutdown() override;

    const placement &camera() const { return m_camera; }
    location_c *location() const { return m_location; }

private:
    void load();
    void delete_location();
    void camera_step(float dt);
    void frame_rate(float t);

    d3d_service_c *m_d3d;
    imodel_mgr_c m_model_mgr;
    input_service_c *m_input;
    placement m_camera;
    location_c *m_location;
    float m_last_fps_time;
    int m_frames;
};
