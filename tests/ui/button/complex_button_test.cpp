// The player seat (complex_button): what it shows of the game's record, and the change
// requests its man, bot and ready buttons send, read off the wire of a client PC in a private
// network namespace.
#include "kernel/root.h"
#include "tests/net/lab/net_lab.h"
#include "tests/ui/button/button_world.h"
#include "tests/ui/lan_server.h"
#include "ui/ui_complex_button.h"

#include <algorithm>
#include <cstring>

namespace {

using lines = std::vector<std::string>;

// The game's side: hands out seats in the order the buttons ask and answers get_player_info
// from its records.
class seat_game_c : public abstract_c
{
public:
    explicit seat_game_c(abstract_c *parent) : abstract_c(parent)
    {
        for (player_info &p : records)
            player_info_init(p);
    }
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(create_cmplx_btn) && answer_seats) {
            const int slot = next_slot++;
            *static_cast<int *>(msg_arg(0)->get_ptr()) = slot;
            std::memcpy(msg_arg(1)->get_ptr(), &records[slot], sizeof(player_info));
            return 0;
        }
        if (*message == MSG_VAR(get_player_info)) {
            std::memcpy(msg_arg(1)->get_ptr(), &records[msg_arg(0)->get_int()], sizeof(player_info));
            return 1;
        }
        return 0;
    }
    player_info records[MAX_PLAYERS];
    int next_slot = 0;
    bool answer_seats = true;
};

void set_name(player_info &p, const char *name)
{
    std::memset(p.name, 0, sizeof p.name);
    std::memcpy(p.name, name, std::min(std::strlen(name), sizeof p.name));
}

class complex_button_test : public button_world
{
protected:
    void SetUp() override
    {
        const std::string why = net_lab::enter_private_network();
        button_world::SetUp();
        new clock_c(root, nullptr);
        new net_manager(root, nullptr);
        game = new seat_game_c(root);
        no_network = why;
    }

    // A seat at pos whose portraits 0..3 are the cells of row 0 of ui_states.
    complex_button *make_seat(vec2 pos)
    {
        attribute_list_c list = button_attrs("portr", "c", 4, pos);
        add_attribute(nullptr, list, "frame_tex", value_c(rect(0, 0, 64, 64)), 0);
        add_attribute(nullptr, list, "frame_tex_name", text_value("ui_panel"), 0);
        add_attribute(nullptr, list, "font_name", text_value("main"), 0);
        add_attribute(nullptr, list, "name_rect", value_c(rect(10, 80, 210, 100)), 0);
        for (int k = 0; k < 4; ++k) {
            add_attribute(nullptr, list, ("portr_tex_name_" + std::to_string(k)).c_str(), text_value("ui_states"), 0);
            add_attribute(nullptr, list, ("portr_tex_" + std::to_string(k)).c_str(),
                          value_c(rect(float(64 * k), 0, float(64 * k + 64), 64)), 0);
        }
        return new complex_button(screen, &list);
    }
    std::string shown_name(complex_button *seat)
    {
        static_text *t = seat->name_static();
        return t->line_count() ? t->line_text(0) : "";
    }
    int update(int slot) { return root->message(MSG_VAR(update_appearance), 0, nullptr, MSG_ARG(slot), MSG_ARGS_END); }

    seat_game_c *game = nullptr;
    std::string no_network;
};

TEST_F(complex_button_test, a_seat_is_built_from_the_record_the_screen_gives)
{
    player_info &second = game->records[1];
    second.portr_nmb = 2;
    second.m_is_man = 1;
    second.m_not_ready = 0;
    set_name(second, "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2");
    complex_button *first_seat = make_seat(vec2(0, 0));
    complex_button *seat = make_seat(vec2(300, 100));
    EXPECT_EQ(first_seat->slot(), 0);
    EXPECT_EQ(seat->slot(), 1);

    // Drawing order: the button's own image, the portrait, the frame, man, bot, ready, name.
    std::vector<abstract_c *> children;
    for (abstract_c *c = seat->last_child(); c; c = c->prev_sibling())
        children.push_back(c);
    EXPECT_EQ(children, (std::vector<abstract_c *>{seat->image(), seat->portrait(), seat->frame(), seat->man_button(),
                                                    seat->bot_button(), seat->ready_button(), seat->name_static()}));
    EXPECT_EQ(seat->frame()->texture_path(), "textures/ui_panel");
    EXPECT_EQ(seat->man_button()->texture_path(), "textures/narezka");
    EXPECT_EQ(rect_text(seat->ready_button()->screen_rect()), "450,128,483,169") << "two cells of 33";
    EXPECT_EQ(rect_text(seat->bot_button()->screen_rect()), "309,145,337,172");

    EXPECT_TRUE(seat->man_button()->is_visible());
    EXPECT_FALSE(seat->bot_button()->is_visible());
    EXPECT_TRUE(seat->ready_button()->has(button::BUTTON_ACTIVE));
    EXPECT_EQ(seat->portrait_nmb(), 2);
    EXPECT_EQ(rect_text(seat->portrait()->tex_rect()), "192,0,256,64");
    EXPECT_EQ(rect_text(seat->portrait()->screen_rect()), "312,108,360,156") << "three quarters of 64";
    EXPECT_EQ(shown_name(seat), "\xCF\xE5\xF2\xF0\xEE\xE2");

    // A new seat: a computer player (ready, as computers are), portrait attributes "_0", no
    // name.
    EXPECT_FALSE(first_seat->man_button()->is_visible());
    EXPECT_TRUE(first_seat->bot_button()->is_visible());
    EXPECT_TRUE(first_seat->ready_button()->has(button::BUTTON_ACTIVE));
    EXPECT_EQ(first_seat->portrait_nmb(), -1);
    EXPECT_EQ(rect_text(first_seat->portrait()->tex_rect()), "0,0,64,64");
    EXPECT_EQ(shown_name(first_seat), "");

    // Without a screen to answer, the seat is none and the look that of a new record.
    game->answer_seats = false;
    complex_button *lone = make_seat(vec2(600, 0));
    EXPECT_EQ(lone->slot(), -1);
    EXPECT_EQ(lone->portrait_nmb(), -1);
}

