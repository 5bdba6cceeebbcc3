// The bitmap font and everything drawn over the scene: menus, list, solved screen.
#pragma once
#include <cstddef>
#include <cstdint>

#include "game/game_state.h"

// A font is 224 consecutive display lists: list base + k draws character 32 + k.
const unsigned FONT_GLYPHS = 224;
const unsigned FIRST_GLYPH = 32;

void BuildFont(const char* faceName, int32_t height);

// What the platform's font says of one glyph: no ink at all (a space), and
// how far the raster position moves after it.
struct GlyphMetrics {
    bool blank;
    float advanceX;
};
// Some GL drivers drop the raster move of a glyph recorded with an empty
// bitmap, so every space vanished from the texts: the lists of blank glyphs
// are recorded again as a move by their advance width alone.
void RecordBlankGlyphs(unsigned listBase, const GlyphMetrics* metrics, unsigned count);
void DeleteFont(unsigned index);
// Builds the overlay's font again at `pixels` high, when it is not already.
void FitTextHeight(int32_t pixels);
// Texts are UTF-8; the font draws Latin-1, any other character as one "?".
void PrintText(unsigned fontIndex, const char* format, ...);
// The glyph codes of UTF-8 `text`, NUL-ended, cut to fit `size`; their count.
size_t TextToLatin1(const char* text, char* out, size_t size);
void DrawOverlay(const Game& game);
