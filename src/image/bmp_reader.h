// Windows bitmap reader: 1, 2, 4, 8 and 24 bits per pixel, uncompressed, RLE8 and RLE4.
#pragma once
#include <cstddef>

#include "image/image_data.h"

// Reads the file into `out` as 8-bit RGB. On failure `out` is left as it was.
bool LoadBmp(ImageData& out, const char* path);

// The same, from a whole file held in memory.
bool DecodeBmp(ImageData& out, const unsigned char* data, size_t size);
