#include "engine/run/CalculationRun.h"

#include "engine/run/LocalDateTime.h"
#include "files/ParameterDesign.h"

namespace tavi {

namespace {

// The run after the files' heads: checks the design, then sweeps. Writes the report and the
// covariance file when there is a report, or only computes.
RunOutcome runDesign(const DesignReading& reading, DesignReport* report,
                     const RunControl& control) {
    if (reading.unheld) {
        if (report != nullptr) {
            report->writeUnheld(*reading.unheld);
        }
        return {true, unheldReason(*reading.unheld), nullptr};
    }
    const NestedDesign& d = reading.design;
    if (report != nullptr) {
        report->writeDesign(d);
    }
    const std::vector<std::string> problems = runProblems(d);
    if (!problems.empty()) {
        if (report != nullptr) {
            report->writeProblems(problems);
        }
        return {true, problems.front(), nullptr};
    }
    std::shared_ptr<const PreparedDesign> design = prepareDesign(d);
    if (report != nullptr) {
        report->writeTableHead(*design);
    }
    sweepDesign(design, report, control);
    return {false, {}, std::move(design)};
}

}  // namespace

DesignReading ReadDesign(const std::string& ParFileName) {
    DesignFileReading file = readDesignFile(ParFileName);
    if (file.error) {
        throw *file.error;
    }
    return std::move(file.reading);
}

RunOutcome RunCalculation(const std::string& ParFileName, const std::string& OutFileName,
                          const std::string& CovFileName, const RunControl& control) {
    return calculateDesign(ReadDesign(ParFileName), ParFileName, OutFileName, CovFileName, control);
}

RunOutcome calculateDesign(const DesignReading& reading, const std::string& ParFileName,
                           const std::string& OutFileName, const std::string& CovFileName,
                           const RunControl& control) {
    OutputSet outputs;
    RunOutcome outcome =
        runDesignInto(outputs, reading, ParFileName, OutFileName, CovFileName, control);
    outputs.commit();
    return outcome;
}

RunOutcome runDesignInto(OutputSet& outputs, const DesignReading& reading,
                         const std::string& ParFileName, const std::string& OutFileName,
                         const std::string& CovFileName, const RunControl& control) {
    // Both files replace their old versions only once the run has written them whole and the
    // caller commits its outputs: a run that fails, on a file it may not write or on a
    // malformed parameter file, leaves them.
    TextFileWriter& reportFile = outputs.add(OutFileName);
    TextFileWriter& covFile = outputs.add(CovFileName);
    const std::unique_ptr<DesignReport> report =
        makeDesignReport(reading.design, reportFile, covFile);
    report->writeHeads(localDateTime(), ParFileName, CovFileName);
    return runDesign(reading, report.get(), control);
}

RunOutcome calculateInMemory(const DesignReading& reading, const RunControl& control) {
    return runDesign(reading, nullptr, control);
}

std::vector<std::string> unusableSettings(const DesignParameters& p) {
    const DesignReading reading = designOf(p);
    return reading.unheld ? std::vector<std::string>{} : runProblems(reading.design);
}

}  // namespace tavi
