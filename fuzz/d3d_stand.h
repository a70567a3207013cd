// A Direct3D service on the recording backend for the harnesses whose parsers build device
// buffers: a root, a stand-in for the main window and the service, started once per process
// and kept for its life.
#pragma once

class d3d_service_c;

namespace fuzz {

d3d_service_c *d3d_stand();
// Empties the device's call log, so that it does not grow over a long run.
void d3d_stand_clear_log();

} // namespace fuzz
