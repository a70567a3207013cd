#include "services/manager_model_shadow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "basics/console_log.h"
#include "importers/models.h"
#include "kernel/exception.h"
#include "services/itexture.h"
#include "services/manager_model.h"
#include "services/srvc_d3d.h"

namespace {

constexpr int NODE_BYTES = 48;
constexpr int LEAF_BYTES = 36;
// Cells split down to the cluster whether faces lie in them or not, and every leaf cell looks
// at every face: positions from a file far apart against the cluster (or not finite) would
// split for ever or past any time and memory. 2^16 cells is 256 x 256 clusters.
constexpr int MAX_SPLIT_LEVELS = 16;

// How often a side of this extent halves before it is below the cluster, as the tree splits
// it; past MAX_SPLIT_LEVELS (or not finite) MAX_SPLIT_LEVELS + 1.
int split_levels(float extent, float cluster)
{
    if (!std::isfinite(extent))
        return MAX_SPLIT_LEVELS + 1;
    int levels = 0;
    for (float side = extent; side >= cluster && levels <= MAX_SPLIT_LEVELS; side /= 2)
        ++levels;
    return levels;
}

} // namespace

shadow_receiver_c::shadow_receiver_c(d3d_service_c *d3d, const static_mesh_c &source_geo,
                                     const shadow_params_s &params)
    : m_params(params), m_d3d(d3d), m_tree_bytes(0), m_leaves_made(0), m_origin_x(0), m_origin_y(0), m_size(0),
      m_height(0), m_span(0)
{
    // A cluster of 0 or less would split cells for ever.
    if (!(params.cluster > 0.0f)) {
        char text[64];
        std::snprintf(text, sizeof text, "Invalid shadow cluster %g", params.cluster);
        ENGINE_THROW(exception_c, text);
    }
    ENGINE_ASSERT(source_geo.vertices_count() > 0 && source_geo.faces_count() > 0);
    m_batches.reserve(16);

    const uint32_t nv = source_geo.vertices_count(), nf = source_geo.faces_count();
    m_work_verts.resize(nv);
    for (uint32_t i = 0; i < nv; ++i) {
        vec3 p;
        source_geo.get_vertex(i, &p, nullptr, nullptr);
        m_work_verts[i] = work_vertex_s{source_geo.transform().transform_point(p), -1, -1};
        if (i == 0)
            m_bounds = bounding_box{m_work_verts[0].p, m_work_verts[0].p};
        else
            box_add_point(m_bounds, m_work_verts[i].p);
    }
    m_work_faces.resize(nf);
    for (uint32_t f = 0; f < nf; ++f) {
        work_face_s &w = m_work_faces[f];
        const geo_face_s &face = source_geo.face(f);
        vec3 sum = vec3_zero;
        for (int k = 0; k < 3; ++k) {
            ENGINE_ASSERT(face.index[k] < nv);
            w.v[k] = (int)face.index[k];
            sum = sum + m_work_verts[face.index[k]].p;
        }
        w.centre = sum * 0.33333334f;
        w.leaf = -1;
    }

    const float width = m_bounds.maximum.x - m_bounds.minimum.x, height = m_bounds.maximum.y - m_bounds.minimum.y;
    if (split_levels(width, params.cluster) + split_levels(height, params.cluster) > MAX_SPLIT_LEVELS) {
        char text[128];
        std::snprintf(text, sizeof text, "Shadow receiver of %g x %g is too large for shadow cluster %g", width,
                      height, params.cluster);
        ENGINE_THROW(exception_c, text);
    }
    m_root = std::make_unique<node_s>();
    const rect all(m_bounds.minimum.x, m_bounds.minimum.y, m_bounds.maximum.x, m_bounds.maximum.y);
    m_tree_bytes = build_cell(all, m_root, nullptr);
    print_message("Shadow tree created, %i bytes allocated\n", m_tree_bytes);
    m_work_verts.clear();
    m_work_verts.shrink_to_fit();
    m_work_faces.clear();
    m_work_faces.shrink_to_fit();

    m_texture = itexture_mgr_c().create_texture(m_params.texture_name.c_str(), 0);
}

