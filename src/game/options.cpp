#include "game/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "labyrinth/text_lines.h"
#include "platform/keys.h"
#include "platform/platform.h"

namespace {

struct NamedKey {
    unsigned code;
    const char* name;
};

// Beyond letters, digits and F1 to F9, which are named by rule. F10 goes to
// the window menu on Windows, so it never reaches the game as a key.
const NamedKey NAMED_KEYS[] = {
    {KEY_UP, "Up"},         {KEY_DOWN, "Down"},     {KEY_LEFT, "Left"},     {KEY_RIGHT, "Right"},
    {KEY_SPACE, "Space"},   {KEY_TAB, "Tab"},       {KEY_BACK, "Backspace"}, {KEY_SHIFT, "Shift"},
    {KEY_CONTROL, "Ctrl"},  {KEY_INSERT, "Insert"}, {KEY_DELETE, "Delete"}, {KEY_HOME, "Home"},
    {KEY_END, "End"},       {KEY_PRIOR, "PageUp"},  {KEY_NEXT, "PageDown"},
};

const char* const ACTION_NAMES[ACTION_COUNT] = {"Forward",   "Back",     "TurnLeft", "TurnRight",
                                                "StepLeft",  "StepRight", "Map",     "Reload"};

const char* const TEXT_SIZE_NAMES[] = {"Normal", "Large", "FollowWindow"};

// "Key = value": the key at the line's start, blanks around '=' optional;
// `value` runs to the line's end without its break and trailing blanks.
bool SplitLine(const char* line, const char* key, char (&value)[TEXT_LINE_SIZE])
{
    const size_t keyLength = std::strlen(key);
    if (std::strncmp(line, key, keyLength) != 0) return false;
    const char* p = line + keyLength;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '=') return false;
    ++p;
    while (*p == ' ' || *p == '\t') ++p;
    size_t length = std::strlen(p);
    while (length > 0 && (p[length - 1] == '\n' || p[length - 1] == '\r' || p[length - 1] == ' ' ||
                          p[length - 1] == '\t'))
        --length;
    std::memcpy(value, p, length);
    value[length] = '\0';
    return true;
}

bool ParseWhole(const char* text, double& number)
{
    if (*text == '\0') return false;
    char* end = nullptr;
    number = std::strtod(text, &end);
    return *end == '\0' && number == number;   // not NaN
}

bool ParseBounded(const char* text, double low, double high, double& number)
{
    return ParseWhole(text, number) && number >= low && number <= high;
}

bool ParseFlag(const char* text, bool& flag)
{
    if (std::strcmp(text, "0") == 0 || std::strcmp(text, "1") == 0) {
        flag = text[0] == '1';
        return true;
    }
    return false;
}

// One or two key names; the line counts only when every name is known.
bool ParseKeys(char* text, unsigned (&codes)[KEYS_PER_ACTION])
{
    unsigned found = 0;
    for (char* name = std::strtok(text, " \t"); name; name = std::strtok(nullptr, " \t")) {
        if (found == KEYS_PER_ACTION) return false;
        const unsigned code = KeyOfName(name);
        if (code == NO_KEY) return false;
        codes[found++] = code;
    }
    if (found == 0) return false;
    if (found == 1) codes[1] = NO_KEY;
    return true;
}

void ApplyOptionsLine(Options& o, const char* line)
{
    char value[TEXT_LINE_SIZE];
    double number = 0.0;
    if (SplitLine(line, "MouseSensitivity", value) &&
        ParseBounded(value, MIN_MOUSE_SENSITIVITY, MAX_MOUSE_SENSITIVITY, number))
        o.mouseSensitivity = number;
    if (SplitLine(line, "InvertMouse", value)) ParseFlag(value, o.invertMouse);
    if (SplitLine(line, "FieldOfView", value) &&
        ParseBounded(value, MIN_FIELD_OF_VIEW, MAX_FIELD_OF_VIEW, number) && number == double(uint32_t(number)))
        o.fieldOfView = uint32_t(number);
    if (SplitLine(line, "KeepAspect", value)) ParseFlag(value, o.keepAspect);
    if (SplitLine(line, "VSync", value)) ParseFlag(value, o.vsync);
    if (SplitLine(line, "Ghost", value)) ParseFlag(value, o.ghost);
    if (SplitLine(line, "FrameLimit", value) && ParseWhole(value, number) && number == double(uint32_t(number)) &&
        (number == 0.0 || (number >= MIN_FRAME_LIMIT && number <= MAX_FRAME_LIMIT)))
        o.frameLimit = uint32_t(number);
    if (SplitLine(line, "TextSize", value)) {
        for (unsigned k = 0; k < sizeof TEXT_SIZE_NAMES / sizeof TEXT_SIZE_NAMES[0]; ++k)
            if (std::strcmp(value, TEXT_SIZE_NAMES[k]) == 0) o.textSize = TextSize(k);
    }
    for (unsigned action = 0; action < ACTION_COUNT; ++action) {
        unsigned codes[KEYS_PER_ACTION] = {};
        // "Map" must not take the line of a longer key that starts with it.
        if (!SplitLine(line, ACTION_NAMES[action], value) || !ParseKeys(value, codes)) continue;
        for (unsigned slot = 0; slot < KEYS_PER_ACTION; ++slot) BindKey(o.bindings, Action(action), slot, codes[slot]);
    }
}

