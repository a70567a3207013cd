// A registry of its own for each test: HKEY_CURRENT_USER\Software is a fresh temporary
// directory while the object lives, so no test sees or touches the user's real one; and the
// screens that keep their data there.
#pragma once

#include "platform/registry/winreg.h"
#include "tests/ui/game_screens/game_screens_fixture.h"
#include "tests/ui/game_screens/score_entry.h"
#include "tests/vaultis/pack_fixture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class temp_registry
{
public:
    temp_registry() { reg_set_root(m_dir.str().c_str()); }
    ~temp_registry() { reg_set_root(nullptr); }
    temp_registry(const temp_registry &) = delete;
    temp_registry &operator=(const temp_registry &) = delete;

    // The file that holds a value of the game's key.
    std::filesystem::path file(const char *value) const { return m_dir.path() / "Varnholt" / "Telvoran" / value; }
    std::optional<std::vector<uint8_t>> value(const char *name) const
    {
        if (!std::filesystem::is_regular_file(file(name)))
            return std::nullopt;
        const std::string bytes = fixture::read_file(file(name));
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    void put(const char *name, const std::vector<uint8_t> &bytes) const
    {
        fixture::write_file(file(name), std::string(bytes.begin(), bytes.end()));
    }

private:
    fixture::temp_dir m_dir;
};

// A game screen of the project's data over a registry of the test's own, with the fonts the
// game's screen scripts use.
class stored_screen_test : public game_screens_test
{
protected:
    void SetUp() override
    {
        game_screens_test::SetUp();
        for (const char *font : {"fonts/big.bmp", "fonts/small.bmp"})
            put(font, strip_bmp(std::vector<int>(224, 10), 12));
    }
    int press(const char *button) { return send("butt_pressed", value_c(button, value_c::STRING)); }

    temp_registry registry;
};
