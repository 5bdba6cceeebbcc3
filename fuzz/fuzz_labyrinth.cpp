// libFuzzer target: a whole labyrinth load, image and palette. The input is
// the palette text, a NUL byte, then the image file's bytes; every cell of a
// grid that loads is read through its palette row.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_file.h"
#include "labyrinth/labyrinth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    const void* split = std::memchr(data, '\0', size);
    const size_t paletteBytes = split ? size_t(static_cast<const uint8_t*>(split) - data) : size;
    const size_t imageStart = split ? paletteBytes + 1 : size;
    const std::string palettePath = FuzzFile("Palette.txt", data, paletteBytes);
    const std::string imagePath = FuzzFile("labyrinth.img", data + imageStart, size - imageStart);
    const char* reason = nullptr;
    Labyrinth labyrinth;
    if (LoadLabyrinth(labyrinth, imagePath.c_str(), palettePath.c_str(), &reason)) {
        unsigned kinds = 0;
        for (int32_t r = 0; r < labyrinth.grid.height; ++r)
            for (int32_t c = 0; c < labyrinth.grid.width; ++c) kinds += unsigned(CellKind(labyrinth, r, c) == 'w');
        (void)kinds;
        ReleaseLabyrinth(labyrinth);
    } else if (reason == nullptr) {
        std::abort();   // every refusal says why
    }
    std::remove(palettePath.c_str());
    std::remove(imagePath.c_str());
    return 0;
}
