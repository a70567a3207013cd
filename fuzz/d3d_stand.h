// A Direct3D service on the recording backend for the harnesses whose parsers build device
// buffers: a root, a stand-in for the main window and the service, started once per process
// and kept for its life. Beside it, on request, the tests' texture manager stand-in: textures
// shared by name with the attributes a model reads, nothing behind them.
#pragma once

class abstract_c;
class d3d_service_c;

namespace fuzz {

d3d_service_c *d3d_stand();
// Empties the device's call log, so that it does not grow over a long run.
void d3d_stand_clear_log();
// The texture manager stand-in under the service's root (made on the first call).
abstract_c *texture_stand();
// Shuts down and collects every entry of a manager, so that the next input finds none.
void empty_manager(abstract_c *manager);

} // namespace fuzz
