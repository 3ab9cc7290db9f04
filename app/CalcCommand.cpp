#include "app/CalcCommand.h"

#include "TaviVersion.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/StandardErrorCsv.h"
#include "files/CovarianceCheck.h"
#include "files/FileError.h"
#include "files/FileNames.h"
#include "files/ParameterFile.h"
#include "files/TextFileWriter.h"
#include "files/TextScanner.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

namespace {

constexpr std::string_view kUsage =
    "Usage: tavi-calc [--csv FILE] PARFILE [REPORT [COVFILE]]\n"
    "Computes the standard errors of a two-level design for every sample-size point that the\n"
    "parameter file PARFILE asks for.\n"
    "\n"
    "  REPORT      the report; default PARFILE's base name with .out, in its directory\n"
    "  COVFILE     the covariance matrices; default REPORT's base name with .cov, beside it\n"
    "  --csv FILE  also write the table of standard errors as CSV\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 complete, 1 a file could not be read or written, 2 the design was refused\n"
    "(the report says why), 64 wrong usage.\n";

constexpr std::int64_t kProgressThreshold = 1000;

struct Arguments {
    std::vector<std::string> files;
    std::optional<std::string> csvFile;
};

// The name of a file with another extension: its base name (up to the first ".") in the same
// directory.
std::string withExtension(const std::string& path, std::string_view extension) {
    return DirectoryPartOf(path) + BaseNameOf(FileNamePartOf(path)) + std::string(extension);
}

// Writes the CSV rows and shows progress while the run sweeps.
class CommandObserver : public SweepObserver {
public:
    CommandObserver(StandardErrorCsv* csv, std::ostream* progress)
        : m_csv(csv), m_progress(progress) {}

    void sweepStarts(std::int64_t points) override {
        m_points = points;
        if (m_csv != nullptr) {
            m_csv->writeHeader(TaviCalcs);
        }
        if (m_points <= kProgressThreshold) {
            m_progress = nullptr;
        }
    }

    void pointDone(const EngineState& e, std::int64_t cost) override {
        if (m_csv != nullptr) {
            m_csv->writeRow(e, cost);
        }
        ++m_done;
        if (m_progress != nullptr && (m_done * 100 / m_points != (m_done - 1) * 100 / m_points)) {
            *m_progress << "\rtavi-calc: " << m_done << " of " << m_points << " points"
                        << (m_done == m_points ? "\n" : "") << std::flush;
        }
    }

private:
    StandardErrorCsv* m_csv;
    std::ostream* m_progress;
    std::int64_t m_points = 0;
    std::int64_t m_done = 0;
};

// Warns, a line each, about covariance matrices in the parameter file that cannot be covariance
// matrices; the run computes with them all the same. A file that cannot be read is left to the
// run, which reports it.
void warnAboutCovariances(const std::string& parFile, std::ostream& err) {
    DesignParameters p = InitialDesignParameters();
    try {
        TextScanner in = TextScanner::fromFile(parFile);
        ReadParameterFile(in, p);
    } catch (const FileError&) {
        return;
    }
    for (const CovarianceFinding& finding : covarianceFindings(p)) {
        err << "tavi-calc: " << finding.message << "\n";
    }
}

// Parses the arguments; nullopt after a usage error has been reported.
std::optional<Arguments> parseArguments(int argc, const char* const* argv, std::ostream& err) {
    Arguments arguments;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--csv") {
            if (i + 1 == argc) {
                err << "tavi-calc: --csv needs a file name\n";
                return std::nullopt;
            }
            arguments.csvFile = argv[++i];
        } else if (!optionsEnded && argument.starts_with("--csv=")) {
            arguments.csvFile = std::string(argument.substr(6));
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            err << "tavi-calc: unknown option " << argument << "\n";
            return std::nullopt;
        } else {
            arguments.files.emplace_back(argument);
        }
    }
    if (arguments.files.empty() || arguments.files.size() > 3) {
        err << (arguments.files.empty() ? "tavi-calc: no parameter file given\n"
                                        : "tavi-calc: too many file names\n");
        return std::nullopt;
    }
    if (arguments.csvFile && arguments.csvFile->empty()) {
        err << "tavi-calc: --csv needs a file name\n";
        return std::nullopt;
    }
    return arguments;
}

}  // namespace

int RunCalcCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   bool showProgress) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            break;
        }
        if (argument == "--help") {
            out << kUsage;
            return kExitComplete;
        }
        if (argument == "--version") {
            out << "tavi-calc " TAVI_VERSION "\n";
            return kExitComplete;
        }
    }
    const std::optional<Arguments> arguments = parseArguments(argc, argv, err);
    if (!arguments) {
        err << "Try 'tavi-calc --help'.\n";
        return kExitUsage;
    }
    const std::string& parFile = arguments->files[0];
    const std::string report =
        arguments->files.size() >= 2 ? arguments->files[1] : withExtension(parFile, ".out");
    const std::string covFile =
        arguments->files.size() >= 3 ? arguments->files[2] : withExtension(report, ".cov");

    std::vector<std::string> names = {parFile, report, covFile};
    if (arguments->csvFile) {
        names.push_back(*arguments->csvFile);
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            if (SameFile(names[i], names[j])) {
                err << "tavi-calc: " << names[i] << " and " << names[j]
                    << " are the same file; nothing written\n";
                return kExitUsage;
            }
        }
    }

    warnAboutCovariances(parFile, err);
    try {
        std::unique_ptr<TextFileWriter> csvFile;
        std::unique_ptr<StandardErrorCsv> csv;
        if (arguments->csvFile) {
            csvFile = std::make_unique<TextFileWriter>(*arguments->csvFile,
                                                       TextFileWriter::Mode::ReplaceWhenClosed);
            csv = std::make_unique<StandardErrorCsv>(*csvFile);
        }
        CommandObserver observer(csv.get(), showProgress ? &err : nullptr);
        const RunOutcome outcome = RunCalculation(parFile, report, covFile, &observer);
        if (outcome.refused) {
            err << "tavi-calc: " << parFile << ": design refused: " << outcome.reason << "\n";
            return kExitRefused;
        }
        if (csvFile) {
            csvFile->close();
        }
    } catch (const FileError& error) {
        err << "tavi-calc: " << error.fileName() << ": " << error.what() << "\n";
        return kExitFileError;
    }
    return kExitComplete;
}

}  // namespace tavi
