#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "image/bmp_reader.h"
#include "support/refusal_print.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Colours = std::vector<uint32_t>;   // 0xRRGGBB, top row first

// Colour-table entry i of every hand-built file: never black, all 256 distinct.
uint32_t TableColour(unsigned i)
{
    return (((i * 37 + 11) & 255u) << 16) | (((i * 91 + 50) & 255u) << 8) | (255u - i);
}

Colours FromIndices(const std::vector<unsigned>& indices)
{
    Colours colours;
    for (unsigned i : indices) colours.push_back(TableColour(i));
    return colours;
}

void PutU32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = (unsigned char)(v >> (8 * i));
}

struct BmpFile {
    int32_t width = 1;
    int32_t height = 1;
    unsigned bitCount = 8;
    uint32_t compression = 0;
    uint32_t infoSize = 40;
    int tableEntries = -1;        // -1: the full 2^bitCount
    uint32_t coloursUsed = 0;
    size_t gapBytes = 0;          // junk between table and pixels
    int64_t pixelOffset = -1;     // -1: where the pixels really start
    Bytes pixels;
};

Bytes Build(const BmpFile& f)
{
    size_t entries = f.tableEntries >= 0 ? size_t(f.tableEntries)
                     : f.bitCount <= 8   ? size_t(1) << f.bitCount
                                         : 0;
    size_t start = 14 + f.infoSize + 4 * entries + f.gapBytes;
    Bytes b(start, 0xEE);
    std::fill(b.begin(), b.begin() + 14 + f.infoSize, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(b, 10, f.pixelOffset >= 0 ? uint32_t(f.pixelOffset) : uint32_t(start));
    PutU32(b, 14, f.infoSize);
    PutU32(b, 18, uint32_t(f.width));
    PutU32(b, 22, uint32_t(f.height));
    b[26] = 1;
    b[28] = (unsigned char)f.bitCount;
    b[29] = (unsigned char)(f.bitCount >> 8);
    PutU32(b, 30, f.compression);
    PutU32(b, 46, f.coloursUsed);
    for (size_t i = 0; i < entries; ++i) {
        uint32_t c = TableColour(unsigned(i));
        size_t at = 14 + f.infoSize + 4 * i;
        b[at] = (unsigned char)c;
        b[at + 1] = (unsigned char)(c >> 8);
        b[at + 2] = (unsigned char)(c >> 16);
        b[at + 3] = 0;
    }
    b.insert(b.end(), f.pixels.begin(), f.pixels.end());
    PutU32(b, 2, uint32_t(b.size()));
    return b;
}

struct Decoded {
    ImageRefusal refusal = ImageRefusal::NONE;
    bool ok = false;
    int32_t width = 0;
    int32_t height = 0;
    Colours colours;
};

Colours TopRowFirst(const ImageData& image)
{
    size_t stride = (size_t(image.width) * 3 + 3) / 4 * 4;
    Colours colours;
    for (int32_t y = image.height - 1; y >= 0; --y) {
        const unsigned char* row = image.pixels + size_t(y) * stride;
        for (int32_t x = 0; x < image.width; ++x)
            colours.push_back((uint32_t(row[3 * x]) << 16) | (row[3 * x + 1] << 8) | row[3 * x + 2]);
    }
    return colours;
}

// The rows DecodeBmpRows hands over, kept by picture row; a collector that takes
// them blue first gets a 24-bit image's rows so.
struct RowCollector : ImageRowSink {
    bool takesBlueFirst = false;
    bool blueFirst = false;   // the rows of the image begun come blue first
    int begins = 0;
    int32_t width = 0;
    std::vector<Colours> rows;
    std::vector<int> times;  // how often each row came

    bool BeginBlueFirst(int32_t w, int32_t h) override
    {
        if (!takesBlueFirst) return false;
        Begin(w, h, 3);
        blueFirst = true;
        return true;
    }
    bool Begin(int32_t w, int32_t h, unsigned components) override
    {
        EXPECT_EQ(components, 3u);
        blueFirst = false;
        ++begins;
        width = w;
        rows.assign(size_t(h), Colours());
        times.assign(size_t(h), 0);
        return true;
    }
    void Row(int32_t row, const unsigned char* pixels) override
    {
        ASSERT_GE(row, 0);
        ASSERT_LT(size_t(row), rows.size());
        ++times[size_t(row)];
        rows[size_t(row)].clear();
        const unsigned red = blueFirst ? 2 : 0;
        for (int32_t x = 0; x < width; ++x) {
            const unsigned char* p = pixels + 3 * x;
            rows[size_t(row)].push_back((uint32_t(p[red]) << 16) | (p[1] << 8) | p[2 - red]);
        }
    }
};

// Decodes whole and row by row, the rows taken in red-green-blue order and, where the
// file allows, blue first, and expects the same answer and pixels every way, so every
// case below holds for the labyrinth loader's path too.
Decoded Decode(const Bytes& file)
{
    ImageData image = {};
    Decoded d;
    d.refusal = DecodeBmp(image, file.data(), file.size());
    d.ok = d.refusal == ImageRefusal::NONE;
    if (d.ok) {
        EXPECT_EQ(image.format, IMAGE_FORMAT_RGB);
        EXPECT_EQ(image.components, 3);
        d.width = image.width;
        d.height = image.height;
        d.colours = TopRowFirst(image);
        FreeImage(image);
    }
    for (bool takesBlueFirst : {false, true}) {
        const char* how = takesBlueFirst ? "rows taken blue first" : "rows";
        RowCollector collector;
        collector.takesBlueFirst = takesBlueFirst;
        const ImageRefusal rowsRefusal = DecodeBmpRows(file.data(), file.size(), collector);
        EXPECT_EQ(rowsRefusal, d.refusal) << "whole image and " << how << " disagree";
        if (!d.ok || rowsRefusal != ImageRefusal::NONE) continue;
        EXPECT_EQ(collector.begins, 1) << how;
        EXPECT_EQ(collector.width, d.width) << how;
        EXPECT_EQ(collector.rows.size(), size_t(d.height)) << how;
        Colours fromRows;
        for (size_t y = 0; y < collector.rows.size(); ++y) {
            EXPECT_EQ(collector.times[y], 1) << how << ", row " << y;
            fromRows.insert(fromRows.end(), collector.rows[y].begin(), collector.rows[y].end());
        }
        EXPECT_EQ(fromRows, d.colours) << how << " differ from the whole image";
    }
    return d;
}

struct DecodeCase {
    const char* what;
    BmpFile file;
    int32_t width, height;
    Colours expected;
};

void ExpectDecodes(const DecodeCase& c)
{
    Decoded d = Decode(Build(c.file));
    ASSERT_TRUE(d.ok) << c.what;
    EXPECT_EQ(d.width, c.width) << c.what;
    EXPECT_EQ(d.height, c.height) << c.what;
    EXPECT_EQ(d.colours, c.expected) << c.what;
}

BmpFile Direct24(int32_t width, int32_t height, Bytes pixels)
{
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bitCount = 24;
    f.pixels = pixels;
    return f;
}

BmpFile Palettised(unsigned bitCount, int32_t width, int32_t height, Bytes pixels,
                   uint32_t compression = 0)
{
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bitCount = bitCount;
    f.compression = compression;
    f.pixels = pixels;
    return f;
}

BmpFile Rle8(int32_t width, int32_t height, Bytes stream) { return Palettised(8, width, height, stream, 1); }
BmpFile Rle4(int32_t width, int32_t height, Bytes stream) { return Palettised(4, width, height, stream, 2); }

const unsigned F8 = 255;   // fill index of RLE8
const unsigned F4 = 15;    // fill index of RLE4

TEST(ImageData, RowStrideAndFormat)
{
    struct Case { int32_t width; unsigned components; size_t stride; uint32_t format; };
    const Case cases[] = {
        {4, 3, 12, IMAGE_FORMAT_RGB},         {5, 3, 16, IMAGE_FORMAT_RGB},
        {3, 1, 4, IMAGE_FORMAT_LUMINANCE},    {3, 2, 8, IMAGE_FORMAT_LUMINANCE_ALPHA},
        {1, 4, 4, IMAGE_FORMAT_RGBA},         {0, 3, 0, IMAGE_FORMAT_RGB},
        {-4, 3, 0, IMAGE_FORMAT_RGB},         {4, 0, 0, 0},
        {4, 5, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImageRowStride(c.width, c.components), c.stride) << c.width << " x " << c.components;
        EXPECT_EQ(ImageFormatForComponents(c.components), c.format) << c.components;
    }
    if (sizeof(size_t) >= 8) {
        EXPECT_EQ(ImageRowStride(INT32_MAX, 3), size_t(INT32_MAX) * 3 + 3);
    }
}

// A 5 x 2 24-bit picture: file rows bottom first, blue green red, 1 pad byte each.
const Bytes DIRECT_5x2 = {
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0xAA,
    21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 0xBB};
const Colours DIRECT_5x2_TOP_FIRST = {0x171615, 0x1A1918, 0x1D1C1B, 0x201F1E, 0x232221,
                                      0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D};

TEST(BmpReader, DirectColourSwapsEveryRowToRgb)
{
    const DecodeCase cases[] = {
        {"4 wide, rows of 12 bytes without padding",
         Direct24(4, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32}),
         4, 2, {0x171615, 0x1A1918, 0x1D1C1B, 0x201F1E, 0x030201, 0x060504, 0x090807, 0x0C0B0A}},
        {"5 wide, rows of 15 bytes and 1 pad byte", Direct24(5, 2, DIRECT_5x2), 5, 2, DIRECT_5x2_TOP_FIRST},
        {"trailing bytes after the last row are ignored",
         [] { BmpFile f = Direct24(5, 2, DIRECT_5x2); f.pixels.resize(40, 0x99); return f; }(),
         5, 2, DIRECT_5x2_TOP_FIRST},
    };
    for (const DecodeCase& c : cases) ExpectDecodes(c);
}

