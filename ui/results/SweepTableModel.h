// The run's points as a table for a view: the sample sizes, the cost under a budget, the chosen
// coefficient's df, MDES and power under the test settings, and the standard error of every
// coefficient, each coefficient's smallest one marked.
#pragma once

#include "engine/run/ResultsModel.h"

#include <QAbstractTableModel>

namespace tavi::ui {

class SweepTableModel : public QAbstractTableModel {
public:
    // The numbers themselves, NaN where there is none, for copying and for tests.
    static constexpr int kValueRole = Qt::UserRole;
    // The order of sorting: missing values after every number.
    static constexpr int kSortRole = Qt::UserRole + 1;
    // The chosen coefficient's df, MDES and power.
    static constexpr int kTestColumns = 3;

    explicit SweepTableModel(ResultsModel& results, QObject* parent = nullptr);

    // The results now hold another design's points.
    void resultsReplaced();
    // The test settings changed, or with coefficientChanged the chosen coefficient, which names
    // the tests' columns.
    void testsChanged(bool coefficientChanged);

    // The columns before the tests: N*n, N, n and, under a budget, the cost.
    int pointColumns() const { return m_pointColumns; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    double value(int row, int column) const;

    ResultsModel& m_results;
    int m_pointColumns;
};

}  // namespace tavi::ui
