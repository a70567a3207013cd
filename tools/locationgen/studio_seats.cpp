#include "tools/locationgen/studio_seats.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>

namespace locationgen {

namespace {

constexpr double PI = 3.14159265358979;
// The figure's eyes are about 2.05 above its feet.
constexpr double EYE_HEIGHT = PODIUM_TOP + 2.05;
// The medium close-up: this far from the face, this much off the figure's axis, looking down
// so much that the face sits in the upper third of a 50-degree view.
constexpr double CLOSE_UP_DISTANCE = 2.3;
constexpr double CLOSE_UP_OFF_AXIS = 20.0 * PI / 180.0;
constexpr double CLOSE_UP_DROP = 0.45;

struct point {
    double x, y, z;
};

// A placement as script attributes: position and angles (pitch, yaw, roll).
struct view {
    point at;
    double pitch, yaw;
};

void append(std::string &out, const char *format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out += line;
}

std::string vec(const point &p)
{
    char text[96];
    std::snprintf(text, sizeof text, "[%.3f %.3f %.3f]", p.x, p.y, p.z);
    return text;
}

std::string angles(double pitch, double yaw)
{
    char text[64];
    std::snprintf(text, sizeof text, "[%.3f %.3f 0]", pitch, yaw);
    return text;
}

// A point at `radius` from the centre in the direction `turn` (radians from +x), at height z.
point on_circle(double radius, double turn, double z)
{
    return {radius * std::cos(turn), radius * std::sin(turn), z};
}

// The camera at `from` turned towards `to`.
view looking(const point &from, const point &to)
{
    const double dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
    return {from, std::atan2(dz, std::hypot(dx, dy)), std::atan2(dy, dx)};
}

// `from` moved `distance` along the direction `turn` and up by `rise`.
point beside(const point &from, double turn, double distance, double rise)
{
    return {from.x + distance * std::cos(turn), from.y + distance * std::sin(turn), from.z + rise};
}

void model(std::string &out, const std::string &id, const point &at, double yaw, const char *rest)
{
    append(out, "create model { string id = \"%s\"; vec3 position = %s; vec3 angles = %s;\n    %s };\n", id.c_str(),
           vec(at).c_str(), angles(0.0, yaw).c_str(), rest);
}

void interp(std::string &out, const std::string &id, const std::string &target, const view &to, double time)
{
    append(out,
           "create interp_mover { string id = \"%s\"; string movetarget = \"%s\"; vec3 dest_position = %s;\n"
           "    vec3 dest_angles = %s; float time = %.2f; };\n",
           id.c_str(), target.c_str(), vec(to.at).c_str(), angles(to.pitch, to.yaw).c_str(), time);
}

// A camera path through the views, `times[k]` seconds from view k to the next, and the path
// mover `mover` that flies it.
void path(std::string &out, const std::string &name, const std::string &mover, const std::vector<view> &views,
          const std::vector<double> &times)
{
    append(out, "create movepath { string id = \"%s\"; int cyclic = 0; } children : {\n", name.c_str());
    for (size_t k = 0; k < views.size(); ++k)
        append(out,
               "    create movepath_pivot { int jog = 0; vec3 position = %s; vec3 angles = %s; float speed = 0;\n"
               "        float time = %.2f; int feedback_param = %d; };\n",
               vec(views[k].at).c_str(), angles(views[k].pitch, views[k].yaw).c_str(), times[k], int(k));
    append(out, "    create movepath_finish { };\n};\n");
    append(out, "create path_mover { string id = \"%s\"; string movetarget = \"camera\"; string path = \"%s\"; };\n",
           mover.c_str(), name.c_str());
}

// A relay that fires its targets at once: (id, parameter) pairs.
void relay(std::string &out, const std::string &id, double delay, const std::vector<std::pair<std::string, int>> &targets)
{
    append(out, "create relay { string id = \"%s\"; float delay = %.2f; float wait = 0;\n   ", id.c_str(), delay);
    for (size_t k = 0; k < targets.size(); ++k)
        append(out, " string target%zu = \"%s\"; int parameter%zu = %d;", k, targets[k].first.c_str(), k,
               targets[k].second);
    append(out, " };\n");
}

void lamp(std::string &out, int seat, const char *colour, const char *other, const point &foot, double yaw)
{
    const std::string n = std::to_string(seat);
    model(out, std::string("lamp_") + colour + n, foot, yaw,
          (std::string("string model_name = \"models/lamp_") + colour +
           "\"; int accept_shadows = 0; float shadow_size = 0; int visible = 0; int lighting = 0;")
              .c_str());
    append(out, "create model_revealer { string id = \"lamp_%s%d_show\"; string model_id = \"lamp_%s%d\"; float time = 0.15; };\n",
           colour, seat, colour, seat);
    const bool right = std::string(colour) == "green";
    const std::string sparks = (right ? "sparks_right" : "sparks_wrong") + n;
    relay(out, "lamp_" + std::string(colour) + n + "_relay", 0,
          {{"lamp_" + std::string(colour) + n + "_show", 1},
           {"lamp_" + std::string(other) + n + "_show", 0},
           {"lamp_" + std::string(colour) + n + "_out", 1},
           {sparks, 1},
           {right ? "cue_right" : "cue_wrong", 1}});
    relay(out, "lamp_" + std::string(colour) + n + "_out", 2.5, {{"lamp_" + std::string(colour) + n + "_show", 0}, {sparks, 0}});
}

// Sparks over the figure's head: `rise` > 0 fountains up (a right answer), else they drop.
void sparks(std::string &out, const std::string &id, const point &at, const char *colours, double rise, int count)
{
    append(out,
           "create particles { string id = \"%s\"; vec3 position = %s; vec3 angles = [0 0 0]; int active = 0;\n"
           "    int count = %d; string texture = \"spark\"; %s int add = 1; int infinite = 0; int start_gradually = 0;\n"
           "    float lifetime = 1.6; float lifetime_delta = 0.5; float stable_lifepart = 0.4; vec3 position_delta = [0.5 0.5 0.2];\n"
           "    vec3 veclocity = [0 0 %.2f]; vec3 velocity_delta = [1.4 1.4 0.8]; float size = 0.12; float size_grow = -0.06;\n"
           "    float gravity = %.2f; float rotation_period = 1; };\n",
           id.c_str(), vec(at).c_str(), count, colours, rise, rise > 0 ? 3.0 : 1.0);
}

} // namespace

std::string studio_seat_script(int seat, seat_kind kind)
{
    if (seat < 0 || seat >= STUDIO_SEATS)
        throw std::out_of_range("studio_seat_script: no seat " + std::to_string(seat));
    const std::string n = std::to_string(seat);
    const double turn = seat * 2.0 * PI / STUDIO_SEATS;
    // Facing the centre.
    const double facing = turn + PI;
    const point foot = on_circle(STUDIO_SEAT_RADIUS, turn, 0.0);
    const point eyes = on_circle(STUDIO_SEAT_RADIUS, turn, EYE_HEIGHT);
    const point chest = on_circle(STUDIO_SEAT_RADIUS, turn, EYE_HEIGHT - CLOSE_UP_DROP);

    // The medium close-up from the front, off the axis towards the seat's left neighbour side.
    const view close_up = looking(beside(eyes, facing + CLOSE_UP_OFF_AXIS, CLOSE_UP_DISTANCE, 0.0), chest);
    // The flight in: from outside the circle, through the gap beside the seat, above the podiums.
    const double gap = turn + PI / STUDIO_SEATS;
    const view outside = looking(on_circle(9.0, gap, 4.6), eyes);
    const view in_gap = looking(on_circle(STUDIO_SEAT_RADIUS, gap, 3.4), eyes);
    const view near = looking(beside(eyes, facing + CLOSE_UP_OFF_AXIS, CLOSE_UP_DISTANCE + 0.9, 0.35), chest);
    // His own PC (his question and his choices): over his right shoulder, his cheek at the
    // frame's edge, the others across the circle before him.
    const point shoulder_cam = beside(beside(eyes, facing + PI, 1.0, 0.9), facing - PI / 2, 0.6, 0.0);
    const point across = beside(beside(eyes, facing, 6.5, 0.0), facing + PI / 2, 0.6, 0.0);
    const view shoulder = looking(shoulder_cam, point{across.x, across.y, 1.2});

    std::string out;
    append(out, "// Seat %d, made by tools/locationgen: the figure of the location's player entry %d on its podium.\n",
           seat, seat);
    model(out, "pillar" + n, foot, facing,
          "string model_name = \"models/pillar\"; int accept_shadows = 0; float shadow_size = 0; int visible = 1; int lighting = 1;");
    append(out, "create model : studio_figure { string id = \"player%d\"; vec3 position = %s; vec3 angles = %s;\n"
                "    int player_index = %d; int pick_index = %d; };\n",
           seat, vec(on_circle(STUDIO_SEAT_RADIUS, turn, PODIUM_TOP)).c_str(), angles(0.0, facing).c_str(), seat, seat);

    // The podium's front: white while its contestant plays, dark for one who has left.
    const bool out_of_game = kind == seat_kind::out_of_game;
    model(out, "lamp_white" + n, foot, facing,
          out_of_game ? "string model_name = \"models/lamp_white\"; int accept_shadows = 0; float shadow_size = 0; int visible = 0; int lighting = 0;"
                      : "string model_name = \"models/lamp_white\"; int accept_shadows = 0; float shadow_size = 0; int visible = 1; int lighting = 0;");
    append(out, "create model_revealer { string id = \"lamp_white%d_show\"; string model_id = \"lamp_white%d\"; float time = 0.8; };\n",
           seat, seat);
    lamp(out, seat, "green", "red", foot, facing);
    lamp(out, seat, "red", "green", foot, facing);
    const point over_head = on_circle(STUDIO_SEAT_RADIUS, turn, EYE_HEIGHT + 0.5);
    sparks(out, "sparks_right" + n, over_head, "vec3 color0 = [0.5 1 0.4]; vec3 color1 = [1 0.9 0.2];", 4.0, 90);
    sparks(out, "sparks_wrong" + n, over_head, "vec3 color0 = [1 0.25 0.1]; vec3 color1 = [0.4 0 0];", -0.5, 50);

    if (kind == seat_kind::finalist) {
        // The winner: his lamp green, confetti over him, the camera pushing in on his face.
        append(out,
               "create particles { string id = \"confetti%d\"; vec3 position = %s; vec3 angles = [0 0 0]; int active = 0;\n"
               "    int count = 400; string texture = \"spark\"; vec3 color0 = [1 0.85 0.3]; vec3 color1 = [1 0.3 0.8]; int add = 1;\n"
               "    int infinite = 1; int start_gradually = 1; float lifetime = 3; float lifetime_delta = 1; float stable_lifepart = 0.6;\n"
               "    vec3 position_delta = [1.2 1.2 0.6]; vec3 veclocity = [0 0 -0.6]; vec3 velocity_delta = [0.4 0.4 0.3];\n"
               "    float size = 0.14; float size_grow = 0; float gravity = 0.3; float rotation_period = 0.7;\n"
               "    float wobble_radius = 0.3; float wobble_period = 1.2; int wobble_lerp = 1; };\n",
               seat, vec(beside(on_circle(STUDIO_SEAT_RADIUS, turn, 4.0), facing + CLOSE_UP_OFF_AXIS, 0.8, 0.0)).c_str());
        const view push_from = looking(beside(eyes, facing + CLOSE_UP_OFF_AXIS, 3.2, 0.6), chest);
        const view push_to = looking(beside(eyes, facing + CLOSE_UP_OFF_AXIS, 1.6, 0.0), beside(chest, 0, 0, 0.15));
        path(out, "winner" + n + "_path", "winner_push" + n, {push_from, push_to}, {4.0, 1.0});
        relay(out, "pillar" + n + "_slideout_go", 0,
              {{"winner_push" + n, 1}, {"confetti" + n, 1}, {"lamp_green" + n + "_show", 1}, {"sparks_right" + n, 1},
               {"winner_light", 1}, {"cue_out", 1}});
    } else {
        // Leaving: the camera turns to him from across the circle, the podium sinks out of sight,
        // the figure with it, its lamp dark.
        const point podium = on_circle(STUDIO_SEAT_RADIUS, turn, 1.2);
        path(out, "leave" + n + "_path", "leave_view" + n,
             {looking(beside(eyes, facing + CLOSE_UP_OFF_AXIS, 5.0, 1.0), podium),
              looking(beside(eyes, facing + CLOSE_UP_OFF_AXIS, 4.2, 0.7), podium)},
             {3.5, 0.5});
        relay(out, "pillar" + n + "_slideout_go", 0,
              {{"leave_view" + n, 1}, {"pillar" + n + "_slideout", 1}, {"player" + n + "_slideout", 1},
               {"lamp_white" + n + "_show", 0}, {"sparks_wrong" + n, 1}, {"cue_out", 1}});
        interp(out, "pillar" + n + "_slideout", "pillar" + n, view{on_circle(STUDIO_SEAT_RADIUS, turn, -3.4), 0.0, facing},
               3.0);
        interp(out, "player" + n + "_slideout", "player" + n,
               view{on_circle(STUDIO_SEAT_RADIUS, turn, PODIUM_TOP - 3.4), 0.0, facing}, 3.0);
    }

    append(out, "create model_revealer { string id = \"revealer%d\"; string model_id = \"player%d\"; float time = 0.5; };\n", seat,
           seat);
    append(out,
           "create camera_operator { string id = \"cam_player%d\"; string camera = \"camera\"; float fov = 35; float fov_time = 1;\n"
           "    string look_at = \"player%d\"; };\n",
           seat, seat);

    // Camera moves that end by themselves.
    // Each starts with a cut to its first view, so no move crosses the circle from wherever the
    // camera was.
    const view shoulder_wide = looking(beside(shoulder.at, facing + PI, 0.6, 0.3), point{across.x, across.y, 1.2});
    path(out, "shoulder" + n + "_path", "accel_mover" + n + "_y", {shoulder_wide, shoulder}, {1.4, 0.5});
    const int path_number = (seat + 7) % STUDIO_SEATS + 1;
    path(out, "seat" + n + "_path", "path_mover" + std::to_string(path_number), {outside, in_gap, near, close_up},
         {1.1, 1.0, 1.2, 0.5});
    if (seat < 7)
        path(out, "close_up" + n + "_path", "interp_mover" + n, {near, close_up}, {1.5, 0.5});
    return out;
}

} // namespace locationgen