shadow_receiver_c::~shadow_receiver_c() { release_batches(); }

int shadow_receiver_c::build_cell(const rect &cell, std::unique_ptr<node_s> &node_slot,
                                  std::unique_ptr<leaf_s> *leaf_slot)
{
    const float w = cell.right - cell.left, h = cell.bottom - cell.top;
    if (w >= m_params.cluster || h >= m_params.cluster || !leaf_slot) {
        if (!node_slot)
            node_slot = std::make_unique<node_s>();
        node_s &node = *node_slot;
        int bytes = NODE_BYTES;
        const int nx = w >= m_params.cluster ? 2 : 1, ny = h >= m_params.cluster ? 2 : 1;
        node.area = cell;
        for (int i = 0; i < nx; ++i) {
            for (int j = 0; j < ny; ++j) {
                const int k = i * ny + j;
                const float x0 = cell.left + i * w / nx, y0 = cell.top + j * h / ny;
                bytes += build_cell(rect(x0, y0, x0 + w / nx, y0 + h / ny), node.nodes[k], &node.leaves[k]);
                if (node.nodes[k])
                    node.area = node.area.united(node.nodes[k]->area);
                else if (node.leaves[k])
                    node.area = node.area.united(node.leaves[k]->area);
            }
        }
        return bytes;
    }

    const int leaf_id = m_leaves_made++;
    auto leaf = std::make_unique<leaf_s>();
    leaf->verts_count = 0;
    leaf->faces_count = 0;
    for (work_face_s &f : m_work_faces) {
        if (f.leaf >= 0 || f.centre.x < cell.left || f.centre.x > cell.right || f.centre.y < cell.top ||
            f.centre.y > cell.bottom)
            continue;
        f.leaf = leaf_id;
        ++leaf->faces_count;
        for (int v : f.v) {
            if (m_work_verts[v].leaf != leaf_id) {
                m_work_verts[v].leaf = leaf_id;
                ++leaf->verts_count;
            }
        }
    }
    if (leaf->faces_count == 0)
        return 0;

    int vi = 0;
    leaf->verts.reserve(leaf->verts_count);
    for (work_vertex_s &v : m_work_verts) {
        if (v.leaf != leaf_id)
            continue;
        ENGINE_ASSERT(vi < leaf->verts_count);
        v.index = vi++;
        leaf->verts.push_back(v.p);
    }
    ENGINE_ASSERT(vi == leaf->verts_count);

    int fi = 0;
    leaf->faces.reserve((size_t)leaf->faces_count * 3);
    rect area(cell.left + w / 2, cell.top + h / 2, cell.left + w / 2, cell.top + h / 2);
    for (const work_face_s &f : m_work_faces) {
        if (f.leaf != leaf_id)
            continue;
        ENGINE_ASSERT(fi < leaf->faces_count);
        ++fi;
        for (int v : f.v) {
            const int local = m_work_verts[v].index;
            ENGINE_ASSERT(local < leaf->verts_count);
            leaf->faces.push_back(local);
            area.add_point(vec2(m_work_verts[v].p.x, m_work_verts[v].p.y));
        }
    }
    ENGINE_ASSERT(fi == leaf->faces_count);
    leaf->area = area;
    *leaf_slot = std::move(leaf);
    return LEAF_BYTES + ((*leaf_slot)->verts_count + (*leaf_slot)->faces_count) * 12;
}

void shadow_receiver_c::release_batches()
{
    for (batch_s &b : m_batches) {
        b.vertex_buffer->Release();
        b.index_buffer->Release();
    }
    m_batches.clear();
}

