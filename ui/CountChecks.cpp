// The three count checks of the main window: each reads its field into the design, keeps the
// count within its bound, and answers in the explanation area with the prompt or a warning.

#include "files/NumberText.h"
#include "ui/Tavifm.h"
#include "ui/toolkit/Application.h"

namespace tavi::ui {

namespace {

// The field's decimal integer, leading blanks allowed, nothing after the digits; 0 for any
// other text, which stays in the field as typed.
std::int32_t countIn(const TEdit* field) {
    QString text = field->text();
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' ')) {
        ++start;
    }
    std::int32_t value = 0;
    return parseInteger(text.mid(start).toStdString(), value) ? value : 0;
}

// Reads a count that may not be negative; a negative one becomes 0 and the field shows it.
std::int32_t nonNegativeCountIn(TEdit* field) {
    const std::int32_t count = countIn(field);
    if (count < 0) {
        field->setText(QStringLiteral("0"));
        return 0;
    }
    return count;
}

// The lines of the warnings about the capacity restriction, from line 3 on.
void writeRestriction(TMemo* explanation) {
    explanation->setLine(3, QStringLiteral("by the restriction "));
    explanation->setLine(4, QStringLiteral("k1 + (k-k1+1)*(kw+1) <= dimmax"));
    explanation->setLine(5, QStringLiteral("where k = # level-1 vars.,"));
    explanation->setLine(6, QStringLiteral("where k1 = # level-1 vars. with fixed effects,"));
    explanation->setLine(7, QStringLiteral("where kw = # level-2 vars.,"));
    explanation->setLine(8, QStringLiteral("dimmax = ") + QString::number(dimmax) +
                                QStringLiteral(" is a constant in the program."));
}

}  // namespace

void TTaviForm::clearExplanation(int first, int last) {
    for (int i = first; i <= last; ++i) {
        Explanation->setLine(i, QString());
    }
}

void TTaviForm::promptForCounts() {
    clearExplanation();
    Explanation->setLine(0, QStringLiteral("Give output filename to be written by TAVI"));
    Explanation->setLine(1, QStringLiteral("and the numbers of variables."));
}

void TTaviForm::CheckNumber1Vars() {
    std::int32_t& k = Design.k;
    k = nonNegativeCountIn(Number1Vars);
    if (k > largestLevel1Count()) {
        k = largestLevel1Count();
        Number1Vars->setText(QString::number(k));
        clearExplanation();
        Explanation->setLine(0, QStringLiteral("warning: "));
        Explanation->setLine(2, QStringLiteral("number of level-1 variables is bounded"));
        writeRestriction(Explanation);
    } else {
        promptForCounts();
    }
    ProcessMessages();
}

void TTaviForm::CheckNumberFixed() {
    CheckNumber1Vars();
    std::int32_t& k1 = Design.k1;
    k1 = nonNegativeCountIn(NumberFixedEffects);
    if (k1 > Design.k) {
        k1 = Design.k;
        NumberFixedEffects->setText(QString::number(k1));
        clearExplanation();
        Explanation->setLine(0, QStringLiteral("warning: "));
        Explanation->setLine(2, QStringLiteral("number of variables with fixed effects"));
        Explanation->setLine(3, QStringLiteral("cannot be larger than number level-1 variables."));
    } else {
        promptForCounts();
    }
    ProcessMessages();
}

void TTaviForm::CheckNumber2Vars() {
    CheckNumber1Vars();
    std::int32_t& kw = Design.kw;
    kw = nonNegativeCountIn(Number2Vars);
    if (kw > largestLevel2Count(Design.k)) {
        kw = largestLevel2Count(Design.k);
        Number2Vars->setText(QString::number(kw));
        clearExplanation();
        Explanation->setLine(0, QStringLiteral("warning: "));
        Explanation->setLine(2, QStringLiteral("number of level-2 variables is bounded"));
        writeRestriction(Explanation);
    } else {
        promptForCounts();
    }
    ProcessMessages();
}

void TTaviForm::EnterCheckNumberVars(QChar key) {
    if (key == QChar(13)) {
        CheckNumber1Vars();
    }
}

void TTaviForm::EnterCheckNumberFixed(QChar key) {
    if (key == QChar(13)) {
        CheckNumberFixed();
    }
}

void TTaviForm::EnterCheckNumber2Vars(QChar key) {
    if (key == QChar(13)) {
        CheckNumber2Vars();
    }
}

}  // namespace tavi::ui
