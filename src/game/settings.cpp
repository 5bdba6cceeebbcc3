#include "game/settings.h"

#include <cstdio>
#include <cstring>

#include "game/game_state.h"
#include "labyrinth/text_lines.h"
#include "platform/platform.h"

uint32_t speedLimitMs = 10;
uint8_t fullscreen = 0;
char imagesFolder[FOLDER_SIZE] = "Images\\";
char labyrinthsFolder[FOLDER_SIZE] = "Labyrinths\\";
int32_t windowWidth = 640;
int32_t windowHeight = 480;

// The last client size with both sides non-zero: a window minimised at exit
// reports 0 x 0, which is not worth keeping for the next start.
static int32_t restoredWidth = 640;
static int32_t restoredHeight = 480;

void ResetSettings()
{
    selectedLabyrinth = 0;
    speedLimitMs = 10;
    fullscreen = 0;
    std::strcpy(imagesFolder, "Images\\");
    std::strcpy(labyrinthsFolder, "Labyrinths\\");
    windowWidth = restoredWidth = 640;
    windowHeight = restoredHeight = 480;
}

void NoteClientSize(int32_t width, int32_t height)
{
    windowWidth = width;
    windowHeight = height;
    if (width != 0 && height != 0) {
        restoredWidth = width;
        restoredHeight = height;
    }
}

// Each pattern is tried on every line, scanf-style: a key only at the very
// start of a line, blanks around '=' optional, a value stored as soon as it
// converts ("Size = 800" sets the width alone).
static void ApplySettingsLine(const char* line)
{
    unsigned number = 0;
    if (std::sscanf(line, "Labyrinth = %u", &number) == 1) selectedLabyrinth = number;
    // A tick longer than a second is a frozen game, and "-1" reads as the longest tick of all.
    if (std::sscanf(line, "Speedlimit = %u", &number) == 1) speedLimitMs = number < MAX_SPEED_LIMIT_MS ? number : MAX_SPEED_LIMIT_MS;
    int flag = 0;
    if (std::sscanf(line, "Fullscreen = %d", &flag) == 1) fullscreen = uint8_t(unsigned(flag) & 0xFF);
    char folder[FOLDER_SIZE];
    if (std::sscanf(line, "Images = %127s", folder) == 1) std::strcpy(imagesFolder, folder);
    if (std::sscanf(line, "Labyrinths = %127s", folder) == 1) std::strcpy(labyrinthsFolder, folder);
    unsigned width = 0, height = 0;
    int sizes = std::sscanf(line, "Size = %u %u", &width, &height);
    // No display is larger; a window of billions of pixels would only fail to open.
    if (sizes >= 1) windowWidth = int32_t(width < MAX_WINDOW_SIDE ? width : MAX_WINDOW_SIDE);
    if (sizes == 2) windowHeight = int32_t(height < MAX_WINDOW_SIDE ? height : MAX_WINDOW_SIDE);
    if (windowWidth < 64) windowWidth = 64;
    if (windowHeight < 48) windowHeight = 48;
}

void ReadSettings(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (!file) return;
    char line[TEXT_LINE_SIZE];
    while (ReadTextLine(file, line)) ApplySettingsLine(line);
    std::fclose(file);
    restoredWidth = windowWidth;
    restoredHeight = windowHeight;
}

void ClampSelectedLabyrinth(uint32_t labyrinthCount)
{
    // With no labyrinth at all there is no valid index; 0 is what the next
    // start expects once labyrinths are added.
    if (labyrinthCount == 0) {
        selectedLabyrinth = 0;
    } else if (selectedLabyrinth >= labyrinthCount) {
        selectedLabyrinth = labyrinthCount - 1;
    }
}

static bool WriteSettingsText(FILE* file, const void*)
{
    int32_t width = windowWidth, height = windowHeight;
    if (width == 0 || height == 0) {
        width = restoredWidth;
        height = restoredHeight;
    }
    return std::fprintf(file,
        "[Game]\r\nLabyrinth = %u\r\nSpeedlimit = %u\r\n\r\n[Video]\r\nFullscreen = %d\r\n\r\n"
        "[Folders]\r\nImages = %s\r\nLabyrinths = %s\r\n\r\n[Window]\r\nSize = %u %u",
        unsigned(selectedLabyrinth), unsigned(speedLimitMs), int(fullscreen), imagesFolder, labyrinthsFolder,
        unsigned(width), unsigned(height)) > 0;
}

// The text is the same on every platform: CR LF line ends, no final line
// break. A failed write leaves the old file as it was.
void WriteSettings(const char* path)
{
    ReplaceTextFile(path, WriteSettingsText, nullptr);
}
