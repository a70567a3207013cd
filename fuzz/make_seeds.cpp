// make_seeds <dir> [font.ttf]: writes the seed corpora of the harnesses, one folder per
// harness (<dir>/<harness>/), from the project's generators: the image, font, model and sound
// generators, the WAVE builder and the pack builder of the tests, the packet builders of the
// network layer, and a few scripts and texts written here. Small files on purpose: the fuzzer
// mutates them and takes its size limit from the largest seed. The build adds the demo
// scripts, sound descriptions and video fixtures beside them.
#include "fuzz/fuzz_seed_models.h"
#include "game/game_disp.h"
#include "tests/importers/wave/wave_corpus.h"
#include "tests/net/lab/packet_bytes.h"
#include "tests/ui/game_screens/score_entry.h"
#include "tests/vaultis/pack_fixture.h"
#include "tools/ddsgen/ddsgen.h"
#include "tools/imagegen/imagegen.h"
#include "tools/locationgen/studio_seats.h"
#include "tools/modelgen/modelgen.h"
#include "tools/soundgen/soundgen.h"
#include "ui/ui_screen_options.h"

#include <cstdint>
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
    put("jpeg", "progressive.jpg", imagegen::make_jpeg(gradient(17, 9), imagegen::jpeg_kind::rgb_progressive));
    put("jpeg", "arithmetic.jpg", imagegen::make_jpeg(gradient(6, 6), imagegen::jpeg_kind::rgb_arithmetic));
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