TEST(BmpReader, DirectColourIgnoresTheCompressionField)
{
    for (uint32_t compression : {1u, 2u}) {
        BmpFile f = Direct24(5, 2, DIRECT_5x2);
        f.compression = compression;
        ExpectDecodes({"24-bit marked as run-length coded", f, 5, 2, DIRECT_5x2_TOP_FIRST});
    }
}

TEST(BmpReader, PalettisedRowsPackPixelsMostSignificantBitsFirst)
{
    const DecodeCase cases[] = {
        {"1-bit, first pixel from the top bit", Palettised(1, 10, 2, {0x40, 0x80, 0, 0, 0xB0, 0x40, 0, 0}), 10, 2,
         FromIndices({1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0})},
        {"2-bit", Palettised(2, 5, 2, {0xFF, 0x00, 0, 0, 0x1B, 0xC0, 0, 0}), 5, 2,
         FromIndices({0, 1, 2, 3, 3, 3, 3, 3, 3, 0})},
        {"4-bit", Palettised(4, 3, 1, {0x9A, 0xB0, 0, 0}), 3, 1, FromIndices({9, 10, 11})},
        {"8-bit 21 wide: 3 pad bytes per row never become pixels",
         [] {
             Bytes rows;
             for (unsigned y = 0; y < 2; ++y) {
                 for (unsigned x = 0; x < 21; ++x) rows.push_back((unsigned char)(y * 100 + x));
                 rows.insert(rows.end(), {250, 251, 252});
             }
             return Palettised(8, 21, 2, rows);
         }(),
         21, 2,
         [] {
             std::vector<unsigned> top;
             for (unsigned y : {1u, 0u})
                 for (unsigned x = 0; x < 21; ++x) top.push_back(y * 100 + x);
             return FromIndices(top);
         }()},
        {"colours used never shortens the table",
         [] { BmpFile f = Palettised(8, 1, 1, {200, 0, 0, 0}); f.coloursUsed = 2; return f; }(), 1, 1,
         FromIndices({200})},
    };
    for (const DecodeCase& c : cases) ExpectDecodes(c);
}

