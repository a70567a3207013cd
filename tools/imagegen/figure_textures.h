// The contestants' pictures: each figure's 256 x 256 texture (the regions of
// tools/modelgen/figures.h: a face with eyes, brows, nose shadow and mouth, hair, clothes,
// skin) and its portrait, the figure itself rendered in software: head and shoulders in the
// bind pose, seen three-quarters from its left, lit by a key, a fill and a rim light before
// the studio's backdrop. make_contestants writes the figures and the portraits' sheet.
#pragma once

#include "tools/imagegen/imagegen.h"
#include "tools/modelgen/figures.h"

namespace imagegen {

picture paint_figure(const modelgen::contestant &c);

// The figure's portrait, size x size (drawn four times larger and averaged down).
picture render_portrait(const modelgen::figure_mesh &figure, const picture &texture, int size);

// The vote screen's and seat cards' sheet "vote_portraits": 512 x 256, portrait n of
// VOTE_PORTRAIT_SIZE square at (n % 8, n / 8) cells, the cell after the last left dark for
// a seat without a portrait.
picture portrait_sheet(const std::vector<picture> &portraits);

} // namespace imagegen