TEST_F(complex_button_test, update_appearance_refreshes_its_own_seat_only)
{
    complex_button *seat = make_seat(vec2(0, 0));
    complex_button *other = make_seat(vec2(300, 0));
    ASSERT_EQ(other->slot(), 1);
    struct case_s
    {
        const char *name, *shown;
    };
    const case_s names[] = {
        {"\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2", "\xCF\xE5\xF2\xF0\xEE\xE2"},
        {"\xC8\xE2\xE0\xED", "\xC8\xE2\xE0\xED"},
        {" \xCF\xE5\xF2\xF0\xEE\xE2", "\xCF\xE5\xF2\xF0\xEE\xE2"},
        {"Anna Maria Lee", "Maria Lee"},
        {"", ""},
        {"01234567890123456789012345678901234567890123456789", "01234567890123456789012345678901234567890123456789"},
    };
    for (const case_s &c : names) {
        SCOPED_TRACE(c.name);
        set_name(game->records[0], c.name);
        EXPECT_EQ(update(0), 1);
        EXPECT_EQ(shown_name(seat), c.shown);
    }

    player_info &p = game->records[0];
    p.m_is_man = 1;
    p.m_not_ready = 0;
    p.portr_nmb = 0;
    EXPECT_EQ(update(0), 1);
    EXPECT_TRUE(seat->man_button()->is_visible());
    EXPECT_TRUE(seat->ready_button()->has(button::BUTTON_ACTIVE));
    EXPECT_EQ(rect_text(seat->portrait()->tex_rect()), "64,0,128,64");
    EXPECT_FALSE(other->man_button()->is_visible()) << "another seat's record is not its own";
    p.m_not_ready = 1;
    p.m_is_man = 0;
    EXPECT_EQ(update(0), 1);
    EXPECT_FALSE(seat->ready_button()->has(button::BUTTON_ACTIVE));
    EXPECT_TRUE(seat->bot_button()->is_visible());

    // A seat no one has: nothing changes, the message goes on.
    game->records[5].m_is_man = 1;
    EXPECT_EQ(update(5), 0);
    EXPECT_FALSE(seat->man_button()->is_visible());

    // A portrait without attributes fails at the refresh that needs it.
    p.portr_nmb = 7;
    try {
        update(0);
        ADD_FAILURE() << "no error";
    } catch (const exception_c &e) {
        EXPECT_NE(std::string(e.get_message()).find("Could not find required attribute 'portr_tex_name_8"),
                  std::string::npos)
            << e.get_message();
    }
}

TEST_F(complex_button_test, man_bot_and_ready_presses_become_change_requests_to_the_server)
{
    if (!no_network.empty())
        NET_LAB_SKIP(no_network);
    // This PC joins the session of a server on 127.0.0.2.
    net_manager *manager = get_net_manager();
    manager->set_announce_address("127.0.0.99");
    start_net_client("seat");
    lan_server_s server(2);
    server.announce("quiz");
    tick_at(1.0);
    ASSERT_TRUE(connect_to_host(0));
    ASSERT_EQ(server.received_types(), std::vector<int>{NP_JOIN_REQUEST});
    server.seat(manager);
    tick_at(1.1);

    make_seat(vec2(0, 0));
    complex_button *seat = make_seat(vec2(300, 100));
    game->records[1].m_is_man = 1;
    update(1);
    screen->seen.clear();

    click(vec2(320, 150)); // the man button
    game->records[1].m_is_man = 0;
    update(1);
    click(vec2(320, 150)); // now the bot button
    click(vec2(460, 140)); // the ready toggle (on, as the record says), off
    click(vec2(460, 140)); // and on
    lines reports;
    for (const std::string &s : screen->seen)
        if (s.rfind("hilited:", 0) != 0)
            reports.push_back(s.substr(0, s.find(" clicks")));
    EXPECT_EQ(reports, (lines{"pressed:man", "pressed:bot", "unchecked:0,ready_or_not", "checked:0,ready_or_not"}))
        << "the presses still go on up";

    const std::vector<bytes_t> sent = server.received();
    ASSERT_EQ(sent.size(), 4u);
    const int32_t codes[] = {1, 1, 2, 2};
    for (size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(sent[i].size(), 532u);
        np_change_player_info p;
        std::memcpy(&p, sent[i].data(), sizeof p);
        EXPECT_EQ(p.header.length, 532);
        EXPECT_EQ(p.header.type, NP_CHANGE_PLAYER_INFO);
        EXPECT_EQ(p.slot, seat->slot());
        EXPECT_EQ((uint32_t)p.address, manager->short_address());
        EXPECT_EQ(p.code, codes[i]);
        EXPECT_EQ(std::count(p.value, p.value + sizeof p.value, 0), 512) << "no value for these codes";
    }
    EXPECT_TRUE(seat->bot_button()->is_visible()) << "the look changes only with the game's answer";
}

} // namespace
