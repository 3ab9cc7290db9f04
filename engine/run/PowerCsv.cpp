#include "engine/run/PowerCsv.h"

#include "engine/run/NumberFields.h"
#include "files/NumberText.h"

#include <string>

namespace tavi {

void appendPointFields(std::string& out, const SweepPoint& point, bool budgetMode) {
    appendInteger(out, std::int64_t{point.N} * point.n);
    out += ',';
    appendInteger(out, point.N);
    out += ',';
    appendInteger(out, point.n);
    out += ',';
    if (budgetMode) {
        appendInteger(out, point.cost);
    }
}

void writePowerCsv(TextFileWriter& out, const SweepTable& table, PointTests& tests,
                   const std::vector<std::string>& names) {
    out.line("N*n,N,n,cost,coefficient,se,df,mdes,mdes_exact,power");
    std::string& text = out.buffer();
    std::string point;
    for (std::size_t i = 0; i < table.size(); ++i) {
        point.clear();
        appendPointFields(point, table.point(i), table.budgetMode());
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
                  const std::vector<std::string>& names, bool budgetMode) {
    out.line("coefficient,criterion,N*n,N,n,cost,se,df,mdes,power");
    std::string& text = out.buffer();
    for (const BestPoint& entry : best) {
        text += names[entry.coefficient];
        text += ',';
        text += criterionName(entry.criterion);
        if (entry.point) {
            text += ',';
            appendPointFields(text, *entry.point, budgetMode);
            appendCsvField(text, entry.se);
        } else {
            text += ",,,,,";
        }
        appendCsvField(text, entry.test.df);
        appendCsvField(text, entry.test.mdes);
        appendCsvField(text, entry.test.power);
        out.endLine();
    }
}

void writeRequiredCsv(TextFileWriter& out, const std::vector<RequiredGroups>& required,
                      const std::vector<std::string>& names, bool budgetMode) {
    out.line("coefficient,n,N,N*n,cost,se,df,power");
    std::string& text = out.buffer();
    for (const RequiredGroups& row : required) {
        text += names[row.coefficient];
        text += ',';
        appendInteger(text, row.n);
        if (row.point) {
            text += ',';
            appendInteger(text, row.point->N);
            text += ',';
            appendInteger(text, std::int64_t{row.point->N} * row.n);
            text += ',';
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
