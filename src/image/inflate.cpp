#include "image/inflate.h"

#include <cstring>

// Decoding is table driven: a first-level table indexed by the low "root" bits of
// the bit buffer, with links to second-level tables for the longer codes. All the
// tables of a block live in one fixed table space, and a table of literal pairs
// derived from them sits beside it; nothing is allocated per stream.

namespace {

struct CodeEntry {
    uint8_t op;      // see the OP_ values
    uint8_t bits;    // code bits this entry consumes (beyond the root bits in a sub-table)
    uint16_t value;  // literal, base length or distance, or a sub-table offset
};

// Operations: 0 literal or plain symbol; 1..15 link to a sub-table of 2^op entries;
// 16 + n base with n extra bits; the rest end the block or mark invalid codes.
const uint8_t OP_LITERAL = 0;
const uint8_t OP_BASE = 16;
const uint8_t OP_END_OF_BLOCK = 96;
const uint8_t OP_INVALID = 64;
const uint8_t OP_INVALID_286 = 76;
const uint8_t OP_INVALID_287 = 66;

enum CodeKind { CODE_LENGTHS, CODE_LITLEN, CODE_DISTANCE };

// The worst complete literal/length code with 9 root bits needs 852 entries and the
// worst distance code with 6 root bits 592; the builder still checks every table
// against this limit, so damaged codes cannot write past it.
const unsigned TABLE_SPACE = 1444;
const unsigned MAX_CODE_BITS = 15;
const unsigned MAX_LENGTHS = 320;  // 288 literal/length codes + 32 distance codes
const unsigned LITLEN_ROOT = 9;
const unsigned DISTANCE_ROOT = 6;
const unsigned FIXED_DISTANCE_ROOT = 5;
const unsigned CODE_LENGTH_ROOT = 7;

const uint16_t LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t DISTANCE_BASE[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                    33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Order in which a dynamic block lists the lengths of the code-length code.
const uint8_t CODE_LENGTH_ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Bits arrive least significant first. `bits` holds `count` valid bits; any bits
// above them are either zero or the true upcoming input bits, so a table lookup may
// peek past `count` as long as the entry it finds is no longer than `count`.
struct BitReader {
    const unsigned char* next;
    const unsigned char* end;
    uint64_t bits;
    unsigned count;
};

struct Output {
    unsigned char* start;
    unsigned char* next;
    unsigned char* end;
};

// One or two literals read with a single lookup of PAIR_BITS input bits: noisy data
// such as image rows is mostly literals, and halving the dependent table loads per
// byte is what speeds it up. Derived from the root literal/length table of the block;
// a count of 0 sends the decoder to that table.
const unsigned PAIR_BITS = 11;

struct LiteralPair {
    uint8_t first;
    uint8_t second;
    uint8_t count;  // literals the entry holds: 0, 1 or 2
    uint8_t bits;   // code bits they take together
};

struct Inflater {
    BitReader in;
    Output out;
    LiteralPair pairs[1u << PAIR_BITS];
    CodeEntry table[TABLE_SPACE];
    uint16_t lengths[MAX_LENGTHS];
    uint16_t work[288];
    unsigned litRoot;
    unsigned distanceRoot;
    uint16_t distanceStart;  // where the distance table begins in `table`
    bool fixedTablesBuilt;
    bool pairsBuilt;  // `pairs` matches the literal/length table in `table`
};

uint64_t LoadLe64(const unsigned char* p)
{
    return uint64_t(p[0]) | uint64_t(p[1]) << 8 | uint64_t(p[2]) << 16 | uint64_t(p[3]) << 24 |
           uint64_t(p[4]) << 32 | uint64_t(p[5]) << 40 | uint64_t(p[6]) << 48 | uint64_t(p[7]) << 56;
}

// Tops the buffer up to 56 to 63 bits; the caller guarantees 8 readable input bytes,
// so there is no branch: whole bytes beyond the 64-bit word simply wait.
inline void RefillFast(BitReader& br)
{
    br.bits |= LoadLe64(br.next) << br.count;
    br.next += (63 - br.count) >> 3;
    br.count |= 56;  // count + 8 * ((63 - count) / 8) for any count below 64
}

// Tops the buffer up to at least 56 bits where the input allows. Whole words are read
// only while 8 bytes remain, so nothing past the input is ever touched.
inline void Refill(BitReader& br)
{
    if (br.end - br.next >= 8) {
        br.bits |= LoadLe64(br.next) << br.count;
        unsigned take = (63 - br.count) >> 3;
        br.next += take;
        br.count += take * 8;
        return;
    }
    while (br.count <= 56 && br.next < br.end) {
        br.bits |= uint64_t(*br.next++) << br.count;
        br.count += 8;
    }
}

inline bool TakeBits(BitReader& br, unsigned n, unsigned& value)
{
    if (br.count < n) {
        Refill(br);
        if (br.count < n) return false;
    }
    value = unsigned(br.bits & ((uint64_t(1) << n) - 1));
    br.bits >>= n;
    br.count -= n;
    return true;
}

inline void DropBits(BitReader& br, unsigned n)
{
    br.bits >>= n;
    br.count -= n;
}

// Resolves the entry under the low bits of the buffer, following a link into its
// sub-table, and reports how many bits the whole code takes.
inline CodeEntry LookUp(const BitReader& br, const CodeEntry* table, unsigned root, unsigned& used)
{
    CodeEntry e = table[br.bits & ((1u << root) - 1)];
    used = e.bits;
    if (e.op >= 1 && e.op <= 15) {
        e = table[e.value + ((br.bits >> root) & ((1u << e.op) - 1))];
        used = root + e.bits;
    }
    return e;
}

bool DecodeSymbol(BitReader& br, const CodeEntry* table, unsigned root, CodeEntry& entry)
{
    if (br.count < MAX_CODE_BITS) Refill(br);
    unsigned used;
    entry = LookUp(br, table, root, used);
    if (used > br.count) return false;
    DropBits(br, used);
    return true;
}

// ---- Table construction -------------------------------------------------------

CodeEntry SymbolEntry(CodeKind kind, unsigned symbol)
{
    CodeEntry e = {OP_LITERAL, 0, uint16_t(symbol)};
    if (kind == CODE_DISTANCE) {
        if (symbol < 30) e = {uint8_t(OP_BASE + DISTANCE_EXTRA[symbol]), 0, DISTANCE_BASE[symbol]};
        else e = {OP_INVALID, 0, 0};
    } else if (kind == CODE_LITLEN && symbol >= 256) {
        if (symbol == 256) e = {OP_END_OF_BLOCK, 0, 0};
        else if (symbol < 286) e = {uint8_t(OP_BASE + LENGTH_EXTRA[symbol - 257]), 0, LENGTH_BASE[symbol - 257]};
        else e = {symbol == 286 ? OP_INVALID_286 : OP_INVALID_287, 0, 0};
    }
    return e;
}

// Steps a bit-reversed code of `len` bits to the next code in canonical order.
unsigned NextReversedCode(unsigned code, unsigned len)
{
    unsigned inc = 1u << (len - 1);
    while (code & inc) inc >>= 1;
    return inc ? (code & (inc - 1)) + inc : 0;
}

// Index bits of a sub-table opened for a code of `len` bits: grown until the
// remaining codes of that length and longer fill it.
unsigned SubTableBits(const unsigned* remaining, unsigned len, unsigned root, unsigned maxLen)
{
    unsigned curr = len - root;
    int left = 1 << curr;
    while (curr + root < maxLen) {
        left -= int(remaining[curr + root]);
        if (left <= 0) break;
        curr++;
        left <<= 1;
    }
    return curr;
}

void FillEntries(CodeEntry* table, unsigned size, CodeEntry e)
{
    for (unsigned i = 0; i < size; i++) table[i] = e;
}

// Sorts the symbols with a length into canonical order: by length, then symbol.
void SortSymbols(const uint16_t* lengths, unsigned count, const unsigned* perLength, uint16_t* work)
{
    unsigned offsets[MAX_CODE_BITS + 2];
    offsets[1] = 0;
    for (unsigned len = 1; len <= MAX_CODE_BITS; len++) offsets[len + 1] = offsets[len] + perLength[len];
    for (unsigned symbol = 0; symbol < count; symbol++)
        if (lengths[symbol] != 0) work[offsets[lengths[symbol]]++] = uint16_t(symbol);
}

// Counts the codes of each length; false for an over-subscribed code (more codes of
// some length than the shorter ones leave room for).
bool CountLengths(const uint16_t* lengths, unsigned count, unsigned* perLength, unsigned& maxLen,
                  unsigned& minLen)
{
    for (unsigned len = 0; len <= MAX_CODE_BITS; len++) perLength[len] = 0;
    for (unsigned i = 0; i < count; i++) perLength[lengths[i]]++;
    perLength[0] = 0;
    int left = 1;
    for (unsigned len = 1; len <= MAX_CODE_BITS; len++) {
        left = (left << 1) - int(perLength[len]);
        if (left < 0) return false;
    }
    maxLen = MAX_CODE_BITS;
    while (maxLen > 0 && perLength[maxLen] == 0) maxLen--;
    minLen = 1;
    while (minLen < maxLen && perLength[minLen] == 0) minLen++;
    return true;
}

// Writes the entries of the sorted symbols into the root table and, for codes longer
// than the root bits, into sub-tables placed after it; `used` grows by their sizes.
bool PlaceCodes(CodeKind kind, const uint16_t* lengths, const uint16_t* work, unsigned* perLength,
                unsigned maxLen, CodeEntry* rootTable, unsigned root, unsigned room, unsigned& used)
{
    unsigned code = 0;          // bit-reversed canonical code
    unsigned currentLow = ~0u;  // root bits shared by the codes of the current sub-table
    CodeEntry* sub = nullptr;
    unsigned subSize = 0, symbols = 0;
    for (unsigned len = 1; len <= maxLen; len++) symbols += perLength[len];
    for (unsigned i = 0; i < symbols; i++) {
        unsigned len = lengths[work[i]];
        CodeEntry* target = rootTable;
        unsigned drop = 0, size = 1u << root;
        if (len > root) {
            unsigned low = code & ((1u << root) - 1);
            if (low != currentLow) {
                unsigned bits = SubTableBits(perLength, len, root, maxLen);
                subSize = 1u << bits;
                if (used + subSize > room) return false;
                sub = rootTable + used;
                FillEntries(sub, subSize, CodeEntry{OP_INVALID, 0, 0});
                rootTable[low] = CodeEntry{uint8_t(bits), uint8_t(root), uint16_t(used)};
                used += subSize;
                currentLow = low;
            }
            target = sub;
            drop = root;
            size = subSize;
        }
        CodeEntry e = SymbolEntry(kind, work[i]);
        e.bits = uint8_t(len - drop);
        for (unsigned index = code >> drop; index < size; index += 1u << (len - drop)) target[index] = e;
        code = NextReversedCode(code, len);
        perLength[len]--;  // sub-tables are sized by the codes still to come
    }
    return true;
}

// Builds the two-level table of a canonical code at `start`, adjusting `root` to the
// lengths present and advancing `start` past the table. Over-subscribed codes and
// tables that would leave the table space are refused. The entries an incomplete
// code leaves free stay invalid; a code with no lengths gets a table of invalid entries.
bool BuildCodeTable(CodeKind kind, const uint16_t* lengths, unsigned count, uint16_t& start, CodeEntry* space,
                    unsigned& root, uint16_t* work)
{
    unsigned perLength[MAX_CODE_BITS + 1], maxLen, minLen;
    if (!CountLengths(lengths, count, perLength, maxLen, minLen)) return false;
    if (root > maxLen) root = maxLen;
    if (root < minLen) root = minLen;
    unsigned used = 1u << root;
    if (start + used > TABLE_SPACE) return false;
    CodeEntry* rootTable = space + start;
    FillEntries(rootTable, used, CodeEntry{OP_INVALID, 0, 0});
    if (maxLen > 0) {
        SortSymbols(lengths, count, perLength, work);
        if (!PlaceCodes(kind, lengths, work, perLength, maxLen, rootTable, root, TABLE_SPACE - start, used))
            return false;
    }
    start = uint16_t(start + used);
    return true;
}

// Fills the pair table from the root literal/length table. An entry found in the root
// table stands for every index that shares its low `bits` bits, so a second code may be
// looked up with the unknown high bits as zeros as long as it fits in what remains.
void BuildLiteralPairs(Inflater& z)
{
    const unsigned rootMask = (1u << z.litRoot) - 1;
    for (unsigned index = 0; index < (1u << PAIR_BITS); index++) {
        LiteralPair pair = {0, 0, 0, 0};
        CodeEntry first = z.table[index & rootMask];
        if (first.op == OP_LITERAL && first.bits <= PAIR_BITS) {
            pair = {uint8_t(first.value), 0, 1, first.bits};
            unsigned rest = index >> first.bits;
            CodeEntry second = z.table[rest & rootMask];
            if (second.op == OP_LITERAL && first.bits + second.bits <= PAIR_BITS) {
                pair.second = uint8_t(second.value);
                pair.count = 2;
                pair.bits = uint8_t(first.bits + second.bits);
            }
        }
        z.pairs[index] = pair;
    }
}

void BuildFixedTables(Inflater& z)
{
    for (unsigned s = 0; s < 144; s++) z.lengths[s] = 8;
    for (unsigned s = 144; s < 256; s++) z.lengths[s] = 9;
    for (unsigned s = 256; s < 280; s++) z.lengths[s] = 7;
    for (unsigned s = 280; s < 288; s++) z.lengths[s] = 8;
    for (unsigned s = 288; s < 320; s++) z.lengths[s] = 5;
    uint16_t start = 0;
    z.litRoot = LITLEN_ROOT;
    BuildCodeTable(CODE_LITLEN, z.lengths, 288, start, z.table, z.litRoot, z.work);
    z.distanceStart = start;
    z.distanceRoot = FIXED_DISTANCE_ROOT;
    BuildCodeTable(CODE_DISTANCE, z.lengths + 288, 32, start, z.table, z.distanceRoot, z.work);
    z.fixedTablesBuilt = true;
    z.pairsBuilt = false;
}

// ---- Dynamic code definitions -------------------------------------------------

bool ReadCodeLengthCode(Inflater& z, unsigned codeLengthCount, unsigned& root)
{
    for (unsigned i = 0; i < 19; i++) z.lengths[i] = 0;
    for (unsigned i = 0; i < codeLengthCount; i++) {
        unsigned len;
        if (!TakeBits(z.in, 3, len)) return false;
        z.lengths[CODE_LENGTH_ORDER[i]] = uint16_t(len);
    }
    uint16_t start = 0;
    root = CODE_LENGTH_ROOT;
    return BuildCodeTable(CODE_LENGTHS, z.lengths, 19, start, z.table, root, z.work);
}

// Reads `total` code lengths with the code-length code; repeats may cross from the
// literal/length lengths into the distance lengths but not past the end.
bool ReadCodeLengths(Inflater& z, unsigned total, unsigned root)
{
    unsigned n = 0;
    while (n < total) {
        CodeEntry e;
        if (!DecodeSymbol(z.in, z.table, root, e)) return false;
        if (e.op != OP_LITERAL) return false;
        unsigned symbol = e.value, repeat = 0, fill = 0, extra;
        if (symbol < 16) {
            z.lengths[n++] = uint16_t(symbol);
            continue;
        }
        if (symbol == 16) {
            if (n == 0 || !TakeBits(z.in, 2, extra)) return false;
            fill = z.lengths[n - 1];
            repeat = 3 + extra;
        } else if (symbol == 17) {
            if (!TakeBits(z.in, 3, extra)) return false;
            repeat = 3 + extra;
        } else {
            if (!TakeBits(z.in, 7, extra)) return false;
            repeat = 11 + extra;
        }
        if (repeat > total - n) return false;
        while (repeat--) z.lengths[n++] = uint16_t(fill);
    }
    return true;
}

bool ReadDynamicTables(Inflater& z)
{
    unsigned header;
    if (!TakeBits(z.in, 14, header)) return false;
    unsigned litCount = (header & 31) + 257;
    unsigned distanceCount = ((header >> 5) & 31) + 1;
    unsigned codeLengthCount = (header >> 10) + 4;
    unsigned root;
    if (!ReadCodeLengthCode(z, codeLengthCount, root)) return false;
    if (!ReadCodeLengths(z, litCount + distanceCount, root)) return false;
    uint16_t start = 0;
    z.litRoot = LITLEN_ROOT;
    if (!BuildCodeTable(CODE_LITLEN, z.lengths, litCount, start, z.table, z.litRoot, z.work)) return false;
    z.distanceStart = start;
    z.distanceRoot = DISTANCE_ROOT;
    if (!BuildCodeTable(CODE_DISTANCE, z.lengths + litCount, distanceCount, start, z.table, z.distanceRoot,
                        z.work))
        return false;
    z.pairsBuilt = false;
    return true;
}

// ---- Block decoding -----------------------------------------------------------

bool CopyStored(Inflater& z)
{
    BitReader& br = z.in;
    DropBits(br, br.count & 7);
    br.next -= br.count >> 3;  // hand whole buffered bytes back to the input
    br.bits = 0;
    br.count = 0;
    if (br.end - br.next < 4) return false;
    unsigned len = br.next[0] | unsigned(br.next[1]) << 8;
    br.next += 4;  // the complement that follows is not checked
    if (unsigned(br.end - br.next) < len) return false;
    size_t room = size_t(z.out.end - z.out.next);
    size_t copy = len < room ? len : room;
    if (copy) std::memcpy(z.out.next, br.next, copy);
    z.out.next += copy;
    br.next += len;
    return true;
}

// Forward copy of an earlier stretch of output; overlapping copies repeat the most
// recent bytes. Callers leave 16 bytes of slack after the copy: whole words are written.
inline void CopyMatchFast(unsigned char* dst, unsigned distance, unsigned length)
{
    const unsigned char* src = dst - distance;
    unsigned char* stop = dst + length;
    if (distance >= 8) {
        // Two words without a test cover most matches; word by word, overlap is harmless.
        std::memcpy(dst, src, 8);
        std::memcpy(dst + 8, src + 8, 8);
        dst += 16;
        src += 16;
        while (dst < stop) {
            std::memcpy(dst, src, 8);
            dst += 8;
            src += 8;
        }
    } else if (distance == 1) {
        std::memset(dst, *src, length);
    } else {
        // The first 8 bytes one at a time; after that the pattern repeats from a whole
        // number of periods back, at least 8 bytes away, so words can be copied.
        static const uint8_t PERIODS_OF_8[8] = {0, 0, 8, 9, 8, 10, 12, 14};
        for (int i = 0; i < 8; i++) dst[i] = src[i];
        unsigned step = PERIODS_OF_8[distance];
        for (dst += 8; dst < stop; dst += 8) std::memcpy(dst, dst - step, 8);
    }
}

enum BlockResult { BLOCK_DONE, BLOCK_FAILED, BLOCK_SLOW };

// Literals come in runs: up to three pair lookups (at most 33 of the 56 bits held)
// store up to six of them, and the 23 bits left still hold any whole code. Returns
// the next entry of the main table, not yet consumed, with at least 56 bits held,
// enough for a whole length/distance pair; refilling after the lookup keeps the
// refill off the path from the last literal to that entry. Needs 16 input bytes
// left and 7 bytes of output room. Without pairs it only looks up the main table.
template <bool WITH_PAIRS>
inline CodeEntry TakeLiterals(BitReader& br, const LiteralPair* pairs, const CodeEntry* table, unsigned root,
                              unsigned char*& out, unsigned& used)
{
    RefillFast(br);
    for (int i = 0; WITH_PAIRS && i < 3; i++) {
        LiteralPair pair = pairs[br.bits & ((1u << PAIR_BITS) - 1)];
        if (pair.count == 0) break;
        out[0] = pair.first;
        out[1] = pair.second;  // a stray byte when count is 1, overwritten next
        out += pair.count;
        DropBits(br, pair.bits);
    }
    CodeEntry e = LookUp(br, table, root, used);
    RefillFast(br);
    return e;
}

// Decoding while at least 16 input bytes and a full match plus slack of output remain,
// so no step has to check its bits or its room. The state is held in locals: byte
// stores to the output could otherwise alias it and force reloads on every symbol.
// Without pairs the loop also stops once the output reaches `stop`.
template <bool WITH_PAIRS>
BlockResult DecodeFast(Inflater& z, const unsigned char* stop)
{
    BitReader br = z.in;
    const LiteralPair* pairs = z.pairs;
    const CodeEntry* litTable = z.table;
    const CodeEntry* distTable = z.table + z.distanceStart;
    const unsigned litRoot = z.litRoot, distanceRoot = z.distanceRoot;
    unsigned char* const start = z.out.start;
    unsigned char* const end = z.out.end;
    unsigned char* out = z.out.next;
    BlockResult result = BLOCK_SLOW;
    while (end - out >= 258 + 16 && br.end - br.next >= 16 && (WITH_PAIRS || out < stop)) {
        unsigned used;
        CodeEntry e = TakeLiterals<WITH_PAIRS>(br, pairs, litTable, litRoot, out, used);
        DropBits(br, used);
        if (e.op == OP_LITERAL) {
            *out++ = uint8_t(e.value);
            continue;
        }
        if (e.op == OP_END_OF_BLOCK) { result = BLOCK_DONE; break; }
        if ((e.op & 0xF0) != OP_BASE) { result = BLOCK_FAILED; break; }
        unsigned extra = e.op & 15;
        unsigned length = e.value + unsigned(br.bits & ((1u << extra) - 1));
        DropBits(br, extra);
        e = LookUp(br, distTable, distanceRoot, used);
        DropBits(br, used);
        if ((e.op & 0xF0) != OP_BASE) { result = BLOCK_FAILED; break; }
        extra = e.op & 15;
        unsigned distance = e.value + unsigned(br.bits & ((1u << extra) - 1));
        DropBits(br, extra);
        if (distance > size_t(out - start)) { result = BLOCK_FAILED; break; }
        CopyMatchFast(out, distance, length);
        out += length;
    }
    z.in = br;
    z.out.next = out;
    return result;
}

// One symbol at a time with every step checked; used near the ends of the buffers.
BlockResult DecodeSlowSymbol(Inflater& z)
{
    CodeEntry e;
    if (!DecodeSymbol(z.in, z.table, z.litRoot, e)) return BLOCK_FAILED;
    if (e.op == OP_LITERAL) {
        if (z.out.next == z.out.end) return BLOCK_FAILED;
        *z.out.next++ = uint8_t(e.value);
        return BLOCK_SLOW;
    }
    if (e.op == OP_END_OF_BLOCK) return BLOCK_DONE;
    if ((e.op & 0xF0) != OP_BASE) return BLOCK_FAILED;
    unsigned extra, distanceExtra;
    if (!TakeBits(z.in, e.op & 15, extra)) return BLOCK_FAILED;
    unsigned length = e.value + extra;
    if (!DecodeSymbol(z.in, z.table + z.distanceStart, z.distanceRoot, e)) return BLOCK_FAILED;
    if ((e.op & 0xF0) != OP_BASE || !TakeBits(z.in, e.op & 15, distanceExtra)) return BLOCK_FAILED;
    unsigned distance = e.value + distanceExtra;
    if (distance > size_t(z.out.next - z.out.start)) return BLOCK_FAILED;
    size_t room = size_t(z.out.end - z.out.next);
    if (length > room) length = unsigned(room);  // cut at the end of the output, not an error
    const unsigned char* from = z.out.next - distance;
    for (unsigned i = 0; i < length; i++) z.out.next[i] = from[i];
    z.out.next += length;
    return BLOCK_SLOW;
}

// Building the pair table costs about as much as decoding this many bytes without it,
// so a block builds it only once it has produced that much: a stream of tiny blocks
// then pays for each block's tables in proportion to the block itself.
const size_t PAIRS_PAY_BACK = 2048;

bool DecodeBlock(Inflater& z)
{
    const unsigned char* pairsFrom =
        size_t(z.out.end - z.out.next) > PAIRS_PAY_BACK ? z.out.next + PAIRS_PAY_BACK : z.out.end;
    for (;;) {
        if (!z.pairsBuilt && z.out.next >= pairsFrom) {
            BuildLiteralPairs(z);
            z.pairsBuilt = true;
        }
        BlockResult r = z.pairsBuilt ? DecodeFast<true>(z, nullptr) : DecodeFast<false>(z, pairsFrom);
        if (r == BLOCK_SLOW) r = DecodeSlowSymbol(z);
        if (r == BLOCK_DONE) return true;
        if (r == BLOCK_FAILED) return false;
    }
}

bool InflateBlocks(Inflater& z)
{
    for (;;) {
        unsigned header;
        if (!TakeBits(z.in, 3, header)) return false;
        unsigned type = header >> 1;
        bool ok = false;
        if (type == 0) {
            ok = CopyStored(z);
        } else if (type == 1) {
            if (!z.fixedTablesBuilt) BuildFixedTables(z);
            ok = DecodeBlock(z);
        } else if (type == 2) {
            z.fixedTablesBuilt = false;
            ok = ReadDynamicTables(z) && DecodeBlock(z);
        }
        if (!ok) return false;
        if (header & 1) return true;
    }
}

// Method 8 with any window size the format allows: the whole output is in the
// caller's buffer, so a smaller declared window needs nothing more.
bool AcceptHeader(const unsigned char* in, uint32_t inLength)
{
    if (inLength < 2) return false;
    unsigned cmf = in[0], flg = in[1];
    if ((cmf & 15) != 8 || (cmf >> 4) > 7) return false;
    if ((cmf * 256 + flg) % 31 != 0) return false;
    return (flg & 0x20) == 0;  // preset dictionaries are refused
}

}  // namespace

bool InflateZlibStreamCounted(const unsigned char* in, uint32_t inLength, unsigned char* out, uint32_t outCapacity,
                              uint32_t& written)
{
    if (!in || !AcceptHeader(in, inLength)) return false;
    if (!out) outCapacity = 0;
    Inflater z;  // about 15 KiB, all of the working memory
    z.in = BitReader{in + 2, in + inLength, 0, 0};
    z.out = Output{out, out, out + outCapacity};
    z.fixedTablesBuilt = false;
    z.pairsBuilt = false;
    if (!InflateBlocks(z)) return false;
    written = uint32_t(z.out.next - z.out.start);
    return true;
}

bool InflateZlibStream(const unsigned char* in, uint32_t inLength, unsigned char* out, uint32_t outCapacity)
{
    uint32_t written;
    return InflateZlibStreamCounted(in, inLength, out, outCapacity, written);
}
