// Image writers for quorvel-tool and the tests: PNG with our own small
// deflate (stored or fixed-Huffman blocks), and 24-bit BMP.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Pixels handed to the writers: rows top row first, `components` bytes per
// pixel (1 grey, 2 grey + alpha, 3 RGB, 4 RGBA), rows packed without padding.
struct RawImage {
    int32_t width;
    int32_t height;
    unsigned components;
    const unsigned char* pixels;
};

enum DeflateMode {
    DEFLATE_STORED,        // no compression: stored blocks only
    DEFLATE_FIXED_HUFFMAN  // repeated strings found and coded with the fixed codes
};

uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const unsigned char* data, size_t size, uint32_t adler = 1);

// A zlib stream (header, deflate blocks, Adler-32) holding `data`.
std::vector<unsigned char> CompressZlib(const unsigned char* data, size_t size, DeflateMode mode);

// Whole files in memory; empty when the image is unusable (no pixels, a size
// of 0 or beyond what the format holds, a component count the format lacks).
std::vector<unsigned char> EncodePng(const RawImage& image, DeflateMode mode = DEFLATE_FIXED_HUFFMAN);
// BMP takes RGB only (3 components): 24 bits per pixel, bottom row first.
std::vector<unsigned char> EncodeBmp(const RawImage& image);

bool WriteFileBytes(const char* path, const std::vector<unsigned char>& bytes);
