#include "bench_data.h"

#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>

static uint32_t Next(uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

Bytes MakeTextLike(size_t size, uint32_t seed)
{
    static const char* const words[] = {
        "the", "labyrinth", "wall", "corridor", "turn", "left", "right", "goal", "start", "of", "and", "a",
        "walks", "player", "through", "light", "fog", "stone", "brick", "floor", "ceiling", "door", "into",
        "quietly", "north", "south", "east", "west", "passage", "dead", "end", "again", "finds", "its", "way"};
    const size_t count = sizeof words / sizeof words[0];
    uint32_t state = seed | 1;
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        // Zipf-like: low word numbers far more often.
        uint32_t r = Next(state) % 1000;
        size_t index = size_t(r * r / 1000) * count / 1000;
        const char* word = words[index % count];
        out.insert(out.end(), word, word + std::strlen(word));
        uint32_t punct = Next(state) % 16;
        out.push_back(punct == 0 ? '.' : punct == 1 ? ',' : ' ');
        if (punct == 0 && Next(state) % 4 == 0) out.push_back('\n');
    }
    out.resize(size);
    return out;
}

Bytes MakeBinaryLike(size_t size, uint32_t seed)
{
    // Records of small integers, repeated tags and some noise, like a save file or an object file.
    uint32_t state = seed | 1;
    Bytes out;
    out.reserve(size);
    uint32_t counter = 0;
    while (out.size() < size) {
        uint32_t kind = Next(state) % 8;
        const unsigned char tag[4] = {0x7F, 'R', 'E', (unsigned char)('0' + kind)};
        out.insert(out.end(), tag, tag + 4);
        counter += Next(state) % 5;
        for (int i = 0; i < 4; ++i) out.push_back((unsigned char)(counter >> (8 * i)));
        uint32_t payload = 4 + Next(state) % 24;
        for (uint32_t i = 0; i < payload; ++i) {
            out.push_back(kind < 3 ? (unsigned char)(Next(state) & 0xFF) : (unsigned char)(i * kind));
        }
    }
    out.resize(size);
    return out;
}

Bytes MakeImageLike(size_t size, uint32_t seed)
{
    // Rows of an RGB image with the PNG Sub filter applied: mostly small values.
    const int width = 1024;
    size_t rowBytes = size_t(width) * 3 + 1;
    int height = int((size + rowBytes - 1) / rowBytes);
    Bytes pixels = MakePixels(width, height, 3, seed);
    Bytes out;
    out.reserve(size_t(height) * rowBytes);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = &pixels[size_t(y) * width * 3];
        out.push_back(1);
        for (int x = 0; x < width * 3; ++x) out.push_back((unsigned char)(row[x] - (x >= 3 ? row[x - 3] : 0)));
    }
    out.resize(size);
    return out;
}

Bytes ZlibCompress(const Bytes& data, int level)
{
    uLongf bound = compressBound(uLong(data.size()));
    Bytes out(bound);
    if (compress2(out.data(), &bound, data.data(), uLong(data.size()), level) != Z_OK) return Bytes();
    out.resize(bound);
    return out;
}

Bytes MakePixels(int width, int height, int components, uint32_t seed)
{
    Bytes pixels(size_t(width) * height * components);
    uint32_t state = seed | 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(size_t(y) * width + x) * components];
            float u = float(x) / float(width), v = float(y) / float(height);
            for (int c = 0; c < components; ++c) {
                float wave = std::sin(u * 12.0f + float(c)) * std::cos(v * 9.0f - float(c)) * 60.0f;
                int value = 128 + int(wave) + int((x / 32 + y / 32) % 2) * 30 + int(Next(state) % 9) - 4;
                p[c] = (unsigned char)(value < 0 ? 0 : value > 255 ? 255 : value);
            }
        }
    }
    return pixels;
}

