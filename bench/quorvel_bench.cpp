// quorvel_bench: decoding speed side by side with the libraries a developer
// would otherwise reach for, on the same inputs, reported as ratios.
//
//   quorvel_bench [--quick] [--data DIR] [--only inflate|png|labyrinth|bmp]
//
// --quick uses small inputs and one repetition, so CI can check that the
// benchmark builds and its outputs agree; it asserts no times.
#include <libdeflate.h>
#include <png.h>
#include <zlib.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_data.h"
#include "image/bmp_reader.h"
#include "labyrinth/labyrinth.h"
#include "image/inflate.h"
#include "image/png_decoder.h"

namespace fs = std::filesystem;

static int repetitions = 7;
static bool allAgree = true;

// Median wall time of `repetitions` runs, in seconds.
static double MedianSeconds(const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

static void Disagree(const std::string& what)
{
    std::printf("OUTPUT MISMATCH: %s\n", what.c_str());
    allAgree = false;
}

// ---- inflate ----

static void BenchInflateStream(const std::string& name, const Bytes& stream, size_t outSize)
{
    Bytes ours(outSize), theirs(outSize);
    if (!InflateZlibStream(stream.data(), uint32_t(stream.size()), ours.data(), uint32_t(outSize))) {
        Disagree(name + ": our inflate refused the stream");
        return;
    }
    uLongf zlibSize = uLongf(outSize);
    if (uncompress(theirs.data(), &zlibSize, stream.data(), uLong(stream.size())) != Z_OK || ours != theirs) {
        Disagree(name + ": output differs from zlib");
        return;
    }
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    double tOurs = MedianSeconds([&] {
        InflateZlibStream(stream.data(), uint32_t(stream.size()), ours.data(), uint32_t(outSize));
    });
    double tZlib = MedianSeconds([&] {
        uLongf size = uLongf(outSize);
        uncompress(theirs.data(), &size, stream.data(), uLong(stream.size()));
    });
    double tDeflate = MedianSeconds([&] {
        size_t actual = 0;
        libdeflate_zlib_decompress(decompressor, stream.data(), stream.size(), theirs.data(), outSize, &actual);
    });
    libdeflate_free_decompressor(decompressor);
    double mb = double(outSize) / 1e6;
    std::printf("| %-28s | %8.1f | %8.1f | %8.1f | %5.2f | %5.2f |\n", name.c_str(), mb / tOurs, mb / tZlib,
                mb / tDeflate, tZlib / tOurs, tDeflate / tOurs);
}

static void BenchInflate(bool quick, const std::string& dataDir)
{
    std::printf("\n### Inflate: MB/s of output (ratio > 1: ours faster)\n\n");
    std::printf("| %-28s | %8s | %8s | %8s | %5s | %5s |\n", "stream", "ours", "zlib", "libdefl", "/zlib",
                "/ldef");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    const std::vector<size_t> sizes = quick ? std::vector<size_t>{size_t(1) << 18}
                                            : std::vector<size_t>{size_t(1) << 20, size_t(16) << 20};
    struct Kind {
        const char* name;
        Bytes (*make)(size_t, uint32_t);
    };
    const Kind kinds[] = {{"text", MakeTextLike}, {"binary", MakeBinaryLike}, {"image", MakeImageLike}};
    for (const Kind& kind : kinds) {
        for (size_t size : sizes) {
            Bytes data = kind.make(size, 12345);
            for (int level : {0, 1, 6, 9}) {
                char name[64];
                std::snprintf(name, sizeof name, "%s %zu KiB level %d", kind.name, size >> 10, level);
                BenchInflateStream(name, ZlibCompress(data, level), data.size());
            }
        }
    }
    if (!quick) {
        Bytes big = MakeImageLike(size_t(64) << 20, 99);
        BenchInflateStream("image 64 MiB level 6", ZlibCompress(big, 6), big.size());
    }
    // The IDAT streams of the bundled textures.
    for (const char* texture : {"Wall.png", "Ceiling.png", "Floor.png"}) {
        Bytes png = ReadWholeFile(dataDir + "/Images/" + texture);
        if (png.size() < 33) continue;
        uint32_t width = uint32_t(png[16]) << 24 | uint32_t(png[17]) << 16 | uint32_t(png[18]) << 8 | png[19];
        uint32_t height = uint32_t(png[20]) << 24 | uint32_t(png[21]) << 16 | uint32_t(png[22]) << 8 | png[23];
        int colourType = png[25];
        size_t components = colourType == 2 ? 3 : colourType == 6 ? 4 : colourType == 4 ? 2 : 1;
        BenchInflateStream(std::string("texture ") + texture, ExtractIdat(png),
                           (components * width + 1) * height);
    }
}

// ---- PNG ----

struct MemoryReader {
    const Bytes* data;
    size_t pos;
};

static void ReadFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    MemoryReader* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->data->size() - reader->pos) png_error(png, "read past end");
    std::memcpy(out, reader->data->data() + reader->pos, length);
    reader->pos += length;
}

