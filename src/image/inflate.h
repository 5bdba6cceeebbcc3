// zlib stream decompression into a caller-sized buffer.
#pragma once
#include <cstdint>

// Decompresses the whole zlib stream `in` (header included) into `out`.
// True once the final deflate block has ended; false for a refused header or
// damaged or truncated data. Copies past the end of `out` are cut short.
bool InflateZlibStream(const unsigned char* in, uint32_t inLength, unsigned char* out, uint32_t outCapacity);

// The same, and on success `written` tells how many bytes the stream produced, so a
// caller can tell a stream that falls short of its buffer (at most outCapacity).
bool InflateZlibStreamCounted(const unsigned char* in, uint32_t inLength, unsigned char* out,
                              uint32_t outCapacity, uint32_t& written);
