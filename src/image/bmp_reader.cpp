#include "image/bmp_reader.h"

#include <cstdint>
#include <cstring>
#include <new>

// Windows bitmap as read here: a 14-byte file header ("BM", file size, reserved
// words, pixel-data offset), an info header of 40 bytes or one of its longer
// successors (52, 56, 108, 124 bytes; the extra fields only describe colour
// spaces and masks we do not use), the colour table of blue, green, red,
// reserved quads, then the pixel rows.

static const size_t FILE_HEADER_BYTES = 14;
static const unsigned COMPRESSION_NONE = 0;
static const unsigned COMPRESSION_RLE8 = 1;
static const unsigned COMPRESSION_RLE4 = 2;

// Largest pixel buffer we hand out. Far beyond any labyrinth or texture GL can
// take, and it keeps a tiny run-length file from asking for gigabytes.
static const size_t MAX_PIXEL_BYTES = size_t(1) << 30;
// The largest bitmap we accept, headers and table included, fits in this.
static const size_t MAX_FILE_BYTES = (size_t(1) << 30) + (size_t(1) << 20);

struct BmpLayout {
    int32_t width;          // > 0
    int32_t height;         // number of rows, > 0
    bool topDown;           // rows stored top row first (negative height in the file)
    unsigned bitCount;      // 1, 2, 4, 8 or 24
    unsigned compression;   // always COMPRESSION_NONE for 24-bit
    size_t tableStart;      // first colour-table byte
    unsigned tableEntries;  // quads the file actually holds, at most 2^bitCount
    size_t pixelStart;      // first pixel-data byte, never beyond the file's end
};

struct Rgb {
    unsigned char r, g, b;
};

static unsigned ReadU16Le(const unsigned char* p)
{
    return unsigned(p[0]) | (unsigned(p[1]) << 8);
}

