// The LAN packets: the wire layout of the records and the one check every packet passes.
#include "net/net_packets.h"
#include "tests/net/lab/packet_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

namespace
{
void le32(bytes_t &b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back((unsigned char)(v >> (8 * i)));
}
void text(bytes_t &b, const char *s, size_t field)
{
    size_t n = std::strlen(s);
    for (size_t i = 0; i < field; ++i)
        b.push_back(i < n ? (unsigned char)s[i] : 0);
}
void new_player(bytes_t &b, uint32_t owner, uint32_t is_man)
{
    le32(b, (uint32_t)-1);                      // portrait
    text(b, "", 50);                            // name
    for (int i = 0; i < 10; ++i)                // age .. m_cur_pulse
        le32(b, (uint32_t)-1);
    le32(b, 0);                                 // account
    le32(b, (uint32_t)-1);                      // right answers
    le32(b, (uint32_t)-1);                      // wrong answers
    le32(b, 0);                                 // final right answers
    b.push_back(1);                             // in the game
    for (int i = 0; i < 3; ++i)                 // excluded round, vote target, last vote
        le32(b, (uint32_t)-1);
    le32(b, is_man);
    le32(b, 0);                                 // not ready
    le32(b, owner);
}
bool accept(bytes_t b) { return net_packet_accept((char *)b.data(), (int64_t)b.size()); }

} // namespace

TEST(net_records, new_records_hold_their_initial_values)
{
    session_info s;
    std::memset(&s, 0x55, sizeof s);
    session_info_init(s);
    bytes_t expected;
    le32(expected, 0);
    le32(expected, 6);
    le32(expected, (uint32_t)-1);
    le32(expected, (uint32_t)-1);
    le32(expected, 0);
    const double minus_one = -1.0;
    bytes_t t = as_bytes(&minus_one, 8);
    expected.insert(expected.end(), t.begin(), t.end());
    le32(expected, 0);
    for (int i = 0; i < 8; ++i)
        new_player(expected, 0, 0);
    EXPECT_EQ(as_bytes(&s, sizeof s), expected);
}

TEST(net_packets, session_joined_and_question_are_their_bytes)
{
    np_session_joined p = np_session_joined_new();
    p.address = 0x0200a8c0;
    p.session.m_created = 1;
    p.session.m_answer_state = 0;
    p.session.m_active_slot = 2;
    p.session.m_right_answer = 3;
    p.session.m_round = 4;
    p.session.m_round_time = 180.5;
    p.session.m_bank = 1000;
    p.session.m_players[1].m_is_man = 1;
    p.session.m_players[1].m_owner_address = 0x0200a8c0;

    bytes_t expected = {0x64, 0x04, 0, 0, 5, 0, 0, 0, 0xc0, 0xa8, 0x00, 0x02};
    for (uint32_t v : {1u, 0u, 2u, 3u, 4u})
        le32(expected, v);
    for (unsigned char c : {0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x66, 0x40}) // 180.5
        expected.push_back(c);
    le32(expected, 1000);
    for (int i = 0; i < 8; ++i)
        new_player(expected, i == 1 ? 0x0200a8c0 : 0, i == 1);
    EXPECT_EQ(as_bytes(&p, sizeof p), expected);

    np_question q;
    std::memset(&q, 0, sizeof q);
    q.header = {sizeof q, NP_QUESTION};
    q.computer = 1;
    q.topic_choice = 0;
    q.time_parameter = 0.2f;
    q.model_nmb = 3;
    q.item_count = 4;
    q.first = 1;
    std::strcpy(q.menu, "Q?_a_b_c_d");
    std::strcpy(q.hint, "Hint");
    bytes_t eq = {0x17, 0x03, 0, 0, 9, 0, 0, 0, 1, 0, 0xcd, 0xcc, 0x4c, 0x3e, 3, 0, 0, 0, 4, 0, 0, 0, 1};
    text(eq, "Q?_a_b_c_d", 512);
    text(eq, "Hint", 256);
    EXPECT_EQ(as_bytes(&q, sizeof q), eq);

    const np_question_answered a = np_question_answered_new();
    EXPECT_EQ(a.item, -1);
    EXPECT_EQ(a.random, -1);
    EXPECT_EQ(np_mark_excluded_player_new().slot, -1);
    EXPECT_EQ(np_vote_confirmed_new().target, -1);
    EXPECT_EQ(np_vote_confirmed_new().voter, -1);
}

