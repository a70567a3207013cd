// One skeletal-animated model instance (a renderable entity built by skelanim_data_c).
//
// It plays one gesture at a time on every tick (argument 1: seconds since the previous tick)
// while shown, passing the tick on through the tree:
//   idle (1)      until the first gesture request; nothing is drawn;
//   playing (2)   time runs through the gesture's branches (key frame k to k + 1); at a key
//                 frame where the data has a morph to the pending gesture, the morph starts;
//                 at the ends an oscillating gesture turns round, a wrapping one restarts at
//                 time 0, a finite one holds its last key frame; leaving [0, play time]
//                 marks the gesture "passed";
//   morphing (3)  the pose moves from the frame the morph started at to the destination key
//                 frame over the morph time (at once for time 0), then the destination
//                 gesture plays from that key frame (a morph into the last key frame of a
//                 finite gesture holds it there).
// Requests (model_play_gesture) start at once from idle; otherwise they wait as pending; a
// request of the gesture already playing changes nothing. Queries: model_get_current_gesture
// (PTR to const char*: the playing gesture's name, null while idle or morphing),
// model_get_passed_gesture (null when none), model_get_gesture_time (PTR to float, name).
// model_switch_part (name, on) switches parts by exact name.
//
// Each step poses the model's shared skeleton and skins the active parts into this
// instance's own vertex buffers, then keeps its own copy of the joint matrices: locators
// (joints, for slaves) answer from that copy, so instances posed differently report
// different locators. Drawing: the lit vertex format, the world matrix, lighting, then per
// active part its blend state (from the part texture's alpha and the instance's alpha) and
// one indexed triangle list.
#pragma once

#include <vector>

#include "services/manager_model_anim_data.h"

class IDirect3DIndexBuffer8;
class IDirect3DTexture8;
class IDirect3DVertexBuffer8;

class skelanim_resource_c : public renderable_entity_c
{
public:
    enum : int {
        STATE_IDLE = 1,
        STATE_PLAYING = 2,
        STATE_MORPHING = 3,
    };

    struct active_part_s
    {
        int part_index;
        IDirect3DVertexBuffer8 *vertex_buffer; // owned
        IDirect3DIndexBuffer8 *index_buffer;
        IDirect3DTexture8 *texture;
        int blended;
    };

    skelanim_resource_c(manager_model_c *manager, skelanim_data_c *data);
    ~skelanim_resource_c() override;
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void render() override;
    // The joint's matrix of this instance's last pose; "Joint '<name>' not found".
    matrix_c *get_locator_matrix(matrix_c *out, const char *locator) override;

    void play_gesture(const char *name);
    void switch_part(const char *name, int on);
    // One animation step of dt seconds (what tick does while shown).
    void step(float dt);

    skelanim_data_c *anim() const { return m_anim; }
    int state() const { return m_state; }
    int forward() const { return m_forward; }
    int current() const { return m_current; }
    float time() const { return m_time; }
    int branch() const { return m_branch; }
    int pending() const { return m_pending; }
    int passed() const { return m_passed; }
    const std::vector<active_part_s> &active_parts() const { return m_active_parts; }

private:
    bool try_start_morph(int frame);
    void step_playing(float dt);
    void step_morphing(float dt);
    void pose(int from, int to, float factor);
    void recompute_blended();
    void release_parts();

    skelanim_data_c *m_anim;
    std::vector<active_part_s> m_active_parts;
    int m_state;
    int m_forward;
    int m_current;
    float m_time;
    int m_branch;
    int m_pending;
    int m_passed;
    std::vector<matrix_c> m_joints;
};
