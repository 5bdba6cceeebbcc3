// The one way the game reads an image file: PNG or BMP by its signature,
// then a check that the pixels are something GL and the grid can use.
#pragma once

#include "image/image_data.h"
#include "image/image_refusal.h"

// Reads the file once and hands it to the reader its first bytes name. NONE on
// success; otherwise why it was refused (NOT_AN_IMAGE when neither reader knows
// the signature), and `out` is left as it was. `readerName` (when given) is set
// to "PNG" or "BMP" once a reader is chosen.
ImageRefusal ReadImage(ImageData& out, const char* path, const char** readerName = nullptr);

// Reads the file as ReadImage does and hands its rows to `sink` as each is decoded:
// a PNG's top row first, an uncompressed BMP's in the order the file stores them, a
// run-length BMP's once its whole image is decoded.
ImageRefusal ReadImageRows(const char* path, ImageRowSink& sink);
