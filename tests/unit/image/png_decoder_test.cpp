#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "image/image_data.h"
#include "image/png_decoder.h"
#include "support/refusal_print.h"

#if QUORVEL_HAVE_ORACLES
#include <png.h>
#endif

namespace {

typedef std::vector<unsigned char> Bytes;

void PutU32Be(Bytes& b, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(v >> shift));
}

// A zlib stream of stored blocks (at most 65535 bytes each), trailer left as zeros.
Bytes StoredZlib(const Bytes& raw)
{
    Bytes z = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
        at += n;
    } while (at < raw.size());
    PutU32Be(z, 0);
    return z;
}

// Builds PNG files chunk by chunk; CRCs are left as zeros, which the decoder ignores.
const unsigned char SIGNATURE[8] = {137, 80, 78, 71, 13, 10, 26, 10};

struct PngFile {
    Bytes bytes = Bytes(SIGNATURE, SIGNATURE + 8);

    PngFile& Chunk(const char* type, const Bytes& data)
    {
        PutU32Be(bytes, uint32_t(data.size()));
        bytes.insert(bytes.end(), type, type + 4);
        bytes.insert(bytes.end(), data.begin(), data.end());
        PutU32Be(bytes, 0);
        return *this;
    }
    PngFile& Header(uint32_t width, uint32_t height, unsigned depth, unsigned colourType, unsigned interlace = 0)
    {
        Bytes d;
        PutU32Be(d, width);
        PutU32Be(d, height);
        d.insert(d.end(), {uint8_t(depth), uint8_t(colourType), 0, 0, uint8_t(interlace)});
        return Chunk("IHDR", d);
    }
    PngFile& Rows(const Bytes& filtered) { return Chunk("IDAT", StoredZlib(filtered)); }
    PngFile& End() { return Chunk("IEND", {}); }
};

const ImageData BLANK = {0, 0, 0, 0, nullptr};

// The PNG's row y (top first) as stored in the record: bottom row first, padded rows.
Bytes RowOf(const ImageData& image, int y)
{
    size_t stride = ImageRowStride(image.width, image.components);
    const unsigned char* row = image.pixels + size_t(image.height - 1 - y) * stride;
    return Bytes(row, row + size_t(image.width) * image.components);
}

// What DecodePngRows hands over: the rows of the last image begun, and the order they came in.
struct RowRecorder : ImageRowSink {
    int32_t width = 0, height = 0;
    unsigned components = 0;
    int begins = 0;
    bool refuse = false;
    std::vector<int32_t> order;
    std::vector<Bytes> rows;

    bool Begin(int32_t w, int32_t h, unsigned c) override
    {
        width = w;
        height = h;
        components = c;
        ++begins;
        order.clear();
        rows.assign(size_t(h), Bytes());
        return !refuse;
    }
    void Row(int32_t row, const unsigned char* pixels) override
    {
        order.push_back(row);
        rows.at(size_t(row)) = Bytes(pixels, pixels + size_t(width) * components);
    }
};

ImageRefusal DecodeRows(const Bytes& file, RowRecorder& recorder)
{
    unsigned char* copy = new unsigned char[file.size() ? file.size() : 1];
    if (!file.empty()) std::memcpy(copy, file.data(), file.size());
    ImageRefusal refusal = DecodePngRows(copy, uint32_t(file.size()), recorder);
    delete[] copy;
    return refusal;
}

// Every decode is made twice: into a record, and row by row, which must agree
// on whether the file is good (and why not) and on every row, handed over once
// each, top row first.
ImageRefusal DecodeWhy(const Bytes& file, ImageData& image)
{
    // An exact heap copy, so that ASan reports any read past the file.
    unsigned char* copy = new unsigned char[file.size() ? file.size() : 1];
    if (!file.empty()) std::memcpy(copy, file.data(), file.size());
    ImageRefusal refusal = DecodePng(image, copy, uint32_t(file.size()));
    delete[] copy;

    RowRecorder recorder;
    EXPECT_EQ(DecodeRows(file, recorder), refusal);
    if (refusal == ImageRefusal::NONE) {
        EXPECT_EQ(recorder.width, image.width);
        EXPECT_EQ(recorder.height, image.height);
        EXPECT_EQ(recorder.components, image.components);
        std::vector<int32_t> topFirst;
        for (int32_t y = 0; y < image.height; ++y) topFirst.push_back(y);
        EXPECT_EQ(recorder.order, topFirst);
        for (int32_t y = 0; y < image.height && y < recorder.height; ++y)
            EXPECT_EQ(recorder.rows[size_t(y)], RowOf(image, y)) << "row " << y;
    }
    return refusal;
}

bool Decode(const Bytes& file, ImageData& image)
{
    return DecodeWhy(file, image) == ImageRefusal::NONE;
}

TEST(PngDecoder, RgbLayoutIsBottomRowFirstWithPaddedStride)
{
    Bytes rows = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                  0, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35};
    ImageData image = BLANK;
    ASSERT_TRUE(Decode(PngFile().Header(5, 2, 8, 2).Rows(rows).End().bytes, image));
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.components, 3);
    EXPECT_EQ(image.format, IMAGE_FORMAT_RGB);
    EXPECT_EQ(ImageRowStride(image.width, image.components), 16u);
    EXPECT_EQ(Bytes(image.pixels, image.pixels + 15), Bytes(rows.begin() + 17, rows.end()));
    EXPECT_EQ(Bytes(image.pixels + 16, image.pixels + 31), Bytes(rows.begin() + 1, rows.begin() + 16));
    FreeImage(image);
}