static void AppendToBytes(png_structp png, png_bytep data, png_size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

static void FlushNothing(png_structp) {}

// Writes packed top-down rows with libpng; palette may be null.
static Bytes EncodeWithLibpng(int width, int height, int colourType, int components, const Bytes& pixels,
                              const png_color* palette, int filters)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Bytes();
    }
    png_set_write_fn(png, &out, AppendToBytes, FlushNothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) png_set_PLTE(png, info, palette, 256);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(&pixels[size_t(y) * width * components]));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes WritePngWithLibpng(int width, int height, int colourType, int filters, uint32_t seed)
{
    int components = colourType == 0 ? 1 : colourType == 2 ? 3 : colourType == 3 ? 1 : colourType == 4 ? 2 : 4;
    Bytes pixels = MakePixels(width, height, components, seed);
    png_color palette[256];
    if (colourType == 3) {
        for (unsigned char& index : pixels) index = (unsigned char)(index / 16 * 16 + (index & 3));
        for (int i = 0; i < 256; ++i) {
            palette[i].red = png_byte(i);
            palette[i].green = png_byte(255 - i);
            palette[i].blue = png_byte((i * 7) & 0xFF);
        }
    }
    return EncodeWithLibpng(width, height, colourType, components, pixels, colourType == 3 ? palette : nullptr,
                            filters);
}

Bytes ExtractIdat(const Bytes& png)
{
    Bytes stream;
    size_t pos = 8;
    while (pos + 12 <= png.size()) {
        uint32_t length = uint32_t(png[pos]) << 24 | uint32_t(png[pos + 1]) << 16 | uint32_t(png[pos + 2]) << 8 |
                          png[pos + 3];
        if (length > png.size() - pos - 12) break;
        if (std::memcmp(&png[pos + 4], "IDAT", 4) == 0) {
            stream.insert(stream.end(), png.begin() + long(pos) + 8, png.begin() + long(pos) + 8 + long(length));
        }
        pos += 12 + size_t(length);
    }
    return stream;
}

static void PutU16(Bytes& out, unsigned value)
{
    out.push_back((unsigned char)(value & 0xFF));
    out.push_back((unsigned char)(value >> 8));
}

static void PutU32(Bytes& out, uint32_t value)
{
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

Bytes MakeBmp(int width, int height, int bitCount, uint32_t seed)
{
    int components = bitCount == 24 ? 3 : 1;
    Bytes pixels = MakePixels(width, height, components, seed);
    size_t stride = (size_t(width) * bitCount / 8 + 3) & ~size_t(3);
    uint32_t tableSize = bitCount == 8 ? 1024 : 0;
    uint32_t offset = 54 + tableSize;
    Bytes out;
    out.reserve(offset + stride * height);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, uint32_t(offset + stride * height));
    PutU32(out, 0);
    PutU32(out, offset);
    PutU32(out, 40);
    PutU32(out, uint32_t(width));
    PutU32(out, uint32_t(height));
    PutU16(out, 1);
    PutU16(out, unsigned(bitCount));
    for (int i = 0; i < 6; ++i) PutU32(out, 0);
    for (uint32_t i = 0; i < tableSize / 4; ++i) {
        out.push_back((unsigned char)i);
        out.push_back((unsigned char)(255 - i));
        out.push_back((unsigned char)(i * 3));
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        const unsigned char* row = &pixels[size_t(y) * width * components];
        size_t start = out.size();
        out.insert(out.end(), row, row + size_t(width) * components);
        out.resize(start + stride, 0);
    }
    return out;
}

std::string MazePalette()
{
    return "w0 0 0\ns255 0 0\ng0 255 0\nf255 255 255\nf150 190 255\nf255 220 150\n";
}

Bytes MakeMazePng(int width, int height, uint32_t seed)
{
    // Walls on a grid with random openings and tinted floors, some colours unlisted.
    static const unsigned char colours[][3] = {{255, 255, 255}, {150, 190, 255}, {255, 220, 150}, {90, 90, 200}};
    uint32_t state = seed | 1;
    Bytes pixels(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(size_t(y) * width + x) * 3];
            bool wall = (x % 2 == 0 && y % 2 == 0) || ((x % 2 == 0 || y % 2 == 0) && Next(state) % 3 == 0);
            const unsigned char* c = colours[(x / 64 + y / 64) % 4];
            if (wall) c = (const unsigned char*)"\0\0\0";
            std::memcpy(p, c, 3);
        }
    }
    pixels[3 * (size_t(1) * width + 1) + 0] = 255;   // start (red)
    pixels[3 * (size_t(1) * width + 1) + 1] = 0;
    pixels[3 * (size_t(1) * width + 1) + 2] = 0;
    return EncodeWithLibpng(width, height, 2, 3, pixels, nullptr, PNG_ALL_FILTERS);
}

Bytes ReadWholeFile(const std::string& path)
{
    Bytes out;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return out;
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.insert(out.end(), buffer, buffer + got);
    std::fclose(file);
    return out;
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
