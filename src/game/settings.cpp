#include "game/settings.h"

#include <cstdio>
#include <cstring>

#include "labyrinth/text_lines.h"
#include "platform/platform.h"

void KeepClientSize(Settings& settings, int32_t width, int32_t height)
{
    settings.windowWidth = width;
    settings.windowHeight = height;
    if (width != 0 && height != 0) {
        settings.restoredWidth = width;
        settings.restoredHeight = height;
    }
}

// Each pattern is tried on every line, scanf-style: a key only at the very
// start of a line, blanks around '=' optional, a value stored as soon as it
// converts ("Size = 800" sets the width alone).
static int32_t SignedSide(unsigned digits)
{
    const int32_t side = int32_t(digits);   // two's complement: 4294967295 is -1
    return side < int32_t(MAX_WINDOW_SIDE) ? side : int32_t(MAX_WINDOW_SIDE);
}

static void ApplySettingsLine(Settings& s, const char* line)
{
    unsigned number = 0;
    if (std::sscanf(line, "Labyrinth = %u", &number) == 1) s.selectedLabyrinth = number;
    // A tick longer than a second is a frozen game, and "-1" reads as the longest tick of all.
    if (std::sscanf(line, "Speedlimit = %u", &number) == 1) s.speedLimitMs = number < MAX_SPEED_LIMIT_MS ? number : MAX_SPEED_LIMIT_MS;
    int flag = 0;
    if (std::sscanf(line, "Fullscreen = %d", &flag) == 1) s.fullscreen = uint8_t(unsigned(flag) & 0xFF);
    char folder[FOLDER_SIZE];
    if (std::sscanf(line, "Images = %127s", folder) == 1) std::strcpy(s.imagesFolder, folder);
    if (std::sscanf(line, "Labyrinths = %127s", folder) == 1) std::strcpy(s.labyrinthsFolder, folder);
    unsigned width = 0, height = 0;
    int sizes = std::sscanf(line, "Size = %u %u", &width, &height);
    // No display is larger; a window of billions of pixels would only fail to open.
    // The digits are read unsigned and kept as a signed size, so "-1" is -1 and
    // ends at the smallest window rather than the largest.
    if (sizes >= 1) s.windowWidth = SignedSide(width);
    if (sizes == 2) s.windowHeight = SignedSide(height);
    if (s.windowWidth < 64) s.windowWidth = 64;
    if (s.windowHeight < 48) s.windowHeight = 48;
}

void ReadSettings(Settings& settings, const char* path)
{
    FILE* file = PlatformOpenFile(path, "rb");
    if (!file) return;
    char line[TEXT_LINE_SIZE];
    while (ReadTextLine(file, line)) ApplySettingsLine(settings, line);
    std::fclose(file);
    settings.restoredWidth = settings.windowWidth;
    settings.restoredHeight = settings.windowHeight;
}

void ClampSelectedLabyrinth(Settings& settings, uint32_t labyrinthCount)
{
    // With no labyrinth at all there is no valid index; 0 is what the next
    // start expects once labyrinths are added.
    if (labyrinthCount == 0) {
        settings.selectedLabyrinth = 0;
    } else if (settings.selectedLabyrinth >= labyrinthCount) {
        settings.selectedLabyrinth = labyrinthCount - 1;
    }
}

static bool WriteSettingsText(FILE* file, const void* context)
{
    const Settings& s = *static_cast<const Settings*>(context);
    int32_t width = s.windowWidth, height = s.windowHeight;
    if (width == 0 || height == 0) {
        width = s.restoredWidth;
        height = s.restoredHeight;
    }
    return std::fprintf(file,
        "[Game]\r\nLabyrinth = %u\r\nSpeedlimit = %u\r\n\r\n[Video]\r\nFullscreen = %d\r\n\r\n"
        "[Folders]\r\nImages = %s\r\nLabyrinths = %s\r\n\r\n[Window]\r\nSize = %u %u",
        unsigned(s.selectedLabyrinth), unsigned(s.speedLimitMs), int(s.fullscreen), s.imagesFolder, s.labyrinthsFolder,
        unsigned(width), unsigned(height)) > 0;
}

// The text is the same on every platform: CR LF line ends, no final line
// break. A failed write leaves the old file as it was.
void WriteSettings(const Settings& settings, const char* path)
{
    ReplaceTextFile(path, WriteSettingsText, &settings);
}
