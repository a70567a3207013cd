#include "tools/locationgen/studio_seats.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>

namespace locationgen {

namespace {

constexpr double PI = 3.14159265358979;
// The figure stands on the pillar's top; its head is about 2.05 above its feet.
constexpr double PILLAR_HEIGHT = 0.6;
constexpr double HEAD_HEIGHT = PILLAR_HEIGHT + 2.05;

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

void model(std::string &out, const char *id, int seat, const point &at, double yaw, const char *rest)
{
    append(out, "create model { string id = \"%s%d\"; vec3 position = %s; vec3 angles = %s;\n    %s };\n", id, seat,
           vec(at).c_str(), angles(0.0, yaw).c_str(), rest);
}

void interp(std::string &out, const std::string &id, const std::string &target, const view &to, double time)
{
    append(out,
           "create interp_mover { string id = \"%s\"; string movetarget = \"%s\"; vec3 dest_position = %s;\n"
           "    vec3 dest_angles = %s; float time = %.2f; };\n",
           id.c_str(), target.c_str(), vec(to.at).c_str(), angles(to.pitch, to.yaw).c_str(), time);
}

void lamp(std::string &out, int seat, const char *colour, const char *other, const point &at, double yaw)
{
    char rest[256];
    std::snprintf(rest, sizeof rest,
                  "string model_name = \"models/lamp_%s\"; int accept_shadows = 0; float shadow_size = 0; int visible = 0;"
                  " int lighting = 0;",
                  colour);
    const std::string id = std::string("lamp_") + colour;
    model(out, id.c_str(), seat, at, yaw, rest);
    append(out, "create model_revealer { string id = \"lamp_%s%d_show\"; string model_id = \"lamp_%s%d\"; float time = 0.15; };\n",
           colour, seat, colour, seat);
    append(out,
           "create relay { string id = \"lamp_%s%d_relay\"; float delay = 0; float wait = 0;\n"
           "    string target0 = \"lamp_%s%d_show\"; int parameter0 = 1; string target1 = \"lamp_%s%d_show\"; int parameter1 = 0;\n"
           "    string target2 = \"lamp_%s%d_out\"; int parameter2 = 1; };\n",
           colour, seat, colour, seat, other, seat, colour, seat);
    append(out,
           "create relay { string id = \"lamp_%s%d_out\"; float delay = 2.5; float wait = 0;\n"
           "    string target0 = \"lamp_%s%d_show\"; int parameter0 = 0; };\n",
           colour, seat, colour, seat);
}

} // namespace

std::string studio_seat_script(int seat)
{
    if (seat < 0 || seat >= STUDIO_SEATS)
        throw std::out_of_range("studio_seat_script: no seat " + std::to_string(seat));
    const double turn = seat * 2.0 * PI / STUDIO_SEATS;
    // Facing the centre.
    const double facing = turn + PI;
    const point foot = on_circle(STUDIO_SEAT_RADIUS, turn, 0.0);
    const point head = on_circle(STUDIO_SEAT_RADIUS, turn, HEAD_HEIGHT);
    const point centre{0.0, 0.0, 1.5};
    const view close_up = looking(on_circle(STUDIO_SEAT_RADIUS - 2.5, turn, HEAD_HEIGHT - 0.3), head);
    const view above = looking(point{0.0, 0.0, 5.5}, head);
    const view shoulder = looking(on_circle(STUDIO_SEAT_RADIUS + 2.6, turn, 3.4), centre);

    std::string out;
    append(out, "// Seat %d, made by tools/locationgen: the figure of the location's player entry %d on its pillar.\n", seat,
           seat);
    model(out, "pillar", seat, foot, facing,
          "string model_name = \"models/pillar\"; int accept_shadows = 0; float shadow_size = 1; int visible = 1; int lighting = 1;");
    char rest[160];
    std::snprintf(rest, sizeof rest, "int player_index = %d; int pick_index = %d;", seat, seat);
    append(out, "create model : studio_figure { string id = \"player%d\"; vec3 position = %s; vec3 angles = %s;\n    %s };\n",
           seat, vec(on_circle(STUDIO_SEAT_RADIUS, turn, PILLAR_HEIGHT)).c_str(), angles(0.0, facing).c_str(), rest);

    // The lamps stand on the floor in front of the pillar, green on the figure's left.
    lamp(out, seat, "green", "red", on_circle(STUDIO_SEAT_RADIUS - 0.9, turn - 0.12, 0.0), facing);
    lamp(out, seat, "red", "green", on_circle(STUDIO_SEAT_RADIUS - 0.9, turn + 0.12, 0.0), facing);

    // Leaving: the pillar sinks out of sight, the figure with it.
    append(out,
           "create relay { string id = \"pillar%d_slideout_go\"; float delay = 0; float wait = 0;\n"
           "    string target0 = \"pillar%d_slideout\"; int parameter0 = 1; string target1 = \"player%d_slideout\"; int parameter1 = 1; };\n",
           seat, seat, seat);
    interp(out, "pillar" + std::to_string(seat) + "_slideout", "pillar" + std::to_string(seat),
           view{on_circle(STUDIO_SEAT_RADIUS, turn, -3.4), 0.0, facing}, 3.0);
    interp(out, "player" + std::to_string(seat) + "_slideout", "player" + std::to_string(seat),
           view{on_circle(STUDIO_SEAT_RADIUS, turn, PILLAR_HEIGHT - 3.4), 0.0, facing}, 3.0);

    append(out, "create model_revealer { string id = \"revealer%d\"; string model_id = \"player%d\"; float time = 0.5; };\n", seat,
           seat);
    append(out,
           "create camera_operator { string id = \"cam_player%d\"; string camera = \"camera\"; float fov = 35; float fov_time = 1;\n"
           "    string look_at = \"player%d\"; };\n",
           seat, seat);

    // Camera moves that end by themselves.
    interp(out, "accel_mover" + std::to_string(seat) + "_y", "camera", shoulder, 1.2);
    const int path_number = (seat + 7) % STUDIO_SEATS + 1;
    append(out, "create movepath { string id = \"seat%d_path\"; int cyclic = 0; } children : {\n", seat);
    const view pivots[] = {above, close_up};
    for (int k = 0; k < 2; ++k)
        append(out,
               "    create movepath_pivot { int jog = 0; vec3 position = %s; vec3 angles = %s; float speed = 0;\n"
               "        float time = 1.6; int feedback_param = %d; };\n",
               vec(pivots[k].at).c_str(), angles(pivots[k].pitch, pivots[k].yaw).c_str(), k);
    append(out, "    create movepath_finish { };\n};\n");
    append(out, "create path_mover { string id = \"path_mover%d\"; string movetarget = \"camera\"; string path = \"seat%d_path\"; };\n",
           path_number, seat);
    if (seat < 7)
        interp(out, "interp_mover" + std::to_string(seat), "camera", close_up, 1.5);
    return out;
}

} // namespace locationgen