// libpng's decode to 8-bit samples, palette expanded, rows top first.
static bool DecodeWithLibpng(const Bytes& file, Bytes& pixels, int& rowBytes)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    MemoryReader reader = {&file, 0};
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    png_read_update_info(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    rowBytes = int(png_get_rowbytes(png, info));
    pixels.resize(size_t(rowBytes) * height);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = &pixels[size_t(y) * rowBytes];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

static bool SameAsTopDown(const ImageData& image, const Bytes& topDown, int rowBytes)
{
    size_t stride = ImageRowStride(image.width, image.components);
    if (size_t(rowBytes) != size_t(image.width) * image.components) return false;
    for (int y = 0; y < image.height; ++y) {
        const unsigned char* ours = image.pixels + size_t(image.height - 1 - y) * stride;
        if (std::memcmp(ours, &topDown[size_t(y) * rowBytes], size_t(rowBytes)) != 0) return false;
    }
    return true;
}

static void BenchPng(bool quick)
{
    std::printf("\n### PNG decode: ms per image (ratio > 1: ours faster)\n\n");
    std::printf("| %-34s | %8s | %8s | %8s | %6s | %6s |\n", "image", "ours", "libpng", "stb", "/png", "/stb");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    const std::vector<int> sizes = quick ? std::vector<int>{256} : std::vector<int>{256, 1024, 4096};
    struct Type {
        const char* name;
        int colourType;
    };
    const Type types[] = {{"RGB", 2}, {"RGBA", 6}, {"grey", 0}, {"palette", 3}};
    struct Filter {
        const char* name;
        int mask;
    };
    const Filter filters[] = {{"none", PNG_FILTER_NONE}, {"sub", PNG_FILTER_SUB}, {"up", PNG_FILTER_UP},
                              {"paeth", PNG_FILTER_PAETH}, {"adaptive", PNG_ALL_FILTERS}};
    for (int size : sizes) {
        for (const Type& type : types) {
            for (const Filter& filter : filters) {
                if (size == 4096 && filter.mask != PNG_ALL_FILTERS && filter.mask != PNG_FILTER_PAETH) continue;
                Bytes file = WritePngWithLibpng(size, size, type.colourType, filter.mask, 777);
                char name[80];
                std::snprintf(name, sizeof name, "%s %dx%d %s", type.name, size, size, filter.name);
                Bytes reference;
                int rowBytes = 0;
                ImageData image = {};
                if (!DecodeWithLibpng(file, reference, rowBytes) ||
                    !DecodePng(image, file.data(), uint32_t(file.size())) || !SameAsTopDown(image, reference, rowBytes)) {
                    Disagree(std::string(name) + ": pixels differ from libpng");
                    FreeImage(image);
                    continue;
                }
                FreeImage(image);
                double tOurs = MedianSeconds([&] {
                    ImageData decoded = {};
                    DecodePng(decoded, file.data(), uint32_t(file.size()));
                    FreeImage(decoded);
                });
                double tPng = MedianSeconds([&] {
                    Bytes pixels;
                    int bytes = 0;
                    DecodeWithLibpng(file, pixels, bytes);
                });
                double tStb = MedianSeconds([&] {
                    int w, h, n;
                    stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 0);
                    stbi_image_free(pixels);
                });
                std::printf("| %-34s | %8.2f | %8.2f | %8.2f | %6.2f | %6.2f |\n", name, tOurs * 1e3, tPng * 1e3,
                            tStb * 1e3, tPng / tOurs, tStb / tOurs);
            }
        }
    }
}

