#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/bmp_reader.h"
#include "image/png_decoder.h"
#include "png_writer.h"

#if QUORVEL_HAVE_ORACLES
#include <png.h>
#include <zlib.h>
#endif

namespace {

std::vector<unsigned char> Bytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

}  // namespace

TEST(PngWriter, ChecksumsMatchTheirPublishedCheckValues)
{
    const std::vector<unsigned char> digits = Bytes("123456789");
    EXPECT_EQ(Crc32(digits.data(), digits.size()), 0xCBF43926u);
    EXPECT_EQ(Adler32(digits.data(), digits.size()), 0x091E01DEu);
    const std::vector<unsigned char> word = Bytes("Wikipedia");
    EXPECT_EQ(Adler32(word.data(), word.size()), 0x11E60398u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    EXPECT_EQ(Adler32(nullptr, 0), 1u);
    // Computed in two pieces, the same as in one.
    EXPECT_EQ(Crc32(digits.data() + 4, 5, Crc32(digits.data(), 4)), 0xCBF43926u);
    EXPECT_EQ(Adler32(digits.data() + 4, 5, Adler32(digits.data(), 4)), 0x091E01DEu);
    std::vector<unsigned char> zeros(100000, 0xFF);   // long enough to need the modulo inside the loop
    uint32_t piecewise = 1;
    for (size_t i = 0; i < zeros.size(); i += 1000) piecewise = Adler32(zeros.data() + i, 1000, piecewise);
    EXPECT_EQ(Adler32(zeros.data(), zeros.size()), piecewise);
}

TEST(PngWriter, RefusesImagesItCannotWrite)
{
    const unsigned char pixels[12] = {};
    struct Case {
        const char* what;
        RawImage image;
        bool png, bmp;
    };
    const Case cases[] = {
        {"no pixels", {1, 1, 3, nullptr}, false, false},
        {"zero width", {0, 1, 3, pixels}, false, false},
        {"negative height", {1, -1, 3, pixels}, false, false},
        {"five components", {1, 1, 5, pixels}, false, false},
        {"grey into a 24-bit BMP", {2, 2, 1, pixels}, true, false},
        {"RGB", {2, 2, 3, pixels}, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(!EncodePng(c.image).empty(), c.png) << c.what;
        EXPECT_EQ(!EncodeBmp(c.image).empty(), c.bmp) << c.what;
    }
}

#if QUORVEL_HAVE_ORACLES

// Inputs that reach the encoder's corners: nothing at all, a lone byte, runs
// longer than one match, repeats at the far edge of the window, noise, and
// more than one stored block.
static std::vector<std::pair<std::string, std::vector<unsigned char>>> SampleInputs()
{
    std::mt19937 random(99);
    std::vector<std::pair<std::string, std::vector<unsigned char>>> samples;
    samples.push_back({"empty", {}});
    samples.push_back({"one byte", {42}});
    samples.push_back({"two bytes", {1, 2}});
    samples.push_back({"a run of 1000", std::vector<unsigned char>(1000, 7)});
    std::vector<unsigned char> text;
    for (int i = 0; i < 400; ++i) {
        std::string word = "wall floor goal start " + std::to_string(i % 17) + " ";
        text.insert(text.end(), word.begin(), word.end());
    }
    samples.push_back({"repeating words", text});
    std::vector<unsigned char> noise(70000);
    for (unsigned char& b : noise) b = (unsigned char)random();
    samples.push_back({"70000 random bytes", noise});
    std::vector<unsigned char> far(100000);
    for (size_t i = 0; i < far.size(); ++i) far[i] = i < 32768 ? (unsigned char)random() : far[i - 32768];
    samples.push_back({"a repeat exactly 32768 back", far});
    std::vector<unsigned char> all;
    for (int i = 0; i < 256; ++i) all.push_back((unsigned char)i);
    samples.push_back({"every byte value", all});
    return samples;
}

TEST(PngWriter, ZlibReadsBackBothDeflateModes)
{
    for (const auto& sample : SampleInputs()) {
        for (DeflateMode mode : {DEFLATE_STORED, DEFLATE_FIXED_HUFFMAN}) {
            std::vector<unsigned char> stream = CompressZlib(sample.second.data(), sample.second.size(), mode);
            std::vector<unsigned char> back(sample.second.size() + 1);
            uLongf backSize = uLongf(back.size());
            ASSERT_EQ(uncompress(back.data(), &backSize, stream.data(), uLong(stream.size())), Z_OK)
                << sample.first << (mode == DEFLATE_STORED ? " stored" : " fixed");
            back.resize(backSize);
            EXPECT_EQ(back, sample.second) << sample.first;
        }
    }
    // Flat data must actually shrink with the fixed codes.
    std::vector<unsigned char> flat(30000, 3);
    EXPECT_LT(CompressZlib(flat.data(), flat.size(), DEFLATE_FIXED_HUFFMAN).size(), 400u);
}

TEST(PngWriter, LibpngReadsEveryColourType)
{
    for (unsigned components = 1; components <= 4; ++components) {
        const int32_t width = 13, height = 7;
        std::vector<unsigned char> pixels(size_t(width * height) * components);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (unsigned char)(i * 7 + i / 5);
        RawImage image = {width, height, components, pixels.data()};
        std::vector<unsigned char> file = EncodePng(image);

        png_image read;
        std::memset(&read, 0, sizeof read);
        read.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&read, file.data(), file.size())) << components;
        static const png_uint_32 FORMATS[5] = {0, PNG_FORMAT_GRAY, PNG_FORMAT_GA, PNG_FORMAT_RGB, PNG_FORMAT_RGBA};
        EXPECT_EQ(read.format, FORMATS[components]);
        std::vector<unsigned char> back(PNG_IMAGE_SIZE(read));
        ASSERT_TRUE(png_image_finish_read(&read, nullptr, back.data(), 0, nullptr)) << read.message;
        EXPECT_EQ(back, pixels) << components << " components";
    }
}

