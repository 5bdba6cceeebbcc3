#include "image/image_data.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <new>

size_t ImageRowStride(int32_t width, unsigned components)
{
    if (width <= 0 || components == 0 || components > 4) return 0;
    // Where size_t is 32 bits, a wide enough row does not fit it.
    if (uint64_t(uint32_t(width)) * components > uint64_t(SIZE_MAX - 3)) return 0;
    size_t bytes = size_t(uint32_t(width)) * components;
    return (bytes + 3) & ~size_t(3);
}

uint32_t ImageFormatForComponents(unsigned components)
{
    switch (components) {
    case 1: return IMAGE_FORMAT_LUMINANCE;
    case 2: return IMAGE_FORMAT_LUMINANCE_ALPHA;
    case 3: return IMAGE_FORMAT_RGB;
    case 4: return IMAGE_FORMAT_RGBA;
    default: return 0;
    }
}

unsigned char* AllocatePixels(size_t size)
{
    if (size == 0) return nullptr;
    return new (std::nothrow) unsigned char[size];
}

void FreeImage(ImageData& image)
{
    delete[] image.pixels;
    image.pixels = nullptr;
}

bool ReadImageFile(const char* path, size_t maxBytes, unsigned char*& data, size_t& size)
{
    if (path == nullptr || path[0] == '\0') return false;
    std::FILE* file = PlatformOpenFile(path, "rb");
    if (file == nullptr) return false;
    // Some systems report a huge length for a directory opened as a file; the
    // limit keeps us from trying to allocate that.
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    unsigned char* buffer = nullptr;
    if (length > 0 && (unsigned long)length <= maxBytes && std::fseek(file, 0, SEEK_SET) == 0) {
        buffer = new (std::nothrow) unsigned char[size_t(length)];
        if (buffer && std::fread(buffer, 1, size_t(length), file) != size_t(length)) {
            delete[] buffer;
            buffer = nullptr;
        }
    }
    std::fclose(file);
    if (buffer == nullptr) return false;
    data = buffer;
    size = size_t(length);
    return true;
}

bool SendImageRows(const ImageData& image, ImageRowSink& sink)
{
    if (!sink.Begin(image.width, image.height, image.components)) return false;
    const size_t stride = ImageRowStride(image.width, image.components);
    for (int32_t y = 0; y < image.height; ++y) sink.Row(image.height - 1 - y, image.pixels + size_t(y) * stride);
    return true;
}
