// libFuzzer target: the BMP reader on a whole file held in memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/bmp_reader.h"
#include "image/image_inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImageData image = {0, 0, 0, 0, nullptr};
    if (DecodeBmp(image, data, size)) {
        if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 || image.components != 3) std::abort();
        // Touch the last byte: the buffer must hold every padded row.
        size_t stride = ImageRowStride(image.width, 3);
        volatile unsigned char last = image.pixels[stride * size_t(image.height) - 1];
        (void)last;
        FreeImage(image);
    }
    // The header inspection quorvel-tool info uses walks the same bytes.
    ImageEncoding encoding;
    InspectImage(data, size, encoding);
    return 0;
}