TEST(PngDecoder, ComponentsFormatsAndStrides)
{
    struct Case { const char* what; unsigned colourType; uint32_t width; unsigned components; uint32_t format;
                  size_t stride; };
    const Case cases[] = {
        {"grey 6 wide", 0, 6, 1, IMAGE_FORMAT_LUMINANCE, 8},
        {"grey + alpha", 4, 3, 2, IMAGE_FORMAT_LUMINANCE_ALPHA, 8},
        {"RGB", 2, 4, 3, IMAGE_FORMAT_RGB, 12},
        {"RGBA of odd width has no padding", 6, 3, 4, IMAGE_FORMAT_RGBA, 12},
    };
    for (const Case& c : cases) {
        Bytes rows;
        for (int y = 0; y < 2; y++) {
            rows.push_back(0);
            for (uint32_t i = 0; i < c.width * c.components; i++) rows.push_back(uint8_t(y * 100 + i));
        }
        ImageData image = BLANK;
        ASSERT_TRUE(Decode(PngFile().Header(c.width, 2, 8, c.colourType).Rows(rows).End().bytes, image)) << c.what;
        EXPECT_EQ(image.components, c.components) << c.what;
        EXPECT_EQ(image.format, c.format) << c.what;
        EXPECT_EQ(ImageRowStride(image.width, image.components), c.stride) << c.what;
        EXPECT_EQ(RowOf(image, 1)[0], 100) << c.what;
        EXPECT_EQ(image.pixels[0], 100) << c.what << ": the bottom row comes first";
        FreeImage(image);
    }
}

TEST(PngDecoder, PaletteExpandsToRgbAndIgnoresTransparency)
{
    Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    ImageData image = BLANK;
    ASSERT_TRUE(Decode(PngFile().Header(3, 1, 8, 3).Chunk("PLTE", palette).Chunk("tRNS", {0, 128})
                           .Rows({0, 2, 0, 1}).End().bytes, image));
    EXPECT_EQ(image.components, 3);
    EXPECT_EQ(image.format, IMAGE_FORMAT_RGB);
    EXPECT_EQ(RowOf(image, 0), Bytes({0, 0, 255, 255, 0, 0, 0, 255, 0}));
    FreeImage(image);
}

TEST(PngDecoder, SmallDepthsUnpackToOneBytePerSample)
{
    struct Case { const char* what; unsigned depth, colourType; Bytes row; Bytes expected; };
    const Case cases[] = {
        {"1-bit grey", 1, 0, {0b10110000}, {255, 0, 255, 255}},
        {"2-bit grey", 2, 0, {0b00011011}, {0, 85, 170, 255}},
        {"4-bit grey", 4, 0, {0x1F, 0x80}, {17, 255, 136, 0}},
        {"1-bit palette", 1, 3, {0b01000000}, {10, 11, 12, 20, 21, 22, 10, 11, 12, 10, 11, 12}},
        {"2-bit palette", 2, 3, {0b00011011}, {10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42}},
        {"4-bit palette", 4, 3, {0x32, 0x10}, {40, 41, 42, 30, 31, 32, 20, 21, 22, 10, 11, 12}},
    };
    Bytes palette = {10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42};
    for (const Case& c : cases) {
        Bytes rows = {0};
        rows.insert(rows.end(), c.row.begin(), c.row.end());
        PngFile file;
        file.Header(4, 1, c.depth, c.colourType);
        if (c.colourType == 3) file.Chunk("PLTE", palette);
        ImageData image = BLANK;
        ASSERT_TRUE(Decode(file.Rows(rows).End().bytes, image)) << c.what;
        EXPECT_EQ(RowOf(image, 0), c.expected) << c.what;
        FreeImage(image);
    }
}

TEST(PngDecoder, ReconstructionOfFirstRowsAndTies)
{
    struct Case { const char* what; Bytes rows; Bytes top, bottom; };
    const Case cases[] = {
        {"Up on the first row reproduces the bytes", {2, 10, 20, 30, 0, 1, 2, 3}, {10, 20, 30}, {1, 2, 3}},
        {"Average on the first row adds half the left byte", {3, 10, 20, 30, 0, 0, 0, 0}, {10, 25, 42}, {0, 0, 0}},
        {"Paeth on the first row is Sub", {4, 10, 20, 250, 0, 0, 0, 0}, {10, 30, 24}, {0, 0, 0}},
        {"Sub wraps modulo 256", {1, 200, 100, 1, 0, 0, 0, 0}, {200, 44, 45}, {0, 0, 0}},
        {"Up adds the row above", {0, 10, 20, 30, 2, 1, 1, 1}, {10, 20, 30}, {11, 21, 31}},
        {"Average uses left and up", {0, 10, 20, 30, 3, 0, 0, 0}, {10, 20, 30}, {5, 12, 21}},
        {"Paeth takes up when it is nearest", {0, 10, 20, 30, 4, 0, 0, 0}, {10, 20, 30}, {10, 20, 30}},
        // Second pixel: left 40, up 10, up-left 20 ties left with up-left (20 if up-left won).
        {"Paeth tie between left and up-left picks left", {0, 20, 10, 0, 4, 20, 0, 0}, {20, 10, 0}, {40, 40, 40}},
        // Second pixel: left 10, up 40, up-left 20 ties up with up-left.
        {"Paeth tie between up and up-left picks up", {0, 20, 40, 0, 4, 246, 0, 0}, {20, 40, 0}, {10, 40, 0}},
    };
    for (const Case& c : cases) {
        ImageData image = BLANK;
        ASSERT_TRUE(Decode(PngFile().Header(3, 2, 8, 0).Rows(c.rows).End().bytes, image)) << c.what;
        EXPECT_EQ(RowOf(image, 0), c.top) << c.what;
        EXPECT_EQ(RowOf(image, 1), c.bottom) << c.what;
        FreeImage(image);
    }
}

