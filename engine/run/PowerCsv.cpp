#include "engine/run/PowerCsv.h"

#include "engine/run/NumberFields.h"
#include "files/NumberText.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace tavi {

namespace {

// The columns of a point, "N*n,N,n,cost" or for three levels "K,J,n,units,cost".
std::string_view pointColumns(bool threeLevel) {
    return threeLevel ? "K,J,n,units,cost" : "N*n,N,n,cost";
}

void appendIntegers(std::string& out, std::initializer_list<std::int64_t> values) {
    for (const std::int64_t value : values) {
        appendInteger(out, value);
        out += ',';
    }
}

}  // namespace

void appendPointFields(std::string& out, const SweepPoint& point, bool budgetMode,
                       bool threeLevel) {
    if (threeLevel) {
        appendIntegers(out, {point.N, point.J, point.n, unitsOf(point)});
    } else {
        appendIntegers(out, {unitsOf(point), point.N, point.n});
    }
    if (budgetMode) {
        appendInteger(out, point.cost);
    }
}

void writePowerCsv(TextFileWriter& out, const SweepTable& table, PointTests& tests,
                   const std::vector<std::string>& names) {
    out.buffer().append(pointColumns(table.threeLevel()));
    out.line(",coefficient,se,df,mdes,mdes_exact,power");
    std::string& text = out.buffer();
    std::string point;
    for (std::size_t i = 0; i < table.size(); ++i) {
        point.clear();
        appendPointFields(point, table.point(i), table.budgetMode(), table.threeLevel());
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
                  const std::vector<std::string>& names, bool budgetMode, bool threeLevel) {
    out.buffer().append("coefficient,criterion,").append(pointColumns(threeLevel));
    out.line(",se,df,mdes,power");
    std::string& text = out.buffer();
    for (const BestPoint& entry : best) {
        text += names[entry.coefficient];
        text += ',';
        text += criterionName(entry.criterion);
        if (entry.point) {
            text += ',';
            appendPointFields(text, *entry.point, budgetMode, threeLevel);
            appendCsvField(text, entry.se);
        } else {
            text += threeLevel ? ",,,,,," : ",,,,,";
        }
        appendCsvField(text, entry.test.df);
        appendCsvField(text, entry.test.mdes);
        appendCsvField(text, entry.test.power);
        out.endLine();
    }
}

void writeRequiredCsv(TextFileWriter& out, const std::vector<RequiredGroups>& required,
                      const std::vector<std::string>& names, bool budgetMode, bool threeLevel) {
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
