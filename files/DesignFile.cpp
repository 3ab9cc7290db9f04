#include "files/DesignFile.h"

#include "files/FileNames.h"
#include "files/ParameterDesign.h"
#include "files/ParameterFile.h"
#include "files/PeriodDesignFile.h"
#include "files/TextFileWriter.h"
#include "files/TextScanner.h"
#include "files/ThreeLevelFile.h"

#include <memory>

namespace tavi {

DesignFileReading readDesignFile(const std::string& fileName) {
    return readDesignText(readTextFile(fileName), fileName);
}

DesignFileReading readDesignText(std::string_view text, const std::string& fileName) {
    if (isThreeLevelText(text)) {
        return {readThreeLevelText(text, fileName), std::nullopt};
    }
    if (isPeriodText(text)) {
        return {readPeriodText(text, fileName), std::nullopt};
    }
    TextScanner in(std::string(text), fileName);
    // Malformed counts are reported at once.
    TextScanner counts = in;
    for (int i = 0; i < 3; ++i) {
        counts.readInteger();
    }
    const auto p = std::make_unique<DesignParameters>(initialDesignParameters());
    DesignFileReading file;
    try {
        ReadParameterFile(in, *p, kRunReading);
    } catch (const FileError& error) {
        file.error = error;
    }
    file.reading = designOf(*p);
    return file;
}

std::string designFileText(const NestedDesign& d, const std::string& OutFileName,
                           const std::string& CovFileName) {
    if (d.periods) {
        return periodFileText(d);
    }
    if (d.levels() == 3) {
        return threeLevelFileText(d);
    }
    return parameterFileText(parametersOf(d), OutFileName, CovFileName, RealForm::Shortest);
}

void writeDesignFile(const NestedDesign& d, const std::string& ParFileName) {
    const std::string report = withExtension(ParFileName, ".out");
    TextFileWriter out(ParFileName, TextFileWriter::Mode::ReplaceWhenClosed);
    out.write(
        designFileText(d, fileNamePartOf(report), fileNamePartOf(withExtension(report, ".cov"))));
    out.close();
}

}  // namespace tavi
