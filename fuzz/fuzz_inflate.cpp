// libFuzzer target for InflateZlibStream.
//
// The first byte picks the output size (so cut copies and a full output are reached)
// and whether the rest is taken as a whole zlib stream or as deflate data behind a
// valid header (so the fuzzer need not find a header first). Behind that header the
// tests' plain reference decoder judges the same data, so the fast paths are held to
// what each stream means, not only kept inside their buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/inflate.h"
#include "support/reference_inflate.h"

// Where the reference decodes the data within `capacity` bytes, ours must too, to the same
// bytes; and whatever ours accepts agrees with every byte the reference got to, even where
// the reference refused the rest (stricter rules, or more output than the buffer holds).
// Incomplete codes are the exception to the first rule: no encoder writes them and ours
// takes only those whose tables fit its fixed table space, while the reference takes all
// (a distance code of 31 symbols all 11 bits long, say, would need a 2048-entry table).
static void CompareWithReference(const uint8_t* body, size_t length, const unsigned char* ours, bool accepted,
                                 uint32_t written, size_t capacity)
{
    std::vector<uint8_t> in(body, body + length), reference;
    ReferenceInflate judge;
    judge.limit = capacity;
    unsigned relaxations = 0;
    const bool decoded = judge.Run(in, reference, relaxations) && !(relaxations & RELAXED_INCOMPLETE_CODE);
    if (decoded && (!accepted || written != reference.size())) __builtin_trap();
    if (!accepted) return;
    const size_t common = written < reference.size() ? written : reference.size();
    if (common && std::memcmp(ours, reference.data(), common) != 0) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > (1u << 20)) return 0;
    unsigned selector = data[0];
    size_t capacity = size_t(selector & 0x3F) * (selector & 0x40 ? 1024 : 7);
    bool raw = (selector & 0x80) != 0;
    size_t inLength = raw ? size - 1 : size + 1;
    unsigned char* in = new unsigned char[inLength ? inLength : 1];
    if (raw) {
        if (inLength) std::memcpy(in, data + 1, inLength);
    } else {
        in[0] = 0x78;
        in[1] = 0x01;
        if (size > 1) std::memcpy(in + 2, data + 1, size - 1);
    }
    // Exactly sized buffers, so ASan reports any access past either of them.
    unsigned char* out = capacity ? new unsigned char[capacity] : nullptr;
    uint32_t written = 0;
    const ImageRefusal refusal = InflateZlibStreamCounted(in, uint32_t(inLength), out, uint32_t(capacity), written);
    const bool accepted = refusal == ImageRefusal::NONE;
    if (!raw) CompareWithReference(data + 1, size - 1, out, accepted, written, capacity);
    if (accepted) {
        if (written > capacity) __builtin_trap();
        // A stream that did not fill its buffer decodes the same into one of exactly its
        // size, where more of it runs through the careful path near the end.
        if (written < capacity) {
            unsigned char* exact = new unsigned char[written ? written : 1];
            uint32_t again = 0;
            if (InflateZlibStreamCounted(in, uint32_t(inLength), exact, written, again) != ImageRefusal::NONE ||
                again != written ||
                (written && std::memcmp(exact, out, written) != 0))
                __builtin_trap();
            delete[] exact;
        }
    }
    delete[] out;
    delete[] in;
    return 0;
}
