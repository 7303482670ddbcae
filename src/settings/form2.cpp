#include "settings/form2.h"

#include "core/formats/settings_files.h"
#include "core/storage/file_io.h"
#include "platform/accessibility.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/keyboard.h"
#include "platform/text_guard.h"
#include "platform/twips.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace pos {

namespace {

const QString kTitle = QStringLiteral("Settings");

// Design size of the client area, in twips.
constexpr int kClientWidth = 8970;
constexpr int kClientHeight = 3450;

// Bold stated, so that the controls inside the bold-captioned frame do not take its weight.
QFont plainWindowFont()
{
    QFont font = windowFont();
    font.setBold(false);
    return font;
}

QFont boldCaptionFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}

// A label or frame filled with its group's colour.
void fill(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A raised button filled with the colour, sunk while pressed; the focus is a dotted line
// inside the edge.
QString colouredButtonStyle(const QColor &colour)
{
    const QString light = colour.lighter(150).name();
    const QString dark = colour.darker(200).name();
    return QStringLiteral("QPushButton { background-color: %1; border-width: 2px; border-style: solid;"
                          " border-color: %2 %3 %3 %2; padding: 1px; }"
                          " QPushButton:pressed { border-color: %3 %2 %2 %3; }"
                          " QPushButton:focus { outline: 1px dotted black; outline-offset: -4px; }")
        .arg(colour.name(), light, dark);
}

} // namespace

QColor Form2::taxColour()
{
    return {255, 128, 128};
}

QColor Form2::headerColour()
{
    return {128, 255, 128};
}

QColor Form2::returnColour()
{
    return {128, 255, 255};
}

QColor Form2::fontColour()
{
    return {255, 192, 128};
}

Form2::Form2(Platform platform, QWidget *parent)
    : QWidget(parent)
    , CommonDialog1(platform.dialogs, this)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(kTitle);
    installDesignFontSubstitutes();
    installAltKeyGuard();
    // Seen by assistive technology as a window named by its caption.
    installAccessibleInterfaces();
    setFont(plainWindowFont());
    buildControls();
    Form_Load();
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    const qreal dpi = logicalDpiX();
    setFixedSize(twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi));

    Label1 = makeControl<QLabel>(this, "Label1", QStringLiteral("Return Policy"), 0, 0, 1455, 255);
    // Tab moves on, as in the Windows box; no tab reaches the file.
    Text1 = makeControl<MultiLineBox>(this, "Text1", 0, 240, 7215, 1215);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    keepStorable(Text1);

    Command1 = makeControl<QPushButton>(this, "Command1", QStringLiteral("Save Return"), 7320, 240, 1575, 375);
    Command6 = makeControl<QPushButton>(this, "Command6", QStringLiteral("Save Header"), 7320, 600, 1575, 375);
    Command8 = makeControl<QPushButton>(this, "Command8", QStringLiteral("Set Font"), 7320, 960, 1575, 375);
    Command10 = makeControl<QPushButton>(this, "Command10", QStringLiteral("Set Tax"), 7320, 1320, 1575, 375);
    Command10->setToolTip(QStringLiteral("This sets your sales tax file."));
    Command11 = makeControl<WrappingButton>(this, "Command11", QStringLiteral("Display Current Settings"), 7320, 1800,
                                            1575, 615);
    Command2 = makeControl<QPushButton>(this, "Command2", QStringLiteral("Close"), 7320, 3000, 1575, 375);

    Frame2 = makeFrame(this, "Frame2", QStringLiteral("Tax Settings"), 0, 1560, 3495, 1215);
    Label3 = makeControl<QLabel>(Frame2, "Label3", QStringLiteral("Tax1 in %"), 120, 240, 735, 255);
    Combo4 = makeDropDown(Frame2, "Combo4", 1320, 120, 735, 315, offeredTaxRates());
    Combo4->setToolTip(QStringLiteral("Enter your sales tax rate you charge your customers."));
    Label5 = makeControl<QLabel>(Frame2, "Label5", QStringLiteral("Municipal Tax %"), 120, 480, 1215, 375);
    Combo1 = makeDropDown(Frame2, "Combo1", 1320, 480, 735, 315, offeredTaxRates());
    Combo1->setToolTip(QStringLiteral("Enter your local tax. Enter \"0\" for none."));
    Label6 = makeControl<QLabel>(Frame2, "Label6", QStringLiteral("State Tax %"), 120, 840, 1215, 255);
    Combo2 = makeDropDown(Frame2, "Combo2", 1320, 840, 735, 315, offeredTaxRates());
    Combo2->setToolTip(QStringLiteral("Enter your state tax. Enter \"0\" for none."));
    for (QComboBox *rate : {Combo4, Combo1, Combo2})
        keepStorable(rate);

    Label2 = makeControl<QLabel>(this, "Label2", QStringLiteral("Receipt Header Info"), 3600, 1560, 1815, 255);
    List2 = makeControl<ListBox>(this, "List2", 3600, 1800, 3615, 1035);
    Command12 = makeControl<QPushButton>(this, "Command12", QStringLiteral("Add Line"), 3600, 2880, 1095, 255);
    Command13 = makeControl<QPushButton>(this, "Command13", QStringLiteral("Clear"), 4680, 2880, 1095, 255);
    Label8 = makeControl<QLabel>(this, "Label8", 6840, 2880, 375, 255);
    Text2 = makeControl<QLineEdit>(this, "Text2", 3600, 3120, 3615, 285);
    captionBox(Label1, Text1);
    captionBox(Label2, List2);
    Text2->setAccessibleName(QStringLiteral("Next header line"));
    captionBox(Label3, Combo4);
    captionBox(Label5, Combo1);
    captionBox(Label6, Combo2);
    keepStorable(Text2);

    // Bold captions. The frame's font would pass to the controls inside it, which keep the
    // window's font.
    for (QWidget *caption :
         {static_cast<QWidget *>(Label1), static_cast<QWidget *>(Label2), static_cast<QWidget *>(Frame2)})
        caption->setFont(boldCaptionFont());
    for (QWidget *inside : Frame2->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        inside->setFont(plainWindowFont());

    // Colour groups. The frame's fill would pass to the drop-downs inside it, which keep the
    // system colours.
    fill(Frame2, taxColour());
    for (QLabel *label : {Label3, Label5, Label6})
        fill(label, taxColour());
    for (QComboBox *rate : {Combo4, Combo1, Combo2}) {
        QPalette palette = rate->palette();
        palette.setColor(QPalette::Window, QApplication::palette(rate).color(QPalette::Window));
        rate->setPalette(palette);
    }
    fill(Label2, headerColour());
    fill(Label1, returnColour());

    // The coloured buttons are filled with their colour whatever the desktop's style (some
    // styles draw every button alike), raised, and sunk while pressed.
    const QList<QPair<QPushButton *, QColor>> coloured{
        {Command10, taxColour()}, {Command6, headerColour()}, {Command1, returnColour()}, {Command8, fontColour()}};
    for (const auto &[button, colour] : coloured)
        button->setStyleSheet(colouredButtonStyle(colour));

    // Long captions wrap, as in the tall "Municipal Tax %" label.
    for (QLabel *label : findChildren<QLabel *>())
        label->setWordWrap(true);

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command6, &QPushButton::clicked, this, &Form2::Command6_Click);
    connect(Command8, &QPushButton::clicked, this, &Form2::Command8_Click);
    connect(Command10, &QPushButton::clicked, this, &Form2::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &Form2::Command11_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(Command12, &QPushButton::clicked, this, &Form2::Command12_Click);
    connect(Command13, &QPushButton::clicked, this, &Form2::Command13_Click);
    // A line chosen by mouse or by the arrow keys; the focus arriving in the list chooses none.
    connect(List2->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Form2::List2_Click);
}

