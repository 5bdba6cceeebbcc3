// libFuzzer target: the palette file, as the loader reads it.
#include <cstdio>
#include <cstdlib>

#include "fuzz_file.h"
#include "labyrinth/labyrinth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    const std::string path = FuzzFile("Palette.txt", data, size);
    unsigned rows = 999;
    Palette palette;
    if (!ReadPaletteFile(palette, path.c_str(), rows) || rows > MAX_PALETTE_ROWS) std::abort();
    std::remove(path.c_str());
    return 0;
}
