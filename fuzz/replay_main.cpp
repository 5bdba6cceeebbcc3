// Replays files through a fuzz target without the fuzzer: every seed and
// every input that once crashed, as a test in the ordinary (and sanitizer)
// builds. usage: replay_NAME FILE_OR_FOLDER...
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static void Replay(const std::filesystem::path& path, unsigned& count)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++count;
}

int main(int argc, char** argv)
{
    unsigned count = 0;
    for (int k = 1; k < argc; ++k) {
        std::error_code error;
        if (std::filesystem::is_directory(argv[k], error)) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[k]))
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') Replay(entry.path(), count);
        } else if (std::filesystem::is_regular_file(argv[k], error)) {
            Replay(argv[k], count);
        }
    }
    std::printf("replayed %u inputs\n", count);
    return 0;
}