TEST(PngDecoder, PaethPredictorMatchesTheTextbookOnEveryInput)
{
    unsigned mismatches = 0;
    for (int a = 0; a < 256; a++)
        for (int b = 0; b < 256; b++)
            for (int c = 0; c < 256; c++) {
                int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                int expected = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
                if (PaethPredictor(uint8_t(a), uint8_t(b), uint8_t(c)) != expected) mismatches++;
            }
    EXPECT_EQ(mismatches, 0u);
}

// ---- Reconstruction against the textbook rules -------------------------------------

// The textbook predictor of each filter type, one byte at a time.
int TextbookPredictor(unsigned filter, int left, int up, int upLeft)
{
    switch (filter) {
    case 1: return left;
    case 2: return up;
    case 3: return (left + up) / 2;
    case 4: {
        int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
        return (pa <= pb && pa <= pc) ? left : (pb <= pc ? up : upLeft);
    }
    default: return 0;
    }
}

// The filtered rows (each a filter-type byte and then the bytes) that reconstruct to
// `rows`, pixels of `bpp` bytes, with `filters[y]` for row y.
Bytes FilterRows(const std::vector<Bytes>& rows, const std::vector<unsigned>& filters, unsigned bpp)
{
    Bytes out;
    out.reserve(rows.size() * (rows[0].size() + 1));
    const Bytes zeros(rows[0].size(), 0);
    for (size_t y = 0; y < rows.size(); y++) {
        out.push_back(uint8_t(filters[y]));
        const unsigned char* row = rows[y].data();
        const unsigned char* above = y > 0 ? rows[y - 1].data() : zeros.data();
        for (size_t i = 0; i < rows[y].size(); i++) {
            int left = i >= bpp ? row[i - bpp] : 0, upLeft = i >= bpp ? above[i - bpp] : 0;
            out.push_back(uint8_t(row[i] - TextbookPredictor(filters[y], left, above[i], upLeft)));
        }
    }
    return out;
}

struct ReconstructionKind { const char* name; unsigned colourType; unsigned bpp; };

const ReconstructionKind RECONSTRUCTION_KINDS[] = {
    {"grey", 0, 1}, {"palette", 3, 1}, {"grey+alpha", 4, 2}, {"RGB", 2, 3}, {"RGBA", 6, 4},
};

// Decodes `rows` filtered as given and reports the first row that does not come back.
// Palette indices come back as their colours, from a palette of distinct entries.
void ExpectReconstructs(const ReconstructionKind& kind, const std::vector<Bytes>& rows,
                        const std::vector<unsigned>& filters, const std::string& what)
{
    uint32_t width = uint32_t(rows[0].size() / kind.bpp);
    PngFile file;
    file.Header(width, uint32_t(rows.size()), 8, kind.colourType);
    Bytes palette;
    for (int i = 0; i < 256; i++) palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    if (kind.colourType == 3) file.Chunk("PLTE", palette);
    ImageData image = BLANK;
    ASSERT_TRUE(Decode(file.Rows(FilterRows(rows, filters, kind.bpp)).End().bytes, image)) << what;
    for (size_t y = 0; y < rows.size(); y++) {
        Bytes expected = rows[y];
        if (kind.colourType == 3) {
            expected.clear();
            for (unsigned char index : rows[y]) expected.insert(expected.end(), palette.begin() + index * 3,
                                                                 palette.begin() + index * 3 + 3);
        }
        if (RowOf(image, int(y)) != expected) {
            ADD_FAILURE() << what << ": row " << y << " differs";
            break;
        }
    }
    FreeImage(image);
}

// How the rows holding the triples are grouped among other rows, so that each triple is
// met in every way the decoder rebuilds a Paeth row: the triple rows alone (pixels of
// three or four bytes), eight at a time (one-byte pixels: odd lanes, and even lanes once a
// leading Paeth row shifts the groups), and two at a time (two-byte pixels, lower row of a
// pair and, after the leading row, upper; one-byte pixels between rows of other filters).
enum TripleLayout { TRIPLES_ALL_PAETH, TRIPLES_AFTER_LEADING_ROW, TRIPLES_LOWER_OF_TWO, TRIPLES_UPPER_OF_TWO };

// Every (left, up, up-left) triple in every channel, for every pixel size and decode path.
// A row U holds (c, b) at pixels 2j and 2j + 1 and the row T below it holds a at pixel 2j,
// so pixel 2j + 1 of T has left a, up b and up-left c; j runs over all (a, b), and each
// pair of rows, and each channel, takes its own c.
TEST(PngDecoder, PaethReconstructionMatchesTheTextbookOnEveryInput)
{
    const unsigned pairsPerImage = 8;
    // All 65536 (a, b) pairs of one c take 16 row pairs of the widest image the
    // decoder accepts.
    const size_t width = size_t(MAX_IMAGE_SIDE);
    const unsigned pairsPerRow = unsigned(width / 2);
    const unsigned rowsPerC = 65536 / pairsPerRow;
    for (const ReconstructionKind& kind : RECONSTRUCTION_KINDS)
        for (TripleLayout layout :
             {TRIPLES_ALL_PAETH, TRIPLES_AFTER_LEADING_ROW, TRIPLES_LOWER_OF_TWO, TRIPLES_UPPER_OF_TWO}) {
            if (kind.colourType == 3) continue;  // rebuilt by the grey code; expansion is checked below
            if (layout != TRIPLES_ALL_PAETH && kind.bpp > 2) continue;
            if (layout >= TRIPLES_LOWER_OF_TWO && kind.bpp > 1) continue;
            unsigned perImage = pairsPerImage * kind.bpp;  // c values one image covers
            for (unsigned firstC = 0; firstC < 256; firstC += perImage) {
                std::vector<Bytes> rows;
                std::vector<unsigned> filters;
                const Bytes other(width * kind.bpp, 77);
                if (layout == TRIPLES_AFTER_LEADING_ROW) {
                    rows.push_back(other);
                    filters.push_back(4);
                }
                for (unsigned step = 0; step < pairsPerImage * rowsPerC; step++) {
                    const unsigned pair = step / rowsPerC;
                    const unsigned firstJ = (step % rowsPerC) * pairsPerRow;
                    Bytes upper(width * kind.bpp), lower(upper.size());
                    for (unsigned i = 0; i < pairsPerRow; i++)
                        for (unsigned k = 0; k < kind.bpp; k++) {
                            const unsigned j = firstJ + i;
                            unsigned c = std::min(255u, firstC + pair * kind.bpp + k);
                            size_t at = size_t(2 * i) * kind.bpp + k;
                            upper[at] = uint8_t(c);
                            upper[at + kind.bpp] = uint8_t(j);          // b
                            lower[at] = uint8_t(j >> 8);                // a
                            lower[at + kind.bpp] = uint8_t(j * 7 + k);  // any value
                        }
                    if (layout == TRIPLES_LOWER_OF_TWO) {
                        rows.push_back(other);
                        filters.push_back(0);
                    }
                    rows.push_back(upper);
                    filters.push_back(layout == TRIPLES_UPPER_OF_TWO ? 0 : 4);
                    rows.push_back(lower);
                    filters.push_back(4);
                    if (layout == TRIPLES_UPPER_OF_TWO) {
                        rows.push_back(other);
                        filters.push_back(4);
                    }
                }
                ExpectReconstructs(kind, rows, filters,
                                   std::string(kind.name) + " from c " + std::to_string(firstC) + " layout " +
                                       std::to_string(int(layout)));
            }
        }
}

