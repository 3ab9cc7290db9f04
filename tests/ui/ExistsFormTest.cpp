// The overwrite confirmation: its controls, its answers by button, by Continue and Return and by
// the close box, and a caption that is shown whole however long the file name.

#include "tests/ui/ModalHelper.h"
#include "ui/CheckAnswer.h"

#include <QTest>

namespace tavi::ui {

class ExistsFormTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAsDesigned() {
        TExistsForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("File exists"));
        QCOMPARE(form.Warnlabel1->text(), QStringLiteral("Warning:"));
        QVERIFY(form.Warnlabel1->font().bold() && form.Warnlabel1->font().italic());
        QCOMPARE(form.Label1->text(),
                 QStringLiteral("Do you wish to continue and overwrite this file?"));
        QVERIFY(form.Label1->font().bold());
        QCOMPARE(form.CancelButton->text(), QStringLiteral("Cancel"));
        QCOMPARE(form.OKButton->text(), QStringLiteral("OK"));
        QCOMPARE(form.Label2->text(), QStringLiteral("(Specify a new output filename)"));
        QCOMPARE(form.Label3->text(), QStringLiteral("(Overwrite this existing file)"));
        QVERIFY(form.Label2->font().italic() && !form.Label2->font().bold());
        // The notes stand under the buttons.
        QVERIFY(form.Label2->y() > form.CancelButton->geometry().bottom());
        QVERIFY(form.Label3->y() > form.OKButton->geometry().bottom());
        QCOMPARE(form.OKButton->nextInFocusChain(), form.CancelButton);
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        for (const char* name :
             {"Warnlabel1", "Label1", "Label2", "Label3", "CancelButton", "OKButton"}) {
            QVERIFY2(form.findChild<QWidget*>(QString::fromLatin1(name)) != nullptr, name);
        }
    }

    void buttonsAndCloseBoxAnswer() {
        TExistsForm form;
        test::whenModalShownThenClose(
            [&form](QWidget*) { QTest::mouseClick(form.OKButton, Qt::LeftButton); });
        QCOMPARE(form.ShowModal(), int(mrOK));
        test::whenModalShownThenClose(
            [&form](QWidget*) { QTest::mouseClick(form.CancelButton, Qt::LeftButton); });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        test::whenModalShownThenClose([](QWidget* window) { window->close(); });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        test::whenModalShownThenClose([&form](QWidget*) { form.Continue(); });
        QCOMPARE(form.ShowModal(), int(mrOK));
        test::whenModalShownThenClose([&form](QWidget*) { form.Return(); });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        QVERIFY(!form.isVisible());
    }

    // The window widens for a long name (as far as the screen allows) and narrows again.
    void captionIsShownWhole() {
        TExistsForm form;
        QList<int> windowWidths;
        for (const QString& name :
             {QStringLiteral("b.out"),
              QStringLiteral("/home/someone/two-level designs/2024/results.out"),
              QStringLiteral("b.out")}) {
            form.Warnlabel1->setText(QStringLiteral("Warning: file ") + name +
                                     QStringLiteral(" is an existing file."));
            QRect label;
            test::whenModalShownThenClose([&](QWidget*) {
                label = form.Warnlabel1->geometry();
                windowWidths << form.width();
                form.Return();
            });
            form.ShowModal();
            QVERIFY(label.width() >=
                    form.Warnlabel1->fontMetrics().horizontalAdvance(form.Warnlabel1->text()));
            QVERIFY2(label.right() < windowWidths.back(), qPrintable(name));
        }
        QVERIFY(windowWidths[1] > windowWidths[0]);
        QCOMPARE(windowWidths[2], windowWidths[0]);
    }
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::ExistsFormTest)
#include "ExistsFormTest.moc"
