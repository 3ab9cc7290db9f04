// The three dialogs and the main window in real windows under an X server (run under xvfb-run):
// what depends on activation, the keyboard focus, the screen's size and the fonts, and a
// screenshot of each dialog, saved in the directory that TAVI_SCREENSHOTS names.

#include "tests/ui/ModalHelper.h"
#include "ui/AmountUnit.h"
#include "ui/CheckAnswer.h"
#include "ui/FillUnit.h"
#include "ui/Tavifm.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace tavi::ui {

namespace {

// Keys as the user types them: to whatever has the focus in the active window.
void type(Qt::Key key) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key);
}

void type(const QString& text) {
    QTest::keyClicks(static_cast<QWidget*>(nullptr), text);
}

// Whether text shows whole in widget's font within width pixels.
bool fits(const QWidget* widget, const QString& text, int width) {
    return widget->fontMetrics().horizontalAdvance(text) <= width;
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
        form.FillFormLabel->setText(
            QStringLiteral("Fill in the within-groups covariance matrix (subdiagonal)"));
        form.FillFormLabel2->setText(QStringLiteral("of the level-1 variables"));
        TStringGrid& grid = *form.StringGrid1;
        grid.setRowCount(2);
        grid.setColCount(2);
        grid.setHeadings({QStringLiteral("x1"), QStringLiteral("x2")},
                         {QStringLiteral("x1"), QStringLiteral("x2")});
        grid.resize(grid.cellsSize() + QSize(15, 15));
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 2; ++c) {
                grid.setCells(c, r, QStringLiteral("1"));
                grid.setCellEditable(c, r, c <= r);
            }
        }
        form.LowerTriangle = true;
        test::whenModalShownThenClose([&](QWidget* window) {
            // The top left cell shows its editor, its text selected, so typing replaces it.
            QTRY_VERIFY(focusedCellEditor(&grid) != nullptr);
            QCOMPARE(grid.currentRow(), 0);
            // Enter moves on as Tab does, past the cell above the diagonal, and after the last
            // cell to OK, where Enter confirms.
            for (const char* value : {"2,5", "0.3", "4"}) {
                QTRY_VERIFY(focusedCellEditor(&grid) != nullptr);
                type(QString::fromLatin1(value));
                type(Qt::Key_Return);
            }
            QTRY_COMPARE(QApplication::focusWidget(), form.BitBtn2);
            QCOMPARE(grid.Cells(1, 0), QStringLiteral("0.3"));  // mirrored
            save(window, "fill-form.png");
            type(Qt::Key_Enter);
        });
        form.ShowModal();
        QVERIFY(form.ValuesRead && !FillError);
        QCOMPARE(FillMatrix(1, 1), 2.5);
        QCOMPARE(FillMatrix(2, 1), 0.3);
        QCOMPARE(FillMatrix(2, 2), 4.0);
    }

    // The main window shows its texts whole, keeps the keyboard after every modal window, and no
    // dialog covers its instructions, whatever the screen and its resolution.
    void mainWindowKeepsItsInstructionsAndTheKeyboard() {
        TTaviForm main;
        TaviForm = &main;
        TExistsForm exists(&main);
        TFillForm fill(&main);
        TAmountForm amount(&main);
        FillForm = &fill;
        AmountForm = &amount;
        // The globals must not outlive the windows of this test.
        const struct Forget {
            ~Forget() {
                TaviForm = nullptr;
                FillForm = nullptr;
                AmountForm = nullptr;
            }
        } forget;
        const QString longFolder = QDir::tempPath() + QLatin1Char('/') + QString(120, u'f');
        main.setStartFile(longFolder + QStringLiteral("/design.dat"));
        main.show();
        QTRY_VERIFY(main.isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), main.BitBtn1);
        QVERIFY(main.PathNameEdit->isReadOnly());
        QCOMPARE(main.PathNameEdit->toolTip(), PathName);
        // Tab leaves the instructions.
        main.Explanation->setFocus();
        type(Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), main.PathNameEdit);

        // The file dialog shows its columns whole, and the keyboard comes back after it.
        QTemporaryDir folder;
        QFile design(folder.filePath(QStringLiteral("design.dat")));
        QVERIFY(design.open(QIODevice::WriteOnly));
        design.close();
        main.FindInFileDialog.FileName = design.fileName();
        test::whenModalShownThenClose([&](QWidget* window) {
            auto* view = window->findChild<QTreeView*>(QStringLiteral("treeView"));
            QVERIFY(view != nullptr);
            QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) > 0);
            const QModelIndex file = view->model()->index(0, 0, view->rootIndex());
            for (int column = 0; column < 4; ++column) {
                QTRY_VERIFY(fits(view, file.siblingAtColumn(column).data().toString(),
                                 view->header()->sectionSize(column) - (column == 0 ? 30 : 0)));
            }
        });
        main.FindInFileDialog.Execute(&main);
        QTRY_COMPARE(QApplication::focusWidget(), main.PathNameEdit);

        const QRect screen = main.screen()->availableGeometry();
        QVERIFY(screen.contains(main.frameGeometry()));
        const int room = main.Explanation->viewport()->width() - 8;  // the document's margins
        QVERIFY(main.Explanation->fontMetrics().lineSpacing() * 10 <=
                main.Explanation->viewport()->height());
        QVERIFY(fits(main.OutFileLabel2, main.OutFileLabel2->text(), main.OutFileLabel2->width()));
        QVERIFY(main.OutFileLabel2->geometry().right() < main.width());
        for (TEdit* edit : amount.findChildren<TEdit*>()) {
            // Inside the frame and the edit's own margin of 2 pixels on either side.
            QVERIFY2(fits(edit, QStringLiteral("1234567890"), edit->width() - 6),
                     qPrintable(edit->objectName()));
        }
        const QRect instructions(main.Explanation->mapToGlobal(QPoint(0, 0)),
                                 main.Explanation->size());
        // Every text the dialogue writes, with the most variables.
        const auto checkLines = [&] {
            for (int i = 0; i < main.Explanation->lineCount(); ++i) {
                QVERIFY2(fits(main.Explanation, main.Explanation->line(i), room),
                         qPrintable(main.Explanation->line(i)));
            }
        };
        const auto checkDialog = [&](TModalForm& dialog, const char* what) {
            test::whenModalShownThenClose([&, what](QWidget* window) {
                QTRY_VERIFY(window->isActiveWindow());
                checkLines();
                QVERIFY2(!window->frameGeometry().intersects(instructions), what);
                QVERIFY2(screen.contains(window->frameGeometry()), what);
            });
            main.OutNameEdit->setFocus();
            dialog.ShowModal();
            QTRY_COMPARE(QApplication::focusWidget(), main.OutNameEdit);
        };
        for (const ValueStep& step : valueStepsFor(7, 1, 3)) {
            for (int i = 0; i < kExplanationLines; ++i) {
                main.Explanation->setLine(i, QString::fromStdString(step.explanation[i]));
            }
            fill.StringGrid1->setRowCount(step.order);
            fill.StringGrid1->setColCount(step.order);
            fill.StringGrid1->resize(fill.StringGrid1->cellsSize() + QSize(15, 15));
            checkDialog(fill, "grid");
        }
        amount.OutputSelection->setItemIndex(1);
        checkDialog(amount, "amount");
        amount.OutputSelection->setItemIndex(0);
        checkLines();
        main.Number1Vars->setText(QStringLiteral("45"));
        main.CheckNumber1Vars();
        checkDialog(exists, "confirmation");
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
