#include "importers/static_geo.h"

#include "kernel/exception.h"

#include <string>

void static_geometry_c::load(const char *name)
{
    ENGINE_ASSERT(!m_vertices_count && !m_faces_count);
    model_file_c file(name, GEO_HEADER_SIZE, "sgeo");
    uint32_t counts[3];
    file.expect_geometry("Gmtr", sizeof(geo_vertex_s), sizeof(geo_locator_s), counts);
    const uint32_t vertices = counts[0], faces = counts[1], locators = counts[2];
    size_t offset = GEO_HEADER_SIZE;
    auto vertex_array = file.copy_array<geo_vertex_s>(offset, vertices);
    offset += sizeof(geo_vertex_s) * vertices;
    auto face_array = file.copy_array<geo_face_s>(offset, faces);
    offset += sizeof(geo_face_s) * faces;
    auto locator_array = file.copy_array<geo_locator_s>(offset, locators);
    if (!geo_faces_valid(face_array.get(), faces, vertices))
        file.invalid();
    m_vertices = std::move(vertex_array);
    m_faces = std::move(face_array);
    m_locators = std::move(locator_array);
    m_vertices_count = vertices;
    m_faces_count = faces;
    m_locators_count = locators;
}

void static_geometry_c::get_vertex(uint32_t vindex, vec3 *position, vec3 *normal, vec2 *uv) const
{
    ENGINE_ASSERT(vindex < m_vertices_count);
    ENGINE_ASSERT(m_vertices);
    const geo_vertex_s &v = m_vertices[vindex];
    if (position)
        *position = vec3(v.position[0], v.position[1], v.position[2]);
    if (normal)
        *normal = vec3(v.normal[0], v.normal[1], v.normal[2]);
    if (uv)
        *uv = vec2(v.u, v.v);
}

const geo_face_s &static_geometry_c::face(uint32_t findex) const
{
    ENGINE_ASSERT(findex < m_faces_count);
    ENGINE_ASSERT(m_faces);
    return m_faces[findex];
}

int static_geometry_c::find_locator(const char *name) const
{
    ENGINE_ASSERT(m_locators);
    return find_named(m_locators.get(), m_locators_count, name);
}

int static_geometry_c::locator_index(const char *name) const
{
    const int k = find_locator(name);
    if (k < 0)
        ENGINE_THROW(exception_c, std::string("Locator '") + name + "' not found");
    return k;
}