// Sizes and length fields: only a datagram whose size, length field and type's size agree.
TEST(net_packets, sizes_and_lengths_must_agree)
{
    EXPECT_FALSE(accept({}));
    EXPECT_FALSE(accept(bytes_t(7, 0)));
    for (int type : {0, 17, -1, 0x7fffffff}) {
        bytes_t b(8, 0);
        put(b, 0, 8);
        put(b, 4, type);
        EXPECT_FALSE(accept(b)) << type;
    }
    for (int type = 1; type <= 16; ++type) {
        SCOPED_TRACE(type);
        bytes_t good = valid_packet(type);
        EXPECT_TRUE(accept(good));
        bytes_t shorter(good.begin(), good.end() - 1), longer = good;
        put(shorter, 0, (int32_t)shorter.size());
        longer.push_back(0);
        put(longer, 0, (int32_t)longer.size());
        EXPECT_FALSE(accept(shorter));
        EXPECT_FALSE(accept(longer));
        for (int32_t lie : {0, -1, (int32_t)good.size() - 1, (int32_t)good.size() + 1, 0x7fffffff}) {
            bytes_t b = good;
            put(b, 0, lie);
            EXPECT_FALSE(accept(b)) << lie;
        }
        bytes_t trailing = good;
        trailing.push_back(0);
        EXPECT_FALSE(accept(trailing)) << "length field true, datagram longer";
        EXPECT_TRUE(net_packet_length_ok(good.data()));
    }
}

TEST(net_packets, texts_end_inside_their_fields)
{
    struct field_s
    {
        int type;
        size_t offset, size;
    } fields[] = {
        {NP_HOST_ANNOUNCE, 8, 128},  {NP_KEEP_ALIVE, 8, 128},     {NP_CHANGE_PLAYER_INFO, 20, 512},
        {NP_QUESTION, 23, 512},      {NP_QUESTION, 535, 256},     {NP_SCENE_COMMAND, 8, 64},
        {NP_SCENE_COMMAND, 72, 64},  {NP_SCENE_COMMAND, 136, 128}, {NP_PLAYER_INFO_UPDATED, 12 + 4, 50},
        {NP_SESSION_JOINED, 12 + 32 + 7 * 135 + 4, 50},
    };
    for (const field_s &f : fields) {
        SCOPED_TRACE(f.offset);
        bytes_t b = valid_packet(f.type);
        if (f.type == NP_CHANGE_PLAYER_INFO)
            put(b, 16, 4); // a name, not a record
        std::memset(b.data() + f.offset, 'A', f.size);
        ASSERT_TRUE(net_packet_accept((char *)b.data(), (int64_t)b.size()));
        EXPECT_EQ(b[f.offset + f.size - 1], 0);
        EXPECT_EQ(b[f.offset + f.size - 2], 'A');
    }
}

// Values the game indexes with, at both ends of their ranges, in every packet that carries them.
TEST(net_packets, record_values_in_range)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct range_s
    {
        const char *what;
        size_t offset; // in a player_info, or in the session block when block is set
        bool block;
        bool is_double;
        bool is_byte;
        std::vector<double> good, bad;
    } ranges[] = {
        {"character", offsetof(player_info, character), false, false, false, {-1, 3}, {-2, 4}},
        {"health", offsetof(player_info, health), false, false, false, {-1, 2}, {-2, 3}},
        {"in game", offsetof(player_info, m_in_game), false, false, true, {0, 1}, {2, 255}},
        {"is man", offsetof(player_info, m_is_man), false, false, false, {0, 1}, {-1, 2}},
        {"not ready", offsetof(player_info, m_not_ready), false, false, false, {0, 1}, {-1, 2}},
        {"vote target", offsetof(player_info, m_vote_target), false, false, false, {-1, 7}, {-2, 8}},
        {"last vote", offsetof(player_info, m_last_vote), false, false, false, {-1, 7}, {-2, 8}},
        {"active slot", offsetof(session_info, m_active_slot), true, false, false, {-1, 7}, {-2, 8}},
        {"round", offsetof(session_info, m_round), true, false, false, {0, 8}, {-1, 9}},
        {"round time", offsetof(session_info, m_round_time), true, true, false, {-1e30, 1e30}, {nan, inf, -inf}},
    };
    struct carrier_s
    {
        int type;
        size_t record; // where a player_info starts
        size_t block;  // where the session block starts (0: none)
    } carriers[] = {
        {NP_SESSION_JOINED, 12 + 32, 12},
        {NP_SESSION_JOINED, 12 + 32 + 7 * 135, 12},
        {NP_PLAYER_INFO_UPDATED, 12, 0},
        {NP_CHANGE_PLAYER_INFO, 20, 0},
    };
    for (const carrier_s &c : carriers)
        for (const range_s &r : ranges) {
            if (r.block && !c.block)
                continue;
            SCOPED_TRACE(std::string(r.what) + " in type " + std::to_string(c.type) + " at " +
                         std::to_string(c.record));
            size_t at = (r.block ? c.block : c.record) + r.offset;
            auto with = [&](double v) {
                bytes_t b = valid_packet(c.type);
                if (r.is_double)
                    put(b, at, v);
                else if (r.is_byte)
                    b[at] = (unsigned char)v;
                else
                    put(b, at, (int32_t)v);
                return b;
            };
            for (double v : r.good)
                EXPECT_TRUE(accept(with(v))) << v;
            for (double v : r.bad)
                EXPECT_FALSE(accept(with(v))) << v;
        }
    // A type 3 carries a record only for code 0.
    bytes_t b = valid_packet(NP_CHANGE_PLAYER_INFO);
    put(b, 16, 4);
    put(b, 20 + offsetof(player_info, character), 99);
    EXPECT_TRUE(accept(b));
}
