// A slow, plain deflate decoder written from RFC 1951 for the tests: it
// accepts exactly what a strict decoder accepts plus the few things our
// inflate deliberately lets through, and says which of those a stream used.
// The oracle test asks it why a stream zlib refuses was accepted by ours.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum ReferenceRelaxation : unsigned {
    RELAXED_STORED_LENGTH = 1,   // a stored block's NLEN is not LEN's complement
    RELAXED_CODE_COUNTS = 2,     // more than 286 literal/length or 30 distance codes
    RELAXED_INCOMPLETE_CODE = 4, // a code leaves patterns unused (beyond one lone distance code)
};

class ReferenceInflate {
public:
    // Output beyond this many bytes is not made: Run stops there and refuses the stream,
    // with the bytes before the limit in `out`. It bounds the work of a fuzz target.
    size_t limit = SIZE_MAX;

    // Decodes raw deflate data; false for anything a strict decoder refuses
    // that is not one of the relaxations. `relaxations` collects those used.
    bool Run(const std::vector<uint8_t>& in, std::vector<uint8_t>& out, unsigned& relaxations)
    {
        data = &in;
        position = 0;
        bitBuffer = 0;
        bitCount = 0;
        output = &out;
        relaxed = 0;
        out.clear();
        bool last = false;
        while (!last) {
            int header = Bits(3);
            if (header < 0) return false;
            last = (header & 1) != 0;
            const int type = header >> 1;
            const bool ok = type == 0 ? Stored() : type == 1 ? Fixed() : type == 2 ? Dynamic() : false;
            if (!ok) return false;
        }
        relaxations = relaxed;
        return true;
    }

private:
    struct Code {
        uint16_t count[16];
        uint16_t symbol[320];
    };

    const std::vector<uint8_t>* data = nullptr;
    size_t position = 0;
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    std::vector<uint8_t>* output = nullptr;
    unsigned relaxed = 0;

    bool Room() const { return output->size() < limit; }

    int Bits(int need)
    {
        while (bitCount < need) {
            if (position >= data->size()) return -1;
            bitBuffer |= uint32_t((*data)[position++]) << bitCount;
            bitCount += 8;
        }
        const int value = int(bitBuffer & ((1u << need) - 1));
        bitBuffer >>= need;
        bitCount -= need;
        return value;
    }

    bool Stored()
    {
        bitBuffer = 0;
        bitCount = 0;
        if (position + 4 > data->size()) return false;
        const unsigned length = (*data)[position] | (*data)[position + 1] << 8;
        const unsigned complement = (*data)[position + 2] | (*data)[position + 3] << 8;
        position += 4;
        if ((length ^ 0xFFFFu) != complement) relaxed |= RELAXED_STORED_LENGTH;
        if (position + length > data->size()) return false;
        if (length > limit - output->size()) {
            output->insert(output->end(), data->begin() + long(position),
                           data->begin() + long(position + (limit - output->size())));
            return false;
        }
        output->insert(output->end(), data->begin() + long(position), data->begin() + long(position + length));
        position += length;
        return true;
    }

    // Canonical code from lengths; -1 over-subscribed, 0 complete, >0 incomplete.
    static int Build(Code& code, const uint16_t* lengths, int n)
    {
        for (int len = 0; len < 16; ++len) code.count[len] = 0;
        for (int s = 0; s < n; ++s) code.count[lengths[s]]++;
        if (code.count[0] == n) return 0;
        int left = 1;
        for (int len = 1; len < 16; ++len) {
            left <<= 1;
            left -= code.count[len];
            if (left < 0) return -1;
        }
        uint16_t offsets[16];
        offsets[1] = 0;
        for (int len = 1; len < 15; ++len) offsets[len + 1] = uint16_t(offsets[len] + code.count[len]);
        for (int s = 0; s < n; ++s)
            if (lengths[s] != 0) code.symbol[offsets[lengths[s]]++] = uint16_t(s);
        return left;
    }

