// The tests of the coefficients as CSV, for further processing: every point and coefficient
// with its power and MDES, and every coefficient's best points (RequiredCsv writes the groups
// each needs). Numbers are written as the table of standard errors writes them; what is not
// available is an empty field.
#pragma once

#include "engine/power/BestAllocation.h"
#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"
#include "files/TextFileWriter.h"

#include <string>
#include <vector>

namespace tavi {

// Each table names a coefficient, contrast or joint test by names[index].

// N*n,N,n,cost,coefficient,se,df,mdes,mdes_exact,power (for three levels K,J,n,units,cost,...):
// the header of the table of power and MDES of a design of levels levels.
void writePowerCsvHeader(TextFileWriter& out, int levels);

// Its rows: one per point of table and coefficient, point by point.
void writePowerCsvRows(TextFileWriter& out, const SweepTable& table, PointTests& tests,
                       const std::vector<std::string>& names);

// The whole table of table as the file fileName, which is replaced only once it is complete.
// Throws FileError when it cannot be written.
void writePowerCsvFile(const std::string& fileName, const SweepTable& table, PointTests& tests,
                       const std::vector<std::string>& names);

// coefficient,criterion,N*n,N,n,cost,se,df,mdes,power (for three levels with K,J,n,units,cost):
// one row per entry of best; the point's fields are empty when no point qualifies, the cost
// outside budget mode.
void writeBestCsv(TextFileWriter& out, const std::vector<BestPoint>& best,
                  const std::vector<std::string>& names, bool budgetMode, int levels);

}  // namespace tavi
