// What the image harnesses check of a decoded bitmap.
#pragma once

#include "fuzz/fuzz_support.h"
#include "importers/bitmap.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void image_fault(const char *what)
{
    std::fprintf(stderr, "image: %s\n", what);
    std::abort();
}

// A refused image must be invalid and empty; an accepted one is read whole.
inline void check_image(const bitmap_c &image, bool accepted)
{
    if (!accepted) {
        if (image.valid() || image.pixels() || image.size())
            image_fault("a refused image is left valid");
        return;
    }
    if (!image.valid() || image.width() < 1 || image.height() < 1)
        image_fault("an accepted image is not valid");
    if (size_t(image.stride()) != size_t(image.width()) * size_t(image.bytes_per_pixel()))
        image_fault("the stride is not width x bytes per pixel");
    unsigned sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const unsigned char *row = image.row(y);
        for (int x = 0; x < image.stride(); ++x)
            sum += row[x];
    }
    if (!image.has_alpha()) {
        bitmap_c canvas;
        if (!canvas.create(16, 16, 0, 0))
            image_fault("no canvas");
        canvas.copy_rect(image, 0, 0, image.width() / 2 - 8, image.height() / 2 - 8, 16, 16);
        canvas.copy_rect(image, -3, 5, 0, 0, image.width(), image.height());
    }
    fuzz::keep(sum);
}

} // namespace fuzz
