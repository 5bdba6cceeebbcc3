// zlib stream decompression into a caller-sized buffer.
#pragma once
#include <cstdint>

// Decompresses the whole zlib stream `in` (header included) into `out`.
// True once the final deflate block has ended; false for a refused header or
// damaged or truncated data. Copies past the end of `out` are cut short.
bool InflateZlibStream(const unsigned char* in, uint32_t inLength, unsigned char* out, uint32_t outCapacity);
