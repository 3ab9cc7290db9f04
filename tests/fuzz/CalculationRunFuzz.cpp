// Runs the whole calculation on arbitrary bytes as tavi-calc does. An input that begins with
// "--" holds options in its first line, blanks between them, and the parameter file after it,
// so that the fuzzer reaches combinations of options and designs too; only options that write
// no file of their own are taken. A malformed number may end the run with status 1, a design
// may be refused (2) and an option rejected (64); any other way out is a fault.
//
// Fuzzed settings easily ask for billions of sample-size points, which would only make the
// fuzzer slow, so inputs whose sweep is longer than kMostPoints are passed over, and so are
// simulations of more than kMostReplications.

#include "app/CalcCommand.h"
#include "engine/run/CalculationRun.h"
#include "files/DesignParameters.h"
#include "files/FileError.h"
#include "files/ParameterDesign.h"
#include "files/ParameterFile.h"
#include "files/TextScanner.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::int64_t kMostPoints = 200;
constexpr int kMostReplications = 4;

// The options that write no file of their own.
constexpr std::string_view kOptions[] = {
    "--effect",    "--contrast", "--joint", "--alpha",   "--power",
    "--one-sided", "--df",       "--quiet", "--at",      "--simulate",
    "--seed",      "--size-cv",  "--sizes", "--dropout", "--group-dropout",
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "calculation run: %s\n", what);
    std::abort();
}

// A directory of this process's own under the temporary directory, removed at exit, so that
// parallel fuzzers and test runs never share files.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavi-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            fail("cannot create a temporary directory");
        }
        m_path = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string file(std::string_view name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// The number of points the run will compute for the parameter file text, read as the run
// reads it. Settings the run refuses before it sweeps count as none, and so do a malformed
// number and an early end, at which the run stops too.
std::int64_t sweepPoints(const std::string& text) {
    // Static: the record is too large for the stack.
    static tavi::DesignParameters design;
    design = tavi::initialDesignParameters();
    tavi::TextScanner in(text, "fuzz.par");
    try {
        tavi::ReadParameterFile(in, design, tavi::kRunReading);
    } catch (const tavi::FileError&) {
        return 0;
    }
    const tavi::DesignReading reading = tavi::designOf(design);
    if (reading.unheld) {
        return 0;
    }
    const tavi::SampleSizes& sizes = reading.design.sizes;
    if (sizes.units.least < 1 || sizes.units.step < 1) {
        return 0;
    }
    return tavi::pointCount(reading.design);
}

void writeFile(const std::string& fileName, const std::string& text) {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.flush()) {
        fail("cannot write the parameter file");
    }
}

// The covariance file holds one block per point, each headed by a line "N = ...".
std::int64_t covarianceBlocks(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::int64_t blocks = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("N = ")) {
            ++blocks;
        }
    }
    return blocks;
}

// The options of an input's first line, when it begins with "--"; false when one of them is
// not to be fuzzed.
bool optionsIn(std::string_view& text, std::vector<std::string>& options) {
    if (!text.starts_with("--")) {
        return true;
    }
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::istringstream words{std::string(text.substr(0, end))};
    text.remove_prefix(std::min(end + 1, text.size()));
    for (std::string word; words >> word;) {
        const std::string_view name = std::string_view(word).substr(0, word.find('='));
        const bool known =
            std::find(std::begin(kOptions), std::end(kOptions), name) != std::end(kOptions);
        if (word.starts_with("--") && !known) {
            return false;
        }
        if (!options.empty() && options.back() == "--simulate" &&
            std::atof(word.c_str()) > kMostReplications) {
            return false;
        }
        options.push_back(word);
    }
    return std::find_if(options.begin(), options.end(), [](const std::string& option) {
               return option.starts_with("--simulate=");
           }) == options.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchDirectory directory;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> options;
    if (!optionsIn(input, options)) {
        return 0;
    }
    const std::string text(input);
    const std::int64_t points = sweepPoints(text);
    if (points > kMostPoints) {
        return 0;
    }
    const std::string parFile = directory.file("fuzz.par");
    const std::string covFile = directory.file("fuzz.cov");
    const std::string report = directory.file("fuzz.out");
    writeFile(parFile, text);
    std::vector<const char*> argv;
    argv.reserve(options.size() + 4);
    for (const std::string& option : options) {
        argv.push_back(option.c_str());
    }
    argv.insert(argv.end(), {"--", parFile.c_str(), report.c_str(), covFile.c_str()});
    std::ostringstream out;
    std::ostringstream err;
    const int status =
        tavi::runCalcCommand(static_cast<int>(argv.size()), argv.data(), out, err, false);
    if (status != tavi::kExitComplete && status != tavi::kExitFileError &&
        status != tavi::kExitRefused && status != tavi::kExitUsage) {
        fail("an exit status that no failure has");
    }
    if (status == tavi::kExitRefused && err.str().find(": design refused: ") == std::string::npos) {
        fail("a refusal must come with its reason");
    }
    // A run that was not refused computed every point of its sweep.
    if (status == tavi::kExitComplete && covarianceBlocks(covFile) != points) {
        fail("the covariance file does not hold one block per point");
    }
    return 0;
}