static uint32_t ReadU32Le(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

static int32_t ReadI32Le(const unsigned char* p)
{
    uint32_t u = ReadU32Le(p);
    // Two's complement without relying on an out-of-range conversion.
    return u <= 0x7FFFFFFFu ? int32_t(u) : -int32_t(~u) - 1;
}

static bool IsKnownInfoHeaderSize(uint32_t size)
{
    // 12 is the old core header with 16-bit dimensions: a different layout, refused.
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

static bool IsSupportedBitCount(unsigned bitCount)
{
    return bitCount == 1 || bitCount == 2 || bitCount == 4 || bitCount == 8 || bitCount == 24;
}

// Where the colour table and the pixels lie. A pixel-data offset pointing into
// the headers or past the file is not believed; the pixels then follow a full table.
static void LocateTableAndPixels(size_t size, uint32_t pixelOffset, BmpLayout& layout)
{
    size_t fullTableBytes = layout.bitCount == 24 ? 0 : size_t(4) << layout.bitCount;
    size_t offset = pixelOffset;
    size_t tableBytes;
    if (offset >= layout.tableStart && offset <= size) {
        layout.pixelStart = offset;
        tableBytes = offset - layout.tableStart;
    } else {
        size_t afterTable = layout.tableStart + fullTableBytes;
        layout.pixelStart = afterTable < size ? afterTable : size;
        tableBytes = size - layout.tableStart;
    }
    if (tableBytes > fullTableBytes) tableBytes = fullTableBytes;
    layout.tableEntries = unsigned(tableBytes / 4);
}

ImageRefusal ReadBmpHeader(const unsigned char* data, size_t size, BmpHeader& out)
{
    if (data == nullptr || size < 2 || data[0] != 'B' || data[1] != 'M') return ImageRefusal::BMP_NO_SIGNATURE;
    if (size < FILE_HEADER_BYTES + 4) return ImageRefusal::BMP_HEADER_CUT;
    BmpHeader h = {};
    h.infoHeaderBytes = ReadU32Le(data + 14);
    h.pixelOffset = ReadU32Le(data + 10);
    if (h.infoHeaderBytes == 12) {
        if (size < FILE_HEADER_BYTES + 12) return ImageRefusal::BMP_HEADER_CUT;
        h.width = int32_t(ReadU16Le(data + 18));
        h.height = int32_t(ReadU16Le(data + 20));
        h.bitCount = ReadU16Le(data + 24);
        out = h;
        return ImageRefusal::NONE;
    }
    if (h.infoHeaderBytes < 40) return ImageRefusal::BMP_INFO_HEADER_SIZE;
    // The sides come first, so that a file cut short still says how large it claims to be.
    if (size < FILE_HEADER_BYTES + 12) return ImageRefusal::BMP_HEADER_CUT;
    h.width = ReadI32Le(data + 18);
    h.height = ReadI32Le(data + 22);
    h.fieldsCut = size < FILE_HEADER_BYTES + 40;
    if (!h.fieldsCut) {
        h.bitCount = ReadU16Le(data + 28);
        h.compression = ReadU32Le(data + 30);
        h.coloursUsed = ReadU32Le(data + 46);
    }
    out = h;
    return ImageRefusal::NONE;
}

// Sides beyond the limit are told before anything else is judged, whatever else is
// wrong with the file, as long as the header is one that has them at 32 bits.
static ImageRefusal ReadLayout(const unsigned char* data, size_t size, BmpLayout& layout)
{
    BmpHeader h;
    ImageRefusal refusal = ReadBmpHeader(data, size, h);
    if (refusal != ImageRefusal::NONE) return refusal;
    if (h.infoHeaderBytes == 12) return ImageRefusal::BMP_CORE_HEADER;
    if (h.width > MAX_IMAGE_SIDE || h.height > MAX_IMAGE_SIDE || h.height < -MAX_IMAGE_SIDE)
        return ImageRefusal::TOO_LARGE;
    if (h.fieldsCut || size - FILE_HEADER_BYTES < h.infoHeaderBytes) return ImageRefusal::BMP_HEADER_CUT;
    if (!IsKnownInfoHeaderSize(h.infoHeaderBytes)) return ImageRefusal::BMP_INFO_HEADER_SIZE;
    if (h.compression > COMPRESSION_RLE4) return ImageRefusal::BMP_COMPRESSION;
    if (!IsSupportedBitCount(h.bitCount)) return ImageRefusal::BMP_BIT_COUNT;
    if (h.width < 0) return ImageRefusal::BMP_NEGATIVE_WIDTH;
    if (h.width == 0 || h.height == 0) return ImageRefusal::BMP_NO_PIXELS;
    uint32_t compression = h.compression;
    if (h.bitCount == 24) {
        compression = COMPRESSION_NONE;   // direct colour is never run-length coded
    } else if ((compression == COMPRESSION_RLE8 && h.bitCount != 8) ||
               (compression == COMPRESSION_RLE4 && h.bitCount != 4)) {
        return ImageRefusal::BMP_RLE_BIT_COUNT;
    }

    layout.width = h.width;
    layout.height = h.height < 0 ? -h.height : h.height;
    layout.topDown = h.height < 0;
    layout.bitCount = h.bitCount;
    layout.compression = compression;
    layout.tableStart = FILE_HEADER_BYTES + h.infoHeaderBytes;
    LocateTableAndPixels(size, h.pixelOffset, layout);
    return ImageRefusal::NONE;
}

// Entries the file does not hold stay black.
static void ReadColourTable(const unsigned char* data, const BmpLayout& layout, Rgb palette[256])
{
    std::memset(palette, 0, 256 * sizeof(Rgb));
    const unsigned char* quad = data + layout.tableStart;
    for (unsigned i = 0; i < layout.tableEntries; ++i, quad += 4) {
        palette[i].r = quad[2];
        palette[i].g = quad[1];
        palette[i].b = quad[0];
    }
}

// Output row for the file's row `fileRow`: ImageData keeps the bottom row first.
static unsigned char* OutputRow(unsigned char* pixels, size_t stride, const BmpLayout& layout,
                                size_t fileRow)
{
    size_t row = layout.topDown ? size_t(layout.height) - 1 - fileRow : fileRow;
    return pixels + row * stride;
}

static void PutPixel(unsigned char* row, size_t x, const Rgb& colour)
{
    row[3 * x] = colour.r;
    row[3 * x + 1] = colour.g;
    row[3 * x + 2] = colour.b;
}

// Where uncompressed rows go as they are read: into the image, bottom row first, or
// one at a time to a sink through a single row buffer, handed over as each is done.
struct RowTarget {
    const BmpLayout* layout;
    unsigned char* pixels;  // the image, or with a sink the one row
    size_t stride;
    ImageRowSink* sink;

    unsigned char* Row(size_t fileRow) const
    {
        return sink ? pixels : OutputRow(pixels, stride, *layout, fileRow);
    }
    void Done(size_t fileRow) const
    {
        if (!sink) return;
        size_t pictureRow = layout->topDown ? fileRow : size_t(layout->height) - 1 - fileRow;
        sink->Row(int32_t(pictureRow), pixels);
    }
};

static bool ReadDirectRows(const unsigned char* data, size_t size, const BmpLayout& layout,
                           const RowTarget& target)
{
    // A 24-bit file row is padded to 4 bytes just like an ImageData row.
    const size_t stride = target.stride;
    if ((size - layout.pixelStart) / stride < size_t(layout.height)) return false;
    const unsigned char* src = data + layout.pixelStart;
    for (size_t y = 0; y < size_t(layout.height); ++y, src += stride) {
        unsigned char* dst = target.Row(y);
        std::memcpy(dst, src, stride);
        for (size_t x = 0; x < size_t(layout.width); ++x) {
            unsigned char blue = dst[3 * x];
            dst[3 * x] = dst[3 * x + 2];
            dst[3 * x + 2] = blue;
        }
        target.Done(y);
    }
    return true;
}

static bool ReadPaletteRows(const unsigned char* data, size_t size, const BmpLayout& layout,
                            const Rgb palette[256], const RowTarget& target)
{
    unsigned bits = layout.bitCount;
    size_t srcStride = size_t((uint64_t(layout.width) * bits + 31) / 32 * 4);
    if ((size - layout.pixelStart) / srcStride < size_t(layout.height)) return false;
    unsigned mask = (1u << bits) - 1;
    const unsigned char* src = data + layout.pixelStart;
    for (size_t y = 0; y < size_t(layout.height); ++y, src += srcStride) {
        unsigned char* dst = target.Row(y);
        for (size_t x = 0; x < size_t(layout.width); ++x) {
            // The leftmost pixel sits in the most significant bits of its byte.
            size_t bit = x * bits;
            unsigned shift = 8 - bits - unsigned(bit % 8);
            PutPixel(dst, x, palette[(src[bit / 8] >> shift) & mask]);
        }
        target.Done(y);
    }
    return true;
}

// Run-length decoding keeps a row and column. A run that reaches past the row's
// end loses its surplus pixels and leaves the column at the end; only an
// end-of-line, delta or end-of-bitmap code leaves that row. Pixels no code
// writes keep the fill colour painted beforehand, which is what end-of-line,
// delta and end-of-bitmap mean, and also covers a stream that stops early.
struct RleCursor {
    const BmpLayout* layout;
    const Rgb* palette;
    unsigned char* pixels;
    size_t stride;
    size_t row;
    size_t column;   // 0 to width
};

static void PutRlePixel(RleCursor& c, unsigned index)
{
    if (c.column >= size_t(c.layout->width)) return;
    PutPixel(OutputRow(c.pixels, c.stride, *c.layout, c.row), c.column, c.palette[index]);
    ++c.column;
}

// An absolute run of `count` pixels; returns the bytes it takes in the stream,
// including the pad byte that keeps codes on 16-bit boundaries.
static size_t DecodeAbsoluteRun(RleCursor& c, const unsigned char* src, size_t available,
                                unsigned count)
{
    bool rle8 = c.layout->compression == COMPRESSION_RLE8;
    size_t bytes = rle8 ? count : (count + 1) / 2;
    size_t usable = bytes < available ? bytes : available;
    for (unsigned i = 0; i < count && (rle8 ? i : i / 2) < usable; ++i) {
        unsigned value = src[rle8 ? i : i / 2];
        PutRlePixel(c, rle8 ? value : (i % 2 == 0 ? value >> 4 : value & 15));
    }
    return bytes + (bytes & 1);
}

static void DecodeRunLengths(const unsigned char* data, size_t size, RleCursor& c)
{
    bool rle8 = c.layout->compression == COMPRESSION_RLE8;
    size_t height = size_t(c.layout->height);
    size_t width = size_t(c.layout->width);
    size_t pos = c.layout->pixelStart;
    while (c.row < height && size - pos >= 2) {
        unsigned count = data[pos];
        unsigned value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && c.column < width; ++i)
                PutRlePixel(c, rle8 ? value : (i % 2 == 0 ? value >> 4 : value & 15));
        } else if (value == 0) {
            // At a row's start there is nothing to end: a row filled exactly by
            // runs and then closed does not skip the next one.
            if (c.column > 0) {
                ++c.row;
                c.column = 0;
            }
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (size - pos < 2) return;
            size_t dx = data[pos], dy = data[pos + 1];
            pos += 2;
            c.column = c.column + dx < width ? c.column + dx : width;
            c.row += dy;
        } else {
            size_t taken = DecodeAbsoluteRun(c, data + pos, size - pos, value);
            pos = taken < size - pos ? pos + taken : size;
        }
    }
}

