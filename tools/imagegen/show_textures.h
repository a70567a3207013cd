// The pictures of the program's start and end shows, drawn with a FreeType font: the splash
// picture (1024 x 1024, of which the upper 1024 x 768 show), the main menu's title (512 x 128,
// 32 bits, the name on a transparent ground), the credits' background
// (512 x 512) and three credit pages (512 x 256, 32 bits: lines of text on a translucent
// panel), and the loading pictures of the rounds "rounds/round1" .. "rounds/round8" (1024 x
// 1024 like the splash: the round's name over "Loading the studio..."). Texts are cp1251.
// make_show_textures <font.ttf> <dir> writes each as <dir>/<name>.tga.
#pragma once

#include <string>
#include <vector>

#include "tools/imagegen/ui_textures.h"

namespace imagegen {

// The show's name, as the splash, the menu's title and the studio's screen show it (cp1251).
constexpr const char *SHOW_NAME = "\xC2\xE8\xE7\xF3\xE7\xF3\xE7\xE5";

// Throws std::runtime_error when FreeType cannot load the font.
std::vector<ui_texture> make_show_textures(const std::string &font_file);

// Lines of cp1251 text centred on `centre_x`, their tops at `top`, in the glyphs of a strip
// made by render_font_strip (codes 32..255): each glyph's grey is its coverage of `rgb`.
void draw_text_centred(picture &pic, const picture &strip, int centre_x, int top, const char *text, uint32_t rgb);

} // namespace imagegen
