// libFuzzer target for DecodePng: any input must fail cleanly or give a record whose
// whole pixel buffer (stride x height) is there to read. The row-by-row decode of
// the same bytes must agree with it: the same outcome (the same refusal) and the
// same rows, each once.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/image_data.h"
#include "image/image_inspect.h"
#include "image/png_decoder.h"

namespace {

struct RowCopies : ImageRowSink {
    int32_t width = 0, height = 0;
    unsigned components = 0;
    std::vector<std::vector<unsigned char>> rows;
    std::vector<bool> seen;

    bool Begin(int32_t w, int32_t h, unsigned c) override
    {
        if (w <= 0 || h <= 0 || c < 1 || c > 4) __builtin_trap();
        width = w;
        height = h;
        components = c;
        rows.assign(size_t(h), {});
        seen.assign(size_t(h), false);
        return true;
    }
    void Row(int32_t row, const unsigned char* pixels) override
    {
        if (row < 0 || row >= height || seen[size_t(row)]) __builtin_trap();
        seen[size_t(row)] = true;
        rows[size_t(row)].assign(pixels, pixels + size_t(width) * components);
    }
};

void ExpectSameRows(const ImageData& image, ImageRefusal refusal, const unsigned char* data, size_t size)
{
    RowCopies copies;
    if (DecodePngRows(data, uint32_t(size), copies) != refusal) __builtin_trap();
    if (refusal != ImageRefusal::NONE) return;
    if (copies.width != image.width || copies.height != image.height || copies.components != image.components)
        __builtin_trap();
    const size_t stride = ImageRowStride(image.width, image.components);
    for (int32_t y = 0; y < image.height; ++y) {
        const unsigned char* row = image.pixels + size_t(image.height - 1 - y) * stride;
        const std::vector<unsigned char>& copy = copies.rows[size_t(y)];
        if (!copies.seen[size_t(y)] || std::memcmp(copy.data(), row, copy.size()) != 0) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 22)) return 0;
    unsigned char* copy = new unsigned char[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    ImageData image = {0, 0, 0, 0, nullptr};
    const ImageRefusal refusal = DecodePng(image, copy, uint32_t(size));
    if (refusal == ImageRefusal::NONE) {
        size_t stride = ImageRowStride(image.width, image.components);
        if (!image.pixels || stride == 0 || image.height <= 0 ||
            image.format != ImageFormatForComponents(image.components))
            __builtin_trap();
        unsigned sum = 0;
        size_t bytes = stride * size_t(image.height);
        for (size_t i = 0; i < bytes; i += 61) sum += image.pixels[i];
        sum += image.pixels[bytes - 1];
        (void)sum;
        ExpectSameRows(image, refusal, copy, size);
        FreeImage(image);
    } else if (image.pixels) {
        __builtin_trap();
    } else {
        ExpectSameRows(image, refusal, copy, size);
    }
    // The header inspection quorvel-tool info uses walks the same bytes.
    ImageEncoding encoding;
    InspectImage(copy, size, encoding);
    delete[] copy;
    return 0;
}
