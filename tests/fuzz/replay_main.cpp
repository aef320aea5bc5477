// Runs every file of the given corpus folders (or the given files) through the fuzz
// target once, as an ordinary test: a file that once crashed the driver stays fixed.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_support.h"

int main(int argc, char** argv)
{
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> inputs{argv[i]};
        if (std::filesystem::is_directory(argv[i]))
            inputs.assign(std::filesystem::directory_iterator(argv[i]), std::filesystem::directory_iterator());
        std::sort(inputs.begin(), inputs.end());
        for (const auto& input : inputs) {
            std::ifstream file(input, std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
                return 2;
            }
            const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    // No arguments, or an empty corpus, must not pass as replayed.
    return replayed > 0 ? 0 : 1;
}
