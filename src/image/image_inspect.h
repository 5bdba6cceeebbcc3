// What a BMP or PNG file's headers say about how it is stored, as the readers'
// own header parsers take them in before judging them, so that a file the
// readers refuse can still be described.
#pragma once
#include <cstddef>
#include <cstdint>

enum ImageContainer { IMAGE_CONTAINER_UNKNOWN, IMAGE_CONTAINER_BMP, IMAGE_CONTAINER_PNG };

struct ImageEncoding {
    ImageContainer container;
    int32_t width;             // as the header gives them, sign included (BMP height)
    int32_t height;
    // BMP
    uint32_t infoHeaderBytes;
    unsigned bitsPerPixel;
    uint32_t compression;      // 0 none, 1 RLE8, 2 RLE4, 3 bit fields, 4 JPEG, 5 PNG
    uint32_t colourTableEntries;
    bool topDown;
    // PNG
    unsigned bitDepth;
    unsigned colourType;       // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    unsigned interlace;        // 0 none, 1 Adam7
    uint32_t idatChunks;
    bool chunksCutShort;       // the chunk list ends inside a chunk or before IEND
};

// False when the bytes are neither a BMP nor a PNG, or too short to hold the
// header that says so; `out` changes only on success.
bool InspectImage(const unsigned char* data, size_t size, ImageEncoding& out);

// "none", "RLE8", "RLE4", "bit fields", "JPEG", "PNG" or "unknown".
const char* BmpCompressionName(uint32_t compression);
// "grey", "RGB", "palette", "grey + alpha", "RGBA" or "unknown".
const char* PngColourTypeName(unsigned colourType);
