// libFuzzer target: the texture list file "Images.txt".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_file.h"
#include "render/gl_window.h"
#include "render/texture_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    glWindow.textureNameCount = 0;
    const std::string path = FuzzFile("Images.txt", data, size);
    if (!ReadTextureList(path.c_str(), "Images\\")) std::abort();   // the file is there: it is read
    if (glWindow.textureNameCount > MAX_TEXTURE_NAMES) std::abort();
    for (unsigned k = 0; k < glWindow.textureNameCount; ++k) {
        if (std::memchr(glWindow.textureNames[k], '\0', TEXTURE_NAME_SIZE) == nullptr) std::abort();
    }
    std::remove(path.c_str());
    return 0;
}
