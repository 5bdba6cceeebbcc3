// zlib stream decompression into a caller-sized buffer.
#pragma once
#include <cstdint>

#include "image/image_refusal.h"

// Decompresses the whole zlib stream `in` (header included) into `out`.
// NONE once the final deflate block has ended; otherwise the check that refused
// the header or found the data damaged or cut short. Copies past the end of `out`
// are cut short.
ImageRefusal InflateZlibStream(const unsigned char* in, uint32_t inLength, unsigned char* out, uint32_t outCapacity);

// The same, and on success `written` tells how many bytes the stream produced, so a
// caller can tell a stream that falls short of its buffer (at most outCapacity).
ImageRefusal InflateZlibStreamCounted(const unsigned char* in, uint32_t inLength, unsigned char* out,
                                      uint32_t outCapacity, uint32_t& written);

// The fast loop has a second build for processors with BMI2, used wherever the processor
// has it. Tests turn it off to check that the plain build decodes alike.
void InflateAllowProcessorExtras(bool allow);
