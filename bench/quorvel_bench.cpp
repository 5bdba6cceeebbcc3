// quorvel_bench: decoding speed side by side with the libraries a developer
// would otherwise reach for, on the same inputs, reported as ratios.
//
//   quorvel_bench [--quick] [--fresh-memory] [--data DIR] [--only inflate|png|labyrinth|bmp|frame|game]
//
// Each row times ours and the peers in alternation, round after round, and reports the
// median of the per-round ratios with their inter-quartile range, so a reader can tell a
// real difference from noise.
//
// --quick uses small inputs and one round, so CI can check that the
// benchmark builds and its outputs agree; it asserts no times.
#include <libdeflate.h>
#include <png.h>
#include <zlib.h>
#include <stb/stb_image.h>

#ifdef __linux__
#include <sched.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_data.h"
#include "bench_frame.h"
#include "bench_game.h"
#include "image/bmp_reader.h"
#include "labyrinth/labyrinth.h"
#include "image/inflate.h"
#include "image/png_decoder.h"

namespace fs = std::filesystem;

static int rounds = 11;
static bool allAgree = true;

// What one table row measured: our median time, each peer's, and for each peer the
// median of the per-round ratios (peer time / our time) with their inter-quartile range.
struct Comparison {
    double ours;
    std::vector<double> peers;
    std::vector<double> ratios;
    std::vector<double> spreads;
};

static double Quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    double at = q * double(values.size() - 1);
    size_t low = size_t(at);
    size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - double(low));
}

static double SecondsOf(const std::function<void()>& work, int batch)
{
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < batch; ++i) work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / batch;
}

// Times ours and each peer in turn within every round, so that whatever else the machine
// is doing weighs on both sides of a ratio alike; the order alternates between rounds so
// neither side always runs on caches the other left. Short pieces of work are repeated
// within a timing to last a few milliseconds each. The first call of each side warms it.
static Comparison Compare(const std::function<void()>& ours, const std::vector<std::function<void()>>& peers)
{
    std::vector<const std::function<void()>*> sides = {&ours};
    for (const auto& peer : peers) sides.push_back(&peer);
    std::vector<int> batch(sides.size(), 1);
    for (size_t s = 0; s < sides.size(); ++s) {
        double once = SecondsOf(*sides[s], 1);
        if (rounds > 1 && once < 0.004) batch[s] = int(std::min(1000.0, 0.004 / std::max(once, 1e-7))) + 1;
    }
    std::vector<std::vector<double>> times(sides.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t k = 0; k < sides.size(); ++k) {
            size_t s = round % 2 == 0 ? k : sides.size() - 1 - k;
            times[s].push_back(SecondsOf(*sides[s], batch[s]));
        }
    }
    Comparison c;
    c.ours = Quantile(times[0], 0.5);
    for (size_t s = 1; s < sides.size(); ++s) {
        std::vector<double> ratios;
        for (int round = 0; round < rounds; ++round) ratios.push_back(times[s][round] / times[0][round]);
        c.peers.push_back(Quantile(times[s], 0.5));
        c.ratios.push_back(Quantile(ratios, 0.5));
        c.spreads.push_back(Quantile(ratios, 0.75) - Quantile(ratios, 0.25));
    }
    return c;
}

// The lowest ratio of each peer column over a table, reported under it.
struct Worst {
    std::vector<double> ratio;
    std::vector<std::string> row;

    void Note(const std::string& name, const Comparison& c)
    {
        ratio.resize(c.ratios.size(), 1e9);
        row.resize(c.ratios.size());
        for (size_t i = 0; i < c.ratios.size(); ++i)
            if (c.ratios[i] < ratio[i]) {
                ratio[i] = c.ratios[i];
                row[i] = name;
            }
    }
    void Print(const std::vector<const char*>& peerNames) const
    {
        std::printf("\n");
        for (size_t i = 0; i < ratio.size(); ++i)
            std::printf("lowest ratio to %s: %.2f (%s)\n", peerNames[i], ratio[i], row[i].c_str());
    }
};

