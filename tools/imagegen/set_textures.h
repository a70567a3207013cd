// The studio set's textures, for the meshes of tools/modelgen/set_models.h (v runs down the
// picture): names below the data directory without extension, 24 bits, written as BMP by
// make_set_textures <font.ttf> <data dir>. Light parts are near white, so that each round's
// coloured lights give the set its colour; the lamps and the big screen, drawn unlit, carry
// their own.
//   models/pillar/pillar          128 x 128: the platform's side (upper left), its top (upper
//                                 right: a rim of light, a shadow where the figure stands), the
//                                 lectern (lower half)
//   models/lamp_white|green|red/lamp  64 x 64: the lectern's front panel lit
//   models/studio/floor           512 x 512: 30 x 30 units round the centre: rings and radial
//                                 lines of light, the seats' ring brightest
//   models/backdrop/backdrop      128 x 256: one panel of the backdrop
//   models/show_screen/screen     512 x 256: the show's name on the big screen
//   models/audience/audience      256 x 128: a row of seated people in silhouette
//   models/light_rig/rig          64 x 64: truss lattice (left half), a lamp's face (right)
#pragma once

#include <string>
#include <vector>

#include "tools/imagegen/ui_textures.h"

namespace imagegen {

// Throws std::runtime_error when FreeType cannot load the font.
std::vector<ui_texture> make_set_textures(const std::string &font_file);

} // namespace imagegen
