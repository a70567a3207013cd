// The skinned geometry reader (".sgm", magic "SGeo", version 1): V vertices bound to joints,
// N triangles and T joint tags (32-byte joint names) that the vertices' influences index.
// The file must be exactly 20 + 68 V + 12 N + 32 T bytes long. A vertex has 0 to 4
// influences; only its first n slots are read, and each must name a tag of the file. Face
// indices must name vertices, and a geometry holds at most 65536 vertices because its
// triangles are drawn with 16-bit indices. Any breach is refused as an invalid header
// ("Invalid sgeo file header '<name>'"); a file shorter than its header is "Empty sgeo
// file '<name>'". Loading is all or nothing; loading a loaded reader is an assertion failure.
#pragma once

#include "importers/model_file.h"

#include <cstdint>
#include <memory>

struct sgeo_vertex_s
{
    float position[3];
    float normal[3];
    float u, v;
    int32_t influences;
    int32_t joints[4];
    float weights[4];
};
static_assert(sizeof(sgeo_vertex_s) == 68, "a skinned vertex is 68 bytes");

struct joint_tag_s
{
    char name[MODEL_NAME_SIZE];
};
static_assert(sizeof(joint_tag_s) == 32, "a joint tag is 32 bytes");

constexpr int SGEO_MAX_INFLUENCES = 4;

class skinned_geometry_c
{
public:
    skinned_geometry_c() = default;
    explicit skinned_geometry_c(const char *name) { load(name); }
    virtual ~skinned_geometry_c() = default;
    skinned_geometry_c(const skinned_geometry_c &) = delete;
    skinned_geometry_c &operator=(const skinned_geometry_c &) = delete;

    void load(const char *name);

    const joint_tag_s &joint_tag(uint32_t jtindex) const;

    uint32_t vertices_count() const { return m_vertices_count; }
    uint32_t faces_count() const { return m_faces_count; }
    uint32_t joint_tags_count() const { return m_joint_tags_count; }
    // Null once a skinned mesh has prepared them.
    const sgeo_vertex_s *vertices() const { return m_vertices.get(); }
    const geo_face_s *faces() const { return m_faces.get(); }

protected:
    uint32_t m_vertices_count = 0;
    uint32_t m_faces_count = 0;
    uint32_t m_joint_tags_count = 0;
    std::unique_ptr<sgeo_vertex_s[]> m_vertices;
    std::unique_ptr<geo_face_s[]> m_faces;
    std::unique_ptr<joint_tag_s[]> m_joint_tags;
};
