// The user interface's textures for the demo data and the tests: power-of-two TGA pictures,
// 32-bit where a look needs alpha. make_ui_textures <dir> writes each as <dir>/<name>.tga.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/imagegen/imagegen.h"

namespace imagegen {

struct ui_texture {
    const char *name; // texture name below "textures/", without extension
    int depth;        // 24 or 32 bits
    picture pic;
};

// ui_states: 256 x 128, a 4 x 2 grid of 64 x 64 states, each in its own colour (24 bits).
// ui_panel: 64 x 64, a light panel at alpha 128 with an opaque one-pixel border (32 bits).
std::vector<ui_texture> make_ui_textures();

// The settings controls' textures, which make_ui_textures adds:
// ui_scale: 256 x 64 (32 bits). Texel rects: the frame (0, 0, 256, 32), transparent inside a
// light border, with the minus button in its first 32 columns and the plus button in its
// last; the bar (0, 32, 192, 16); the pressed minus (192, 32, 32, 32) and the pressed plus
// (224, 32, 32, 32).
// ui_checkbox: 64 x 32 (24 bits), two boxes side by side, unchecked (empty) then checked.
void add_settings_textures(std::vector<ui_texture> &out);
constexpr uint32_t UI_SCALE_BAR_COLOUR = 0x20C040;
constexpr uint32_t UI_CHECK_COLOUR = 0x20C040;
// The edit fields' and history controls' textures, which make_ui_textures adds:
// ui_edit: 64 x 32 (24 bits): the edit frame's left cap (0, 0)-(8, 24), middle piece
// (8, 0)-(24, 24) and right cap (24, 0)-(32, 24); the numeric edit's pressed plus (32, 0)-(48, 16)
// and pressed minus (48, 0)-(64, 16), the history button (32, 16)-(48, 32) (a history control
// draws its edit and its button from one texture).
// ui_history: 128 x 64 (24 bits): a list row (0, 0)-(128, 16), the upward list's top cap
// (0, 16)-(128, 22) and the downward list's bottom cap (0, 24)-(128, 30); a row
// UI_HISTORY_TALL_ROW high at (0, 32), for lists in fonts higher than 16 pixels.
void add_edit_textures(std::vector<ui_texture> &out);
constexpr uint32_t UI_EDIT_LEFT = 0x4040A0, UI_EDIT_MIDDLE = 0xC0C0E0, UI_EDIT_RIGHT = 0x40A040;
constexpr uint32_t UI_EDIT_PLUS = 0x00C000, UI_EDIT_MINUS = 0xC00000;
constexpr int UI_HISTORY_TALL_ROW = 20;
constexpr uint32_t UI_HISTORY_ROW = 0xF0F0C0, UI_HISTORY_TOP = 0x806040, UI_HISTORY_BOTTOM = 0x604080;
constexpr uint32_t UI_HISTORY_BUTTON = 0x2080FF;

// The colour (0xRRGGBB) of state (column, row) of ui_states.
uint32_t ui_state_colour(int column, int row);
constexpr uint32_t UI_PANEL_COLOUR = 0xE0E0FF;
constexpr uint32_t UI_PANEL_BORDER = 0x303060;
constexpr uint8_t UI_PANEL_ALPHA = 128;

// Buttons and fields, added to the list by make_ui_textures.
// ui_buttons: 256 x 256 (24 bits), strips of cells UI_BUTTON_CELL_W x UI_BUTTON_CELL_H side by
// side from x 0, one strip per row of cells: row 0 four cells (normal, over, pressed,
// disabled), row 1 three ('S'), row 2 two ("Ss"), row 3 one ("Sso"), row 4 six animation
// frames. Every cell of a strip has its own colour, with a darker one-pixel border.
// ui_wide_buttons: 1024 x 64 (24 bits), a strip of four looks UI_WIDE_BUTTON_W wide at (0, 0)
// and one of four looks UI_WIDER_BUTTON_W wide at (0, 32), both in the colours of row 0, for
// buttons whose text is longer than a cell.
// ui_menu_buttons: 1024 x 64 (24 bits), the main menu's strip of four looks UI_MENU_BUTTON_W x
// UI_MENU_BUTTON_H side by side from (0, 0), each shading down from ui_menu_button_colour(look)
// inside a two-pixel light frame.
// ui_field: 256 x 64 (32 bits), a panel at alpha UI_FIELD_ALPHA with an opaque border.
// narezka: 1024 x 256 (24 bits), the player seat's buttons in their texel rects: man
// (460, 207)-(479, 243), bot (479, 207)-(507, 234), ready toggle (507, 207)-(573, 248) as two
// cells, not ready then ready.
void add_button_textures(std::vector<ui_texture> &out);
constexpr uint32_t UI_SEAT_MAN = 0x4080FF, UI_SEAT_BOT = 0x808080, UI_SEAT_NOT_READY = 0xC04040,
                   UI_SEAT_READY = 0x40C040;
constexpr int UI_BUTTON_CELL_W = 40;
constexpr int UI_BUTTON_CELL_H = 32;
constexpr int UI_WIDE_BUTTON_W = 128;
constexpr int UI_WIDER_BUTTON_W = 192;
constexpr int UI_MENU_BUTTON_W = 256;
constexpr int UI_MENU_BUTTON_H = 40;
uint32_t ui_menu_button_colour(int look);
// The fill colour (0xRRGGBB) of a cell of a strip row.
uint32_t ui_button_colour(int row, int cell);
constexpr uint32_t UI_FIELD_COLOUR = 0x406080;
constexpr uint8_t UI_FIELD_ALPHA = 192;

// Cursor shapes, added to the list by make_ui_textures (32 bits, transparent around the shape).
// Both are 256 x 32: six frames of 32 x 32 side by side from x 0, as the pointer steps through
// them over controls (a shape of one frame would vanish there).
// cursor_standard: an arrow with a black outline whose tip is texel (0, 0) of its frame, filled
// with ui_cursor_frame_colour(frame) (white in frame 0).
// cursor_smodel: a ring around the centre (16, 16) of its frame in ui_cursor_frame_colour(frame).
void add_cursor_textures(std::vector<ui_texture> &out);
uint32_t ui_cursor_frame_colour(int frame);
// Whether texel (x, y) of a cursor_standard frame belongs to the arrow (fill or outline).
bool ui_cursor_arrow_covers(int x, int y);

// The vote screen's portraits and frame, added to the list by make_ui_textures.
// vote_portraits: 512 x 256 (24 bits), VOTE_PORTRAITS portraits of VOTE_PORTRAIT_SIZE square,
// eight to a row from (0, 0), each on its own background colour with a head and shoulders.
// vote_frame: 128 x 128 (32 bits), a frame VOTE_FRAME_W x VOTE_FRAME_H at (0, 0), transparent
// around it and in its window, which a portrait drawn at (9, 10) fills.
void add_vote_textures(std::vector<ui_texture> &out);
constexpr int VOTE_PORTRAITS = 24;
constexpr int VOTE_PORTRAIT_SIZE = 64;
constexpr int VOTE_FRAME_W = 82, VOTE_FRAME_H = 84;
constexpr uint32_t VOTE_FRAME_COLOUR = 0xC8A040;
// The background colour (0xRRGGBB) of portrait n.
uint32_t vote_portrait_colour(int n);

// The player set-up screen's seat, added to the list by make_ui_textures.
// command_seat: 1024 x 128 (32 bits). Row 0 holds the seat button's four looks, SEAT_CELL_W x
// SEAT_CELL_H each from x 0 (normal, cursor over, checked, disabled): a translucent panel in
// the look's colour with an opaque border; the checked look's border is SEAT_CHECKED_BORDER
// and three pixels wide. At (SEAT_FRAME_X, 0) the portrait frame, SEAT_FRAME_W x SEAT_FRAME_H,
// transparent around it and in its window (12, 8)-(60, 56), where the seat puts its portrait.
void add_command_textures(std::vector<ui_texture> &out);
constexpr int SEAT_CELL_W = 200, SEAT_CELL_H = 84;
constexpr int SEAT_FRAME_X = 800, SEAT_FRAME_W = 72, SEAT_FRAME_H = 64;
constexpr uint32_t SEAT_CHECKED_BORDER = 0xFFC020, SEAT_FRAME_COLOUR = 0xC8A040;
constexpr uint8_t SEAT_ALPHA = 160;
// The fill colour (0xRRGGBB) of look n (0 to 3) of the seat.
uint32_t seat_look_colour(int n);

// The game screen's flashes and answer fields, added to the list by make_ui_textures.
// game_flashes: 512 x 128 (32 bits), two rows of two states 256 x 64: state 0 transparent
// (off), state 1 a frame GAME_RIGHT_FLASH (row 0) or GAME_WRONG_FLASH (row 1), opaque along the
// edge and fading inwards, clear in the middle: stretched over the answer panel, it frames it.
// game_field: 256 x 64 (32 bits), a dark panel at alpha GAME_FIELD_ALPHA with a one-pixel
// opaque GAME_FIELD_BORDER border, stretched behind the answers and the topics.
void add_game_textures(std::vector<ui_texture> &out);
constexpr uint32_t GAME_RIGHT_FLASH = 0x30FF50, GAME_WRONG_FLASH = 0xFF3030;
constexpr uint32_t GAME_FIELD_COLOUR = 0x182050, GAME_FIELD_BORDER = 0xD0A040;
constexpr uint8_t GAME_FIELD_ALPHA = 208;

} // namespace imagegen
