#include "ui/AmountUnit.h"

#include "files/AmountSettings.h"
#include "ui/Tavifm.h"
#include "ui/toolkit/Application.h"
#include "ui/toolkit/Guard.h"
#include "ui/toolkit/Placement.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace tavi::ui {

namespace {

// The amount form is laid out at 120 pixels per inch.
const Placement& amountFormPlacement() {
    static const Placement placement(120);
    return placement;
}

// One line of a group: a label at 10 and its edit at 185 across, both with the same hint.
struct FieldLine {
    const char* labelName;
    const char* caption;
    const char* editName;
    int down;
    const char* hint;
};

void addField(TGroupBox* group, const FieldLine& line, TLabel*& label, TEdit*& edit) {
    const Placement& place = amountFormPlacement();
    label = new TLabel(QString::fromLatin1(line.caption), group);
    label->setObjectName(QString::fromLatin1(line.labelName));
    label->move(place.scaled(10), place.scaled(line.down));
    label->setToolTip(QString::fromLatin1(line.hint));
    edit = new TEdit(group);
    edit->setObjectName(QString::fromLatin1(line.editName));
    place.place(edit, 185, line.down, 49, 24);
    edit->setToolTip(QString::fromLatin1(line.hint));
}

// The explanation of each option, lines 2 to 8 of the main window's explanation area.
constexpr std::array<const char*, 7> kBudgetExplanation = {
    "For option 1, the sampling cost is of the form c*N + n*N",
    "where N is the number of level-2 units (groups),",
    "n is the number of level-1 units per group,",
    "and c the cost of sampling another level-2 unit",
    " relative to the cost of sampling one level-1 unit.",
    "The total budget is the maximal value for c*N + n*N.",
    "Also the minimum and maximum group sizes must be given.",
};
constexpr std::array<const char*, 7> kRangeExplanation = {
    "For option 2, the standard errors are given",
    "for sample sizes on levels 1 and 2",
    "in a range specified by the user.",
    "The group size (= number of level-1 units per level-2 unit)",
    "should be at least 5;",
    "the number of groups (= level-2 units)",
    "should be at least 5.",
};

// The main window's explanation area, which exists once the program has started.
TMemo* explanation() {
    return TaviForm != nullptr ? TaviForm->Explanation : nullptr;
}

std::string textOf(const TEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace

TAmountForm::TAmountForm(QWidget* parent) : TModalForm(parent) {
    setObjectName(QStringLiteral("AmountForm"));
    setWindowTitle(QStringLiteral("Amount of Output"));
    const Placement& place = amountFormPlacement();
    place.place(this, 240, 56, 542, 388);
    setFont(place.font(QStringLiteral("MS Sans Serif"), 14));
    createControls();
    fitCaptions();
    bindHandlers();
}

void TAmountForm::createControls() {
    const Placement& place = amountFormPlacement();
    OutputSelection = new TRadioGroup(
        QStringLiteral("Determine kind of output limitation"),
        {QStringLiteral("Budget constraint"), QStringLiteral("All combinations up to maxima")},
        this);
    OutputSelection->setObjectName(QStringLiteral("OutputSelection"));
    place.place(OutputSelection, 7, 7, 221, 130);
    OutputSelection->setToolTip(QStringLiteral("see explanation in the main window"));
    // Chosen as the form was designed, before any handler is bound.
    OutputSelection->setItemIndex(0);

    BudgetParameters = new TGroupBox(QStringLiteral("Give budget parameters"), this);
    BudgetParameters->setObjectName(QStringLiteral("BudgetParameters"));
    place.place(BudgetParameters, 236, 8, 258, 239);
    BudgetParameters->hide();
    addField(BudgetParameters,
             {"Label1", "Cost parameter", "Edit1", 31,
              "cost of sampling another group, relative to sampling another level-1 unit"},
             Label1, Edit1);
    addField(BudgetParameters,
             {"Label2", "Total Budget", "Edit2", 74, "maximum value of c*N + n*N"}, Label2, Edit2);
    addField(BudgetParameters, {"Label3", "Minimum group size", "Edit3", 117, "at least 5"}, Label3,
             Edit3);
    addField(BudgetParameters,
             {"Label4", "Maximum group size", "Edit4", 160, "more than minimum group size"}, Label4,
             Edit4);
    addField(BudgetParameters, {"Label10", "Step size", "Edit10", 203, "increment for group size"},
             Label10, Edit10);

    RangeParameters = new TGroupBox(QStringLiteral("Give minimal and maximal sample sizes"), this);
    RangeParameters->setObjectName(QStringLiteral("RangeParameters"));
    place.place(RangeParameters, 236, 17, 258, 264);
    RangeParameters->hide();
    addField(RangeParameters, {"Label5", "Minimum number of groups", "Edit5", 31, "at least 5"},
             Label5, Edit5);
    addField(RangeParameters,
             {"Label6", "Maximum number of groups", "Edit6", 74, "larger than minimum"}, Label6,
             Edit6);
    addField(RangeParameters, {"Label7", "Minimum group size", "Edit7", 117, "at least 5"}, Label7,
             Edit7);
    addField(RangeParameters,
             {"Label8", "Maximum group size", "Edit8", 160, "more than minimum group size"}, Label8,
             Edit8);
    addField(RangeParameters, {"Label9", "Step size ", "Edit9", 203, "increment for group size"},
             Label9, Edit9);

    BitBtn1 = new TBitBtn(QStringLiteral("OK"), TBitBtn::Glyph::Check, this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    place.place(BitBtn1, 72, 221, 92, 31);
    BitBtn1->setToolTip(QStringLiteral("click OK if everything is filled out properly"));

    AmountMessage = new QLabel(this);
    AmountMessage->setObjectName(QStringLiteral("AmountMessage"));
    AmountMessage->setWordWrap(true);
    AmountMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place.place(AmountMessage, 7, 288, 528, 96);
    // Dark red on the dialog's light background, far above the contrast text needs.
    QPalette red = AmountMessage->palette();
    red.setColor(QPalette::WindowText, QColor(0x8b, 0x00, 0x00));
    AmountMessage->setPalette(red);
}

// The design leaves room for the captions in the font it was made with. A wider font moves the
// edits of both groups to the right of the longest label and the groups to the right of the
// options, and the window widens with them; where the captions fit, everything stays where it
// was designed.
void TAmountForm::fitCaptions() {
    const Placement& place = amountFormPlacement();
    const int gap = place.scaled(8);
    const std::initializer_list<TGroupBox*> groups = {BudgetParameters, RangeParameters};
    // The edits show numbers of up to 10 digits whole.
    for (TEdit* edit : findChildren<TEdit*>()) {
        edit->widenToShow(QStringLiteral("0000000000"));
    }
    int editLeft = place.scaled(185);
    for (const TGroupBox* group : groups) {
        for (const TLabel* label : group->findChildren<TLabel*>()) {
            editLeft = std::max(editLeft, label->geometry().right() + 1 + gap);
        }
    }
    const int optionsWidth =
        std::max(OutputSelection->minimumSizeHint().width(), OutputSelection->sizeHint().width());
    OutputSelection->resize(std::max(OutputSelection->width(), optionsWidth),
                            OutputSelection->height());
    const int groupsLeft =
        std::max(place.scaled(236), OutputSelection->geometry().right() + 1 + gap);
    for (TGroupBox* group : groups) {
        for (TEdit* edit : group->findChildren<TEdit*>()) {
            edit->move(editLeft, edit->y());
        }
        group->setGeometry(groupsLeft, group->y(),
                           std::max(group->width(), editLeft + Edit1->width() + place.scaled(24)),
                           group->height());
    }
    resize(widthToFit({BudgetParameters, RangeParameters}, place.scaled(48), width()), height());
}

void TAmountForm::bindHandlers() {
    bindHandler(OutputSelection, &TRadioGroup::clicked, this, &TAmountForm::GiveConstraints);
    bindHandler(BitBtn1, &TBitBtn::clicked, this, &TAmountForm::GetAmounts);
    for (TGroupBox* group : {BudgetParameters, RangeParameters}) {
        bindHandler(group, &TGroupBox::clicked, this, &TAmountForm::ReadAmounts);
        bindHandler(group, &TGroupBox::doubleClicked, this, &TAmountForm::ReadAmounts);
        bindHandler(group, &TGroupBox::exited, this, &TAmountForm::ReadAmounts);
    }
    for (TEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10}) {
        bindHandler(edit, &TEdit::clicked, this, &TAmountForm::ReadAmounts);
    }
}

// Only clicks on the form's background arrive here; its controls keep their own.
void TAmountForm::mousePressEvent(QMouseEvent* event) {
    TModalForm::mousePressEvent(event);
    runGuarded([this] { ReadAmounts(); });
}

void TAmountForm::mouseDoubleClickEvent(QMouseEvent* event) {
    TModalForm::mouseDoubleClickEvent(event);
    runGuarded([this] { ReadAmounts(); });
}

void TAmountForm::GiveConstraints() {
    TMemo* lines = explanation();
    if (lines != nullptr) {
        for (int i = 1; i <= 9; ++i) {
            lines->setLine(i, QString());
        }
    }
    const int item = OutputSelection->ItemIndex();
    if (item != 0 && item != 1) {
        return;
    }
    RangeParameters->setVisible(item == 1);
    BudgetParameters->setVisible(item == 0);
    if (lines != nullptr) {
        const auto& texts = item == 0 ? kBudgetExplanation : kRangeExplanation;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            lines->setLine(static_cast<int>(i) + 2, QString::fromLatin1(texts[i]));
        }
    }
    ProcessMessages();
}

void TAmountForm::SetAmounts() {
    const DesignParameters& p = Design;
    OutputSelection->setItemIndex(p.BudgetMode ? 0 : 1);
    Edit1->setText(QString::number(p.CostParameter));
    Edit2->setText(QString::number(p.Budget));
    Edit3->setText(QString::number(p.MinGroupSize));
    Edit7->setText(QString::number(p.MinGroupSize));
    Edit4->setText(QString::number(p.MaxGroupSize));
    Edit8->setText(QString::number(p.MaxGroupSize));
    Edit5->setText(QString::number(p.MinGroups));
    Edit6->setText(QString::number(p.MaxGroups));
    Edit9->setText(QString::number(p.GroupSizeStep));
    Edit10->setText(QString::number(p.GroupSizeStep));
    Edit2->setToolTip(QStringLiteral("must be at least ") + QString::number(budgetFloor(p)));
    ProcessMessages();
}

void TAmountForm::ReadAmounts() {
    AmountError = false;
    std::vector<std::string> corrections;
    switch (OutputSelection->ItemIndex()) {
        case 0:
            AmountError = !readBudgetAmounts(
                {textOf(Edit1), textOf(Edit2), textOf(Edit3), textOf(Edit4), textOf(Edit10)},
                Design, &corrections);
            break;
        case 1:
            AmountError = !readRangeAmounts(
                {textOf(Edit5), textOf(Edit6), textOf(Edit7), textOf(Edit8), textOf(Edit9)}, Design,
                &corrections);
            break;
        default:
            break;
    }
    // The last corrections stay in view while the fields read as they are shown.
    if (!corrections.empty()) {
        QStringList lines;
        for (const std::string& line : corrections) {
            lines.append(QString::fromStdString(line));
        }
        AmountMessage->setText(lines.join(QLatin1Char('\n')));
    }
    SetAmounts();
}

void TAmountForm::GetAmounts() {
    ReadAmounts();
    if (AmountError) {
        AmountMessage->setText(QStringLiteral("OK did not close the form: a field was not a whole "
                                              "number. Check the value put in its place, then "
                                              "press OK again.\n") +
                               AmountMessage->text());
    } else {
        AmountMessage->clear();
    }
    setModalResult(AmountError ? mrCancel : mrOK);
}

}  // namespace tavi::ui
