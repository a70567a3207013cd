// The prepared models built on the three readers.
//
// skeleton_instance_c: a skeleton with its model transform T. At creation it computes, for
// every frame f and joint j, the joint matrix P(f, j) (the joint's absolute placement in
// model space) and the skin matrix S(f, j) (model-space bind pose to model-space frame f),
// then frees the file matrices; frame 0 is the bind pose, so S(0, j) is the identity. A pose
// blends two precomputed frames per joint, element by element.
//
// skinned_mesh_c: a skinned geometry bound to a skeleton instance that it does not own
// (the parts of one model share one instance, which must outlive them). Vertices are
// prepared once (joint tags mapped to skeleton joints, v flipped, positions and normals in
// model space) and skinned on the CPU into lit vertices (FVF 0x152) each frame; the caller
// owns the vertex buffers it asks for. The mesh owns its 16-bit index buffer, faces written
// as (b, a, c).
//
// static_mesh_c: a static geometry with its model transform baked into one vertex buffer
// and one index buffer (both owned), and its locators in model space. The file vertices and
// faces stay, for shadows.
//
// Buffers come from the Direct3D service; its failures pass through unchanged.
#pragma once

#include "basics/matrix.h"
#include "importers/skeleton.h"
#include "importers/skinned_geo.h"
#include "importers/static_geo.h"

#include <cstdint>
#include <memory>

class d3d_service_c;
class IDirect3DVertexBuffer8;
class IDirect3DIndexBuffer8;
struct lit_vertex_s;

class skeleton_instance_c : public skeleton_c
{
public:
    skeleton_instance_c(const char *name, const matrix_c &transform);

    // Current matrices = (1 - t) frame0 + t frame1.
    void set_pose(unsigned frame0, unsigned frame1, float t);

    const matrix_c &transform() const { return m_transform; }
    // The J matrices of one frame.
    const matrix_c *skin_matrices(unsigned frame) const { return &m_skin[size_t(frame) * m_joints_count]; }
    const matrix_c *joint_matrices(unsigned frame) const { return &m_joint[size_t(frame) * m_joints_count]; }
    const matrix_c *current_skin_matrices() const { return m_current_skin.get(); }
    const matrix_c *current_joint_matrices() const { return m_current_joint.get(); }

private:
    void prepare();

    matrix_c m_transform;
    std::unique_ptr<matrix_c[]> m_skin;
    std::unique_ptr<matrix_c[]> m_joint;
    std::unique_ptr<matrix_c[]> m_current_skin;
    std::unique_ptr<matrix_c[]> m_current_joint;
};

class skinned_mesh_c : public skinned_geometry_c
{
public:
    // Loads, logs "Geometry '<name>' loaded, <V> verts, <N> faces", prepares the vertices and
    // builds the index buffer. A tag naming no joint of the skeleton throws
    // "Joint '<tag>' not found".
    skinned_mesh_c(d3d_service_c *d3d, const char *name, skeleton_instance_c *skeleton);
    ~skinned_mesh_c() override;

    // A new buffer of V lit vertices; the caller releases it.
    IDirect3DVertexBuffer8 *create_vertex_buffer();
    // Writes the skeleton's current pose into a buffer made by create_vertex_buffer.
    void fill_vertex_buffer(IDirect3DVertexBuffer8 *buffer);
    // The current pose as V lit vertices: each the weighted sum of its influences' current
    // skin matrices applied to the prepared position (as a point) and normal (as a direction,
    // not normalised afterwards); a vertex without influences lands at the origin with a
    // zero normal.
    void skin(lit_vertex_s *out) const;

    IDirect3DIndexBuffer8 *index_buffer() const { return m_index_buffer; }
    const sgeo_vertex_s *prepared_vertices() const { return m_prepared.get(); }
    skeleton_instance_c *skeleton() const { return m_skeleton; }

private:
    d3d_service_c *m_d3d;
    skeleton_instance_c *m_skeleton;
    std::unique_ptr<sgeo_vertex_s[]> m_prepared;
    IDirect3DIndexBuffer8 *m_index_buffer = nullptr;
};

class static_mesh_c : public static_geometry_c
{
public:
    // Loads, logs the same line as the skinned mesh, and builds the locator matrices and
    // both buffers.
    static_mesh_c(d3d_service_c *d3d, const char *name, const matrix_c &transform);
    ~static_mesh_c() override;

    // The named locator's matrix in model space; an unknown name throws
    // "Locator '<name>' not found".
    const matrix_c &locator_matrix(const char *name) const;

    const matrix_c &transform() const { return m_transform; }
    IDirect3DVertexBuffer8 *vertex_buffer() const { return m_vertex_buffer; }
    IDirect3DIndexBuffer8 *index_buffer() const { return m_index_buffer; }

private:
    void release_buffers();

    d3d_service_c *m_d3d;
    matrix_c m_transform;
    std::unique_ptr<matrix_c[]> m_locator_matrices;
    IDirect3DVertexBuffer8 *m_vertex_buffer = nullptr;
    IDirect3DIndexBuffer8 *m_index_buffer = nullptr;
};
