// make_seeds <dir> [font.ttf]: writes the seed corpora of the harnesses, one folder per
// harness (<dir>/<harness>/), from the project's generators: the image, font, model and sound
// generators, the WAVE builder and the pack builder of the tests, the packet builders of the
// network layer, and a few scripts and texts written here. Small files on purpose: the fuzzer
// mutates them and takes its size limit from the largest seed. The build adds the demo
// scripts, sound descriptions and video fixtures beside them.
#include "fuzz/fuzz_seed_models.h"
#include "tests/importers/wave/wave_corpus.h"
#include "tests/net/lab/packet_bytes.h"
#include "tests/ui/game_screens/score_entry.h"
#include "tests/vaultis/pack_fixture.h"
#include "tools/ddsgen/ddsgen.h"
#include "tools/imagegen/imagegen.h"
#include "tools/locationgen/studio_seats.h"
#include "tools/modelgen/modelgen.h"
#include "tools/soundgen/soundgen.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::filesystem::path g_out;

void put(const std::string &harness, const std::string &name, const std::vector<uint8_t> &bytes)
{
    std::filesystem::create_directories(g_out / harness);
    imagegen::write_file((g_out / harness / name).string(), bytes);
}

void put_text(const std::string &harness, const std::string &name, const std::string &text)
{
    put(harness, name, std::vector<uint8_t>(text.begin(), text.end()));
}

imagegen::picture gradient(int w, int h)
{
    imagegen::picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.set(x, y, uint32_t(x * 40) << 16 | uint32_t(y * 50) << 8 | uint32_t((x + y) * 20 & 0xFF),
                  uint8_t(x * 30 + y));
    return p;
}

void images()
{
    put("bmp", "1x1.bmp", imagegen::make_bmp(imagegen::picture(1, 1, 0x123456)));
    put("bmp", "5x3.bmp", imagegen::make_bmp(gradient(5, 3)));
    put("bmp", "6x4.bmp", imagegen::make_bmp(gradient(6, 4)));
    put("tga", "5x3_24.tga", imagegen::make_tga(gradient(5, 3), 24));
    put("tga", "4x4_32.tga", imagegen::make_tga(gradient(4, 4), 32));
    put("tga", "1x1_24.tga", imagegen::make_tga(imagegen::picture(1, 1, 0xABCDEF), 24));
    put("jpeg", "rgb.jpg", imagegen::make_jpeg(gradient(9, 7)));
    put("jpeg", "grey.jpg", imagegen::make_jpeg(gradient(8, 8), imagegen::jpeg_kind::grey));
    put("jpeg", "cmyk.jpg", imagegen::make_jpeg(gradient(5, 3), imagegen::jpeg_kind::cmyk, 50));
}

void fonts(const char *font_file)
{
    // Three glyphs by hand: key colour in column 0 and between the glyphs.
    imagegen::picture strip(8, 4, 0xFF00FF);
    strip.fill_rect(1, 0, 2, 4, 0x000000);
    strip.fill_rect(4, 0, 1, 4, 0xFFFFFF);
    strip.fill_rect(6, 0, 2, 4, 0x202020);
    put("font", "three.bmp", imagegen::make_bmp(strip));
    if (!font_file)
        return;
    imagegen::font_strip_options options;
    options.font_file = font_file;
    options.pixel_size = 7;
    options.first = 32;
    options.last = 90;
    put("font", "dejavu7.bmp", imagegen::make_bmp(imagegen::render_font_strip(options)));
}

void waves()
{
    using namespace wave_corpus;
    std::string mono8, stereo16;
    for (int i = 0; i < 40; ++i)
        mono8 += char(128 + 60 * ((i / 5) % 2 ? 1 : -1));
    for (int i = 0; i < 24; ++i)
        stereo16 += le16(uint32_t(i * 2500)) + le16(uint32_t(-i * 1700));
    auto put_wave = [](const std::string &name, const std::string &image) { put_text("wave", name, image); };
    put_wave("mono8.wav", pcm_wave(1, 11025, 8, mono8));
    put_wave("stereo16.wav", pcm_wave(2, 44100, 16, stereo16));
    // Chunks around and between the two that count, an odd one padded, a longer "fmt ".
    put_wave("chunks.wav", riff("WAVE", chunk("LIST", "INFOabc") + chunk("fmt ", fmt_body(1, 1, 22050, 16, 18)) +
                                            chunk("fact", "xyz") + chunk("data", stereo16.substr(0, 30))));
}

