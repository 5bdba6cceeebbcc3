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
    ResetSettings();
    const std::string path = FuzzFile("Quorvel.ini", data, size);
    ReadSettings(path.c_str());
    // Whatever the file said, what is kept must be usable.
    if (speedLimitMs > MAX_SPEED_LIMIT_MS || windowWidth < 64 || windowHeight < 48 ||
        windowWidth > int32_t(MAX_WINDOW_SIDE) || windowHeight > int32_t(MAX_WINDOW_SIDE) ||
        std::memchr(imagesFolder, '\0', FOLDER_SIZE) == nullptr ||
        std::memchr(labyrinthsFolder, '\0', FOLDER_SIZE) == nullptr) {
        std::abort();
    }
    WriteSettings(path.c_str());
    std::remove(path.c_str());
    return 0;
}