static void ReadRunLengthRows(const unsigned char* data, size_t size, const BmpLayout& layout,
                              const Rgb palette[256], unsigned char* pixels, size_t stride)
{
    const Rgb& fill = palette[layout.compression == COMPRESSION_RLE8 ? 255 : 15];
    for (size_t y = 0; y < size_t(layout.height); ++y)
        for (size_t x = 0; x < size_t(layout.width); ++x) PutPixel(pixels + y * stride, x, fill);
    RleCursor cursor = {&layout, palette, pixels, stride, 0, 0};
    DecodeRunLengths(data, size, cursor);
}

// A 24-bit file's rows are already three bytes a pixel in ImageData's stride; a sink
// that takes them blue first reads them where they lie. The caller has checked that
// every row is in the file.
static void SendFileRows(const unsigned char* data, const BmpLayout& layout, ImageRowSink& sink)
{
    const size_t stride = ImageRowStride(layout.width, 3);
    const unsigned char* src = data + layout.pixelStart;
    for (size_t y = 0; y < size_t(layout.height); ++y, src += stride)
        sink.Row(int32_t(layout.topDown ? y : size_t(layout.height) - 1 - y), src);
}

// Run-length rows are written in whatever order the codes go, so with a sink they
// must come from a whole image; the caller sees to that.
static bool ReadPixels(const unsigned char* data, size_t size, const BmpLayout& layout,
                       const RowTarget& target)
{
    if (layout.bitCount == 24) return ReadDirectRows(data, size, layout, target);
    Rgb palette[256];
    ReadColourTable(data, layout, palette);
    if (layout.compression == COMPRESSION_NONE) return ReadPaletteRows(data, size, layout, palette, target);
    if (target.sink) return false;
    ReadRunLengthRows(data, size, layout, palette, target.pixels, target.stride);
    return true;
}