// Inputs of the game harness: the role byte, then records (see fuzz_lan_game.cpp). Every type
// from the session's peer, the set-up changes of a client's seat, and short games: a ready
// client, then answers and votes (server); a round, a question and its verdict (client).
namespace lan_game {

constexpr uint8_t SERVER = 0, CLIENT = 1, PEER = 0, WAIT = 0x80, LOCATION_LOADED = 0x7f;

int32_t peer_address()
{
    const uint8_t bytes[4] = {127, 0, 0, 2};
    int32_t a;
    std::memcpy(&a, bytes, sizeof a);
    return a;
}

struct input_s
{
    std::vector<uint8_t> bytes;
    explicit input_s(uint8_t role) : bytes{role} {}
    input_s &send(const bytes_t &packet, uint8_t who = PEER)
    {
        bytes.push_back(who);
        bytes.push_back(uint8_t(packet.size() & 0xff));
        bytes.push_back(uint8_t(packet.size() >> 8));
        bytes.insert(bytes.end(), packet.begin(), packet.end());
        return *this;
    }
    template <class P> input_s &send_packet(const P &p) { return send(as_bytes(&p, sizeof p)); }
    input_s &location_loaded()
    {
        bytes.push_back(LOCATION_LOADED);
        return *this;
    }
    input_s &wait(int ticks)
    {
        bytes.push_back(uint8_t(WAIT | ticks));
        return *this;
    }
};

template <class P> P packet(int type)
{
    const bytes_t b = valid_packet(type);
    P p;
    std::memcpy(&p, b.data(), sizeof p);
    return p;
}

np_change_player_info change(int code, int32_t number, const char *text)
{
    np_change_player_info c = packet<np_change_player_info>(NP_CHANGE_PLAYER_INFO);
    c.slot = 1;
    c.address = peer_address();
    c.code = code;
    std::memset(c.value, 0, sizeof c.value);
    if (text)
        std::strcpy(c.value, text);
    else
        std::memcpy(c.value, &number, sizeof number);
    return c;
}

np_answer answer(int item)
{
    np_answer a = packet<np_answer>(NP_ANSWER);
    a.item = item;
    a.address = peer_address();
    return a;
}

np_question question(bool computer, int model)
{
    np_question q = packet<np_question>(NP_QUESTION);
    q.computer = computer;
    q.time_parameter = 0.2f;
    q.model_nmb = model;
    q.item_count = 4;
    q.first = 1;
    std::strcpy(q.menu, "Which?_one_two_three_four");
    std::strcpy(q.hint, "Choose");
    return q;
}

void seeds()
{
    auto put_input = [](const std::string &name, const input_s &in) { put("lan_game", name, in.bytes); };
    for (int type = 1; type <= 16; ++type) {
        put_input("server_type" + std::to_string(type), input_s(SERVER).send(valid_packet(type)));
        put_input("client_type" + std::to_string(type), input_s(CLIENT).send(valid_packet(type)));
    }

    player_info seat;
    player_info_init(seat);
    seat.portr_nmb = 3;
    std::strcpy(seat.name, "Anna Petrova");
    seat.age = 33;
    seat.character = 1;
    seat.health = 2;
    seat.sex = 1;
    seat.job = 4;
    seat.intellect = 70;
    seat.hobby = 2;
    seat.pulse = 65;
    seat.m_is_man = 1;
    seat.m_owner_address = peer_address();
    np_change_player_info whole = change(CHANGE_WHOLE_SEAT, 0, nullptr);
    std::memcpy(whole.value, &seat, sizeof seat);
    const np_change_player_info changes[] = {
        whole,
        change(CHANGE_MAN_BOT, 0, nullptr),
        change(CHANGE_READY, 0, nullptr),
        change(CHANGE_PORTRAIT, 1, nullptr),
        change(CHANGE_NAME, 0, "Boris"),
        change(CHANGE_AGE, 0, "41"),
        change(CHANGE_CHARACTER, 2, nullptr),
        change(CHANGE_HEALTH, 0, nullptr),
        change(CHANGE_JOB, 5, nullptr),
        change(CHANGE_INTELLECT, 0, "90"),
        change(CHANGE_HOBBY, 3, nullptr),
        change(CHANGE_PULSE, 0, "55"),
    };
    for (const np_change_player_info &c : changes)
        put_input("server_change" + std::to_string(c.code), input_s(SERVER).send_packet(c));
    // Codes outside the set-up's lists, as a faulty client sends them.
    np_change_player_info far_whole = whole;
    player_info far_seat = seat;
    far_seat.job = JOB_COUNT;
    far_seat.hobby = -1;
    std::memcpy(far_whole.value, &far_seat, sizeof far_seat);
    put_input("server_change_out_of_lists", input_s(SERVER)
                                                .send_packet(change(CHANGE_JOB, JOB_COUNT, nullptr))
                                                .send_packet(change(CHANGE_HOBBY, -1, nullptr))
                                                .send_packet(change(CHANGE_CHARACTER, 4, nullptr))
                                                .send_packet(far_whole));

    np_vote vote = packet<np_vote>(NP_VOTE);
    vote.target = 2;
    vote.voter = 1;
    input_s game(SERVER);
    game.send_packet(change(CHANGE_READY, 0, nullptr)).wait(4).location_loaded().wait(20);
    for (int item = 0; item < 4; ++item)
        game.send_packet(answer(item)).wait(8).location_loaded().wait(4);
    game.send_packet(vote).wait(18);
    put_input("server_game", game);

    np_player_info_updated updated = packet<np_player_info_updated>(NP_PLAYER_INFO_UPDATED);
    updated.slot = 2;
    updated.info = seat;
    np_round_started round = packet<np_round_started>(NP_ROUND_STARTED);
    round.round = 1;
    round.round_time = 180.0f;
    np_scene_command lift = packet<np_scene_command>(NP_SCENE_COMMAND);
    std::strcpy(lift.command, "lift");
    std::strcpy(lift.object, "lift1");
    std::strcpy(lift.hint, "Up");
    np_scene_command vote_scene = lift;
    std::strcpy(vote_scene.command, "start_vote");
    np_scene_command flash = lift;
    std::strcpy(flash.command, "flash");
    np_mark_excluded_player excluded = packet<np_mark_excluded_player>(NP_MARK_EXCLUDED_PLAYER);
    excluded.slot = 3;
    np_question_answered verdict = packet<np_question_answered>(NP_QUESTION_ANSWERED);
    verdict.item = 1;
    verdict.model_nmb = 0;
    verdict.random = 2;
    verdict.right = 1;
    np_vote_confirmed confirmed = packet<np_vote_confirmed>(NP_VOTE_CONFIRMED);
    confirmed.target = 2;
    confirmed.voter = 1;
    np_game_stopped stopped = packet<np_game_stopped>(NP_GAME_STOPPED);
    stopped.code = 7;
    stopped.value = 1;
    put_input("client_seat", input_s(CLIENT).send_packet(updated));
    // A seat no set-up makes, then a round start that would check it.
    np_player_info_updated spoilt = updated;
    spoilt.info.job = JOB_COUNT;
    spoilt.info.hobby = -1;
    spoilt.info.pulse = 0;
    spoilt.info.portr_nmb = 99;
    spoilt.info.m_right_nmb = INT32_MAX;
    spoilt.info.m_wrong_nmb = 1;
    put_input("client_spoilt_seat", input_s(CLIENT).send_packet(spoilt).send_packet(round).wait(4));
    put_input("client_scenes", input_s(CLIENT).send_packet(lift).wait(2).send_packet(flash).send_packet(vote_scene));
    put_input("client_game", input_s(CLIENT)
                                 .send_packet(round)
                                 .send_packet(question(false, 1))
                                 .wait(10)
                                 .send_packet(verdict)
                                 .send_packet(question(true, 0))
                                 .wait(10)
                                 .send_packet(confirmed)
                                 .send_packet(excluded)
                                 .send_packet(stopped)
                                 .wait(20));
}

} // namespace lan_game

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

// The user's options as the game stores them: its defaults, everything off at 0, the extremes of
// the percentages, and values one byte short and long.
void options()
{
    const game_options records[] = {{1, 80, 1, 100, 1, 1}, {0, 0, 0, 0, 0, 0}, {1, INT32_MAX, -1, INT32_MIN, 2, -7}};
    const char *names[] = {"defaults", "off", "extremes"};
    for (size_t i = 0; i < 3; ++i) {
        const auto *bytes = reinterpret_cast<const uint8_t *>(&records[i]);
        put("options", names[i], std::vector<uint8_t>(bytes, bytes + sizeof records[i]));
    }
    const auto *bytes = reinterpret_cast<const uint8_t *>(&records[0]);
    put("options", "short", std::vector<uint8_t>(bytes, bytes + sizeof records[0] - 1));
    std::vector<uint8_t> longer(bytes, bytes + sizeof records[0]);
    longer.push_back(0);
    put("options", "long", longer);
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
        lan_game::seeds();
        dds_files();
        animated_models();
        static_models();
        score_tables();
        options();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