bool WriteOptionsText(FILE* file, const void* context)
{
    const Options& o = *static_cast<const Options*>(context);
    std::fprintf(file, "[Controls]\r\nMouseSensitivity = %g\r\nInvertMouse = %d\r\n", o.mouseSensitivity,
                 int(o.invertMouse));
    for (unsigned action = 0; action < ACTION_COUNT; ++action) {
        std::fprintf(file, "%s =", ACTION_NAMES[action]);
        for (unsigned code : o.bindings.keys[action]) {
            if (code != NO_KEY && KeyName(code)) std::fprintf(file, " %s", KeyName(code));
        }
        std::fprintf(file, "\r\n");
    }
    std::fprintf(file, "[View]\r\nFieldOfView = %u\r\nKeepAspect = %d\r\nVSync = %d\r\nFrameLimit = %u\r\nTextSize = %s\r\nGhost = %d\r\n",
                 unsigned(o.fieldOfView), int(o.keepAspect), int(o.vsync), unsigned(o.frameLimit),
                 TEXT_SIZE_NAMES[o.textSize], int(o.ghost));
    return std::ferror(file) == 0;
}

}  // namespace

const char* KeyName(unsigned code)
{
    static char names[KEY_CODES][4];
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
        names[code][0] = char(code);
        return names[code];
    }
    if (code >= KEY_F1 && code <= KEY_F9) {
        std::snprintf(names[code], sizeof names[code], "F%u", code - KEY_F1 + 1);
        return names[code];
    }
    for (const NamedKey& key : NAMED_KEYS) {
        if (key.code == code) return key.name;
    }
    return nullptr;
}

unsigned KeyOfName(const char* name)
{
    if (!name) return NO_KEY;
    for (unsigned code = 1; code < KEY_CODES; ++code) {
        const char* known = KeyName(code);
        // A hand-edited file may say "w" or "pageup".
        if (known && strcasecmp(known, name) == 0) return code;
    }
    return NO_KEY;
}

void BindKey(KeyBindings& bindings, Action action, unsigned slot, unsigned code)
{
    if (action >= ACTION_COUNT || slot >= KEYS_PER_ACTION) return;
    if (code != NO_KEY) {
        for (auto& keys : bindings.keys)
            for (unsigned& bound : keys)
                if (bound == code) bound = NO_KEY;
    }
    bindings.keys[action][slot] = code;
}

void ReadOptions(Options& options, const char* path)
{
    FILE* file = PlatformOpenFile(path, "rb");
    if (!file) return;
    char line[TEXT_LINE_SIZE];
    while (ReadTextLine(file, line)) ApplyOptionsLine(options, line);
    std::fclose(file);
}

bool WriteOptions(const Options& options, const char* path)
{
    return ReplaceTextFile(path, WriteOptionsText, &options);
}

int32_t TextPixelHeight(TextSize size, int32_t clientHeight)
{
    // Below 6 pixels no glyph is readable; above 200 no row fits the window.
    const int64_t SMALLEST = 6, LARGEST = 200;
    if (size == TEXT_LARGE) return 2 * NORMAL_TEXT_HEIGHT;
    if (size != TEXT_FOLLOW_WINDOW || clientHeight <= 0) return NORMAL_TEXT_HEIGHT;   // minimised: as it was
    int64_t pixels = (int64_t(clientHeight) * NORMAL_TEXT_HEIGHT + 240) / 480;
    if (pixels < SMALLEST) pixels = SMALLEST;
    if (pixels > LARGEST) pixels = LARGEST;
    return int32_t(pixels);
}

bool SameOptions(const Options& a, const Options& b)
{
    return a.mouseSensitivity == b.mouseSensitivity && a.invertMouse == b.invertMouse &&
           std::memcmp(a.bindings.keys, b.bindings.keys, sizeof a.bindings.keys) == 0 &&
           a.fieldOfView == b.fieldOfView && a.keepAspect == b.keepAspect && a.vsync == b.vsync &&
           a.frameLimit == b.frameLimit && a.textSize == b.textSize && a.ghost == b.ghost;
}
