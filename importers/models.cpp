#include "importers/models.h"

#include "basics/console_log.h"
#include "kernel/exception.h"
#include "platform/d3d/d3dx8.h"
#include "services/srvc_d3d.h"

#include <cstring>

namespace {

D3DXMATRIX to_d3dx(const matrix_c &m)
{
    D3DXMATRIX out;
    std::memcpy(out.m, m.m, sizeof(out.m));
    return out;
}

matrix_c from_d3dx(const D3DXMATRIX &m)
{
    matrix_c out;
    std::memcpy(out.m, m.m, sizeof(out.m));
    return out;
}

matrix_c multiply(const matrix_c &a, const matrix_c &b)
{
    const D3DXMATRIX x = to_d3dx(a), y = to_d3dx(b);
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, &x, &y);
    return from_d3dx(out);
}

// A singular matrix has no inverse; the identity stands in for it, so a degenerate joint or
// transform leaves its vertices where the other matrices put them instead of at garbage.
matrix_c inverse(const matrix_c &m)
{
    const D3DXMATRIX x = to_d3dx(m);
    D3DXMATRIX out;
    D3DXMatrixIdentity(&out);
    D3DXMatrixInverse(&out, nullptr, &x);
    return from_d3dx(out);
}

void blend(matrix_c &out, const matrix_c &a, const matrix_c &b, float t)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = (1.0f - t) * a.m[r][c] + t * b.m[r][c];
}

D3DXVECTOR3 point_of(const float p[3])
{
    return D3DXVECTOR3(p[0], p[1], p[2]);
}

void store(float out[3], const D3DXVECTOR3 &v)
{
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

// Position by T as a point, normal by T as a direction and normalised.
void to_model_space(float position[3], float normal[3], const D3DXMATRIX &t)
{
    const D3DXVECTOR3 p = point_of(position), n = point_of(normal);
    D3DXVECTOR3 tp, tn;
    D3DXVec3TransformCoord(&tp, &p, &t);
    D3DXVec3TransformNormal(&tn, &n, &t);
    D3DXVec3Normalize(&tn, &tn);
    store(position, tp);
    store(normal, tn);
}

void log_geometry(const char *name, uint32_t vertices, uint32_t faces)
{
    print_message("Geometry '%s' loaded, %i verts, %i faces\n", name, int(vertices), int(faces));
}

// Face (a, b, c) is drawn as (b, a, c); indices are cut to 16 bits, which every index
// fits since a geometry holds at most 65536 vertices.
IDirect3DIndexBuffer8 *make_index_buffer(d3d_service_c *d3d, const geo_face_s *faces, uint32_t count)
{
    IDirect3DIndexBuffer8 *buffer = d3d->create_ibuffer(int(count));
    try {
        WORD *out = d3d->lock_ibuffer(buffer, 0, int(count));
        for (uint32_t f = 0; f < count; ++f) {
            out[3 * f] = WORD(faces[f].index[1]);
            out[3 * f + 1] = WORD(faces[f].index[0]);
            out[3 * f + 2] = WORD(faces[f].index[2]);
        }
        d3d->unlock_ibuffer(buffer);
    } catch (...) {
        buffer->Release();
        throw;
    }
    return buffer;
}

} // namespace

skeleton_instance_c::skeleton_instance_c(const char *name, const matrix_c &transform)
    : skeleton_c(name), m_transform(transform)
{
    prepare();
}

