// Buttons on the recording device: the font fixture (a private data directory, the Direct3D
// service, the texture and font managers), the sound manager on the manual mixer device with
// the game's "sounds/click", the generated UI textures as TGA files, a font strip "main" (glyphs 10 x 12) and a
// screen object that records what the buttons report to it.
#pragma once

#include "tests/services/fonts/font_fixture.h"
#include "tests/ui/ui_fixture.h"

#include "platform/dsound/dsound.h"
#include "services/location_sound.h"
#include "services/manager_sound.h"
#include "services/srvc_dsound.h"
#include "tools/imagegen/ui_textures.h"
#include "tools/soundgen/soundgen.h"
#include "ui/creators.h"
#include "ui/ui_button.h"
#include "ui/ui_text_static.h"
#include "ui/ui_vis_image.h"

#include <fstream>
#include <map>
#include <sstream>

// Counts the live click sounds (location sounds) directly under the root.
inline int click_count(abstract_c *root)
{
    int n = 0;
    for (abstract_c *c = root->first_child(); c; c = c->next_sibling())
        n += c->alive() && dynamic_cast<location_sound_c *>(c) != nullptr;
    return n;
}

// Records the buttons' reports as "name:arg,arg" and answers none of them.
class screen_recorder_c : public abstract_c
{
public:
    explicit screen_recorder_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(butt_pressed))
            seen.push_back("pressed:" + std::string(msg_arg(0)->get_const_pchar()) + " clicks " +
                           std::to_string(click_count(root())));
        else if (*message == MSG_VAR(butt_checked) || *message == MSG_VAR(butt_unchecked) ||
                 *message == MSG_VAR(butt_hilited))
            seen.push_back(std::string(*message == MSG_VAR(butt_checked)     ? "checked:"
                                       : *message == MSG_VAR(butt_unchecked) ? "unchecked:"
                                                                             : "hilited:") +
                           std::to_string(msg_arg(0)->get_int()) + "," + msg_arg(1)->get_const_pchar());
        return 0;
    }
    std::vector<std::string> seen;
};

class button_world : public font_fixture
{
protected:
    void SetUp() override
    {
        font_fixture::SetUp();
        dsound_select_device(DSOUND_DEVICE_MANUAL);
        attribute_list_c format = attrs({{"sampling_bits", value_c(16)}, {"sampling_rate", value_c(44100)},
                                         {"stereo", value_c(1)}});
        dsound = new dsound_service_c(root, &format);
        start_fonts();
        sounds = new manager_sound_c(root, nullptr);
        std::ifstream sfd(ENGINE_SOURCE_DIR "/data/sounds/click.sfd", std::ios::binary);
        std::stringstream stream;
        stream << sfd.rdbuf();
        const std::string text = stream.str();
        ASSERT_FALSE(text.empty());
        put("sounds/click.sfd", std::vector<uint8_t>(text.begin(), text.end()));
        const soundgen::samples click = soundgen::click(44100, 1, 0.02, 1500.0, 1);
        put("sounds/click.wav", soundgen::make_wave(1, 44100, 16, click));
        for (const imagegen::ui_texture &t : imagegen::make_ui_textures())
            put(std::string("textures/") + t.name + ".tga", imagegen::make_tga(t.pic, t.depth));
        put("fonts/main.bmp", strip_bmp(std::vector<int>(224, 10), 12));
        screen = new screen_recorder_c(root);
    }
    void TearDown() override
    {
        font_fixture::TearDown();
        dsound_select_device(DSOUND_DEVICE_SDL);
    }

    // The attributes of a button on the strip of a row of ui_buttons with `columns` cells.
    static attribute_list_c button_attrs(const char *id, const char *letters, int columns, vec2 pos,
                                         int extra_int = 0, float extra_float = 0.0f)
    {
        const int row = std::string(letters).find('a') != std::string::npos ? 4 : 4 - columns;
        return attrs({{"button_id", text_value(id)},
                      {"extra_string", text_value(letters)},
                      {"extra_int", value_c(extra_int)},
                      {"extra_float", value_c(extra_float)},
                      {"tex", value_c(rect(0, float(row * imagegen::UI_BUTTON_CELL_H),
                                           float(columns * imagegen::UI_BUTTON_CELL_W),
                                           float((row + 1) * imagegen::UI_BUTTON_CELL_H)))},
                      {"tex_name", text_value("ui_buttons")},
                      {"color", value_c(vec3(255, 128, 0))},
                      {"pos", value_c(pos)},
                      {"name", text_value(id)}});
    }
    button *make(const char *id, const char *letters, int columns, vec2 pos, int extra_int = 0,
                 float extra_float = 0.0f)
    {
        attribute_list_c list = button_attrs(id, letters, columns, pos, extra_int, extra_float);
        return new button(screen, &list);
    }

    int mouse(vec2 pos, int event, int button_number = 0, int left = 0)
    {
        return send_mouse(root, pos, event, button_number, left);
    }
    // Move over, press and release the left button at pos.
    void click(vec2 pos)
    {
        mouse(pos, 0);
        mouse(pos, 1, 0, 1);
        mouse(pos, 2, 0, 0);
    }
    void tick_at(double t)
    {
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(float(t)), MSG_ARG(0.01f), MSG_ARGS_END);
    }
    // The next frames of the mix, interleaved 16-bit stereo.
    soundgen::samples hear(int frames)
    {
        soundgen::samples out(size_t(frames) * 2);
        EXPECT_EQ(dsound_manual_render(dsound->get_dsound(), out.data(), DWORD(frames)), DS_OK);
        return out;
    }

    dsound_service_c *dsound = nullptr;
    manager_sound_c *sounds = nullptr;
    screen_recorder_c *screen = nullptr;
};
