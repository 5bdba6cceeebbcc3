#include "png_writer.h"

#include <cstdio>
#include <cstring>

// ---------------------------------------------------------------------------
// Checksums

uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc)
{
    static uint32_t table[256];
    static bool tableReady = false;
    if (!tableReady) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        tableReady = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const unsigned char* data, size_t size, uint32_t adler)
{
    const uint32_t MOD = 65521;
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    while (size > 0) {
        // 5552 bytes is the longest run whose sums cannot overflow 32 bits.
        size_t run = size < 5552 ? size : 5552;
        for (size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= MOD;
        b %= MOD;
        data += run;
        size -= run;
    }
    return (b << 16) | a;
}

// ---------------------------------------------------------------------------
// Deflate

namespace {

// Bits go out least significant first, as deflate packs them.
struct BitWriter {
    std::vector<unsigned char>& out;
    uint32_t buffer;
    unsigned count;

    explicit BitWriter(std::vector<unsigned char>& bytes) : out(bytes), buffer(0), count(0) {}

    void Put(uint32_t bits, unsigned length)
    {
        buffer |= bits << count;
        count += length;
        while (count >= 8) {
            out.push_back((unsigned char)(buffer & 0xFF));
            buffer >>= 8;
            count -= 8;
        }
    }

    // Huffman codes are defined most significant bit first.
    void PutCode(uint32_t code, unsigned length)
    {
        uint32_t reversed = 0;
        for (unsigned i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
        Put(reversed, length);
    }

    void Flush()
    {
        if (count > 0) out.push_back((unsigned char)(buffer & 0xFF));
        buffer = 0;
        count = 0;
    }
};

const unsigned LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned DISTANCE_BASE[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const unsigned DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

const size_t WINDOW_SIZE = 32768;
const size_t MIN_MATCH = 3;
const size_t MAX_MATCH = 258;
const unsigned HASH_BITS = 15;
const unsigned MAX_CHAIN = 32;   // candidates tried per position: plenty for our flat images

// The fixed literal/length code of one symbol (0 to 287).
void PutFixedSymbol(BitWriter& bits, unsigned symbol)
{
    if (symbol < 144) bits.PutCode(0x30 + symbol, 8);
    else if (symbol < 256) bits.PutCode(0x190 + (symbol - 144), 9);
    else if (symbol < 280) bits.PutCode(symbol - 256, 7);
    else bits.PutCode(0xC0 + (symbol - 280), 8);
}

void PutMatch(BitWriter& bits, size_t length, size_t distance)
{
    unsigned code = 28;
    while (LENGTH_BASE[code] > length) --code;
    PutFixedSymbol(bits, 257 + code);
    bits.Put(uint32_t(length - LENGTH_BASE[code]), LENGTH_EXTRA[code]);
    unsigned dcode = 29;
    while (DISTANCE_BASE[dcode] > distance) --dcode;
    bits.PutCode(dcode, 5);
    bits.Put(uint32_t(distance - DISTANCE_BASE[dcode]), DISTANCE_EXTRA[dcode]);
}

unsigned HashAt(const unsigned char* p)
{
    uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    return (v * 2654435761u) >> (32 - HASH_BITS);
}

// One final block with the fixed codes; greedy matching over hash chains.
void DeflateFixed(const unsigned char* data, size_t size, std::vector<unsigned char>& out)
{
    BitWriter bits(out);
    bits.Put(1, 1);   // final block
    bits.Put(1, 2);   // fixed Huffman codes
    const size_t NONE = size_t(-1);
    std::vector<size_t> head(size_t(1) << HASH_BITS, NONE);
    std::vector<size_t> previous(WINDOW_SIZE, NONE);
    auto insert = [&](size_t at) {
        if (size - at < MIN_MATCH) return;
        unsigned h = HashAt(data + at);
        previous[at % WINDOW_SIZE] = head[h];
        head[h] = at;
    };

    size_t pos = 0;
    while (pos < size) {
        size_t bestLength = 0;
        size_t bestDistance = 0;
        if (size - pos >= MIN_MATCH) {
            size_t limit = size - pos < MAX_MATCH ? size - pos : MAX_MATCH;
            size_t candidate = head[HashAt(data + pos)];
            for (unsigned tries = 0; candidate != NONE && tries < MAX_CHAIN; ++tries) {
                if (pos - candidate > WINDOW_SIZE - 1) break;   // too far back (and older still behind it)
                size_t length = 0;
                while (length < limit && data[candidate + length] == data[pos + length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = pos - candidate;
                    if (length == limit) break;
                }
                size_t next = previous[candidate % WINDOW_SIZE];
                if (next == NONE || next >= candidate) break;   // the slot was reused by a newer position
                candidate = next;
            }
        }
        if (bestLength >= MIN_MATCH) {
            PutMatch(bits, bestLength, bestDistance);
            for (size_t i = 0; i < bestLength; ++i) insert(pos + i);
            pos += bestLength;
        } else {
            PutFixedSymbol(bits, data[pos]);
            insert(pos);
            ++pos;
        }
    }
    PutFixedSymbol(bits, 256);   // end of block
    bits.Flush();
}

void DeflateStored(const unsigned char* data, size_t size, std::vector<unsigned char>& out)
{
    size_t pos = 0;
    do {
        size_t length = size - pos < 65535 ? size - pos : 65535;
        bool final = pos + length == size;
        out.push_back(final ? 1 : 0);   // BFINAL, BTYPE 00, then padding to the byte
        out.push_back((unsigned char)(length & 0xFF));
        out.push_back((unsigned char)(length >> 8));
        out.push_back((unsigned char)(~length & 0xFF));
        out.push_back((unsigned char)((~length >> 8) & 0xFF));
        out.insert(out.end(), data + pos, data + pos + length);
        pos += length;
    } while (pos < size);
}

void PutU32Be(std::vector<unsigned char>& out, uint32_t value)
{
    out.push_back((unsigned char)(value >> 24));
    out.push_back((unsigned char)(value >> 16));
    out.push_back((unsigned char)(value >> 8));
    out.push_back((unsigned char)value);
}

void PutU32Le(std::vector<unsigned char>& out, uint32_t value)
{
    out.push_back((unsigned char)value);
    out.push_back((unsigned char)(value >> 8));
    out.push_back((unsigned char)(value >> 16));
    out.push_back((unsigned char)(value >> 24));
}

void PutU16Le(std::vector<unsigned char>& out, unsigned value)
{
    out.push_back((unsigned char)value);
    out.push_back((unsigned char)(value >> 8));
}

void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& body)
{
    PutU32Be(out, uint32_t(body.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutU32Be(out, Crc32(out.data() + start, out.size() - start));
}

// Bytes in one packed row, or 0 when the image cannot be written.
size_t PackedRowSize(const RawImage& image)
{
    if (!image.pixels || image.width <= 0 || image.height <= 0) return 0;
    if (image.components < 1 || image.components > 4) return 0;
    return size_t(image.width) * image.components;
}

}  // namespace

std::vector<unsigned char> CompressZlib(const unsigned char* data, size_t size, DeflateMode mode)
{
    std::vector<unsigned char> out;
    out.push_back(0x78);   // deflate with a 32 KiB window
    out.push_back(0x01);   // no dictionary, fastest-level hint; 0x7801 is a multiple of 31
    if (mode == DEFLATE_STORED) DeflateStored(data, size, out);
    else DeflateFixed(data, size, out);
    PutU32Be(out, Adler32(data, size));
    return out;
}

std::vector<unsigned char> EncodePng(const RawImage& image, DeflateMode mode)
{
    size_t rowSize = PackedRowSize(image);
    if (rowSize == 0) return {};
    size_t height = size_t(image.height);
    if (rowSize + 1 > size_t(-1) / height) return {};

    // Every row filtered with type 0 (none): the labyrinths are flat colour
    // and the matcher finds the repeats on its own.
    std::vector<unsigned char> raw;
    raw.reserve((rowSize + 1) * height);
    for (size_t row = 0; row < height; ++row) {
        raw.push_back(0);
        const unsigned char* source = image.pixels + row * rowSize;
        raw.insert(raw.end(), source, source + rowSize);
    }
    std::vector<unsigned char> idat = CompressZlib(raw.data(), raw.size(), mode);
    if (idat.size() > 0x7FFFFFFFu) return {};   // one chunk holds at most 2^31 - 1 bytes

    static const unsigned char COLOUR_TYPES[5] = {0, 0, 4, 2, 6};
    std::vector<unsigned char> header;
    PutU32Be(header, uint32_t(image.width));
    PutU32Be(header, uint32_t(image.height));
    header.push_back(8);                                 // bits per component
    header.push_back(COLOUR_TYPES[image.components]);
    header.push_back(0);                                 // deflate
    header.push_back(0);                                 // adaptive filtering
    header.push_back(0);                                 // not interlaced

    static const unsigned char SIGNATURE[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<unsigned char> out(SIGNATURE, SIGNATURE + 8);
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", idat);
    PutChunk(out, "IEND", {});
    return out;
}

std::vector<unsigned char> EncodeBmp(const RawImage& image)
{
    size_t rowSize = PackedRowSize(image);
    if (rowSize == 0 || image.components != 3) return {};
    size_t stride = (rowSize + 3) & ~size_t(3);
    size_t height = size_t(image.height);
    const size_t HEADER_SIZE = 54;
    if (stride > (0xFFFFFFFFu - HEADER_SIZE) / height) return {};   // the size fields are 32 bits
    uint32_t dataSize = uint32_t(stride * height);

    std::vector<unsigned char> out;
    out.reserve(HEADER_SIZE + dataSize);
    out.push_back('B');
    out.push_back('M');
    PutU32Le(out, uint32_t(HEADER_SIZE) + dataSize);   // file size
    PutU32Le(out, 0);                                  // reserved
    PutU32Le(out, uint32_t(HEADER_SIZE));              // pixel data offset
    PutU32Le(out, 40);                                 // info header size
    PutU32Le(out, uint32_t(image.width));
    PutU32Le(out, uint32_t(image.height));             // positive: bottom row first
    PutU16Le(out, 1);                                  // planes
    PutU16Le(out, 24);                                 // bits per pixel
    PutU32Le(out, 0);                                  // no compression
    PutU32Le(out, dataSize);
    PutU32Le(out, 2835);                               // 72 dpi, in pixels per metre
    PutU32Le(out, 2835);
    PutU32Le(out, 0);                                  // colours used
    PutU32Le(out, 0);                                  // important colours
    for (size_t row = height; row-- > 0;) {
        const unsigned char* source = image.pixels + row * rowSize;
        for (int32_t column = 0; column < image.width; ++column, source += 3) {
            out.push_back(source[2]);
            out.push_back(source[1]);
            out.push_back(source[0]);
        }
        for (size_t pad = rowSize; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

bool WriteFileBytes(const char* path, const std::vector<unsigned char>& bytes)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return written && closed;
}