// Pins the process to the processor it runs on, where the system lets it: moving
// between cores mid-measurement costs cold caches on whichever side moved.
static void PinToOneCpu()
{
#ifdef __linux__
    int cpu = sched_getcpu();
    cpu_set_t set;
    CPU_ZERO(&set);
    if (cpu >= 0) CPU_SET(cpu, &set);
    if (cpu >= 0 && sched_setaffinity(0, sizeof set, &set) == 0) {
        std::printf("pinned to CPU %d\n", cpu);
        return;
    }
#endif
    std::printf("not pinned to one CPU\n");
}

// Each round allocates its output afresh, tens of MiB for the large images. Left to itself
// the allocator hands blocks that large back to the kernel when they are freed, and the
// next round pays a page fault for each 4 KiB it writes: on the virtual machines we measure
// on, about 2.5 ms per MiB, the same for every decoder that writes the same image and more
// than all the decoding of a 4096 x 4096 one. With freed memory kept and reused, the rows
// compare the decoders' own work. --fresh-memory leaves the allocator as it is.
static void KeepFreedMemory(bool fresh)
{
    if (fresh) {
        std::printf("fresh memory: freed blocks go back to the system\n");
        return;
    }
#ifdef __GLIBC__
    const int limit = 1 << 30;
    if (mallopt(M_MMAP_THRESHOLD, limit) == 1 && mallopt(M_TRIM_THRESHOLD, limit) == 1) {
        std::printf("freed memory is kept for reuse (blocks up to 1 GiB come from the heap)\n");
        return;
    }
#endif
    std::printf("freed memory may go back to the system: large rows include page faults\n");
}

static void Disagree(const std::string& what)
{
    std::printf("OUTPUT MISMATCH: %s\n", what.c_str());
    allAgree = false;
}

// ---- inflate ----

static Worst inflateWorst;

static void BenchInflateStream(const std::string& name, const Bytes& stream, size_t outSize)
{
    Bytes ours(outSize), theirs(outSize);
    if (InflateZlibStream(stream.data(), uint32_t(stream.size()), ours.data(), uint32_t(outSize)) !=
        ImageRefusal::NONE) {
        Disagree(name + ": our inflate refused the stream");
        return;
    }
    uLongf zlibSize = uLongf(outSize);
    if (uncompress(theirs.data(), &zlibSize, stream.data(), uLong(stream.size())) != Z_OK || ours != theirs) {
        Disagree(name + ": output differs from zlib");
        return;
    }
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    size_t actual = 0;
    if (libdeflate_zlib_decompress(decompressor, stream.data(), stream.size(), theirs.data(), outSize, &actual) !=
            LIBDEFLATE_SUCCESS ||
        ours != theirs) {
        Disagree(name + ": output differs from libdeflate");
        libdeflate_free_decompressor(decompressor);
        return;
    }
    Comparison c = Compare(
        [&] { InflateZlibStream(stream.data(), uint32_t(stream.size()), ours.data(), uint32_t(outSize)); },
        {[&] {
             uLongf size = uLongf(outSize);
             uncompress(theirs.data(), &size, stream.data(), uLong(stream.size()));
         },
         [&] {
             size_t got = 0;
             libdeflate_zlib_decompress(decompressor, stream.data(), stream.size(), theirs.data(), outSize, &got);
         }});
    libdeflate_free_decompressor(decompressor);
    inflateWorst.Note(name, c);
    double mb = double(outSize) / 1e6;
    std::printf("| %-34s | %8.1f | %8.1f | %8.1f | %5.2f | %4.2f | %5.2f | %4.2f |\n", name.c_str(), mb / c.ours,
                mb / c.peers[0], mb / c.peers[1], c.ratios[0], c.spreads[0], c.ratios[1], c.spreads[1]);
}

