// The shadow receiver: soft round shadows of the model manager's casters on one static mesh.
//
// At construction the mesh (positions after its model transform; the receiving model must
// stand at the origin unturned) is cut over x and y into a tree of cells: a cell of side
// `cluster` or more splits in two along that side, smaller cells become leaves holding the
// faces whose centres lie in them (a face on a shared border goes to the first cell built)
// with their own vertex copies and 16-bit indices. "Shadow tree created, %i bytes allocated"
// is logged with the tree's size (48 bytes a node, 36 a leaf plus 12 per vertex and face).
//
// Every frame, collect() builds one batch per caster and leaf under it: the leaf's triangles
// with the shadow texture projected from above (a square of side s under a caster of shadow
// size s at its own height, widening to s * grow_factor one height span, s *
// height_size_factor, below it) and vertex alpha fading with the depth below the caster. A
// batch is kept only when some vertex is visibly shadowed (alpha above 1%), so a figure
// standing on the floor shadows it fully and a caster a whole height span above it draws
// nothing. Casters whose size (or whose factors) would make the shadow empty are skipped.
// draw() draws the batches with texture alpha times vertex alpha, clamped texture addressing
// and a depth bias, and puts addressing and bias back.
//
// Errors: a cluster of 0 or less is refused at construction ("Invalid shadow cluster <v>"),
// as is a mesh without vertices or faces (assertion), and one whose extent is not finite or
// would split into more than 2^16 cells ("Shadow receiver of <w> x <h> is too large for shadow
// cluster <v>").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "basics/rect.h"
#include "basics/vec3.h"

class d3d_service_c;
class itexture_c;
class manager_model_c;
class static_mesh_c;
class IDirect3DIndexBuffer8;
class IDirect3DVertexBuffer8;

struct shadow_params_s
{
    float cluster;
    float grow_factor;
    float height_size_factor;
    std::string texture_name;
};

class shadow_receiver_c
{
public:
    struct leaf_s
    {
        rect area;
        int verts_count;
        int faces_count;
        std::vector<vec3> verts;
        std::vector<int> faces; // three leaf indices a face
    };
    struct node_s
    {
        rect area;
        std::unique_ptr<node_s> nodes[4];
        std::unique_ptr<leaf_s> leaves[4];
    };
    struct batch_s
    {
        int verts_count;
        int faces_count;
        IDirect3DVertexBuffer8 *vertex_buffer;
        IDirect3DIndexBuffer8 *index_buffer;
    };

    shadow_receiver_c(d3d_service_c *d3d, const static_mesh_c &source_geo, const shadow_params_s &params);
    ~shadow_receiver_c();
    shadow_receiver_c(const shadow_receiver_c &) = delete;
    shadow_receiver_c &operator=(const shadow_receiver_c &) = delete;

    void collect(manager_model_c *models);
    void draw();

    const node_s &root() const { return *m_root; }
    int tree_bytes() const { return m_tree_bytes; }
    const bounding_box &bounds() const { return m_bounds; }
    const std::vector<batch_s> &batches() const { return m_batches; }

private:
    struct work_vertex_s
    {
        vec3 p;
        int leaf;
        int index;
    };
    struct work_face_s
    {
        int v[3];
        vec3 centre;
        int leaf;
    };

    int build_cell(const rect &cell, std::unique_ptr<node_s> &node_slot, std::unique_ptr<leaf_s> *leaf_slot);
    void walk(const node_s &node, const rect &query);
    void emit(const leaf_s &leaf);
    void release_batches();

    shadow_params_s m_params;
    d3d_service_c *m_d3d;
    bounding_box m_bounds;
    std::unique_ptr<node_s> m_root;
    int m_tree_bytes;
    int m_leaves_made;
    std::vector<work_vertex_s> m_work_verts;
    std::vector<work_face_s> m_work_faces;
    std::unique_ptr<itexture_c> m_texture;
    std::vector<batch_s> m_batches;
    // The caster being collected.
    float m_origin_x, m_origin_y, m_size, m_height, m_span;
};