void Form2::Form_Load()
{
    // A file that is there but cannot be read leaves its controls empty, and the owner is told
    // (a missing file is a setting not saved yet).
    for (const QString &file : {kReturnFile, kTaxFile, kHeaderFile}) {
        const QString failure = settingsFileMessage(file);
        if (!failure.isEmpty())
            m_platform.messages.warning(this, kTitle, failure);
    }

    // Without the file's own quotes, so that an unedited save changes no byte.
    setBoxText(Text1, returnPolicyText(readReturnFileRaw()));

    const TaxRates rates = readTaxFile();
    Combo4->setEditText(rates.sales);
    Combo1->setEditText(rates.municipal);
    Combo2->setEditText(rates.state);

    // Added after the lines already listed.
    const QStringList lines = readHeaderFile();
    if (!lines.isEmpty())
        List2->setItems(List2->items() + lines);
}

void Form2::reportFailure(const WriteResult &result)
{
    if (!result)
        m_platform.messages.warning(this, kTitle, result.message);
}

void Form2::Command1_Click()
{
    reportFailure(writeReturnFile(boxText(Text1)));
}

void Form2::Command6_Click()
{
    reportFailure(writeHeaderFile(List2->items()));
}

void Form2::Command8_Click()
{
    CommonDialog1.Flags = 3; // screen and printer fonts, no effects
    if (!CommonDialog1.ShowFont())
        return;
    reportFailure(writeFontFile(
        {CommonDialog1.FontName, CommonDialog1.FontBold, CommonDialog1.FontItalic, CommonDialog1.FontSize}));
}

void Form2::Command10_Click()
{
    reportFailure(writeTaxFile({Combo4->currentText(), Combo1->currentText(), Combo2->currentText()}));
}

void Form2::Command11_Click()
{
    Form_Load();
}

void Form2::Command2_Click()
{
    hide();
}

void Form2::Command12_Click()
{
    List2->addItem(Text2->text());
    List2->scrollToBottom();
    // The box empties for the next line.
    Text2->clear();
    Text2->setFocus();
}

void Form2::Command13_Click()
{
    List2->clear();
}

void Form2::List2_Click()
{
    const int row = List2->selectedRow();
    if (row >= 0)
        Label8->setText(QString::number(row));
}

} // namespace pos
