// The contestants: 24 people, one for each portrait number of the player store
// (data/scripts/players.isc), each a skinned figure over the demo player skeleton
// (player.skl of demo_models.txt: hips, spine, head, arm_l, arm_r, leg_l, leg_r, the model
// facing +x, z up, the soles on z = 0).
//
// A figure is made of pieces, each a closed surface of rings (a loft: an ellipse per ring,
// smooth normals from the neighbouring rings): the trunk from the crotch through the neck to
// the crown, blended between hips, spine and head so it bends without tearing; arms and legs
// whose top is a ball centred on their joint, sunk into the trunk, so they turn in place (the
// trunk's shoulders round over the arms' balls and follow the arms partly); hands below the
// sleeves' hems, feet, nose, ears and hair fixed to their bones and a skirt whose hem follows
// the legs halfway, each sunk into the piece it sits on. Every piece names the piece it hangs on, for
// the tests that look for gaps.
//
// Texture: one 256 x 256 picture a figure, painted by tools/imagegen/figure_textures.h. Its
// regions (rows top-down): the head 0..127 (u the turn about the trunk's axis, warped so the
// face gets more texels; v the head's height parameter t from +1 at the crown to -1 at the
// chin), the trunk below the chin 128..191, the sleeves (columns 0..63) and the legs (64..127)
// 192..239, and the swatches 240..255 (hair, shoes, skin, skirt, 64 columns each). A limb's
// turn runs over its 64 columns only, so the texture is about as dense around a limb as along
// it and its rows stay sharp in the distance. The skin below a sleeve (hands, and forearms
// under a short sleeve) is a piece of its own on the skin swatch, so a sleeve's edge never
// blurs into the hand. The file's v runs upwards (the engine flips it), so a texel row y is at
// v = 1 - (y + 0.5) / 256.
#pragma once

#include "tools/modelgen/modelgen.h"

#include <cstdint>
#include <string>
#include <vector>

namespace modelgen {

constexpr int CONTESTANTS = 24;
constexpr int FIGURE_TEXTURE_SIZE = 256;
constexpr int FIGURE_MAX_TRIANGLES = 3000;

enum class hair_style { crop, side_part, buzz, fringe_bald, bob, long_straight, ponytail, bun, curly };

struct contestant
{
    bool female;
    int age;
    float girth;       // 0.85 slim .. 1.35 heavy
    float neck;        // length of the neck above the head joint, -0.02 .. 0.05
    float head;        // head height, 0.27 .. 0.31
    uint32_t skin, hair, eyes;
    hair_style style;
    uint32_t top;      // shirt or blouse
    uint32_t jacket;   // 0: none
    uint32_t tie;      // 0: none
    uint32_t bottom;   // trousers or skirt
    bool skirt;
    bool long_sleeves;
    uint32_t shoes;
    bool glasses;
    int beard;         // 0 none, 1 moustache, 2 short beard
};

// The contestant with this portrait number, 0 .. CONTESTANTS - 1.
const contestant &contestant_of(int portrait);

struct figure_piece
{
    std::string name;
    int parent; // index of the piece it hangs on, -1 for the trunk
    uint32_t first_vertex, vertex_count;
    uint32_t first_face, face_count;
};

struct figure_mesh
{
    skinned_desc mesh; // tags: the skeleton's joints in its order
    std::vector<figure_piece> pieces;
};

figure_mesh build_figure(const contestant &c);

// The geometry the painter shares with the mesh.
// The head: point of the surface at turn theta (radians, 0 facing +x, positive towards +y)
// and height parameter t (+1 crown, -1 chin), in model space.
vec3 head_point(const contestant &c, float theta, float t);
// The lowest t the hair reaches at this turn (below -1: hanging under the head).
float hairline(const contestant &c, float theta);
// u of a turn on the trunk and head (the face at u 0.5), and back.
float trunk_u(float theta);
float trunk_theta(float u);
// The trunk region's rows run from the chin (row 128) down to the crotch (row 191), closer
// together towards the crotch; the z of a row's centre.
float trunk_row_z(const contestant &c, float row);
// Distance along the arm from its joint where the sleeve ends.
float sleeve_end(const contestant &c);
// The sleeves' and legs' rows: distance along the limb from its joint (negative above it), the
// sleeves' from ARM_TOP to their end.
constexpr float ARM_TOP = -0.09f, ARM_END = 0.93f, LEG_TOP = -0.12f, LEG_END = 0.97f;
constexpr float WRIST = 0.68f, ANKLE = 0.9f;

} // namespace modelgen