void packs()
{
    std::vector<fixture::entry_s> entries = {
        {"data\\scripts\\init.isc", "create root { int sleep_interval = 0; };\r\n"},
        {"data\\fonts\\Main.bmp", fixture::pattern(70, 3)},
        {"data\\empty.txt", ""},
        {"readme", "pack"},
    };
    const std::string pack = fixture::make_pack(entries);
    put_text("vaultis", "four.vfs", pack);
    put_text("vaultis", "one.vfs", fixture::make_pack({{"a", "b"}}));
}

void sounds()
{
    put_text("sfd", "pcm.sfd", "// a click\r\nformat = PCM;\r\nvolume = 0.8;\r\n");
    put_text("sfd", "all.sfd",
             "Format = Ogg; sound_is_3D = YES; looped = no; music = yes; volume = 51c; distances = 64.0 / 2.0;\n");
    put("ogg", "mono.Ogg", soundgen::make_ogg(1, 11025, soundgen::tone(11025, 1, 0.3, 440.0, 0.5)));
    put("ogg", "stereo.Ogg", soundgen::make_ogg(2, 22050, soundgen::click(22050, 2, 0.4, 900.0, 3)));
    put("ogg", "empty.Ogg", soundgen::make_ogg(1, 8000, {}));
}

void texts()
{
    put_text("tok", "tokens.txt",
             "ident _x9 12 -7 +3 0x1F 017 1.5 -0.25 2e3 1.5e-2 128c 90g\r\n"
             "[1 2] [1 2 3] [0 0 640 480] \"text\" \"a \\\"quoted\\\" word\\n\" ; : :: -> <= >= ... == && ||\r\n"
             "// a comment \\\r\n continued\r\n/* block\r\n comment */ end\r\n");
    put_text("tok", "statements.txt",
             "transform scale [1 1 1] angles [0 90g 0] offset [0 0 1.5] ;\n\r"
             "position 10 20 [0.5 0.25] [1 2 3 4] \"name\" { key : \"v\" } ;\n\r"
             "esc\\ aped\\\r\nline\\tand\\ttabs\n");
}

void scripts()
{
    put_text("scripts", "template_chain.isc",
             "template base { int a = 1; float b = 2.5; string c = \"text\"; };\r\n"
             "template derived : base { vec2 d = [1 2]; vec3 e = [1 2 3]; rect f = [0 0 10 20]; };\r\n");
    put_text("scripts", "tree.isc",
             "template t { int x = 5; };\r\n"
             "create root { int sleep_interval = 0; } children : {\r\n"
             "  create clock {};\r\n"
             "  create abstract : t { string name = \"one\"; } children : {\r\n"
             "    create abstract { float f = 0.5c; };\r\n"
             "  };\r\n"
             "};\r\n"
             "create abstract { vec3 v = [1 2 3]; };\r\n");
    put_text("scripts", "include.isc", "include \"missing.isc\";\r\ncreate clock {};\r\n");
    // The studios' seats as the demo data has them (the hand-written locations join from data/).
    for (int seat : {0, 7})
        put_text("scripts", "studio_seat" + std::to_string(seat) + ".isc", locationgen::studio_seat_script(seat));
}

void models()
{
    using namespace modelgen;
    put("skl", "seed.skl", fuzz::seed_skeleton_file());
    put("skl", "one.skl", skeleton_file({{{"only", -1}}, {{matrix_identity}}}));
    // Children listed before their parents: the walks must go up past them.
    put("skl", "reversed.skl",
        skeleton_file({{{"c", 1}, {"b", 2}, {"a", -1}}, {{translation({0, 0, 1}), rotation('y', 1), scaling({2, 2, 2})}}}));

    put("sgm", "boxes.sgm", skinned_file(fuzz::seed_boxes()));
    put("sgm", "blended.sgm", skinned_file(fuzz::seed_blended()));

    static_desc box;
    add_box(box, {-1, -1, 0}, {1, 1, 2});
    box.locators = {{"top", translation({0, 0, 2})}, {"side", rotation('z', 0.5f)}};
    put("geo", "box.geo", static_file(box));
    static_desc floor;
    add_quad_strip(floor, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 3);
    put("geo", "floor.geo", static_file(floor));
}

