#include "image/image_refusal.h"

const char* RefusalText(ImageRefusal refusal)
{
    switch (refusal) {
    case ImageRefusal::NONE: return "";
    case ImageRefusal::CANNOT_OPEN: return "cannot be opened";
    case ImageRefusal::NOT_AN_IMAGE: return "not a BMP or PNG image";
    case ImageRefusal::TOO_LARGE: return "larger than 8192 x 8192 pixels";
    case ImageRefusal::OUT_OF_MEMORY: return "not enough memory";
    case ImageRefusal::ROWS_REFUSED: return "rows refused by their receiver";
    case ImageRefusal::UNUSABLE_PIXELS: return "decoded into pixels GL cannot take";

    case ImageRefusal::BMP_NO_SIGNATURE: return "no BM signature";
    case ImageRefusal::BMP_HEADER_CUT: return "file ends inside the BMP headers";
    case ImageRefusal::BMP_CORE_HEADER: return "old 12-byte BMP core header";
    case ImageRefusal::BMP_INFO_HEADER_SIZE: return "unknown BMP info header size";
    case ImageRefusal::BMP_COMPRESSION: return "unsupported BMP compression";
    case ImageRefusal::BMP_BIT_COUNT: return "unsupported bits per pixel";
    case ImageRefusal::BMP_NEGATIVE_WIDTH: return "negative width";
    case ImageRefusal::BMP_NO_PIXELS: return "BMP width or height of 0";
    case ImageRefusal::BMP_RLE_BIT_COUNT: return "run-length coding at the wrong bits per pixel";
    case ImageRefusal::BMP_ROWS_CUT: return "file ends before the last row";
    case ImageRefusal::BMP_RUNS_CUT: return "run-length data too short to reach the last row";

    case ImageRefusal::PNG_NO_SIGNATURE: return "no PNG signature";
    case ImageRefusal::PNG_CHUNK_CUT: return "file ends inside a chunk";
    case ImageRefusal::PNG_IHDR_NOT_FIRST: return "first chunk not IHDR";
    case ImageRefusal::PNG_SECOND_IHDR: return "second IHDR chunk";
    case ImageRefusal::PNG_IHDR_LENGTH: return "IHDR chunk not 13 bytes long";
    case ImageRefusal::PNG_COMPRESSION_METHOD: return "unknown PNG compression method";
    case ImageRefusal::PNG_FILTER_METHOD: return "unknown PNG filter method";
    case ImageRefusal::PNG_INTERLACED: return "interlaced (Adam7) image";
    case ImageRefusal::PNG_INTERLACE_METHOD: return "unknown interlace method";
    case ImageRefusal::PNG_DEEP_SAMPLES: return "more than 8 bits per sample";
    case ImageRefusal::PNG_BIT_DEPTH: return "bit depth not allowed for the colour type";
    case ImageRefusal::PNG_NO_PIXELS: return "IHDR width or height of 0";
    case ImageRefusal::PNG_IDAT_BEFORE_IHDR: return "IDAT before IHDR";
    case ImageRefusal::PNG_NO_PLTE: return "palette image without PLTE";
    case ImageRefusal::PNG_NO_IDAT: return "no IDAT chunk";
    case ImageRefusal::PNG_IDAT_TOO_SHORT: return "IDAT too short to fill the image";
    case ImageRefusal::PNG_ROWS_CUT: return "image data ends before the last row";
    case ImageRefusal::PNG_FILTER_TYPE: return "unknown row filter type";
    case ImageRefusal::PNG_PALETTE_INDEX: return "palette index beyond PLTE";

    case ImageRefusal::ZLIB_CUT: return "compressed data ends early";
    case ImageRefusal::ZLIB_METHOD: return "zlib method not deflate";
    case ImageRefusal::ZLIB_WINDOW: return "zlib window larger than 32 KiB";
    case ImageRefusal::ZLIB_HEADER_CHECK: return "bad zlib header check";
    case ImageRefusal::ZLIB_DICTIONARY: return "zlib preset dictionary";
    case ImageRefusal::DEFLATE_BLOCK_TYPE: return "reserved deflate block type";
    case ImageRefusal::DEFLATE_CODE_LENGTHS: return "bad Huffman code lengths";
    case ImageRefusal::DEFLATE_TABLE_SPACE: return "Huffman code too incomplete to tabulate";
    case ImageRefusal::DEFLATE_REPEAT_FIRST: return "code length repeat with nothing to repeat";
    case ImageRefusal::DEFLATE_REPEAT_PAST_END: return "code length repeat past the last length";
    case ImageRefusal::DEFLATE_BAD_LENGTH_CODE: return "unused code-length code";
    case ImageRefusal::DEFLATE_BAD_LITLEN_CODE: return "unused literal/length code";
    case ImageRefusal::DEFLATE_BAD_DISTANCE_CODE: return "unused distance code";
    case ImageRefusal::DEFLATE_DISTANCE_TOO_FAR: return "distance before the start of the data";
    case ImageRefusal::DEFLATE_OUTPUT_FULL: return "data beyond the end of the output";
    }
    return "unknown refusal";
}

const char* RefusalSummary(ImageRefusal refusal)
{
    // A player is told only what to do about the file: open it, replace it with an
    // image, make it smaller, or save it again in a form the game reads.
    switch (refusal) {
    case ImageRefusal::NONE:
    case ImageRefusal::CANNOT_OPEN:
    case ImageRefusal::NOT_AN_IMAGE:
    case ImageRefusal::TOO_LARGE:
    case ImageRefusal::OUT_OF_MEMORY: return RefusalText(refusal);
    case ImageRefusal::ROWS_REFUSED:
    case ImageRefusal::UNUSABLE_PIXELS: return "damaged or unsupported image";
    default: break;
    }
    if (refusal < ImageRefusal::PNG_NO_SIGNATURE) return "damaged or unsupported BMP image";
    return "damaged or unsupported PNG image";
}