// Sub, Up and Average over every (left, up) pair, and runs of Paeth rows of every length
// up to 17 between rows of the other types, so that rows rebuilt alone, two at a time and
// eight at a time follow each other in every order, in narrow rows too.
TEST(PngDecoder, MixedFilterRowsMatchTheTextbook)
{
    const unsigned sequence[] = {1, 2, 3, 4, 4, 0, 4, 1, 4, 4, 4, 2, 3, 3, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4, 4,
                                 4, 1, 4, 4, 4, 4, 4, 4, 4, 4, 4, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
                                 4, 4, 4, 0, 4, 4, 4, 4, 4, 0, 4, 4, 4, 4, 4, 4};
    for (const ReconstructionKind& kind : RECONSTRUCTION_KINDS) {
        for (unsigned filter : {1u, 2u, 3u}) {
            // Each upper row holds every up value beside every left value of the row
            // below it: the 65536 pixels in rows of the widest image accepted, each
            // row starting on the last pixel of the one before so no neighbour is lost.
            const size_t width = size_t(MAX_IMAGE_SIDE);
            std::vector<Bytes> rows;
            std::vector<unsigned> filters;
            for (size_t first = 0; first + 1 < 65536; first += width - 1) {
                Bytes upper(width * kind.bpp), lower(upper.size());
                for (size_t i = 0; i < width; i++)
                    for (unsigned k = 0; k < kind.bpp; k++) {
                        const unsigned j = unsigned(std::min<size_t>(first + i, 65535));
                        upper[i * kind.bpp + k] = uint8_t(j + k);
                        lower[i * kind.bpp + k] = uint8_t((j >> 8) * (k + 1) + (j & 1));
                    }
                rows.push_back(upper);
                filters.push_back(0);
                rows.push_back(lower);
                filters.push_back(filter);
            }
            ExpectReconstructs(kind, rows, filters, std::string(kind.name) + " filter " + std::to_string(filter));
        }
        const size_t count = sizeof sequence / sizeof sequence[0];
        for (uint32_t width : {1u, 2u, 3u, 7u, 8u, 9u, 33u}) {
            std::vector<Bytes> rows;
            uint32_t state = width * 977 + kind.bpp;
            for (size_t y = 0; y < count; y++) {
                Bytes row(size_t(width) * kind.bpp);
                for (unsigned char& b : row) {
                    state = state * 1103515245u + 12345u;
                    b = uint8_t(state >> 16);
                }
                rows.push_back(row);
            }
            for (size_t shift : {size_t(0), size_t(3), size_t(20)})
                for (size_t rowCount : {count, count - 1, size_t(2), size_t(1)}) {
                    std::vector<unsigned> filters;
                    for (size_t y = 0; y < rowCount; y++) filters.push_back(sequence[(y + shift) % count]);
                    ExpectReconstructs(kind, std::vector<Bytes>(rows.begin(), rows.begin() + long(rowCount)),
                                       filters,
                                       std::string(kind.name) + " mixed rows, width " + std::to_string(width) +
                                           ", " + std::to_string(rowCount) + " rows from " + std::to_string(shift));
                }
        }
    }
}