static void BenchInflate(bool quick, const std::string& dataDir)
{
    std::printf("\n### Inflate: MB/s of output (ratio > 1: ours faster)\n\n");
    std::printf("| %-34s | %8s | %8s | %8s | %5s | %4s | %5s | %4s |\n", "stream", "ours", "zlib", "libdefl",
                "/zlib", "iqr", "/ldef", "iqr");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
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
    // Streams made to cost the most time per byte of input or output.
    for (const HostileStream& hostile : MakeHostileStreams(quick))
        BenchInflateStream(hostile.name, hostile.stream, hostile.outSize);
    inflateWorst.Print({"zlib", "libdeflate"});
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

// libpng's decode to 8-bit samples, palette expanded, rows top first, into a buffer
// allocated as ours is (not zeroed first); the caller releases it with delete[]. Null
// when libpng refuses the file.
static unsigned char* DecodeWithLibpng(const Bytes& file, int& rowBytes)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    unsigned char* pixels = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] pixels;
        return nullptr;
    }
    MemoryReader reader = {&file, 0};
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    png_read_update_info(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    rowBytes = int(png_get_rowbytes(png, info));
    pixels = new unsigned char[size_t(rowBytes) * height];
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + size_t(y) * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return pixels;
}

static bool SameAsTopDown(const ImageData& image, const unsigned char* topDown, int rowBytes)
{
    size_t stride = ImageRowStride(image.width, image.components);
    if (size_t(rowBytes) != size_t(image.width) * image.components) return false;
    for (int y = 0; y < image.height; ++y) {
        const unsigned char* ours = image.pixels + size_t(image.height - 1 - y) * stride;
        if (std::memcmp(ours, &topDown[size_t(y) * rowBytes], size_t(rowBytes)) != 0) return false;
    }
    return true;
}

static void BenchPng(bool quick, const char* memory)
{
    std::printf("\n### PNG decode, %s: ms per image (ratio > 1: ours faster)\n\n", memory);
    std::printf("| %-34s | %8s | %8s | %8s | %5s | %4s | %5s | %4s |\n", "image", "ours", "libpng", "stb",
                "/png", "iqr", "/stb", "iqr");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    Worst worst;
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
                int rowBytes = 0;
                unsigned char* reference = DecodeWithLibpng(file, rowBytes);
                ImageData image = {};
                bool same = reference && DecodePng(image, file.data(), uint32_t(file.size())) == ImageRefusal::NONE &&
                            SameAsTopDown(image, reference, rowBytes);
                FreeImage(image);
                delete[] reference;
                if (!same) {
                    Disagree(std::string(name) + ": pixels differ from libpng");
                    continue;
                }
                Comparison c = Compare(
                    [&] {
                        ImageData decoded = {};
                        DecodePng(decoded, file.data(), uint32_t(file.size()));
                        FreeImage(decoded);
                    },
                    {[&] {
                         int bytes = 0;
                         delete[] DecodeWithLibpng(file, bytes);
                     },
                     [&] {
                         int w, h, n;
                         stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 0);
                         stbi_image_free(pixels);
                     }});
                worst.Note(name, c);
                std::printf("| %-34s | %8.2f | %8.2f | %8.2f | %5.2f | %4.2f | %5.2f | %4.2f |\n", name,
                            c.ours * 1e3, c.peers[0] * 1e3, c.peers[1] * 1e3, c.ratios[0], c.spreads[0],
                            c.ratios[1], c.spreads[1]);
            }
        }
    }
    worst.Print({"libpng", "stb_image"});
}

// ---- labyrinth and BMP ----