TEST(BmpReader, RunLength8)
{
    const DecodeCase cases[] = {
        {"every row closed by end of line gives no empty rows",
         Rle8(4, 3, {4, 1, 0, 0, 2, 2, 2, 3, 0, 0, 4, 5, 0, 0, 0, 1}), 4, 3,
         FromIndices({5, 5, 5, 5, 2, 2, 3, 3, 1, 1, 1, 1})},
        {"delta 2 right 1 up leaves fill", Rle8(4, 3, {1, 7, 0, 2, 2, 1, 1, 8, 0, 1}), 4, 3,
         FromIndices({F8, F8, F8, F8, F8, F8, F8, 8, 7, F8, F8, F8})},
        {"end of bitmap after the first row fills the rest",
         Rle8(4, 3, {4, 9, 0, 1, 4, 1}), 4, 3, FromIndices({F8, F8, F8, F8, F8, F8, F8, F8, 9, 9, 9, 9})},
        {"end of line part way fills the row's rest", Rle8(3, 2, {1, 4, 0, 0, 3, 6, 0, 1}), 3, 2,
         FromIndices({6, 6, 6, 4, F8, F8})},
        {"odd absolute run is followed by a pad byte",
         Rle8(5, 1, {0, 3, 1, 2, 3, 0xEE, 2, 4, 0, 1}), 5, 1, FromIndices({1, 2, 3, 4, 4})},
        {"even absolute run has no pad byte", Rle8(5, 1, {0, 4, 1, 2, 3, 4, 1, 6, 0, 1}), 5, 1,
         FromIndices({1, 2, 3, 4, 6})},
    };
    for (const DecodeCase& c : cases) ExpectDecodes(c);
}

