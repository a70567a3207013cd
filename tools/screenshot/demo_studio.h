// The demo data starts the game (its init.isc includes "start.isc"). A copy of the data whose
// init.isc includes "demo_studio.isc" there instead starts the demo studio (the test object
// test_3d showing locations/demo.isc), which tests and benchmarks of the 3D scene use.
#pragma once

#include <string>

namespace demo_studio {

constexpr const char *GAME_START = "include \"start.isc\";";
constexpr const char *STUDIO_START = "include \"demo_studio.isc\";";

// Turns the text of an init.isc that starts the game into one that starts the studio; false
// (text unchanged) when the text has no game start to replace.
inline bool start_studio(std::string &init)
{
    const size_t at = init.find(GAME_START);
    if (at == std::string::npos)
        return false;
    init.replace(at, std::string(GAME_START).size(), STUDIO_START);
    return true;
}

} // namespace demo_studio
