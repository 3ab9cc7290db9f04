#include "engine/run/ReportWriter.h"

#include "TaviVersion.h"
#include "engine/Coefficients.h"
#include "engine/run/ReportTable.h"
#include "files/NumberText.h"

namespace tavi {

namespace {

constexpr std::size_t kMaxTitleLength = 80;

std::string_view kindLabel(CoefficientKind kind) {
    switch (kind) {
        case CoefficientKind::Fixed:
            return "Fixed";
        case CoefficientKind::Const:
            return "Const";
        case CoefficientKind::Group:
            return "Group";
        case CoefficientKind::Random:
            return "Random";
        case CoefficientKind::CrossL:
            break;
    }
    return "Cross-L";
}

constexpr std::string_view kBanner[] = {
    "  TTTTTTTTTT      AAAA      VV        VV   IIIIII",
    "  TTTTTTTTTT     AA  AA     VV        VV   IIIIII",
    "      TT        AA    AA     VV      VV      II",
    "      TT       AA      AA    VV      VV      II",
    "      TT       AAAAAAAAAA     VV    VV       II",
    "      TT       AA      AA     VV    VV       II",
    "      TT       AA      AA      VV  VV      IIIIII",
    "      TT       AA      AA       VVVV       IIIIII",
};

constexpr std::string_view kHeadText[] = {
    "",
    "            Standard errors for planning %DESIGNS%",
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line joined from the version
    "            version " TAVI_VERSION ", " TAVI_RELEASE_MONTH,
    "",
    "            Written by the TAVI developers.",
    "            Free to use for planning research; no warranty.",
    "",
    "This programs performs calculations corresponding to the paper",
    "\"Standard errors and sample sizes in two-level designs with random slopes\",",
    "R. Corvell,",
    "Journal of Placeholder Methodology, 7, 1990, 101-126.",
    "",
    "",
};

struct DesignLine {
    std::string_view label;
    std::int32_t EngineState::*value;
    enum { Always, BudgetOnly, RangeOnly } shown;
};

void appendTitle(std::string& out, std::string_view title) {
    out.append(title.substr(0, kMaxTitleLength));
}

}  // namespace

ReportWriter::ReportWriter(TextFileWriter& report) : m_report(report) {}

void ReportWriter::WriteReportMatrix(const Matrix& M, std::string_view Title, int Rows, int Cols) {
    appendTitle(m_report.buffer(), Title);
    m_report.endLine();
    m_report.endLine();
    for (int i = 1; i <= Rows; ++i) {
        for (int j = 1; j <= Cols; ++j) {
            appendFixed(m_report.buffer(), M(i, j), 13, 5);
        }
        m_report.endLine();
    }
    m_report.endLine();
    m_report.endLine();
}

void ReportWriter::writeReportHead(std::string_view dateTime, std::string_view parFileName,
                                   std::string_view covFileName, std::string_view designs) {
    m_report.endLine();
    for (std::string_view line : kBanner) {
        m_report.line(line);
    }
    constexpr std::string_view kDesignsMark = "%DESIGNS%";
    for (std::string_view line : kHeadText) {
        const std::size_t mark = line.find(kDesignsMark);
        if (mark == std::string_view::npos) {
            m_report.line(line);
            continue;
        }
        m_report.buffer()
            .append(line.substr(0, mark))
            .append(designs)
            .append(line.substr(mark + kDesignsMark.size()));
        m_report.endLine();
    }
    m_report.buffer().append("Date and time: ").append(dateTime);
    m_report.endLine();
    m_report.endLine();
    m_report.buffer().append("Input parameters read from file ").append(parFileName).append(".");
    m_report.endLine();
    m_report.endLine();
    m_report.buffer().append("File ").append(covFileName).append(" contains secondary output ");
    m_report.endLine();
    m_report.line("(entire covariance matrices).");
    m_report.endLine();
}

void ReportWriter::writeCapacityFailure(std::int64_t coefficients) {
    m_report.endLine();
    m_report.line("Constant dimmax is too small;");
    m_report.buffer().append("Must be at least k1 + (k-k1+1)*(kw+1) = ");
    appendInteger(m_report.buffer(), coefficients);
    m_report.endLine();
    m_report.buffer().append("but is now only ");
    appendInteger(m_report.buffer(), dimmax);
    m_report.buffer().append(".");
    m_report.endLine();
    m_report.line("Program stops. SorrY! ");
    m_report.line("Ask for a compilation with larger dimmax.");
}

void ReportWriter::writeRefusal(std::string_view explanation) {
    m_report.endLine();
    while (!explanation.empty()) {
        const std::size_t end = explanation.find('\n');
        m_report.line(explanation.substr(0, end));
        explanation = end == std::string_view::npos ? "" : explanation.substr(end + 1);
    }
    m_report.line("Program stops.");
}

void ReportWriter::writeDesignEcho(const EngineState& e) {
    static constexpr DesignLine kDesignLines[] = {
        {"NUMBER OF FIXED EFFECTS              (K_1)            [L_1 + L_2 + 1] :",
         &EngineState::k1, DesignLine::Always},
        {"NUMBER OF RANDOM EFFECTS INCL. CONST (K_2)            [L_2 + 1]       :",
         &EngineState::nRandom, DesignLine::Always},
        {"NUMBER OF LEVEL-2 VARS INCL. CONST   (length of W_3j) [L_3 + 1]       :",
         &EngineState::LenW3, DesignLine::Always},
        {"TOTAL COSTS                          (k)              [K]             :",
         &EngineState::Budget, DesignLine::BudgetOnly},
        {"RELATIVE COST PER LEVEL-2 UNIT       (c)                              :",
         &EngineState::CostParameter, DesignLine::BudgetOnly},
        {"SMALLEST VALUE OF n                                   [n_min]         :",
         &EngineState::MinGroupSize, DesignLine::Always},
        {"STEP SIZE FOR n                                       [n_step]        :",
         &EngineState::GroupSizeStep, DesignLine::Always},
        {"LARGEST VALUE FOR n                                   [n_max]         :",
         &EngineState::MaxGroupSize, DesignLine::Always},
        {"SMALLEST NUMBER OF GROUPS                             [N_2min]        :",
         &EngineState::MinGroups, DesignLine::RangeOnly},
        {"LARGEST NUMBER OF GROUPS                              [N_2max]        :",
         &EngineState::MaxGroups, DesignLine::RangeOnly},
    };
    m_report.line("Design:");
    m_report.line("(Between parentheses, the symbol is mentioned that is used for this parameter;");
    m_report.line(" if the TAVI manual uses a different symbol than the Corvell paper,");
    m_report.line(" then the symbol from the paper is given between parentheses,");
    m_report.line(" the symbol from the manual between square brackets.)");
    m_report.endLine();
    for (const DesignLine& line : kDesignLines) {
        if ((line.shown == DesignLine::BudgetOnly && !e.BudgetMode) ||
            (line.shown == DesignLine::RangeOnly && e.BudgetMode)) {
            continue;
        }
        m_report.buffer().append(line.label);
        appendInteger(m_report.buffer(), e.*line.value, 5);
        m_report.endLine();
    }
    m_report.endLine();
    m_report.line("Parameters:");
    m_report.endLine();
    WriteReportMatrix(e.SigmaW, "WITHIN-GROUPS COVARIANCE MATRIX  (SIGMA-W)        ",
                      e.k1 + e.nRandom, e.k1 + e.nRandom);
    WriteReportMatrix(e.SigmaB, "BETWEEN-GROUPS COVARIANCE MATRIX (SIGMA-B)        ",
                      e.LenW3 + e.k1, e.LenW3 + e.k1);
    m_report.line("RESIDUAL VARIANCE (sigma-squared)");
    m_report.endLine();
    appendFixed(m_report.buffer(), e.Sigma2, 17, 5);
    m_report.endLine();
    m_report.endLine();
    WriteReportMatrix(e.Tau2, "COVARIANCE MATRIX OF RANDOM EFFECTS (tau_2)       ", e.nRandom,
                      e.nRandom);
    WriteReportMatrix(e.Mu1, "EXPECTATION OF LEVEL-1 VARIABLES WITH FIXED EFFECTS (mu_1)  ", e.k1,
                      1);
    WriteReportMatrix(e.Mu3, "EXPECTATION OF LEVEL-2 VARIABLES (mu_3)             ", e.LenW3, 1);
    WriteReportMatrix(e.Mu2, "CONSTANT MEAN VECTOR (mu_2 = e)                   ", e.nRandom, 1);
    m_report.endLine();
}

void ReportWriter::writeTableHead(const EngineState& e) {
    m_report.line("The following table contains the standard errors (s.e.):");
    m_report.line("Fixed:   s.e. of regr. coeff.s of level-1 variables with a fixed effect only.");
    m_report.line("Const:   s.e. of the intercept.");
    if (e.LenW3 >= 2) {
        m_report.line("Group:   s.e. of regr. coeff.s of level-2 variables.");
    }
    if (e.nRandom >= 2) {
        m_report.line("Random:  s.e. of regr. coeff.s of level-1 variables with a random effect.");
        m_report.line("Cross-L: s.e. of regr. coeff.s of cross-level interactions");
        m_report.line("         (product of \"Group\" with \"Random effect\" variables).");
    }
    m_report.endLine();
    m_report.endLine();
    if (e.BudgetMode) {
        m_report.line("    Sample sizes      costs   Standard errors   ");
    } else {
        m_report.line("    Sample sizes      Standard errors   ");
    }
    m_report.endLine();
    std::vector<std::string> labels;
    for (const Coefficient& coefficient : coefficientsOf(e.k1, e.nRandom, e.LenW3)) {
        labels.emplace_back(kindLabel(coefficient.kind));
    }
    appendTableHeader(m_report.buffer(), tableLayoutFor(2), e.BudgetMode, labels);
    m_report.endLine();
}

void ReportWriter::writeRows(std::string_view rows) {
    m_report.write(rows);
}

}  // namespace tavi