// Before anything is allocated: uncompressed rows must all be in the file,
// and a run-length stream must be long enough to reach the last row. Each
// end-of-line code (2 bytes) moves one row down and each delta (4 bytes) at
// most 255, so n bytes reach fewer than 64 n rows; rows past the end-of-bitmap
// code are filled, but only up to where the stream could have gone.
static ImageRefusal CheckFileHoldsPixels(size_t size, const BmpLayout& layout)
{
    const size_t available = size - layout.pixelStart;
    if (layout.compression == COMPRESSION_NONE) {
        const size_t rowBits = size_t(layout.width) * layout.bitCount;
        const size_t fileStride = (rowBits + 31) / 32 * 4;
        return available / fileStride >= size_t(layout.height) ? ImageRefusal::NONE : ImageRefusal::BMP_ROWS_CUT;
    }
    return (size_t(layout.height) - 1) / 64 <= available ? ImageRefusal::NONE : ImageRefusal::BMP_RUNS_CUT;
}

static ImageRefusal ReadCheckedLayout(const unsigned char* data, size_t size, BmpLayout& layout)
{
    ImageRefusal refusal = ReadLayout(data, size, layout);
    return refusal != ImageRefusal::NONE ? refusal : CheckFileHoldsPixels(size, layout);
}

ImageRefusal DecodeBmp(ImageData& out, const unsigned char* data, size_t size)
{
    BmpLayout layout;
    ImageRefusal refusal = ReadCheckedLayout(data, size, layout);
    if (refusal != ImageRefusal::NONE) return refusal;
    // Beyond reach while the sides are at most MAX_IMAGE_SIDE.
    size_t stride = ImageRowStride(layout.width, 3);
    if (stride == 0 || size_t(layout.height) > MAX_PIXEL_BYTES / stride) return ImageRefusal::TOO_LARGE;

    size_t bytes = stride * size_t(layout.height);
    unsigned char* pixels = AllocatePixels(bytes);
    if (pixels == nullptr) return ImageRefusal::OUT_OF_MEMORY;
    // Row padding carries no meaning; keep it from being uninitialised memory.
    std::memset(pixels, 0, bytes);
    if (!ReadPixels(data, size, layout, RowTarget{&layout, pixels, stride, nullptr})) {
        delete[] pixels;
        return ImageRefusal::BMP_ROWS_CUT;
    }
    out.width = layout.width;
    out.height = layout.height;
    out.format = IMAGE_FORMAT_RGB;
    out.components = 3;
    out.pixels = pixels;
    return ImageRefusal::NONE;
}

