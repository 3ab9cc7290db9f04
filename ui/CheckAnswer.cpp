#include "ui/CheckAnswer.h"

#include "ui/toolkit/Guard.h"
#include "ui/toolkit/Placement.h"

namespace tavi::ui {

namespace {

// The confirmation is laid out at 96 pixels per inch.
const Placement& existsFormPlacement() {
    static const Placement placement(96);
    return placement;
}

TLabel* label(QWidget* form, const char* name, const char* caption, const QFont& font, int left,
              int top) {
    const Placement& place = existsFormPlacement();
    auto* text = new TLabel(QString::fromLatin1(caption), form);
    text->setObjectName(QString::fromLatin1(name));
    text->setFont(font);
    text->move(place.scaled(left), place.scaled(top));
    return text;
}

TBitBtn* button(QWidget* form, const char* name, const char* caption, TBitBtn::Glyph glyph,
                int left, int top) {
    auto* pushButton = new TBitBtn(QString::fromLatin1(caption), glyph, form);
    pushButton->setObjectName(QString::fromLatin1(name));
    existsFormPlacement().place(pushButton, left, top, 75, 25);
    return pushButton;
}

}  // namespace

TExistsForm::TExistsForm(QWidget* parent) : TModalForm(parent) {
    setObjectName(QStringLiteral("ExistsForm"));
    setWindowTitle(QStringLiteral("File exists"));
    // The title bar offers the system menu and the close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const Placement& place = existsFormPlacement();
    place.place(this, 192, 107, 470, 198);
    m_designWidth = width();
    const QFont normal = place.font(QStringLiteral("MS Sans Serif"), 13);
    setFont(normal);

    QFont bold = normal;
    bold.setBold(true);
    QFont boldItalic = bold;
    boldItalic.setItalic(true);
    QFont note = place.font(QStringLiteral("Times New Roman"), 13);
    note.setStyleHint(QFont::Serif);
    note.setItalic(true);

    Warnlabel1 = label(this, "Warnlabel1", "Warning:", boldItalic, 40, 24);
    Label1 =
        label(this, "Label1", "Do you wish to continue and overwrite this file?", bold, 56, 64);
    OKButton = button(this, "OKButton", "OK", TBitBtn::Glyph::Check, 288, 104);
    CancelButton = button(this, "CancelButton", "Cancel", TBitBtn::Glyph::Cross, 56, 104);
    Label2 = label(this, "Label2", "(Specify a new output filename)", note, 24, 136);
    Label3 = label(this, "Label3", "(Overwrite this existing file)", note, 248, 136);
    setTabOrder(OKButton, CancelButton);

    bindHandler(OKButton, &TBitBtn::clicked, this, &TExistsForm::Continue);
    bindHandler(CancelButton, &TBitBtn::clicked, this, &TExistsForm::Return);
}

void TExistsForm::Continue() {
    setModalResult(mrOK);
}

void TExistsForm::Return() {
    setModalResult(mrCancel);
}

void TExistsForm::showEvent(QShowEvent* event) {
    // A long file name widens the window so that the caption shows whole; a short one gives the
    // window its designed width back.
    resize(widthToFit({Warnlabel1, Label1, Label3}, Label2->x(), m_designWidth), height());
    TModalForm::showEvent(event);
    CancelButton->setFocus();
}

}  // namespace tavi::ui
