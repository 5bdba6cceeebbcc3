#include "game/options_page.h"

#include <cmath>
#include <cstdio>

#include "platform/keys.h"

namespace {

const char* const ROW_NAMES[OPTION_ROWS] = {"Mouse sensitivity", "Invert mouse", "Field of view", "Picture shape",
                                            "Vertical sync",     "Frame limit",  "Text size",     "Keys"};
const char* const ACTION_NAMES[ACTION_COUNT] = {"Forward",   "Back",       "Turn left", "Turn right",
                                                "Step left", "Step right", "Map",       "Reload"};
const uint32_t FRAME_LIMITS[] = {0, 30, 60, 120, 144};
const unsigned FRAME_LIMIT_COUNT = sizeof FRAME_LIMITS / sizeof FRAME_LIMITS[0];
const double SENSITIVITY_STEP = 0.05;
const uint32_t FIELD_OF_VIEW_STEP = 5;

// A hand-edited value between two steps moves to the next step its way.
double StepSensitivity(double value, int direction)
{
    const double steps = value / SENSITIVITY_STEP;
    double next = direction > 0 ? std::floor(steps + 1e-9) + 1.0 : std::ceil(steps - 1e-9) - 1.0;
    next *= SENSITIVITY_STEP;
    if (next < MIN_MOUSE_SENSITIVITY) next = MIN_MOUSE_SENSITIVITY;
    if (next > MAX_MOUSE_SENSITIVITY) next = MAX_MOUSE_SENSITIVITY;
    // Printed and read back as the file has it: 0.30000000000000004 would not be.
    return std::round(next * 100.0) / 100.0;
}

uint32_t StepFieldOfView(uint32_t value, int direction)
{
    int64_t next = direction > 0 ? int64_t(value / FIELD_OF_VIEW_STEP + 1) * FIELD_OF_VIEW_STEP
                                 : int64_t((value + FIELD_OF_VIEW_STEP - 1) / FIELD_OF_VIEW_STEP - 1) * FIELD_OF_VIEW_STEP;
    if (next < int64_t(MIN_FIELD_OF_VIEW)) next = MIN_FIELD_OF_VIEW;
    if (next > int64_t(MAX_FIELD_OF_VIEW)) next = MAX_FIELD_OF_VIEW;
    return uint32_t(next);
}

// The choices in turn; a hand-edited limit between two of them steps to the next.
uint32_t StepFrameLimit(uint32_t value, int direction)
{
    if (direction > 0) {
        for (uint32_t limit : FRAME_LIMITS)
            if (limit > value) return limit;
        return FRAME_LIMITS[FRAME_LIMIT_COUNT - 1];
    }
    for (unsigned k = FRAME_LIMIT_COUNT; k-- > 0;)
        if (FRAME_LIMITS[k] < value) return FRAME_LIMITS[k];
    return 0;
}

void ChangeRow(Options& options, uint32_t row, int direction)
{
    switch (row) {
    case OPTION_MOUSE_SENSITIVITY: options.mouseSensitivity = StepSensitivity(options.mouseSensitivity, direction); break;
    case OPTION_INVERT_MOUSE: options.invertMouse = !options.invertMouse; break;
    case OPTION_FIELD_OF_VIEW: options.fieldOfView = StepFieldOfView(options.fieldOfView, direction); break;
    case OPTION_PICTURE_SHAPE: options.keepAspect = !options.keepAspect; break;
    case OPTION_VERTICAL_SYNC: options.vsync = !options.vsync; break;
    case OPTION_FRAME_LIMIT: options.frameLimit = StepFrameLimit(options.frameLimit, direction); break;
    case OPTION_TEXT_SIZE: options.textSize = TextSize((int(options.textSize) + (direction > 0 ? 1 : 2)) % 3); break;
    default: break;
    }
}

bool IsToggle(uint32_t row)
{
    return row == OPTION_INVERT_MOUSE || row == OPTION_PICTURE_SHAPE || row == OPTION_VERTICAL_SYNC;
}

void StepCursor(Game& game, uint32_t rows)
{
    FlowState& flow = game.flow;
    if (TakePress(game.keys, KEY_UP) && flow.menuCursor > 0) flow.menuCursor -= 1;
    if (TakePress(game.keys, KEY_DOWN) && flow.menuCursor + 1 < rows) flow.menuCursor += 1;
}

}  // namespace

