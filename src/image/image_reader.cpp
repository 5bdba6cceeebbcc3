#include "image/image_reader.h"

#include <cstdint>

#include "image/bmp_reader.h"
#include "image/png_decoder.h"

// The PNG decoder takes 32-bit sizes; no BMP the game accepts comes near it.
static const size_t MAX_IMAGE_FILE_BYTES = 0xFFFFFFFFu;

static bool HasUsablePixels(const ImageData& image)
{
    return image.pixels && image.width > 0 && image.height > 0 && image.components >= 1 &&
           image.components <= 4 && ImageFormatForComponents(image.components) == image.format;
}

// With a sink, the rows go there and `out` is not filled. Each reader checks its own
// signature first and refuses foreign bytes untouched, so each is simply offered the file.
static ImageRefusal ReadImageTo(ImageData& out, ImageRowSink* sink, const char* path, const char** readerName)
{
    unsigned char* data = nullptr;
    size_t size = 0;
    if (!ReadImageFile(path, MAX_IMAGE_FILE_BYTES, data, size)) return ImageRefusal::CANNOT_OPEN;

    ImageData read = {};
    const char* reader = "PNG";
    ImageRefusal refusal = sink ? DecodePngRows(data, uint32_t(size), *sink) : DecodePng(read, data, uint32_t(size));
    if (refusal == ImageRefusal::PNG_NO_SIGNATURE) {
        reader = "BMP";
        refusal = sink ? DecodeBmpRows(data, size, *sink) : DecodeBmp(read, data, size);
        if (refusal == ImageRefusal::BMP_NO_SIGNATURE) {
            reader = nullptr;
            refusal = ImageRefusal::NOT_AN_IMAGE;
        }
    }
    delete[] data;
    if (reader && readerName) *readerName = reader;
    // What went to a sink its reader's header checks vouched for; a record is checked here.
    if (refusal == ImageRefusal::NONE && !sink && !HasUsablePixels(read)) {
        FreeImage(read);
        refusal = ImageRefusal::UNUSABLE_PIXELS;
    }
    if (refusal == ImageRefusal::NONE && !sink) out = read;
    return refusal;
}

ImageRefusal ReadImage(ImageData& out, const char* path, const char** readerName)
{
    return ReadImageTo(out, nullptr, path, readerName);
}

ImageRefusal ReadImageRows(const char* path, ImageRowSink& sink)
{
    ImageData unused = {};
    return ReadImageTo(unused, &sink, path, nullptr);
}
