// Images: the input is a BMP, TGA or JPEG file (one harness per format, chosen by
// FUZZ_IMAGE_FORMAT at build time: 1 BMP, 2 TGA, 3 JPEG), decoded from memory by the importer
// that bitmap_c::load runs for it. A decoded image must be as large as its sizes say: every
// pixel is read, and the image is copied into a small canvas and back.
#include "fuzz/fuzz_image_checks.h"
#include "importers/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bitmap_c image;
#if FUZZ_IMAGE_FORMAT == 1
    const bool ok = image.import_bmp(data, size);
#elif FUZZ_IMAGE_FORMAT == 2
    const bool ok = image.import_tga(data, size);
#elif FUZZ_IMAGE_FORMAT == 3
    const bool ok = image.import_jpg(data, size);
#else
#error "FUZZ_IMAGE_FORMAT must be 1 (BMP), 2 (TGA) or 3 (JPEG)"
#endif
    fuzz::check_image(image, ok);
    return 0;
}
