// The tests of the coefficients as CSV, for further processing: every point and coefficient
// with its power and MDES, every coefficient's best points, and the groups each needs. Numbers are
// written as the table of standard errors writes them; what is not available is an empty field.
#pragma once

#include "engine/power/BestAllocation.h"
#include "engine/power/PointTests.h"
#include "engine/power/RequiredGroups.h"
#include "engine/power/SweepTable.h"
#include "files/TextFileWriter.h"

#include <string>
#include <vector>

namespace tavi {

// Each table names a coefficient, contrast or joint test by names[index].

// N*n,N,n,cost,coefficient,se,df,mdes,mdes_exact,power (for three levels K,J,n,units,cost,...):
// one row per point of table and coefficient, point by point.
void writePowerCsv(TextFileWriter& out, const SweepTable& table, PointTests& tests,
                   const std::vector<std::string>& names);

// The same table as the file fileName, which is replaced only once it is complete. Throws
// FileError when it cannot be written.
void writePowerCsvFile(const std::string& fileName, const SweepTable& table, PointTests& tests,
                       const std::vector<std::string>& names);

// coefficient,criterion,N*n,N,n,cost,se,df,mdes,power (for three levels with K,J,n,units,cost):
// one row per entry of best; the point's fields are empty when no point qualifies, the cost
// outside budget mode.
void writeBestCsv(TextFileWriter& out, const std::vector<BestPoint>& best,
                  const std::vector<std::string>& names, bool budgetMode, int levels);

// coefficient,n,N,N*n,cost,se,df,power (for three levels coefficient,J,n,K,units,cost,...): one
// row per entry of required; every field from N (or K) on is empty where no number of groups
// reaches the target, the cost outside budget mode.
void writeRequiredCsv(TextFileWriter& out, const std::vector<RequiredGroups>& required,
                      const std::vector<std::string>& names, bool budgetMode, int levels);

}  // namespace tavi
