#include "labyrinth/image_data.h"

#include <cstdint>
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
