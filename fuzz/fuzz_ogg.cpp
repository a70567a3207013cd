// Ogg Vorbis: the input is a .Ogg file, loaded through the sound manager as a streamed sound on
// the manual mixer device and played for a bounded time: rendered and ticked block by block,
// looped when the input's size is odd (so the decoder's rewind runs too), then restarted.
#include "fuzz/fuzz_support.h"
#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "services/isound.h"
#include "services/manager_sound.h"
#include "services/srvc_dsound.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

class window_stand_in_c : public abstract_c
{
public:
    using abstract_c::abstract_c;
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(mainwnd_get_handles)) {
            *static_cast<HWND *>(msg_arg(0)->get_ptr()) = nullptr;
            return 1;
        }
        return 0;
    }
};

abstract_c *g_root = nullptr;
dsound_service_c *g_dsound = nullptr;
manager_sound_c *g_manager = nullptr;

void play_for_a_while(isound_c &sound)
{
    static std::vector<int16_t> out(2 * 6000);
    for (int i = 0; i < 24 && sound.is_playing(); i++) {
        dsound_manual_render(g_dsound->get_dsound(), out.data(), 6000);
        g_root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(0.1f * i), MSG_ARG(0.1f), MSG_ARGS_END);
    }
}

} // namespace

void fuzz::harness_setup()
{
    static const char templates[] = "template Ogg_sound_tpl { };";
    fuzz::put_data("scripts/t.isc", (const uint8_t *)templates, sizeof templates - 1);
    static scripts_c scripts;
    scripts.execute_script("scripts/t.isc", nullptr, 1);
    dsound_select_device(DSOUND_DEVICE_MANUAL);
    g_root = new abstract_c(nullptr);
    new window_stand_in_c(g_root);
    attribute_list_c attrs;
    add_attribute(nullptr, attrs, "sampling_bits", value_c(16), 0);
    add_attribute(nullptr, attrs, "sampling_rate", value_c(44100), 0);
    add_attribute(nullptr, attrs, "stereo", value_c(1), 0);
    g_dsound = new dsound_service_c(g_root, &attrs);
    g_root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    g_manager = new manager_sound_c(g_root, nullptr);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char plain[] = "format = Ogg;";
    static const char looped[] = "format = Ogg; looped = yes;";
    if (size & 1)
        fuzz::put_data("sounds/input.sfd", (const uint8_t *)looped, sizeof looped - 1);
    else
        fuzz::put_data("sounds/input.sfd", (const uint8_t *)plain, sizeof plain - 1);
    fuzz::put_data("sounds/input.Ogg", data, size);
    try {
        std::unique_ptr<isound_c> sound = isound_mgr_c().create_sound("sounds/input");
        sound->play();
        play_for_a_while(*sound);
        sound->resource()->message(MSG_VAR(sound_restart), 0, nullptr, MSG_ARGS_END);
        play_for_a_while(*sound);
    } catch (const exception_c &) {
    }
    // A data entry whose instance failed stays for the next load of its name: drop it, so that
    // the next input is read afresh.
    for (abstract_c *c = g_manager->first_child(); c; c = c->next_sibling())
        c->shutdown_tree();
    g_root->collect_dead_children();
    return 0;
}
