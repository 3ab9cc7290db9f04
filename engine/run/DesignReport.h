// The report and the covariance file of a run, in the form of the design's parameter file: the
// report of a two-level parameter file, or of a three-level design with named variables. A run
// writes through this whatever the levels; only the texts differ.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/NestedDesign.h"
#include "files/TextFileWriter.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

class DesignReport {
public:
    virtual ~DesignReport() = default;

    // The heads of the report and of the covariance file.
    virtual void writeHeads(std::string_view dateTime, std::string_view parFileName,
                            std::string_view covFileName) = 0;
    // Why the variables the file declares cannot be held, which ends the run.
    virtual void writeUnheld(const Unheld& unheld) = 0;
    // The design as read, before its sample sizes are checked.
    virtual void writeDesign(const NestedDesign& d) = 0;
    // What keeps the design from being computed, one line each, which ends the run.
    virtual void writeProblems(const std::vector<std::string>& problems) = 0;
    // The legend and the header of the table.
    virtual void writeTableHead(const PreparedDesign& d) = 0;

    // A point's row of the table, with its line end, and its block of the covariance file,
    // appended to the strings given: called on the threads that compute the points.
    virtual void appendRow(std::string& out, bool budgetMode, const SweepPoint& point,
                           const PointCovariance& covariance) const = 0;
    virtual void appendCovBlock(std::string& out, const SweepPoint& point,
                                const PointCovariance& covariance) const = 0;

    // The formatted rows and blocks, in sweep order.
    virtual void writeRows(std::string_view rows, std::string_view covBlocks) = 0;
};

// The report of a design of d's kind into the files given.
std::unique_ptr<DesignReport> makeDesignReport(const NestedDesign& d, TextFileWriter& report,
                                               TextFileWriter& covFile);

// The run's reason in one line for a design that cannot be held.
std::string unheldReason(const Unheld& unheld);

}  // namespace tavi
