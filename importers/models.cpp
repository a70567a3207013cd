#include "importers/models.h"

#include "kernel/exception.h"
#include "platform/d3d/d3dx8.h"

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
