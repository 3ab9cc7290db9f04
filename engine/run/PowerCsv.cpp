#include "engine/run/PowerCsv.h"

#include "engine/run/PointColumns.h"
#include "files/NumberText.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace tavi {

namespace {

void appendIntegers(std::string& out, std::initializer_list<std::int64_t> values) {
    for (const std::int64_t value : values) {
        appendInteger(out, value);
        out += ',';
    }
}

}  // namespace

void writePowerCsv(TextFileWriter& out, const SweepTable& table, PointTests& tests,
                   const std::vector<std::string>& names) {
    out.buffer().append(pointColumns(table.levels(), true));
    out.line(",coefficient,se,df,mdes,mdes_exact,power");
    std::string& text = out.buffer();
    std::string point;
    for (std::size_t i = 0; i < table.size(); ++i) {
        point.clear();
        appendPointFields(point, table.point(i), table.levels(), true, table.budgetMode());
        point += ',';
        for (int c = 0; c < table.coefficients(); ++c) {
            const PointTest test = tests.at(table, i, c);
            text += point;
            text += names[c];
            appendCsvField(text, table.se(i, c));
            appendCsvField(text, test.df);
            appendCsvField(text, test.mdes);
            appendCsvField(text, test.mdesExact);
            appendCsvField(text, test.power);
            out.endLine();
        }
    }
}

void writePowerCsvFile(const std::string& fileName, const SweepTable& table, PointTests& tests,
                       const std::vector<std::string>& names) {
    TextFileWriter file(fileName, TextFileWriter::Mode::ReplaceWhenClosed);
    writePowerCsv(file, table, tests, names);
    file.close();
}

void writeBestCsv(TextFileWriter& out, const std::vector<BestPoint>& best,
                  const std::vector<std::string>& names, bool budgetMode, int levels) {
    out.buffer().append("coefficient,criterion,").append(pointColumns(levels, true));
    out.line(",se,df,mdes,power");
    std::string& text = out.buffer();
    for (const BestPoint& entry : best) {
        text += names[entry.coefficient];
        text += ',';
        text += criterionName(entry.criterion);
        if (entry.point) {
            text += ',';
            appendPointFields(text, *entry.point, levels, true, budgetMode);
            appendCsvField(text, entry.se);
        } else {
            text += levels == 3 ? ",,,,,," : ",,,,,";
        }
        appendCsvField(text, entry.test.df);
        appendCsvField(text, entry.test.mdes);
        appendCsvField(text, entry.test.power);
        out.endLine();
    }
}

void writeRequiredCsv(TextFileWriter& out, const std::vector<RequiredGroups>& required,
                      const std::vector<std::string>& names, bool budgetMode, int levels) {
    const bool threeLevel = levels == 3;
    out.line(threeLevel ? "coefficient,J,n,K,units,cost,se,df,power"
                        : "coefficient,n,N,N*n,cost,se,df,power");
    std::string& text = out.buffer();
    for (const RequiredGroups& row : required) {
        text += names[row.coefficient];
        text += ',';
        if (threeLevel) {
            appendIntegers(text, {row.J});
        }
        appendInteger(text, row.n);
        if (row.point) {
            text += ',';
            appendIntegers(text, {row.point->N, unitsOf(*row.point)});
            if (budgetMode) {
                appendInteger(text, row.point->cost);
            }
        } else {
            text += ",,,";
        }
        appendCsvField(text, row.se);
        appendCsvField(text, row.df);
        appendCsvField(text, row.power);
        out.endLine();
    }
}

}  // namespace tavi
