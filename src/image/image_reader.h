// The one way the game reads an image file: PNG or BMP by its signature,
// then a check that the pixels are something GL and the grid can use.
#pragma once

#include "image/image_data.h"

enum ImageFailure {
    IMAGE_READ_OK,
    IMAGE_CANNOT_OPEN,
    IMAGE_NOT_AN_IMAGE,
    IMAGE_BAD_PNG,
    IMAGE_BAD_BMP,
    IMAGE_TOO_LARGE,
};

// A few words for a player or an author: "not a BMP or PNG image".
const char* ImageFailureText(ImageFailure failure);

// Reads the file once and hands it to the reader its first bytes name. On
// failure `out` is left as it was and `failure` (when given) says why;
// `readerName` (when given) is set to "PNG" or "BMP" once a reader is chosen.
bool ReadImage(ImageData& out, const char* path, ImageFailure* failure = nullptr,
               const char** readerName = nullptr);

// Reads the file as ReadImage does and hands its rows to `sink` as each is decoded:
// a PNG's top row first, an uncompressed BMP's in the order the file stores them, a
// run-length BMP's once its whole image is decoded.
bool ReadImageRows(const char* path, ImageRowSink& sink, ImageFailure* failure = nullptr);
