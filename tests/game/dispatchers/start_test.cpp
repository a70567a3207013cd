// The project's start (data/scripts/start.isc, which init.isc includes) with the project's
// contestants (data/scripts/players.isc): a figure in the movie loader for every portrait, the
// splash script run below the UI starter at the start message, and the main window's close
// taken by the exit dispatcher, which asks for the exit window.
#include "game/exit_dispatcher.h"
#include "game/player.h"
#include "kernel/root.h"
#include "movies/creators.h"
#include "movies/movie_loader.h"
#include "platform/window/winuser.h"
#include "tests/game/dispatchers/show_fixture.h"
#include "ui/creators.h"
#include "ui/ui_screen_main.h"

#include <cstring>

namespace {

class start_test : public show_test
{
protected:
    void SetUp() override
    {
        show_test::SetUp();
        if (!find_creator("abstract", nullptr))
            kernel_register_creators();
        if (!find_creator("movie_loader", nullptr))
            movies_register_creators();
        if (!find_creator("ui_starter", nullptr))
            ui_register_creators();
        start_show(1024, 768);
        put_source("data/scripts/players.isc", "scripts/players.isc");
        put_source("data/scripts/start.isc", "scripts/start.isc");
        put_text("scripts/splash.isc", "create abstract { };\n");
        heard = new game_listener_c(root, {"mainwnd_add_win32_handler", "show_exit_window"});
        run_script("scripts/players.isc");
        run_script("scripts/start.isc");
    }
    template <class T> T *below_root()
    {
        for (abstract_c *c = root->first_child(); c; c = c->next_sibling())
            if (T *t = dynamic_cast<T *>(c))
                return t;
        return nullptr;
    }
    abstract_c *starter() { return below_root<ui_starter>(); }
    game_listener_c *heard = nullptr;
};

TEST_F(start_test, every_contestant_has_a_figure_in_the_movie_loader)
{
    player_store *store = below_root<player_store>();
    movie_loader_c *loader = below_root<movie_loader_c>();
    ASSERT_NE(store, nullptr);
    ASSERT_NE(loader, nullptr);
    ASSERT_GT(store->count(), 0);
    ASSERT_EQ(loader->all_models().size(), size_t(store->count()));
    // Portrait n is the contestant n of the players' model.
    for (size_t n = 0; n < loader->all_models().size(); ++n) {
        const location_player &p = loader->all_models()[n];
        EXPECT_STREQ(p.model_name, "models/player");
        EXPECT_EQ("contestant" + std::to_string(n), std::string(p.part_name));
    }
}

TEST_F(start_test, the_start_message_runs_the_splash_and_a_close_meanwhile_is_left_to_the_window)
{
    ASSERT_NE(starter(), nullptr);
    EXPECT_EQ(child_count(starter()), 0);
    // The start message as the main loop sends it (the Direct3D service here has started).
    starter()->message(MSG_VAR(app_startup), 0, nullptr, MSG_ARGS_END);
    EXPECT_EQ(child_count(starter()), 1);

    // The exit dispatcher registered with the main window, which hands it WM_CLOSE. No screen,
    // so no exit window, lives during the splash: the dispatcher looks for one and leaves the
    // close to the window, which then ends the program.
    ASSERT_EQ(heard->senders.size(), 1u);
    heard->take();
    abstract_c *dispatcher = heard->senders[0];
    EXPECT_EQ(dispatcher, below_root<exit_dispatcher>());
    EXPECT_EQ(dispatcher->message(MSG_VAR(mainwnd_win32_msg), 0, nullptr, MSG_ARG((int)WM_CLOSE), MSG_ARG(0),
                                  MSG_ARG(0), MSG_ARGS_END),
              0);
    EXPECT_EQ(heard->take().rfind("show_exit_window(PTR:", 0), 0u);
}

} // namespace