TEST(BmpReader, RunLength4)
{
    const DecodeCase cases[] = {
        {"run 5 of 0x12 alternates high and low", Rle4(5, 1, {5, 0x12, 0, 1}), 5, 1, FromIndices({1, 2, 1, 2, 1})},
        {"absolute run of 3 reads 2 bytes and no pad", Rle4(5, 1, {0, 3, 0x34, 0x50, 2, 0x77, 0, 1}), 5, 1,
         FromIndices({3, 4, 5, 7, 7})},
        {"absolute run of 5 reads 3 bytes and a pad", Rle4(6, 1, {0, 5, 0x12, 0x34, 0x50, 0xEE, 1, 0x99, 0, 1}), 6, 1,
         FromIndices({1, 2, 3, 4, 5, 9})},
        {"fill is entry 15", Rle4(3, 2, {2, 0xAB, 0, 0, 0, 1}), 3, 2, FromIndices({F4, F4, F4, 10, 11, F4})},
    };
    for (const DecodeCase& c : cases) ExpectDecodes(c);
}

// Damage and oddities inside a run-length stream: decoded soundly, never refused.
TEST(BmpReader, RunLengthStreamsStayInsideTheImage)
{
    const DecodeCase cases[] = {
        // Counting on into the next row would shift every row of the bitmaps
        // ImageMagick writes, whose runs cover the row padding (the test
        // against its files below): the surplus is cut.
        {"a run past the row end is cut there, not carried on", Rle8(5, 2, {8, 1, 0, 1}), 5, 2,
         FromIndices({F8, F8, F8, F8, F8, 1, 1, 1, 1, 1})},
        {"runs covering the row padding drop the surplus",
         Rle8(5, 2, {8, 1, 0, 0, 8, 2, 0, 0, 0, 1}), 5, 2, FromIndices({2, 2, 2, 2, 2, 1, 1, 1, 1, 1})},
        {"column stays at the row end until end of line",
         Rle8(5, 2, {5, 1, 2, 3, 0, 2, 1, 0, 0, 0, 1, 4, 0, 1}), 5, 2,
         FromIndices({4, F8, F8, F8, F8, 1, 1, 1, 1, 1})},
        {"absolute run past the row end", Rle8(3, 2, {0, 4, 1, 2, 3, 4, 0, 0, 1, 5, 0, 1}), 3, 2,
         FromIndices({5, F8, F8, 1, 2, 3})},
        {"RLE4 run past the row end", Rle4(3, 1, {7, 0x12, 0, 1}), 3, 1, FromIndices({1, 2, 1})},
        {"stream ends without end of bitmap", Rle8(3, 2, {3, 1}), 3, 2, FromIndices({F8, F8, F8, 1, 1, 1})},
        {"stream ends inside a code", Rle8(3, 2, {3, 1, 0}), 3, 2, FromIndices({F8, F8, F8, 1, 1, 1})},
        {"stream ends inside an absolute run", Rle8(3, 1, {0, 5, 1, 2}), 3, 1, FromIndices({1, 2, F8})},
        {"stream ends inside a delta", Rle8(3, 1, {1, 1, 0, 2, 1}), 3, 1, FromIndices({1, F8, F8})},
        {"empty stream", Rle8(2, 1, {}), 2, 1, FromIndices({F8, F8})},
        {"delta past the row end stops at the row end",
         Rle8(3, 2, {1, 1, 0, 2, 9, 0, 1, 2, 0, 0, 1, 3, 0, 1}), 3, 2, FromIndices({3, F8, F8, 1, F8, F8})},
        {"delta past the last row ends decoding", Rle8(2, 2, {0, 2, 0, 200, 2, 1}), 2, 2,
         FromIndices({F8, F8, F8, F8})},
        {"codes after the last row are ignored", Rle8(2, 1, {2, 1, 0, 0, 2, 3, 0, 0}), 2, 1, FromIndices({1, 1})},
    };
    for (const DecodeCase& c : cases) ExpectDecodes(c);
}

