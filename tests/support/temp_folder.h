// A fresh folder under the system's temporary folder, removed again at the end.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

struct TempFolder {
    std::filesystem::path path;

    TempFolder()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::filesystem::path candidate =
                std::filesystem::temp_directory_path() / ("quorvel" + std::to_string(random() % 1000000u));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                path = candidate;
                return;
            }
        }
        ADD_FAILURE() << "no temporary folder";
    }
    ~TempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return (path / name).string(); }
    // The folder as the game passes folders around: a prefix ending in its separator.
    std::string Prefix() const { return path.string() + char(std::filesystem::path::preferred_separator); }
};
