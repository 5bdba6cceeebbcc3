// libFuzzer target: the BMP reader on a whole file held in memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/bmp_reader.h"
#include "image/image_inspect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Pictures of more than a million pixels are sound but slow to fill; they
    // only repeat the paths small ones already take.
    if (size >= 26) {
        int64_t width = int32_t(uint32_t(data[18]) | uint32_t(data[19]) << 8 | uint32_t(data[20]) << 16 |
                                uint32_t(data[21]) << 24);
        int64_t height = int32_t(uint32_t(data[22]) | uint32_t(data[23]) << 8 | uint32_t(data[24]) << 16 |
                                 uint32_t(data[25]) << 24);
        if (width < 0) width = -width;
        if (height < 0) height = -height;
        if (width > (1 << 20) || height > (1 << 20) || width * height > (1 << 20)) return 0;
    }
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
