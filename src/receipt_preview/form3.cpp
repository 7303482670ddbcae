#include "receipt_preview/form3.h"

#include "core/formats/codepage.h"
#include "core/formats/settings_files.h"
#include "core/storage/file_io.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/keyboard.h"
#include "platform/twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QHideEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QTextDocument>

#include <cmath>

namespace pos {

namespace {

const QString kTitle = QStringLiteral("Receipt Preview");

// Design sizes, in twips.
constexpr int kClientWidth = 7830;
constexpr int kClientHeight = 6195;
constexpr int kBoxWidth = 7815;
constexpr int kBoxHeight = 6135;
// What the box leaves of the window's outer size: borders, caption and menu bar.
constexpr int kWidthMargin = 135;
constexpr int kHeightMargin = 720;

} // namespace

Form3::Form3(Platform platform, QWidget *parent)
    : QMainWindow(parent)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    installDesignFontSubstitutes();
    installAltKeyGuard();

    auto *client = new QWidget(this);
    setCentralWidget(client);

    Text1 = new MultiLineBox(client);
    Text1->setAccessibleName(QStringLiteral("Receipt"));
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setFont(designedFont());
    placeInTwips(Text1, 0, 0, kBoxWidth, kBoxHeight);

    prnt = menuBar()->addAction(QStringLiteral("Print"));
    prnt->setObjectName(QStringLiteral("prnt"));
    connect(prnt, &QAction::triggered, this, &Form3::prnt_Click);

    // The client area below the menu bar has the design size.
    const qreal dpi = logicalDpiX();
    resize(twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi) + menuBar()->sizeHint().height());
}

QFont Form3::designedFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(6);
    font.setBold(true);
    return font;
}

void Form3::showReceipt()
{
    show();
    raise();
    activateWindow();
    Form_Activate();
}

bool Form3::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return handled;
}

void Form3::Form_Activate()
{
    if (p == 1)
        return;

    const std::optional<QByteArray> bytes = readRawFile(kReceiptFile);
    m_loadedText = bytes ? fromAnsi(*bytes) : QString();
    setBoxText(Text1, m_loadedText);
    m_loadedRaw = Text1->document()->toRawText();
    Text1->setFont(receiptFont());

    // Marked before printing: a failure message takes the activation away and gives it back
    // when dismissed, and that must not print (and fail) all over again.
    p = 1;

    if (!bytes) {
        m_platform.messages.warning(
            this, kTitle, QStringLiteral("There is no receipt to print: \"%1\" could not be read.").arg(kReceiptFile));
        return;
    }
    prnt_Click();
}

QFont Form3::receiptFont() const
{
    const std::optional<ReceiptFont> stored = readFontFile();
    if (!stored || !(stored->pointSize > 0) || !std::isfinite(stored->pointSize) || !fontAvailable(stored->name))
        return designedFont();

    QFont font(stored->name);
    font.setBold(stored->bold);
    font.setItalic(stored->italic);
    // A size no receipt prints legibly in keeps the designed size; name and style still apply.
    font.setPointSizeF(legibleReceiptSize(stored->pointSize) ? stored->pointSize : designedFont().pointSizeF());
    return font;
}

void Form3::prnt_Click()
{
    const QFont boxFont = Text1->font();
    QFont font(boxFont.family());
    font.setBold(boxFont.bold());
    font.setItalic(boxFont.italic());
    font.setPointSizeF(boxFont.pointSizeF());

    const PrintResult result = m_platform.printer.printText(font, textToPrint() + QStringLiteral("\r\n"));
    if (!result)
        m_platform.messages.warning(this, kTitle, result.message);
}

QString Form3::textToPrint() const
{
    const QString raw = Text1->document()->toRawText();
    if (raw == m_loadedRaw)
        return m_loadedText;

    QString text;
    text.reserve(raw.size() + raw.size() / 16);
    for (const QChar c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            text += QStringLiteral("\r\n");
        else
            text += c;
    }
    return text;
}

void Form3::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form3::Form_Resize()
{
    const qreal dpi = logicalDpiX();
    const QRect outer = frameGeometry();
    const int width = outer.width() - twipsToPixels(kWidthMargin, dpi);
    const int height = outer.height() - twipsToPixels(kHeightMargin, dpi);
    if (width < 0 || height < 0)
        return; // minimised or smaller than the margins: the box keeps its size
    Text1->resize(width, height);
}

void Form3::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    // Minimising hides the window spontaneously; only a hide by the program (New Order, or
    // closing) means the next showing is a new receipt.
    if (!event->spontaneous())
        p = 0;
}

void Form3::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QMainWindow::closeEvent(event);
}

void Form3::Form_Unload()
{
    p = 0;
}

} // namespace pos
