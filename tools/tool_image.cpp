// quorvel-tool info and decode: what the game's image readers make of a file.
// argv[0] is the sub-command's name; the rest are its arguments.
#include "tool_commands.h"

#include <cstdio>
#include <cstring>

#include "image/image_inspect.h"
#include "image/image_reader.h"

static const char INFO_USAGE[] =
    "usage: quorvel-tool info IMAGE\n"
    "  Prints the reader that accepts IMAGE (PNG or BMP), its width, height,\n"
    "  components and GL format, then how the file is stored: for BMP the bits\n"
    "  per pixel, compression, colour table and row order; for PNG the colour\n"
    "  type, bit depth, IDAT chunk count and interlacing. A refused file gets the\n"
    "  game's reason on stderr and, when its header can be read, the same details.\n"
    "  Exit 0 done, 1 image refused, 2 usage error.\n";
static const char DECODE_USAGE[] =
    "usage: quorvel-tool decode IMAGE OUT.pam\n"
    "  Decodes IMAGE as the game does and writes it as a PAM file, top row\n"
    "  first. Exit 0 done, 1 image refused, 2 usage or output error.\n";

static bool IsHelp(const char* arg)
{
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

// Usage handling shared by both commands; returns -1 when the arguments are
// fine, otherwise the exit code.
static int CheckArguments(int argc, char** argv, int wanted, const char* usage)
{
    if (argc >= 2 && IsHelp(argv[1])) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != wanted) {
        std::fputs(usage, stderr);
        return 2;
    }
    return -1;
}

// Reads the file as the game does. Returns the name of the reader that took
// it, or null after naming the check that refused it: finer than the few
// words the game shows a player, which is what an author needs here.
static const char* LoadAsTheGameDoes(ImageData& image, const char* path)
{
    image = ImageData{0, 0, 0, 0, nullptr};
    const char* reader = nullptr;
    const ImageRefusal refusal = ReadImage(image, path, &reader);
    if (refusal == ImageRefusal::NONE) return reader;
    std::fprintf(stderr, "quorvel-tool: %s: %s\n", path, RefusalText(refusal));
    return nullptr;
}

static const char* FormatName(uint32_t format)
{
    switch (format) {
    case IMAGE_FORMAT_LUMINANCE: return "GL_LUMINANCE";
    case IMAGE_FORMAT_LUMINANCE_ALPHA: return "GL_LUMINANCE_ALPHA";
    case IMAGE_FORMAT_RGB: return "GL_RGB";
    case IMAGE_FORMAT_RGBA: return "GL_RGBA";
    default: return "unknown";
    }
}

static const char* TupleType(unsigned components)
{
    static const char* const names[] = {"GRAYSCALE", "GRAYSCALE_ALPHA", "RGB", "RGB_ALPHA"};
    return names[components - 1];
}

static void PrintEncoding(const ImageEncoding& e)
{
    if (e.container == IMAGE_CONTAINER_BMP) {
        std::printf("bits per pixel: %u\ncompression: %s\ncolour table: %u entries\nrows: %s\ninfo header: %u bytes\n",
                    e.bitsPerPixel, BmpCompressionName(e.compression), unsigned(e.colourTableEntries),
                    e.topDown ? "top-down" : "bottom-up", unsigned(e.infoHeaderBytes));
        return;
    }
    std::printf("colour type: %u (%s)\nbit depth: %u\nIDAT chunks: %u\ninterlace: %s\n", e.colourType,
                PngColourTypeName(e.colourType), e.bitDepth, unsigned(e.idatChunks),
                e.interlace == 0 ? "none" : e.interlace == 1 ? "Adam7" : "unknown");
    if (e.chunksCutShort) std::printf("chunks: the file ends before IEND\n");
}

// The header facts of a file, whether or not a reader takes it; false when
// it is no BMP or PNG at all (or cannot be read).
static bool DescribeEncoding(const char* path, bool withContainer)
{
    unsigned char* data = nullptr;
    size_t size = 0;
    if (!ReadImageFile(path, ~size_t(0), data, size)) return false;
    ImageEncoding encoding;
    const bool known = InspectImage(data, size, encoding);
    delete[] data;
    if (!known) return false;
    if (withContainer) std::printf("container: %s\n", encoding.container == IMAGE_CONTAINER_BMP ? "BMP" : "PNG");
    PrintEncoding(encoding);
    return true;
}

int RunInfo(int argc, char** argv)
{
    int early = CheckArguments(argc, argv, 2, INFO_USAGE);
    if (early >= 0) return early;
    ImageData image;
    const char* reader = LoadAsTheGameDoes(image, argv[1]);
    if (reader == nullptr) {
        DescribeEncoding(argv[1], true);
        return 1;
    }
    std::printf("reader: %s\nwidth: %d\nheight: %d\ncomponents: %u\nformat: %s\n", reader, int(image.width),
                int(image.height), unsigned(image.components), FormatName(image.format));
    FreeImage(image);
    DescribeEncoding(argv[1], false);
    return 0;
}

// P7 header, then the rows top row first without the 4-byte padding.
static bool WritePam(std::FILE* file, const ImageData& image)
{
    if (std::fprintf(file, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %u\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n",
                     int(image.width), int(image.height), unsigned(image.components),
                     TupleType(image.components)) < 0)
        return false;
    size_t stride = ImageRowStride(image.width, image.components);
    size_t rowBytes = size_t(image.width) * image.components;
    for (int32_t y = image.height - 1; y >= 0; --y) {
        if (std::fwrite(image.pixels + size_t(y) * stride, 1, rowBytes, file) != rowBytes) return false;
    }
    return true;
}

int RunDecode(int argc, char** argv)
{
    int early = CheckArguments(argc, argv, 3, DECODE_USAGE);
    if (early >= 0) return early;
    const char* outPath = argv[2];
    ImageData image;
    if (LoadAsTheGameDoes(image, argv[1]) == nullptr) return 1;
    std::FILE* out = std::fopen(outPath, "wb");
    bool written = out != nullptr && WritePam(out, image);
    if (out != nullptr && std::fclose(out) != 0) written = false;
    FreeImage(image);
    if (!written) {
        std::fprintf(stderr, "quorvel-tool: %s: cannot write the PAM file\n", outPath);
        if (out != nullptr) std::remove(outPath);   // no half-written picture left behind
        return 2;
    }
    return 0;
}