    int Decode(const Code& code)
    {
        int value = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            const int bit = Bits(1);
            if (bit < 0) return -1;
            value |= bit;
            const int count = code.count[len];
            if (value - count < first) return code.symbol[index + (value - first)];
            index += count;
            first += count;
            first <<= 1;
            value <<= 1;
        }
        return -2;   // a pattern no symbol has: only an incomplete code has those
    }

    bool Codes(const Code& lengthCode, const Code& distanceCode)
    {
        static const uint16_t LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const uint16_t LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static const uint16_t DISTANCE_BASE[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                                   33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static const uint16_t DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (;;) {
            int symbol = Decode(lengthCode);
            if (symbol < 0) return false;
            if (symbol < 256) {
                if (!Room()) return false;
                output->push_back(uint8_t(symbol));
                continue;
            }
            if (symbol == 256) return true;
            symbol -= 257;
            if (symbol >= 29) return false;
            const int extra = Bits(LENGTH_EXTRA[symbol]);
            if (extra < 0) return false;
            const size_t length = LENGTH_BASE[symbol] + size_t(extra);
            const int distanceSymbol = Decode(distanceCode);
            if (distanceSymbol < 0 || distanceSymbol >= 30) return false;
            const int distanceExtra = Bits(DISTANCE_EXTRA[distanceSymbol]);
            if (distanceExtra < 0) return false;
            const size_t distance = DISTANCE_BASE[distanceSymbol] + size_t(distanceExtra);
            if (distance > output->size()) return false;
            for (size_t k = 0; k < length; ++k) {
                if (!Room()) return false;
                output->push_back((*output)[output->size() - distance]);
            }
        }
    }

    bool Fixed()
    {
        uint16_t lengths[320];
        for (int s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        for (int s = 0; s < 30; ++s) lengths[288 + s] = 5;
        Code lengthCode, distanceCode;
        Build(lengthCode, lengths, 288);
        Build(distanceCode, lengths + 288, 30);
        return Codes(lengthCode, distanceCode);
    }

    bool Dynamic()
    {
        const int literalCount = Bits(5), distanceCount = Bits(5), codeLengthCount = Bits(4);
        if (literalCount < 0 || distanceCount < 0 || codeLengthCount < 0) return false;
        const int literals = literalCount + 257, distances = distanceCount + 1;
        if (literals > 286 || distances > 30) relaxed |= RELAXED_CODE_COUNTS;
        static const uint8_t ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        uint16_t lengths[320] = {};
        for (int k = 0; k < codeLengthCount + 4; ++k) {
            const int length = Bits(3);
            if (length < 0) return false;
            lengths[ORDER[k]] = uint16_t(length);
        }
        Code lengthCode, distanceCode;
        if (Build(lengthCode, lengths, 19) != 0) return false;   // the code-length code must be complete
        for (int k = 0; k < literals + distances;) {
            int symbol = Decode(lengthCode);
            if (symbol < 0) return false;
            if (symbol < 16) {
                lengths[k++] = uint16_t(symbol);
                continue;
            }
            int repeat, value = 0;
            if (symbol == 16) {
                if (k == 0) return false;
                value = lengths[k - 1];
                repeat = 3 + Bits(2);
            } else if (symbol == 17) {
                repeat = 3 + Bits(3);
            } else {
                repeat = 11 + Bits(7);
            }
            if (repeat < 3 || k + repeat > literals + distances) return false;
            while (repeat-- > 0) lengths[k++] = uint16_t(value);
        }
        if (lengths[256] == 0) return false;
        const int literalLeft = Build(lengthCode, lengths, literals);
        if (literalLeft < 0) return false;
        if (literalLeft > 0) relaxed |= RELAXED_INCOMPLETE_CODE;
        const int distanceLeft = Build(distanceCode, lengths + literals, distances);
        if (distanceLeft < 0) return false;
        // One distance code of one bit is a complete-enough code in RFC 1951's own words.
        const bool lone = distanceCode.count[1] == 1 && distances - distanceCode.count[0] == 1;
        if (distanceLeft > 0 && !lone) relaxed |= RELAXED_INCOMPLETE_CODE;
        return Codes(lengthCode, distanceCode);
    }
};
