// The joint tests as CSV: every point with each joint test's degrees of freedom, noncentrality,
// power and detectable scale, and the joint tests' rows of the tables of best points and
// required groups.
#pragma once

#include "engine/power/AllocationAnswers.h"
#include "engine/power/JointTests.h"
#include "engine/power/SweepTable.h"
#include "files/TextFileWriter.h"

#include <string>
#include <vector>

namespace tavi {

// test,N*n,N,n,cost,df1,df2,lambda,power,scale_for_power: one row per point of table and joint
// test, point by point; names[j] names joint test j. What is not available is an empty field.
void writeJointCsv(TextFileWriter& out, const SweepTable& table, JointTests& joint,
                   const std::vector<std::string>& names);

// The rows of the best points and of the required groups: the coefficients' and contrasts',
// then the joint tests', which are indexed after the quantities quantities and have no
// standard error.
std::vector<BestPoint> bestRows(const AllocationAnswers& answers, int quantities);
std::vector<RequiredGroups> requiredRows(const AllocationAnswers& answers, int quantities);

}  // namespace tavi
