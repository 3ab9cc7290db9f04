#include "engine/run/DesignReport.h"

#include "engine/EngineLayout.h"
#include "engine/run/CovarianceFileWriter.h"
#include "engine/run/NamedDesignReport.h"
#include "engine/run/PeriodDesignReport.h"
#include "engine/run/ReportTable.h"
#include "engine/run/ReportWriter.h"

namespace tavi {

namespace {

std::string joined(std::string head, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        head += "\n" + line;
    }
    return head;
}

// What both forms share: the files, the table's rows and the covariance file's head.
class ReportFiles : public DesignReport {
public:
    ReportFiles(int levels, std::string_view designs, TextFileWriter& report,
                TextFileWriter& covFile)
        : m_levels(levels),
          m_designs(designs),
          m_report(report),
          m_covFile(covFile),
          m_writer(report) {}

    void writeHeads(std::string_view dateTime, std::string_view parFileName,
                    std::string_view covFileName) override {
        m_writer.writeReportHead(dateTime, parFileName, covFileName, m_designs);
        writeCovHead(m_covFile, dateTime);
    }

    void appendRow(std::string& out, bool budgetMode, const SweepPoint& point,
                   const PointCovariance& covariance) const override {
        appendTableRow(out, tableLayoutFor(m_levels), budgetMode, point, covariance);
        out.append("\r\n");
    }

    void writeRows(std::string_view rows, std::string_view covBlocks) override {
        m_covFile.write(covBlocks);
        m_report.write(rows);
    }

protected:
    int m_levels;
    std::string_view m_designs;
    TextFileWriter& m_report;
    TextFileWriter& m_covFile;
    ReportWriter m_writer;
};

// A two-level parameter file's report: the design in the engine layout, the counts' refusals.
class EngineLayoutReport final : public ReportFiles {
public:
    EngineLayoutReport(TextFileWriter& report, TextFileWriter& covFile)
        : ReportFiles(2, "two-level designs", report, covFile) {}

    void writeUnheld(const Unheld& unheld) override {
        if (unheld.impossibleCounts.empty()) {
            m_writer.writeCapacityFailure(unheld.coefficients);
            return;
        }
        m_writer.writeRefusal(
            "The numbers of variables are impossible: " + unheld.impossibleCounts +
            ".\nThey must satisfy 0 <= k1 <= k and kw >= 0.");
    }

    void writeDesign(const NestedDesign& d) override {
        // Too large for the stack.
        const auto e = std::make_unique<EngineState>();
        loadEngineDesign(d, *e);
        m_writer.writeDesignEcho(*e);
    }

    void writeProblems(const std::vector<std::string>& problems) override {
        m_writer.writeRefusal(joined("The parameters cannot be used for a calculation:", problems));
    }

    void writeTableHead(const PreparedDesign& d) override {
        m_writer.writeTableHead(*d.information->engineState());
    }

    void appendCovBlock(std::string& out, const SweepPoint& point,
                        const PointCovariance& covariance) const override {
        tavi::appendCovBlock(out, point.N, point.n, covariance.CovCoef, covariance.NumCoef);
    }
};

// A three-level design's report, with its variables' names; a design over periods is one.
class NamedVariablesReport final : public ReportFiles {
public:
    NamedVariablesReport(std::string_view designs, TextFileWriter& report, TextFileWriter& covFile)
        : ReportFiles(3, designs, report, covFile) {}

    void writeUnheld(const Unheld& unheld) override { writeProblems({unheldReasonLine(unheld)}); }

    void writeDesign(const NestedDesign& d) override {
        if (d.periods) {
            writePeriodDesign(m_report, d);
        } else {
            writeNamedDesign(m_report, d);
        }
    }

    void writeProblems(const std::vector<std::string>& problems) override {
        m_writer.writeRefusal(joined("The design cannot be computed:", problems));
    }

    void writeTableHead(const PreparedDesign& d) override { writeNamedTableHead(m_report, d); }

    void appendCovBlock(std::string& out, const SweepPoint& point,
                        const PointCovariance& covariance) const override {
        appendNamedCovBlock(out, point, covariance);
    }

    static std::string unheldReasonLine(const Unheld& unheld) {
        return "The design has " + std::to_string(unheld.coefficients) +
               " regression coefficients; at most " + std::to_string(dimmax) + " fit.";
    }
};

}  // namespace

std::unique_ptr<DesignReport> makeDesignReport(const NestedDesign& d, TextFileWriter& report,
                                               TextFileWriter& covFile) {
    if (d.periods) {
        return std::make_unique<NamedVariablesReport>("cluster designs over periods", report,
                                                      covFile);
    }
    if (d.levels() == 3) {
        return std::make_unique<NamedVariablesReport>("three-level designs", report, covFile);
    }
    return std::make_unique<EngineLayoutReport>(report, covFile);
}

std::string unheldReason(const Unheld& unheld) {
    if (!unheld.impossibleCounts.empty()) {
        return "impossible numbers of variables: " + unheld.impossibleCounts;
    }
    return "the design has " + std::to_string(unheld.coefficients) +
           " regression coefficients, more than " + std::to_string(dimmax);
}

}  // namespace tavi
