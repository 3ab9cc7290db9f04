#include "engine/run/Assumptions.h"

#include "files/FileNames.h"
#include "files/ParameterFile.h"
#include "files/TextScanner.h"

namespace tavi {

std::unique_ptr<DesignParameters> asFileHoldsIt(const DesignParameters& p) {
    auto held = std::make_unique<DesignParameters>(initialDesignParameters());
    TextScanner text(parameterFileText(p, "tavi.out", "tavi.cov"), "the edited design");
    ReadParameterFile(text, *held, kRunReading);
    return held;
}

void writeDesignFile(const DesignParameters& p, const std::string& ParFileName) {
    const std::string report = withExtension(ParFileName, ".out");
    WriteParameterFile(p, ParFileName, fileNamePartOf(report),
                       fileNamePartOf(withExtension(report, ".cov")));
}

}  // namespace tavi
