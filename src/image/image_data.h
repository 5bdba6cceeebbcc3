// ImageData: the record every image reader fills and every image user consumes.
#pragma once
#include <cstddef>
#include <cstdint>

// Pixel formats, by the GL enum values they are handed to GL with.
const uint32_t IMAGE_FORMAT_LUMINANCE = 6409;        // 1 component
const uint32_t IMAGE_FORMAT_LUMINANCE_ALPHA = 6410;  // 2 components
const uint32_t IMAGE_FORMAT_RGB = 6407;              // 3 components
const uint32_t IMAGE_FORMAT_RGBA = 6408;             // 4 components

// The largest side of any image the game reads: 8192 x 8192 at four bytes a
// pixel is 256 MiB, far beyond any labyrinth or texture, and it keeps a small
// crafted file from asking for gigabytes.
const int32_t MAX_IMAGE_SIDE = 8192;

// Rows run bottom row first; each row is width * components bytes padded to a
// multiple of 4 (GL's default unpack alignment). The reader that succeeds hands
// `pixels` to the caller, who releases it with FreeImage.
struct ImageData {
    int32_t width;
    int32_t height;
    uint32_t format;
    uint8_t components;
    unsigned char* pixels;
};

// Bytes from one row's start to the next; 0 when width * components is out of range.
size_t ImageRowStride(int32_t width, unsigned components);

// Format enum for a component count of 1 to 4 (0 for anything else).
uint32_t ImageFormatForComponents(unsigned components);

// Allocates a pixel buffer without throwing; null on failure or a size of 0.
unsigned char* AllocatePixels(size_t size);

void FreeImage(ImageData& image);

// Reads a whole file (opened as raw bytes) into a new buffer for a reader to
// decode. False for a null or empty path, a file that cannot be opened, read
// or measured, an empty one, or one longer than `maxBytes`; then `data` is
// left as it was. The caller releases `data` with delete[].
bool ReadImageFile(const char* path, size_t maxBytes, unsigned char*& data, size_t& size);
