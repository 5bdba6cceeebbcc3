#include "image/image_inspect.h"

#include <cstring>

static uint32_t U32Le(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static uint32_t U32Be(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// File header (14 bytes), then the info header, whose first field is its own
// size. The old 12-byte core header has 16-bit sizes and 3-byte table entries.
static bool InspectBmp(const unsigned char* data, size_t size, ImageEncoding& e)
{
    const size_t FILE_HEADER_BYTES = 14;
    if (size < FILE_HEADER_BYTES + 4) return false;
    e.infoHeaderBytes = U32Le(data + 14);
    if (e.infoHeaderBytes == 12) {
        if (size < FILE_HEADER_BYTES + 12) return false;
        e.width = int32_t(data[18] | data[19] << 8);
        e.height = int32_t(data[20] | data[21] << 8);
        e.bitsPerPixel = unsigned(data[24] | data[25] << 8);
        e.compression = 0;
        e.colourTableEntries = e.bitsPerPixel <= 8 ? 1u << e.bitsPerPixel : 0;
        e.topDown = false;
        return true;
    }
    if (e.infoHeaderBytes < 40 || size < FILE_HEADER_BYTES + 40) return false;
    e.width = int32_t(U32Le(data + 18));
    e.height = int32_t(U32Le(data + 22));
    e.bitsPerPixel = unsigned(data[28] | data[29] << 8);
    e.compression = U32Le(data + 30);
    const uint32_t used = U32Le(data + 46);
    e.colourTableEntries = used != 0 ? used : e.bitsPerPixel <= 8 ? 1u << e.bitsPerPixel : 0;
    e.topDown = e.height < 0;
    return true;
}

// Chunks: length (big-endian), type, data, CRC. IHDR must come first; the
// walk counts IDAT chunks and stops at IEND or at the first chunk that does
// not fit in the file.
static bool InspectPng(const unsigned char* data, size_t size, ImageEncoding& e)
{
    size_t at = 8;
    if (size < at + 8 + 13 || std::memcmp(data + at + 4, "IHDR", 4) != 0 || U32Be(data + at) < 13) return false;
    const unsigned char* ihdr = data + at + 8;
    e.width = int32_t(U32Be(ihdr));
    e.height = int32_t(U32Be(ihdr + 4));
    e.bitDepth = ihdr[8];
    e.colourType = ihdr[9];
    e.interlace = ihdr[12];
    e.idatChunks = 0;
    e.chunksCutShort = true;
    while (size - at >= 12) {
        const uint32_t length = U32Be(data + at);
        if (length > size - at - 12) break;
        const unsigned char* type = data + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) ++e.idatChunks;
        at += 12 + size_t(length);
        if (std::memcmp(type, "IEND", 4) == 0) {
            e.chunksCutShort = false;
            break;
        }
    }
    return true;
}

bool InspectImage(const unsigned char* data, size_t size, ImageEncoding& out)
{
    static const unsigned char PNG_START[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (data == nullptr) return false;
    ImageEncoding e = {};
    bool known = false;
    if (size >= sizeof PNG_START && std::memcmp(data, PNG_START, sizeof PNG_START) == 0) {
        e.container = IMAGE_CONTAINER_PNG;
        known = InspectPng(data, size, e);
    } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        e.container = IMAGE_CONTAINER_BMP;
        known = InspectBmp(data, size, e);
    }
    if (known) out = e;
    return known;
}

const char* BmpCompressionName(uint32_t compression)
{
    static const char* const NAMES[] = {"none", "RLE8", "RLE4", "bit fields", "JPEG", "PNG"};
    return compression < sizeof NAMES / sizeof NAMES[0] ? NAMES[compression] : "unknown";
}

const char* PngColourTypeName(unsigned colourType)
{
    switch (colourType) {
    case 0: return "grey";
    case 2: return "RGB";
    case 3: return "palette";
    case 4: return "grey + alpha";
    case 6: return "RGBA";
    }
    return "unknown";
}
