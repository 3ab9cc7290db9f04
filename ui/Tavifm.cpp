#include "ui/Tavifm.h"

#include "files/FileError.h"
#include "files/FileNames.h"
#include "files/ParameterFile.h"
#include "files/TextScanner.h"
#include "files/ValueSteps.h"
#include "ui/toolkit/Application.h"
#include "ui/toolkit/Guard.h"
#include "ui/toolkit/ModalForm.h"
#include "ui/toolkit/Placement.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QResizeEvent>

namespace tavi::ui {

DesignParameters Design = initialDesignParameters();
QString ParFileName;
QString FileNamePart;
QString PathName;
QString BaseName;
QString OutFileName;
QString CovFileName;

TTaviForm* TaviForm = nullptr;
TExistsForm* ExistsForm = nullptr;
TFillForm* FillForm = nullptr;
TAmountForm* AmountForm = nullptr;

namespace {

// The main window is laid out at 120 pixels per inch.
const Placement& mainWindowPlacement() {
    static const Placement placement(120);
    return placement;
}

// The widest line that the dialogue writes into the explanation area, apart from file names.
const char* const kWidestExplanation =
    "The model contains a random intercept and no random slopes.";

template <typename Control>
Control* placed(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QString::fromLatin1(name));
    mainWindowPlacement().place(control, left, top, width, height);
    return control;
}

}  // namespace

TTaviForm::TTaviForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TaviForm"));
    setWindowTitle(QStringLiteral("Tavi"));
    const Placement& place = mainWindowPlacement();
    place.place(this, 239, 42, 876, 606);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(background);
    setAutoFillBackground(true);
    setFont(place.font(QStringLiteral("MS Sans Serif"), 13));
    createControls();
    bindHandlers();
    setMessageWindow(this);
    TModalForm::keepClearOf(Explanation);
}

void TTaviForm::setStartFile(const QString& name) {
    m_startFile = name;
}

