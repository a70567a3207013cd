// What a backend of the Direct3D-shaped device implements (used only inside platform/).
//
// The core (d3d8.h) validates every call, keeps every state and the CPU copy of every resource,
// and hands the backend only what has an effect outside the process: clears, draws, presents,
// resets, the cooperative-level test and resource uploads. State changes are reported to
// state_changed after the core has stored them, so a backend may track what changed; at draw
// time it reads the whole state from IDirect3DDevice8::state(). A backend never keeps state of
// its own that the core would not show.
//
// Backends are listed in one table (d3d_core.cpp, d3d_backend_table): a name and a factory of
// the adapter object. Adding a backend means adding one row there; nothing above platform/
// changes.
#pragma once

#include "platform/d3d/d3d8.h"

#include <memory>

// What a state_changed report is about; a and b are the call's index arguments.
enum class d3d_state_kind_e
{
    render_state,  // a = state, b = value
    stage_state,   // a = stage, b = state
    transform,     // a = transform state type
    light,         // a = index
    light_enable,  // a = index, b = enabled
    material,
    viewport,
    texture,       // a = stage
    stream,        // a = stream
    indices,
    vertex_shader, // a = handle
};

// A draw as the core validated it: vertices come from stream 0 of the state.
struct d3d_draw_s
{
    D3DPRIMITIVETYPE type;
    UINT primitive_count;
    bool indexed;
    UINT start_vertex;  // not indexed
    UINT min_index;     // indexed
    UINT vertex_count;  // indexed
    UINT start_index;   // indexed
};

// Per-resource object of a backend (a GL texture name, say), owned by the resource.
class d3d_backend_resource_c
{
public:
    virtual ~d3d_backend_resource_c() = default;
};

class d3d_device_backend_c
{
public:
    virtual ~d3d_device_backend_c() = default;

    // The client size of a window, which a windowed back buffer of size 0 takes.
    virtual void window_size(HWND window, UINT *width, UINT *height) = 0;
    virtual void state_changed(const IDirect3DDevice8 &device, d3d_state_kind_e kind, DWORD a, DWORD b) = 0;
    virtual HRESULT begin_scene(const IDirect3DDevice8 &device) = 0;
    virtual HRESULT end_scene(const IDirect3DDevice8 &device) = 0;
    virtual HRESULT clear(const IDirect3DDevice8 &device, DWORD count, const D3DRECT *rects, DWORD flags,
                          D3DCOLOR color, float z, DWORD stencil) = 0;
    virtual HRESULT draw(const IDirect3DDevice8 &device, const d3d_draw_s &draw) = 0;
    virtual HRESULT present(const IDirect3DDevice8 &device, HWND window) = 0;
    virtual HRESULT test_cooperative_level(const IDirect3DDevice8 &device) = 0;
    // On success the core puts every state back to its default.
    virtual HRESULT reset(const IDirect3DDevice8 &device, const D3DPRESENT_PARAMETERS &parameters) = 0;
    // A resource was made (before its first lock), a level or buffer was unlocked, or it goes
    // away (also when the device goes first); the resource's CPU copy is complete at each call.
    virtual HRESULT create_resource(const IDirect3DDevice8 &device, d3d_resource_c &resource) = 0;
    virtual HRESULT lock_resource(const IDirect3DDevice8 &device, d3d_resource_c &resource, UINT level) = 0;
    virtual HRESULT upload_resource(const IDirect3DDevice8 &device, d3d_resource_c &resource, UINT level) = 0;
    virtual void destroy_resource(d3d_resource_c &resource) = 0;
};

class d3d_adapter_backend_c
{
public:
    virtual ~d3d_adapter_backend_c() = default;
    virtual HRESULT display_mode(D3DDISPLAYMODE *mode) = 0;
    virtual HRESULT check_format(D3DFORMAT adapter_format, DWORD usage, D3DRESOURCETYPE type,
                                 D3DFORMAT format) = 0;
    virtual HRESULT caps(D3DCAPS8 *caps) = 0;
    virtual HRESULT create_device(HWND window, DWORD behaviour, const D3DPRESENT_PARAMETERS &parameters,
                                  std::unique_ptr<d3d_device_backend_c> *device) = 0;
};

struct d3d_backend_entry_s
{
    const char *name;
    std::unique_ptr<d3d_adapter_backend_c> (*create)();
};

// The table of backends, ended by an entry with a null name.
extern const d3d_backend_entry_s d3d_backend_table[];

std::unique_ptr<d3d_adapter_backend_c> recording_d3d_create_adapter();
std::unique_ptr<d3d_adapter_backend_c> gl_d3d_create_adapter(); // platform/gl
