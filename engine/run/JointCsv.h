// The joint tests as CSV: every point with each joint test's degrees of freedom, noncentrality,
// power and detectable scale, and the joint tests' rows of the table of best points.
#pragma once

#include "engine/power/AllocationAnswers.h"
#include "engine/power/JointTests.h"
#include "engine/power/SweepTable.h"
#include "files/TextFileWriter.h"

#include <string>
#include <vector>

namespace tavi {

// test,N*n,N,n,cost,df1,df2,lambda,power,scale_for_power (for three levels
// test,K,J,n,units,cost,...): the header of the table of joint tests of a design of levels levels.
void writeJointCsvHeader(TextFileWriter& out, int levels);

// Its rows: one per point of table and joint test, point by point; names[j] names joint test j.
// What is not available is an empty field.
void writeJointCsvRows(TextFileWriter& out, const SweepTable& table, JointTests& joint,
                       const std::vector<std::string>& names);

// The rows of the best points: the coefficients' and contrasts', then the joint tests', which
// are indexed after the quantities quantities and have no standard error.
std::vector<BestPoint> bestRows(const AllocationAnswers& answers, int quantities);

}  // namespace tavi
