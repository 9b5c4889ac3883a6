// Runs a fuzz target once on every file in the folders given, without
// libFuzzer: the ordinary build's replay of the seed corpus and of every input
// that once failed. A folder that does not exist is skipped; a run that
// replays nothing fails, so a mistyped folder cannot pass unnoticed.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    long replayed = 0;
    for (int k = 1; k < argc; ++k) {
        if (!std::filesystem::is_directory(argv[k]))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(argv[k])) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream file(entry.path(), std::ios::binary);
            const std::string input{std::istreambuf_iterator<char>(file), {}};
            std::printf("%s\n", entry.path().c_str()); // names the input should it fail
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
            ++replayed;
        }
    }
    std::printf("Replayed %ld inputs.\n", replayed);
    return replayed > 0 ? 0 : 1;
}
