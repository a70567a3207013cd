#include "tools/modelgen/modelgen.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

namespace modelgen {

namespace {

void put_u32(bytes &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

void put_raw(bytes &out, const void *p, size_t n)
{
    const uint8_t *b = static_cast<const uint8_t *>(p);
    out.insert(out.end(), b, b + n);
}

void put_name(bytes &out, const std::string &name)
{
    char field[MODEL_NAME_SIZE] = {};
    std::memcpy(field, name.data(), std::min(name.size(), MODEL_NAME_SIZE));
    put_raw(out, field, sizeof(field));
}

void put_header(bytes &out, const char *magic, std::initializer_list<uint32_t> counts)
{
    put_raw(out, magic, 4);
    put_u32(out, 1);
    for (uint32_t c : counts)
        put_u32(out, c);
}

template <class T> void put_records(bytes &out, const std::vector<T> &records)
{
    if (!records.empty())
        put_raw(out, records.data(), sizeof(T) * records.size());
}

// The corners o, o + u, o + u + v, o + v of a quad facing u x v, with texture coordinates
// (0,0), (1,0), (1,1), (0,1); `vertex` appends one vertex and returns its index.
void add_quad(std::vector<geo_face_s> &faces, const vec3 &o, const vec3 &u, const vec3 &v,
              const std::function<uint32_t(const vec3 &, const vec3 &, float, float)> &vertex)
{
    vec3 n;
    n.cross(u, v);
    n.normalize();
    const uint32_t i0 = vertex(o, n, 0.0f, 0.0f);
    const uint32_t i1 = vertex(o + u, n, 1.0f, 0.0f);
    const uint32_t i2 = vertex(o + u + v, n, 1.0f, 1.0f);
    const uint32_t i3 = vertex(o + v, n, 0.0f, 1.0f);
    faces.push_back({{i0, i2, i1}});
    faces.push_back({{i0, i3, i2}});
}

void add_box_quads(std::vector<geo_face_s> &faces, const vec3 &lo, const vec3 &hi,
                   const std::function<uint32_t(const vec3 &, const vec3 &, float, float)> &vertex)
{
    const vec3 d = hi - lo;
    add_quad(faces, {hi.x, lo.y, lo.z}, {0, d.y, 0}, {0, 0, d.z}, vertex);
    add_quad(faces, {lo.x, hi.y, lo.z}, {0, -d.y, 0}, {0, 0, d.z}, vertex);
    add_quad(faces, {hi.x, hi.y, lo.z}, {-d.x, 0, 0}, {0, 0, d.z}, vertex);
    add_quad(faces, {lo.x, lo.y, lo.z}, {d.x, 0, 0}, {0, 0, d.z}, vertex);
    add_quad(faces, {lo.x, lo.y, hi.z}, {d.x, 0, 0}, {0, d.y, 0}, vertex);
    add_quad(faces, {lo.x, hi.y, lo.z}, {d.x, 0, 0}, {0, -d.y, 0}, vertex);
}

} // namespace

bytes skeleton_file(const skeleton_desc &d)
{
    bytes out;
    put_header(out, "Skel", {uint32_t(d.frames.size()), uint32_t(d.joints.size())});
    for (const joint_desc &j : d.joints) {
        put_name(out, j.name);
        put_u32(out, uint32_t(j.parent));
    }
    for (const auto &frame : d.frames)
        put_records(out, frame);
    return out;
}

bytes skinned_file(const skinned_desc &d)
{
    bytes out;
    put_header(out, "SGeo", {uint32_t(d.vertices.size()), uint32_t(d.faces.size()), uint32_t(d.tags.size())});
    put_records(out, d.vertices);
    put_records(out, d.faces);
    for (const std::string &t : d.tags)
        put_name(out, t);
    return out;
}

bytes static_file(const static_desc &d)
{
    bytes out;
    put_header(out, "Gmtr", {uint32_t(d.vertices.size()), uint32_t(d.faces.size()), uint32_t(d.locators.size())});
    put_records(out, d.vertices);
    put_records(out, d.faces);
    for (const locator_desc &l : d.locators) {
        put_name(out, l.name);
        put_raw(out, l.matrix.m, sizeof(l.matrix.m));
    }
    return out;
}

bool write_file(const std::string &path, const bytes &data)
{
    const std::filesystem::path p(path);
    std::error_code ec;
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path(), ec);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

matrix_c translation(const vec3 &t)
{
    matrix_c m(1.0f);
    m.m[3][0] = t.x;
    m.m[3][1] = t.y;
    m.m[3][2] = t.z;
    return m;
}

matrix_c rotation(char axis, float radians)
{
    const int a = axis == 'x' ? 0 : axis == 'y' ? 1 : 2;
    const int b = (a + 1) % 3, c = (a + 2) % 3;
    const float s = std::sin(radians), co = std::cos(radians);
    matrix_c m(1.0f);
    // Row vectors: the b axis turns towards the c axis.
    m.m[b][b] = co;
    m.m[b][c] = s;
    m.m[c][b] = -s;
    m.m[c][c] = co;
    return m;
}

matrix_c scaling(const vec3 &s)
{
    matrix_c m(1.0f);
    m.m[0][0] = s.x;
    m.m[1][1] = s.y;
    m.m[2][2] = s.z;
    return m;
}

matrix_c product(const matrix_c &a, const matrix_c &b)
{
    matrix_c out(0.0f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k)
                out.m[r][c] += a.m[r][k] * b.m[k][c];
    return out;
}

sgeo_vertex_s skinned_vertex(const vec3 &position, const vec3 &normal, float u, float v,
                             const std::vector<std::pair<int, float>> &influences)
{
    sgeo_vertex_s out{};
    out.position[0] = position.x;
    out.position[1] = position.y;
    out.position[2] = position.z;
    out.normal[0] = normal.x;
    out.normal[1] = normal.y;
    out.normal[2] = normal.z;
    out.u = u;
    out.v = v;
    out.influences = int32_t(influences.size());
    for (size_t k = 0; k < influences.size() && k < 4; ++k) {
        out.joints[k] = influences[k].first;
        out.weights[k] = influences[k].second;
    }
    return out;
}

geo_vertex_s static_vertex(const vec3 &position, const vec3 &normal, float u, float v)
{
    return {{position.x, position.y, position.z}, {normal.x, normal.y, normal.z}, u, v};
}

void add_box(static_desc &d, const vec3 &minimum, const vec3 &maximum)
{
    add_box_quads(d.faces, minimum, maximum, [&d](const vec3 &p, const vec3 &n, float u, float v) {
        d.vertices.push_back(static_vertex(p, n, u, v));
        return uint32_t(d.vertices.size() - 1);
    });
}

void add_quad_strip(static_desc &d, const vec3 &origin, const vec3 &along, const vec3 &across, int quads)
{
    for (int q = 0; q < quads; ++q)
        add_quad(d.faces, origin + along * float(q), along, across,
                 [&d, q](const vec3 &p, const vec3 &n, float u, float v) {
                     d.vertices.push_back(static_vertex(p, n, u + float(q), v));
                     return uint32_t(d.vertices.size() - 1);
                 });
}

void add_skinned_box(skinned_desc &d, const vec3 &minimum, const vec3 &maximum, int tag)
{
    add_box_quads(d.faces, minimum, maximum, [&d, tag](const vec3 &p, const vec3 &n, float u, float v) {
        d.vertices.push_back(skinned_vertex(p, n, u, v, {{tag, 1.0f}}));
        return uint32_t(d.vertices.size() - 1);
    });
}

} // namespace modelgen
