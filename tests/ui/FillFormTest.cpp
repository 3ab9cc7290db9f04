// The grid window: its controls, ReadValues with its rules for cells that are not numbers, the
// window coming back with the typed texts, and what closing by the close box leaves alone.

#include "tests/ui/ModalHelper.h"
#include "ui/FillUnit.h"
#include "ui/toolkit/Placement.h"

#include <QLocale>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace tavi::ui {

namespace {

constexpr double kUntouched = 99.0;

void fillMatrixWith(double value) {
    std::fill(std::begin(FillMatrix.data), std::end(FillMatrix.data), value);
}

// Sets the grid to the rows of texts, as the entry sequence does before a showing.
void setCells(TFillForm& form, const QList<QStringList>& rows) {
    form.StringGrid1->setRowCount(static_cast<int>(rows.size()));
    form.StringGrid1->setColCount(static_cast<int>(rows.front().size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            form.StringGrid1->setCells(c, r, rows[r][c]);
        }
    }
}

// Shows the form and answers with its OK button.
int showAndClickOK(TFillForm& form) {
    test::whenModalShownThenClose(
        [&form](QWidget*) { QTest::mouseClick(form.BitBtn2, Qt::LeftButton); });
    return form.ShowModal();
}

}  // namespace

class FillFormTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        FillError = false;
        fillMatrixWith(kUntouched);
    }

    void controlsAsDesigned() {
        TFillForm form;
        QCOMPARE(form.objectName(), QStringLiteral("FillForm"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Parameter Input"));
        QCOMPARE(form.FillFormLabel->text(),
                 QStringLiteral("Fill in the means of the level-1 variables"));
        QCOMPARE(form.FillFormLabel2->text(), QStringLiteral("xxx"));
        QVERIFY(form.FillFormLabel->font().bold());
        QCOMPARE(form.BitBtn2->text(), QStringLiteral("OK"));
        QCOMPARE(form.BitBtn2->toolTip(),
                 QStringLiteral("click OK when everything is filled out properly"));
        QCOMPARE(form.StringGrid1->ColCount(), 2);
        QCOMPARE(form.StringGrid1->RowCount(), 2);
        const Placement designed(120);
        QCOMPARE(form.StringGrid1->DefaultColWidth(), designed.scaled(48));
        QCOMPARE(form.StringGrid1->DefaultRowHeight(), designed.scaled(24));
        QCOMPARE(form.StringGrid1->columnWidth(1), designed.scaled(48));
        QCOMPARE(form.StringGrid1->rowHeight(1), designed.scaled(24));
        QCOMPARE(form.StringGrid1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(form.StringGrid1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(form.StringGrid1->showGrid());
        QCOMPARE(form.StringGrid1->selectionMode(), QAbstractItemView::ContiguousSelection);
        QVERIFY(!form.LowerTriangle);
        for (const char* name : {"StringGrid1", "FillFormLabel", "FillFormLabel2", "BitBtn2"}) {
            QVERIFY2(form.findChild<QWidget*>(QString::fromLatin1(name)) != nullptr, name);
        }
    }

    void headingsWidenToTheirCaptions() {
        TFillForm form;
        form.FillFormLabel2->setText(QStringLiteral("of the level-1 variables"));
        QVERIFY(form.FillFormLabel2->width() >=
                form.FillFormLabel2->fontMetrics().horizontalAdvance(form.FillFormLabel2->text()));
    }

    void readsEveryCellRowByRow() {
        TFillForm form;
        setCells(form, {{QStringLiteral("1,5"), QStringLiteral("  7"), QStringLiteral("2e3")},
                        {QStringLiteral("-.5"), QStringLiteral("E5"), QStringLiteral("5.")}});
        showAndClickOK(form);
        QVERIFY(!form.isVisible());
        QVERIFY(!FillError);
        QCOMPARE(FillMatrix(1, 1), 1.5);
        QCOMPARE(FillMatrix(1, 2), 7.0);
        QCOMPARE(FillMatrix(1, 3), 2000.0);
        QCOMPARE(FillMatrix(2, 1), -0.5);
        QCOMPARE(FillMatrix(2, 2), 0.0);
        QCOMPARE(FillMatrix(2, 3), 5.0);
        QCOMPARE(form.StringGrid1->Cells(0, 0), QStringLiteral("1,5"));  // cells keep their texts
    }

    void blanksCountAboveTheDiagonalOfAMatrixOnly() {
        TFillForm form;
        const QString blank = QStringLiteral(" ");
        setCells(form, {{QStringLiteral("1"), blank, QString()},
                        {QStringLiteral("0.5"), QStringLiteral("2"), blank},
                        {QStringLiteral("0"), QStringLiteral("0.25"), QStringLiteral("3")}});
        form.LowerTriangle = true;  // set after the cells, which then are not mirrored
        form.ReadValues();
        QVERIFY(!FillError);
        QCOMPARE(FillMatrix(1, 2), 0.0);
        QCOMPARE(FillMatrix(1, 3), 0.0);
        QCOMPARE(FillMatrix(3, 2), 0.25);

        form.StringGrid1->setCells(1, 1, blank);  // on the diagonal
        form.ReadValues();
        QVERIFY(FillError);
        QCOMPARE(FillMatrix(2, 2), 0.0);

        form.StringGrid1->setCells(1, 1, QStringLiteral("2"));
        form.StringGrid1->setCells(0, 2, QStringLiteral("x"));  // below it
        form.ReadValues();
        QVERIFY(FillError);
        QCOMPARE(FillMatrix(3, 1), 0.0);

        form.LowerTriangle = false;  // the same blanks in a table that is read whole
        form.StringGrid1->setCells(0, 2, QStringLiteral("0"));
        form.ReadValues();
        QVERIFY(FillError);
    }

    // Escape in a cell, as the close box, ends the showing without reading the cells.
    void escapeInACellClosesWithoutReading() {
        TFillForm form;
        setCells(form, {{QStringLiteral("1")}});
        test::whenModalShownThenClose([&](QWidget*) {
            QTRY_VERIFY(form.StringGrid1->indexWidget(form.StringGrid1->currentIndex()));
            QWidget* editor = form.StringGrid1->indexWidget(form.StringGrid1->currentIndex());
            QTest::keyClicks(editor, QStringLiteral("5"));
            QTest::keyClick(editor, Qt::Key_Escape);
            QVERIFY(form.isHidden());
        });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        QVERIFY(!form.ValuesRead);
        QCOMPARE(FillMatrix(1, 1), kUntouched);
        QCOMPARE(form.StringGrid1->Cells(0, 0), QStringLiteral("1"));
    }

    void blankInAVectorIsAnError() {
        TFillForm form;
        for (const QString& blank : {QString(), QStringLiteral(" "), QStringLiteral("-")}) {
            setCells(form, {{QStringLiteral("1")}, {blank}, {QStringLiteral("3")}});
            form.ReadValues();
            QVERIFY(FillError);
            QCOMPARE(FillMatrix(2, 1), 0.0);
            QCOMPARE(FillMatrix(3, 1), 3.0);
        }
        form.StringGrid1->setCells(0, 1, QStringLiteral("2"));
        form.ReadValues();
        QVERIFY(!FillError);
    }

    void badCellBringsTheWindowBackWithTheTypedTexts() {
        TFillForm form;
        setCells(form, {{QStringLiteral("0")}, {QStringLiteral("0")}});
        QStringList seen;
        int showings = 0;
        // Each showing sees the cells as left by the one before, then types into the second.
        const QStringList typed = {QStringLiteral("1,2.5"), QStringLiteral("1,25")};
        do {
            test::whenModalShownThenClose([&](QWidget*) {
                seen << form.StringGrid1->Cells(0, 1);
                form.StringGrid1->setCells(0, 1, typed[showings]);
                QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
            });
            form.ShowModal();
            ++showings;
        } while (FillError && showings < 3);
        QCOMPARE(showings, 2);
        QCOMPARE(seen, QStringList({QStringLiteral("0"), QStringLiteral("1,2.5")}));
        QCOMPARE(FillMatrix(2, 1), 1.25);
    }

    // The line that names a bad cell is drawn on a box of its own in colours that people with
    // low vision read: a contrast of at least 4.5:1 by the relative luminance of sRGB.
    void badCellLineIsReadable() {
        TFillForm form;
        QVERIFY(form.FillFormMessage->autoFillBackground());
        const QPalette colours = form.FillFormMessage->palette();
        const auto luminance = [](const QColor& colour) {
            const auto linear = [](double c) {
                return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
                   0.0722 * linear(colour.blueF());
        };
        const double text = luminance(colours.color(QPalette::WindowText));
        const double box = luminance(colours.color(QPalette::Window));
        QVERIFY((std::max(text, box) + 0.05) / (std::min(text, box) + 0.05) >= 4.5);
    }

    void elementsOutsideTheGridKeepTheirValues() {
        TFillForm form;
        setCells(form, {{QStringLiteral("1")}, {QStringLiteral("2")}, {QStringLiteral("3")}});
        form.ReadValues();
        for (int r = 1; r <= dimmax; ++r) {
            for (int c = 1; c <= dimmax; ++c) {
                const double expected = c == 1 && r <= 3 ? r : kUntouched;
                QCOMPARE(FillMatrix(r, c), expected);
            }
        }
    }

    void closeBoxLeavesTheLastValues() {
        TFillForm form;
        setCells(form, {{QStringLiteral("x")}});
        form.ReadValues();
        QVERIFY(FillError);
        form.StringGrid1->setCells(0, 0, QStringLiteral("7"));
        test::whenModalShownThenClose([](QWidget* window) { window->close(); });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        QVERIFY(FillError);
        QCOMPARE(FillMatrix(1, 1), 0.0);
        QCOMPARE(FillMatrix(1, 2), kUntouched);
    }

    // A large matrix does not fit the room above the headings; cut to it, the grid scrolls.
    void largeGridStaysInsideTheWindow() {
        TFillForm form;
        TStringGrid& grid = *form.StringGrid1;
        const int n = 30;  // wider than the screen
        grid.setRowCount(n);
        grid.setColCount(n);
        grid.setScrollBars(true);
        grid.resize(grid.DefaultColWidth() * n + 15, grid.DefaultRowHeight() * n + 15);
        QRect shown;
        test::whenModalShownThenClose([&](QWidget*) { shown = grid.geometry(); });
        form.ShowModal();
        QVERIFY(shown.right() < form.width());
        QVERIFY(shown.bottom() < form.FillFormLabel->y());
        QVERIFY(shown.width() < grid.DefaultColWidth() * n);
        QCOMPARE(grid.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    }

    // A grid larger than FillMatrix reads what fits and does not write past it.
    void gridBeyondTheCapacityReadsWhatFits() {
        TFillForm form;
        form.StringGrid1->setRowCount(dimmax + 1);
        form.StringGrid1->setColCount(1);
        for (int r = 0; r <= dimmax; ++r) {
            form.StringGrid1->setCells(0, r, QString::number(r + 1));
        }
        form.ReadValues();
        QVERIFY(!FillError);
        QCOMPARE(FillMatrix(dimmax, 1), double(dimmax));
    }

    // Run once more with a German locale, whose decimal separator is ",".
    void cellTextsUseTheUsersSeparator() {
        const QString separator = QLocale::system().decimalPoint() == QStringLiteral(",")
                                      ? QStringLiteral(",")
                                      : QStringLiteral(".");
        QCOMPARE(realToCellText(-1234.5),
                 QStringLiteral("-1234") + separator + QStringLiteral("5"));
        QCOMPARE(realToCellText(2.5e-7), QStringLiteral("2") + separator + QStringLiteral("5E-7"));
        QCOMPARE(realToCellText(3.0), QStringLiteral("3"));
        TFillForm form;
        form.StringGrid1->setColCount(1);
        form.StringGrid1->setRowCount(2);
        form.StringGrid1->setCells(0, 0, realToCellText(1.0 / 3.0));
        form.StringGrid1->setCells(0, 1, realToCellText(-6.02214076e23));
        form.ReadValues();
        QVERIFY(!FillError);
        QCOMPARE(FillMatrix(1, 1), 0.333333333333333);
        QCOMPARE(FillMatrix(2, 1), -6.02214076e23);
    }
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::FillFormTest)
#include "FillFormTest.moc"