TEST(BmpReader, NegativeHeightStoresTopRowFirst)
{
    const DecodeCase cases[] = {
        {"24-bit", Direct24(5, -2, DIRECT_5x2), 5, 2,
         {0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D, 0x171615, 0x1A1918, 0x1D1C1B, 0x201F1E, 0x232221}},
        {"8-bit", Palettised(8, 2, -3, {1, 2, 0, 0, 3, 4, 0, 0, 5, 6, 0, 0}), 2, 3, FromIndices({1, 2, 3, 4, 5, 6})},
        {"RLE8", Rle8(2, -2, {2, 1, 0, 0, 1, 2, 0, 1}), 2, 2, FromIndices({1, 1, 2, F8})},
    };
    for (const DecodeCase& c : cases) ExpectDecodes(c);
}

TEST(BmpReader, TableFollowsTheInfoHeaderAndPixelsTheOffset)
{
    std::vector<DecodeCase> cases;
    for (uint32_t size : {52u, 56u, 108u, 124u}) {
        BmpFile f = Palettised(8, 2, 1, {7, 200, 0, 0});
        f.infoSize = size;
        cases.push_back({"longer info header", f, 2, 1, FromIndices({7, 200})});
        BmpFile d = Direct24(5, 2, DIRECT_5x2);
        d.infoSize = size;
        cases.push_back({"longer info header, 24-bit", d, 5, 2, DIRECT_5x2_TOP_FIRST});
    }
    BmpFile gap = Direct24(5, 2, DIRECT_5x2);
    gap.gapBytes = 6;
    cases.push_back({"gap before 24-bit pixels", gap, 5, 2, DIRECT_5x2_TOP_FIRST});
    BmpFile gap8 = Palettised(8, 2, 1, {7, 200, 0, 0});
    gap8.gapBytes = 10;
    cases.push_back({"gap after a full table", gap8, 2, 1, FromIndices({7, 200})});
    for (const DecodeCase& c : cases) ExpectDecodes(c);
}

TEST(BmpReader, ColourTableHoldsWhatTheFileHolds)
{
    const uint32_t BLACK = 0;
    const DecodeCase cases[] = {
        {"short table: missing entries are black",
         [] { BmpFile f = Palettised(8, 4, 1, {0, 1, 2, 7}); f.tableEntries = 3; return f; }(), 4, 1,
         {TableColour(0), TableColour(1), TableColour(2), BLACK}},
        {"no table at all", [] { BmpFile f = Palettised(4, 2, 1, {0x1F, 0, 0, 0}); f.tableEntries = 0; return f; }(),
         2, 1, {BLACK, BLACK}},
        {"RLE8 fill is black when entry 255 is missing",
         [] { BmpFile f = Rle8(2, 1, {1, 3, 0, 1}); f.tableEntries = 16; return f; }(), 2, 1, {TableColour(3), BLACK}},
        {"offset inside the headers: pixels follow the full table",
         [] { BmpFile f = Palettised(8, 2, 1, {7, 200, 0, 0}); f.pixelOffset = 20; return f; }(), 2, 1,
         FromIndices({7, 200})},
        {"offset zero", [] { BmpFile f = Palettised(4, 2, 1, {0x7C, 0, 0, 0}); f.pixelOffset = 0; return f; }(), 2, 1,
         FromIndices({7, 12})},
        {"offset past the end: pixels follow the full table",
         [] { BmpFile f = Palettised(1, 3, 1, {0xA0, 0, 0, 0}); f.pixelOffset = 100000; return f; }(), 3, 1,
         FromIndices({1, 0, 1})},
        {"offset past the end and a file too short for the table",
         [] { BmpFile f = Rle8(2, 1, {}); f.tableEntries = 2; f.pixelOffset = 0xFFFFFFFF; return f; }(), 2, 1,
         {BLACK, BLACK}},
    };
    for (const DecodeCase& c : cases) ExpectDecodes(c);
}

Bytes Prefix(const Bytes& bytes, size_t length) { return Bytes(bytes.begin(), bytes.begin() + length); }

