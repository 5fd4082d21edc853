// Runs a fuzz target over files, without libFuzzer: every file named on the
// command line, and every file inside each directory named (sorted). Used to
// replay the committed seed corpus in the normal build and to replay a crash
// file found by a fuzzing run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> inputsOf(const fs::path &argument)
{
    if (!fs::is_directory(argument))
        return {argument};
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(argument))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool replay(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << file << '\n';
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // A fresh copy of exactly the file's size, so that a read past its end
    // is seen by the address sanitizer as it would be under libFuzzer.
    const std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::size_t replayed = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path &file : inputsOf(argv[i])) {
            ok = replay(file) && ok;
            ++replayed;
        }
    }
    std::cout << "replayed " << replayed << " inputs\n";
    if (replayed == 0) {
        std::cerr << "no inputs: give corpus directories or files\n";
        return 1;
    }
    return ok ? 0 : 1;
}
