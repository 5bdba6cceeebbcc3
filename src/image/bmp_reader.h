// Windows bitmap reader: 1, 2, 4, 8 and 24 bits per pixel, uncompressed, RLE8 and RLE4.
#pragma once
#include <cstddef>

#include "image/image_data.h"

// Reads the file into `out` as 8-bit RGB. On failure `out` is left as it was.
bool LoadBmp(ImageData& out, const char* path);

// The same, from a whole file held in memory.
bool DecodeBmp(ImageData& out, const unsigned char* data, size_t size);

// The same image handed to `sink` row by row, as ImageRowSink describes. Uncompressed
// rows go as they are read, through one row of memory; run-length images are decoded
// whole first, since their codes may write the rows in any order.
bool DecodeBmpRows(const unsigned char* data, size_t size, ImageRowSink& sink);
