// The player store: numbering, filling records, random and stepped choices; and the demo store.
#include "tests/game/disp/disp_fixture.h"

#include "tests/importers/images/scratch_dir.h"

#include <fstream>
#include <set>
#include <sstream>

namespace {

class store_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        register_game_classes_once();
        engine_srand(3);
        root.reset(new abstract_c(nullptr));
        store = new player_store(root.get(), nullptr);
        player_info_init(record);
    }
    void TearDown() override { root->shutdown_tree(); }
    int fill(int n) { return store->message(MSG_VAR(fill_struct), MSGF_NO_SELF, nullptr, MSG_ARG(n), MSG_ARG((void *)&record), MSG_ARGS_END); }
    int next_portrait(int step)
    {
        return root->message(MSG_VAR(set_next_portrait), 0, nullptr, MSG_ARG(step), MSG_ARG((void *)&record),
                             MSG_ARGS_END);
    }

    std::unique_ptr<abstract_c> root;
    player_store *store = nullptr;
    player_info record;
};

TEST_F(store_test, players_are_numbered_in_creation_order_and_fill_a_record_from_their_attributes)
{
    player *a = add_player(store, {7, "Alpha", 33, 2, 1, 1, 4, 61, 3, 77});
    player *b = add_player(store, plain_player(1));
    player *c = add_player(store, plain_player(2));
    EXPECT_EQ(a->store_nmb(), 0);
    EXPECT_EQ(b->store_nmb(), 1);
    EXPECT_EQ(c->store_nmb(), 2);
    EXPECT_EQ(store->count(), 3);

    record.m_account = 500;
    record.m_cur_pulse = 81;
    record.m_owner_address = 9;
    EXPECT_EQ(fill(0), 1);
    EXPECT_EQ(+record.portr_nmb, 7);
    EXPECT_STREQ(record.name, "Alpha");
    EXPECT_EQ(+record.age, 33);
    EXPECT_EQ(+record.character, 2);
    EXPECT_EQ(+record.health, 1);
    EXPECT_EQ(+record.sex, 1);
    EXPECT_EQ(+record.job, 4);
    EXPECT_EQ(+record.intellect, 61);
    EXPECT_EQ(+record.hobby, 3);
    EXPECT_EQ(+record.pulse, 77);
    EXPECT_EQ(+record.m_account, 500) << "round values, account and state stay";
    EXPECT_EQ(+record.m_cur_pulse, 81);
    EXPECT_EQ(+record.m_owner_address, 9);
    EXPECT_EQ(+record.m_cur_intellect, -1);
}

TEST_F(store_test, a_human_record_only_changes_its_portrait)
{
    add_player(store, plain_player(5));
    record.m_is_man = 1;
    std::strcpy(record.name, "Me");
    record.age = 20;
    record.pulse = 70;
    player_info before = record;
    EXPECT_EQ(fill(0), 1);
    EXPECT_EQ(+record.portr_nmb, 5);
    before.portr_nmb = 5;
    EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
}

TEST_F(store_test, a_number_no_player_has_leaves_the_record_unchanged)
{
    fill(-1);
    add_player(store, plain_player(0));
    add_player(store, plain_player(1));
    const player_info before = record;
    for (int n : {-1, 2, 100}) {
        EXPECT_EQ(fill(n), 0) << n;
        EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0) << n;
    }
}

TEST_F(store_test, a_name_longer_than_its_field_is_cut_to_49_bytes)
{
    const std::string long_name(80, 'x');
    add_player(store, {0, long_name.c_str(), 1, 0, 0, 0, 0, 50, 0, 50});
    record.age = 0x5a5a5a5a;
    fill(0);
    EXPECT_EQ(std::string(record.name), std::string(49, 'x'));
    EXPECT_EQ(+record.age, 1) << "the field after the name is the attribute, not the name's tail";
}

