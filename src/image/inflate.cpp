#include "image/inflate.h"

#include <algorithm>
#include <cstring>

// Decoding is table driven: a first-level table indexed by the low "root" bits of
// the bit buffer, with links to second-level tables for the longer codes. All the
// tables of a block live in one fixed table space; nothing is allocated per stream.
//
// Every table slot is one 32-bit word that says all the decoder needs, so a symbol
// costs one load and one shift: the low byte is the number of bits to drop (the code
// and, for a length or distance, its extra bits), bits 8-11 the code's own length
// (the extra bits sit just above it), bits 16-31 the literal, base value or sub-table
// offset, and the flags below tell the kinds apart.

#if defined(__GNUC__)
#define ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define ALWAYS_INLINE inline
#endif

namespace {

const uint32_t ENTRY_LITERAL = 0x1000u;      // a literal byte
const uint32_t ENTRY_SPECIAL = 0x8000u;      // neither symbol nor base: link, end or invalid
const uint32_t ENTRY_LINK = 0x4000u;         // bits 8-11 are the sub-table's index bits
const uint32_t ENTRY_END = 0x2000u;          // end of block
const uint32_t ENTRY_INVALID = ENTRY_SPECIAL;  // drops nothing, so it cannot consume input

enum CodeKind { CODE_LENGTHS, CODE_LITLEN, CODE_DISTANCE };

// The root bits cover nearly every code of real streams in one lookup. The table
// space holds the largest pair of complete codes: a sub-table of 2^k entries serves
// at least k + 1 codes, so 288 literal/length codes need at most 57 sub-tables of 16
// and one of 4 beyond the 2048 root entries, and 32 distance codes at most 4
// sub-tables of 128 beyond 256. Incomplete codes may need more; the builder checks
// every table against the limit, so damaged codes cannot write past it.
const unsigned LITLEN_ROOT = 11;
const unsigned DISTANCE_ROOT = 8;
const unsigned CODE_LENGTH_ROOT = 7;
const unsigned TABLE_SPACE = (2048 + 57 * 16 + 4) + (256 + 4 * 128);
const unsigned MAX_CODE_BITS = 15;
const unsigned MAX_LENGTHS = 320;  // 288 literal/length codes + 32 distance codes

constexpr uint16_t LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t DISTANCE_BASE[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                    33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3,  3,  4,  4,  5,  5,  6,
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

struct Inflater {
    BitReader in;
    Output out;
    uint32_t table[TABLE_SPACE];
    uint8_t lengths[MAX_LENGTHS];
    uint16_t work[288];
    unsigned litRoot;
    unsigned distanceRoot;
    uint16_t distanceStart;  // where the distance table begins in `table`
    bool fixedTablesBuilt;
    ImageRefusal refusal;    // why a block was given up, set as it is
};

inline unsigned EntryBits(uint32_t e) { return e & 0xFF; }
inline unsigned EntryValue(uint32_t e) { return e >> 16; }

// The extra bits of a length or distance, which follow the code itself. `before` is the
// buffer as it was before the entry was dropped and `after` the same shifted right by the
// entry's bits, so shifting `after` back and comparing leaves just the bits dropped; the
// code's length is then shifted off. Entries of lengths, distances and code-length symbols
// have bits 12-15 clear, so bits 8-13 are the code's length: a shift count as it stands.
inline unsigned ExtraValue(uint64_t before, uint64_t after, uint32_t e)
{
    return unsigned((before ^ (after << (e & 63))) >> ((e >> 8) & 63));
}

uint64_t LoadLe64(const unsigned char* p)
{
    return uint64_t(p[0]) | uint64_t(p[1]) << 8 | uint64_t(p[2]) << 16 | uint64_t(p[3]) << 24 |
           uint64_t(p[4]) << 32 | uint64_t(p[5]) << 40 | uint64_t(p[6]) << 48 | uint64_t(p[7]) << 56;
}

inline void StoreLe64(unsigned char* p, uint64_t v)
{
    for (int i = 0; i < 8; i++) p[i] = uint8_t(v >> (8 * i));
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

// Decodes one symbol with every step checked against the bits held: the entry comes
// back with its code and extra bits dropped, and `before` keeps the buffer from just
// before, where the extra bits are read.
bool DecodeSymbol(BitReader& br, const uint32_t* table, unsigned root, uint32_t& entry, uint64_t& before)
{
    if (br.count < 32) Refill(br);
    uint32_t e = table[br.bits & ((uint64_t(1) << root) - 1)];
    if (e & ENTRY_LINK) {
        if (EntryBits(e) > br.count) return false;
        DropBits(br, EntryBits(e));
        e = table[EntryValue(e) + (br.bits & ((uint64_t(1) << ((e >> 8) & 15)) - 1))];
    }
    if (EntryBits(e) > br.count) return false;
    before = br.bits;
    DropBits(br, EntryBits(e));
    entry = e;
    return true;
}

// ---- Table construction -------------------------------------------------------

// The entry of each symbol but for its code's length: adding `codeBits * 0x101`
// puts the bits looked up at this level into both the bits to drop and the code's
// own length. Symbols that mean nothing (literal/length 286 and 287, distances 30
// and 31) take part in the code but decode as invalid.
struct EntryTemplates {
    uint32_t litlen[288];
    uint32_t distance[32];
    uint32_t codeLength[19];
    constexpr EntryTemplates() : litlen(), distance(), codeLength()
    {
        for (unsigned s = 0; s < 256; s++) litlen[s] = ENTRY_LITERAL | s << 16;
        litlen[256] = ENTRY_SPECIAL | ENTRY_END;
        for (unsigned s = 257; s < 286; s++) litlen[s] = uint32_t(LENGTH_BASE[s - 257]) << 16 | LENGTH_EXTRA[s - 257];
        litlen[286] = litlen[287] = ENTRY_INVALID;
        for (unsigned s = 0; s < 30; s++) distance[s] = uint32_t(DISTANCE_BASE[s]) << 16 | DISTANCE_EXTRA[s];
        distance[30] = distance[31] = ENTRY_INVALID;
        // The repeat symbols carry their count's extra bits like a length does.
        for (unsigned s = 0; s < 19; s++) codeLength[s] = s << 16;
        codeLength[16] |= 2;
        codeLength[17] |= 3;
        codeLength[18] |= 7;
    }
};
constexpr EntryTemplates ENTRY_TEMPLATES;

const uint32_t* TemplatesOf(CodeKind kind)
{
    return kind == CODE_LITLEN ? ENTRY_TEMPLATES.litlen
                               : kind == CODE_DISTANCE ? ENTRY_TEMPLATES.distance : ENTRY_TEMPLATES.codeLength;
}

// Bits arrive least significant first but codes are defined most significant bit
// first, so tables are indexed by codes reversed.
struct ReversedBytes {
    uint8_t of[256];
    constexpr ReversedBytes() : of()
    {
        for (unsigned b = 0; b < 256; b++)
            for (unsigned i = 0; i < 8; i++) of[b] |= uint8_t(((b >> i) & 1) << (7 - i));
    }
};
constexpr ReversedBytes REVERSED_BYTES;

inline unsigned ReverseCode(unsigned code, unsigned len)
{
    unsigned reversed16 = unsigned(REVERSED_BYTES.of[code & 0xFF]) << 8 | REVERSED_BYTES.of[(code >> 8) & 0xFF];
    return reversed16 >> (16 - len);
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

void FillEntries(uint32_t* table, unsigned size, uint32_t e)
{
    for (unsigned i = 0; i < size; i++) table[i] = e;
}

// True when the 8 lengths from `at` are all 0: long stretches of unused symbols are
// common (and in a hostile stream, the rule), and are skipped a word at a time.
inline bool NoCodesIn8(const uint8_t* lengths, unsigned at)
{
    uint64_t word;
    std::memcpy(&word, lengths + at, 8);
    return word == 0;
}

// Sorts the symbols with a length into canonical order: by length, then symbol.
// Lengths come in runs, so the slot of the current run is kept in a register
// rather than stepped in memory, where each store would wait on the one before.
void SortSymbols(const uint8_t* lengths, unsigned count, const unsigned* perLength, uint16_t* work)
{
    unsigned offsets[MAX_CODE_BITS + 2];
    offsets[1] = 0;
    for (unsigned len = 1; len <= MAX_CODE_BITS; len++) offsets[len + 1] = offsets[len] + perLength[len];
    unsigned runLength = 0, slot = 0;
    for (unsigned symbol = 0; symbol < count; symbol++) {
        if (symbol % 8 == 0 && symbol + 8 <= count && NoCodesIn8(lengths, symbol)) {
            symbol += 7;
            continue;
        }
        unsigned len = lengths[symbol];
        if (len == 0) continue;
        if (len != runLength) {
            offsets[runLength] = slot;  // offsets[0] takes the first, empty run
            slot = offsets[len];
            runLength = len;
        }
        work[slot++] = uint16_t(symbol);
    }
}

// Counts the codes of each length; false for an over-subscribed code (more codes of
// some length than the shorter ones leave room for). `complete` tells whether the
// codes use up every bit pattern.
bool CountLengths(const uint8_t* lengths, unsigned count, unsigned* perLength, unsigned& maxLen,
                  unsigned& minLen, bool& complete)
{
    // Four sets of counters, so that a run of one length does not make every
    // increment wait on the one before.
    uint16_t partial[4][MAX_CODE_BITS + 1] = {};
    unsigned i = 0;
    for (; i + 8 <= count; i += 8) {
        if (NoCodesIn8(lengths, i)) continue;
        for (unsigned k = 0; k < 8; k += 4) {
            partial[0][lengths[i + k]]++;
            partial[1][lengths[i + k + 1]]++;
            partial[2][lengths[i + k + 2]]++;
            partial[3][lengths[i + k + 3]]++;
        }
    }
    for (; i < count; i++) partial[0][lengths[i]]++;
    perLength[0] = 0;
    for (unsigned len = 1; len <= MAX_CODE_BITS; len++)
        perLength[len] = unsigned(partial[0][len]) + partial[1][len] + partial[2][len] + partial[3][len];
    int left = 1;
    for (unsigned len = 1; len <= MAX_CODE_BITS; len++) {
        left = (left << 1) - int(perLength[len]);
        if (left < 0) return false;
    }
    complete = left == 0;
    maxLen = MAX_CODE_BITS;
    while (maxLen > 0 && perLength[maxLen] == 0) maxLen--;
    minLen = 1;
    while (minLen < maxLen && perLength[minLen] == 0) minLen++;
    return true;
}

// Writes the entries of the sorted symbols into the root table and, for codes longer
// than the root bits, into sub-tables placed after it; `used` grows by their sizes.
// Codes no longer than the root are each written once, into the first 2^len entries,
// and that part is doubled whenever the length grows: an entry stands for every index
// that shares its low bits. When the code is incomplete, the first 2^minLen entries
// hold invalid entries beforehand, and the doubling spreads them too.
bool PlaceCodes(const uint32_t* templates, const uint16_t* work, unsigned* perLength, unsigned minLen,
                unsigned maxLen, uint32_t* rootTable, unsigned root, unsigned room, unsigned& used)
{
    unsigned canonical = 0;  // the next code in canonical order, of the current length
    unsigned i = 0;          // the next symbol in `work`
    for (unsigned len = minLen; len <= root; len++) {
        if (len > minLen) {
            std::memcpy(rootTable + (1u << (len - 1)), rootTable, sizeof(uint32_t) << (len - 1));
            canonical <<= 1;
        }
        for (unsigned k = perLength[len]; k > 0; k--, i++, canonical++)
            rootTable[ReverseCode(canonical, len)] = templates[work[i]] + len * 0x101;
    }

    unsigned currentLow = ~0u;  // root bits shared by the codes of the current sub-table
    uint32_t* sub = nullptr;
    unsigned subSize = 0;
    for (unsigned len = root + 1; len <= maxLen; len++) {
        canonical <<= 1;
        for (unsigned k = perLength[len]; k > 0; k--, i++, canonical++) {
            unsigned code = ReverseCode(canonical, len);
            unsigned low = code & ((1u << root) - 1);
            if (low != currentLow) {
                unsigned bits = SubTableBits(perLength, len, root, maxLen);
                subSize = 1u << bits;
                if (used + subSize > room) return false;
                sub = rootTable + used;
                FillEntries(sub, subSize, ENTRY_INVALID);
                rootTable[low] = ENTRY_SPECIAL | ENTRY_LINK | used << 16 | bits << 8 | root;
                used += subSize;
                currentLow = low;
            }
            uint32_t e = templates[work[i]] + (len - root) * 0x101;
            for (unsigned index = code >> root; index < subSize; index += 1u << (len - root)) sub[index] = e;
            perLength[len]--;  // sub-tables are sized by the codes still to come
        }
    }
    return true;
}

// Builds the two-level table of a canonical code at `start`, adjusting `root` to the
// lengths present and advancing `start` past the table. Over-subscribed codes and
// tables that would leave the table space are refused. The entries an incomplete
// code leaves free are invalid; a code with no lengths gets a table of invalid entries.
ImageRefusal BuildCodeTable(CodeKind kind, const uint8_t* lengths, unsigned count, uint16_t& start,
                            uint32_t* space, unsigned& root, uint16_t* work)
{
    unsigned perLength[MAX_CODE_BITS + 1], maxLen, minLen;
    bool complete;
    if (!CountLengths(lengths, count, perLength, maxLen, minLen, complete)) return ImageRefusal::DEFLATE_CODE_LENGTHS;
    if (root > maxLen) root = maxLen;
    if (root < minLen) root = minLen;
    unsigned used = 1u << root;
    if (start + used > TABLE_SPACE) return ImageRefusal::DEFLATE_TABLE_SPACE;
    uint32_t* rootTable = space + start;
    if (maxLen == 0) {
        FillEntries(rootTable, used, ENTRY_INVALID);
    } else {
        if (!complete) FillEntries(rootTable, 1u << minLen, ENTRY_INVALID);  // root >= minLen
        SortSymbols(lengths, count, perLength, work);
        if (!PlaceCodes(TemplatesOf(kind), work, perLength, minLen, maxLen, rootTable, root, TABLE_SPACE - start,
                        used))
            return ImageRefusal::DEFLATE_TABLE_SPACE;
    }
    start = uint16_t(start + used);
    return ImageRefusal::NONE;
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
    z.distanceRoot = DISTANCE_ROOT;
    BuildCodeTable(CODE_DISTANCE, z.lengths + 288, 32, start, z.table, z.distanceRoot, z.work);
    z.fixedTablesBuilt = true;
}

// ---- Dynamic code definitions -------------------------------------------------

ImageRefusal ReadCodeLengthCode(Inflater& z, unsigned codeLengthCount, unsigned& root)
{
    for (unsigned i = 0; i < 19; i++) z.lengths[i] = 0;
    for (unsigned i = 0; i < codeLengthCount; i++) {
        unsigned len;
        if (!TakeBits(z.in, 3, len)) return ImageRefusal::ZLIB_CUT;
        z.lengths[CODE_LENGTH_ORDER[i]] = uint8_t(len);
    }
    uint16_t start = 0;
    root = CODE_LENGTH_ROOT;
    return BuildCodeTable(CODE_LENGTHS, z.lengths, 19, start, z.table, root, z.work);
}

// Reads `total` code lengths with the code-length code; repeats may cross from the
// literal/length lengths into the distance lengths but not past the end.
ImageRefusal ReadCodeLengths(Inflater& z, unsigned total, unsigned root)
{
    unsigned n = 0;
    while (n < total) {
        uint32_t e;
        uint64_t before;
        if (!DecodeSymbol(z.in, z.table, root, e, before)) return ImageRefusal::ZLIB_CUT;
        if (e & ENTRY_SPECIAL) return ImageRefusal::DEFLATE_BAD_LENGTH_CODE;
        unsigned symbol = EntryValue(e);
        if (symbol < 16) {
            z.lengths[n++] = uint8_t(symbol);
            continue;
        }
        unsigned fill = 0, repeat = ExtraValue(before, z.in.bits, e);
        if (symbol == 16) {
            if (n == 0) return ImageRefusal::DEFLATE_REPEAT_FIRST;
            fill = z.lengths[n - 1];
            repeat += 3;
        } else {
            repeat += symbol == 17 ? 3 : 11;
        }
        if (repeat > total - n) return ImageRefusal::DEFLATE_REPEAT_PAST_END;
        std::memset(z.lengths + n, int(fill), repeat);
        n += repeat;
    }
    return ImageRefusal::NONE;
}

ImageRefusal ReadDynamicTables(Inflater& z)
{
    unsigned header;
    if (!TakeBits(z.in, 14, header)) return ImageRefusal::ZLIB_CUT;
    unsigned litCount = (header & 31) + 257;
    unsigned distanceCount = ((header >> 5) & 31) + 1;
    unsigned codeLengthCount = (header >> 10) + 4;
    unsigned root;
    ImageRefusal refusal = ReadCodeLengthCode(z, codeLengthCount, root);
    if (refusal == ImageRefusal::NONE) refusal = ReadCodeLengths(z, litCount + distanceCount, root);
    if (refusal != ImageRefusal::NONE) return refusal;
    uint16_t start = 0;
    z.litRoot = LITLEN_ROOT;
    refusal = BuildCodeTable(CODE_LITLEN, z.lengths, litCount, start, z.table, z.litRoot, z.work);
    if (refusal != ImageRefusal::NONE) return refusal;
    z.distanceStart = start;
    z.distanceRoot = DISTANCE_ROOT;
    return BuildCodeTable(CODE_DISTANCE, z.lengths + litCount, distanceCount, start, z.table, z.distanceRoot,
                          z.work);
}

// ---- Block decoding -----------------------------------------------------------

ImageRefusal CopyStored(Inflater& z)
{
    BitReader& br = z.in;
    DropBits(br, br.count & 7);
    br.next -= br.count >> 3;  // hand whole buffered bytes back to the input
    br.bits = 0;
    br.count = 0;
    if (br.end - br.next < 4) return ImageRefusal::ZLIB_CUT;
    unsigned len = br.next[0] | unsigned(br.next[1]) << 8;
    br.next += 4;  // the complement that follows is not checked
    if (unsigned(br.end - br.next) < len) return ImageRefusal::ZLIB_CUT;
    size_t room = size_t(z.out.end - z.out.next);
    size_t copy = len < room ? len : room;
    if (copy) std::memcpy(z.out.next, br.next, copy);
    z.out.next += copy;
    br.next += len;
    return ImageRefusal::NONE;
}

// A match copied in whole words: callers leave room for a longest match and a
// 16-byte word past it. Words are copied front to back, so where the match overlaps
// itself each word reads bytes already written.
//
// Most matches are short, and stores are what a run of them waits on: two 8-byte
// words cover all up to 16 bytes, and only longer ones pay for more. Wider words or
// more of them up front were slower on every stream measured.
inline void CopyMatchFast(unsigned char* dst, unsigned distance, unsigned length)
{
    const unsigned char* src = dst - distance;
    unsigned char* const stop = dst + length;
    if (distance >= 8) {
        std::memcpy(dst, src, 8);
        std::memcpy(dst + 8, src + 8, 8);
        if (length > 16) {
            for (int i = 2; i < 5; i++) std::memcpy(dst + 8 * i, src + 8 * i, 8);
            for (dst += 40, src += 40; dst < stop; dst += 8, src += 8) std::memcpy(dst, src, 8);
        }
    } else {
        // A period shorter than a word: spread it over two words once, then store them
        // every whole number of periods, with no loads in the loop. The word read at
        // `src` runs into bytes of this match not yet written; the mask drops them.
        static const uint64_t SPREAD[8] = {0,
                                           0x0101010101010101u,
                                           0x0001000100010001u,
                                           0x0001000001000001u,
                                           0x0000000100000001u,
                                           0x0000010000000001u,
                                           0x0001000000000001u,
                                           0x0100000000000001u};
        static const uint8_t STEP[8] = {0, 16, 16, 15, 16, 15, 12, 14};
        // The second word starts `8 % distance` bytes into the period (a table: a division
        // here costs more than the rest of a short match).
        static const uint8_t PHASE[8] = {0, 0, 0, 2, 0, 3, 2, 1};
        uint64_t first = (LoadLe64(src) & (~uint64_t(0) >> (64 - 8 * distance))) * SPREAD[distance];
        unsigned phase = PHASE[distance];
        uint64_t second = first >> (8 * phase) | first << (8 * (distance - phase));
        const unsigned step = STEP[distance];
        do {
            StoreLe64(dst, first);
            StoreLe64(dst + 8, second);
            dst += step;
        } while (dst < stop);
    }
}

// BLOCK_FAILED leaves the reason in the inflater's `refusal`.
enum BlockResult { BLOCK_DONE, BLOCK_FAILED, BLOCK_SLOW };

// Away from the symbol loops: a failure is met once per stream at most.
BlockResult Fail(Inflater& z, ImageRefusal why)
{
    z.refusal = why;
    return BLOCK_FAILED;
}

// An entry with no symbol behind it at the literal/length level ends the block or fails it.
BlockResult EndOrFail(Inflater& z, uint32_t e)
{
    return e & ENTRY_END ? BLOCK_DONE : Fail(z, ImageRefusal::DEFLATE_BAD_LITLEN_CODE);
}

// A longest match and the word its copy may write past it.
const size_t FAST_OUTPUT_ROOM = 258 + 16;
const size_t FAST_INPUT_ROOM = 8;

// Decoding while a whole input word can be read and a longest match fits, so no step
// has to check its bits or its room. One refill per round gives at least 56 bits: a
// length and distance with their extra bits take at most 48, three literals of root
// codes at most 45, and after either the buffer still holds 16 true input bits, enough
// for the next root lookup, since the refill read real input up to bit 63.
//
// Each entry is looked up as soon as the bits before it are dropped, before the work
// of the symbol in hand (storing a literal, copying a match) is done, so the lookups
// do not wait on that work. `held` keeps the bit count in its low byte only: the
// whole entry is subtracted, and what borrows into the upper bits is never read.
//
// The state is held in locals: byte stores to the output could otherwise alias it
// and force reloads on every symbol.
ALWAYS_INLINE BlockResult DecodeFastLoop(Inflater& z)
{
    if (size_t(z.in.end - z.in.next) < FAST_INPUT_ROOM || size_t(z.out.end - z.out.next) < FAST_OUTPUT_ROOM)
        return BLOCK_SLOW;
    const unsigned char* in = z.in.next;
    const unsigned char* const inLast = z.in.end - FAST_INPUT_ROOM;
    uint64_t bits = z.in.bits;
    uint32_t held = z.in.count;
    const uint32_t* const litTable = z.table;
    const uint32_t* const distTable = z.table + z.distanceStart;
    const uint64_t litMask = (uint64_t(1) << z.litRoot) - 1;
    const uint64_t distMask = (uint64_t(1) << z.distanceRoot) - 1;
    unsigned char* const start = z.out.start;
    unsigned char* const outLast = z.out.end - FAST_OUTPUT_ROOM;
    unsigned char* out = z.out.next;
    BlockResult result = BLOCK_SLOW;

    // Bits below `held` may be few here, so the first lookup waits for a refill, and
    // that refill may leave too little input for the next one.
    bits |= LoadLe64(in) << (held & 63);
    in += 7 - ((held >> 3) & 7);
    held |= 56;
    uint32_t e = litTable[bits & litMask];
    // A round reads at most 7 bytes and writes at most a longest match, so the rounds
    // that surely fit are counted down rather than both ends checked in every one.
    size_t rounds = 0;
    for (;;) {
        if (rounds == 0) {
            if (in > inLast || out > outLast) break;
            rounds = 1 + std::min(size_t(inLast - in) / 7, size_t(outLast - out) / 258);
        }
        rounds--;
        bits |= LoadLe64(in) << (held & 63);
        in += 7 - ((held >> 3) & 7);
        held |= 56;

        uint64_t before = bits;
        bits >>= (e & 63);
        held -= e;
        if (e & ENTRY_LITERAL) {
            out[0] = uint8_t(e >> 16);
            e = litTable[bits & litMask];
            if (!(e & ENTRY_LITERAL)) {
                out += 1;
                continue;
            }
            bits >>= (e & 63);
            held -= e;
            out[1] = uint8_t(e >> 16);
            e = litTable[bits & litMask];
            if (!(e & ENTRY_LITERAL)) {
                out += 2;
                continue;
            }
            bits >>= (e & 63);
            held -= e;
            out[2] = uint8_t(e >> 16);
            e = litTable[bits & litMask];
            out += 3;
            continue;
        }
        if (e & ENTRY_SPECIAL) {
            if (!(e & ENTRY_LINK)) {
                result = EndOrFail(z, e);
                break;
            }
            e = litTable[EntryValue(e) + (bits & ((uint64_t(1) << ((e >> 8) & 15)) - 1))];
            before = bits;
            bits >>= (e & 63);
            held -= e;
            if (e & ENTRY_LITERAL) {
                *out++ = uint8_t(e >> 16);
                e = litTable[bits & litMask];
                continue;
            }
            if (e & ENTRY_SPECIAL) {
                result = EndOrFail(z, e);
                break;
            }
        }
        const unsigned length = EntryValue(e) + ExtraValue(before, bits, e);

        e = distTable[bits & distMask];
        before = bits;
        bits >>= (e & 63);
        held -= e;
        if (e & ENTRY_SPECIAL) {
            if (!(e & ENTRY_LINK)) {
                result = Fail(z, ImageRefusal::DEFLATE_BAD_DISTANCE_CODE);
                break;
            }
            e = distTable[EntryValue(e) + (bits & ((uint64_t(1) << ((e >> 8) & 15)) - 1))];
            before = bits;
            bits >>= (e & 63);
            held -= e;
            if (e & ENTRY_SPECIAL) {
                result = Fail(z, ImageRefusal::DEFLATE_BAD_DISTANCE_CODE);
                break;
            }
        }
        const unsigned distance = EntryValue(e) + ExtraValue(before, bits, e);
        if (distance > size_t(out - start)) {
            result = Fail(z, ImageRefusal::DEFLATE_DISTANCE_TOO_FAR);
            break;
        }
        e = litTable[bits & litMask];
        CopyMatchFast(out, distance, length);
        out += length;
    }
    z.in.next = in;
    z.in.bits = bits;
    z.in.count = held & 0xFF;
    z.out.next = out;
    return result;
}

// One symbol at a time with every step checked; used near the ends of the buffers.
BlockResult DecodeSlowSymbol(Inflater& z)
{
    uint32_t e;
    uint64_t before;
    if (!DecodeSymbol(z.in, z.table, z.litRoot, e, before)) return Fail(z, ImageRefusal::ZLIB_CUT);
    if (e & ENTRY_LITERAL) {
        if (z.out.next == z.out.end) return Fail(z, ImageRefusal::DEFLATE_OUTPUT_FULL);
        *z.out.next++ = uint8_t(e >> 16);
        return BLOCK_SLOW;
    }
    if (e & ENTRY_SPECIAL) return EndOrFail(z, e);
    unsigned length = EntryValue(e) + ExtraValue(before, z.in.bits, e);
    if (!DecodeSymbol(z.in, z.table + z.distanceStart, z.distanceRoot, e, before))
        return Fail(z, ImageRefusal::ZLIB_CUT);
    if (e & ENTRY_SPECIAL) return Fail(z, ImageRefusal::DEFLATE_BAD_DISTANCE_CODE);
    unsigned distance = EntryValue(e) + ExtraValue(before, z.in.bits, e);
    if (distance > size_t(z.out.next - z.out.start)) return Fail(z, ImageRefusal::DEFLATE_DISTANCE_TOO_FAR);
    size_t room = size_t(z.out.end - z.out.next);
    if (length > room) length = unsigned(room);  // cut at the end of the output, not an error
    const unsigned char* from = z.out.next - distance;
    for (unsigned i = 0; i < length; i++) z.out.next[i] = from[i];
    z.out.next += length;
    return BLOCK_SLOW;
}

// Where the processor has BMI2 the same loop is compiled a second time with it: its shifts
// take the count from any register and leave the flags alone, which takes about an eighth
// of the loop's instructions away (the moves into CL and back). The check is made once.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
__attribute__((target("bmi2"))) BlockResult DecodeFastBmi2(Inflater& z) { return DecodeFastLoop(z); }
BlockResult DecodeFastPlain(Inflater& z) { return DecodeFastLoop(z); }
// Set while static objects are made, before the processor's features may have been read.
bool useBmi2 = (__builtin_cpu_init(), __builtin_cpu_supports("bmi2"));
inline BlockResult DecodeFast(Inflater& z) { return useBmi2 ? DecodeFastBmi2(z) : DecodeFastPlain(z); }
void AllowBmi2(bool allow) { useBmi2 = allow && __builtin_cpu_supports("bmi2"); }
#else
BlockResult DecodeFast(Inflater& z) { return DecodeFastLoop(z); }
void AllowBmi2(bool) {}
#endif

ImageRefusal DecodeBlock(Inflater& z)
{
    for (;;) {
        BlockResult r = DecodeFast(z);
        if (r == BLOCK_SLOW) r = DecodeSlowSymbol(z);
        if (r == BLOCK_DONE) return ImageRefusal::NONE;
        if (r == BLOCK_FAILED) return z.refusal;
    }
}

ImageRefusal InflateBlocks(Inflater& z)
{
    for (;;) {
        unsigned header;
        if (!TakeBits(z.in, 3, header)) return ImageRefusal::ZLIB_CUT;
        unsigned type = header >> 1;
        ImageRefusal refusal = ImageRefusal::DEFLATE_BLOCK_TYPE;
        if (type == 0) {
            refusal = CopyStored(z);
        } else if (type == 1) {
            if (!z.fixedTablesBuilt) BuildFixedTables(z);
            refusal = DecodeBlock(z);
        } else if (type == 2) {
            z.fixedTablesBuilt = false;
            refusal = ReadDynamicTables(z);
            if (refusal == ImageRefusal::NONE) refusal = DecodeBlock(z);
        }
        if (refusal != ImageRefusal::NONE) return refusal;
        if (header & 1) return ImageRefusal::NONE;
    }
}

// Method 8 with any window size the format allows: the whole output is in the
// caller's buffer, so a smaller declared window needs nothing more.
ImageRefusal CheckHeader(const unsigned char* in, uint32_t inLength)
{
    if (inLength < 2) return ImageRefusal::ZLIB_CUT;
    unsigned cmf = in[0], flg = in[1];
    if ((cmf & 15) != 8) return ImageRefusal::ZLIB_METHOD;
    if ((cmf >> 4) > 7) return ImageRefusal::ZLIB_WINDOW;
    if ((cmf * 256 + flg) % 31 != 0) return ImageRefusal::ZLIB_HEADER_CHECK;
    if (flg & 0x20) return ImageRefusal::ZLIB_DICTIONARY;
    return ImageRefusal::NONE;
}

}  // namespace

ImageRefusal InflateZlibStreamCounted(const unsigned char* in, uint32_t inLength, unsigned char* out,
                                      uint32_t outCapacity, uint32_t& written)
{
    if (!in) return ImageRefusal::ZLIB_CUT;
    ImageRefusal refusal = CheckHeader(in, inLength);
    if (refusal != ImageRefusal::NONE) return refusal;
    if (!out) outCapacity = 0;
    Inflater z;  // about 16 KiB, all of the working memory
    z.in = BitReader{in + 2, in + inLength, 0, 0};
    z.out = Output{out, out, out + outCapacity};
    z.fixedTablesBuilt = false;
    z.refusal = ImageRefusal::NONE;
    refusal = InflateBlocks(z);
    if (refusal != ImageRefusal::NONE) return refusal;
    written = uint32_t(z.out.next - z.out.start);
    return ImageRefusal::NONE;
}

void InflateAllowProcessorExtras(bool allow) { AllowBmi2(allow); }

ImageRefusal InflateZlibStream(const unsigned char* in, uint32_t inLength, unsigned char* out, uint32_t outCapacity)
{
    uint32_t written;
    return InflateZlibStreamCounted(in, inLength, out, outCapacity, written);
}
