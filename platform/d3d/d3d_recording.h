// The recording backend of the Direct3D-shaped device: no window, no pixels. It logs every
// state change, clear, draw, present and reset of a device in order, keeps every resource as
// the CPU copy the core holds, and lets tests shape the adapter and break the device.
//
// Adapter settings are read from recording_d3d_config() when Direct3DCreate8 runs, so a test
// sets them first. Per-device hooks are reached through recording_d3d_device(device).
// The default adapter: an X8R8G8B8 desktop of 1024x768; R5G6B5 and X8R8G8B8 display formats;
// textures in the 16- and 32-bit formats without R8G8B8, plus DXT1 to DXT5; mipmapping;
// MaxVertexBlendMatrices 4, MaxVertexBlendMatrixIndex 0.
#pragma once

#include "platform/d3d/d3d8.h"

#include <string>
#include <vector>

struct recording_d3d_config_s
{
    D3DDISPLAYMODE desktop;
    UINT window_width, window_height; // client size when there is no window to ask
    HRESULT display_mode_result;
    std::vector<D3DFORMAT> display_formats; // adapter formats a device can be made on
    std::vector<D3DFORMAT> texture_formats; // texture formats on any of those
    D3DCAPS8 caps;
    HRESULT caps_result;
    HRESULT create_device_result;
};

// The settings the next Direct3D object takes; reset puts the defaults back.
recording_d3d_config_s &recording_d3d_config();
void recording_d3d_reset_config();

// One logged device call.
enum class recording_call_e
{
    render_state,  // a = state, b = value
    stage_state,   // a = stage, b = state, c = value
    transform,     // a = transform state type
    light,         // a = index
    light_enable,  // a = index, b = enabled
    material,
    viewport,
    texture,       // a = stage; ptr = texture
    stream,        // a = stream, b = stride; ptr = buffer
    indices,       // b = base vertex index; ptr = buffer
    vertex_shader, // a = handle
    begin_scene,
    end_scene,
    clear,         // a = flags, b = colour, z
    draw,          // a = primitive type, b = primitive count, c = start vertex; ptr = stream 0
    draw_indexed,  // a = primitive type, b = primitive count, c = start index, d = vertex count
    present,
    reset,         // a = result
};

struct recording_call_s
{
    recording_call_e call;
    DWORD a, b, c, d;
    float z;
    const void *ptr;
};

// Bits of recording_device_c::fail: the next such device call fails with D3DERR_INVALIDCALL.
enum : unsigned
{
    RECORDING_FAIL_CREATE_TEXTURE = 1,
    RECORDING_FAIL_LOCK_TEXTURE = 2,
    RECORDING_FAIL_UNLOCK_TEXTURE = 4,
    RECORDING_FAIL_CREATE_VBUFFER = 8,
    RECORDING_FAIL_LOCK_VBUFFER = 0x10,
    RECORDING_FAIL_UNLOCK_VBUFFER = 0x20,
    RECORDING_FAIL_CREATE_IBUFFER = 0x40,
    RECORDING_FAIL_LOCK_IBUFFER = 0x80,
    RECORDING_FAIL_UNLOCK_IBUFFER = 0x100,
};

class recording_device_c
{
public:
    std::vector<recording_call_s> log;
    // What TestCooperativeLevel answers (D3D_OK, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET).
    HRESULT cooperative_level = D3D_OK;
    // What the next Reset answers; a successful one also makes the device cooperative again.
    HRESULT reset_result = D3D_OK;
    unsigned fail = 0;
    int resets = 0;

    void lose() { cooperative_level = D3DERR_DEVICELOST; }
    void make_resettable() { cooperative_level = D3DERR_DEVICENOTRESET; }
    // Calls of one kind, in order.
    std::vector<recording_call_s> calls(recording_call_e kind) const;
    size_t count(recording_call_e kind) const { return calls(kind).size(); }
    void clear_log() { log.clear(); }
};

// The recording side of a device made by the recording backend; null for other devices.
recording_device_c *recording_d3d_device(IDirect3DDevice8 *device);

std::string recording_call_text(const recording_call_s &call);
