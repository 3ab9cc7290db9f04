// The three dialogs in real windows under an X server (run under xvfb-run): what depends on
// activation and the keyboard focus, and a screenshot of each window, saved in the directory
// that TAVI_SCREENSHOTS names.

#include "tests/ui/ModalHelper.h"
#include "ui/AmountUnit.h"
#include "ui/CheckAnswer.h"
#include "ui/FillUnit.h"
#include "ui/Tavifm.h"

#include <QDir>
#include <QLineEdit>
#include <QtTest>

namespace tavi::ui {

namespace {

// Keys as the user types them: to whatever has the focus in the active window.
void type(Qt::Key key) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key);
}

void type(const QString& text) {
    QTest::keyClicks(static_cast<QWidget*>(nullptr), text);
}

// The cell editor that has the focus, if any.
QLineEdit* focusedCellEditor(const TStringGrid* grid) {
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return editor != nullptr && grid->isAncestorOf(editor) ? editor : nullptr;
}

}  // namespace

class DialogWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_screenshots = QDir(qEnvironmentVariable("TAVI_SCREENSHOTS", QStringLiteral(".")));
        QVERIFY(m_screenshots.mkpath(QStringLiteral(".")));
    }

    void enterAnswersCancelEvenAfterAnOk() {
        TExistsForm form;
        form.Warnlabel1->setText(
            QStringLiteral("Warning: file /home/someone/designs/tavi.out is an existing file."));
        test::whenModalShownThenClose([&](QWidget* window) {
            QTRY_COMPARE(QApplication::focusWidget(), form.CancelButton);
            QTest::mouseClick(form.OKButton, Qt::LeftButton);
            QVERIFY(window->isHidden());
        });
        QCOMPARE(form.ShowModal(), int(mrOK));
        test::whenModalShownThenClose([&](QWidget* window) {
            QTRY_COMPARE(QApplication::focusWidget(), form.CancelButton);
            QTRY_VERIFY(window->isActiveWindow());
            save(window, "exists-form.png");
            type(Qt::Key_Return);
        });
        QCOMPARE(form.ShowModal(), int(mrCancel));
    }

    void gridCellsAreEditedInPlace() {
        TFillForm form;
        form.LowerTriangle = true;
        form.FillFormLabel->setText(
            QStringLiteral("Fill in the within-groups covariance matrix (subdiagonal)"));
        form.FillFormLabel2->setText(QStringLiteral("of the level-1 variables"));
        TStringGrid& grid = *form.StringGrid1;
        grid.setRowCount(3);
        grid.setColCount(3);
        grid.resize(grid.DefaultColWidth() * 3 + 15, grid.DefaultRowHeight() * 3 + 15);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                grid.setCells(c, r,
                              c <= r ? realToCellText(c == r ? 1.0 : 0.0) : QStringLiteral(" "));
            }
        }
        test::whenModalShownThenClose([&](QWidget* window) {
            // The top left cell shows its editor, its text selected, so typing replaces it.
            QTRY_VERIFY(focusedCellEditor(&grid) != nullptr);
            QCOMPARE(grid.currentRow(), 0);
            QCOMPARE(grid.currentColumn(), 0);
            type(QStringLiteral("2,5"));
            type(Qt::Key_Tab);
            QTRY_COMPARE(grid.currentColumn(), 1);
            QCOMPARE(grid.Cells(0, 0), QStringLiteral("2,5"));
            QTRY_VERIFY(focusedCellEditor(&grid) != nullptr);
            // Enter keeps the typed text and leaves the window open, the editor shown again.
            grid.setCurrentCell(1, 0);
            QTRY_VERIFY(focusedCellEditor(&grid) != nullptr);
            type(QStringLiteral("0.3"));
            type(Qt::Key_Return);
            QTRY_COMPARE(grid.Cells(0, 1), QStringLiteral("0.3"));
            QVERIFY(window->isVisible());
            QTRY_VERIFY(focusedCellEditor(&grid) != nullptr);
            save(window, "fill-form.png");
            QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
        });
        form.ShowModal();
        QVERIFY(!FillError);
        QCOMPARE(FillMatrix(1, 1), 2.5);
        QCOMPARE(FillMatrix(2, 1), 0.3);
        QCOMPARE(FillMatrix(2, 2), 1.0);
    }

    void focusLeavingAGroupReadsTheFields() {
        TAmountForm form;
        Design = initialDesignParameters();
        Design.BudgetMode = true;
        form.BudgetParameters->show();
        form.SetAmounts();
        test::whenModalShownThenClose([&](QWidget* window) {
            QTRY_VERIFY(window->isActiveWindow());
            save(window, "amount-form.png");
            form.Edit1->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), form.Edit1);
            form.Edit1->setText(QStringLiteral("abc"));
            form.Edit2->setFocus();  // within the group: nothing is read
            QTRY_COMPARE(QApplication::focusWidget(), form.Edit2);
            QCOMPARE(form.Edit1->text(), QStringLiteral("abc"));
            form.BitBtn1->setFocus();
            QTRY_COMPARE(form.Edit1->text(), QStringLiteral("10"));
            QVERIFY(form.AmountError);
            QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        });
        QCOMPARE(form.ShowModal(), int(mrOK));
        QCOMPARE(Design.CostParameter, 10);
    }

private:
    void save(QWidget* window, const char* name) {
        const QString path = m_screenshots.filePath(QString::fromLatin1(name));
        QVERIFY2(window->grab().save(path), qPrintable(path));
    }

    QDir m_screenshots;
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::DialogWindowsTest)
#include "DialogWindowsTest.moc"