void skeleton_instance_c::prepare()
{
    ENGINE_ASSERT(m_frames_count && m_joints_count);
    const uint32_t frames = m_frames_count, joints = m_joints_count;
    matrix_c *M = m_transforms.get();
    auto at = [joints](uint32_t f, uint32_t j) { return size_t(f) * joints + j; };

    // Absolute placements. Joints are taken in file order, so a parent listed before its
    // child is already absolute and ends the walk; one listed after is still relative and
    // the walk goes on up its chain (the loader refused cycles, so every chain ends).
    for (uint32_t f = 0; f < frames; ++f)
        for (uint32_t j = 0; j < joints; ++j) {
            int32_t walker = int32_t(j);
            for (;;) {
                walker = m_joints_info[walker].parent;
                if (walker == -1)
                    break;
                M[at(f, j)] = multiply(M[at(f, j)], M[at(f, uint32_t(walker))]);
                if (uint32_t(walker) < j)
                    break;
            }
        }

    m_joint.reset(new matrix_c[size_t(frames) * joints]);
    for (size_t i = 0; i < size_t(frames) * joints; ++i)
        m_joint[i] = multiply(M[i], m_transform);

    const matrix_c t_inverse = inverse(m_transform);
    m_skin.reset(new matrix_c[size_t(frames) * joints]);
    for (uint32_t j = 0; j < joints; ++j) {
        const matrix_c bind_inverse = inverse(M[at(0, j)]);
        for (uint32_t f = 0; f < frames; ++f)
            m_skin[at(f, j)] = multiply(multiply(t_inverse, multiply(bind_inverse, M[at(f, j)])), m_transform);
    }

    m_transforms.reset();
    m_current_skin.reset(new matrix_c[joints]);
    m_current_joint.reset(new matrix_c[joints]);
    std::memcpy(static_cast<void *>(m_current_skin.get()), &m_skin[0], sizeof(matrix_c) * joints);
    std::memcpy(static_cast<void *>(m_current_joint.get()), &m_joint[0], sizeof(matrix_c) * joints);
}

void skeleton_instance_c::set_pose(unsigned frame0, unsigned frame1, float t)
{
    ENGINE_ASSERT(frame0 < m_frames_count && frame1 < m_frames_count);
    const matrix_c *skin0 = skin_matrices(frame0), *skin1 = skin_matrices(frame1);
    const matrix_c *joint0 = joint_matrices(frame0), *joint1 = joint_matrices(frame1);
    for (uint32_t j = 0; j < m_joints_count; ++j) {
        blend(m_current_skin[j], skin0[j], skin1[j], t);
        blend(m_current_joint[j], joint0[j], joint1[j], t);
    }
}

skinned_mesh_c::skinned_mesh_c(d3d_service_c *d3d, const char *name, skeleton_instance_c *skeleton)
    : skinned_geometry_c(name), m_d3d(d3d), m_skeleton(skeleton)
{
    log_geometry(name, m_vertices_count, m_faces_count);
    ENGINE_ASSERT(m_vertices_count && m_joint_tags_count);
    std::unique_ptr<int[]> joint_of_tag(new int[m_joint_tags_count]);
    for (uint32_t k = 0; k < m_joint_tags_count; ++k)
        joint_of_tag[k] = m_skeleton->joint_index(model_name_text(m_joint_tags[k].name).c_str());

    const D3DXMATRIX t = to_d3dx(m_skeleton->transform());
    m_prepared.reset(new sgeo_vertex_s[m_vertices_count]);
    for (uint32_t i = 0; i < m_vertices_count; ++i) {
        const sgeo_vertex_s &in = m_vertices[i];
        sgeo_vertex_s &out = m_prepared[i];
        std::memcpy(out.position, in.position, sizeof(out.position));
        std::memcpy(out.normal, in.normal, sizeof(out.normal));
        out.u = in.u;
        out.v = 1.0f - in.v;
        out.influences = in.influences;
        for (int k = 0; k < SGEO_MAX_INFLUENCES; ++k) {
            const bool used = k < in.influences;
            out.joints[k] = used ? joint_of_tag[in.joints[k]] : 0;
            out.weights[k] = used ? in.weights[k] : 0.0f;
        }
        to_model_space(out.position, out.normal, t);
    }
    m_vertices.reset();

    m_index_buffer = make_index_buffer(m_d3d, m_faces.get(), m_faces_count);
    m_faces.reset();
}

skinned_mesh_c::~skinned_mesh_c()
{
    if (m_index_buffer)
        m_index_buffer->Release();
}

IDirect3DVertexBuffer8 *skinned_mesh_c::create_vertex_buffer()
{
    return m_d3d->create_vbuffer(sizeof(lit_vertex_s), int(m_vertices_count), d3d_service_c::LIT_FVF);
}

