// Windows bitmap reader: 1, 2, 4, 8 and 24 bits per pixel, uncompressed, RLE8 and RLE4.
#pragma once
#include <cstddef>
#include <cstdint>

#include "image/image_data.h"
#include "image/image_refusal.h"

// The header fields as the file stores them, before the reader judges any of them.
// The old 12-byte core header has only the sides and the bit count (16-bit each).
struct BmpHeader {
    uint32_t infoHeaderBytes;
    int32_t width;            // sign included
    int32_t height;           // negative: rows stored top row first
    unsigned bitCount;
    uint32_t compression;     // 0 none, 1 RLE8, 2 RLE4, 3 bit fields, 4 JPEG, 5 PNG
    uint32_t coloursUsed;     // 0: as many as the bit count can index
    uint32_t pixelOffset;
    bool fieldsCut;           // the file ends after the sides: the fields above them are 0
};

// Refuses only bytes with no header to describe: no "BM" (BMP_NO_SIGNATURE), an end
// before the sides (BMP_HEADER_CUT), an info header too short for them
// (BMP_INFO_HEADER_SIZE). `out` changes only on success.
ImageRefusal ReadBmpHeader(const unsigned char* data, size_t size, BmpHeader& out);

// Reads the file into `out` as 8-bit RGB. On failure `out` is left as it was.
ImageRefusal LoadBmp(ImageData& out, const char* path);

// The same, from a whole file held in memory.
ImageRefusal DecodeBmp(ImageData& out, const unsigned char* data, size_t size);

// The same image handed to `sink` row by row, as ImageRowSink describes. Uncompressed
// rows go as they are read, through one row of memory, or for a sink that takes a
// 24-bit image blue first straight from the file; run-length images are decoded
// whole first, since their codes may write the rows in any order.
ImageRefusal DecodeBmpRows(const unsigned char* data, size_t size, ImageRowSink& sink);