TEST(PngDecoder, ChunksTheDecoderSkips)
{
    Bytes rows = {0, 7, 8, 2, 1, 1};
    const Bytes expected0 = {7, 8}, expected1 = {8, 9};
    struct Case { const char* what; PngFile file; };
    std::vector<Case> cases;
    cases.push_back({"plain", PngFile().Header(2, 2, 8, 0).Rows(rows).End()});
    cases.push_back({"ancillary and unknown chunks around the data",
                     PngFile().Header(2, 2, 8, 0).Chunk("gAMA", {0, 0, 177, 143}).Chunk("tEXt", {'a', 0, 'b'})
                         .Chunk("xYzW", {1, 2, 3}).Rows(rows).Chunk("zzZZ", {9}).End()});
    cases.push_back({"unknown critical chunk", PngFile().Header(2, 2, 8, 0).Chunk("ABCD", {1}).Rows(rows).End()});
    cases.push_back({"palette sent with a grey image",
                     PngFile().Header(2, 2, 8, 0).Chunk("PLTE", {1, 2, 3}).Rows(rows).End()});
    cases.push_back({"no IEND", PngFile().Header(2, 2, 8, 0).Rows(rows)});
    PngFile afterEnd = PngFile().Header(2, 2, 8, 0).Rows(rows).End();
    afterEnd.bytes.insert(afterEnd.bytes.end(), {0xFF, 0xFF, 0xFF, 0xF0, 'I', 'D', 'A', 'T'});
    cases.push_back({"a broken chunk after IEND is never read", afterEnd});
    PngFile badCrc = PngFile().Header(2, 2, 8, 0).Rows(rows).End();
    for (size_t i = 29; i < badCrc.bytes.size(); i += 7) badCrc.bytes[i] ^= 0x5A;  // land in the CRCs
    Bytes z = StoredZlib(rows);
    PngFile split = PngFile().Header(2, 2, 8, 0).Chunk("IDAT", Bytes(z.begin(), z.begin() + 3))
                        .Chunk("IDAT", Bytes(z.begin() + 3, z.begin() + 9)).Chunk("IDAT", {})
                        .Chunk("IDAT", Bytes(z.begin() + 9, z.end())).End();
    cases.push_back({"stream split over consecutive IDAT chunks", split});
    for (const Case& c : cases) {
        ImageData image = BLANK;
        ASSERT_TRUE(Decode(c.file.bytes, image)) << c.what;
        EXPECT_EQ(RowOf(image, 0), expected0) << c.what;
        EXPECT_EQ(RowOf(image, 1), expected1) << c.what;
        FreeImage(image);
    }
}

TEST(PngDecoder, WrongCrcsChangeNothing)
{
    Bytes rows = {0, 7, 8, 2, 1, 1};
    PngFile file = PngFile().Header(2, 2, 8, 0).Chunk("tEXt", {'k', 0, 'v'}).Rows(rows).End();
    // Every chunk's CRC sits in the 4 bytes before the next chunk; flip them all.
    for (size_t pos = 8; pos < file.bytes.size();) {
        uint32_t length = uint32_t(file.bytes[pos]) << 24 | file.bytes[pos + 1] << 16 | file.bytes[pos + 2] << 8 |
                          file.bytes[pos + 3];
        for (int i = 0; i < 4; i++) file.bytes[pos + 8 + length + i] = 0xA5;
        pos += 12 + length;
    }
    ImageData image = BLANK;
    ASSERT_TRUE(Decode(file.bytes, image));
    EXPECT_EQ(RowOf(image, 1), Bytes({8, 9}));
    FreeImage(image);
}

TEST(PngDecoder, LaterImageDataReplacesEarlier)
{
    PngFile file = PngFile().Header(2, 1, 8, 0).Rows({0, 1, 2}).Chunk("tEXt", {'k', 0}).Rows({0, 5, 6}).End();
    ImageData image = BLANK;
    ASSERT_TRUE(Decode(file.bytes, image));
    EXPECT_EQ(RowOf(image, 0), Bytes({5, 6}));
    FreeImage(image);
}

TEST(PngDecoder, RowsBeginAgainForLaterImageDataAndASinkMayRefuse)
{
    PngFile file = PngFile().Header(2, 1, 8, 0).Rows({0, 1, 2}).Chunk("tEXt", {'k', 0}).Rows({0, 5, 6}).End();
    RowRecorder recorder;
    ASSERT_EQ(DecodeRows(file.bytes, recorder), ImageRefusal::NONE);
    EXPECT_EQ(recorder.begins, 2);
    EXPECT_EQ(recorder.rows, std::vector<Bytes>({{5, 6}}));

    RowRecorder refusing;
    refusing.refuse = true;
    EXPECT_EQ(DecodeRows(file.bytes, refusing), ImageRefusal::ROWS_REFUSED);
    EXPECT_EQ(refusing.begins, 1);
    EXPECT_TRUE(refusing.order.empty());
}

