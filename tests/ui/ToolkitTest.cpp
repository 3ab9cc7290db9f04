// The semantics the dialogue code relies on: modal results, memo lines by number, the radio
// group's click on a changed item, the grid's bounds and empty cells, the file-open dialog.

#include "tests/ui/ModalHelper.h"
#include "ui/toolkit/Controls.h"
#include "ui/toolkit/FileOpenDialog.h"
#include "ui/toolkit/ModalForm.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace tavi::ui {

class ToolkitTest : public QObject {
    Q_OBJECT

private slots:
    void modalResultEndsTheShowing() {
        TModalForm form;
        test::whenModalShown([&form](QWidget*) { form.setModalResult(mrOK); });
        QCOMPARE(form.ShowModal(), int(mrOK));
        QVERIFY(!form.isVisible());
    }

    void closeBoxAndCloseAnswerCancel() {
        TModalForm form;
        test::whenModalShown([](QWidget* window) { window->close(); });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        test::whenModalShown([&form](QWidget*) { form.Close(); });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        QCOMPARE(form.ModalResult(), int(mrCancel));
    }

    void escapeAnswersCancelAndEnterPressesTheFocusedButtonOnly() {
        TModalForm form;
        auto* button = new TBitBtn(QStringLiteral("OK"), TBitBtn::Glyph::Check, &form);
        auto* edit = new TEdit(&form);
        QSignalSpy clicks(button, &TBitBtn::clicked);
        test::whenModalShown([&](QWidget* window) {
            QTest::keyClick(edit, Qt::Key_Return);  // Enter in an edit ends nothing
            QTest::keyClick(window, Qt::Key_Enter);
            QVERIFY(window->isVisible());
            QTest::keyClick(button, Qt::Key_Return);
            QTest::keyClick(button, Qt::Key_Enter);
            QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(button, &held);  // a key held down presses once
            QCOMPARE(clicks.count(), 2);
            QTest::keyClick(window, Qt::Key_Escape);
        });
        QCOMPARE(form.ShowModal(), int(mrCancel));
    }

    void memoIsTheProgramsAndTabLeavesIt() {
        TMemo memo(10);
        memo.setLine(0, QStringLiteral("instructions"));
        QTest::keyClicks(&memo, QStringLiteral("typed"));
        QTest::keyClick(&memo, Qt::Key_Tab);
        QCOMPARE(memo.line(0), QStringLiteral("instructions"));
        QCOMPARE(memo.toPlainText().count(QLatin1Char('\t')), 0);
        QVERIFY(memo.tabChangesFocus());
    }

    void memoLinesAreReplacedByNumber() {
        TMemo memo(10);
        QCOMPARE(memo.lineCount(), 10);
        memo.setLine(0, QStringLiteral("first"));
        memo.setLine(9, QStringLiteral("last"));
        memo.setLine(10, QStringLiteral("beyond"));
        memo.setLine(-1, QStringLiteral("before"));
        QCOMPARE(memo.lineCount(), 10);
        QCOMPARE(memo.line(0), QStringLiteral("first"));
        QCOMPARE(memo.line(9), QStringLiteral("last"));
        memo.setLine(0, QString());
        QCOMPARE(memo.line(0), QString());
        QCOMPARE(memo.lineCount(), 10);
    }

    void radioGroupClicksOnlyOnAChange() {
        TRadioGroup group(QStringLiteral("Choice"), {QStringLiteral("a"), QStringLiteral("b")});
        QSignalSpy clicks(&group, &TRadioGroup::clicked);
        group.setItemIndex(0);
        QCOMPARE(clicks.count(), 1);
        group.setItemIndex(0);
        QCOMPARE(clicks.count(), 1);
        group.setItemIndex(1);
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(group.ItemIndex(), 1);
    }

    void gridKeepsAtLeastOneCellAndEmptyCells() {
        TStringGrid grid;
        grid.setColCount(0);
        grid.setRowCount(-3);
        QCOMPARE(grid.ColCount(), 1);
        QCOMPARE(grid.RowCount(), 1);
        grid.setColCount(3);
        grid.setRowCount(2);
        QCOMPARE(grid.Cells(2, 1), QString());
        grid.setCells(2, 1, QStringLiteral("1.5"));
        QCOMPARE(grid.Cells(2, 1), QStringLiteral("1.5"));
        grid.setCells(5, 5, QStringLiteral("outside"));
        QCOMPARE(grid.Cells(5, 5), QString());
    }

    void editReportsEnterAsCodeThirteen() {
        TEdit edit;
        QSignalSpy keys(&edit, &TEdit::keyPressed);
        QTest::keyClicks(&edit, QStringLiteral("45"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(edit.text(), QStringLiteral("45"));
        QCOMPARE(keys.count(), 3);
        QCOMPARE(keys.at(2).at(0).value<QChar>(), QChar(13));
    }

    void openDialogAddsTheDefaultExtensionToNewNames() {
        QTemporaryDir dir;
        TOpenDialog dialog;
        dialog.DefaultExt = QStringLiteral("dat");
        TOpenDialog::setChooser(
            [&dir](const TOpenDialog&, QWidget*) { return dir.filePath(QStringLiteral("new")); });
        QVERIFY(dialog.Execute(nullptr));
        QCOMPARE(dialog.FileName, dir.filePath(QStringLiteral("new.dat")));
        TOpenDialog::setChooser([](const TOpenDialog&, QWidget*) { return std::nullopt; });
        QVERIFY(!dialog.Execute(nullptr));
        TOpenDialog::resetChooser();
    }
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::ToolkitTest)
#include "ToolkitTest.moc"
