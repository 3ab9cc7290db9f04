// Runs the whole calculation on arbitrary bytes as its parameter file. A malformed number may
// end the run with a FileError and a design may be refused; any other way out is a fault.
//
// Fuzzed settings easily ask for billions of sample-size points, which would only make the
// fuzzer slow, so inputs whose sweep is longer than kMostPoints are passed over.

#include "engine/run/CalculationRun.h"
#include "files/DesignParameters.h"
#include "files/FileError.h"
#include "files/ParameterDesign.h"
#include "files/ParameterFile.h"
#include "files/TextScanner.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

constexpr std::int64_t kMostPoints = 200;

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchDirectory directory;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::int64_t points = sweepPoints(text);
    if (points > kMostPoints) {
        return 0;
    }
    const std::string parFile = directory.file("fuzz.par");
    const std::string covFile = directory.file("fuzz.cov");
    writeFile(parFile, text);
    try {
        const tavi::RunOutcome outcome =
            tavi::RunCalculation(parFile, directory.file("fuzz.out"), covFile);
        if (outcome.refused == outcome.reason.empty()) {
            fail("a refusal must come with its reason, and only a refusal");
        }
        // A run that was not refused computed every point of its sweep.
        if (!outcome.refused && covarianceBlocks(covFile) != points) {
            fail("the covariance file does not hold one block per point");
        }
    } catch (const tavi::FileError&) {
        // A malformed number, or a parameter file that ends early: the run stops where the
        // reading did.
    }
    return 0;
}
