// The main window, through which the user enters a design step by step, and the program-wide
// state that the dialogue keeps: the design record, the file names and the four windows.
#pragma once

#include "files/DesignParameters.h"
#include "files/ValueSteps.h"
#include "ui/toolkit/Controls.h"
#include "ui/toolkit/FileOpenDialog.h"

#include <QWidget>

#include <optional>

namespace tavi::ui {

class TExistsForm;
class TFillForm;
class TAmountForm;
class TTaviForm;

// The design being entered; the start-up, the entry sequence and the amount form share it.
extern DesignParameters Design;

// File names: the parameter file as chosen, its name without
// directory, the directory of its absolute form with the final separator, the characters of
// its name before the first ".", the report and the covariance file.
extern QString ParFileName;
extern QString FileNamePart;
extern QString PathName;
extern QString BaseName;
extern QString OutFileName;
extern QString CovFileName;

// The four windows, created at start and kept to the end.
extern TTaviForm* TaviForm;
extern TExistsForm* ExistsForm;
extern TFillForm* FillForm;
extern TAmountForm* AmountForm;

class TTaviForm : public QWidget {
public:
    explicit TTaviForm(QWidget* parent = nullptr);

    // The parameter file named when the program was started: the start-up takes it as if it had
    // been chosen in FindInFileDialog, which then does not show.
    void setStartFile(const QString& name);

    // The start-up steps, on the first activation only: start-up values, the choice of the
    // parameter file, the names derived from it, its directory as the current one, and its
    // values as defaults when it exists.
    void FormActivate();

    // Read a count field into the design, keep the count within its bound and answer with the
    // prompt or a warning in the explanation area.
    void CheckNumber1Vars();
    void CheckNumberFixed();
    void CheckNumber2Vars();
    // Key presses in the count fields: Enter (code 13) runs the field's check.
    void EnterCheckNumberVars(QChar key);
    void EnterCheckNumberFixed(QChar key);
    void EnterCheckNumber2Vars(QChar key);

    // The parameter-entry sequence behind the OK button: the report and covariance file names,
    // the counts, every value step in the grid, the amount of output, and the final choice.
    void AskParameters();
    // Shows the OK button beside the chosen final choice.
    void PlaceOKButton();
    // The final choices: write the parameter file and run the calculation, whose results
    // window then takes this window's place; only write it; or write nothing. The last two
    // close the window, which ends the program.
    void Calculate();
    void SaveOnly();
    void NoAction();

    // The controls, named as the dialogue code knows them.
    TMemo* Explanation;
    TLabel* PathNameLabel;
    TEdit* PathNameEdit;
    TLabel* InFileLabel;
    TEdit* InNameEdit;
    TLabel* OutFileLabel;
    TEdit* OutNameEdit;
    TLabel* OutFileLabel2;
    TLabel* Nvar1Label;
    TEdit* Number1Vars;
    TLabel* NFixedLabel;
    TEdit* NumberFixedEffects;
    TLabel* NVar2Label;
    TEdit* Number2Vars;
    TBitBtn* BitBtn1;
    TLabel* ReadyLabel;
    TRadioGroup* FinalChoice;
    TBitBtn* FinalChoiceBitBtn0;
    TBitBtn* FinalChoiceBitBtn1;
    TBitBtn* FinalChoiceBitBtn2;
    TOpenDialog FindInFileDialog;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void fitToTexts();
    void bindHandlers();
    // Writes the normal prompt for the counts into the cleared explanation area.
    void promptForCounts();
    void clearExplanation(int first = 0, int last = kExplanationLines - 1);
    // The stages of AskParameters; each returns false where the sequence ends early.
    bool settleFileNames();
    bool settleCounts();
    void enterValues();
    void enterAmountOfOutput();
    void offerFinalChoice();
    // Whether the final choice may write the parameter file: one that existed but could not be
    // read is replaced only after the overwrite confirmation.
    bool mayReplaceParameterFile();
    // Writes the parameter file if it may be replaced; false when the user declined.
    bool writeParameters();

    std::optional<QString> m_startFile;
    bool m_started = false;
    bool m_parameterFileUnread = false;
    bool m_sequenceRunning = false;
    bool m_shown = false;
    int m_number1VarsRightMargin = 0;
};

}  // namespace tavi::ui
