// Options: the input is the stored value "Options" in a registry of the harness's own. The
// holder of the user's options reads it when made (a value of exactly 24 bytes, else the
// defaults), gives the volumes to the sound manager, answers the questions about the record and
// writes it back when it ends. Whatever the value held: the record it answers with is the value
// when that was 24 bytes and the defaults otherwise, the manager got the volumes the record
// gives (0 for a switched-off one, the percentage divided by 100 as given), and the value written
// back is that record, 24 bytes.
#include "fuzz/fuzz_support.h"
#include "fuzz/registry_stand.h"
#include "kernel/abstract.h"
#include "platform/registry/winreg.h"
#include "scores/game_registry.h"
#include "services/manager_sound.h"
#include "ui/ui_screen_options.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

abstract_c *g_root = nullptr;
manager_sound_c *g_sounds = nullptr;

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz_options: %s\n", what);
    std::abort();
}

// Equal as the float the percentage gives, or both not numbers at all.
bool volume_is(float got, int32_t on, int32_t percent)
{
    const float want = on ? float(percent) * 0.01f : 0.0f;
    return got == want || (std::isnan(got) && std::isnan(want));
}

} // namespace

void fuzz::harness_setup()
{
    use_private_registry();
    g_root = new abstract_c(nullptr);
    g_sounds = new manager_sound_c(g_root, nullptr);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > REG_MAX_VALUE_SIZE)
        return 0; // the registry does not read it
    game_options expected = {1, 80, 1, 100, 1, 1};
    if (size == sizeof expected)
        std::memcpy(&expected, data, size);
    try {
        game_registry_write("Options", data, size);
        g_sounds->sound_volume = g_sounds->music_volume = -1.0f;
        auto *holder = new options_loader(g_root, nullptr);
        if (std::memcmp(&holder->options(), &expected, sizeof expected) != 0)
            fault("the record is not what the value gives");
        if (!volume_is(g_sounds->sound_volume, expected.sndef_on, expected.sndef_pt) ||
            !volume_is(g_sounds->music_volume, expected.bckgnd_on, expected.bckgnd_pt))
            fault("the sound manager got other volumes than the record gives");
        game_options answered;
        std::memset(&answered, 0x5A, sizeof answered);
        if (!holder->message(MSG_VAR(get_game_options), 0, nullptr, MSG_ARG((void *)&answered), MSG_ARGS_END) ||
            std::memcmp(&answered, &expected, sizeof expected) != 0)
            fault("get_game_options answers another record");
        uint8_t hint = 7, camera = 7;
        holder->message(MSG_VAR(is_hint_on), 0, nullptr, MSG_ARG((void *)&hint), MSG_ARGS_END);
        holder->message(MSG_VAR(is_cam_move_on), 0, nullptr, MSG_ARG((void *)&camera), MSG_ARGS_END);
        if (hint != (expected.hint_on != 0 ? 1 : 0) || camera != (expected.cam_move_on != 0 ? 1 : 0))
            fault("a switch is answered wrong");
        holder->shutdown_tree();
        g_root->collect_dead_children();
        const std::vector<uint8_t> written = game_registry_read("Options");
        if (written.size() != sizeof expected || std::memcmp(written.data(), &expected, sizeof expected) != 0)
            fault("the value written back is not the record");
    } catch (const exception_c &e) {
        fault(e.get_message().c_str());
    }
    return 0;
}