#endif

// Our own readers take what our writers make, rows turned bottom first.
TEST(PngWriter, OurReadersTakeWhatItWrites)
{
    const int32_t width = 5, height = 3;   // 15-byte RGB rows: one byte of padding each
    std::vector<unsigned char> pixels(size_t(width * height) * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (unsigned char)(i * 11);
    RawImage image = {width, height, 3, pixels.data()};
    const std::vector<unsigned char> png = EncodePng(image, DEFLATE_FIXED_HUFFMAN);
    const std::vector<unsigned char> stored = EncodePng(image, DEFLATE_STORED);
    const std::vector<unsigned char> bmp = EncodeBmp(image);
    struct Case {
        const char* what;
        bool decoded;
        ImageData data;
    };
    Case cases[3] = {{"PNG, fixed codes", false, {}}, {"PNG, stored", false, {}}, {"BMP", false, {}}};
    cases[0].decoded = DecodePng(cases[0].data, png.data(), uint32_t(png.size())) == ImageRefusal::NONE;
    cases[1].decoded = DecodePng(cases[1].data, stored.data(), uint32_t(stored.size())) == ImageRefusal::NONE;
    cases[2].decoded = DecodeBmp(cases[2].data, bmp.data(), bmp.size()) == ImageRefusal::NONE;
    for (Case& c : cases) {
        ASSERT_TRUE(c.decoded) << c.what;
        EXPECT_EQ(c.data.width, width) << c.what;
        EXPECT_EQ(c.data.height, height) << c.what;
        EXPECT_EQ(c.data.components, 3) << c.what;
        for (int32_t row = 0; row < height; ++row) {
            const unsigned char* got = c.data.pixels + size_t(height - 1 - row) * 16;
            EXPECT_EQ(std::vector<unsigned char>(got, got + 15),
                      std::vector<unsigned char>(&pixels[size_t(row) * 15], &pixels[size_t(row) * 15] + 15))
                << c.what << " row " << row;
        }
        FreeImage(c.data);
    }
}
