// The static geometry reader (".geo", magic "Gmtr", version 1): V vertices (position,
// normal, u, v), N triangles and L named locators (a 32-byte name and a matrix in the
// geometry's space). The file must be exactly 20 + 32 V + 12 N + 96 L bytes long; face
// indices must name vertices and at most 65536 vertices are allowed (16-bit indices).
// Errors use the skinned reader's words: "Empty sgeo file '<name>'" below the header size,
// "Invalid sgeo file header '<name>'" for every other defect. Loading is all or nothing;
// loading a loaded reader is an assertion failure. Vertices and faces are those of the file
// (v not flipped), which shadows read back.
#pragma once

#include "basics/matrix.h"
#include "basics/vec3.h"
#include "importers/model_file.h"

#include <cstdint>
#include <memory>

struct geo_vertex_s
{
    float position[3];
    float normal[3];
    float u, v;
};
static_assert(sizeof(geo_vertex_s) == 32, "a static vertex is 32 bytes");

struct geo_locator_s
{
    char name[MODEL_NAME_SIZE];
    matrix_c matrix;
};
static_assert(sizeof(geo_locator_s) == 96, "a locator is 96 bytes");

class static_geometry_c
{
public:
    static_geometry_c() = default;
    explicit static_geometry_c(const char *name) { load(name); }
    virtual ~static_geometry_c() = default;
    static_geometry_c(const static_geometry_c &) = delete;
    static_geometry_c &operator=(const static_geometry_c &) = delete;

    void load(const char *name);

    // Each out pointer may be null.
    void get_vertex(uint32_t vindex, vec3 *position, vec3 *normal, vec2 *uv) const;
    const geo_face_s &face(uint32_t findex) const;
    // The first locator named exactly `name`, or -1.
    int find_locator(const char *name) const;
    // As find_locator, but an unknown name throws "Locator '<name>' not found".
    int locator_index(const char *name) const;

    uint32_t vertices_count() const { return m_vertices_count; }
    uint32_t faces_count() const { return m_faces_count; }
    uint32_t locators_count() const { return m_locators_count; }
    const geo_locator_s &locator(uint32_t k) const { return m_locators[k]; }

protected:
    uint32_t m_vertices_count = 0;
    uint32_t m_faces_count = 0;
    uint32_t m_locators_count = 0;
    std::unique_ptr<geo_vertex_s[]> m_vertices;
    std::unique_ptr<geo_face_s[]> m_faces;
    std::unique_ptr<geo_locator_s[]> m_locators;
};
