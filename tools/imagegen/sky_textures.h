// Sky and sprite pictures for the demo data.
//
// A sky is a function of the direction from the camera (a blue gradient rising from a pale
// horizon, hazy ground below, soft clouds from a noise over the direction), so the six faces of
// the box meet without seams: each texel takes the colour of the direction through its centre.
// Face k is the square o + s u + t v of the cube [-1, 1]^3 (s from the left edge, t from the
// bottom edge), in the order front, right, back, left, top, bottom:
//     front  o (-1,-1,-1) u (2,0,0)  v (0,0,2)     right  o (1,-1,-1)  u (0,2,0)  v (0,0,2)
//     back   o (1,1,-1)   u (-2,0,0) v (0,0,2)     left   o (-1,1,-1)  u (0,-2,0) v (0,0,2)
//     top    o (-1,-1,1)  u (2,0,0)  v (0,2,0)     bottom o (-1,1,-1)  u (2,0,0)  v (0,-2,0)
// with z up; the picture's top row is t = 1.
// The space sky (the main menu's) is night blue with a faint violet band of nebula across it and
// stars: a star is a lattice cell of the direction that its hash picks, so it too is a function
// of the direction alone.
#pragma once

#include "tools/imagegen/imagegen.h"

namespace imagegen {

constexpr int SKY_FACE_COUNT = 6;
extern const char *const sky_face_names[SKY_FACE_COUNT];

enum class sky_kind { day, space };

// Face k (0..5) of the sky, size x size pixels.
picture render_sky_face(int face, int size, sky_kind kind = sky_kind::day);
// A round soft spark: white, opaque in its core, alpha falling to 0 at the border.
picture render_spark(int size);

} // namespace imagegen