void skinned_mesh_c::fill_vertex_buffer(IDirect3DVertexBuffer8 *buffer)
{
    auto *out = static_cast<lit_vertex_s *>(m_d3d->lock_vbuffer(sizeof(lit_vertex_s), buffer, 0, int(m_vertices_count)));
    skin(out);
    m_d3d->unlock_vbuffer(buffer);
}

void skinned_mesh_c::skin(lit_vertex_s *out) const
{
    // The skin matrices are blends of affine matrices, so a point needs no division by w; the
    // prepared normals are unit already. This loop runs for every vertex of every animated
    // model on every tick: it reads the matrices in place.
    const matrix_c *skin = m_skeleton->current_skin_matrices();
    for (uint32_t i = 0; i < m_vertices_count; ++i) {
        const sgeo_vertex_s &in = m_prepared[i];
        const float *p = in.position, *n = in.normal;
        float px = 0.0f, py = 0.0f, pz = 0.0f, nx = 0.0f, ny = 0.0f, nz = 0.0f;
        for (int k = 0; k < in.influences; ++k) {
            const float(*m)[4] = skin[in.joints[k]].m;
            const float w = in.weights[k];
            px += w * (p[0] * m[0][0] + p[1] * m[1][0] + p[2] * m[2][0] + m[3][0]);
            py += w * (p[0] * m[0][1] + p[1] * m[1][1] + p[2] * m[2][1] + m[3][1]);
            pz += w * (p[0] * m[0][2] + p[1] * m[1][2] + p[2] * m[2][2] + m[3][2]);
            nx += w * (n[0] * m[0][0] + n[1] * m[1][0] + n[2] * m[2][0]);
            ny += w * (n[0] * m[0][1] + n[1] * m[1][1] + n[2] * m[2][1]);
            nz += w * (n[0] * m[0][2] + n[1] * m[1][2] + n[2] * m[2][2]);
        }
        out[i] = lit_vertex_s{px, py, pz, nx, ny, nz, 0xFFFFFFFF, in.u, in.v};
    }
}

static_mesh_c::static_mesh_c(d3d_service_c *d3d, const char *name, const matrix_c &transform)
    : static_geometry_c(name), m_d3d(d3d), m_transform(transform)
{
    log_geometry(name, m_vertices_count, m_faces_count);
    m_locator_matrices.reset(new matrix_c[m_locators_count ? m_locators_count : 1]);
    if (m_locators_count) {
        ENGINE_ASSERT(m_locators);
        for (uint32_t k = 0; k < m_locators_count; ++k)
            m_locator_matrices[k] = multiply(m_locators[k].matrix, m_transform);
    }

    const D3DXMATRIX t = to_d3dx(m_transform);
    try {
        m_vertex_buffer = m_d3d->create_vbuffer(sizeof(lit_vertex_s), int(m_vertices_count), d3d_service_c::LIT_FVF);
        auto *out = static_cast<lit_vertex_s *>(
            m_d3d->lock_vbuffer(sizeof(lit_vertex_s), m_vertex_buffer, 0, int(m_vertices_count)));
        for (uint32_t i = 0; i < m_vertices_count; ++i) {
            geo_vertex_s v = m_vertices[i];
            to_model_space(v.position, v.normal, t);
            out[i] = lit_vertex_s{v.position[0], v.position[1], v.position[2], v.normal[0], v.normal[1], v.normal[2],
                                  0xFFFFFFFF, v.u, 1.0f - v.v};
        }
        m_d3d->unlock_vbuffer(m_vertex_buffer);
        m_index_buffer = make_index_buffer(m_d3d, m_faces.get(), m_faces_count);
    } catch (...) {
        release_buffers();
        throw;
    }
}

static_mesh_c::~static_mesh_c()
{
    release_buffers();
}

void static_mesh_c::release_buffers()
{
    release_d3d_object(m_index_buffer);
    release_d3d_object(m_vertex_buffer);
}

const matrix_c &static_mesh_c::locator_matrix(const char *name) const
{
    return m_locator_matrices[locator_index(name)];
}