// Each damage names the check that refused it. Sides beyond the limit are told
// before anything else a header gets wrong, so a player learns the one thing to fix.
TEST(BmpReader, RefusesWhatItCannotRead)
{
    auto with = [](BmpFile f, void (*change)(BmpFile&)) { change(f); return Build(f); };
    const BmpFile good8 = Palettised(8, 2, 1, {1, 2, 0, 0});
    const BmpFile good24 = Direct24(5, 2, DIRECT_5x2);
    Bytes notBm = Build(good8);
    notBm[1] = 'A';
    Bytes core = Build(good8);
    PutU32(core, 14, 12);
    Bytes cut124 = with(good24, [](BmpFile& f) { f.infoSize = 124; });
    cut124.resize(14 + 100);
    const Bytes hugeAndCut = Prefix(with(good8, [](BmpFile& f) { f.width = 9000; }), 30);
    using R = ImageRefusal;
    struct Case { const char* what; Bytes file; ImageRefusal refusal; };
    const Case cases[] = {
        {"empty file", {}, R::BMP_NO_SIGNATURE},
        {"signature is not BM", notBm, R::BMP_NO_SIGNATURE},
        {"shorter than the file header", Prefix(Build(good8), 13), R::BMP_HEADER_CUT},
        {"shorter than the info header", Prefix(Build(good8), 40), R::BMP_HEADER_CUT},
        {"124-byte header cut short", cut124, R::BMP_HEADER_CUT},
        {"12-byte core header", core, R::BMP_CORE_HEADER},
        {"info header of 20 bytes", with(good8, [](BmpFile& f) { f.infoSize = 20; }), R::BMP_INFO_HEADER_SIZE},
        {"unknown info header size", with(good8, [](BmpFile& f) { f.infoSize = 64; }), R::BMP_INFO_HEADER_SIZE},
        {"compression 3", with(good8, [](BmpFile& f) { f.compression = 3; }), R::BMP_COMPRESSION},
        {"compression 3 on 24-bit", with(good24, [](BmpFile& f) { f.compression = 3; }), R::BMP_COMPRESSION},
        {"compression 4", with(good8, [](BmpFile& f) { f.compression = 4; }), R::BMP_COMPRESSION},
        {"bit count 0", with(good8, [](BmpFile& f) { f.bitCount = 0; }), R::BMP_BIT_COUNT},
        {"bit count 3", with(good8, [](BmpFile& f) { f.bitCount = 3; }), R::BMP_BIT_COUNT},
        {"bit count 12", with(good8, [](BmpFile& f) { f.bitCount = 12; }), R::BMP_BIT_COUNT},
        {"bit count 16", with(good24, [](BmpFile& f) { f.bitCount = 16; }), R::BMP_BIT_COUNT},
        {"bit count 32", with(good24, [](BmpFile& f) { f.bitCount = 32; }), R::BMP_BIT_COUNT},
        {"zero width", with(good8, [](BmpFile& f) { f.width = 0; }), R::BMP_NO_PIXELS},
        {"negative width", with(good8, [](BmpFile& f) { f.width = -2; }), R::BMP_NEGATIVE_WIDTH},
        {"zero height", with(good8, [](BmpFile& f) { f.height = 0; }), R::BMP_NO_PIXELS},
        {"RLE8 with 4 bits", with(good8, [](BmpFile& f) { f.bitCount = 4; f.compression = 1; }), R::BMP_RLE_BIT_COUNT},
        {"RLE8 with 1 bit", with(good8, [](BmpFile& f) { f.bitCount = 1; f.compression = 1; }), R::BMP_RLE_BIT_COUNT},
        {"RLE4 with 8 bits", with(good8, [](BmpFile& f) { f.compression = 2; }), R::BMP_RLE_BIT_COUNT},
        {"RLE4 with 2 bits", with(good8, [](BmpFile& f) { f.bitCount = 2; f.compression = 2; }), R::BMP_RLE_BIT_COUNT},
        {"24-bit rows one byte short", with(good24, [](BmpFile& f) { f.pixels.pop_back(); }), R::BMP_ROWS_CUT},
        {"24-bit rows missing", with(good24, [](BmpFile& f) { f.height = 3; }), R::BMP_ROWS_CUT},
        {"8-bit row one byte short", with(good8, [](BmpFile& f) { f.pixels.pop_back(); }), R::BMP_ROWS_CUT},
        {"1-bit rows missing", with(good8, [](BmpFile& f) { f.bitCount = 1; f.height = 2; }), R::BMP_ROWS_CUT},
        {"offset past the end and no pixels after the table",
         with(good8, [](BmpFile& f) { f.pixels.clear(); f.pixelOffset = 5000; }), R::BMP_ROWS_CUT},
        {"run-length data that cannot reach the last row",
         with(good8, [](BmpFile& f) { f.compression = 1; f.height = 2000; }), R::BMP_RUNS_CUT},
        {"most negative height", with(good8, [](BmpFile& f) { f.height = INT32_MIN; }), R::TOO_LARGE},
        {"RLE8 buffer beyond the size limit", with(good8, [](BmpFile& f) {
             f.compression = 1; f.width = 20000; f.height = 20000; }), R::TOO_LARGE},
        {"largest width and height", with(good8, [](BmpFile& f) {
             f.compression = 1; f.width = INT32_MAX; f.height = -INT32_MAX; }), R::TOO_LARGE},
        {"too wide and cut inside the info header", hugeAndCut, R::TOO_LARGE},
        {"too wide with an unknown header size", with(good8, [](BmpFile& f) { f.infoSize = 64; f.height = -9000; }),
         R::TOO_LARGE},
    };
    unsigned char sentinelPixel = 0;
    for (const Case& c : cases) {
        ImageData image = {7, 9, 1234, 2, &sentinelPixel};
        EXPECT_EQ(DecodeBmp(image, c.file.data(), c.file.size()), c.refusal) << c.what;
        EXPECT_EQ(image.width, 7) << c.what;
        EXPECT_EQ(image.height, 9) << c.what;
        EXPECT_EQ(image.format, 1234u) << c.what;
        EXPECT_EQ(image.components, 2) << c.what;
        EXPECT_EQ(image.pixels, &sentinelPixel) << c.what;
        // Refused for the same reason before a single row is handed over, either way.
        for (bool takesBlueFirst : {false, true}) {
            RowCollector rows;
            rows.takesBlueFirst = takesBlueFirst;
            EXPECT_EQ(DecodeBmpRows(c.file.data(), c.file.size(), rows), c.refusal) << c.what;
            EXPECT_EQ(rows.begins, 0) << c.what;
        }
    }
    ImageData image = {};
    EXPECT_EQ(DecodeBmp(image, nullptr, 100), R::BMP_NO_SIGNATURE);
    RowCollector rows;
    EXPECT_EQ(DecodeBmpRows(nullptr, 100, rows), R::BMP_NO_SIGNATURE);
}

