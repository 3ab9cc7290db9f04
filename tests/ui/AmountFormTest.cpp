// The amount-of-output form: its controls and hints, SetAmounts, ReadAmounts with its fallbacks,
// bounds and budget floor as the user sees them, the OK button's answer, the explanation of each
// option in the main window, and which clicks run which handler.

#include "tests/ui/ModalHelper.h"
#include "ui/AmountUnit.h"
#include "ui/Tavifm.h"

#include <QTest>

namespace tavi::ui {

namespace {

QStringList explanationLines() {
    QStringList lines;
    for (int i = 0; i < 10; ++i) {
        lines << TaviForm->Explanation->line(i);
    }
    return lines;
}

const QStringList kBudgetLines = {
    QStringLiteral("line 0"),
    {},
    QStringLiteral("For option 1, the sampling cost is of the form c*N + n*N"),
    QStringLiteral("where N is the number of level-2 units (groups),"),
    QStringLiteral("n is the number of level-1 units per group,"),
    QStringLiteral("and c the cost of sampling another level-2 unit"),
    QStringLiteral(" relative to the cost of sampling one level-1 unit."),
    QStringLiteral("The total budget is the maximal value for c*N + n*N."),
    QStringLiteral("Also the minimum and maximum group sizes must be given."),
    {}};

const QStringList kRangeLines = {
    QStringLiteral("line 0"),
    {},
    QStringLiteral("For option 2, the standard errors are given"),
    QStringLiteral("for sample sizes on levels 1 and 2"),
    QStringLiteral("in a range specified by the user."),
    QStringLiteral("The group size (= number of level-1 units per level-2 unit)"),
    QStringLiteral("should be at least 5;"),
    QStringLiteral("the number of groups (= level-2 units)"),
    QStringLiteral("should be at least 5."),
    {}};

// The amount settings as the start-up leaves them.
void startUpAmounts() {
    DesignParameters& p = Design;
    p.BudgetMode = true;
    p.CostParameter = 5;
    p.MinGroupSize = 10;
    p.GroupSizeStep = 5;
    p.MaxGroupSize = 50;
    p.MinGroups = 10;
    p.MaxGroups = 50;
    p.Budget = 1500;
}

// The double-click alone, without the click that comes before it.
void doubleClickOnly(QWidget* widget, QPoint position) {
    QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(position),
                      widget->mapToGlobal(QPointF(position)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void fillLines() {
    for (int i = 0; i < 10; ++i) {
        TaviForm->Explanation->setLine(i, QStringLiteral("line %1").arg(i));
    }
}

}  // namespace

class AmountFormTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_main = std::make_unique<TTaviForm>();
        TaviForm = m_main.get();
        startUpAmounts();
    }

    void cleanup() {
        TaviForm = nullptr;
        m_main.reset();
    }

