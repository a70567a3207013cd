// Skeletal-animated model data: what "<model>/animated.def" describes, read once per model and
// shared by every instance (services/manager_model_anim_res.h).
//
// The definition, in this order (white space and both comment forms anywhere):
//     transform scale [sx sy sz] angles [p y r] offset [x y z];
//     skeleton "name";                                  loads <model>/<name>.skl
//     parts { part "p" : geometry "g", texture "t", default on|off; ... };
//     gestures {
//         define slow = 0.5;                            a named delay, 0.001..1000
//         gesture "wave" oscillating|wrapping|finite|static {
//             frame 0; delay slow; frame 3; delay 0.25; frame 0;
//         };
//     };
//     morphs { default_time 0.3; morph "a" *|<frame> to "b" <frame> by_time 0.2; ... };
// Quoted names hold at most 30 characters (the tokenizer's rule for a 32-byte buffer).
// Geometries "<model>/<g>.sgm" are loaded once per name (compared without regard to case) and
// shared by the parts naming them; textures "<model>/<t>" come from the texture manager. A
// non-static gesture has 2 to 32 key frames, alternating with delays; a static one exactly
// one frame. Parts are found by exact name, gestures without regard to case. After reading,
// every ordered pair of different gestures without a declared morph gets a default morph from
// any frame into the destination's first key frame, taking default_time.
//
// Errors: the tokenizer's position-prefixed parser errors (and this format's own, listed with
// the reader) come out as exception_c "Loading model script '<model>/animated.def' failed: "
// + the parser's message; errors of the files, readers and texture manager pass unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "basics/matrix.h"
#include "services/manager_model.h"

class itexture_c;
class skeleton_instance_c;
class skinned_mesh_c;

constexpr int MAX_GESTURE_FRAMES = 32;
constexpr int SKELANIM_NAME_SIZE = 32;

enum : int {
    GESTURE_OSCILLATING = 0,
    GESTURE_WRAPPING = 1,
    GESTURE_FINITE = 2,
    GESTURE_STATIC = 3,
};

struct skelanim_part_s
{
    char name[SKELANIM_NAME_SIZE];
    int geometry_index;
    std::unique_ptr<itexture_c> texture;
    int default_on;
};

struct skelanim_gesture_s
{
    char name[SKELANIM_NAME_SIZE];
    int mode;
    // Delays, one fewer than the key frames; 0 for a static gesture.
    int branches_count;
    // times[i]: the end of branch i (key frame i to i + 1), seconds from the gesture's start.
    float times[MAX_GESTURE_FRAMES];
    int16_t frames[MAX_GESTURE_FRAMES];
};

struct skelanim_morph_s
{
    int src_gesture;
    int src_frame; // -1: any frame
    int dst_gesture;
    int dst_frame;
    float time;
};

class skelanim_data_c : public model_data_c
{
public:
    skelanim_data_c(manager_model_c *manager, const char *name);
    ~skelanim_data_c() override;
    void on_shutdown() override;
    resource_entity_c *create_resource(int prm) override;

    // The first gesture of that name (without regard to case), or -1.
    int find_gesture(const char *name) const;
    // The same; none is "Gesture '<name>' not found".
    int find_gesture_or_throw(const char *name) const;
    const skelanim_gesture_s &gesture(int gest_index) const;
    int gesture_count() const { return (int)m_gestures.size(); }
    int gesture_has_frame(int gest_index, int frame) const;
    // "Static gesture '<name>' has no playtime" for a static one.
    float gesture_playtime(const char *name) const;
    // The first morph from src (at this frame, or declared for any frame) to dst, or -1.
    int find_morph(int src_gesture, int frame, int dst_gesture) const;
    skelanim_morph_s get_morph(int index) const;
    int morph_count() const { return (int)m_morphs.size(); }
    // Exact name; none is "Undefined part '<name>'".
    int find_part(const char *name) const;
    // "Invalid part index <n>" outside the list.
    const skelanim_part_s &part(int index) const;
    int part_count() const { return (int)m_parts.size(); }
    skinned_mesh_c *part_geometry(int index) const;
    float default_time() const { return m_default_time; }

    // Blends the shared skeleton between two frames; "Invalid frame index(es): <a>, <b>".
    void pose(int from, int to, float factor);
    skeleton_instance_c *skeleton() const { return m_skeleton.get(); }
    const matrix_c &transform() const { return m_transform; }

private:
    struct geometry_s
    {
        char name[SKELANIM_NAME_SIZE];
        std::unique_ptr<skinned_mesh_c> geometry;
    };
    struct delay_s
    {
        char name[SKELANIM_NAME_SIZE];
        float value;
    };

    void read_definition(const char *model);
    void add_default_morphs();
    void free_contents();

    matrix_c m_transform;
    std::unique_ptr<skeleton_instance_c> m_skeleton;
    std::vector<geometry_s> m_geometry;
    std::vector<skelanim_part_s> m_parts;
    std::vector<skelanim_gesture_s> m_gestures;
    std::vector<skelanim_morph_s> m_morphs;
    float m_default_time;
    std::vector<delay_s> m_delays;
};