const char* OptionRowName(uint32_t row)
{
    return row < OPTION_ROWS ? ROW_NAMES[row] : "";
}

const char* ActionName(uint32_t action)
{
    return action < ACTION_COUNT ? ACTION_NAMES[action] : "";
}

void OptionRowValue(const Options& o, uint32_t row, char* text, size_t size)
{
    static const char* const TEXT_SIZES[] = {"Normal", "Large", "Follow window"};
    switch (row) {
    case OPTION_MOUSE_SENSITIVITY: std::snprintf(text, size, "%.2f", o.mouseSensitivity); break;
    case OPTION_INVERT_MOUSE: std::snprintf(text, size, "%s", o.invertMouse ? "On" : "Off"); break;
    case OPTION_FIELD_OF_VIEW: std::snprintf(text, size, "%u", unsigned(o.fieldOfView)); break;
    case OPTION_PICTURE_SHAPE: std::snprintf(text, size, "%s", o.keepAspect ? "Window's shape" : "Stretched 4:3"); break;
    case OPTION_VERTICAL_SYNC: std::snprintf(text, size, "%s", o.vsync ? "On" : "Off"); break;
    case OPTION_FRAME_LIMIT:
        if (o.frameLimit == 0)
            std::snprintf(text, size, "Off");
        else
            std::snprintf(text, size, "%u", unsigned(o.frameLimit));
        break;
    case OPTION_TEXT_SIZE: std::snprintf(text, size, "%s", TEXT_SIZES[o.textSize]); break;
    default: std::snprintf(text, size, "%s", ""); break;
    }
}

void HandleOptionsKeys(Game& game)
{
    FlowState& flow = game.flow;
    if (TakePress(game.keys, KEY_ESCAPE)) {
        flow.screen = SCREEN_MAIN_MENU;
        flow.menuCursor = MAIN_MENU_OPTIONS;
        return;
    }
    if (TakePress(game.keys, KEY_RETURN)) {
        if (flow.menuCursor == OPTION_KEYS) {
            flow.screen = SCREEN_KEYS;
            flow.menuCursor = 0;
            flow.keySlot = 0;
            flow.awaitingKey = false;
            return;
        }
        if (IsToggle(flow.menuCursor)) ChangeRow(game.options, flow.menuCursor, 1);
    }
    if (TakePress(game.keys, KEY_LEFT)) ChangeRow(game.options, flow.menuCursor, -1);
    if (TakePress(game.keys, KEY_RIGHT)) ChangeRow(game.options, flow.menuCursor, 1);
    StepCursor(game, OPTION_ROWS);
}

// Enter on a row waits for the next key, which takes that place; Escape
// while waiting leaves the binding as it was. Enter, Escape, F11 and F12
// cannot be bound: they keep their meaning everywhere.
void HandleKeyPageKeys(Game& game)
{
    FlowState& flow = game.flow;
    if (flow.awaitingKey) {
        if (TakePress(game.keys, KEY_ESCAPE)) {
            flow.awaitingKey = false;
            return;
        }
        for (unsigned code = 0; code < KEY_CODES; ++code) {
            if (KeyName(code) == nullptr || !TakePress(game.keys, code)) continue;
            BindKey(game.options.bindings, Action(flow.menuCursor), flow.keySlot, code);
            flow.awaitingKey = false;
            return;
        }
        return;
    }
    if (TakePress(game.keys, KEY_ESCAPE)) {
        flow.screen = SCREEN_OPTIONS;
        flow.menuCursor = OPTION_KEYS;
        return;
    }
    if (TakePress(game.keys, KEY_RETURN)) {
        flow.awaitingKey = true;
        return;
    }
    if (TakePress(game.keys, KEY_LEFT)) flow.keySlot = 0;
    if (TakePress(game.keys, KEY_RIGHT)) flow.keySlot = KEYS_PER_ACTION - 1;
    StepCursor(game, ACTION_COUNT);
}
