// credits (script class "credits"): the slide show played when the user leaves the program.
// Over a full-screen background picture a column of images scrolls up from below the screen's
// bottom edge to beyond its top while background music plays, with a pause before and after.
// The exit dispatcher runs the credits script under itself and asks `credits_running` every
// tick; the answer is 1 while the show is on and 0 once it has ended.
//
// Attributes, all required when they are read (the engine's "Could not find required
// attribute '<name>'"): FLOAT slide_speed (pixels a second), in_pause and out_pause (seconds),
// STRING background_music (a sound name), background_texture (a texture name), and per image
// i = 0, 1, 2 ... up to the first missing one: STRING image<i>_texture and VEC2 image<i>_origin
// (the image's top-left corner in the column, in pixels). The column is the smallest
// rectangle holding every image at its texture's size; all 0 without images.
//
// Timing, on `tick` (FLOAT seconds since the program started): the first tick starts the
// clock and the music. With e the seconds since then and D = (column height + screen height)
// / slide_speed the scroll's duration: before in_pause the images are hidden; from then to
// in_pause + D + out_pause the offset is (e - in_pause) * slide_speed, the column drawn moved
// down by (screen height - column top - offset), so that it enters at the bottom and its
// bottom edge leaves at the top when the scroll ends; after that the show has ended. A
// slide_speed that is not a positive number scrolls nothing: the show is only its two pauses.
//
// `render` draws the background over the whole screen, then the images in their order while
// they scroll. Resources (music, textures, the quads' buffers) are given back on shutdown.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "basics/rect.h"
#include "kernel/abstract.h"
#include "platform/d3d/d3d8.h"
#include "services/isound.h"
#include "services/itexture.h"

class d3d_service_c;

class credits : public abstract_c
{
public:
    credits(abstract_c *parent, const attribute_list_c *attributes);

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    // -1 while the images are hidden.
    float offset() const { return m_offset; }
    int running() const { return m_running; }
    const rect &column() const { return m_column; }
    int image_count() const { return (int)m_images.size(); }
    const rect &image_rect(int i) const { return m_images[(size_t)i].area; }

private:
    struct image_s
    {
        std::unique_ptr<itexture_c> texture;
        IDirect3DVertexBuffer8 *quad;
        rect area;
    };

    void load();
    void advance(float now);
    void render();
    // The scroll's duration in seconds.
    float scroll_time() const;

    d3d_service_c *m_d3d;
    std::unique_ptr<isound_c> m_music;
    std::unique_ptr<itexture_c> m_background;
    IDirect3DVertexBuffer8 *m_background_quad;
    std::vector<image_s> m_images;
    rect m_column;
    float m_slide_speed;
    float m_in_pause;
    float m_out_pause;
    float m_start_time;
    float m_offset;
    int32_t m_running;
};
