// libFuzzer target for DecodePng: any input must fail cleanly or give a record whose
// whole pixel buffer (stride x height) is there to read.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/image_data.h"
#include "image/image_inspect.h"
#include "image/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 22)) return 0;
    unsigned char* copy = new unsigned char[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    ImageData image = {0, 0, 0, 0, nullptr};
    if (DecodePng(image, copy, uint32_t(size))) {
        size_t stride = ImageRowStride(image.width, image.components);
        if (!image.pixels || stride == 0 || image.height <= 0 ||
            image.format != ImageFormatForComponents(image.components))
            __builtin_trap();
        unsigned sum = 0;
        size_t bytes = stride * size_t(image.height);
        for (size_t i = 0; i < bytes; i += 61) sum += image.pixels[i];
        sum += image.pixels[bytes - 1];
        (void)sum;
        FreeImage(image);
    } else if (image.pixels) {
        __builtin_trap();
    }
    // The header inspection quorvel-tool info uses walks the same bytes.
    ImageEncoding encoding;
    InspectImage(copy, size, encoding);
    delete[] copy;
    return 0;
}