static void BenchLabyrinth(bool quick)
{
    int size = quick ? 256 : 4096;
    fs::path folder = fs::temp_directory_path() / "quorvel_bench_labyrinth";
    fs::create_directories(folder);
    std::string palettePath = (folder / "Palette.txt").string();
    std::string paletteText = MazePalette();
    WriteWholeFile(palettePath, Bytes(paletteText.begin(), paletteText.end()));
    std::printf("\n### Labyrinth load against decoding the same image alone (lower is better)\n\n");
    std::printf("| labyrinth | decode ms | load ms | load / decode | iqr |\n|---|---:|---:|---:|---:|\n");
    struct Kind {
        const char* name;
        const char* file;
        Bytes bytes;
        ImageRefusal (*decode)(ImageData&, const char*);
    };
    const Kind kinds[] = {{"RGB PNG", "maze.png", MakeMazePng(size, size, 5), LoadPng},
                          {"24-bit BMP", "maze.bmp", MakeMazeBmp(size, size, 5), LoadBmp}};
    for (const Kind& kind : kinds) {
        std::string image = (folder / kind.file).string();
        WriteWholeFile(image, kind.bytes);
        Labyrinth labyrinth;
        if (!LoadLabyrinth(labyrinth, image.c_str(), palettePath.c_str())) Disagree("the benchmark labyrinth did not load");
        Comparison c = Compare(
            [&] {
                ImageData decoded = {};
                kind.decode(decoded, image.c_str());
                FreeImage(decoded);
            },
            {[&] { LoadLabyrinth(labyrinth, image.c_str(), palettePath.c_str()); }});
        ReleaseLabyrinth(labyrinth);
        std::printf("| %dx%d %s | %.2f | %.2f | %.3f | %.3f |\n", size, size, kind.name, c.ours * 1e3, c.peers[0] * 1e3,
                    c.ratios[0], c.spreads[0]);
    }
    fs::remove_all(folder);
}

static void BenchBmp(bool quick)
{
    int size = quick ? 256 : 4096;
    std::printf("\n### BMP read: ms per image (ratio > 1: ours faster)\n\n");
    std::printf("| image | ours | stb | /stb | iqr |\n|---|---:|---:|---:|---:|\n");
    for (int bits : {24, 8}) {
        Bytes file = MakeBmp(size, size, bits, 3);
        Comparison c = Compare(
            [&] {
                ImageData decoded = {};
                if (DecodeBmp(decoded, file.data(), file.size()) != ImageRefusal::NONE) allAgree = false;
                FreeImage(decoded);
            },
            {[&] {
                int w, h, n;
                stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 3);
                stbi_image_free(pixels);
            }});
        std::printf("| %d-bit %dx%d | %.2f | %.2f | %.2f | %.2f |\n", bits, size, size, c.ours * 1e3,
                    c.peers[0] * 1e3, c.ratios[0], c.spreads[0]);
    }
}

int main(int argc, char** argv)
{
    bool quick = false, freshMemory = false;
    std::string dataDir = QUORVEL_DATA_DIR;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--fresh-memory") == 0) {
            freshMemory = true;
        } else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(stderr, "usage: quorvel_bench [--quick] [--fresh-memory] [--data DIR]"
                                 " [--only inflate|png|labyrinth|bmp|frame|game]\n");
            return 2;
        }
    }
    if (quick) rounds = 1;
    std::printf("quorvel_bench: %d interleaved round(s) per row; ratios are medians of the per-round ratios, "
                "iqr their inter-quartile range%s\n",
                rounds, quick ? "; quick mode" : "");
    PinToOneCpu();
    const bool png = only.empty() || only == "png";
    // The PNG table on fresh memory comes first, while the allocator still works as it
    // starts: setting its thresholds back later would not give its own sliding ones.
    if (png && !freshMemory) BenchPng(quick, "fresh memory (the allocator left alone)");
    KeepFreedMemory(freshMemory);
    if (only.empty() || only == "inflate") BenchInflate(quick, dataDir);
    if (png) BenchPng(quick, freshMemory ? "fresh memory" : "memory reused");
    if (only.empty() || only == "labyrinth") BenchLabyrinth(quick);
    if (only.empty() || only == "bmp") BenchBmp(quick);
    if (only.empty() || only == "frame") BenchFrame(quick, rounds);
    if (only.empty() || only == "game") BenchGame(quick, rounds);
    std::printf("\n%s\n", allAgree ? "all outputs agree with the peers" : "SOME OUTPUTS DISAGREE");
    return allAgree ? 0 : 1;
}