// ---- labyrinth and BMP ----

static void BenchLabyrinth(bool quick)
{
    int size = quick ? 256 : 4096;
    fs::path folder = fs::temp_directory_path() / "quorvel_bench_labyrinth";
    fs::create_directories(folder);
    std::string image = (folder / "maze.png").string();
    std::string palettePath = (folder / "Palette.txt").string();
    WriteWholeFile(image, MakeMazePng(size, size, 5));
    std::string paletteText = MazePalette();
    WriteWholeFile(palettePath, Bytes(paletteText.begin(), paletteText.end()));
    if (!LoadLabyrinth(image.c_str(), palettePath.c_str())) Disagree("the benchmark labyrinth did not load");
    double tDecode = MedianSeconds([&] {
        ImageData decoded = {};
        LoadPng(decoded, image.c_str());
        FreeImage(decoded);
    });
    double tLoad = MedianSeconds([&] { LoadLabyrinth(image.c_str(), palettePath.c_str()); });
    ReleaseLabyrinthGrid();
    fs::remove_all(folder);
    std::printf("\n### Labyrinth load against decoding the same image alone\n\n");
    std::printf("| labyrinth | decode ms | load ms | load / decode |\n|---|---:|---:|---:|\n");
    std::printf("| %dx%d RGB PNG | %.2f | %.2f | %.3f |\n", size, size, tDecode * 1e3, tLoad * 1e3, tLoad / tDecode);
}

static void BenchBmp(bool quick)
{
    int size = quick ? 256 : 4096;
    std::printf("\n### BMP read: ms per image (ratio > 1: ours faster)\n\n");
    std::printf("| image | ours | stb | /stb |\n|---|---:|---:|---:|\n");
    for (int bits : {24, 8}) {
        Bytes file = MakeBmp(size, size, bits, 3);
        double tOurs = MedianSeconds([&] {
            ImageData decoded = {};
            if (!DecodeBmp(decoded, file.data(), file.size())) allAgree = false;
            FreeImage(decoded);
        });
        double tStb = MedianSeconds([&] {
            int w, h, n;
            stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 3);
            stbi_image_free(pixels);
        });
        std::printf("| %d-bit %dx%d | %.2f | %.2f | %.2f |\n", bits, size, size, tOurs * 1e3, tStb * 1e3,
                    tStb / tOurs);
    }
}

int main(int argc, char** argv)
{
    bool quick = false;
    std::string dataDir = QUORVEL_DATA_DIR;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(stderr, "usage: quorvel_bench [--quick] [--data DIR] [--only inflate|png|labyrinth|bmp]\n");
            return 2;
        }
    }
    if (quick) repetitions = 1;
    std::printf("quorvel_bench: median of %d run(s) per cell%s\n", repetitions, quick ? ", quick mode" : "");
    if (only.empty() || only == "inflate") BenchInflate(quick, dataDir);
    if (only.empty() || only == "png") BenchPng(quick);
    if (only.empty() || only == "labyrinth") BenchLabyrinth(quick);
    if (only.empty() || only == "bmp") BenchBmp(quick);
    std::printf("\n%s\n", allAgree ? "all outputs agree with the peers" : "SOME OUTPUTS DISAGREE");
    return allAgree ? 0 : 1;
}
