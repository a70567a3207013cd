// splash_dispatcher (script class "splash_dispatcher"): the start of the program, made by
// "scripts/splash.isc". On construction it hides the pointer (`cursor_show` INT 0 to the
// root), plays the sound named by the STRING attribute `background_music` and opens the video
// texture named by `video` (one mip level), drawn as a 512 x 512 quad in the middle of the
// screen (its corner at the integer halves of the screen size less 512, negative on a screen
// smaller than that). When the video has ended (`video_finished`, claimed) it gives the video
// back and shows the picture named by `splash` over (0, 0)-(1024, 768), the upper three
// quarters of a 1024 x 1024 texture, for FLOAT `wait_time` seconds of common time; the first
// `tick` (FLOAT seconds) past that asks the root for the main menu (`load_screen`
// "screen_main") and shuts the dispatcher down, which shows the pointer again (`cursor_show`
// INT 1). A missing attribute is the engine's required-attribute error when it is read: the
// first two at construction, the last two when the video ends.
//
// Only the first `video_finished` counts: a video texture repeats it on every tick after its
// end, and other videos may end later, neither of which may push the picture's end away. A
// negative wait time shows the picture until the next tick.
//
// A `video` that names a still picture, which never reports an end, counts as a video of
// `wait_time` seconds from the first tick: the first tick past that shows the picture.
//
// The music keeps playing while the dispatcher lives; it is given back with the dispatcher
// when the dead are collected after its last tick.
#pragma once

#include <memory>
#include <optional>

#include "basics/rect.h"
#include "kernel/abstract.h"
#include "platform/d3d/d3d8.h"
#include "services/isound.h"
#include "services/itexture.h"

class d3d_service_c;

class splash_dispatcher : public abstract_c
{
public:
    splash_dispatcher(abstract_c *parent, const attribute_list_c *attributes);

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    const rect &quad() const { return m_quad; }
    // -1 while the video plays.
    float end_time() const { return m_end_time; }

private:
    void show_picture();
    void render();

    d3d_service_c *m_d3d;
    std::unique_ptr<isound_c> m_music;
    std::unique_ptr<itexture_c> m_picture;
    IDirect3DVertexBuffer8 *m_vertex_buffer;
    rect m_quad;
    float m_end_time;
    bool m_picture_shown;
    bool m_still_video;
    // When a still in the place of the video ends; set by the first tick.
    std::optional<float> m_still_end;
};
