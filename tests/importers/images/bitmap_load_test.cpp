// bitmap_c::load: choosing the importer by extension, or by which file exists, through the
// file layer under a private data directory.
#include "importers/bitmap.h"
#include "kernel/exception.h"
#include "scratch_dir.h"
#include "tools/imagegen/imagegen.h"

#include <string>
#include <vector>

using bitmap_load = scratch_dir_test;

namespace {

// Each kind has its own width, so the loaded width tells which file was read.
std::vector<uint8_t> bmp_file() { return imagegen::make_bmp(imagegen::picture(1, 1, 0x102030)); }
std::vector<uint8_t> tga_file() { return imagegen::make_tga(imagegen::picture(2, 1, 0x102030), 24); }
std::vector<uint8_t> jpg_file() { return imagegen::make_jpeg(imagegen::picture(8, 8, 0x102030)); }
std::vector<uint8_t> broken_file() { return std::vector<uint8_t>(60, 0x42); }

} // namespace

TEST_F(bitmap_load, ExtensionRules)
{
    struct file {
        const char *name;
        std::vector<uint8_t> (*bytes)();
    };
    struct {
        std::vector<file> files;
        const char *load;
        int width; // 0: load fails
    } cases[] = {
        {{{"sky.bmp", bmp_file}, {"sky.tga", tga_file}, {"sky.jpg", jpg_file}}, "sky", 1},
        {{{"sky.tga", tga_file}, {"sky.jpg", jpg_file}}, "sky", 2},
        {{{"sky.jpg", jpg_file}}, "sky", 8},
        {{{"sky.bmp", broken_file}, {"sky.tga", tga_file}, {"sky.jpg", jpg_file}}, "sky", 0},
        {{{"sky.tga", broken_file}, {"sky.jpg", jpg_file}}, "sky", 0},
        {{{"sky.png", bmp_file}}, "sky", 0},
        {{}, "sky", 0},
        {{{"photo.JPG", jpg_file}}, "photo.JPG", 8},
        {{{"photo.jpeg", jpg_file}}, "photo.jpeg", 0},
        {{{"photo.Tga", tga_file}}, "photo.Tga", 2},
        {{{"photo.bmp", jpg_file}}, "photo.bmp", 0}, // the extension decides the importer
        {{{"pic.old.tga", tga_file}}, "pic.old.tga", 0},
        {{{"textures/wall.bmp", bmp_file}}, "textures/wall", 1},
        {{}, "missing.bmp", 0},
    };
    int n = 0;
    for (const auto &c : cases) {
        // Each case in its own subdirectory so that files of earlier cases stay out of sight.
        const std::string dir = "case" + std::to_string(n++) + "/";
        for (const file &f : c.files)
            put(dir + f.name, f.bytes());
        bitmap_c img;
        ASSERT_TRUE(img.create(3, 3, 0, 0));
        const bool ok = img.load((dir + c.load).c_str());
        EXPECT_EQ(ok, c.width != 0) << dir << c.load;
        EXPECT_EQ(img.valid(), ok) << dir << c.load;
        EXPECT_EQ(img.width(), c.width) << dir << c.load;
    }
}

TEST_F(bitmap_load, LoadedPixelsMatchTheFile)
{
    imagegen::picture pic(3, 2, 0x000000);
    pic.set(0, 0, 0xFF0000);
    pic.set(2, 1, 0x0000FF);
    put("img.bmp", imagegen::make_bmp(pic));
    bitmap_c img("img");
    EXPECT_EQ(img.get_pixel(0, 0), 0x0000FFu); // red lands in the low byte
    EXPECT_EQ(img.get_pixel(2, 1), 0xFF0000u);
    EXPECT_EQ(img.get_pixel(1, 0), 0u);
}

TEST_F(bitmap_load, NamesTooLongAreNotFound)
{
    for (size_t length : {280, 508, 511, 600, 5000}) {
        const std::string name(length, 'a');
        bitmap_c img;
        EXPECT_FALSE(img.load(name.c_str())) << length;
        EXPECT_FALSE(img.load((name + ".bmp").c_str())) << length;
    }
}

TEST_F(bitmap_load, LoadOrThrowNamesTheImage)
{
    bitmap_c img;
    try {
        img.load_or_throw("nothing");
        FAIL() << "no exception";
    } catch (const exception_c &e) {
        EXPECT_EQ(e.get_message(), "Could not load 'nothing'");
    }
    EXPECT_THROW(bitmap_c("nothing.tga"), exception_c);
    put("there.tga", tga_file());
    EXPECT_TRUE(img.load_or_throw("there"));
    EXPECT_EQ(img.width(), 2);
}
