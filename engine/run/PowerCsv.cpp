#include "engine/run/PowerCsv.h"

#include "engine/run/PointColumns.h"
#include "files/NumberText.h"

#include <string>
#include <string_view>

namespace tavi {

void writePowerCsvHeader(TextFileWriter& out, int levels) {
    out.buffer().append(pointColumns(levels, true));
    out.line(",coefficient,se,df,mdes,mdes_exact,power");
}

void writePowerCsvRows(TextFileWriter& out, const SweepTable& table, PointTests& tests,
                       const std::vector<std::string>& names) {
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
    writePowerCsvHeader(file, table.levels());
    writePowerCsvRows(file, table, tests, names);
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

}  // namespace tavi
