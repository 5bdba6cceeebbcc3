// Inputs for the benchmark, made at run time so every run measures the same data.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

Bytes MakeTextLike(size_t size, uint32_t seed);
Bytes MakeBinaryLike(size_t size, uint32_t seed);
Bytes MakeImageLike(size_t size, uint32_t seed);

// A zlib stream of `data` written by zlib at `level`.
Bytes ZlibCompress(const Bytes& data, int level);

// Pixels, top row first, packed: smooth shapes with a little noise, like a texture.
Bytes MakePixels(int width, int height, int components, uint32_t seed);

// A PNG written by libpng. colourType as in PNG (0, 2, 3, 4, 6); filter is a
// PNG_FILTER_* mask (PNG_ALL_FILTERS lets libpng choose per row).
Bytes WritePngWithLibpng(int width, int height, int colourType, int filters, uint32_t seed);

// The concatenated IDAT data of a PNG file (its zlib stream).
Bytes ExtractIdat(const Bytes& png);

// Uncompressed bottom-up BMP of 24 or 8 bits per pixel.
Bytes MakeBmp(int width, int height, int bitCount, uint32_t seed);

// A maze picture in the colours of the benchmark palette (see MazePalette).
// With `goal`, its far corner is a goal cell.
Bytes MakeMazePng(int width, int height, uint32_t seed, bool goal = false);
// The same maze as a 24-bit BMP.
Bytes MakeMazeBmp(int width, int height, uint32_t seed);
std::string MazePalette();

Bytes ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const Bytes& bytes);

// Deflate streams made to be slow to decode rather than typical: many tiny blocks
// with tables of their own, the longest codes, the longest matches, and codes that
// leave part of their table unused. zlib decodes each of them to outSize bytes.
struct HostileStream {
    std::string name;
    Bytes stream;
    size_t outSize;
};
std::vector<HostileStream> MakeHostileStreams(bool quick);
