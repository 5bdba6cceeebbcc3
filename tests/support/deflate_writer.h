// Deflate streams written by hand, for the tests and the benchmark: the streams they
// need are the ones no encoder writes (damaged ones, hostile ones, codes chosen symbol
// by symbol), so they are put together bit by bit, as RFC 1951 lays them out.
#pragma once
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// Plain fields go least significant bit first, Huffman codes most significant bit
// first. `bytes` is always whole: the last byte holds the bits written so far.
struct BitWriter {
    Bytes bytes;
    unsigned used = 0;  // bits used in the last byte

    void Bit(unsigned b)
    {
        if (used == 0) bytes.push_back(0);
        bytes.back() |= uint8_t((b & 1) << used);
        used = (used + 1) & 7;
    }
    void Bits(uint32_t value, unsigned n)
    {
        for (unsigned i = 0; i < n; i++) Bit(value >> i);
    }
    void Code(uint32_t code, unsigned n)
    {
        for (unsigned i = n; i-- > 0;) Bit(code >> i);
    }
    // Symbols of the fixed codes.
    void Literal(unsigned byte) { byte < 144 ? Code(0x30 + byte, 8) : Code(0x190 + byte - 144, 9); }
    void LitLenSymbol(unsigned s) { s < 280 ? Code(s - 256, 7) : Code(0xC0 + s - 280, 8); }
    void EndOfBlock() { Code(0, 7); }
    void DistanceSymbol(unsigned s) { Code(s, 5); }
};

// A zlib stream around raw deflate data: the smallest header, and no Adler-32 trailer,
// which our inflate does not read; whoever hands the stream to a checking decoder adds it.
inline Bytes Zlib(const Bytes& body)
{
    Bytes out(body.size() + 2);
    out[0] = 0x78;
    out[1] = 0x01;
    std::copy(body.begin(), body.end(), out.begin() + 2);
    return out;
}

// Canonical codes from code lengths, the way a block defines them.
struct CanonicalCode {
    std::vector<unsigned> lengths;
    std::vector<uint32_t> codes;

    explicit CanonicalCode(const std::vector<unsigned>& lens) : lengths(lens), codes(lens.size())
    {
        unsigned perLength[16] = {};
        uint32_t next[16] = {}, code = 0;
        for (unsigned len : lens) perLength[len]++;
        perLength[0] = 0;
        for (unsigned len = 1; len < 16; len++) next[len] = code = (code + perLength[len - 1]) << 1;
        for (size_t s = 0; s < lens.size(); s++)
            if (lens[s]) codes[s] = next[lens[s]]++;
    }
    // A symbol without a code is a fault of the stream's maker, not of the decoder.
    void Put(BitWriter& w, unsigned symbol) const
    {
        if (symbol >= lengths.size() || lengths[symbol] == 0)
            throw std::invalid_argument("symbol " + std::to_string(symbol) + " has no code");
        w.Code(codes[symbol], lengths[symbol]);
    }
};

inline CanonicalCode FixedLiteralCode()
{
    std::vector<unsigned> lengths(288, 8);
    for (unsigned s = 144; s < 256; s++) lengths[s] = 9;
    for (unsigned s = 256; s < 280; s++) lengths[s] = 7;
    return CanonicalCode(lengths);
}

inline CanonicalCode FixedDistanceCode() { return CanonicalCode(std::vector<unsigned>(30, 5)); }

const unsigned LENGTH_BASES[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned LENGTH_EXTRAS[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned DISTANCE_BASES[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                     33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                     1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const unsigned DISTANCE_EXTRAS[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3,  3,  4,  4,  5,  5,  6,
                                      6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// A match of `length` (3 to 258) at `distance` (1 to 32768) in the codes given, which
// must have codes for the symbols those values take.
inline void PutMatch(BitWriter& w, const CanonicalCode& lit, const CanonicalCode& dist, unsigned length,
                     unsigned distance)
{
    unsigned ls = 28;
    while (LENGTH_BASES[ls] > length) ls--;
    lit.Put(w, 257 + ls);
    w.Bits(length - LENGTH_BASES[ls], LENGTH_EXTRAS[ls]);
    unsigned ds = 29;
    while (DISTANCE_BASES[ds] > distance) ds--;
    dist.Put(w, ds);
    w.Bits(distance - DISTANCE_BASES[ds], DISTANCE_EXTRAS[ds]);
}
