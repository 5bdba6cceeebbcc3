#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "image/image_reader.h"
#include "png_writer.h"
#include "support/refusal_print.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<unsigned char>;

void PutU32(Bytes& b, size_t at, uint32_t v, bool bigEndian)
{
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = (unsigned char)(v >> (bigEndian ? 24 - 8 * i : 8 * i));
}

// What a player is shown for each file is the game's few words; what the tool
// shows is the check that refused it. Both come from the one value ReadImage returns.
TEST(ImageReader, NamesTheReaderAndTheCheckThatRefused)
{
    const unsigned char pixels[2 * 2 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const RawImage picture = {2, 2, 3, pixels};
    const Bytes png = EncodePng(picture), bmp = EncodeBmp(picture);
    Bytes wide = png, deflate = png, core = bmp, tall = bmp;
    PutU32(wide, 16, 8193, true);
    const size_t idat = size_t(std::search(png.begin(), png.end(), "IDAT", "IDAT" + 4) - png.begin());
    deflate[idat + 4] = 0x79;   // zlib method 9
    PutU32(core, 14, 12, false);
    PutU32(tall, 22, uint32_t(-9000), false);

    const char* const PNG = "PNG";
    const char* const BMP = "BMP";
    struct Case {
        const char* name;
        Bytes bytes;
        const char* reader;
        ImageRefusal refusal;
        const char* summary;
    };
    const Case cases[] = {
        {"good.png", png, PNG, ImageRefusal::NONE, ""},
        {"good.bmp", bmp, BMP, ImageRefusal::NONE, ""},
        {"text.png", Bytes{'h', 'i'}, nullptr, ImageRefusal::NOT_AN_IMAGE, "not a BMP or PNG image"},
        {"cut.png", Bytes(png.begin(), png.begin() + 16), PNG, ImageRefusal::PNG_CHUNK_CUT,
         "damaged or unsupported PNG image"},
        {"deflate.png", deflate, PNG, ImageRefusal::ZLIB_METHOD, "damaged or unsupported PNG image"},
        {"core.bmp", core, BMP, ImageRefusal::BMP_CORE_HEADER, "damaged or unsupported BMP image"},
        {"wide.png", wide, PNG, ImageRefusal::TOO_LARGE, "larger than 8192 x 8192 pixels"},
        {"tall.bmp", tall, BMP, ImageRefusal::TOO_LARGE, "larger than 8192 x 8192 pixels"},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(folder.File(c.name).c_str(), c.bytes)) << c.name;
        ImageData image = {3, 4, 5, 6, nullptr};
        const char* reader = nullptr;
        EXPECT_EQ(ReadImage(image, folder.File(c.name).c_str(), &reader), c.refusal) << c.name;
        EXPECT_EQ(reader ? std::string(reader) : "none", c.reader ? std::string(c.reader) : "none") << c.name;
        EXPECT_STREQ(RefusalSummary(c.refusal), c.summary) << c.name;
        EXPECT_EQ(image.pixels == nullptr, c.refusal != ImageRefusal::NONE) << c.name;
        if (c.refusal != ImageRefusal::NONE) {
            EXPECT_EQ(image.width, 3) << "untouched: " << c.name;
        }
        FreeImage(image);
    }
    ImageData image = {};
    EXPECT_EQ(ReadImage(image, folder.File("missing.png").c_str()), ImageRefusal::CANNOT_OPEN);
    EXPECT_STREQ(RefusalSummary(ImageRefusal::CANNOT_OPEN), "cannot be opened");
}

// Every reason has words of its own, and a player only ever sees the game's few.
TEST(ImageReader, EveryRefusalHasItsOwnText)
{
    const std::set<std::string> summaries = {
        "cannot be opened", "not a BMP or PNG image", "larger than 8192 x 8192 pixels", "not enough memory",
        "damaged or unsupported image", "damaged or unsupported BMP image", "damaged or unsupported PNG image"};
    std::set<std::string> texts;
    const unsigned last = unsigned(ImageRefusal::DEFLATE_OUTPUT_FULL);
    for (unsigned value = 1; value <= last; ++value) {
        const ImageRefusal refusal = ImageRefusal(value);
        EXPECT_TRUE(texts.insert(RefusalText(refusal)).second) << "shared text: " << RefusalText(refusal);
        EXPECT_EQ(summaries.count(RefusalSummary(refusal)), 1u) << RefusalText(refusal);
    }
}

}  // namespace
