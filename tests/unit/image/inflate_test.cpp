#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/inflate.h"
#include "support/deflate_writer.h"
#include "support/reference_inflate.h"
#include "support/refusal_print.h"

#if QUORVEL_HAVE_ORACLES
#include <zlib.h>
#endif

namespace {

// Runs the stream from an exactly sized heap copy so that ASan sees any read past it.
ImageRefusal InflateWhy(const Bytes& stream, Bytes& out, size_t capacity, uint32_t* written = nullptr)
{
    std::unique_ptr<unsigned char[]> in(new unsigned char[stream.size() ? stream.size() : 1]);
    if (!stream.empty()) std::memcpy(in.get(), stream.data(), stream.size());
    out.assign(capacity, 0xEE);
    uint32_t count = 0;
    ImageRefusal refusal =
        InflateZlibStreamCounted(in.get(), uint32_t(stream.size()), out.data(), uint32_t(capacity), count);
    if (written) *written = count;
    if (refusal == ImageRefusal::NONE) out.resize(count);
    return refusal;
}

bool Inflate(const Bytes& stream, Bytes& out, size_t capacity, uint32_t* written = nullptr)
{
    return InflateWhy(stream, out, capacity, written) == ImageRefusal::NONE;
}

Bytes Text(const char* s) { return Bytes(s, s + std::strlen(s)); }

const Bytes EMPTY_FINAL_STORED = {0x01, 0x00, 0x00, 0xFF, 0xFF};

typedef std::vector<std::pair<unsigned, unsigned>> SymbolLengths;

// A dynamic block header up to and including the code-length code, whose lengths are
// given as {symbol, length} pairs.
void CodeLengthCodeHeader(BitWriter& w, bool final, unsigned hlit, unsigned hdist, const SymbolLengths& lengths)
{
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    w.Bits(final ? 0b101 : 0b100, 3);
    w.Bits(hlit - 257, 5);
    w.Bits(hdist - 1, 5);
    w.Bits(15, 4);
    for (unsigned symbol : order) {
        unsigned len = 0;
        for (auto& p : lengths)
            if (p.first == symbol) len = p.second;
        w.Bits(len, 3);
    }
}

BitWriter CodeLengthCodeHeader(unsigned hlit, unsigned hdist, const SymbolLengths& lengths)
{
    BitWriter w;
    CodeLengthCodeHeader(w, true, hlit, hdist, lengths);
    return w;
}

// With the code-length code "every length 0..15 in four bits", length n is written as
// the four-bit code n.
void DynamicHeader(BitWriter& w, bool final, unsigned hlit, unsigned hdist)
{
    SymbolLengths lengths;
    for (unsigned n = 0; n < 16; n++) lengths.push_back({n, 4});
    CodeLengthCodeHeader(w, final, hlit, hdist, lengths);
}

BitWriter DynamicHeader(unsigned hlit, unsigned hdist)
{
    BitWriter w;
    DynamicHeader(w, true, hlit, hdist);
    return w;
}

TEST(Inflate, HeaderRules)
{
    const ImageRefusal ACCEPTED = ImageRefusal::NONE;
    struct Case { const char* what; unsigned char cmf, flg; ImageRefusal refusal; };
    const Case cases[] = {
        {"32 KiB window, default level", 0x78, 0x9C, ACCEPTED},
        {"32 KiB window, best compression", 0x78, 0xDA, ACCEPTED},
        {"32 KiB window, fastest", 0x78, 0x01, ACCEPTED},
        {"8 KiB window, as libpng writes for small images", 0x58, 0x85, ACCEPTED},
        {"256-byte window", 0x08, 0x1D, ACCEPTED},
        {"check value not divisible by 31", 0x78, 0x9D, ImageRefusal::ZLIB_HEADER_CHECK},
        {"preset dictionary", 0x78, 0xBB, ImageRefusal::ZLIB_DICTIONARY},
        {"window larger than 32 KiB", 0x88, 0x98, ImageRefusal::ZLIB_WINDOW},
        {"method other than deflate", 0x79, 0xDB, ImageRefusal::ZLIB_METHOD},
    };
    for (const Case& c : cases) {
        Bytes stream = {c.cmf, c.flg};
        stream.insert(stream.end(), EMPTY_FINAL_STORED.begin(), EMPTY_FINAL_STORED.end());
        Bytes out;
        EXPECT_EQ(InflateWhy(stream, out, 4), c.refusal) << c.what;
    }
    Bytes out;
    EXPECT_EQ(InflateWhy({}, out, 4), ImageRefusal::ZLIB_CUT) << "no header";
    EXPECT_EQ(InflateWhy({0x78}, out, 4), ImageRefusal::ZLIB_CUT) << "half a header";
    EXPECT_EQ(InflateZlibStream(nullptr, 7, out.data(), 0), ImageRefusal::ZLIB_CUT) << "no input";
}

TEST(Inflate, StoredBlocks)
{
    Bytes hello = {0x01, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e', 'l', 'l', 'o'};
    Bytes out;
    ASSERT_TRUE(Inflate(Zlib(hello), out, 16));
    EXPECT_EQ(out, Text("hello"));

    Bytes emptyFirst = {0x00, 0x00, 0x00, 0xFF, 0xFF};
    emptyFirst.insert(emptyFirst.end(), hello.begin(), hello.end());
    ASSERT_TRUE(Inflate(Zlib(emptyFirst), out, 16));
    EXPECT_EQ(out, Text("hello")) << "an empty stored block changes nothing";

    ASSERT_TRUE(Inflate(Zlib(hello), out, 3));
    EXPECT_EQ(out, Text("hel")) << "a final stored block longer than the output fills it";

    // A non-final stored block cut at the output: the next block still starts after it.
    Bytes two = {0x00, 0x03, 0x00, 0xFC, 0xFF, 'a', 'b', 'c', 0x01, 0x01, 0x00, 0xFE, 0xFF, 'd'};
    ASSERT_TRUE(Inflate(Zlib(two), out, 2));
    EXPECT_EQ(out, Text("ab"));
    ASSERT_TRUE(Inflate(Zlib(two), out, 8));
    EXPECT_EQ(out, Text("abcd"));
}

TEST(Inflate, StoredBlockAfterBitsAlignsToTheNextByte)
{
    BitWriter w;
    w.Bits(0b010, 3);  // fixed, not final
    w.Literal('x');
    w.EndOfBlock();
    w.Bits(0b001, 3);  // stored, final: the rest of this byte is skipped
    w.used = 0;
    Bytes tail = {0x02, 0x00, 0xFD, 0xFF, 'y', 'z'};
    w.bytes.insert(w.bytes.end(), tail.begin(), tail.end());
    Bytes out;
    ASSERT_TRUE(Inflate(Zlib(w.bytes), out, 8));
    EXPECT_EQ(out, Text("xyz"));
}

TEST(Inflate, FixedBlocks)
{
    Bytes out;
    ASSERT_TRUE(Inflate({0x78, 0x9C, 0x4B, 0x4C, 0x4A, 0x06, 0x00}, out, 8)) << "a, b, c as zlib writes them";
    EXPECT_EQ(out, Text("abc"));

    BitWriter w;
    w.Bits(0b011, 3);
    w.Literal('q');
    w.LitLenSymbol(264);  // length 10
    w.DistanceSymbol(0);  // distance 1
    w.Literal(200);       // a nine-bit literal
    w.EndOfBlock();
    ASSERT_TRUE(Inflate(Zlib(w.bytes), out, 32));
    Bytes expected(11, 'q');  // distance 1, length 10 repeats the one byte written
    expected.push_back(200);
    EXPECT_EQ(out, expected);
}

TEST(Inflate, BackReferenceIsCutAtTheEndOfTheOutput)
{
    BitWriter w;
    w.Bits(0b011, 3);
    w.Literal('q');
    w.LitLenSymbol(264);
    w.DistanceSymbol(0);
    w.EndOfBlock();
    Bytes out;
    uint32_t written = 0;
    ASSERT_TRUE(Inflate(Zlib(w.bytes), out, 5, &written));
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(out, Bytes(5, 'q'));

    // Decoding goes on after the cut: a further back-reference is cut to nothing.
    BitWriter more;
    more.Bits(0b011, 3);
    more.Literal('q');
    more.LitLenSymbol(264);
    more.DistanceSymbol(0);
    more.LitLenSymbol(257);
    more.DistanceSymbol(0);
    more.EndOfBlock();
    ASSERT_TRUE(Inflate(Zlib(more.bytes), out, 4));
    EXPECT_EQ(out, Bytes(4, 'q'));
}

TEST(Inflate, RunsOfFixedAndDynamicBlocks)
{
    // Fixed 'a', fixed 'b' (the fixed tables are reused), dynamic "ce", fixed 'd' (the
    // fixed tables are built again over the dynamic ones).
    BitWriter w;
    for (char c : std::string("ab")) {
        w.Bits(0b010, 3);
        w.Literal(unsigned(c));
        w.EndOfBlock();
    }
    // Two-bit codes for 'c', 'e' and end of block (an incomplete code) and one distance code.
    DynamicHeader(w, false, 257, 1);
    for (unsigned s = 0; s < 257; s++) w.Code(s == 'c' || s == 'e' || s == 256 ? 2 : 0, 4);
    w.Code(1, 4);
    w.Code(0, 2);
    w.Code(1, 2);
    w.Code(2, 2);
    w.Bits(0b011, 3);
    w.Literal('d');
    w.EndOfBlock();
    Bytes out;
    ASSERT_TRUE(Inflate(Zlib(w.bytes), out, 16));
    EXPECT_EQ(out, Text("abced"));
}

// A dynamic block whose literal/length code is 'a', 'b', end of block and length 10
// (two bits each) and whose distance code has the single one-bit code 0.
BitWriter SingleDistanceCodeBlock()
{
    BitWriter w = DynamicHeader(265, 1);
    for (unsigned s = 0; s < 265; s++) w.Code(s == 'a' || s == 'b' || s == 256 || s == 264 ? 2 : 0, 4);
    w.Code(1, 4);
    w.Code(0, 2);  // 'a'
    w.Code(3, 2);  // length 10
    return w;
}

TEST(Inflate, SingleDistanceCodeDecodes)
{
    BitWriter w = SingleDistanceCodeBlock();
    w.Code(0, 1);  // the one distance code: distance 1
    w.Code(1, 2);  // 'b'
    w.Code(2, 2);  // end of block
    Bytes out;
    ASSERT_TRUE(Inflate(Zlib(w.bytes), out, 32));
    EXPECT_EQ(out, Text("aaaaaaaaaaab"));

    BitWriter other = SingleDistanceCodeBlock();
    other.Code(1, 1);  // the pattern no code owns
    other.Code(2, 2);
    EXPECT_EQ(InflateWhy(Zlib(other.bytes), out, 32), ImageRefusal::DEFLATE_BAD_DISTANCE_CODE);
}

TEST(Inflate, RefusesDamagedStreams)
{
    struct Case { const char* what; Bytes body; ImageRefusal refusal; size_t capacity; };
    const ImageRefusal CUT = ImageRefusal::ZLIB_CUT;
    std::vector<Case> cases = {
        {"reserved block type", {0x07}, ImageRefusal::DEFLATE_BLOCK_TYPE, 16},
        {"no block at all", {}, CUT, 16},
        {"stored block header cut short", {0x01, 0x05, 0x00, 0xFA}, CUT, 16},
        {"stored data cut short", {0x01, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e'}, CUT, 16},
        {"fixed block without its end", {0x4B, 0x4C, 0x4A}, CUT, 16},
        {"last block never comes", {0x00, 0x00, 0x00, 0xFF, 0xFF}, CUT, 16},
    };
    auto add = [&cases](const char* what, const BitWriter& w, ImageRefusal refusal, size_t capacity = 16) {
        cases.push_back({what, w.bytes, refusal, capacity});
    };
    BitWriter far;
    far.Bits(0b011, 3);
    far.Literal('a');
    far.LitLenSymbol(257);
    far.DistanceSymbol(1);  // distance 2 with one byte written
    far.EndOfBlock();
    add("distance reaches before the output", far, ImageRefusal::DEFLATE_DISTANCE_TOO_FAR);

    BitWriter farFirst;
    farFirst.Bits(0b011, 3);
    farFirst.LitLenSymbol(257);
    farFirst.DistanceSymbol(0);
    farFirst.EndOfBlock();
    add("back-reference before any output", farFirst, ImageRefusal::DEFLATE_DISTANCE_TOO_FAR);

    BitWriter full;
    full.Bits(0b011, 3);
    for (char c : std::string("abc")) full.Literal(unsigned(c));
    full.EndOfBlock();
    add("literal with the output full", full, ImageRefusal::DEFLATE_OUTPUT_FULL, 2);

    BitWriter lit286, dist30, dist31;
    lit286.Bits(0b011, 3);
    lit286.LitLenSymbol(286);
    lit286.EndOfBlock();
    add("literal/length symbol 286", lit286, ImageRefusal::DEFLATE_BAD_LITLEN_CODE);
    dist30.Bits(0b011, 3);
    dist30.Literal('a');
    dist30.LitLenSymbol(257);
    dist30.DistanceSymbol(30);
    dist30.EndOfBlock();
    add("distance symbol 30", dist30, ImageRefusal::DEFLATE_BAD_DISTANCE_CODE);
    dist31.Bits(0b011, 3);
    dist31.Literal('a');
    dist31.LitLenSymbol(257);
    dist31.DistanceSymbol(31);
    dist31.EndOfBlock();
    add("distance symbol 31", dist31, ImageRefusal::DEFLATE_BAD_DISTANCE_CODE);

    // The next three would decode to an empty block if the damage were let through.
    BitWriter overLit = DynamicHeader(257, 1);
    for (unsigned s = 0; s < 258; s++) overLit.Code(s == 'a' || s == 'b' || s == 256 || s == 257 ? 1 : 0, 4);
    overLit.Code(0, 1);  // whichever symbol took the pattern "0" last
    add("over-subscribed literal/length code", overLit, ImageRefusal::DEFLATE_CODE_LENGTHS);

    // Code-length code with three one-bit codes (for lengths 0, 8 and 9).
    BitWriter overLengths = CodeLengthCodeHeader(257, 1, {{0, 1}, {8, 1}, {9, 1}});
    for (int i = 0; i < 254; i++) overLengths.Code(1, 1);
    for (int i = 0; i < 4; i++) overLengths.Code(0, 1);
    overLengths.Code(0x1FE, 9);
    add("over-subscribed code-length code", overLengths, ImageRefusal::DEFLATE_CODE_LENGTHS);

    // Lengths 8 ("0"), 9 ("10") and repeat ("11"): 254 eights, two nines, then a repeat
    // of 3 where 2 lengths are left.
    BitWriter pastEnd = CodeLengthCodeHeader(257, 1, {{8, 1}, {9, 2}, {16, 2}});
    for (int i = 0; i < 254; i++) pastEnd.Code(0, 1);
    pastEnd.Code(2, 2);
    pastEnd.Code(2, 2);
    pastEnd.Code(3, 2);
    pastEnd.Bits(0, 2);
    pastEnd.Code(0x1FE, 9);
    add("repeat running past the lengths", pastEnd, ImageRefusal::DEFLATE_REPEAT_PAST_END);

    BitWriter noPrevious = CodeLengthCodeHeader(257, 1, {{8, 1}, {16, 1}});
    noPrevious.Code(1, 1);  // repeat with nothing to repeat
    noPrevious.Bits(0, 16);
    add("repeat with no previous length", noPrevious, ImageRefusal::DEFLATE_REPEAT_FIRST);

    BitWriter noLengths = DynamicHeader(257, 1);
    for (unsigned s = 0; s < 258; s++) noLengths.Code(0, 4);
    noLengths.Bits(0, 16);
    add("literal/length code without any length", noLengths, ImageRefusal::DEFLATE_BAD_LITLEN_CODE);

    BitWriter cutInLengths = DynamicHeader(257, 1);
    for (unsigned s = 0; s < 100; s++) cutInLengths.Code(8, 4);
    add("stream ends inside the code lengths", cutInLengths, CUT);

    for (const Case& c : cases) {
        Bytes out;
        EXPECT_EQ(InflateWhy(Zlib(c.body), out, c.capacity), c.refusal) << c.what;
    }
}

TEST(Inflate, AdlerTrailerIsNotChecked)
{
    Bytes stream = {0x78, 0x9C, 0x4B, 0x4C, 0x4A, 0x06, 0x00, 0x02, 0x4D, 0x01, 0x27};
    Bytes out;
    EXPECT_TRUE(Inflate(stream, out, 8));
    stream[9] ^= 0xFF;
    EXPECT_TRUE(Inflate(stream, out, 8)) << "wrong trailer";
    stream.resize(7);
    EXPECT_TRUE(Inflate(stream, out, 8)) << "no trailer: the stream ends at the input's end";
    EXPECT_EQ(out, Text("abc"));
}

TEST(Inflate, NullOutputWithZeroCapacity)
{
    const unsigned char stream[] = {0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(InflateZlibStream(stream, sizeof stream, nullptr, 0), ImageRefusal::NONE);
}

// ---- Hand-made streams for every path of the decoder ----------------------------

// Writes the symbols of one block and keeps the bytes they stand for, copied one at
// a time as the format defines a match.
struct BlockWriter {
    BitWriter& w;
    Bytes& expected;
    const CanonicalCode& lit;
    const CanonicalCode& dist;

    void Literal(unsigned byte)
    {
        lit.Put(w, byte);
        expected.push_back(uint8_t(byte));
    }
    void Match(unsigned length, unsigned distance)
    {
        ASSERT_LE(distance, expected.size());
        PutMatch(w, lit, dist, length, distance);
        for (unsigned i = 0; i < length; i++) expected.push_back(expected[expected.size() - distance]);
    }
    void End() { lit.Put(w, 256); }
};

// A dynamic block header that gives each literal/length and distance symbol the
// length listed, through the four-bit code-length code of DynamicHeader.
void DefineCodes(BitWriter& w, bool final, const CanonicalCode& lit, const CanonicalCode& dist)
{
    DynamicHeader(w, final, unsigned(lit.lengths.size()), unsigned(dist.lengths.size()));
    for (unsigned len : lit.lengths) w.Code(len, 4);
    for (unsigned len : dist.lengths) w.Code(len, 4);
}

// Gives the patterns `lengths` leave free to spare symbols, one code per set bit of
// what is left, so the code is complete, as an encoder's codes are.
void Complete(std::vector<unsigned>& lengths, std::vector<unsigned> spare)
{
    uint32_t used = 0;
    for (unsigned len : lengths)
        if (len) used += 1u << (15 - len);
    ASSERT_LE(used, 1u << 15);
    for (unsigned len = 15; used < (1u << 15); len--)
        if ((used >> (15 - len)) & 1) {
            ASSERT_FALSE(spare.empty());
            lengths.at(spare.back()) = len;
            spare.pop_back();
            used += 1u << (15 - len);
        }
}

#if QUORVEL_HAVE_ORACLES
// zlib's own decode of a raw deflate stream into `out`, cut to what it wrote; true when
// the stream ended. It judges the test's streams and the damaged ones.
bool ZlibRawInflate(const Bytes& deflateData, Bytes& out)
{
    z_stream zs = {};
    if (inflateInit2(&zs, -15) != Z_OK) return false;
    zs.next_in = const_cast<unsigned char*>(deflateData.data());
    zs.avail_in = uInt(deflateData.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    int result = inflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    inflateEnd(&zs);
    return result == Z_STREAM_END;
}

bool ZlibDecodesTo(const Bytes& deflateData, const Bytes& expected)
{
    Bytes out(expected.size() + 1);
    return ZlibRawInflate(deflateData, out) && out == expected;
}
#endif

// Decodes with room to spare (the word-at-a-time path to nearly the end) and with the
// exact room (the checked path takes over for the last few hundred bytes).
void ExpectDecodes(const Bytes& body, const Bytes& expected, const std::string& what)
{
#if QUORVEL_HAVE_ORACLES
    ASSERT_TRUE(ZlibDecodesTo(body, expected)) << what << ": the test's own stream is wrong";
#endif
    for (size_t room : {size_t(4096), size_t(0)}) {
        Bytes out;
        uint32_t written = 0;
        ASSERT_TRUE(Inflate(Zlib(body), out, expected.size() + room, &written)) << what << ", room " << room;
        ASSERT_EQ(written, expected.size()) << what << ", room " << room;
        ASSERT_TRUE(out == expected) << what << ", room " << room;
    }
}

// Every distance where a copy overlaps itself by less than a word, up to two and a
// half words, with every length: copies are made a word or two at a time, and each
// distance below eight has its own way of spreading the period.
TEST(Inflate, MatchesOfEveryShortDistanceAndLength)
{
    const CanonicalCode lit = FixedLiteralCode(), dist = FixedDistanceCode();
    uint32_t state = 77;
    for (unsigned distance = 1; distance <= 40; distance++) {
        BitWriter w;
        Bytes expected;
        BlockWriter block{w, expected, lit, dist};
        w.Bits(0b011, 3);
        for (unsigned i = 0; i < distance; i++) block.Literal((state = state * 1103515245u + 12345u) >> 24);
        for (unsigned length = 3; length <= 258; length++) {
            block.Match(length, distance);
            block.Literal((state = state * 1103515245u + 12345u) >> 24);  // the next period differs
        }
        block.End();
        ExpectDecodes(w.bytes, expected, "distance " + std::to_string(distance));
    }
}

// Matches only after the first bytes, so any output size cuts a match, here or in
// the checked path, and a match may end exactly at the end of the output.
TEST(Inflate, EveryOutputSizeCutsMatchesAlike)
{
    const CanonicalCode lit = FixedLiteralCode(), dist = FixedDistanceCode();
    BitWriter w;
    Bytes expected;
    BlockWriter block{w, expected, lit, dist};
    w.Bits(0b011, 3);
    for (unsigned i = 0; i < 40; i++) block.Literal((i * 37 + 1) & 0xFF);
    uint32_t state = 5;
    while (expected.size() < 5000) {
        state = state * 1103515245u + 12345u;
        unsigned length = (state >> 16) % 5 == 0 ? 258 : 3 + (state >> 8) % 60;
        block.Match(length, 1 + (state >> 20) % 40);
    }
    block.End();
    ExpectDecodes(w.bytes, expected, "all of it");
    for (size_t capacity = 40; capacity <= expected.size(); capacity++) {
        Bytes out;
        uint32_t written = 0;
        ASSERT_TRUE(Inflate(Zlib(w.bytes), out, capacity, &written)) << capacity;
        ASSERT_EQ(written, capacity);
        ASSERT_TRUE(std::equal(out.begin(), out.end(), expected.begin())) << capacity;
    }
}

// One dynamic block whose codes run from 1 to 15 bits for literals, lengths, the end
// of block and distances alike, so symbols are found in the root tables and in
// sub-tables, with and without extra bits.
struct DeepCodes {
    std::vector<unsigned> litLengths = std::vector<unsigned>(286, 0);
    std::vector<unsigned> distLengths = std::vector<unsigned>(30, 0);

    DeepCodes()
    {
        for (unsigned i = 0; i < 6; i++) litLengths['a' + i] = i + 1;
        for (unsigned s = 257; s <= 264; s++) litLengths[s] = 10;
        for (unsigned s = 265; s <= 272; s++) litLengths[s] = 12;
        for (unsigned s = 273; s <= 284; s++) litLengths[s] = 14;
        litLengths[285] = 15;
        litLengths[256] = 11;
        for (unsigned i = 0; i < 8; i++) litLengths['g' + i] = 13;
        Complete(litLengths, {200, 201, 202, 203, 204, 205, 206, 207});
        for (unsigned s = 0; s < 10; s++) distLengths[s] = s + 1;
        for (unsigned s = 10; s < 14; s++) distLengths[s] = 13;
        for (unsigned s = 14; s < 30; s++) distLengths[s] = 15;
    }

    // A block of `symbols` random literals and matches with any extra bits.
    Bytes Block(unsigned symbols, Bytes& expected, uint32_t seed) const
    {
        const CanonicalCode lit(litLengths), dist(distLengths);
        BitWriter w;
        BlockWriter block{w, expected, lit, dist};
        DefineCodes(w, true, lit, dist);
        std::vector<unsigned> literals;
        for (unsigned s = 0; s < 256; s++)
            if (litLengths[s]) literals.push_back(s);
        uint32_t state = seed;
        for (unsigned n = 0; n < symbols; n++) {
            state = state * 1103515245u + 12345u;
            unsigned r = state >> 8;
            if (expected.empty() || r % 3 != 0) {
                block.Literal(literals[r % literals.size()]);
                continue;
            }
            unsigned ls = 28 - (r >> 4) % 29, ds = (r >> 10) % 30;
            unsigned length = LENGTH_BASES[ls] + (r >> 15) % (1u << LENGTH_EXTRAS[ls]);
            unsigned distance = DISTANCE_BASES[ds] + (state * 7 >> 3) % (1u << DISTANCE_EXTRAS[ds]);
            if (distance > expected.size()) distance = 1 + (r >> 3) % unsigned(expected.size());
            block.Match(length, distance);
        }
        block.End();
        return w.bytes;
    }
};

TEST(Inflate, DeepCodesDecode)
{
    const DeepCodes codes;
    for (uint32_t seed : {1u, 2u, 3u}) {
        Bytes expected;
        Bytes body = codes.Block(20000, expected, seed);
        ExpectDecodes(body, expected, "seed " + std::to_string(seed));
    }
}

// Cut anywhere, a stream fails, however much of it the word-at-a-time path could
// take; the input sits in a buffer of its exact size, so a read past it is caught.
TEST(Inflate, DeepCodesCutAtEveryByteFail)
{
    Bytes expected;
    Bytes stream = Zlib(DeepCodes().Block(1500, expected, 9));
    Bytes out;
    ASSERT_TRUE(Inflate(stream, out, expected.size()));
    for (size_t cut = 0; cut < stream.size(); cut++) {
        Bytes prefix(stream.begin(), stream.begin() + long(cut));
        ASSERT_FALSE(Inflate(prefix, out, expected.size() + 4096)) << "cut at " << cut;
    }
}

// Damage the checked path refuses is refused as well in the middle of a long block,
// where the word-at-a-time path decodes: the symbols that mean nothing, a distance
// before the output, and a pattern an incomplete code leaves free, at the root and
// in a sub-table.
TEST(Inflate, DamageInTheMiddleOfALongBlockIsRefused)
{
    const CanonicalCode fixedLit = FixedLiteralCode(), fixedDist = FixedDistanceCode();
    std::vector<unsigned> withDistance31(32, 5);
    const CanonicalCode allDist(withDistance31);
    struct Case { const char* what; Bytes body; ImageRefusal refusal; };
    std::vector<Case> cases;
    auto fixed = [&](const char* what, ImageRefusal refusal, const CanonicalCode& dist, auto damage) {
        BitWriter w;
        Bytes expected;
        BlockWriter block{w, expected, fixedLit, dist};
        w.Bits(0b011, 3);
        for (unsigned i = 0; i < 600; i++) block.Literal('a' + i % 20);
        damage(w);
        for (unsigned i = 0; i < 100; i++) block.Literal('z');
        block.End();
        cases.push_back({what, w.bytes, refusal});
    };
    const ImageRefusal BAD_LITLEN = ImageRefusal::DEFLATE_BAD_LITLEN_CODE;
    const ImageRefusal BAD_DISTANCE = ImageRefusal::DEFLATE_BAD_DISTANCE_CODE;
    fixed("literal/length symbol 286", BAD_LITLEN, fixedDist, [&](BitWriter& w) { w.LitLenSymbol(286); });
    fixed("literal/length symbol 287", BAD_LITLEN, fixedDist, [&](BitWriter& w) { w.LitLenSymbol(287); });
    fixed("distance symbol 30", BAD_DISTANCE, allDist, [&](BitWriter& w) {
        w.LitLenSymbol(257);
        w.DistanceSymbol(30);
    });
    fixed("distance symbol 31", BAD_DISTANCE, allDist, [&](BitWriter& w) {
        w.LitLenSymbol(257);
        w.DistanceSymbol(31);
    });
    fixed("distance before the output", ImageRefusal::DEFLATE_DISTANCE_TOO_FAR, fixedDist, [&](BitWriter& w) {
        w.LitLenSymbol(257);
        w.DistanceSymbol(19);  // 769 and more, with 600 bytes written
        w.Bits(0, 8);
    });

    // 'a' to 'l' take 1 to 12 bits and the end of block 13, which leaves one 13-bit
    // pattern (all ones) free: beyond an 11-bit root, in a sub-table. 'a', 'b' and the
    // end of block in 1, 2 and 3 bits leave "111" free at the root.
    std::vector<unsigned> deep(257, 0), shallow(257, 0);
    for (unsigned i = 0; i < 12; i++) deep['a' + i] = i + 1;
    deep[256] = 13;
    shallow['a'] = 1;
    shallow['b'] = 2;
    shallow[256] = 3;
    for (const std::vector<unsigned>* lengths : {&deep, &shallow}) {
        const CanonicalCode lit(*lengths), dist(std::vector<unsigned>{1});
        BitWriter w;
        Bytes expected;
        BlockWriter block{w, expected, lit, dist};
        DefineCodes(w, true, lit, dist);
        for (unsigned i = 0; i < 3000; i++) block.Literal(i % 7 ? 'a' : 'b');
        unsigned freeBits = lengths == &deep ? 13 : 3;
        w.Code((1u << freeBits) - 1, freeBits);
        for (unsigned i = 0; i < 100; i++) block.Literal('b');
        block.End();
        cases.push_back(
            {lengths == &deep ? "free pattern in a sub-table" : "free pattern at the root", w.bytes, BAD_LITLEN});
    }

    for (const Case& c : cases) {
        Bytes out;
        EXPECT_EQ(InflateWhy(Zlib(c.body), out, 1 << 16), c.refusal) << c.what;
    }
}

#if QUORVEL_HAVE_ORACLES

// ---- Conformance with zlib's encoder ------------------------------------------

uint32_t NextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

Bytes TextLike(size_t n)
{
    static const char* words[] = {"wall ", "floor ", "ceiling ", "labyrinth ", "goal ", "start ",
                                  "the ", "a ", "torch\n", "door, ", "stone ", "north "};
    Bytes b;
    uint32_t s = 7;
    while (b.size() < n) {
        const char* w = words[NextRandom(s) % 12];
        b.insert(b.end(), w, w + std::strlen(w));
    }
    b.resize(n);
    return b;
}

Bytes BinaryLike(size_t n)
{
    Bytes b(n);
    uint32_t s = 99;
    for (size_t i = 0; i < n; i++) b[i] = uint8_t(NextRandom(s) >> (i % 3 == 0 ? 0 : 16));
    return b;
}

// Smooth gradients with noise and long flat runs, like texture rows.
Bytes ImageLike(size_t n)
{
    Bytes b(n);
    uint32_t s = 5;
    for (size_t i = 0; i < n; i++) {
        size_t x = i % 768, y = i / 768;
        b[i] = (y / 16) % 3 == 0 ? 40 : uint8_t(x / 3 + y + (NextRandom(s) & 3));
    }
    return b;
}

// Very long matches: a short pattern repeated, then a long run of one byte.
Bytes LongMatches(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; i++) b[i] = i < n / 2 ? uint8_t("maze"[i % 4]) : 0;
    return b;
}

// Runs of short repeating patterns (period 2 to 7, as pixels of 2 to 4 bytes make),
// so that matches overlap their own output by less than a word.
Bytes ShortPeriods(size_t n)
{
    Bytes b;
    uint32_t s = 11;
    for (unsigned run = 0; b.size() < n; run++) {
        unsigned period = 2 + run % 6;
        Bytes pattern(period);
        for (unsigned char& c : pattern) c = uint8_t(NextRandom(s));
        size_t length = 9 + NextRandom(s) % 300;
        for (size_t i = 0; i < length; i++) b.push_back(pattern[i % period]);
    }
    b.resize(n);
    return b;
}

// Literals of very uneven frequency: a few bytes get codes of one to three bits, so two
// of them share one lookup, while rare bytes get codes longer than the root table.
Bytes SkewedLiterals(size_t n)
{
    Bytes b(n);
    uint32_t s = 23;
    for (size_t i = 0; i < n; i++) {
        uint32_t r = NextRandom(s);
        unsigned rank = 0;
        while (rank < 40 && (r & 1)) {
            rank++;
            r >>= 1;
            if (r == 0) r = NextRandom(s);
        }
        b[i] = uint8_t(rank * 37 + (rank > 12 ? NextRandom(s) % 5 : 0));
    }
    return b;
}

Bytes Compress(const Bytes& data, int level, int strategy, int windowBits)
{
    z_stream zs = {};
    EXPECT_EQ(deflateInit2(&zs, level, Z_DEFLATED, windowBits, 8, strategy), Z_OK);
    Bytes out(deflateBound(&zs, uLong(data.size())) + 16);
    zs.next_in = const_cast<unsigned char*>(data.data());
    zs.avail_in = uInt(data.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

struct Corpus { const char* name; Bytes data; };

const std::vector<Corpus>& Corpora()
{
    static const std::vector<Corpus> corpora = {
        {"text", TextLike(40000)},   {"text >64 KiB", TextLike(300000)},
        {"binary", BinaryLike(70000)}, {"image", ImageLike(200000)},
        {"long matches", LongMatches(150000)}, {"short periods", ShortPeriods(60000)},
        {"skewed literals", SkewedLiterals(90000)},
        {"tiny", Text("q")},
        {"empty", Bytes()},
    };
    return corpora;
}

void ExpectRoundTrip(const Bytes& data, const Bytes& stream, const std::string& what)
{
    Bytes out;
    uint32_t written = 0;
    ASSERT_TRUE(Inflate(stream, out, data.size() + 100, &written)) << what;
    EXPECT_EQ(written, data.size()) << what;
    EXPECT_TRUE(out == data) << what;
}

TEST(InflateConformance, ZlibLevelsAndStrategies)
{
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const Corpus& c : Corpora())
        for (int level = 0; level <= 9; level++)
            for (int strategy : strategies)
                ExpectRoundTrip(c.data, Compress(c.data, level, strategy, 15),
                                std::string(c.name) + " level " + std::to_string(level) + " strategy " +
                                    std::to_string(strategy));
}

// The loop built for BMI2 is what runs on most machines, the tests' included; the plain
// build runs everywhere else and must agree stroke for stroke, short periods and cut
// outputs included.
TEST(InflateConformance, ThePlainLoopDecodesAlike)
{
    InflateAllowProcessorExtras(false);
    for (const Corpus& c : Corpora())
        for (int level : {1, 6, 9})
            ExpectRoundTrip(c.data, Compress(c.data, level, Z_DEFAULT_STRATEGY, 15),
                            std::string(c.name) + " level " + std::to_string(level) + ", plain loop");
    const Bytes runs = Compress(Bytes(70000, 'r'), 9, Z_RLE, 15);
    for (size_t room : {size_t(1), size_t(300), size_t(69999)}) {
        Bytes out;
        EXPECT_EQ(InflateWhy(runs, out, room), ImageRefusal::NONE) << room;
        EXPECT_TRUE(out == Bytes(room, 'r')) << room;
    }
    InflateAllowProcessorExtras(true);
}

TEST(InflateConformance, ZlibSmallWindows)
{
    for (const Corpus& c : Corpora())
        for (int bits = 9; bits <= 15; bits++) {
            Bytes stream = Compress(c.data, 9, Z_DEFAULT_STRATEGY, bits);
            EXPECT_EQ(stream[0] >> 4, bits - 8);
            ExpectRoundTrip(c.data, stream, std::string(c.name) + " window bits " + std::to_string(bits));
        }
}

// Compressed in pieces of `piece` bytes, each flushed, so every piece ends its block.
Bytes CompressInPieces(const Bytes& data, size_t piece, int strategy)
{
    z_stream zs = {};
    EXPECT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, 15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&zs, uLong(data.size())) + 64 * (data.size() / piece + 2));
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    for (size_t at = 0; at < data.size(); at += piece) {
        zs.next_in = const_cast<unsigned char*>(data.data() + at);
        zs.avail_in = uInt(std::min(piece, data.size() - at));
        EXPECT_EQ(deflate(&zs, Z_PARTIAL_FLUSH), Z_OK);
    }
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// Blocks of every size from one byte, so that blocks end inside the word-at-a-time
// path and inside the checked one, runs of fixed blocks share their tables, and
// dynamic blocks between them build theirs over the ones before.
TEST(InflateConformance, BlocksOfEverySize)
{
    Bytes data = ImageLike(60000);
    Bytes text = TextLike(30000);
    data.insert(data.end(), text.begin(), text.end());
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY})
        for (size_t piece : {size_t(1), size_t(7), size_t(300), size_t(2000), size_t(2047), size_t(2048),
                             size_t(2049), size_t(2100), size_t(4500), size_t(9000)})
            ExpectRoundTrip(data, CompressInPieces(data, piece, strategy),
                            "pieces of " + std::to_string(piece) + " strategy " + std::to_string(strategy));
}

TEST(InflateConformance, ExactCapacityAndTrailerlessStreams)
{
    for (const Corpus& c : Corpora()) {
        Bytes stream = Compress(c.data, 6, Z_DEFAULT_STRATEGY, 15);
        stream.resize(stream.size() - 4);  // the deflate data ends at the end of the input
        Bytes out;
        ASSERT_TRUE(Inflate(stream, out, c.data.size())) << c.name;
        EXPECT_TRUE(out == c.data) << c.name;
    }
}

TEST(InflateConformance, EveryTruncationFails)
{
    Bytes data = TextLike(3000);
    Bytes image = ImageLike(3000);
    data.insert(data.end(), image.begin(), image.end());
    for (int level : {0, 1, 6, 9}) {
        Bytes stream = Compress(data, level, level == 1 ? Z_FIXED : Z_DEFAULT_STRATEGY, 15);
        stream.resize(stream.size() - 4);
        for (size_t cut = 0; cut < stream.size(); cut++) {
            Bytes prefix(stream.begin(), stream.begin() + long(cut)), out;
            EXPECT_FALSE(Inflate(prefix, out, data.size())) << "level " << level << " cut at " << cut;
        }
    }
}

// After its first four literals this stream is matches only, so any output size cuts
// a match and the stream still ends well.
TEST(InflateConformance, OutputSmallerThanTheData)
{
    Bytes data = LongMatches(10000);
    data.resize(5000);
    Bytes stream = Compress(data, 9, Z_DEFAULT_STRATEGY, 15);
    for (size_t capacity : {size_t(4999), size_t(2500), size_t(100), size_t(5)}) {
        Bytes out;
        ASSERT_TRUE(Inflate(stream, out, capacity)) << capacity;
        EXPECT_TRUE(out == Bytes(data.begin(), data.begin() + long(capacity))) << capacity;
    }
}

// Both ways: where zlib accepts a damaged stream ours gives zlib's bytes; where
// zlib refuses one and ours accepts it, the stream must use one of the
// relaxations our inflate makes on purpose (no check of a stored block's
// length complement, up to 288 literal/length and 32 distance codes, codes
// left incomplete), and decode to what a plain decoder with those makes.
TEST(InflateConformance, DamagedStreamsAgreeWithZlib)
{
    Bytes data = TextLike(4000);
    Bytes periods = ShortPeriods(4000);
    data.insert(data.end(), periods.begin(), periods.end());
    uint32_t state = 1234;
    unsigned agreed = 0;
    unsigned relaxedBy[8] = {};
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_NO_COMPRESSION}) {
        Bytes stream = Compress(data, strategy == Z_NO_COMPRESSION ? 0 : 9, strategy == Z_NO_COMPRESSION ? 0 : strategy,
                                -15);
        for (int round = 0; round < 3000; round++) {
            Bytes damaged = stream;
            for (unsigned flips = 1 + NextRandom(state) % 3; flips > 0; flips--)
                damaged[NextRandom(state) % damaged.size()] ^= uint8_t(1u << (NextRandom(state) % 8));
            const std::string what = "strategy " + std::to_string(strategy) + " round " + std::to_string(round);
            Bytes expected(data.size() * 2);
            Bytes out;
            uint32_t written = 0;
            if (ZlibRawInflate(damaged, expected)) {
                ASSERT_TRUE(Inflate(Zlib(damaged), out, data.size() * 2)) << what;
                ASSERT_TRUE(out == expected) << what;
                agreed++;
                continue;
            }
            if (!Inflate(Zlib(damaged), out, data.size() * 2, &written)) continue;
            Bytes reference;
            unsigned relaxations = 0;
            ASSERT_TRUE(ReferenceInflate().Run(damaged, reference, relaxations)) << what << ": accepted beyond the relaxations";
            ASSERT_NE(relaxations, 0u) << what << ": zlib refused a stream that needs no relaxation";
            // Copies past the end of the output are cut, so compare what fits.
            if (reference.size() > out.size()) reference.resize(out.size());
            ASSERT_TRUE(reference == out) << what;
            relaxedBy[relaxations & 7]++;
        }
    }
    EXPECT_GT(agreed, 100u);  // enough damaged streams still decode to make the comparison count
    EXPECT_GT(relaxedBy[RELAXED_STORED_LENGTH], 0u) << "no stored block with a damaged complement was met";
}

// Each relaxation on its own: zlib refuses the stream, ours and the plain
// decoder take it, and the plain decoder names that relaxation and no other.
TEST(InflateConformance, EachRelaxationIsOneZlibRefuses)
{
    struct Case {
        const char* what;
        Bytes stream;
        unsigned relaxation;
        Bytes produces;
    };
    std::vector<Case> cases;
    cases.push_back({"stored length without its complement", {0x01, 0x03, 0x00, 0x12, 0x34, 'a', 'b', 'c'},
                     RELAXED_STORED_LENGTH, Text("abc")});
    // 288 literal/length codes: 'x' and end of block of one bit each, the rest none.
    BitWriter counts = DynamicHeader(288, 1);
    for (unsigned s = 0; s < 288; s++) counts.Code(s == 'x' || s == 256 ? 1 : 0, 4);
    counts.Code(1, 4);
    counts.Code(0, 1);
    counts.Code(1, 1);
    cases.push_back({"288 literal/length codes", counts.bytes, RELAXED_CODE_COUNTS, Text("x")});
    // Two-bit codes for 'c', 'e' and end of block: the fourth pattern is free.
    BitWriter incomplete = DynamicHeader(257, 1);
    for (unsigned s = 0; s < 257; s++) incomplete.Code(s == 'c' || s == 'e' || s == 256 ? 2 : 0, 4);
    incomplete.Code(1, 4);
    incomplete.Code(0, 2);
    incomplete.Code(1, 2);
    incomplete.Code(2, 2);
    cases.push_back({"an incomplete literal/length code", incomplete.bytes, RELAXED_INCOMPLETE_CODE, Text("ce")});

    for (const Case& c : cases) {
        Bytes zlibOut(64);
        EXPECT_FALSE(ZlibRawInflate(c.stream, zlibOut)) << c.what << ": zlib takes it after all";
        Bytes ours;
        ASSERT_TRUE(Inflate(Zlib(c.stream), ours, 64)) << c.what;
        EXPECT_EQ(ours, c.produces) << c.what;
        Bytes reference;
        unsigned relaxations = 0;
        ASSERT_TRUE(ReferenceInflate().Run(c.stream, reference, relaxations)) << c.what;
        EXPECT_EQ(relaxations, c.relaxation) << c.what;
        EXPECT_EQ(reference, c.produces) << c.what;
    }
}

#endif  // QUORVEL_HAVE_ORACLES

}  // namespace