TEST_F(store_test, a_missing_attribute_fails_when_the_player_fills_a_record)
{
    attribute_list_c a;
    add_attribute(nullptr, a, "portr_nmb", value_c(0), 0);
    add_attribute(nullptr, a, "name", value_c("Half", value_c::STRING), 0);
    new player(store, &a);
    EXPECT_EQ(thrown_text([&] { fill(0); }), "Could not find required attribute 'age'");
    record.m_is_man = 1;
    EXPECT_EQ(thrown_text([&] { fill(0); }), "") << "a human record asks for the portrait only";
}

TEST_F(store_test, portrait_arrows_step_through_the_store_and_wrap_at_both_ends)
{
    for (int i = 0; i < 3; ++i)
        add_player(store, plain_player(i));
    const struct
    {
        int from, step, to;
    } cases[] = {{2, 1, 0}, {0, -1, 2}, {0, 1, 1}, {1, 1, 2}, {2, -1, 1},
                 // Steps as a faulty PC's change packet may carry them: past an end, never wrapped round.
                 {2, INT32_MAX, 0}, {0, INT32_MIN, 2}, {-5, INT32_MIN, 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " " << c.step);
        record.portr_nmb = c.from;
        EXPECT_EQ(next_portrait(c.step), 0) << "reported as not handled";
        EXPECT_EQ(+record.portr_nmb, +c.to);
        EXPECT_STREQ(record.name, plain_player(c.to).name);
    }
}

TEST_F(store_test, random_fill_chooses_every_player_and_an_empty_store_changes_nothing)
{
    EXPECT_EQ(root->message(MSG_VAR(random_fill), 0, nullptr, MSG_ARG((void *)&record), MSG_ARGS_END), 1);
    EXPECT_EQ(next_portrait(1), 0);
    EXPECT_EQ(+record.portr_nmb, -1);
    EXPECT_STREQ(record.name, "");

    for (int i = 0; i < 4; ++i)
        add_player(store, plain_player(i));
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        root->message(MSG_VAR(random_fill), 0, nullptr, MSG_ARG((void *)&record), MSG_ARGS_END);
        seen.insert(record.portr_nmb);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3}));
}

using demo_store_test = scratch_dir_test;

TEST_F(demo_store_test, the_demo_store_numbers_its_players_by_portrait_with_values_in_the_game_ranges)
{
    register_game_classes_once();
    std::ifstream in(std::string(ENGINE_SOURCE_DIR) + "/data/scripts/players.isc", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string bytes = text.str();
    ASSERT_FALSE(bytes.empty());
    put("scripts/players.isc", std::vector<uint8_t>(bytes.begin(), bytes.end()));

    std::unique_ptr<abstract_c> root(new abstract_c(nullptr));
    {
        scripts_c scripts;
        scripts.execute_script("scripts/players.isc", root.get(), 0);
    }
    player_store *store = dynamic_cast<player_store *>(root->first_child());
    ASSERT_NE(store, nullptr);
    EXPECT_GE(store->count(), 8) << "enough for eight different portraits";
    std::set<std::string> names;
    for (int n = 0; n < store->count(); ++n) {
        SCOPED_TRACE(n);
        player_info p;
        player_info_init(p);
        ASSERT_EQ(store->message(MSG_VAR(fill_struct), MSGF_NO_SELF, nullptr, MSG_ARG(n), MSG_ARG((void *)&p),
                                 MSG_ARGS_END),
                  1);
        EXPECT_EQ(+p.portr_nmb, n) << "portraits are numbered as the store numbers its players";
        EXPECT_GT(std::strlen(p.name), 0u);
        names.insert(p.name);
        EXPECT_TRUE(p.character >= 0 && p.character <= 3);
        EXPECT_TRUE(p.health >= 0 && p.health <= 2);
        EXPECT_TRUE(p.intellect >= 0 && p.intellect <= 100);
        EXPECT_TRUE(p.pulse >= 40 && p.pulse <= 100);
        EXPECT_GT(+p.age, 0);
    }
    EXPECT_EQ((int)names.size(), store->count());
    root->shutdown_tree();
}

} // namespace
