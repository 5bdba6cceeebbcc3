// PNG decoder: 8-bit (and unpacked 1/2/4-bit) non-interlaced images of every colour type.
#pragma once
#include <cstdint>

#include "image/image_data.h"

// Reads and decodes the file. A file that is not a PNG fails at the signature
// and leaves `out` untouched, so the BMP reader can take the same record.
bool LoadPng(ImageData& out, const char* path);

bool DecodePng(ImageData& out, const unsigned char* data, uint32_t size);

// The same decode, each row handed to `sink` as soon as it is rebuilt, top row
// first, rather than gathered into an image.
bool DecodePngRows(const unsigned char* data, uint32_t size, ImageRowSink& sink);

unsigned char PaethPredictor(unsigned char left, unsigned char up, unsigned char upLeft);
