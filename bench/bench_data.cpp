#include "bench_data.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "support/deflate_writer.h"

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

// An uncompressed bottom-up BMP of `pixels` (top row first, in the file's byte order).
static Bytes BmpOf(int width, int height, int bitCount, const Bytes& pixels)
{
    int components = bitCount == 24 ? 3 : 1;
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

Bytes MakeBmp(int width, int height, int bitCount, uint32_t seed)
{
    return BmpOf(width, height, bitCount, MakePixels(width, height, bitCount == 24 ? 3 : 1, seed));
}

std::string MazePalette()
{
    return "w0 0 0\ns255 0 0\ng0 255 0\nf255 255 255\nf150 190 255\nf255 220 150\n";
}

// The maze's RGB pixels, top row first.
static Bytes MazePixels(int width, int height, uint32_t seed, bool goal)
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
    if (goal) {   // green, on a cell with both coordinates odd, an open way along the edges to it
        const size_t x = size_t((width - 2) | 1), y = size_t((height - 2) | 1);
        for (size_t k = 2; k <= x; ++k) std::memset(&pixels[3 * (size_t(width) + k)], 255, 3);
        for (size_t k = 1; k <= y; ++k) std::memset(&pixels[3 * (k * size_t(width) + x)], 255, 3);
        unsigned char* far = &pixels[3 * (y * size_t(width) + x)];
        far[0] = 0;
        far[1] = 255;
        far[2] = 0;
    }
    return pixels;
}

Bytes MakeMazePng(int width, int height, uint32_t seed, bool goal)
{
    return EncodeWithLibpng(width, height, 2, 3, MazePixels(width, height, seed, goal), nullptr, PNG_ALL_FILTERS);
}