struct TempFolder {
    std::filesystem::path path;
    TempFolder()
    {
        std::random_device random;
        path = std::filesystem::temp_directory_path() /
               ("quorvel_bmp_" + std::to_string(random()) + "_" + std::to_string(random()));
        std::filesystem::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string Write(const char* name, const Bytes& bytes) const
    {
        std::string file = (path / name).string();
        std::ofstream(file, std::ios::binary).write((const char*)bytes.data(), std::streamsize(bytes.size()));
        return file;
    }
};

TEST(BmpReader, LoadBmpReadsFilesAndRefusesPaths)
{
    TempFolder folder;
    std::string good = folder.Write("good.bmp", Build(Direct24(5, 2, DIRECT_5x2)));
    ImageData image = {};
    ASSERT_EQ(LoadBmp(image, good.c_str()), ImageRefusal::NONE);
    EXPECT_EQ(TopRowFirst(image), DIRECT_5x2_TOP_FIRST);
    FreeImage(image);

    std::string empty = folder.Write("empty.bmp", {});
    std::string damaged = folder.Write("damaged.bmp", Bytes{'B', 'M', 0, 0});
    std::string missing = (folder.path / "missing.bmp").string();
    std::string directory = folder.path.string();
    const struct {
        const char* path;
        ImageRefusal refusal;
    } refused[] = {
        {nullptr, ImageRefusal::CANNOT_OPEN},        {"", ImageRefusal::CANNOT_OPEN},
        {missing.c_str(), ImageRefusal::CANNOT_OPEN}, {empty.c_str(), ImageRefusal::CANNOT_OPEN},
        {damaged.c_str(), ImageRefusal::BMP_HEADER_CUT}, {directory.c_str(), ImageRefusal::CANNOT_OPEN},
    };
    for (const auto& c : refused) {
        const char* path = c.path;
        ImageData untouched = {3, 4, 5, 1, nullptr};
        EXPECT_EQ(LoadBmp(untouched, path), c.refusal) << (path ? path : "null");
        EXPECT_EQ(untouched.width, 3);
        EXPECT_EQ(untouched.format, 5u);
    }
}

#ifndef _WIN32
// Pictures written by an independent encoder, compared with the same encoder's
// own reading of them written as PPM.
bool HaveConvert() { return std::system("convert -version >/dev/null 2>&1") == 0; }

bool ReadPpm(const std::string& path, int32_t& width, int32_t& height, Colours& colours)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> width >> height >> maxval;
    in.get();
    if (!in || magic != "P6" || maxval != 255) return false;
    colours.assign(size_t(width) * size_t(height), 0);
    for (uint32_t& c : colours) {
        unsigned char rgb[3];
        if (!in.read((char*)rgb, 3)) return false;
        c = (uint32_t(rgb[0]) << 16) | (rgb[1] << 8) | rgb[2];
    }
    return true;
}

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#endif

