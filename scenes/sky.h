// The sky box and the fog dome.
//
// sky_c ("sky") gives a location its sky: a textured cube around the camera, drawn before
// every other instance at the far plane, and while the model manager's fog is on a dome of
// fog-coloured, partly transparent triangles over it. Attributes (required, read in this
// order): `zenith_distance`, `horizon_distance` (float: how far the fog reaches there),
// `name` (string: the faces are "sky/<name>/front", "right", "back", "left", "top" and
// "bottom" from the texture manager).
//
// sky_instance_c is made directly with the model manager (holding its one reference) from
// the script template `sky_resource_tpl`: `size` (float, the cube's edge) and `detail` (int n,
// 2 to 256: the dome has n - 1 rings of n vertices and two poles, 2n(n - 1) triangles, every
// index within 16 bits); another detail throws "Sky 'detail' must be from 2 to 256". Its
// priority is -8. The dome's vertices are made anew at every drawing from the fog settings:
// with (start, end) = fog_distances, a = (zenith distance - start) / (end - start) and
// b = (horizon distance - start) / (end - start), held within 0..1 (with end equal to start:
// 0 before it, 1 from it on); a ring at elevation e has alpha (1 - |sin e|) a + |sin e| b,
// both poles b.
#pragma once

#include <memory>

#include "kernel/object_pointer.h"
#include "scenes/location.h"
#include "services/manager_model.h"

class itexture_c;
class IDirect3DTexture8;
class IDirect3DVertexBuffer8;
class IDirect3DIndexBuffer8;

constexpr int SKY_FACES = 6;
constexpr int SKY_MIN_DETAIL = 2;
constexpr int SKY_MAX_DETAIL = 256;

class sky_instance_c : public renderable_entity_c
{
public:
    sky_instance_c(manager_model_c *manager, const char *name, float zenith_distance, float horizon_distance);
    ~sky_instance_c() override;
    void on_shutdown() override;
    void update_blend() override;
    void render() override;

    float size() const { return m_size; }
    int detail() const { return m_detail; }
    int dome_vertex_count() const { return m_dome_vertex_count; }
    int dome_triangle_count() const { return m_dome_triangle_count; }
    IDirect3DVertexBuffer8 *box_buffer() const { return m_box; }
    // Null until fog first draws the dome.
    IDirect3DVertexBuffer8 *dome_buffer() const { return m_dome; }
    IDirect3DIndexBuffer8 *dome_indices() const { return m_dome_indices; }
    IDirect3DTexture8 *face_texture(int k) const { return m_face_textures[k]; }

private:
    void release_buffers();
    void build_box();
    void build_dome_indices();
    void draw_dome();

    float m_zenith_distance;
    float m_horizon_distance;
    int m_box_vertex_count;
    int m_dome_vertex_count;
    int m_dome_triangle_count;
    IDirect3DVertexBuffer8 *m_box;
    IDirect3DVertexBuffer8 *m_dome;
    IDirect3DIndexBuffer8 *m_dome_indices;
    std::unique_ptr<itexture_c> m_faces[SKY_FACES];
    IDirect3DTexture8 *m_face_textures[SKY_FACES];
    float m_size;
    int m_detail;
};

class sky_c : public location_entity_c
{
public:
    sky_c(abstract_c *parent, const attribute_list_c *attributes);
    void on_shutdown() override;

    // The live instance, or null after shutdown.
    sky_instance_c *instance() const;

private:
    object_pointer_c m_instance;
};