// Each damage names the check that refused it. The sides are judged first, at
// IHDR's fixed place, however damaged the rest is.
TEST(PngDecoder, RefusesMalformedFiles)
{
    const Bytes grey = {0, 7, 8, 2, 1, 1};
    PngFile valid = PngFile().Header(2, 2, 8, 0).Rows(grey).End();
    using R = ImageRefusal;
    struct Case { const char* what; Bytes file; ImageRefusal refusal; };
    std::vector<Case> cases = {
        {"empty", {}, R::PNG_NO_SIGNATURE},
        {"shorter than the signature", Bytes(valid.bytes.begin(), valid.bytes.begin() + 5), R::PNG_NO_SIGNATURE},
        {"signature only", Bytes(valid.bytes.begin(), valid.bytes.begin() + 8), R::PNG_NO_IDAT},
        {"chunk header cut short", Bytes(valid.bytes.begin(), valid.bytes.begin() + 14), R::PNG_CHUNK_CUT},
        {"header chunk runs past the end", Bytes(valid.bytes.begin(), valid.bytes.begin() + 25), R::PNG_CHUNK_CUT},
        {"image data runs past the end", Bytes(valid.bytes.begin(), valid.bytes.end() - 20), R::PNG_CHUNK_CUT},
        {"no image data", PngFile().Header(2, 2, 8, 0).End().bytes, R::PNG_NO_IDAT},
        {"image data before the header",
         PngFile().Chunk("tEXt", Bytes(8, 0)).Rows(grey).Header(2, 2, 8, 0).End().bytes, R::PNG_IDAT_BEFORE_IHDR},
        {"second header", PngFile().Header(2, 2, 8, 0).Header(2, 2, 8, 0).Rows(grey).End().bytes,
         R::PNG_SECOND_IHDR},
        {"header of 14 bytes", PngFile().Chunk("IHDR", Bytes(14, 0)).Rows(grey).End().bytes, R::PNG_IHDR_LENGTH},
        {"too wide in a header of 14 bytes", PngFile().Chunk("IHDR", Bytes(14, 1)).Rows(grey).End().bytes,
         R::TOO_LARGE},
        {"interlaced", PngFile().Header(2, 2, 8, 0, 1).Rows(grey).End().bytes, R::PNG_INTERLACED},
        {"interlace method 2", PngFile().Header(2, 2, 8, 0, 2).Rows(grey).End().bytes, R::PNG_INTERLACE_METHOD},
        {"16-bit", PngFile().Header(1, 2, 16, 0).Rows(grey).End().bytes, R::PNG_DEEP_SAMPLES},
        {"bit depth 3", PngFile().Header(2, 2, 3, 0).Rows(grey).End().bytes, R::PNG_BIT_DEPTH},
        {"bit depth 0", PngFile().Header(2, 2, 0, 0).Rows(grey).End().bytes, R::PNG_BIT_DEPTH},
        {"2-bit RGB", PngFile().Header(2, 2, 2, 2).Rows(grey).End().bytes, R::PNG_BIT_DEPTH},
        {"zero width", PngFile().Header(0, 2, 8, 0).Rows({0, 0}).End().bytes, R::PNG_NO_PIXELS},
        {"zero height", PngFile().Header(2, 0, 8, 0).Rows({}).End().bytes, R::PNG_NO_PIXELS},
        {"width beyond 2^31 - 1", PngFile().Header(0x80000000u, 1, 8, 0).Rows(grey).End().bytes, R::TOO_LARGE},
        {"rows beyond 4 GiB", PngFile().Header(60000, 60000, 8, 6).Rows(grey).End().bytes, R::TOO_LARGE},
        {"too tall and interlaced", PngFile().Header(2, 8193, 8, 0, 1).Rows(grey).End().bytes, R::TOO_LARGE},
        {"too wide and cut inside IHDR",
         [] { Bytes b = PngFile().Header(9000, 1, 8, 0).bytes; b.resize(24); return b; }(), R::TOO_LARGE},
        {"image far larger than the stream could fill", PngFile().Header(3000, 3000, 8, 0).Rows(grey).End().bytes,
         R::PNG_IDAT_TOO_SHORT},
        {"filter type 5", PngFile().Header(2, 2, 8, 0).Rows({5, 7, 8, 0, 1, 1}).End().bytes, R::PNG_FILTER_TYPE},
        {"stream shorter than the rows", PngFile().Header(2, 2, 8, 0).Rows({0, 7, 8, 1, 1}).End().bytes,
         R::PNG_ROWS_CUT},
        // RGBA rows are decoded inside the pixel buffer, a path of their own.
        {"filter type 5 in a later RGBA row",
         PngFile().Header(1, 2, 8, 6).Rows({0, 1, 2, 3, 4, 5, 1, 2, 3, 4}).End().bytes, R::PNG_FILTER_TYPE},
        {"RGBA stream shorter than the rows",
         PngFile().Header(1, 2, 8, 6).Rows({0, 1, 2, 3, 4, 2, 1, 2, 3}).End().bytes, R::PNG_ROWS_CUT},
        {"refused zlib header", PngFile().Header(2, 2, 8, 0).Chunk("IDAT", {0x78, 0x9D, 1, 0}).End().bytes,
         R::ZLIB_HEADER_CHECK},
        {"image data shorter than a zlib header", PngFile().Header(2, 2, 8, 0).Chunk("IDAT", {0x78}).End().bytes,
         R::ZLIB_CUT},
        {"palette image without a palette", PngFile().Header(2, 2, 8, 3).Rows(grey).End().bytes, R::PNG_NO_PLTE},
        {"palette after the image data",
         PngFile().Header(2, 2, 8, 3).Rows(grey).Chunk("PLTE", Bytes(30, 1)).End().bytes, R::PNG_NO_PLTE},
        {"palette index beyond the palette",
         PngFile().Header(2, 2, 8, 3).Chunk("PLTE", Bytes(9, 1)).Rows({0, 0, 1, 0, 2, 3}).End().bytes,
         R::PNG_PALETTE_INDEX},
    };
    Bytes z = StoredZlib(grey);
    cases.push_back({"stream split by another chunk",
                     PngFile().Header(2, 2, 8, 0).Chunk("IDAT", Bytes(z.begin(), z.begin() + 6))
                         .Chunk("tEXt", {'k', 0}).Chunk("IDAT", Bytes(z.begin() + 6, z.end())).End().bytes,
                     R::ZLIB_CUT});
    for (const Case& c : cases) {
        ImageData image = BLANK;
        EXPECT_EQ(DecodeWhy(c.file, image), c.refusal) << c.what;
        EXPECT_EQ(image.pixels, nullptr) << c.what;
    }
}

TEST(PngDecoder, HeaderFieldsAreWrittenOnlyOnceAccepted)
{
    ImageData image = {7, 7, 7, 7, nullptr};
    EXPECT_FALSE(Decode(PngFile().Header(2, 2, 16, 0).Rows({}).End().bytes, image));
    EXPECT_EQ(image.width, 7) << "a refused header leaves the record as it was";
    EXPECT_FALSE(Decode(PngFile().Header(3, 4, 8, 2).Rows({0, 1}).End().bytes, image));
    EXPECT_EQ(image.width, 3) << "an accepted header is kept when the data fails";
    EXPECT_EQ(image.components, 3);
    EXPECT_EQ(image.pixels, nullptr);
}

// ---- Files on disk -----------------------------------------------------------------

