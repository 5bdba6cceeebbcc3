#include "image/image_reader.h"

#include <cstdint>
#include <cstring>

#include "image/bmp_reader.h"
#include "image/png_decoder.h"

// The PNG decoder takes 32-bit sizes; no BMP the game accepts comes near it.
static const size_t MAX_IMAGE_FILE_BYTES = 0xFFFFFFFFu;

const char* ImageFailureText(ImageFailure failure)
{
    switch (failure) {
    case IMAGE_READ_OK: return "read";
    case IMAGE_CANNOT_OPEN: return "cannot be opened";
    case IMAGE_NOT_AN_IMAGE: return "not a BMP or PNG image";
    case IMAGE_BAD_PNG: return "damaged or unsupported PNG image";
    case IMAGE_BAD_BMP: return "damaged or unsupported BMP image";
    case IMAGE_TOO_LARGE: return "larger than 8192 x 8192 pixels";
    }
    return "cannot be read";
}

static bool HasUsablePixels(const ImageData& image)
{
    return image.pixels && image.width > 0 && image.height > 0 && image.components >= 1 &&
           image.components <= 4 && ImageFormatForComponents(image.components) == image.format;
}

static uint32_t ReadU32(const unsigned char* p, bool bigEndian)
{
    return bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                     : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// The sides a header claims, looked at before any decoding so the reason can
// be told: PNG's IHDR comes first at a fixed place; a BMP's height may be
// negative (rows stored top down).
static bool ClaimsTooLarge(const unsigned char* data, size_t size, bool png)
{
    const uint32_t limit = uint32_t(MAX_IMAGE_SIDE);
    if (png) return size >= 24 && (ReadU32(data + 16, true) > limit || ReadU32(data + 20, true) > limit);
    // The old 12-byte header has 16-bit sides at other places: the reader refuses it anyway.
    if (size < 26 || ReadU32(data + 14, false) < 40) return false;
    const uint32_t width = ReadU32(data + 18, false);
    const uint32_t height = ReadU32(data + 22, false);
    const uint32_t rows = height > 0x7FFFFFFFu ? 0u - height : height;
    return (width > limit && width <= 0x7FFFFFFFu) || rows > limit;
}

static bool Fail(ImageFailure* failure, ImageFailure why)
{
    if (failure) *failure = why;
    return false;
}

// With a sink, the rows go there and `out` is not filled.
static bool ReadImageTo(ImageData& out, ImageRowSink* sink, const char* path, ImageFailure* failure,
                        const char** readerName)
{
    unsigned char* data = nullptr;
    size_t size = 0;
    if (!ReadImageFile(path, MAX_IMAGE_FILE_BYTES, data, size)) return Fail(failure, IMAGE_CANNOT_OPEN);

    static const unsigned char PNG_START[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    ImageData read = {};
    bool decoded = false;
    ImageFailure refusal = IMAGE_NOT_AN_IMAGE;
    if (size >= sizeof PNG_START && std::memcmp(data, PNG_START, sizeof PNG_START) == 0) {
        if (readerName) *readerName = "PNG";
        refusal = ClaimsTooLarge(data, size, true) ? IMAGE_TOO_LARGE : IMAGE_BAD_PNG;
        if (refusal != IMAGE_TOO_LARGE)
            decoded = sink ? DecodePngRows(data, uint32_t(size), *sink) : DecodePng(read, data, uint32_t(size));
    } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (readerName) *readerName = "BMP";
        refusal = ClaimsTooLarge(data, size, false) ? IMAGE_TOO_LARGE : IMAGE_BAD_BMP;
        if (refusal != IMAGE_TOO_LARGE)
            decoded = sink ? DecodeBmpRows(data, size, *sink) : DecodeBmp(read, data, size);
    }
    delete[] data;
    // What went to a sink its reader's header checks vouched for; a record is checked here.
    if (decoded && !sink && !HasUsablePixels(read)) {
        FreeImage(read);
        decoded = false;
    }
    if (!decoded) return Fail(failure, refusal);
    if (!sink) out = read;
    if (failure) *failure = IMAGE_READ_OK;
    return true;
}

bool ReadImage(ImageData& out, const char* path, ImageFailure* failure, const char** readerName)
{
    return ReadImageTo(out, nullptr, path, failure, readerName);
}

bool ReadImageRows(const char* path, ImageRowSink& sink, ImageFailure* failure)
{
    ImageData unused = {};
    return ReadImageTo(unused, &sink, path, failure, nullptr);
}
