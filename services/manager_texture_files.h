// The three kinds of texture data behind a texture name (services/manager_texture.h).
//
// texture_data_c holds the device texture of one name (released on shutdown, or when its
// construction fails). bitmap_texture_data_c reads an image through bitmap_c and converts it
// with its mip chain; dds_texture_data_c reads "<name>.dds" (alphablended only for the
// uncompressed formats with alpha: A8R8G8B8, A1R5G5B5, A4R4G4B4, A8R3G3B2); mpeg_texture_data_c
// plays "<name>.m1v" into an X8R8G8B8 texture of the video's size, one level. A video needs
// the device to take X8R8G8B8 textures: "To use video textures 3D adapter must support 32 bit
// alpha-rgb textures (D3DFMT_X8R8G8B8)" otherwise.
//
// A video data entry handles, after the data-entry messages: tick (the pacing of
// services/video_pacing.h on the first argument, seconds since start; answered 0 so the tick
// goes on), texture_mpeg_pause (INT: non-zero holds the picture; answered) and
// texture_mpeg_restart (the reader and the clock start again; answered). On every tick once
// its video has ended it sends video_finished to the root (flags 0, itself as sender). Its
// resource entry passes the last two messages on to it.
#pragma once

#include "services/manager_texture.h"
#include "services/video_pacing.h"

#include <memory>

class texture_data_c : public data_entity_c
{
public:
    texture_data_c(manager_texture_c *manager, const char *template_name, const char *name);
    ~texture_data_c() override;
    void on_shutdown() override;

    const texture_info &info() const { return m_info; }

protected:
    manager_texture_c *m_manager;
    d3d_service_c *m_d3d;
    texture_info m_info;
};

class bitmap_texture_data_c : public texture_data_c
{
public:
    // prm: the most mip levels (0 or less: all).
    bitmap_texture_data_c(manager_texture_c *manager, const char *name, int prm);
    resource_entity_c *create_resource(int prm) override;
};

class dds_texture_data_c : public texture_data_c
{
public:
    dds_texture_data_c(manager_texture_c *manager, const char *name);
    resource_entity_c *create_resource(int prm) override;
};

class mpeg_texture_data_c : public texture_data_c
{
public:
    mpeg_texture_data_c(manager_texture_c *manager, const char *name);
    // For tests: a video from any reader (the data entry owns it).
    mpeg_texture_data_c(manager_texture_c *manager, const char *name, std::unique_ptr<video_reader_i> reader);
    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    resource_entity_c *create_resource(int prm) override;

    const video_clock_s &clock() const { return m_clock; }

private:
    void open(std::unique_ptr<video_reader_i> reader);
    void step(double now);

    std::unique_ptr<video_reader_i> m_reader;
    video_clock_s m_clock;
};

class mpeg_texture_resource_c : public texture_resource_c
{
public:
    mpeg_texture_resource_c(manager_texture_c *manager, mpeg_texture_data_c *data);
    int handle_message(const msg_c *message, abstract_c *sender) override;
};
