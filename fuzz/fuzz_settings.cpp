// libFuzzer target: the settings file read, then written back in its one shape.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_file.h"
#include "game/game_state.h"
#include "game/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    Settings settings;
    const std::string path = FuzzFile("Quorvel.ini", data, size);
    ReadSettings(settings, path.c_str());
    // Whatever the file said, what is kept must be usable.
    if (settings.speedLimitMs > MAX_SPEED_LIMIT_MS || settings.windowWidth < 64 || settings.windowHeight < 48 ||
        settings.windowWidth > int32_t(MAX_WINDOW_SIDE) || settings.windowHeight > int32_t(MAX_WINDOW_SIDE) ||
        std::memchr(settings.imagesFolder, '\0', FOLDER_SIZE) == nullptr ||
        std::memchr(settings.labyrinthsFolder, '\0', FOLDER_SIZE) == nullptr) {
        std::abort();
    }
    WriteSettings(settings, path.c_str());
    std::remove(path.c_str());
    return 0;
}