void TTaviForm::createControls() {
    // Labels take their place's left and top; their size is their caption's, so that no font
    // cuts a caption short.
    const auto label = [this](const char* name, const char* caption, int left, int top) {
        auto* text = new TLabel(QString::fromLatin1(caption), this);
        text->setObjectName(QString::fromLatin1(name));
        text->move(mainWindowPlacement().scaled(left), mainWindowPlacement().scaled(top));
        return text;
    };
    const auto edit = [this](const char* name, const char* text, int left, int top, int width,
                             int height) {
        TEdit* field = placed(new TEdit(this), name, left, top, width, height);
        field->setText(QString::fromLatin1(text));
        return field;
    };

    Explanation = placed(new TMemo(kExplanationLines, this), "Explanation", 30, 10, 381, 191);
    Explanation->setFont(mainWindowPlacement().font(QStringLiteral("MS Sans Serif"), 15));
    Explanation->setLine(
        0, QStringLiteral("Give name of parameter file to be written or used by TAVI"));
    PathNameLabel = label("PathNameLabel", "Path name", 450, 29);
    PathNameEdit = edit("PathNameEdit", "Path name", 610, 25, 241, 24);
    // The files are written in the parameter file's folder, whatever this field says.
    PathNameEdit->setReadOnly(true);
    InFileLabel = label("InFileLabel", "Parameter file name", 450, 74);
    InNameEdit = edit("InNameEdit", "ax.dat", 610, 70, 241, 24);
    OutFileLabel = label("OutFileLabel", "Output file name", 450, 124);
    OutNameEdit = edit("OutNameEdit", "tavi.out", 610, 120, 241, 24);
    OutFileLabel2 =
        label("OutFileLabel2", "(should be different from parameter file name)", 490, 160);
    QFont italic = mainWindowPlacement().font(QStringLiteral("Times New Roman"), 17);
    italic.setStyleHint(QFont::Serif);
    italic.setItalic(true);
    OutFileLabel2->setFont(italic);
    Nvar1Label = label("Nvar1Label", "Number of level-1 vars.", 30, 240);
    Number1Vars = edit("Number1Vars", "    0", 310, 240, 81, 24);
    NFixedLabel = label("NFixedLabel", "Number of these with fixed effect only", 30, 280);
    NumberFixedEffects = edit("NumberFixedEffects", "    0", 310, 280, 81, 24);
    NVar2Label = label("NVar2Label", "Number of level-2 vars.", 30, 320);
    Number2Vars = edit("Number2Vars", "    0", 310, 320, 81, 24);
    BitBtn1 = placed(new TBitBtn(QStringLiteral("OK"), TBitBtn::Glyph::Check, this), "BitBtn1", 730,
                     240, 94, 31);
    ReadyLabel = label("ReadyLabel", "Parameters have been determined.", 450, 310);
    ReadyLabel->hide();

    FinalChoice = placed(new TRadioGroup(QStringLiteral("Final Choice"),
                                         {QStringLiteral("Calculate standard errors"),
                                          QStringLiteral("Save parameters without calculations"),
                                          QStringLiteral("Quit without saving parameters")},
                                         this),
                         "FinalChoice", 140, 400, 481, 141);
    FinalChoice->setItemIndex(0);
    FinalChoice->setAutoFillBackground(true);
    QPalette tooltipColours = FinalChoice->palette();
    tooltipColours.setColor(QPalette::Window, tooltipColours.color(QPalette::ToolTipBase));
    FinalChoice->setPalette(tooltipColours);
    FinalChoice->setToolTip(QStringLiteral("make your choice and click OK"));
    FinalChoice->hide();

    TBitBtn** finalButtons[] = {&FinalChoiceBitBtn0, &FinalChoiceBitBtn1, &FinalChoiceBitBtn2};
    const char* finalNames[] = {"FinalChoiceBitBtn0", "FinalChoiceBitBtn1", "FinalChoiceBitBtn2"};
    for (int i = 0; i < 3; ++i) {
        TBitBtn* button = placed(new TBitBtn(QStringLiteral("OK"), TBitBtn::Glyph::Check, this),
                                 finalNames[i], 490, 420 + 40 * i, 94, 31);
        button->setToolTip(QStringLiteral("click if this choice is OK"));
        button->setFont(mainWindowPlacement().font(QStringLiteral("MS Sans Serif"), 17));
        QPalette black = button->palette();
        black.setColor(QPalette::ButtonText, Qt::black);
        button->setPalette(black);
        button->hide();
        *finalButtons[i] = button;
    }

    FindInFileDialog.Title = QStringLiteral("Choose parameter file");
    FindInFileDialog.FileName = QStringLiteral("ax.dat");
    FindInFileDialog.DefaultExt = QStringLiteral("dat");
    FindInFileDialog.Filters = {QStringLiteral("datafiles (*.dat)"),
                                QStringLiteral("text files (*.txt)"),
                                QStringLiteral("all files (*.*)")};

    // The tab order, starting at the button that holds the focus at start.
    QWidget* const tabOrder[] = {
        BitBtn1,     OutNameEdit,        Number1Vars,        NumberFixedEffects,
        Number2Vars, InNameEdit,         Explanation,        PathNameEdit,
        FinalChoice, FinalChoiceBitBtn1, FinalChoiceBitBtn0, FinalChoiceBitBtn2};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    BitBtn1->setFocus();
    fitToTexts();
}

// The explanation area shows its ten lines whole, however wide the font; the controls beside it
// move to the right to make room, and the window widens with them.
void TTaviForm::fitToTexts() {
    const Placement& place = mainWindowPlacement();
    const int designedRight = Explanation->geometry().right();
    Explanation->fitLines(QString::fromLatin1(kWidestExplanation));
    const int shift = std::max(0, Explanation->geometry().right() - designedRight);
    for (QWidget* control : std::initializer_list<QWidget*>{
             PathNameLabel, PathNameEdit, InFileLabel, InNameEdit, OutFileLabel, OutNameEdit,
             OutFileLabel2, BitBtn1, ReadyLabel}) {
        control->move(control->x() + shift, control->y());
    }
    resize(widthToFit({PathNameEdit, OutFileLabel2, BitBtn1}, place.scaled(25), width()), height());
    m_number1VarsRightMargin = width() - Number1Vars->geometry().right();
}

