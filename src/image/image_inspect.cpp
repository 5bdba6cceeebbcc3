#include "image/image_inspect.h"

#include "image/bmp_reader.h"
#include "image/png_decoder.h"

static void DescribeBmp(const BmpHeader& h, ImageEncoding& e)
{
    e.container = IMAGE_CONTAINER_BMP;
    e.width = h.width;
    e.height = h.height;
    e.infoHeaderBytes = h.infoHeaderBytes;
    e.bitsPerPixel = h.bitCount;
    e.compression = h.compression;
    // The core header has no count: its table is always full.
    const uint32_t full = h.bitCount <= 8 ? 1u << h.bitCount : 0;
    e.colourTableEntries = h.coloursUsed != 0 ? h.coloursUsed : full;
    e.topDown = h.height < 0;
}

static void DescribePng(const PngIhdr& ihdr, const PngChunkList& chunks, ImageEncoding& e)
{
    e.container = IMAGE_CONTAINER_PNG;
    e.width = int32_t(ihdr.width);
    e.height = int32_t(ihdr.height);
    e.bitDepth = ihdr.bitDepth;
    e.colourType = ihdr.colourType;
    e.interlace = ihdr.interlace;
    e.idatChunks = chunks.idatChunks;
    e.chunksCutShort = chunks.cutShort;
}

// The readers' own header parsers, so what is told is what they judged.
bool InspectImage(const unsigned char* data, size_t size, ImageEncoding& out)
{
    ImageEncoding e = {};
    PngIhdr ihdr;
    BmpHeader bmp;
    if (ReadPngIhdr(data, size, ihdr) == ImageRefusal::NONE) {
        DescribePng(ihdr, ListPngChunks(data, size), e);
    } else if (ReadBmpHeader(data, size, bmp) == ImageRefusal::NONE && !bmp.fieldsCut) {
        DescribeBmp(bmp, e);
    } else {
        return false;
    }
    out = e;
    return true;
}

const char* BmpCompressionName(uint32_t compression)
{
    static const char* const NAMES[] = {"none", "RLE8", "RLE4", "bit fields", "JPEG", "PNG"};
    return compression < sizeof NAMES / sizeof NAMES[0] ? NAMES[compression] : "unknown";
}

const char* PngColourTypeName(unsigned colourType)
{
    switch (colourType) {
    case 0: return "grey";
    case 2: return "RGB";
    case 3: return "palette";
    case 4: return "grey + alpha";
    case 6: return "RGBA";
    }
    return "unknown";
}
