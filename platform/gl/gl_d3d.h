// The OpenGL backend of the Direct3D-shaped device ("gl" in the backend table): OpenGL 2.1
// compatibility profile through SDL2, fixed function only.
//
// Contract:
// - The device draws into the SDL window behind its HWND (platform/window), on a double-buffered
//   context with a depth buffer of 16 bits or more; Present swaps. A null HWND with a non-zero
//   back-buffer size gets a hidden window of that size of the backend's own (tests).
// - Windowed devices take the window's client size; full-screen devices show the back buffer
//   over the desktop mode, whatever back-buffer format was asked for.
// - Everything GL draws with is derived at draw time from the state the core shadows: nothing
//   here changes what a device reports, so a scene gives the same calls and the same state on
//   every backend. A cache of what GL holds keeps GL calls to what changed.
// - Managed resources keep their CPU copy in the core; a GL object mirrors it and is
//   re-uploaded when a level or buffer is unlocked.
#pragma once

#include "platform/d3d/d3d8.h"

#include <memory>
#include <vector>

class d3d_adapter_backend_c;
struct d3d_draw_s;

std::unique_ptr<d3d_adapter_backend_c> gl_d3d_create_adapter();

// For tests: the back buffer as drawn so far (call it before Present), as A8R8G8B8 pixels, rows
// from the top. False for a device of another backend.
bool gl_d3d_read_back(IDirect3DDevice8 *device, std::vector<D3DCOLOR> *pixels, UINT *width, UINT *height);

// For benchmarks: what a GL device executes, reported as it happens, so that a frame can be
// recorded and drawn again elsewhere. on_draw comes after the draw was checked and before GL
// draws it (the device's state() is the draw's); on_upload after a resource's GL copy was made
// or refreshed; on_present before the swap, while the back buffer holds the frame and the
// device's context is current.
class gl_d3d_observer_c
{
public:
    virtual ~gl_d3d_observer_c() = default;
    virtual void on_clear(const IDirect3DDevice8 &, DWORD /*flags*/, D3DCOLOR, float /*z*/) {}
    virtual void on_draw(const IDirect3DDevice8 &, const d3d_draw_s &) {}
    virtual void on_upload(const d3d_resource_c &) {}
    virtual void on_present(const IDirect3DDevice8 &) {}
};

// Reports the device's work to the observer (null: to no one) until told otherwise; false for
// a device of another backend.
bool gl_d3d_observe(IDirect3DDevice8 *device, gl_d3d_observer_c *observer);
