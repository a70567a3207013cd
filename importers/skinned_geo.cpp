#include "importers/skinned_geo.h"

#include "kernel/exception.h"

namespace {

bool influences_valid(const sgeo_vertex_s *vertices, uint32_t count, uint32_t tags)
{
    for (uint32_t i = 0; i < count; ++i) {
        const sgeo_vertex_s &v = vertices[i];
        if (v.influences < 0 || v.influences > SGEO_MAX_INFLUENCES)
            return false;
        for (int k = 0; k < v.influences; ++k)
            if (v.joints[k] < 0 || uint32_t(v.joints[k]) >= tags)
                return false;
    }
    return true;
}

} // namespace

void skinned_geometry_c::load(const char *name)
{
    ENGINE_ASSERT(!m_vertices_count && !m_faces_count && !m_joint_tags_count);
    model_file_c file(name, GEO_HEADER_SIZE, "sgeo");
    uint32_t counts[3];
    file.expect_geometry("SGeo", sizeof(sgeo_vertex_s), sizeof(joint_tag_s), counts);
    const uint32_t vertices = counts[0], faces = counts[1], tags = counts[2];
    size_t offset = GEO_HEADER_SIZE;
    auto vertex_array = file.copy_array<sgeo_vertex_s>(offset, vertices);
    offset += sizeof(sgeo_vertex_s) * vertices;
    auto face_array = file.copy_array<geo_face_s>(offset, faces);
    offset += sizeof(geo_face_s) * faces;
    auto tag_array = file.copy_array<joint_tag_s>(offset, tags);
    if (!influences_valid(vertex_array.get(), vertices, tags) || !geo_faces_valid(face_array.get(), faces, vertices))
        file.invalid();
    m_vertices = std::move(vertex_array);
    m_faces = std::move(face_array);
    m_joint_tags = std::move(tag_array);
    m_vertices_count = vertices;
    m_faces_count = faces;
    m_joint_tags_count = tags;
}

const joint_tag_s &skinned_geometry_c::joint_tag(uint32_t jtindex) const
{
    ENGINE_ASSERT(jtindex < m_joint_tags_count);
    ENGINE_ASSERT(m_joint_tags);
    return m_joint_tags[jtindex];
}
