// Replays saved inputs through a fuzz target built without the fuzzing engine, so that every
// test run exercises each input the fuzzer has kept. The arguments are directories of inputs;
// a missing or empty directory fails the replay, so that a lost corpus cannot pass as tested.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The files of a directory in name order, so that every replay runs them alike.
std::vector<fs::path> inputsIn(const fs::path& directory) {
    std::vector<fs::path> inputs;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        if (entry.is_regular_file()) {
            inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

// Runs one input from a buffer of exactly its size, as the fuzzer passes it, so that the
// sanitizers see any read behind its end.
bool replay(const fs::path& input) {
    std::ifstream in(input, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    if (in.bad()) {
        std::cerr << "replay: cannot read " << input << "\n";
        return false;
    }
    const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.get());
    // Named before it runs: a crash ends the process, and the log must still tell the input.
    std::cerr << "replay: " << input.filename().string() << "\n";
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " CORPUS_DIRECTORY...\n";
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const fs::path directory = argv[i];
        std::error_code error;
        if (!fs::is_directory(directory, error)) {
            std::cerr << "replay: " << directory << " is not a directory\n";
            return 1;
        }
        const std::vector<fs::path> inputs = inputsIn(directory);
        if (inputs.empty()) {
            std::cerr << "replay: " << directory << " holds no inputs\n";
            return 1;
        }
        for (const fs::path& input : inputs) {
            if (!replay(input)) {
                return 1;
            }
        }
        std::cout << "replay: " << inputs.size() << " inputs from " << directory << "\n";
    }
    return 0;
}
