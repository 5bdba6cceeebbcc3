#include "image/image_reader.h"

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
    }
    return "cannot be read";
}

static bool HasUsablePixels(const ImageData& image)
{
    return image.pixels && image.width > 0 && image.height > 0 && image.components >= 1 &&
           image.components <= 4 && ImageFormatForComponents(image.components) == image.format;
}

static bool Fail(ImageFailure* failure, ImageFailure why)
{
    if (failure) *failure = why;
    return false;
}

bool ReadImage(ImageData& out, const char* path, ImageFailure* failure, const char** readerName)
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
        refusal = IMAGE_BAD_PNG;
        decoded = DecodePng(read, data, uint32_t(size));
    } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (readerName) *readerName = "BMP";
        refusal = IMAGE_BAD_BMP;
        decoded = DecodeBmp(read, data, size);
    }
    delete[] data;
    if (!decoded) return Fail(failure, refusal);
    if (!HasUsablePixels(read)) {
        FreeImage(read);
        return Fail(failure, refusal);
    }
    out = read;
    if (failure) *failure = IMAGE_READ_OK;
    return true;
}
