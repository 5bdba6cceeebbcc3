#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/image_inspect.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put32Le(Bytes& b, size_t at, uint32_t v)
{
    for (int k = 0; k < 4; ++k) b[at + k] = (unsigned char)(v >> (8 * k));
}

void Append32Be(Bytes& b, uint32_t v)
{
    for (int k = 3; k >= 0; --k) b.push_back((unsigned char)(v >> (8 * k)));
}

// The headers of a BMP: file header and a 40-byte info header, no pixels.
Bytes BmpHeaders(int32_t height, unsigned bits, uint32_t compression, uint32_t coloursUsed)
{
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32Le(b, 14, 40);
    Put32Le(b, 18, 7);
    Put32Le(b, 22, uint32_t(height));
    b[26] = 1;
    b[28] = (unsigned char)bits;
    Put32Le(b, 30, compression);
    Put32Le(b, 46, coloursUsed);
    return b;
}

// A chunk with `length` bytes of zeros and a CRC nobody checks here.
void AppendChunk(Bytes& b, const char* type, uint32_t length)
{
    Append32Be(b, length);
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), length + 4, 0);
}

Bytes PngStart(unsigned depth, unsigned colourType, unsigned interlace)
{
    Bytes b = {137, 80, 78, 71, 13, 10, 26, 10};
    Append32Be(b, 13);
    b.insert(b.end(), {'I', 'H', 'D', 'R'});
    Append32Be(b, 5);
    Append32Be(b, 3);
    b.insert(b.end(), {(unsigned char)depth, (unsigned char)colourType, 0, 0, (unsigned char)interlace});
    b.insert(b.end(), 4, 0);
    return b;
}

TEST(ImageInspect, TellsHowABmpIsStored)
{
    struct Case {
        const char* what;
        Bytes file;
        unsigned bits;
        const char* compression;
        uint32_t table;
        bool topDown;
    };
    const Case cases[] = {
        {"8-bit, full table implied", BmpHeaders(5, 8, 0, 0), 8, "none", 256, false},
        {"RLE4 with 9 colours used", BmpHeaders(5, 4, 2, 9), 4, "RLE4", 9, false},
        {"24-bit top-down", BmpHeaders(-5, 24, 0, 0), 24, "none", 0, true},
        {"32-bit bit fields (the game refuses it)", BmpHeaders(5, 32, 3, 0), 32, "bit fields", 0, false},
        {"embedded PNG", BmpHeaders(5, 0, 5, 0), 0, "PNG", 1, false},
    };
    for (const Case& c : cases) {
        ImageEncoding e = {};
        ASSERT_TRUE(InspectImage(c.file.data(), c.file.size(), e)) << c.what;
        EXPECT_EQ(e.container, IMAGE_CONTAINER_BMP) << c.what;
        EXPECT_EQ(e.bitsPerPixel, c.bits) << c.what;
        EXPECT_STREQ(BmpCompressionName(e.compression), c.compression) << c.what;
        EXPECT_EQ(e.colourTableEntries, c.table) << c.what;
        EXPECT_EQ(e.topDown, c.topDown) << c.what;
        EXPECT_EQ(e.infoHeaderBytes, 40u) << c.what;
    }
    EXPECT_STREQ(BmpCompressionName(6), "unknown");
}

TEST(ImageInspect, CountsIdatChunksAndNoticesACutList)
{
    Bytes png = PngStart(8, 2, 0);
    for (int k = 0; k < 3; ++k) AppendChunk(png, "IDAT", 10);
    AppendChunk(png, "tEXt", 4);
    AppendChunk(png, "IEND", 0);
    ImageEncoding e = {};
    ASSERT_TRUE(InspectImage(png.data(), png.size(), e));
    EXPECT_EQ(e.container, IMAGE_CONTAINER_PNG);
    EXPECT_EQ(e.width, 5);
    EXPECT_EQ(e.height, 3);
    EXPECT_EQ(e.bitDepth, 8u);
    EXPECT_STREQ(PngColourTypeName(e.colourType), "RGB");
    EXPECT_EQ(e.idatChunks, 3u);
    EXPECT_FALSE(e.chunksCutShort);

    Bytes interlaced = PngStart(16, 6, 1);
    AppendChunk(interlaced, "IDAT", 10);
    interlaced.resize(interlaced.size() - 3);   // the last chunk runs past the end
    ASSERT_TRUE(InspectImage(interlaced.data(), interlaced.size(), e));
    EXPECT_EQ(e.interlace, 1u);
    EXPECT_EQ(e.bitDepth, 16u);
    EXPECT_STREQ(PngColourTypeName(e.colourType), "RGBA");
    EXPECT_EQ(e.idatChunks, 0u) << "a chunk that does not fit is not counted";
    EXPECT_TRUE(e.chunksCutShort);

    Bytes huge = PngStart(8, 3, 0);
    Append32Be(huge, 0xFFFFFFF0u);   // a length that would wrap a careless sum
    huge.insert(huge.end(), {'I', 'D', 'A', 'T', 0, 0, 0, 0});
    ASSERT_TRUE(InspectImage(huge.data(), huge.size(), e));
    EXPECT_EQ(e.idatChunks, 0u);
    EXPECT_TRUE(e.chunksCutShort);
}

TEST(ImageInspect, RefusesWhatIsNoImageOrTooShortToSay)
{
    const Bytes bmp = BmpHeaders(5, 8, 0, 0);
    const Bytes png = PngStart(8, 0, 0);
    Bytes noIhdr = png;
    noIhdr[12] = 'X';
    Bytes shortIhdr = png;
    shortIhdr[11] = 12;
    Bytes oddHeader = bmp;
    Put32Le(oddHeader, 14, 20);
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o'}},
        {"BM alone", Bytes{'B', 'M'}},
        {"BMP cut inside the info header", Bytes(bmp.begin(), bmp.begin() + 40)},
        {"info header of 20 bytes", oddHeader},
        {"PNG signature alone", Bytes(png.begin(), png.begin() + 8)},
        {"PNG cut inside IHDR", Bytes(png.begin(), png.begin() + 20)},
        {"first chunk not IHDR", noIhdr},
        {"IHDR of 12 bytes", shortIhdr},
    };
    for (const auto& c : cases) {
        ImageEncoding e = {};
        e.width = 77;
        EXPECT_FALSE(InspectImage(c.bytes.data(), c.bytes.size(), e)) << c.what;
        EXPECT_EQ(e.width, 77) << "untouched: " << c.what;
    }
    ImageEncoding e = {};
    EXPECT_FALSE(InspectImage(nullptr, 10, e));

    Bytes core(26, 0);   // the old 12-byte header: 16-bit sizes, no compression field
    core[0] = 'B';
    core[1] = 'M';
    Put32Le(core, 14, 12);
    core[18] = 9;
    core[20] = 4;
    core[24] = 4;
    ASSERT_TRUE(InspectImage(core.data(), core.size(), e));
    EXPECT_EQ(e.width, 9);
    EXPECT_EQ(e.height, 4);
    EXPECT_EQ(e.bitsPerPixel, 4u);
    EXPECT_EQ(e.colourTableEntries, 16u);
}

}  // namespace