void shadow_receiver_c::collect(manager_model_c *models)
{
    release_batches();
    int it = -1;
    vec3 pos;
    float s = 0.0f;
    while (models->next_shadow_caster(&it, &pos, &s)) {
        const float g = s * m_params.grow_factor;
        m_span = s * m_params.height_size_factor;
        // Nothing to draw, and a division by zero below: skip.
        if (!(s > 0.0f) || !(g > 0.0f) || !(m_span > 0.0f))
            continue;
        m_origin_x = pos.x - s / 2;
        m_origin_y = pos.y - s / 2;
        m_size = s;
        m_height = pos.z;
        const rect query(pos.x - g / 2, pos.y - g / 2, pos.x - g / 2 + g, pos.y - g / 2 + g);
        walk(*m_root, query);
    }
}

void shadow_receiver_c::walk(const node_s &node, const rect &query)
{
    if (!rect_intersect(nullptr, node.area, query))
        return;
    for (const auto &child : node.nodes)
        if (child)
            walk(*child, query);
    for (const auto &leaf : node.leaves)
        if (leaf && rect_intersect(nullptr, leaf->area, query))
            emit(*leaf);
}

void shadow_receiver_c::emit(const leaf_s &leaf)
{
    IDirect3DVertexBuffer8 *vb = m_d3d->create_vbuffer(sizeof(lit_vertex_s), leaf.verts_count, d3d_service_c::LIT_FVF);
    auto *out = static_cast<lit_vertex_s *>(m_d3d->lock_vbuffer(sizeof(lit_vertex_s), vb, 0, leaf.verts_count));
    const float s = m_size, d = s * m_params.grow_factor - s;
    int shadowed = 0;
    for (int i = 0; i < leaf.verts_count; ++i) {
        const vec3 &v = leaf.verts[i];
        const float f = (m_height - v.z) / m_span;
        float g = std::min(f, 1.0f), h;
        if (g >= 0.0f) {
            h = g;
        } else {
            h = std::min(-10.0f * f, 1.0f);
            g = 0.0f;
        }
        const float w = s + g * d;
        out[i] = lit_vertex_s{v.x, v.y, v.z, 0.0f, 0.0f, 0.0f,
                              ((D3DCOLOR)(int)((1.0f - h) * 255.0f) << 24) | 0xFFFFFFu,
                              (v.x - (m_origin_x - g * d / 2)) / w, (v.y - (m_origin_y - g * d / 2)) / w};
        // Kept when the shadow shows at this vertex (the fade leaves it darker than 1%).
        if (1.0f - h > 0.01f)
            ++shadowed;
    }
    m_d3d->unlock_vbuffer(vb);
    if (!shadowed) {
        vb->Release();
        return;
    }
    IDirect3DIndexBuffer8 *ib = m_d3d->create_ibuffer(leaf.faces_count);
    WORD *idx = m_d3d->lock_ibuffer(ib, 0, leaf.faces_count);
    for (int f = 0; f < leaf.faces_count; ++f) {
        idx[f * 3 + 0] = (WORD)leaf.faces[f * 3 + 1];
        idx[f * 3 + 1] = (WORD)leaf.faces[f * 3 + 0];
        idx[f * 3 + 2] = (WORD)leaf.faces[f * 3 + 2];
    }
    m_d3d->unlock_ibuffer(ib);
    m_batches.push_back(batch_s{leaf.verts_count, leaf.faces_count, vb, ib});
}

void shadow_receiver_c::draw()
{
    IDirect3DDevice8 *device = m_d3d->device();
    if (!device)
        return;
    m_d3d->set_world_transform(placement{});
    m_d3d->set_lit_vertex_format();
    m_d3d->set_blend_mode(0, 4, 0);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetRenderState(D3DRS_ZBIAS, 1);
    device->SetTexture(0, m_texture->handle());
    for (const batch_s &b : m_batches) {
        device->SetStreamSource(0, b.vertex_buffer, sizeof(lit_vertex_s));
        device->SetIndices(b.index_buffer, 0);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, (UINT)b.verts_count, 0, (UINT)b.faces_count);
    }
    device->SetRenderState(D3DRS_ZBIAS, 0);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}
