// ImageData: the record every image reader fills and every image user consumes.
#pragma once
#include <cstddef>
#include <cstdint>

// Pixel formats, by the GL enum values they are handed to GL with.
const uint32_t IMAGE_FORMAT_LUMINANCE = 6409;        // 1 component
const uint32_t IMAGE_FORMAT_LUMINANCE_ALPHA = 6410;  // 2 components
const uint32_t IMAGE_FORMAT_RGB = 6407;              // 3 components
const uint32_t IMAGE_FORMAT_RGBA = 6408;             // 4 components

// The largest side of any image the game reads: 8192 x 8192 at four bytes a
// pixel is 256 MiB, far beyond any labyrinth or texture, and it keeps a small
// crafted file from asking for gigabytes.
const int32_t MAX_IMAGE_SIDE = 8192;

// Rows run bottom row first; each row is width * components bytes padded to a
// multiple of 4 (GL's default unpack alignment). The reader that succeeds hands
// `pixels` to the caller, who releases it with FreeImage.
struct ImageData {
    int32_t width;
    int32_t height;
    uint32_t format;
    uint8_t components;
    unsigned char* pixels;
};

// Bytes from one row's start to the next; 0 when width * components is out of range.
size_t ImageRowStride(int32_t width, unsigned components);

// Format enum for a component count of 1 to 4 (0 for anything else).
uint32_t ImageFormatForComponents(unsigned components);

// Allocates a pixel buffer without throwing; null on failure or a size of 0.
unsigned char* AllocatePixels(size_t size);

void FreeImage(ImageData& image);

// The other way to take an image: row by row as a reader finishes each one, for a
// user that converts the pixels rather than keeps them. It sees every row while
// the row is still in cache and no image-sized buffer is handed over.
struct ImageRowSink {
    // An image of this size begins. It may begin more than once (a PNG can carry
    // several runs of image data and the last one counts), and each time the rows
    // that came before no longer count. False refuses the image.
    virtual bool Begin(int32_t width, int32_t height, unsigned components) = 0;
    // The same for a 24-bit BMP, whose rows then come as the file stores them: three
    // bytes a pixel, blue, green, red, handed over in place without a copy. A sink that
    // only compares colours can take them so; one that returns false is offered the
    // image through Begin, in ImageData's order.
    virtual bool BeginBlueFirst(int32_t /*width*/, int32_t /*height*/) { return false; }
    // Picture row `row` (0 the top), width * components bytes laid out as in
    // ImageData (or blue first, as above). Every row comes once after Begin, in whatever order the reader
    // finishes them; the bytes are the reader's and last only for this call.
    virtual void Row(int32_t row, const unsigned char* pixels) = 0;

protected:
    ~ImageRowSink() = default;
};

// Hands the rows of an image already read to `sink`, bottom row first as the
// buffer holds them. False when the sink refuses the image.
bool SendImageRows(const ImageData& image, ImageRowSink& sink);

// Reads a whole file (opened as raw bytes) into a new buffer for a reader to
// decode. False for a null or empty path, a file that cannot be opened, read
// or measured, an empty one, or one longer than `maxBytes`; then `data` is
// left as it was. The caller releases `data` with delete[].
bool ReadImageFile(const char* path, size_t maxBytes, unsigned char*& data, size_t& size);