    void controlsAsDesigned() {
        TAmountForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Amount of Output"));
        QCOMPARE(form.OutputSelection->title(),
                 QStringLiteral("Determine kind of output limitation"));
        QCOMPARE(form.OutputSelection->ItemIndex(), 0);
        QCOMPARE(form.OutputSelection->toolTip(),
                 QStringLiteral("see explanation in the main window"));
        QVERIFY(form.BudgetParameters->isHidden());
        QVERIFY(form.RangeParameters->isHidden());
        QCOMPARE(form.BudgetParameters->title(), QStringLiteral("Give budget parameters"));
        QCOMPARE(form.RangeParameters->title(),
                 QStringLiteral("Give minimal and maximal sample sizes"));
        QCOMPARE(form.BitBtn1->toolTip(),
                 QStringLiteral("click OK if everything is filled out properly"));
        QCOMPARE(form.Label9->text(), QStringLiteral("Step size "));
        QCOMPARE(form.Label1->toolTip(),
                 QStringLiteral(
                     "cost of sampling another group, relative to sampling another level-1 unit"));
        QCOMPARE(form.Label2->toolTip(), QStringLiteral("maximum value of c*N + n*N"));
        QCOMPARE(form.Edit6->toolTip(), QStringLiteral("larger than minimum"));
        QCOMPARE(form.Edit8->toolTip(), QStringLiteral("more than minimum group size"));
        // The edits of each option in their group, one under the other, their labels beside.
        const QList<TEdit*> budget = {form.Edit1, form.Edit2, form.Edit3, form.Edit4, form.Edit10};
        const QList<TEdit*> range = {form.Edit5, form.Edit6, form.Edit7, form.Edit8, form.Edit9};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(budget[i]->parentWidget(), form.BudgetParameters);
            QCOMPARE(range[i]->parentWidget(), form.RangeParameters);
            QCOMPARE(budget[i]->geometry(), range[i]->geometry());
            if (i > 0) {
                QVERIFY(budget[i]->y() > budget[i - 1]->geometry().bottom());
            }
        }
        // Every caption shows whole: labels end before their edits, the options fit their group,
        // and the groups stand beside it.
        const QList<TLabel*> labels = {form.Label1,  form.Label2, form.Label3, form.Label4,
                                       form.Label10, form.Label5, form.Label6, form.Label7,
                                       form.Label8,  form.Label9};
        for (int i = 0; i < 10; ++i) {
            QVERIFY(labels[i]->geometry().right() < (i < 5 ? budget[i % 5] : range[i % 5])->x());
        }
        QVERIFY(form.OutputSelection->width() >= form.OutputSelection->minimumSizeHint().width());
        QVERIFY(form.OutputSelection->geometry().right() < form.BudgetParameters->x());
        QVERIFY(form.BudgetParameters->geometry().right() < form.width());
        for (int i = 1; i <= 10; ++i) {
            for (const QString& name :
                 {QStringLiteral("Edit%1").arg(i), QStringLiteral("Label%1").arg(i)}) {
                QVERIFY2(form.findChild<QWidget*>(name) != nullptr, qPrintable(name));
            }
        }
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("BitBtn1")) != nullptr);
    }

    void setAmountsShowsTheSettingsAndTheBudgetFloor() {
        TAmountForm form;
        form.SetAmounts();
        QCOMPARE(form.Edit1->text(), QStringLiteral("5"));
        QCOMPARE(form.Edit2->text(), QStringLiteral("1500"));
        QCOMPARE(form.Edit3->text(), QStringLiteral("10"));
        QCOMPARE(form.Edit7->text(), QStringLiteral("10"));
        QCOMPARE(form.Edit4->text(), QStringLiteral("50"));
        QCOMPARE(form.Edit8->text(), QStringLiteral("50"));
        QCOMPARE(form.Edit5->text(), QStringLiteral("10"));
        QCOMPARE(form.Edit6->text(), QStringLiteral("50"));
        QCOMPARE(form.Edit9->text(), QStringLiteral("5"));
        QCOMPARE(form.Edit10->text(), QStringLiteral("5"));
        QCOMPARE(form.Edit2->toolTip(), QStringLiteral("must be at least 150"));
        Design.MinGroupSize = std::numeric_limits<std::int32_t>::max();
        Design.CostParameter = std::numeric_limits<std::int32_t>::max();
        form.SetAmounts();
        QCOMPARE(form.Edit2->toolTip(), QStringLiteral("must be at least 42949672940"));
    }

    void explanationFollowsTheChosenOption() {
        TAmountForm form;
        fillLines();
        form.OutputSelection->setItemIndex(1);
        QCOMPARE(explanationLines(), kRangeLines);
        QVERIFY(form.RangeParameters->isVisibleTo(&form));
        QVERIFY(!form.BudgetParameters->isVisibleTo(&form));
        fillLines();
        Design.BudgetMode = true;
        form.SetAmounts();  // chooses item 0 again
        QCOMPARE(explanationLines(), kBudgetLines);
        QVERIFY(form.BudgetParameters->isVisibleTo(&form));
        QVERIFY(!form.RangeParameters->isVisibleTo(&form));
    }

    void choosingTheChosenItemRunsNothing() {
        TAmountForm form;
        fillLines();
        form.OutputSelection->setItemIndex(0);
        form.SetAmounts();
        test::whenModalShownThenClose([&form](QWidget*) {
            auto* chosen = form.OutputSelection->findChildren<QAbstractButton*>().at(0);
            QTest::mouseClick(chosen, Qt::LeftButton);
        });
        form.ShowModal();
        QCOMPARE(TaviForm->Explanation->line(5), QStringLiteral("line 5"));
        // A click on the group beside its items explains the option anew.
        test::whenModalShownThenClose([&form](QWidget*) {
            QTest::mouseClick(form.OutputSelection, Qt::LeftButton, {},
                              QPoint(form.OutputSelection->width() - 3, 3));
        });
        form.ShowModal();
        QCOMPARE(explanationLines(), kBudgetLines);
    }

    void rangeMaximumIsRaisedToTheMinimum() {
        TAmountForm form;
        Design.BudgetMode = false;
        form.SetAmounts();
        form.Edit5->setText(QStringLiteral("20"));
        form.Edit6->setText(QStringLiteral("10"));
        form.ReadAmounts();
        QVERIFY(!form.AmountError);
        QVERIFY(!Design.BudgetMode);
        QCOMPARE(Design.MaxGroups, 20);
        QCOMPARE(form.Edit6->text(), QStringLiteral("20"));
        QCOMPARE(form.AmountMessage->text(),
                 QStringLiteral("Maximum number of groups: 10 is raised to 20, the minimum "
                                "number of groups."));
    }

    void budgetIsRaisedToItsFloor() {
        TAmountForm form;
        form.SetAmounts();
        form.Edit1->setText(QStringLiteral("10"));
        form.Edit2->setText(QStringLiteral("100"));
        form.Edit3->setText(QStringLiteral("5"));
        form.Edit4->setText(QStringLiteral("50"));
        form.ReadAmounts();
        QCOMPARE(Design.Budget, 150);
        QCOMPARE(form.Edit2->text(), QStringLiteral("150"));
        QCOMPARE(form.Edit2->toolTip(), QStringLiteral("must be at least 150"));
        QCOMPARE(Design.MinGroups, 10);  // not read in this option
    }

    void boundsRoundingAndCommas() {
        TAmountForm form;
        form.SetAmounts();
        form.Edit1->setText(QStringLiteral("-3"));
        form.Edit3->setText(QStringLiteral("0"));
        form.Edit10->setText(QStringLiteral("0"));
        form.ReadAmounts();
        QVERIFY(!form.AmountError);
        QCOMPARE(form.Edit1->text(), QStringLiteral("0"));
        QCOMPARE(form.Edit3->text(), QStringLiteral("1"));
        QCOMPARE(form.Edit10->text(), QStringLiteral("1"));

        form.Edit3->setText(QStringLiteral("12.5"));
        form.Edit4->setText(QStringLiteral("13.5"));
        form.ReadAmounts();
        QCOMPARE(Design.MinGroupSize, 12);
        QCOMPARE(Design.MaxGroupSize, 14);

        form.Edit10->setText(QStringLiteral("1,5"));
        form.ReadAmounts();
        QVERIFY(form.AmountError);
        QCOMPARE(form.Edit10->text(), QStringLiteral("5"));

        form.Edit2->setText(QStringLiteral("3000000000"));  // beyond 32 bits
        form.ReadAmounts();
        QVERIFY(form.AmountError);
        QCOMPARE(form.Edit2->text(), QStringLiteral("1000"));
    }

    void okWithABadFieldAnswersCancelAndTheSecondOkIsAccepted() {
        TAmountForm form;
        form.SetAmounts();
        form.Edit1->setText(QStringLiteral("abc"));
        QList<int> answers;
        QStringList messages;
        do {
            test::whenModalShownThenClose([&](QWidget*) {
                messages << form.AmountMessage->text();
                QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
            });
            answers << form.ShowModal();
        } while (form.AmountError && answers.size() < 3);
        QCOMPARE(answers, QList<int>({mrCancel, mrOK}));
        // The form comes back saying why OK did not close it and what replaced the text.
        QVERIFY(messages[0].isEmpty());
        QVERIFY(messages[1].startsWith(QStringLiteral("OK did not close the form")));
        QVERIFY(messages[1].contains(QStringLiteral(
            "Cost parameter: \"abc\" is not a whole number; 10 is put in its place.")));
        QVERIFY(form.AmountMessage->text().isEmpty());
        QCOMPARE(Design.CostParameter, 10);
        QCOMPARE(form.Edit1->text(), QStringLiteral("10"));
    }

    void clicksInTheFormReadTheFields() {
        TAmountForm form;
        form.SetAmounts();
        form.BudgetParameters->show();
        const auto clickReads = [&form](const std::function<void()>& click) {
            form.Edit3->setText(QStringLiteral("0"));
            test::whenModalShownThenClose([&](QWidget*) { click(); });
            form.ShowModal();
            return form.Edit3->text() == QStringLiteral("1");
        };
        QVERIFY(clickReads([&] { QTest::mouseClick(form.Edit1, Qt::LeftButton); }));
        QVERIFY(clickReads([&] { QTest::mouseClick(form.Edit3, Qt::LeftButton); }));
        QVERIFY(clickReads(
            [&] { QTest::mouseClick(form.BudgetParameters, Qt::LeftButton, {}, QPoint(5, 5)); }));
        QVERIFY(clickReads([&] { doubleClickOnly(form.BudgetParameters, QPoint(5, 5)); }));
        QVERIFY(clickReads([&] { QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(3, 3)); }));
        QVERIFY(clickReads([&] { doubleClickOnly(&form, QPoint(3, 3)); }));
        QVERIFY(!clickReads([] {}));
    }

    void closeBoxAndEscapeKeepTheLastVerdict() {
        TAmountForm form;
        form.SetAmounts();
        form.Edit1->setText(QStringLiteral("x"));
        form.ReadAmounts();
        QVERIFY(form.AmountError);
        form.Edit1->setText(QStringLiteral("7"));
        test::whenModalShownThenClose([](QWidget* window) { window->close(); });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        QVERIFY(form.AmountError);
        QCOMPARE(Design.CostParameter, 10);  // the text typed since was not read
        // Escape does what the close box does.
        test::whenModalShownThenClose([&form](QWidget*) {
            QTest::keyClicks(form.Edit1, QStringLiteral("3"));
            QTest::keyClick(form.Edit1, Qt::Key_Escape);
            QVERIFY(form.isHidden());
        });
        QCOMPARE(form.ShowModal(), int(mrCancel));
        QCOMPARE(Design.CostParameter, 10);
    }

    void worksWithoutTheMainWindow() {
        TAmountForm form;
        // The explanation area may be missing, as in tests of the form alone.
        TaviForm = nullptr;
        form.SetAmounts();
        form.OutputSelection->setItemIndex(1);
        QVERIFY(form.RangeParameters->isVisibleTo(&form));
    }

private:
    std::unique_ptr<TTaviForm> m_main;
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::AmountFormTest)
#include "AmountFormTest.moc"
