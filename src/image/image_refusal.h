// Why an image reader refused its input: one value per check that can refuse, so a
// test or quorvel-tool info can tell which check it was.
#pragma once
#include <cstdint>

// Grouped by who refuses: any reader, then the BMP reader, then the PNG decoder
// with the zlib stream inside it. RefusalSummary relies on the grouping.
enum class ImageRefusal : uint8_t {
    NONE = 0,
    CANNOT_OPEN,
    NOT_AN_IMAGE,
    TOO_LARGE,
    OUT_OF_MEMORY,
    ROWS_REFUSED,       // the row sink's Begin said no
    UNUSABLE_PIXELS,    // a decoded record GL could not take

    BMP_NO_SIGNATURE,
    BMP_HEADER_CUT,
    BMP_CORE_HEADER,
    BMP_INFO_HEADER_SIZE,
    BMP_COMPRESSION,
    BMP_BIT_COUNT,
    BMP_NEGATIVE_WIDTH,
    BMP_NO_PIXELS,
    BMP_RLE_BIT_COUNT,
    BMP_ROWS_CUT,
    BMP_RUNS_CUT,

    PNG_NO_SIGNATURE,
    PNG_CHUNK_CUT,
    PNG_IHDR_NOT_FIRST,
    PNG_SECOND_IHDR,
    PNG_IHDR_LENGTH,
    PNG_COMPRESSION_METHOD,
    PNG_FILTER_METHOD,
    PNG_INTERLACED,
    PNG_INTERLACE_METHOD,
    PNG_DEEP_SAMPLES,
    PNG_BIT_DEPTH,
    PNG_NO_PIXELS,
    PNG_IDAT_BEFORE_IHDR,
    PNG_NO_PLTE,
    PNG_NO_IDAT,
    PNG_IDAT_TOO_SHORT,
    PNG_ROWS_CUT,
    PNG_FILTER_TYPE,
    PNG_PALETTE_INDEX,

    ZLIB_CUT,
    ZLIB_METHOD,
    ZLIB_WINDOW,
    ZLIB_HEADER_CHECK,
    ZLIB_DICTIONARY,
    DEFLATE_BLOCK_TYPE,
    DEFLATE_CODE_LENGTHS,
    DEFLATE_TABLE_SPACE,
    DEFLATE_REPEAT_FIRST,
    DEFLATE_REPEAT_PAST_END,
    DEFLATE_BAD_LENGTH_CODE,
    DEFLATE_BAD_LITLEN_CODE,
    DEFLATE_BAD_DISTANCE_CODE,
    DEFLATE_DISTANCE_TOO_FAR,
    DEFLATE_OUTPUT_FULL,
};

// The check that refused, in a few words: "interlaced (Adam7) image". For an author
// and for tests; "" for NONE.
const char* RefusalText(ImageRefusal refusal);

// What the game tells a player: the same words as RefusalText for a file that cannot
// be opened, is no image or is too large, and for the damage inside a file only
// "damaged or unsupported BMP image" or "... PNG image", as it always has.
const char* RefusalSummary(ImageRefusal refusal);
