#include "ui/FillUnit.h"

#include "files/TypedNumbers.h"
#include "ui/toolkit/Guard.h"
#include "ui/toolkit/Placement.h"

#include <QLocale>

#include <algorithm>

namespace tavi::ui {

tavi::Matrix FillMatrix{};
bool FillError = false;

namespace {

// The grid window is laid out at 120 pixels per inch.
const Placement& fillFormPlacement() {
    static const Placement placement(120);
    return placement;
}

}  // namespace

QString realToCellText(double value) {
    // TextToReal reads "." and "," only; any other separator would make the cell no number.
    const char separator = QLocale::system().decimalPoint() == QStringLiteral(",") ? ',' : '.';
    return QString::fromStdString(realToText(value, separator));
}

TFillForm::TFillForm(QWidget* parent) : TModalForm(parent) {
    setObjectName(QStringLiteral("FillForm"));
    setWindowTitle(QStringLiteral("Parameter Input"));
    const Placement& place = fillFormPlacement();
    place.place(this, 329, 161, 565, 481);
    m_designWidth = width();
    QPalette olive = palette();
    olive.setColor(QPalette::Window, QColor(128, 128, 0));
    setPalette(olive);
    setAutoFillBackground(true);
    setFont(place.font(QStringLiteral("MS Sans Serif"), 14));

    StringGrid1 = new TStringGrid(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    place.place(StringGrid1, 84, 20, 163, 278);
    StringGrid1->setColCount(2);
    StringGrid1->setRowCount(2);
    StringGrid1->setDefaultColWidth(place.scaled(48));
    StringGrid1->setDefaultRowHeight(place.scaled(24));
    StringGrid1->setScrollBars(false);

    QFont bold = place.font(QStringLiteral("MS Sans Serif"), 17);
    bold.setBold(true);
    const auto heading = [this, &place, &bold](const char* name, const char* caption, int left,
                                               int top) {
        auto* label = new TLabel(QString::fromLatin1(caption), this);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(bold);
        label->move(place.scaled(left), place.scaled(top));
        return label;
    };
    FillFormLabel = heading("FillFormLabel", "Fill in the means of the level-1 variables", 20, 326);
    FillFormLabel2 = heading("FillFormLabel2", "xxx", 30, 366);
    FillFormMessage = new TLabel(QString(), this);
    FillFormMessage->setObjectName(QStringLiteral("FillFormMessage"));
    FillFormMessage->move(place.scaled(20), place.scaled(416));
    // Dark red on a pale box of its own: on the olive window the red would be hard to read.
    QPalette message = FillFormMessage->palette();
    message.setColor(QPalette::WindowText, QColor(0x8b, 0x00, 0x00));
    message.setColor(QPalette::Window, QColor(0xff, 0xf8, 0xe1));
    FillFormMessage->setPalette(message);
    FillFormMessage->setAutoFillBackground(true);
    FillFormMessage->setContentsMargins(4, 2, 4, 2);

    BitBtn2 = new TBitBtn(QStringLiteral("OK"), TBitBtn::Glyph::Check, this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    place.place(BitBtn2, 433, 366, 93, 30);
    BitBtn2->setToolTip(QStringLiteral("click OK when everything is filled out properly"));
    setTabOrder(StringGrid1, BitBtn2);
    bindHandler(BitBtn2, &TBitBtn::clicked, this, &TFillForm::ReadValues);
    // A symmetric matrix shows above its diagonal what is typed below it.
    connect(StringGrid1, &TStringGrid::cellChanged, this, [this](int row, int column) {
        if (LowerTriangle && column < row) {
            StringGrid1->setCells(row, column, StringGrid1->Cells(column, row));
        }
    });
}

void TFillForm::showEvent(QShowEvent* event) {
    const Placement& place = fillFormPlacement();
    resize(widthToFit({FillFormLabel, FillFormLabel2, FillFormMessage, StringGrid1},
                      place.scaled(20), m_designWidth),
           height());
    // The caller sizes the grid to all its cells; a grid too large for the room above the
    // headings, or for the screen, is cut to it, and its scroll bars reach the cells beyond.
    const QSize room(width() - place.scaled(20) - StringGrid1->x(),
                     FillFormLabel->y() - place.scaled(10) - StringGrid1->y());
    if (StringGrid1->width() > room.width() || StringGrid1->height() > room.height()) {
        StringGrid1->setScrollBars(true);
        StringGrid1->resize(StringGrid1->size().boundedTo(room));
    }
    // An empty message would show as a speck of its box.
    FillFormMessage->setVisible(!FillFormMessage->text().isEmpty());
    TModalForm::showEvent(event);
    StringGrid1->setCurrentCell(m_badCell.isValid() ? m_badCell.row() : 0,
                                m_badCell.isValid() ? m_badCell.column() : 0);
    m_badCell = {};
    StringGrid1->setFocus();
}

void TFillForm::ReadValues() {
    FillError = false;
    m_badCell = {};
    QString message;
    // FillMatrix holds dimmax rows and columns; cells beyond them have nowhere to go.
    const int rows = std::min(StringGrid1->RowCount(), dimmax);
    const int columns = std::min(StringGrid1->ColCount(), dimmax);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= columns; ++c) {
            const QString text = StringGrid1->Cells(c - 1, r - 1);
            double value = 0.0;
            if (TextToReal(text.toStdString(), value)) {
                FillMatrix(r, c) = value;
            } else {
                FillMatrix(r, c) = 0.0;
                if (!(LowerTriangle && c > r) && !FillError) {
                    FillError = true;
                    m_badCell = StringGrid1->model()->index(r - 1, c - 1);
                    message = QStringLiteral("Not a number: \"") + text +
                              QStringLiteral("\" in row ") + StringGrid1->rowHeading(r - 1) +
                              QStringLiteral(", column ") + StringGrid1->columnHeading(c - 1);
                }
            }
        }
    }
    FillFormMessage->setText(message);
    ValuesRead = true;
    Close();
}

}  // namespace tavi::ui
