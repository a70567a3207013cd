// Whole pictures drawn flat on the screen, for the game's full-screen shows (the splash and the
// credits). A quad is four pre-transformed vertices of opaque white (FVF 0x144, 28 bytes each)
// in triangle-fan order with the texture coordinates (0, 0), (1, 0), (1, v), (0, v); corner
// (u, v) lies at x = left + (right - left) * u, y = top + (bottom - top) * v, with the given z
// and a reciprocal w of 1. Buffers come from the Direct3D service and are made anew for every
// frame, so they follow the screen size and any movement.
//
// Drawing: begin_screen_quads sets the pre-transformed format, the texture-alpha blend, no
// lighting, no depth test and no depth writes; draw_screen_quad draws one quad (two triangles
// from stream 0) with a texture on stage 0; end_screen_quads puts back the opaque mode and
// the depth test and writes.
#pragma once

#include "basics/rect.h"
#include "platform/d3d/d3d8.h"

class d3d_service_c;

// Errors of the service's buffer operations pass on; nothing stays made.
IDirect3DVertexBuffer8 *make_screen_quad(d3d_service_c *d3d, const rect &r, float v, float z);

void begin_screen_quads(d3d_service_c *d3d);
void draw_screen_quad(d3d_service_c *d3d, IDirect3DVertexBuffer8 *quad, IDirect3DTexture8 *texture);
void end_screen_quads(d3d_service_c *d3d);
