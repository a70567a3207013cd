#include "importers/model_file.h"

#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"

#include <climits>

bool model_name_equals(const char (&field)[MODEL_NAME_SIZE], const char *name)
{
    const size_t len = strnlen(field, MODEL_NAME_SIZE);
    return std::strlen(name) == len && std::memcmp(field, name, len) == 0;
}

std::string model_name_text(const char (&field)[MODEL_NAME_SIZE])
{
    return std::string(field, strnlen(field, MODEL_NAME_SIZE));
}

bool geo_faces_valid(const geo_face_s *faces, uint32_t faces_count, uint32_t vertices_count)
{
    for (uint32_t f = 0; f < faces_count; ++f)
        for (uint32_t index : faces[f].index)
            if (index >= vertices_count)
                return false;
    return true;
}

model_file_c::model_file_c(const char *name, size_t header_size, const char *kind) : m_name(name), m_kind(kind)
{
    vaultfile_c file(name, VFILE_READ);
    const unsigned long size = file.size();
    if (size < header_size)
        ENGINE_THROW(exception_c, "Empty " + m_kind + " file '" + m_name + "'");
    // The file object reads at most INT_MAX bytes at once; no model comes near that.
    if (size > INT_MAX)
        invalid();
    m_image.resize(size);
    file.read(m_image.data(), static_cast<int>(size));
    file.close();
}

void model_file_c::invalid() const
{
    ENGINE_THROW(exception_c, "Invalid " + m_kind + " file header '" + m_name + "'");
}

void model_file_c::expect_magic(const char magic[4]) const
{
    if (std::memcmp(m_image.data(), magic, 4) != 0 || u32(4) != 1)
        invalid();
}

void model_file_c::expect_length(uint64_t header, std::initializer_list<std::pair<uint64_t, uint64_t>> arrays) const
{
    uint64_t total = header;
    for (const auto &[count, size] : arrays) {
        uint64_t bytes;
        if (__builtin_mul_overflow(count, size, &bytes) || __builtin_add_overflow(total, bytes, &total))
            invalid();
    }
    if (total != m_image.size())
        invalid();
}

void model_file_c::expect_geometry(const char magic[4], size_t vertex_size, size_t tail_size, uint32_t counts[3]) const
{
    expect_magic(magic);
    for (int i = 0; i < 3; ++i)
        counts[i] = u32(8 + 4 * i);
    expect_length(GEO_HEADER_SIZE, {{counts[0], vertex_size}, {counts[1], sizeof(geo_face_s)}, {counts[2], tail_size}});
    if (counts[0] > GEO_MAX_VERTICES)
        invalid();
}

uint32_t model_file_c::u32(size_t offset) const
{
    const uint8_t *p = m_image.data() + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
