// A private directory per test with data/ in it, entered for the test's lifetime, and small
// model descriptions that tests write there through the generators and then spoil.
#pragma once

#include "kernel/exception.h"
#include "tests/vaultis/pack_fixture.h"
#include "tools/modelgen/modelgen.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

class model_dir
{
protected:
    model_dir() : m_enter(m_dir.path()) {}

    // Writes data/<name>.
    void put(const std::string &name, const modelgen::bytes &data)
    {
        ASSERT_TRUE(modelgen::write_file((m_dir.path() / "data" / name).string(), data));
    }

    fixture::temp_dir m_dir;
    fixture::in_dir m_enter;
};

class model_fixture : public ::testing::Test, protected model_dir
{
};

// The message of the exception_c that f throws, or nothing when it throws none.
inline std::optional<std::string> error_of(const std::function<void()> &f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return std::nullopt;
}

inline void set_u32(modelgen::bytes &b, size_t offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.at(offset + i) = uint8_t(v >> (8 * i));
}

// Two joints, "root" and its child "arm" one unit up z, in two frames: frame 1 turns the
// root a quarter about z and bends the arm a quarter about x.
inline modelgen::skeleton_desc two_joint_skeleton()
{
    using namespace modelgen;
    const matrix_c arm = translation({0, 0, 1});
    return {{{"root", -1}, {"arm", 0}},
            {{matrix_identity, arm},
             {rotation('z', ENGINE_PI / 2), product(rotation('x', ENGINE_PI / 2), arm)}}};
}

// A strip of two quads with tags "root" and "arm", vertex k bound to tag k % 2.
inline modelgen::skinned_desc two_tag_geometry()
{
    modelgen::skinned_desc d;
    d.vertices = {modelgen::skinned_vertex({0, 0, 0}, {1, 0, 0}, 0.0f, 0.25f, {{0, 1.0f}}),
                  modelgen::skinned_vertex({0, 0, 2}, {1, 0, 0}, 1.0f, 0.25f, {{1, 1.0f}}),
                  modelgen::skinned_vertex({0, 1, 2}, {0, 0, 1}, 1.0f, 1.0f, {{0, 0.5f}, {1, 0.5f}})};
    d.faces = {{{0, 1, 2}}};
    d.tags = {"root", "arm"};
    return d;
}

inline modelgen::static_desc box_with_locators()
{
    modelgen::static_desc d;
    modelgen::add_box(d, {-1, -1, 0}, {1, 1, 2});
    d.locators = {{"top", modelgen::translation({0, 0, 2})}, {"Side", modelgen::translation({1, 0, 1})}};
    return d;
}
