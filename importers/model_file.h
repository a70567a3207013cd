// The shared reading steps of the three model files (".skl", ".sgm", ".geo"): each is read
// whole through the file object, is little-endian without padding, starts with a 4-byte
// magic and a version and must have exactly the length its counts give. A file shorter than
// its header throws exception_c "Empty <kind> file '<name>'"; any other defect found while
// checking throws "Invalid <kind> file header '<name>'". Lengths are computed in 64 bits
// with overflow refused, so no count can wrap a product into a matching length.
// Names in the files are 32-byte fields that should end in a zero; one that does not is
// taken as its 32 bytes and never read past.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// A triangle of a geometry file: three vertex indices.
struct geo_face_s
{
    uint32_t index[3];
};
static_assert(sizeof(geo_face_s) == 12, "a face record is 12 bytes");

constexpr size_t MODEL_NAME_SIZE = 32;
// Both geometry files have a 20-byte header: magic, version and three counts.
constexpr size_t GEO_HEADER_SIZE = 20;
// The most vertices a geometry may hold: its triangles are drawn with 16-bit indices.
constexpr uint32_t GEO_MAX_VERTICES = 65536;

// True when every face names vertices below vertices_count.
bool geo_faces_valid(const geo_face_s *faces, uint32_t faces_count, uint32_t vertices_count);

// True when the name field holds exactly `name` (letter case included).
bool model_name_equals(const char (&field)[MODEL_NAME_SIZE], const char *name);
// The name field as text, cut at its first zero or after 32 bytes.
std::string model_name_text(const char (&field)[MODEL_NAME_SIZE]);

// The index of the first record whose name field holds exactly `name`, or -1.
template <class T> int find_named(const T *records, uint32_t count, const char *name)
{
    for (uint32_t k = 0; k < count; ++k)
        if (model_name_equals(records[k].name, name))
            return int(k);
    return -1;
}

class model_file_c
{
public:
    // Reads the file; throws the empty-file error below header_size bytes. `kind` is the
    // word of the messages ("skeleton" or "sgeo").
    model_file_c(const char *name, size_t header_size, const char *kind);

    [[noreturn]] void invalid() const;
    // Refuses the file unless it starts with magic and version 1.
    void expect_magic(const char magic[4]) const;
    // Refuses the file unless its length is exactly header + the sum of count * size over
    // the given arrays.
    void expect_length(uint64_t header, std::initializer_list<std::pair<uint64_t, uint64_t>> arrays) const;
    uint32_t u32(size_t offset) const;
    // The steps both geometry files share: magic and version 1, the three counts (vertices,
    // faces, then tags or locators) and the exact length; at most GEO_MAX_VERTICES vertices.
    void expect_geometry(const char magic[4], size_t vertex_size, size_t tail_size, uint32_t counts[3]) const;

    // A heap copy of `count` records of T starting at `offset` (checked against the length
    // beforehand). Zero records still give a block, so "loaded" never means a null array.
    template <class T> std::unique_ptr<T[]> copy_array(size_t offset, size_t count) const
    {
        std::unique_ptr<T[]> out(new T[count ? count : 1]);
        if (count)
            std::memcpy(static_cast<void *>(out.get()), m_image.data() + offset, sizeof(T) * count);
        return out;
    }

private:
    std::string m_name;
    std::string m_kind;
    std::vector<uint8_t> m_image;
};