struct TempFolder {
    std::filesystem::path path;
    TempFolder()
    {
        path = std::filesystem::temp_directory_path() /
               ("quorvel_png_" + std::to_string(std::rand()) + "_" + std::to_string(std::time(nullptr)));
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string Write(const char* name, const Bytes& bytes) const
    {
        std::string file = (path / name).string();
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return file;
    }
};

TEST(PngDecoder, LoadPngReadsFilesAndLeavesOthersAlone)
{
    TempFolder folder;
    ImageData image = BLANK;
    std::string png = folder.Write("wall.png", PngFile().Header(2, 2, 8, 0).Rows({0, 7, 8, 2, 1, 1}).End().bytes);
    ASSERT_EQ(LoadPng(image, png.c_str()), ImageRefusal::NONE);
    EXPECT_EQ(RowOf(image, 1), Bytes({8, 9}));
    FreeImage(image);

    Bytes bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0};
    bmp.resize(58, 0);
    std::string bmpPath = folder.Write("wall.bmp", bmp);
    ImageData untouched = {3, 4, 5, 6, nullptr};
    EXPECT_EQ(LoadPng(untouched, bmpPath.c_str()), ImageRefusal::PNG_NO_SIGNATURE);
    EXPECT_EQ(untouched.width, 3);
    EXPECT_EQ(untouched.height, 4);
    EXPECT_EQ(untouched.format, 5u);
    EXPECT_EQ(untouched.components, 6);

    std::string empty = folder.Write("empty.png", {});
    for (const std::string& path : {empty, (folder.path / "missing.png").string(), std::string()})
        EXPECT_EQ(LoadPng(image, path.c_str()), ImageRefusal::CANNOT_OPEN) << path;
    EXPECT_EQ(LoadPng(image, nullptr), ImageRefusal::CANNOT_OPEN);
    EXPECT_EQ(image.pixels, nullptr);
}

#if QUORVEL_HAVE_ORACLES

// ---- Conformance with libpng ---------------------------------------------------------

struct PngKind { const char* name; int colourType; int depth; unsigned components; };

