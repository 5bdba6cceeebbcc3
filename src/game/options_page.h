// The options page and its key page, reached from the main menu: what each
// row says and what the keys do there. Values change in the game's Options
// at once; the app fits the picture to them and writes the file once the
// pages are left.
#pragma once
#include <cstddef>
#include <cstdint>

#include "game/game_state.h"

enum OptionRow {
    OPTION_MOUSE_SENSITIVITY,
    OPTION_INVERT_MOUSE,
    OPTION_FIELD_OF_VIEW,
    OPTION_PICTURE_SHAPE,
    OPTION_VERTICAL_SYNC,
    OPTION_FRAME_LIMIT,
    OPTION_TEXT_SIZE,
    OPTION_KEYS,
    OPTION_ROWS,
};

const char* OptionRowName(uint32_t row);
// The row's value as shown beside its name ("0.15", "On", "Window's shape"); "" for "Keys".
void OptionRowValue(const Options& options, uint32_t row, char* text, size_t size);
const char* ActionName(uint32_t action);   // "Forward", "Turn left", ...

void HandleOptionsKeys(Game& game);
void HandleKeyPageKeys(Game& game);
