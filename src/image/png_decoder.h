// PNG decoder: 8-bit (and unpacked 1/2/4-bit) non-interlaced images of every colour type.
#pragma once
#include <cstddef>
#include <cstdint>

#include "image/image_data.h"
#include "image/image_refusal.h"

// IHDR's fields as stored, before the decoder judges any of them.
struct PngIhdr {
    uint32_t width;
    uint32_t height;
    unsigned bitDepth;
    unsigned colourType;   // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    unsigned compression;
    unsigned filter;
    unsigned interlace;    // 0 none, 1 Adam7
};

// The IHDR at the place every PNG keeps it, the first chunk. PNG_NO_SIGNATURE for
// other bytes, PNG_CHUNK_CUT when the file ends inside it, PNG_IHDR_NOT_FIRST or
// PNG_IHDR_LENGTH (shorter than 13 bytes). `out` changes only on success.
ImageRefusal ReadPngIhdr(const unsigned char* data, size_t size, PngIhdr& out);

// How the chunk list after the signature runs: the IDAT chunks in it, and whether it
// ends before IEND or inside a chunk (a chunk's CRC included).
struct PngChunkList {
    uint32_t idatChunks;
    bool cutShort;
};
PngChunkList ListPngChunks(const unsigned char* data, size_t size);

// Reads and decodes the file. A file that is not a PNG fails at the signature
// (PNG_NO_SIGNATURE) and leaves `out` untouched, so the BMP reader can take the same record.
ImageRefusal LoadPng(ImageData& out, const char* path);

ImageRefusal DecodePng(ImageData& out, const unsigned char* data, uint32_t size);

// The same decode, each row handed to `sink` as soon as it is rebuilt, top row
// first, rather than gathered into an image.
ImageRefusal DecodePngRows(const unsigned char* data, uint32_t size, ImageRowSink& sink);

unsigned char PaethPredictor(unsigned char left, unsigned char up, unsigned char upLeft);
