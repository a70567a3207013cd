// Streaming a 60-second stereo Ogg Vorbis file at 44100 Hz through ogg_stream_sound_c on the
// manual mixer device (the time spent in play and the ticks that refill the ring; the mixing
// itself is not counted), against a plain ov_read loop over the same bytes in memory.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "basics/Vaultis.h"
#include "basics/vaultfile_obj.h"
#include "bench_common.h"
#include "kernel/scripts.h"
#include "services/isound.h"
#include "services/sound_stream.h"
#include "services/srvc_dsound.h"
#include "tools/soundgen/soundgen.h"

namespace {

namespace fs = std::filesystem;

soundgen::samples music(int seconds)
{
    soundgen::samples out;
    for (int i = 0; i < seconds; i++) {
        soundgen::samples s = soundgen::tone(44100, 2, 1.0, 220.0 + 30.0 * (i % 7), 0.3, i % 2 ? 0.5 : -0.5);
        const soundgen::samples c = soundgen::click(44100, 1, 1.0, 900.0 + 50.0 * (i % 5), (unsigned)i + 1);
        for (size_t k = 0; k < c.size(); k++) {
            s[2 * k] = (int16_t)(s[2 * k] + c[k] / 2);
            s[2 * k + 1] = (int16_t)(s[2 * k + 1] + c[k] / 3);
        }
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

double plain_decode_seconds(const std::vector<uint8_t> &ogg, long &bytes)
{
    ogg_mem_file_s mem{(int)ogg.size(), 0, ogg.data()};
    OggVorbis_File vf;
    const ov_callbacks cb = {ogg_mem_read, ogg_mem_seek, ogg_mem_close, ogg_mem_tell};
    const auto t0 = std::chrono::steady_clock::now();
    ov_open_callbacks(&mem, &vf, nullptr, 0, cb);
    char buf[4096];
    int section = 0;
    bytes = 0;
    for (;;) {
        const long n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section);
        if (n == OV_HOLE)
            continue;
        if (n <= 0)
            break;
        bytes += n;
    }
    ov_clear(&vf);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("bench-ogg-" + std::to_string(std::random_device()()));
    fs::create_directories(dir / "data" / "sounds");
    fs::current_path(dir);
    const std::vector<uint8_t> ogg = soundgen::make_ogg(2, 44100, music(60));
    soundgen::write_file("data/sounds/b.Ogg", ogg);
    auto put_text = [](const char *path, const std::string &text) {
        soundgen::write_file(path, std::vector<uint8_t>(text.begin(), text.end()));
    };
    put_text("data/sounds/b.sfd", "format = Ogg;");
    put_text("data/t.isc", "template Ogg_sound_tpl { };");

    VT::init(nullptr);
    set_data_directory("data");
    scripts_c scripts;
    scripts.execute_script("t.isc", nullptr, 1);
    dsound_select_device(DSOUND_DEVICE_MANUAL);
    auto *root = new abstract_c(nullptr);
    new bench_window_c(root);
    attribute_list_c attrs;
    add_attribute(nullptr, attrs, "sampling_bits", value_c(16), 0);
    add_attribute(nullptr, attrs, "sampling_rate", value_c(44100), 0);
    add_attribute(nullptr, attrs, "stereo", value_c(1), 0);
    auto *dsound = new dsound_service_c(root, &attrs);
    root->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    new manager_sound_c(root, nullptr);

    double best_stream = 1e30, best_plain = 1e30;
    long plain_bytes = 0;
    std::vector<int16_t> out(3000 * 2);
    for (int round = 0; round < 7; round++) {
        auto sound = isound_mgr_c().create_sound("sounds/b");
        double t = 0.0;
        auto timed = [&](auto &&f) {
            const auto t0 = std::chrono::steady_clock::now();
            f();
            t += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        };
        timed([&] { sound->play(); });
        float now = 0.0f;
        while (sound->is_playing()) {
            dsound_manual_render(dsound->get_dsound(), out.data(), 3000);
            now += 3000.0f / 44100.0f;
            timed([&] { root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(now), MSG_ARG(0.068f), MSG_ARGS_END); });
        }
        sound.reset();
        root->collect_dead_children();
        best_stream = std::min(best_stream, t);
        best_plain = std::min(best_plain, plain_decode_seconds(ogg, plain_bytes));
    }
    std::printf("decoded %ld bytes of PCM from %zu bytes of Ogg Vorbis\n", plain_bytes, ogg.size());
    const int rc = print_ratio("ogg_stream_sound_c, 60 s streamed", best_stream, "plain ov_read loop", best_plain,
                               "ms", 1000.0, 1.15);

    root->shutdown_tree();
    delete root;
    fs::current_path(dir.parent_path());
    fs::remove_all(dir);
    return rc;
}