ImageRefusal DecodeBmpRows(const unsigned char* data, size_t size, ImageRowSink& sink)
{
    BmpLayout layout;
    ImageRefusal refusal = ReadCheckedLayout(data, size, layout);
    if (refusal != ImageRefusal::NONE) return refusal;
    const size_t stride = ImageRowStride(layout.width, 3);
    if (stride == 0) return ImageRefusal::TOO_LARGE;
    if (layout.bitCount == 24 && sink.BeginBlueFirst(layout.width, layout.height)) {
        SendFileRows(data, layout, sink);
        return ImageRefusal::NONE;
    }
    if (layout.compression != COMPRESSION_NONE) {
        ImageData image = {};
        refusal = DecodeBmp(image, data, size);
        if (refusal == ImageRefusal::NONE && !SendImageRows(image, sink)) refusal = ImageRefusal::ROWS_REFUSED;
        FreeImage(image);
        return refusal;
    }
    unsigned char* row = AllocatePixels(stride);
    if (row == nullptr) return ImageRefusal::OUT_OF_MEMORY;
    std::memset(row, 0, stride);
    if (!sink.Begin(layout.width, layout.height, 3))
        refusal = ImageRefusal::ROWS_REFUSED;
    else if (!ReadPixels(data, size, layout, RowTarget{&layout, row, stride, &sink}))
        refusal = ImageRefusal::BMP_ROWS_CUT;
    delete[] row;
    return refusal;
}

ImageRefusal LoadBmp(ImageData& out, const char* path)
{
    unsigned char* data = nullptr;
    size_t size = 0;
    if (!ReadImageFile(path, MAX_FILE_BYTES, data, size)) return ImageRefusal::CANNOT_OPEN;
    ImageRefusal refusal = DecodeBmp(out, data, size);
    delete[] data;
    return refusal;
}
