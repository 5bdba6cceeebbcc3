#include "image/png_decoder.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "image/inflate.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUORVEL_PNG_SSE2 1
#endif

namespace {

const unsigned char PNG_SIGNATURE[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// A deflate stream yields at most 1032 bytes per input byte (a 258-byte match in two
// bits), so an image needing more than that can never be filled by the data given.
const uint64_t MAX_DEFLATE_EXPANSION = 1032;

struct PngHeader {
    uint32_t width;
    uint32_t height;
    unsigned depth;        // bits per sample: 1, 2, 4 or 8
    unsigned colourType;
    unsigned samples;      // samples per pixel in the file: 1 for palette images
    unsigned components;   // bytes per pixel in ImageData: 3 for palette images
    bool palette;
};

struct PngPalette {
    unsigned char rgb[256 * 3];
    unsigned char rgbPadded[256][4];  // the same colours a word apart, for whole-word copies
    unsigned entries;                 // 0 until a PLTE chunk is met
};

struct DecodedImage {
    uint32_t width;
    uint32_t height;
    unsigned components;
    unsigned char* pixels;
    bool decoded;  // pixels, or rows handed to a sink
};

uint32_t ReadU32Be(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

bool IsChunkType(const unsigned char* chunk, const char* type)
{
    return std::memcmp(chunk + 4, type, 4) == 0;
}

// ---- IHDR -------------------------------------------------------------------------

// The sub-byte depths are unpacked only where a pixel is one sample (grey and palette).
bool IsSupportedDepth(unsigned depth, unsigned samples)
{
    if (depth == 8) return true;
    return samples == 1 && (depth == 1 || depth == 2 || depth == 4);
}

// The one place IHDR's 13 data bytes are taken apart.
PngIhdr ReadIhdrFields(const unsigned char* d)
{
    return PngIhdr{ReadU32Be(d), ReadU32Be(d + 4), d[8], d[9], d[10], d[11], d[12]};
}

// IHDR's fields at their fixed place, the first chunk's data; those the file does
// not reach are read as 0.
PngIhdr FieldsAtFront(const unsigned char* data, size_t size)
{
    unsigned char fields[13] = {};
    if (size > 16) std::memcpy(fields, data + 16, size - 16 < 13 ? size - 16 : 13);
    return ReadIhdrFields(fields);
}

bool SidesBeyondLimit(uint32_t width, uint32_t height)
{
    return width > uint32_t(MAX_IMAGE_SIDE) || height > uint32_t(MAX_IMAGE_SIDE);
}

ImageRefusal ReadHeader(const unsigned char* chunk, uint32_t length, PngHeader& h)
{
    if (length != 13) return ImageRefusal::PNG_IHDR_LENGTH;
    const PngIhdr f = ReadIhdrFields(chunk + 8);
    if (f.compression != 0) return ImageRefusal::PNG_COMPRESSION_METHOD;
    if (f.filter != 0) return ImageRefusal::PNG_FILTER_METHOD;
    if (f.interlace == 1) return ImageRefusal::PNG_INTERLACED;
    if (f.interlace != 0) return ImageRefusal::PNG_INTERLACE_METHOD;
    if (f.bitDepth > 8) return ImageRefusal::PNG_DEEP_SAMPLES;
    h.width = f.width;
    h.height = f.height;
    h.depth = f.bitDepth;
    h.colourType = f.colourType;
    // The colour type's bits alone give the count: colour adds two, alpha one.
    h.components = ((h.colourType & 2) | 1) + ((h.colourType & 4) ? 1 : 0);
    h.palette = h.colourType == 3;
    h.samples = h.palette ? 1 : h.components;
    if (h.width == 0 || h.height == 0) return ImageRefusal::PNG_NO_PIXELS;
    if (SidesBeyondLimit(h.width, h.height)) return ImageRefusal::TOO_LARGE;
    return IsSupportedDepth(h.depth, h.samples) ? ImageRefusal::NONE : ImageRefusal::PNG_BIT_DEPTH;
}

void StorePalette(const unsigned char* chunk, uint32_t length, PngPalette& palette)
{
    unsigned entries = length / 3 < 256 ? unsigned(length / 3) : 256;
    std::memcpy(palette.rgb, chunk + 8, entries * 3);
    for (unsigned i = 0; i < entries; i++) std::memcpy(palette.rgbPadded[i], palette.rgb + i * 3, 3);
    palette.entries = entries;
}

// ---- Scanline reconstruction -----------------------------------------------------

// The Paeth choice without branches: random image data makes the branches of the
// textbook form mispredict. |p - left| = |up - upLeft|, |p - up| = |left - upLeft|.
// The picks are masks rather than conditional expressions, which optimisers were
// seen to turn back into branches once the loops around them were inlined.
inline int Paeth(int left, int up, int upLeft)
{
    int pa = std::abs(up - upLeft);
    int pb = std::abs(left - upLeft);
    int pc = std::abs(left + up - 2 * upLeft);
    int pickUp = -int(pb <= pc);  // all ones or zero
    int pickLeft = -int((pa <= pb) & (pa <= pc));
    int upOrUpLeft = (up & pickUp) | (upLeft & ~pickUp);
    return (left & pickLeft) | (upOrUpLeft & ~pickLeft);
}

// Each filter has its own loop, so the type is chosen once per row, and works pixel by
// pixel with the left and up-left bytes of each of the B channels kept in locals: the
// channels are independent chains and nothing waits on a byte just stored. A row is
// read from `src` and written to `dst`, which is either `src` itself or a row that
// overlaps neither `src` nor `prev`; `prev` is the reconstructed row above (all zero
// above the first row); n is a multiple of B.
template <unsigned B>
void UnfilterSub(unsigned char* dst, const unsigned char* src, size_t n)
{
    unsigned left[B] = {};
    for (size_t i = 0; i < n; i += B)
        for (unsigned k = 0; k < B; k++) dst[i + k] = uint8_t(left[k] += src[i + k]);
}

void UnfilterUp(unsigned char* dst, const unsigned char* src, const unsigned char* prev, size_t n)
{
    for (size_t i = 0; i < n; i++) dst[i] = uint8_t(src[i] + prev[i]);
}

template <unsigned B>
void UnfilterAverage(unsigned char* dst, const unsigned char* src, const unsigned char* prev, size_t n)
{
    unsigned left[B] = {};
    for (size_t i = 0; i < n; i += B)
        for (unsigned k = 0; k < B; k++) {
            left[k] = uint8_t(src[i + k] + ((left[k] + prev[i + k]) >> 1));
            dst[i + k] = uint8_t(left[k]);
        }
}

template <unsigned B>
void UnfilterPaeth(unsigned char* dst, const unsigned char* src, const unsigned char* prev, size_t n)
{
    int left[B] = {}, upLeft[B] = {};
    for (size_t i = 0; i < n; i += B)
        for (unsigned k = 0; k < B; k++) {
            int up = prev[i + k];
            left[k] = uint8_t(src[i + k] + Paeth(left[k], up, upLeft[k]));
            dst[i + k] = uint8_t(left[k]);
            upLeft[k] = up;
        }
}

#if QUORVEL_PNG_SSE2
// Paeth for pixels of three or four bytes with the channels side by side in 16-bit lanes:
// one chain of dependent steps per pixel instead of one per channel, and about a quarter
// of the instructions. Same rules and choices as Paeth above.
template <unsigned B>
__m128i LoadPixel(const unsigned char* p)
{
    uint32_t v = 0;
    std::memcpy(&v, p, B);
    return _mm_cvtsi32_si128(int(v));
}

template <unsigned B>
void StorePixel(unsigned char* p, __m128i bytes)
{
    uint32_t v = uint32_t(_mm_cvtsi128_si32(bytes));
    std::memcpy(p, &v, B);
}

inline __m128i Abs16(__m128i x)
{
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

inline __m128i Select16(__m128i mask, __m128i ifSet, __m128i ifClear)
{
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// The Paeth predictor of every 16-bit lane, values 0 to 255.
inline __m128i PaethLanes(__m128i left, __m128i up, __m128i upLeft)
{
    __m128i toUp = _mm_sub_epi16(up, upLeft), toLeft = _mm_sub_epi16(left, upLeft);
    __m128i pa = Abs16(toUp), pb = Abs16(toLeft), pc = Abs16(_mm_add_epi16(toUp, toLeft));
    __m128i notLeft = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    __m128i upOrUpLeft = Select16(_mm_cmpgt_epi16(pb, pc), upLeft, up);
    return Select16(notLeft, upOrUpLeft, left);
}

// One pixel; `whole` is the pixel's bytes followed by whatever comes next (four bytes in
// all, read whole when the row goes on), and the fourth lane takes no part in the result.
inline __m128i PaethPixelSse2(__m128i whole, __m128i up, __m128i& left, __m128i& upLeft)
{
    const __m128i zero = _mm_setzero_si128();
    up = _mm_unpacklo_epi8(up, zero);
    __m128i predicted = PaethLanes(left, up, upLeft);
    left = _mm_and_si128(_mm_add_epi16(_mm_unpacklo_epi8(whole, zero), predicted), _mm_set1_epi16(0xFF));
    upLeft = up;
    return _mm_packus_epi16(left, left);
}

template <unsigned B>
void UnfilterPaethSse2(unsigned char* dst, const unsigned char* src, const unsigned char* prev, size_t n)
{
    __m128i left = _mm_setzero_si128(), upLeft = left;
    size_t i = 0;
    if (B == 3) {
        // Four bytes at a time while the row goes on; the fourth is stored back as the
        // filtered byte it was, so rebuilding in place still finds it.
        const __m128i keepFourth = _mm_cvtsi32_si128(int(0xFF000000u));
        for (; i + 4 <= n; i += 3) {
            __m128i whole = LoadPixel<4>(src + i);
            __m128i rebuilt = PaethPixelSse2(whole, LoadPixel<4>(prev + i), left, upLeft);
            StorePixel<4>(dst + i, Select16(keepFourth, whole, rebuilt));
        }
    }
    for (; i < n; i += B)
        StorePixel<B>(dst + i, PaethPixelSse2(LoadPixel<B>(src + i), LoadPixel<B>(prev + i), left, upLeft));
}

// Eight Paeth rows of one-byte pixels at once, a row to each 16-bit lane. Lane r works on
// column t - r at step t, so the byte above it is the one lane r - 1 produced the step
// before, and the eight chains of left neighbours, which one row alone would wait on
// byte after byte, advance together. Lanes whose column lies before the start of their
// row produce zero: that is what the first column takes as its left and up-left
// neighbours. Rows follow UnfilterRow's rules; dst[r] may be src[r], and the rows
// overlap nothing else.
const unsigned WAVE_ROWS = 8;

template <int R>
inline void GatherLane(__m128i& v, const unsigned char* const* src, size_t t, size_t n, bool edge)
{
    if (!edge || (t >= size_t(R) && t - R < n)) v = _mm_insert_epi16(v, src[R][t - R], R);
}

template <int R>
inline void ScatterLane(__m128i v, unsigned char* const* dst, size_t t, size_t n, bool edge)
{
    if (!edge || (t >= size_t(R) && t - R < n)) dst[R][t - R] = uint8_t(_mm_extract_epi16(v, R));
}

// All eight lanes, unrolled by the compiler: each lane is its own instruction.
template <int... R>
inline void GatherLanes(__m128i& v, const unsigned char* const* src, size_t t, size_t n, bool edge,
                        std::integer_sequence<int, R...>)
{
    (GatherLane<R>(v, src, t, n, edge), ...);
}

template <int... R>
inline void ScatterLanes(__m128i v, unsigned char* const* dst, size_t t, size_t n, bool edge,
                         std::integer_sequence<int, R...>)
{
    (ScatterLane<R>(v, dst, t, n, edge), ...);
}

template <bool EDGE>
inline void PaethWaveStep(unsigned char* const* dst, const unsigned char* const* src, const unsigned char* prev,
                          size_t n, size_t t, __m128i& out, __m128i& upLeft)
{
    __m128i filtered = _mm_setzero_si128();
    GatherLanes(filtered, src, t, n, EDGE, std::make_integer_sequence<int, int(WAVE_ROWS)>());
    __m128i up = _mm_slli_si128(out, 2);
    if (!EDGE || t < n) up = _mm_insert_epi16(up, prev[t], 0);
    __m128i rebuilt = _mm_and_si128(_mm_add_epi16(filtered, PaethLanes(out, up, upLeft)), _mm_set1_epi16(0xFF));
    if (EDGE && t < WAVE_ROWS - 1) {
        const __m128i lanes = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
        rebuilt = _mm_and_si128(rebuilt, _mm_cmpgt_epi16(_mm_set1_epi16(short(t + 1)), lanes));
    }
    ScatterLanes(rebuilt, dst, t, n, EDGE, std::make_integer_sequence<int, int(WAVE_ROWS)>());
    out = rebuilt;
    upLeft = up;
}

void UnfilterPaethWave(unsigned char* const* dst, const unsigned char* const* src, const unsigned char* prev,
                       size_t n)
{
    __m128i out = _mm_setzero_si128(), upLeft = out;
    size_t t = 0;
    for (; t < WAVE_ROWS - 1; t++) PaethWaveStep<true>(dst, src, prev, n, t, out, upLeft);
    for (; t < n; t++) PaethWaveStep<false>(dst, src, prev, n, t, out, upLeft);
    for (; t < n + WAVE_ROWS - 1; t++) PaethWaveStep<true>(dst, src, prev, n, t, out, upLeft);
}
#endif

template <unsigned B>
bool UnfilterRowOf(unsigned filter, unsigned char* dst, const unsigned char* src, const unsigned char* prev,
                   size_t n)
{
    switch (filter) {
    case 0:
        if (dst != src) std::memcpy(dst, src, n);
        return true;
    case 1: UnfilterSub<B>(dst, src, n); return true;
    case 2: UnfilterUp(dst, src, prev, n); return true;
    case 3: UnfilterAverage<B>(dst, src, prev, n); return true;
    case 4:
#if QUORVEL_PNG_SSE2
        if (B >= 3) {
            UnfilterPaethSse2<B < 3 ? 3 : B>(dst, src, prev, n);
            return true;
        }
#endif
        UnfilterPaeth<B>(dst, src, prev, n);
        return true;
    default: return false;
    }
}

// `bpp` is the bytes of one pixel, rounded up to 1 for the small depths.
bool UnfilterRow(unsigned filter, unsigned char* dst, const unsigned char* src, const unsigned char* prev,
                 size_t n, unsigned bpp)
{
    switch (bpp) {
    case 1: return UnfilterRowOf<1>(filter, dst, src, prev, n);
    case 2: return UnfilterRowOf<2>(filter, dst, src, prev, n);
    case 3: return UnfilterRowOf<3>(filter, dst, src, prev, n);
    default: return UnfilterRowOf<4>(filter, dst, src, prev, n);
    }
}

// Two Paeth rows at once. With pixels of one or two bytes a Paeth row is a chain or two
// of dependent steps, each waiting for the byte to its left; but byte x of the lower row
// needs the upper row only up to x, so both rows can advance together and their chains
// overlap. The rows follow UnfilterRow's rules; dst2 may also be src2.
template <unsigned B>
void UnfilterPaethTwoRows(unsigned char* dst1, const unsigned char* src1, const unsigned char* prev,
                          unsigned char* dst2, const unsigned char* src2, size_t n)
{
    int left1[B] = {}, upLeft1[B] = {}, left2[B] = {}, upLeft2[B] = {};
    for (size_t i = 0; i < n; i += B)
        for (unsigned k = 0; k < B; k++) {
            int up1 = prev[i + k];
            left1[k] = uint8_t(src1[i + k] + Paeth(left1[k], up1, upLeft1[k]));
            upLeft1[k] = up1;
            int up2 = left1[k];
            left2[k] = uint8_t(src2[i + k] + Paeth(left2[k], up2, upLeft2[k]));
            upLeft2[k] = up2;
            dst1[i + k] = uint8_t(left1[k]);
            dst2[i + k] = uint8_t(left2[k]);
        }
}

// The rows of one image as the reconstruction walks them: row y's filtered line (its
// filter-type byte, then n bytes) starts at lines + y * linePitch and the row is rebuilt at
// dst + y * dstPitch, a pitch that is negative when rows are stored bottom row first.
struct RowRun {
    unsigned char* lines;
    size_t linePitch;
    unsigned char* dst;
    ptrdiff_t dstPitch;
    uint32_t height;
    size_t n;
    unsigned bpp;  // bytes of one pixel, rounded up to 1 for the small depths

    unsigned char* Line(uint32_t y) const { return lines + size_t(y) * linePitch; }
    unsigned char* Dst(uint32_t y) const { return dst + ptrdiff_t(y) * dstPitch; }
};

bool ArePaethRows(const RowRun& run, uint32_t y, uint32_t count)
{
    if (count > run.height - y) return false;
    for (uint32_t k = 0; k < count; k++)
        if (run.Line(y + k)[0] != 4) return false;
    return true;
}

// Rebuilds row y, `prev` being the rebuilt row above it, or several rows from y together
// where Paeth rows of small pixels follow one another. Returns the rows rebuilt, 0 for
// an unknown filter type.
unsigned UnfilterRows(const RowRun& run, uint32_t y, const unsigned char* prev)
{
#if QUORVEL_PNG_SSE2
    // The wave rebuilds each row in its own line: a row stored where the filtered bytes of
    // rows above it lay may only be written once those rows are done, so rows that live
    // elsewhere are moved there afterwards, top row first.
    if (run.bpp == 1 && ArePaethRows(run, y, WAVE_ROWS)) {
        unsigned char* rows[WAVE_ROWS];
        for (unsigned k = 0; k < WAVE_ROWS; k++) rows[k] = run.Line(y + k) + 1;
        UnfilterPaethWave(rows, rows, prev, run.n);
        for (unsigned k = 0; k < WAVE_ROWS; k++)
            if (run.Dst(y + k) != rows[k]) std::memmove(run.Dst(y + k), rows[k], run.n);
        return WAVE_ROWS;
    }
#endif
    if (run.bpp <= 2 && ArePaethRows(run, y, 2)) {
        unsigned char *dst = run.Dst(y), *nextDst = run.Dst(y + 1);
        const unsigned char *src = run.Line(y) + 1, *nextSrc = run.Line(y + 1) + 1;
        if (run.bpp == 1) UnfilterPaethTwoRows<1>(dst, src, prev, nextDst, nextSrc, run.n);
        else UnfilterPaethTwoRows<2>(dst, src, prev, nextDst, nextSrc, run.n);
        return 2;
    }
    return UnfilterRow(run.Line(y)[0], run.Dst(y), run.Line(y) + 1, prev, run.n, run.bpp) ? 1 : 0;
}

// ---- Rows into ImageData -------------------------------------------------------------

unsigned SampleAt(const unsigned char* row, uint32_t x, unsigned depth)
{
    if (depth == 8) return row[x];
    size_t bit = size_t(x) * depth;
    unsigned shift = 8 - depth - unsigned(bit & 7);  // the leftmost pixel sits in the high bits
    return (row[bit >> 3] >> shift) & ((1u << depth) - 1);
}

// Each colour is copied as a whole word whose fourth byte the next pixel overwrites;
// the last pixel of the row is copied as three bytes, so nothing beyond the row is touched.
bool ExpandPaletteRow8(const unsigned char* row, uint32_t width, const PngPalette& palette, unsigned char* dst)
{
    for (uint32_t x = 0; x + 1 < width; x++) {
        if (row[x] >= palette.entries) return false;
        std::memcpy(dst + size_t(x) * 3, palette.rgbPadded[row[x]], 4);
    }
    unsigned last = row[width - 1];
    if (last >= palette.entries) return false;
    std::memcpy(dst + size_t(width - 1) * 3, palette.rgbPadded[last], 3);
    return true;
}

bool ExpandPaletteRow(const unsigned char* row, const PngHeader& h, const PngPalette& palette, unsigned char* dst)
{
    if (h.depth == 8) return ExpandPaletteRow8(row, h.width, palette, dst);
    for (uint32_t x = 0; x < h.width; x++) {
        unsigned index = SampleAt(row, x, h.depth);
        if (index >= palette.entries) return false;
        std::memcpy(dst + size_t(x) * 3, palette.rgb + index * 3, 3);
    }
    return true;
}

// Grey below 8 bits is stretched to 0..255: 255 / (2^depth - 1) is 255, 85 or 17.
void ExpandGreyRow(const unsigned char* row, const PngHeader& h, unsigned char* dst)
{
    unsigned scale = 255 / ((1u << h.depth) - 1);
    for (uint32_t x = 0; x < h.width; x++) dst[x] = uint8_t(SampleAt(row, x, h.depth) * scale);
}

bool ExpandRow(const unsigned char* row, const PngHeader& h, const PngPalette& palette, unsigned char* dst)
{
    if (h.palette) return ExpandPaletteRow(row, h, palette, dst);
    ExpandGreyRow(row, h, dst);
    return true;
}

// Reconstructs the filtered rows (a zero row sits in front of the first) and stores
// each one bottom row first, as GL expects. Rows of whole bytes are reconstructed
// straight into the pixels; indices and packed samples are reconstructed in place
// and then expanded. With a sink every row is handed over once done: rows of whole
// bytes from where they were reconstructed, the others from `pixels`, which then
// holds a single row.
ImageRefusal ReconstructImage(unsigned char* filtered, size_t rowBytes, const PngHeader& h,
                              const PngPalette& palette, unsigned char* pixels, size_t stride, ImageRowSink* sink)
{
    bool expand = h.palette || h.depth < 8;
    unsigned char* lines = filtered + rowBytes + 1;
    RowRun run = {lines, rowBytes + 1, lines + 1, ptrdiff_t(rowBytes + 1), h.height, rowBytes,
                  h.depth < 8 ? 1 : h.samples};
    if (!expand && !sink) {
        run.dst = pixels + size_t(h.height - 1) * stride;
        run.dstPitch = -ptrdiff_t(stride);
    }
    const unsigned char* prev = filtered + 1;
    for (uint32_t y = 0; y < h.height;) {
        unsigned done = UnfilterRows(run, y, prev);
        if (done == 0) return ImageRefusal::PNG_FILTER_TYPE;
        for (uint32_t k = y; (expand || sink) && k < y + done; k++) {
            const unsigned char* row = run.Dst(k);
            if (expand) {
                unsigned char* at = sink ? pixels : pixels + size_t(h.height - 1 - k) * stride;
                if (!ExpandRow(row, h, palette, at)) return ImageRefusal::PNG_PALETTE_INDEX;
                row = at;
            }
            if (sink) sink->Row(int32_t(k), row);
        }
        y += done;
        prev = run.Dst(y - 1);
    }
    return ImageRefusal::NONE;
}

// Swaps the rows end for end, a piece at a time through a small buffer.
void ReverseRows(unsigned char* pixels, size_t stride, uint32_t height)
{
    unsigned char piece[4096];
    for (uint32_t y = 0; y < height / 2; y++) {
        unsigned char* a = pixels + size_t(y) * stride;
        unsigned char* b = pixels + size_t(height - 1 - y) * stride;
        for (size_t at = 0; at < stride; at += sizeof piece) {
            size_t n = stride - at < sizeof piece ? stride - at : sizeof piece;
            std::memcpy(piece, a + at, n);
            std::memcpy(a + at, b + at, n);
            std::memcpy(b + at, piece, n);
        }
    }
}

// ---- Image decode ------------------------------------------------------------------

struct ImageSizes {
    size_t rowBytes;    // filtered bytes of one row, filter byte excluded
    uint32_t filtered;  // what the zlib stream must yield
    size_t stride;
    size_t pixelBytes;
};

// The 32-bit and size_t limits are beyond reach while the sides are at most MAX_IMAGE_SIDE.
ImageRefusal ComputeSizes(const PngHeader& h, uint32_t streamLength, ImageSizes& s)
{
    uint64_t rowBits = uint64_t(h.width) * h.samples * h.depth;
    uint64_t rowBytes = (rowBits + 7) / 8;
    if (rowBytes + 1 > 0xFFFFFFFFu / h.height) return ImageRefusal::TOO_LARGE;  // the stream length is 32-bit
    uint64_t filtered = (rowBytes + 1) * h.height;
    if (filtered > 0xFFFFFFFFu - rowBytes - 1) return ImageRefusal::TOO_LARGE;  // room for the zero row in front
    if (filtered > uint64_t(streamLength) * MAX_DEFLATE_EXPANSION) return ImageRefusal::PNG_IDAT_TOO_SHORT;
    size_t stride = ImageRowStride(int32_t(h.width), h.components);
    if (stride == 0 || h.height > SIZE_MAX / stride) return ImageRefusal::TOO_LARGE;
    s.rowBytes = size_t(rowBytes);
    s.filtered = uint32_t(filtered);
    s.stride = stride;
    s.pixelBytes = stride * h.height;
    return ImageRefusal::NONE;
}

// The whole stream inflated, and exactly as many bytes as the rows need.
ImageRefusal InflateRows(const unsigned char* stream, uint32_t length, unsigned char* filtered, const ImageSizes& s)
{
    uint32_t written = 0;
    ImageRefusal refusal = InflateZlibStreamCounted(stream, length, filtered, s.filtered, written);
    if (refusal == ImageRefusal::NONE && written != s.filtered) return ImageRefusal::PNG_ROWS_CUT;
    return refusal;
}

// Rows copied as they are, padded by at most one byte, are decoded in the pixel buffer
// itself: fresh memory costs a page fault on its first write, and one large buffer in
// place of two saves about as much time as the whole reconstruction takes.
bool SharesPixelBuffer(const PngHeader& h, const ImageSizes& s)
{
    return !h.palette && h.depth == 8 && s.stride <= s.rowBytes + 1;
}

// The stream is inflated `rowBytes` into the buffer, so row y, rebuilt top row first
// at y * stride, always ends before its own filtered bytes begin and never meets the
// rows still to come. The rows are then put bottom row first, or handed to a sink as
// each is done, and then the buffer is no longer needed.
ImageRefusal DecodeInPixelBuffer(const PngHeader& h, const unsigned char* stream, uint32_t length,
                                 const ImageSizes& s, unsigned char*& pixels, ImageRowSink* sink)
{
    unsigned char* buffer = AllocatePixels(s.rowBytes + s.filtered);
    unsigned char* zeroRow = new (std::nothrow) unsigned char[s.rowBytes]();
    if (!buffer || !zeroRow) {
        delete[] buffer;
        delete[] zeroRow;
        return ImageRefusal::OUT_OF_MEMORY;
    }
    unsigned char* filtered = buffer + s.rowBytes;
    ImageRefusal refusal = InflateRows(stream, length, filtered, s);
    RowRun run = {filtered, s.rowBytes + 1, buffer, ptrdiff_t(s.stride), h.height, s.rowBytes, h.samples};
    const unsigned char* prev = zeroRow;
    for (uint32_t y = 0; refusal == ImageRefusal::NONE && y < h.height;) {
        unsigned done = UnfilterRows(run, y, prev);
        if (done == 0) refusal = ImageRefusal::PNG_FILTER_TYPE;
        for (uint32_t k = y; sink && k < y + done; k++) sink->Row(int32_t(k), run.Dst(k));
        y += done;
        if (done) prev = run.Dst(y - 1);
    }
    delete[] zeroRow;
    if (refusal != ImageRefusal::NONE || sink) {
        delete[] buffer;
        return refusal;
    }
    ReverseRows(buffer, s.stride, h.height);
    pixels = buffer;
    return ImageRefusal::NONE;
}

ImageRefusal DecodeInSeparateBuffers(const PngHeader& h, const PngPalette& palette, const unsigned char* stream,
                                     uint32_t length, const ImageSizes& s, unsigned char*& pixels,
                                     ImageRowSink* sink)
{
    unsigned char* filtered = new (std::nothrow) unsigned char[s.rowBytes + 1 + s.filtered];
    if (!filtered) return ImageRefusal::OUT_OF_MEMORY;
    std::memset(filtered, 0, s.rowBytes + 1);
    ImageRefusal refusal = InflateRows(stream, length, filtered + s.rowBytes + 1, s);
    if (refusal == ImageRefusal::NONE) {
        pixels = AllocatePixels(sink ? s.stride : s.pixelBytes);
        refusal = pixels ? ReconstructImage(filtered, s.rowBytes, h, palette, pixels, s.stride, sink)
                         : ImageRefusal::OUT_OF_MEMORY;
    }
    delete[] filtered;
    if (refusal != ImageRefusal::NONE || sink) {
        delete[] pixels;
        pixels = nullptr;
    }
    return refusal;
}

// With a sink the rows go there and `image` only notes that an image was decoded.
ImageRefusal DecodeImage(const PngHeader& h, const PngPalette& palette, const unsigned char* stream,
                         uint32_t length, DecodedImage& image, ImageRowSink* sink)
{
    ImageSizes s;
    if (h.palette && palette.entries == 0) return ImageRefusal::PNG_NO_PLTE;
    ImageRefusal refusal = ComputeSizes(h, length, s);
    if (refusal != ImageRefusal::NONE) return refusal;
    if (sink && !sink->Begin(int32_t(h.width), int32_t(h.height), h.components)) return ImageRefusal::ROWS_REFUSED;
    unsigned char* pixels = nullptr;
    refusal = SharesPixelBuffer(h, s) ? DecodeInPixelBuffer(h, stream, length, s, pixels, sink)
                                      : DecodeInSeparateBuffers(h, palette, stream, length, s, pixels, sink);
    if (refusal != ImageRefusal::NONE) return refusal;
    image.decoded = true;
    if (sink) return ImageRefusal::NONE;
    delete[] image.pixels;  // a later IDAT sequence replaces an earlier image
    image = DecodedImage{h.width, h.height, h.components, pixels, true};
    return ImageRefusal::NONE;
}

// ---- Chunk walk ----------------------------------------------------------------------

struct ChunkWalk {
    const unsigned char* data;
    uint32_t size;
    uint64_t pos;
};

// The chunk at the walk's position, or false when its header or data runs past the end.
bool ChunkAt(const ChunkWalk& w, uint64_t pos, uint32_t& length)
{
    if (w.size - pos < 8) return false;
    length = ReadU32Be(w.data + pos);
    return length <= w.size - pos - 8;
}

// The IDAT chunks that follow one another form one zlib stream; a lone chunk is used
// in place, several are joined into `joined`.
ImageRefusal GatherStream(const ChunkWalk& w, uint64_t& pos, unsigned char*& joined, const unsigned char*& stream,
                          uint32_t& total)
{
    uint64_t end = pos, sum = 0;
    unsigned count = 0;
    uint32_t length;
    while (end < w.size && ChunkAt(w, end, length) && IsChunkType(w.data + end, "IDAT")) {
        sum += length;
        end += 12 + uint64_t(length);
        count++;
    }
    if (sum > 0xFFFFFFFFu) return ImageRefusal::PNG_CHUNK_CUT;  // more than a 32-bit file holds
    total = uint32_t(sum);
    stream = w.data + pos + 8;
    if (count > 1) {
        joined = new (std::nothrow) unsigned char[sum ? size_t(sum) : 1];
        if (!joined) return ImageRefusal::OUT_OF_MEMORY;
        size_t at = 0;
        for (uint64_t p = pos; p < end; p += 12 + uint64_t(length)) {
            ChunkAt(w, p, length);
            std::memcpy(joined + at, w.data + p + 8, length);
            at += length;
        }
        stream = joined;
    }
    pos = end;
    return ImageRefusal::NONE;
}

ImageRefusal DecodeIdatRun(const ChunkWalk& w, uint64_t& pos, const PngHeader& h, const PngPalette& palette,
                           DecodedImage& image, ImageRowSink* sink)
{
    unsigned char* joined = nullptr;
    const unsigned char* stream;
    uint32_t length;
    ImageRefusal refusal = GatherStream(w, pos, joined, stream, length);
    if (refusal == ImageRefusal::NONE) refusal = DecodeImage(h, palette, stream, length, image, sink);
    delete[] joined;
    return refusal;
}

struct WalkState {
    PngHeader header;
    bool haveHeader;
    PngPalette palette;
    DecodedImage image;
    ImageRowSink* sink;
};

// One chunk at `pos`; advances `pos` past it (past a whole IDAT run for IDAT).
// Sets `end` at IEND.
ImageRefusal WalkChunk(const ChunkWalk& w, uint64_t& pos, WalkState& st, ImageData& out, bool& end)
{
    uint32_t length;
    if (!ChunkAt(w, pos, length)) return ImageRefusal::PNG_CHUNK_CUT;
    const unsigned char* chunk = w.data + pos;
    if (IsChunkType(chunk, "IEND")) {
        end = true;
        return ImageRefusal::NONE;
    }
    if (IsChunkType(chunk, "IHDR")) {
        if (st.haveHeader) return ImageRefusal::PNG_SECOND_IHDR;
        ImageRefusal refusal = ReadHeader(chunk, length, st.header);
        if (refusal != ImageRefusal::NONE) return refusal;
        st.haveHeader = true;
        out.width = int32_t(st.header.width);
        out.height = int32_t(st.header.height);
        out.format = ImageFormatForComponents(st.header.components);
        out.components = uint8_t(st.header.components);
    } else if (IsChunkType(chunk, "PLTE")) {
        StorePalette(chunk, length, st.palette);
    } else if (IsChunkType(chunk, "IDAT")) {
        if (!st.haveHeader) return ImageRefusal::PNG_IDAT_BEFORE_IHDR;
        return DecodeIdatRun(w, pos, st.header, st.palette, st.image, st.sink);
    }
    pos += 12 + uint64_t(length);
    return ImageRefusal::NONE;
}

}  // namespace

unsigned char PaethPredictor(unsigned char left, unsigned char up, unsigned char upLeft)
{
    return uint8_t(Paeth(left, up, upLeft));
}

namespace {

bool HasSignature(const unsigned char* data, size_t size)
{
    return data && size >= 8 && std::memcmp(data, PNG_SIGNATURE, 8) == 0;
}

// With a sink the rows go there and `out` gets the header's fields only.
ImageRefusal WalkPng(ImageData& out, const unsigned char* data, uint32_t size, ImageRowSink* sink, WalkState& st)
{
    if (!HasSignature(data, size)) return ImageRefusal::PNG_NO_SIGNATURE;
    // The sides are judged before anything else, where IHDR keeps them, so that a file
    // claiming too many pixels is told as such however damaged the rest of it is. They
    // are read there whatever the first chunk calls itself, as the game always has.
    if (size >= 24) {
        const PngIhdr front = FieldsAtFront(data, size);
        if (SidesBeyondLimit(front.width, front.height)) return ImageRefusal::TOO_LARGE;
    }
    ChunkWalk w = {data, size, 8};
    st.sink = sink;
    ImageRefusal refusal = ImageRefusal::NONE;
    bool end = false;
    while (refusal == ImageRefusal::NONE && !end && w.pos < size) refusal = WalkChunk(w, w.pos, st, out, end);
    // A walk that meets no image data has nothing to hand over, so it fails too.
    if (refusal == ImageRefusal::NONE && !st.image.decoded) refusal = ImageRefusal::PNG_NO_IDAT;
    if (refusal != ImageRefusal::NONE) delete[] st.image.pixels;
    return refusal;
}

}  // namespace

ImageRefusal ReadPngIhdr(const unsigned char* data, size_t size, PngIhdr& out)
{
    if (!HasSignature(data, size)) return ImageRefusal::PNG_NO_SIGNATURE;
    if (size < 8 + 8 + 13) return ImageRefusal::PNG_CHUNK_CUT;
    if (!IsChunkType(data + 8, "IHDR")) return ImageRefusal::PNG_IHDR_NOT_FIRST;
    if (ReadU32Be(data + 8) < 13) return ImageRefusal::PNG_IHDR_LENGTH;
    out = FieldsAtFront(data, size);
    return ImageRefusal::NONE;
}

// Unlike the decoder's walk, a chunk here counts only with its CRC in the file.
PngChunkList ListPngChunks(const unsigned char* data, size_t size)
{
    PngChunkList list = {0, true};
    if (!HasSignature(data, size)) return list;
    size_t at = 8;
    while (size - at >= 12) {
        const uint32_t length = ReadU32Be(data + at);
        if (length > size - at - 12) break;
        const unsigned char* chunk = data + at;
        if (IsChunkType(chunk, "IDAT")) ++list.idatChunks;
        at += 12 + size_t(length);
        if (IsChunkType(chunk, "IEND")) {
            list.cutShort = false;
            break;
        }
    }
    return list;
}

ImageRefusal DecodePngRows(const unsigned char* data, uint32_t size, ImageRowSink& sink)
{
    ImageData header = {};
    WalkState st = {};
    return WalkPng(header, data, size, &sink, st);
}

ImageRefusal DecodePng(ImageData& out, const unsigned char* data, uint32_t size)
{
    WalkState st = {};
    ImageRefusal refusal = WalkPng(out, data, size, nullptr, st);
    if (refusal != ImageRefusal::NONE) return refusal;
    out.width = int32_t(st.image.width);
    out.height = int32_t(st.image.height);
    out.components = uint8_t(st.image.components);
    out.format = ImageFormatForComponents(st.image.components);
    out.pixels = st.image.pixels;
    return ImageRefusal::NONE;
}

ImageRefusal LoadPng(ImageData& out, const char* path)
{
    // The decoder takes sizes of 32 bits.
    unsigned char* data = nullptr;
    size_t size = 0;
    if (!ReadImageFile(path, 0xFFFFFFFFu, data, size)) return ImageRefusal::CANNOT_OPEN;
    ImageRefusal refusal = DecodePng(out, data, uint32_t(size));
    delete[] data;
    return refusal;
}
