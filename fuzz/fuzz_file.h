// The text-file readers take paths: the fuzzer's bytes go to a file of this
// process's own first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

inline std::string FuzzFile(const char* what, const uint8_t* data, size_t size)
{
    const std::string path = "/tmp/quorvel-fuzz-" + std::to_string(getpid()) + "-" + what;
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return path;
}