void TTaviForm::bindHandlers() {
    bindHandler(BitBtn1, &TBitBtn::clicked, this, &TTaviForm::AskParameters);
    bindHandler(FinalChoice, &TRadioGroup::clicked, this, &TTaviForm::PlaceOKButton);
    bindHandler(FinalChoiceBitBtn0, &TBitBtn::clicked, this, &TTaviForm::Calculate);
    bindHandler(FinalChoiceBitBtn1, &TBitBtn::clicked, this, &TTaviForm::SaveOnly);
    bindHandler(FinalChoiceBitBtn2, &TBitBtn::clicked, this, &TTaviForm::NoAction);
    for (auto [field, check] : {std::pair{Number1Vars, &TTaviForm::CheckNumber1Vars},
                                std::pair{NumberFixedEffects, &TTaviForm::CheckNumberFixed},
                                std::pair{Number2Vars, &TTaviForm::CheckNumber2Vars}}) {
        bindHandler(field, &TEdit::clicked, this, check);
        bindHandler(field, &TEdit::doubleClicked, this, check);
    }
    for (const auto& keyHandler : {std::pair{Number1Vars, &TTaviForm::EnterCheckNumberVars},
                                   std::pair{NumberFixedEffects, &TTaviForm::EnterCheckNumberFixed},
                                   std::pair{Number2Vars, &TTaviForm::EnterCheckNumber2Vars}}) {
        connect(keyHandler.first, &TEdit::keyPressed, this,
                [this, handler = keyHandler.second](QChar key) {
                    runGuarded([&] { (this->*handler)(key); });
                });
    }
}

bool TTaviForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !m_started) {
        // Set before running: the file dialog of the start-up hands the activation back.
        m_started = true;
        runGuarded([this] { FormActivate(); });
    }
    return QWidget::event(event);
}

// When it is first shown, the main window keeps within the screen (a small screen at a high
// resolution cannot hold it where it was designed), and asks for activation, which it does not
// get on its own where no window manager runs.
void TTaviForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        moveOntoScreen(this);
        activateWindow();
        raise();
    }
}

// Number1Vars keeps its distance to the right edge of the window.
void TTaviForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QRect place = Number1Vars->geometry();
    place.moveRight(width() - m_number1VarsRightMargin);
    Number1Vars->setGeometry(place);
}

void TTaviForm::FormActivate() {
    m_started = true;
    // The start-up values; nRandom and nBetween follow from the counts when values are entered.
    DesignParameters& p = Design;
    p = initialDesignParameters();

    bool chosen = true;
    if (m_startFile) {
        FindInFileDialog.accept(*m_startFile);
    } else {
        chosen = FindInFileDialog.Execute(this);
    }
    ParFileName = chosen ? FindInFileDialog.FileName : QStringLiteral("ax.dat");
    FileNamePart = QString::fromStdString(fileNamePartOf(ParFileName.toStdString()));
    const QString absolute = QFileInfo(ParFileName).absoluteFilePath();
    PathName = QString::fromStdString(directoryPartOf(absolute.toStdString()));
    BaseName = QString::fromStdString(baseNameOf(FileNamePart.toStdString()));
    InNameEdit->setText(FileNamePart);
    InNameEdit->setReadOnly(true);
    OutNameEdit->setText(BaseName + QStringLiteral(".out"));
    PathNameEdit->setText(PathName);
    PathNameEdit->setToolTip(PathNameEdit->showsWhole(PathName) ? QString() : PathName);
    QDir::setCurrent(QFileInfo(absolute).absolutePath());

    m_parameterFileUnread = false;
    if (QFileInfo::exists(absolute)) {
        try {
            TextScanner in = TextScanner::fromFile(absolute.toStdString());
            ReadParameterFile(in, p);
        } catch (const FileError& error) {
            // The start-up ends here, with what was read so far. Whatever the file holds, it is
            // the user's: the final choice replaces it only when they agree.
            m_parameterFileUnread = true;
            showMessage(QStringLiteral("File ") + ParFileName +
                        QStringLiteral(" is not a readable parameter file (") +
                        QString::fromUtf8(error.what()) +
                        QStringLiteral(").\nIt will not be overwritten without asking."));
            return;
        }
    }

    Number1Vars->setText(QString::number(p.k));
    NumberFixedEffects->setText(QString::number(p.k1));
    Number2Vars->setText(QString::number(p.kw));
    Explanation->setLine(0, QStringLiteral("Give output filename to be written by TAVI"));
    Explanation->setLine(1, QStringLiteral("and the numbers of variables."));
    ProcessMessages();
}

}  // namespace tavi::ui
