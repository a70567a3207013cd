// A root with a Direct3D service on the recording backend and a texture manager, in a private
// working directory whose data/ holds the game's templates and whatever a test puts there.
#pragma once

#include "../d3d/d3d_fixture.h"
#include "../resources/test_manager.h" // child_count
#include "kernel/scripts.h"
#include "services/manager_texture.h"
#include "services/manager_texture_files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

class texture_fixture : public d3d_fixture
{
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "textures_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        std::filesystem::current_path(m_dir);
        std::filesystem::create_directories(m_dir / "data/scripts");
        std::filesystem::copy_file(std::filesystem::path(ENGINE_SOURCE_DIR) / "data/scripts/templates.isc",
                                   m_dir / "data/scripts/templates.isc");
        m_scripts = std::make_unique<scripts_c>();
        m_scripts->execute_script("scripts/templates.isc", nullptr, 1);
        d3d_fixture::SetUp();
    }
    void TearDown() override
    {
        d3d_fixture::TearDown();
        m_scripts.reset();
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // Starts the service (after any change to the recording adapter) and makes the manager.
    void start_manager(const d3d_settings_s &s = d3d_settings_s())
    {
        start(s);
        mgr = new manager_texture_c(root, nullptr);
    }

    void put(const std::string &name, const std::vector<uint8_t> &bytes)
    {
        const std::filesystem::path path = m_dir / "data" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
    }

    // Copies a file of the source tree into the data directory.
    void put_source(const char *source, const char *name)
    {
        std::ifstream in(std::filesystem::path(ENGINE_SOURCE_DIR) / source, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string bytes = text.str();
        ASSERT_FALSE(bytes.empty()) << source;
        put(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    // As a handle loads: mgr_load_res to the manager.
    texture_resource_c *load(const char *name, int prm = 0)
    {
        abstract_c *res = nullptr;
        mgr->message(MSG_VAR(mgr_load_res), 0, nullptr, MSG_ARG((void *)&res), MSG_ARG(name), MSG_ARG(prm),
                     MSG_ARGS_END);
        return dynamic_cast<texture_resource_c *>(res);
    }
    static std::string thrown(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const exception_c &e) {
            return e.get_message();
        }
        return "";
    }
    static int attr(abstract_c *res, const char *name) { return res->attribute(name)->get_int(); }
    static IDirect3DTexture8 *handle(abstract_c *res)
    {
        return static_cast<IDirect3DTexture8 *>(res->attribute("handle")->get_ptr());
    }
    // A 32-bit texel of a level.
    static uint32_t texel(IDirect3DTexture8 *t, UINT level, UINT x, UINT y)
    {
        const IDirect3DTexture8::level_s &l = t->level(level);
        uint32_t c;
        std::memcpy(&c, l.bits.data() + (size_t)y * l.pitch + (size_t)x * 4, 4);
        return c;
    }
    void tick(float t) { root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(t), MSG_ARG(0.01f), MSG_ARGS_END); }

    std::filesystem::path m_dir, m_previous;
    std::unique_ptr<scripts_c> m_scripts;
    manager_texture_c *mgr = nullptr;
};
