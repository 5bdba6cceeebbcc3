// libFuzzer target: the BMP reader on a whole file held in memory, both ways it reads
// one: into a whole image, and row by row into a sink, which must agree on every row.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/bmp_reader.h"
#include "image/image_inspect.h"

namespace {

// Checks each row handed over against the same row of the whole image.
// With `blueFirst` it also takes a 24-bit file's rows as they lie in the file.
struct RowChecker : ImageRowSink {
    const ImageData* whole = nullptr;
    bool blueFirst = false;
    bool tookBlueFirst = false;
    std::vector<unsigned char> seen;
    int begins = 0;

    bool Begin(int32_t width, int32_t height, unsigned components) override
    {
        if (!whole || width != whole->width || height != whole->height || components != 3) std::abort();
        ++begins;
        seen.assign(size_t(height), 0);
        return true;
    }
    bool BeginBlueFirst(int32_t width, int32_t height) override
    {
        if (!blueFirst) return false;
        tookBlueFirst = Begin(width, height, 3);
        return tookBlueFirst;
    }
    void Row(int32_t row, const unsigned char* pixels) override
    {
        if (row < 0 || row >= whole->height || seen[size_t(row)]++) std::abort();
        const size_t stride = ImageRowStride(whole->width, 3);
        const unsigned char* expected = whole->pixels + size_t(whole->height - 1 - row) * stride;
        for (size_t x = 0; x < size_t(whole->width) * 3; x += 3)
            for (size_t c = 0; c < 3; ++c)
                if (pixels[x + (tookBlueFirst ? 2 - c : c)] != expected[x + c]) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImageData image = {0, 0, 0, 0, nullptr};
    const ImageRefusal refusal = DecodeBmp(image, data, size);
    const bool decoded = refusal == ImageRefusal::NONE;
    RowChecker checker;
    if (decoded) {
        if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 || image.components != 3) std::abort();
        // Touch the last byte: the buffer must hold every padded row.
        size_t stride = ImageRowStride(image.width, 3);
        volatile unsigned char last = image.pixels[stride * size_t(image.height) - 1];
        (void)last;
        checker.whole = &image;
    }
    // Every way refuses a file for the same reason: the checks before any row are shared.
    for (bool blueFirst : {false, true}) {
        checker.blueFirst = blueFirst;
        checker.tookBlueFirst = false;
        checker.begins = 0;
        checker.seen.clear();
        if (DecodeBmpRows(data, size, checker) != refusal || (decoded && checker.begins != 1)) std::abort();
        for (unsigned char times : checker.seen)
            if (times != 1) std::abort();
    }
    FreeImage(image);
    // The header inspection quorvel-tool info uses walks the same bytes.
    ImageEncoding encoding;
    InspectImage(data, size, encoding);
    return 0;
}