const PngKind KINDS[] = {
    {"grey 8", PNG_COLOR_TYPE_GRAY, 8, 1},       {"grey 4", PNG_COLOR_TYPE_GRAY, 4, 1},
    {"grey 2", PNG_COLOR_TYPE_GRAY, 2, 1},       {"grey 1", PNG_COLOR_TYPE_GRAY, 1, 1},
    {"grey+alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2}, {"RGB", PNG_COLOR_TYPE_RGB, 8, 3},
    {"RGBA", PNG_COLOR_TYPE_RGBA, 8, 4},         {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, 3},
    {"palette 4", PNG_COLOR_TYPE_PALETTE, 4, 3}, {"palette 2", PNG_COLOR_TYPE_PALETTE, 2, 3},
    {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, 3},
};

struct WriteOptions {
    int filters = PNG_ALL_FILTERS;
    int level = 6;
    size_t idatSize = 8192;
    bool interlaced = false;
    bool ancillary = false;
};

void AppendToBytes(png_structp png, png_bytep data, png_size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// Samples for a test picture: gradients, noise and flat areas, within the depth's range.
std::vector<Bytes> Picture(const PngKind& kind, uint32_t width, uint32_t height)
{
    unsigned samples = kind.colourType == PNG_COLOR_TYPE_PALETTE ? 1 : kind.components;
    unsigned depth = unsigned(kind.depth), max = (1u << depth) - 1;
    std::vector<Bytes> rows(height, Bytes(size_t(width) * samples * (depth == 16 ? 2 : 1)));
    uint32_t state = width * 31 + height;
    for (uint32_t y = 0; y < height; y++)
        for (size_t i = 0; i < rows[y].size(); i++) {
            state = state * 1103515245u + 12345u;
            unsigned v = (y % 5 == 0) ? 7 : unsigned(i * 3 + y * 2 + ((state >> 16) & 7));
            rows[y][i] = uint8_t(depth >= 8 ? v : v % (max + 1));
        }
    return rows;
}

Bytes WritePng(const PngKind& kind, uint32_t width, uint32_t height, const WriteOptions& o)
{
    Bytes out;
    std::vector<Bytes> rows = Picture(kind, width, height);
    std::vector<png_bytep> pointers;
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write " << kind.name;
        return Bytes();
    }
    png_set_write_fn(png, &out, AppendToBytes, NoFlush);
    png_set_IHDR(png, info, width, height, kind.depth, kind.colourType,
                 o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    png_byte alpha[256];
    for (int i = 0; i < 256; i++) {
        palette[i] = png_color{png_byte(i), png_byte(255 - i), png_byte(i * 7)};
        alpha[i] = png_byte(i);
    }
    if (kind.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette, 1 << kind.depth);
        if (o.ancillary) png_set_tRNS(png, info, alpha, 1 << kind.depth, nullptr);
    }
    png_text text = {};
    png_unknown_chunk privateChunk = {};
    if (o.ancillary) {
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>("Title");
        text.text = const_cast<char*>("Quorvel test labyrinth");
        png_set_text(png, info, &text, 1);
        png_set_gAMA(png, info, 0.45455);
        std::memcpy(privateChunk.name, "prVt", 5);
        static png_byte payload[] = {1, 2, 3, 4};
        privateChunk.data = payload;
        privateChunk.size = sizeof payload;
        privateChunk.location = PNG_AFTER_IDAT;
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
        png_set_unknown_chunks(png, info, &privateChunk, 1);
    }
    png_set_filter(png, PNG_FILTER_TYPE_BASE, o.filters);
    png_set_compression_level(png, o.level);
    png_set_compression_buffer_size(png, o.idatSize);
    png_write_info(png, info);
    if (kind.depth < 8) png_set_packing(png);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

void ReadFromBytes(png_structp png, png_bytep data, png_size_t length)
{
    std::pair<const Bytes*, size_t>* src = static_cast<std::pair<const Bytes*, size_t>*>(png_get_io_ptr(png));
    if (src->second + length > src->first->size()) png_error(png, "read past the end");
    std::memcpy(data, src->first->data() + src->second, length);
    src->second += length;
}

// libpng's own decode, as rows of one byte per component (palette mapped to RGB).
std::vector<Bytes> ReadWithLibpng(const Bytes& file)
{
    std::pair<const Bytes*, size_t> src(&file, 0);
    std::vector<Bytes> rows;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        ADD_FAILURE() << "libpng could not read its own file";
        return std::vector<Bytes>();
    }
    png_set_read_fn(png, &src, ReadFromBytes);
    png_read_info(png, info);
    int colourType = png_get_color_type(png, info);
    bool palette = colourType == PNG_COLOR_TYPE_PALETTE;
    if (palette) png_set_packing(png);
    else png_set_expand_gray_1_2_4_to_8(png);
    png_read_update_info(png, info);
    uint32_t height = png_get_image_height(png, info);
    rows.assign(height, Bytes(png_get_rowbytes(png, info)));
    std::vector<png_bytep> pointers;
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_read_image(png, pointers.data());
    if (palette) {
        png_colorp colours;
        int count;
        png_get_PLTE(png, info, &colours, &count);
        for (Bytes& r : rows) {
            Bytes rgb;
            for (unsigned char index : r) rgb.insert(rgb.end(), {colours[index].red, colours[index].green,
                                                                 colours[index].blue});
            r = rgb;
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return rows;
}

unsigned CountChunks(const Bytes& file, const char* type)
{
    unsigned count = 0;
    for (size_t pos = 8; pos + 8 <= file.size();) {
        uint32_t length = uint32_t(file[pos]) << 24 | file[pos + 1] << 16 | file[pos + 2] << 8 | file[pos + 3];
        if (std::memcmp(&file[pos + 4], type, 4) == 0) count++;
        pos += 12 + size_t(length);
    }
    return count;
}

void ExpectSameAsLibpng(const Bytes& file, const PngKind& kind, const std::string& what)
{
    std::vector<Bytes> expected = ReadWithLibpng(file);
    ImageData image = BLANK;
    ASSERT_TRUE(Decode(file, image)) << what;
    ASSERT_EQ(size_t(image.height), expected.size()) << what;
    EXPECT_EQ(image.components, kind.components) << what;
    EXPECT_EQ(image.format, ImageFormatForComponents(kind.components)) << what;
    for (int y = 0; y < image.height; y++) {
        if (RowOf(image, y) != expected[size_t(y)]) {
            ADD_FAILURE() << what << ": row " << y << " differs";
            break;
        }
    }
    FreeImage(image);
}

TEST(PngConformance, EveryKindAndFilterDecodesAsLibpngDoes)
{
    const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH,
                           PNG_ALL_FILTERS};
    // Widths that leave rows unpadded, padded by one byte and by more: the first two
    // are decoded inside the pixel buffer, the last in a buffer of its own.
    const uint32_t sizes[][2] = {{1, 1}, {5, 2}, {13, 7}, {67, 41}, {4, 3}, {3, 4}, {2, 9}, {64, 33}};
    for (const PngKind& kind : KINDS)
        for (int filter : filters)
            for (auto& size : sizes) {
                WriteOptions o;
                o.filters = filter;
                ExpectSameAsLibpng(WritePng(kind, size[0], size[1], o), kind,
                                   std::string(kind.name) + " filter " + std::to_string(filter) + " " +
                                       std::to_string(size[0]) + "x" + std::to_string(size[1]));
            }
}

TEST(PngConformance, ManyIdatChunksAndAncillaryChunks)
{
    for (const PngKind& kind : KINDS) {
        WriteOptions o;
        o.idatSize = 64;
        o.ancillary = true;
        o.level = 9;
        Bytes file = WritePng(kind, 150, 90, o);
        EXPECT_GT(CountChunks(file, "IDAT"), 1u) << kind.name;
        EXPECT_EQ(CountChunks(file, "tEXt"), 1u) << kind.name;
        EXPECT_EQ(CountChunks(file, "prVt"), 1u) << kind.name;
        ExpectSameAsLibpng(file, kind, std::string(kind.name) + " in many IDAT chunks");
    }
}

TEST(PngConformance, LargeImageAndEveryCompressionLevel)
{
    const PngKind& rgb = KINDS[5];
    for (int level = 0; level <= 9; level += 3) {
        WriteOptions o;
        o.level = level;
        ExpectSameAsLibpng(WritePng(rgb, 700, 300, o), rgb, "RGB 700x300 level " + std::to_string(level));
    }
}

TEST(PngConformance, RefusedKinds)
{
    struct Case { const char* what; PngKind kind; bool interlaced; ImageRefusal refusal; };
    const Case cases[] = {
        {"interlaced RGB", {"RGB", PNG_COLOR_TYPE_RGB, 8, 3}, true, ImageRefusal::PNG_INTERLACED},
        {"interlaced palette", {"palette", PNG_COLOR_TYPE_PALETTE, 4, 3}, true, ImageRefusal::PNG_INTERLACED},
        {"16-bit grey", {"grey 16", PNG_COLOR_TYPE_GRAY, 16, 1}, false, ImageRefusal::PNG_DEEP_SAMPLES},
        {"16-bit RGBA", {"RGBA 16", PNG_COLOR_TYPE_RGBA, 16, 4}, false, ImageRefusal::PNG_DEEP_SAMPLES},
    };
    for (const Case& c : cases) {
        WriteOptions o;
        o.interlaced = c.interlaced;
        Bytes file = WritePng(c.kind, 9, 9, o);
        ASSERT_FALSE(file.empty()) << c.what;
        ImageData image = BLANK;
        EXPECT_EQ(DecodeWhy(file, image), c.refusal) << c.what;
        EXPECT_EQ(image.pixels, nullptr) << c.what;
    }
}

#endif  // QUORVEL_HAVE_ORACLES

}  // namespace
