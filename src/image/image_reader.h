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

// Reads the file as ReadImage does and hands its rows to `sink`, each PNG row as
// soon as it is decoded (top row first), a BMP's once the whole image is read.
bool ReadImageRows(const char* path, ImageRowSink& sink, ImageFailure* failure = nullptr);

// Hands the rows of an image already read to `sink`, bottom row first as the
// buffer holds them. False when the sink refuses the image.
bool SendImageRows(const ImageData& image, ImageRowSink& sink);
