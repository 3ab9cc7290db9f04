// The layout of the report, which a user reads: its head, the design, the refusals and the
// table of standard errors.
#pragma once

#include "engine/EngineState.h"
#include "engine/Matrix.h"
#include "files/TextFileWriter.h"

#include <cstdint>
#include <string_view>

namespace tavi {

class ReportWriter {
public:
    explicit ReportWriter(TextFileWriter& report);

    // Title (cut to 80 characters), an empty line, Rows lines of M(i, 1..Cols) as 13.5 reals,
    // two empty lines.
    void WriteReportMatrix(const Matrix& M, std::string_view Title, int Rows, int Cols);

    // The report's banner, citation, date and file names; designs says what the report plans
    // ("two-level designs").
    void writeReportHead(std::string_view dateTime, std::string_view parFileName,
                         std::string_view covFileName,
                         std::string_view designs = "two-level designs");

    // The block that ends a run whose design has more coefficients than dimmax.
    void writeCapacityFailure(std::int64_t coefficients);
    // A block that ends a run on a design the engine refuses: an empty line, the lines given,
    // and "Program stops.".
    void writeRefusal(std::string_view explanation);

    // The design's counts and settings, then its parameters in the engine layout.
    void writeDesignEcho(const EngineState& e);
    // The legend of the table and its header, with a label per coefficient.
    void writeTableHead(const EngineState& e);

    // Rows of the table, formatted by appendTableRow with their line ends.
    void writeRows(std::string_view rows);

private:
    TextFileWriter& m_report;
};

}  // namespace tavi