TEST(BmpReader, MatchesImageMagickBitmaps)
{
#ifdef _WIN32
    GTEST_SKIP() << "ImageMagick is only driven from the native build";
#else
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not on PATH";
    // `picture` prepares the colours, `writer` stores them; the same picture
    // written as PPM is the expected result. (ImageMagick's own reading of its
    // RLE8 files goes wrong for narrow images, so it is not the oracle.) Each
    // source has few enough colours that the palette kinds keep them exactly.
    struct Kind {
        const char* what;
        const char* source;
        const char* picture;
        const char* writer;
        unsigned infoSize, bitCount, compression;
    };
    const Kind kinds[] = {
        {"1-bit", "many.ppm", "-monochrome", "BMP3:", 40, 1, 0},
        {"4-bit", "sixteen.ppm", "-type palette", "-compress None BMP3:", 40, 4, 0},
        {"8-bit", "many.ppm", "-colors 200 -type palette", "-compress None BMP3:", 40, 8, 0},
        {"RLE8", "many.ppm", "-colors 200 -type palette", "-compress RLE BMP3:", 40, 8, 1},
        {"24-bit", "many.ppm", "-type truecolor", "BMP3:", 40, 24, 0},
        {"24-bit, 124-byte header", "many.ppm", "-type truecolor", "BMP:", 124, 24, 0},
        {"RLE8, 124-byte header", "many.ppm", "-colors 200 -type palette", "-compress RLE BMP:", 124, 8, 1},
    };
    TempFolder folder;
    const std::string dir = folder.path.string() + "/";
    // At most 200 pixels, so "-colors 200" merges nothing; more than 16 of them.
    const int32_t sizes[][2] = {{13, 7}, {4, 7}, {1, 20}};
    for (const auto& size : sizes) {
        const int32_t width = size[0], height = size[1];
        std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        Bytes many(header.begin(), header.end()), sixteen = many;
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                many.insert(many.end(), {(unsigned char)(x * 19), (unsigned char)(y * 36),
                                         (unsigned char)((x * y * 7 + 40) & 255)});
                unsigned k = unsigned(x + 3 * y) % 16;
                sixteen.insert(sixteen.end(), {(unsigned char)(k * 16), (unsigned char)(255 - k * 9),
                                               (unsigned char)(k * k)});
            }
        }
        folder.Write("many.ppm", many);
        folder.Write("sixteen.ppm", sixteen);
        for (const Kind& kind : kinds) {
            std::string what = std::string(kind.what) + ", " + std::to_string(width) + " wide";
            std::string bmp = dir + "picture.bmp", ppm = dir + "expected.ppm";
            std::string prepared = "convert '" + dir + kind.source + "' " + kind.picture + " ";
            std::string make = prepared + kind.writer + "'" + bmp + "'";
            std::string oracle = prepared + "-depth 8 'PPM:" + ppm + "'";
            ASSERT_EQ(std::system(make.c_str()), 0) << what;
            ASSERT_EQ(std::system(oracle.c_str()), 0) << what;
            Bytes file = ReadAll(bmp);
            ASSERT_GE(file.size(), 54u) << what;
            // Make sure the encoder wrote the kind this row claims to test.
            EXPECT_EQ(file[14], kind.infoSize) << what;
            EXPECT_EQ(file[28], kind.bitCount) << what;
            EXPECT_EQ(file[30], kind.compression) << what;
            int32_t w = 0, h = 0;
            Colours expected;
            ASSERT_TRUE(ReadPpm(ppm, w, h, expected)) << what;
            Decoded d = Decode(file);
            ASSERT_TRUE(d.ok) << what;
            EXPECT_EQ(d.width, w) << what;
            EXPECT_EQ(d.height, h) << what;
            EXPECT_EQ(d.colours, expected) << what;
        }
    }
#endif
}

}  // namespace