Bytes MakeMazeBmp(int width, int height, uint32_t seed)
{
    Bytes pixels = MazePixels(width, height, seed, false);
    for (size_t k = 0; k + 2 < pixels.size(); k += 3) std::swap(pixels[k], pixels[k + 2]);   // BMP keeps BGR
    return BmpOf(width, height, 24, pixels);
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

// ---- hostile deflate streams -------------------------------------------------------

namespace {

// A dynamic block header. The code-length code is one complete code for all 19
// symbols; lengths are run-length coded with repeats and zero runs as an encoder would.
void PutDynamicHeader(BitWriter& w, bool final, const CanonicalCode& lit, const CanonicalCode& dist)
{
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::vector<unsigned> clLengths(19, 4);
    for (unsigned s = 10; s <= 15; ++s) clLengths[s] = 5;  // 13 codes of 4 bits, 6 of 5
    CanonicalCode cl(clLengths);
    w.Bits(final ? 5 : 4, 3);
    w.Bits(unsigned(lit.lengths.size()) - 257, 5);
    w.Bits(unsigned(dist.lengths.size()) - 1, 5);
    w.Bits(15, 4);
    for (unsigned s : order) w.Bits(clLengths[s], 3);
    std::vector<unsigned> all = lit.lengths;
    all.insert(all.end(), dist.lengths.begin(), dist.lengths.end());
    for (size_t i = 0; i < all.size();) {
        size_t run = 1;
        while (i + run < all.size() && all[i + run] == all[i]) run++;
        size_t left = run;
        if (all[i] == 0) {
            for (; left >= 11; left -= std::min<size_t>(left, 138)) {
                cl.Put(w, 18);
                w.Bits(unsigned(std::min<size_t>(left, 138) - 11), 7);
            }
            if (left >= 3) {
                cl.Put(w, 17);
                w.Bits(unsigned(left - 3), 3);
                left = 0;
            }
            for (; left > 0; --left) cl.Put(w, 0);
        } else {
            cl.Put(w, all[i]);
            for (left--; left >= 3; left -= std::min<size_t>(left, 6)) {
                cl.Put(w, 16);
                w.Bits(unsigned(std::min<size_t>(left, 6) - 3), 2);
            }
            for (; left > 0; --left) cl.Put(w, all[i]);
        }
        i += run;
    }
}

// Every literal/length symbol: 226 codes of 8 bits and 60 of 9; every distance
// symbol: 2 codes of 4 bits and 28 of 5.
CanonicalCode FullLiteralCode()
{
    std::vector<unsigned> lengths(286, 9);
    for (unsigned s = 0; s < 226; ++s) lengths[s] = 8;
    return CanonicalCode(lengths);
}

CanonicalCode FullDistanceCode()
{
    std::vector<unsigned> lengths(30, 5);
    lengths[0] = lengths[1] = 4;
    return CanonicalCode(lengths);
}

// A PNG of one grey pixel could carry this: empty dynamic blocks, each with its own
// code, before the final block that holds the row.
HostileStream EmptyDynamicBlocks(unsigned blocks)
{
    std::vector<unsigned> litLengths(257, 0);
    litLengths[0] = litLengths[256] = 1;
    CanonicalCode lit(litLengths), dist(std::vector<unsigned>{1});
    BitWriter w;
    for (unsigned b = 0; b < blocks; ++b) {
        PutDynamicHeader(w, false, lit, dist);
        lit.Put(w, 256);
    }
    w.Bits(3, 3);  // final fixed block: filter byte 0, grey 128, end of block
    w.Literal(0);
    w.Literal(128);
    w.Code(0, 7);
    return {"hostile: " + std::to_string(blocks) + " empty dynamic blocks", Zlib(w.bytes), 2};
}

// Blocks of eight bytes, each defining every code: table building dominates.
HostileStream SmallFullBlocks(unsigned blocks, uint32_t seed)
{
    CanonicalCode lit = FullLiteralCode(), dist = FullDistanceCode();
    BitWriter w;
    uint32_t state = seed | 1;
    for (unsigned b = 0; b < blocks; ++b) {
        PutDynamicHeader(w, b + 1 == blocks, lit, dist);
        for (int i = 0; i < 5; ++i) lit.Put(w, Next(state) & 0xFF);
        PutMatch(w, lit, dist, 3, 1 + Next(state) % 5);
        lit.Put(w, 256);
    }
    return {"hostile: " + std::to_string(blocks) + " 8-byte dynamic blocks", Zlib(w.bytes), size_t(blocks) * 8};
}

// Codes of 10 to 15 bits for nearly every symbol met, literal, length and distance alike.
HostileStream DeepestCodes(size_t outSize, uint32_t seed)
{
    std::vector<unsigned> litLengths(286, 0), distLengths(16, 0);
    for (unsigned i = 0; i < 13; ++i) litLengths['a' + i] = i + 1;
    litLengths[257] = 14;
    litLengths[285] = 15;
    litLengths[256] = 15;
    for (unsigned i = 0; i < 14; ++i) distLengths[i] = i + 1;
    distLengths[14] = distLengths[15] = 15;
    CanonicalCode lit(litLengths), dist(distLengths);
    BitWriter w;
    uint32_t state = seed | 1;
    size_t produced = 0;
    while (produced < outSize) {
        size_t blockEnd = std::min(outSize, produced + 65536);
        PutDynamicHeader(w, blockEnd == outSize, lit, dist);
        while (produced < blockEnd) {
            uint32_t r = Next(state);
            if (produced < 300 || r % 10 < 7 || blockEnd - produced < 258) {
                lit.Put(w, 'a' + 9 + (r >> 8) % 4);
                produced++;
            } else {
                unsigned length = (r >> 8) & 1 ? 258 : 3;
                unsigned distance = DISTANCE_BASES[10 + (r >> 9) % 6] + (r >> 12) % 4;
                PutMatch(w, lit, dist, length, distance);
                produced += length;
            }
        }
        lit.Put(w, 256);
    }
    return {"hostile: deepest codes", Zlib(w.bytes), produced};
}

// One fixed block of 32 KiB of noise and then matches of 258 bytes only, at distances
// from 1 (a run of one byte) to 32768, overlapping and not.
HostileStream LongestMatches(size_t outSize, uint32_t seed)
{
    static const unsigned distances[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 31, 32, 33, 100, 258, 1000, 32768};
    std::vector<unsigned> fixedLit(288, 8), fixedDist(30, 5);
    for (unsigned s = 144; s < 256; ++s) fixedLit[s] = 9;
    for (unsigned s = 256; s < 280; ++s) fixedLit[s] = 7;
    CanonicalCode lit(fixedLit), dist(fixedDist);
    BitWriter w;
    w.Bits(3, 3);
    uint32_t state = seed | 1;
    size_t produced = 0;
    for (; produced < 32768; ++produced) lit.Put(w, Next(state) & 0xFF);
    for (; produced + 258 <= outSize; produced += 258) {
        uint32_t r = Next(state);
        unsigned distance = r % 4 == 0 ? 1 + (r >> 8) % 32768 : distances[(r >> 8) % 19];
        PutMatch(w, lit, dist, 258, distance);
    }
    lit.Put(w, 256);
    return {"hostile: longest matches", Zlib(w.bytes), produced};
}

// Blocks whose distance code is a single one-bit code, so half the distance table is
// left unused; the one distance changes from block to block, near and far.
HostileStream SingleDistanceCodes(size_t outSize, uint32_t seed)
{
    static const unsigned symbols[] = {0, 5, 12, 29};
    CanonicalCode lit = FullLiteralCode();
    BitWriter w;
    uint32_t state = seed | 1;
    size_t produced = 0;
    for (unsigned block = 0; produced < outSize; ++block) {
        unsigned symbol = symbols[block % 4];
        std::vector<unsigned> distLengths(symbol + 1, 0);
        distLengths[symbol] = 1;
        CanonicalCode dist(distLengths);
        size_t blockEnd = std::min(outSize, produced + 16384);
        PutDynamicHeader(w, blockEnd == outSize, lit, dist);
        while (produced < blockEnd) {
            uint32_t r = Next(state);
            unsigned distance = DISTANCE_BASES[symbol] + (r >> 12) % (1u << DISTANCE_EXTRAS[symbol]);
            if (produced < 32768 || r % 3 == 0 || blockEnd - produced < 258) {
                lit.Put(w, (r >> 4) & 0xFF);
                produced++;
            } else {
                unsigned length = 3 + (r >> 4) % 256;
                PutMatch(w, lit, dist, length, distance);
                produced += length;
            }
        }
        lit.Put(w, 256);
    }
    return {"hostile: single-code distance tables", Zlib(w.bytes), produced};
}

// zlib's uncompress wants the Adler-32 trailer; its raw inflate yields the bytes to sum.
void AddTrailer(HostileStream& h)
{
    Bytes out(h.outSize);
    z_stream zs = {};
    inflateInit2(&zs, -15);
    zs.next_in = h.stream.data() + 2;
    zs.avail_in = uInt(h.stream.size() - 2);
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    bool ended = inflate(&zs, Z_FINISH) == Z_STREAM_END && zs.total_out == h.outSize;
    inflateEnd(&zs);
    if (!ended) h.name += " (REFUSED BY ZLIB)";
    uLong sum = adler32(adler32(0, nullptr, 0), out.data(), uInt(out.size()));
    for (int shift = 24; shift >= 0; shift -= 8) h.stream.push_back((unsigned char)(sum >> shift));
}

}  // namespace

std::vector<HostileStream> MakeHostileStreams(bool quick)
{
    std::vector<HostileStream> streams;
    streams.push_back(EmptyDynamicBlocks(quick ? 2000 : 900000));
    streams.push_back(SmallFullBlocks(quick ? 500 : 60000, 31));
    streams.push_back(DeepestCodes(quick ? size_t(1) << 18 : size_t(8) << 20, 32));
    streams.push_back(LongestMatches(quick ? size_t(1) << 18 : size_t(16) << 20, 33));
    streams.push_back(SingleDistanceCodes(quick ? size_t(1) << 18 : size_t(8) << 20, 34));
    for (HostileStream& h : streams) AddTrailer(h);
    return streams;
}