// Definitions of the animated model that the harness lays out: skeleton "s" (the seed
// skeleton, 2 frames), geometries "g" and "h".
void animated_models()
{
    put_text("anim", "two_parts.def",
             "transform scale [1 1 1] angles [0 90g 0] offset [0 0 0.5];\r\n"
             "skeleton \"s\";\r\n"
             "parts {\r\n"
             "  part \"body\" : geometry \"g\", texture \"skin\", default on;\r\n"
             "  part \"hat\" : geometry \"h\", texture \"hat_alpha\", default off;\r\n"
             "};\r\n"
             "gestures {\r\n"
             "  define slow = 0.5;\r\n"
             "  gesture \"wave\" oscillating { frame 0; delay slow; frame 1; delay 0.25; frame 0; };\r\n"
             "  gesture \"walk\" wrapping { frame 1; delay 0.1; frame 0; };\r\n"
             "  gesture \"stop\" finite { frame 0; delay 0.2; frame 1; };\r\n"
             "  gesture \"stand\" static { frame 1; };\r\n"
             "};\r\n"
             "morphs { default_time 0.3; morph \"wave\" * to \"walk\" 1 by_time 0.2;\r\n"
             "  morph \"walk\" 0 to \"stand\" 1 by_time 0; };\r\n");
    put_text("anim", "one_part.def",
             "transform scale [2 2 2] angles [0 0 0] offset [0 0 0];\n"
             "skeleton \"s\";\n"
             "parts { part \"only\" : geometry \"G\", texture \"t\", default on; };\n"
             "gestures { gesture \"idle\" static { frame 0; }; };\n"
             "morphs { default_time 0; };\n");
}

// Definitions of the static model that the harness lays out: geometries "floor" and "box".
void static_models()
{
    put_text("static", "floor.def",
             "transform scale [1 1 1] angles [0 0 0] offset [0 0 0];\n"
             "geometry \"floor\";\n"
             "texture \"stone\";\n");
    put_text("static", "box.def",
             "// a turned, raised box\r\n"
             "transform scale [2 2 0.5] angles [0 90g 0.5] offset [0 0 -1];\r\n"
             "geometry \"box\"; texture \"box_alpha\";\r\n"
             "/* nothing after */\r\n");
}

// One valid packet of every LAN packet type, for both harnesses that read datagrams.
void packets()
{
    for (int type = 1; type <= 16; ++type)
        for (const char *harness : {"net_packet", "lan"})
            put(harness, "type" + std::to_string(type), valid_packet(type));
}

void dds_files()
{
    for (const auto &[name, bytes] : ddsgen::sample_files())
        put("dds", name, bytes);
}

// Stored score tables as the game writes them (empty, one entry, a full table with Russian
// names and a negative score) and one longer than the game ever writes.
void score_tables()
{
    const std::vector<hiscore_entry> full = {
        score_entry("\xc0\xed\xed\xe0", 12000, 34), score_entry("\xc8\xe2\xe0\xed", 9000, 51), score_entry("Bob", 500, 20),
        score_entry("\xce\xeb\xFC\xe3\xe0", 0, 66), score_entry("Cy", -40, 18)};
    std::vector<hiscore_entry> seven = full;
    seven.push_back(score_entry("six", -50, 30));
    seven.push_back(score_entry("seven", -60, 30));
    const struct
    {
        const char *name;
        size_t count;
        const hiscore_entry *entries;
    } tables[] = {{"empty", 0, full.data()}, {"one", 1, full.data()}, {"five", 5, full.data()}, {"seven", 7, seven.data()}};
    for (const auto &t : tables) {
        const std::vector<uint8_t> bytes = score_table_value(t.entries, int(t.count));
        put("score_tables", t.name, bytes);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_seeds <dir> [font.ttf]\n");
        return 2;
    }
    g_out = argv[1];
    try {
        images();
        fonts(argc > 2 ? argv[2] : nullptr);
        waves();
        packs();
        texts();
        sounds();
        scripts();
        models();
        packets();
        dds_files();
        animated_models();
        static_models();
        score_tables();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
