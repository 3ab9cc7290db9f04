#include "engine/run/JointCsv.h"

#include "engine/run/PointColumns.h"
#include "files/NumberText.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void writeJointCsvHeader(TextFileWriter& out, int levels) {
    out.buffer().append("test,").append(pointColumns(levels, true));
    out.line(",df1,df2,lambda,power,scale_for_power");
}

void writeJointCsvRows(TextFileWriter& out, const SweepTable& table, JointTests& joint,
                       const std::vector<std::string>& names) {
    const SweepTable unitEffects = joint.unitEffectTable(table);
    std::string& text = out.buffer();
    for (std::size_t i = 0; i < table.size(); ++i) {
        for (int j = 0; j < joint.count(); ++j) {
            const PointTest test = joint.tests().at(unitEffects, i, j);
            text += names[j];
            text += ',';
            appendPointFields(text, table.point(i), table.levels(), true, table.budgetMode());
            appendCsvField(text, joint.numeratorDf(j));
            appendCsvField(text, test.df);
            appendCsvField(text, joint.noncentrality(j, table.jointCovariance(i, j)));
            appendCsvField(text, test.power);
            // No multiple of true values that are all 0 reaches any power.
            appendCsvField(text, std::isfinite(test.mdesExact) ? test.mdesExact : kNaN);
            out.endLine();
        }
    }
}

std::vector<BestPoint> bestRows(const AllocationAnswers& answers, int quantities) {
    std::vector<BestPoint> rows = answers.best;
    for (BestPoint row : answers.joint.best) {
        row.coefficient += quantities;
        row.se = kNaN;
        rows.push_back(row);
    }
    return rows;
}

}  // namespace tavi
