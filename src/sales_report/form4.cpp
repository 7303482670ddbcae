#include "sales_report/form4.h"

#include "core/formats/journal_record.h"
#include "core/formats/numbers.h"
#include "core/formats/settings_files.h"
#include "core/formats/shop_files.h"
#include "core/journal/journal.h"
#include "core/report/report.h"
#include "core/storage/file_io.h"
#include "platform/accessibility.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/keyboard.h"
#include "platform/twips.h"
#include "sales_report/entry_list.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace pos {

namespace {

const QString kTitle = QStringLiteral("Sales Report");
const QString kFirstFilter = QStringLiteral("Text Files (*.txt)|*.txt");
const QString kCutoffFilter = QStringLiteral("Text File (*.txt)|*.txt");

// Design size of the client area, in twips.
constexpr int kClientWidth = 8025;
constexpr int kClientHeight = 5400;

QFont titleFont(const QFont &base)
{
    QFont font = base;
    font.setPointSizeF(13.5);
    font.setBold(true);
    return font;
}

// A box given a text by the program shows its start, as a text box does.
void showText(QLineEdit *box, const QString &text)
{
    box->setText(text);
    box->setCursorPosition(0);
}

QFont boldFont(const QFont &base)
{
    QFont font = base;
    font.setBold(true);
    return font;
}

} // namespace

Form4::Form4(Platform platform, Journal &journal, QWidget *parent)
    : QWidget(parent)
    , CommonDialog1(platform.dialogs, this)
    , m_platform(platform)
    , m_journal(journal)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    installDesignFontSubstitutes();
    installAltKeyGuard();
    // Seen by assistive technology as a window named by its caption.
    installAccessibleInterfaces();
    setFont(windowFont());
    CommonDialog1.Filter = kFirstFilter;
    buildControls();
    const qreal dpi = logicalDpiX();
    resize(twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi));
    Form_Load();
}

Form4::~Form4() = default;

QString Form4::saleDescription(int row) const
{
    return QStringLiteral("Sale %1 of %2: Gross Sales %3, Sales Tax %4, Net Sales %5")
        .arg(row + 1)
        .arg(List1->count())
        .arg(List1->item(row), List2->item(row), List3->item(row));
}

void Form4::buildControls()
{
    const QFont titles = titleFont(font());
    Label3 = makeControl<QLabel>(this, "Label3", QStringLiteral("Gross Sales"), 120, 0, 1935, 375);
    Label1 = makeControl<QLabel>(this, "Label1", QStringLiteral("Net Sales"), 2160, 0, 1815, 375);
    Label2 = makeControl<QLabel>(this, "Label2", QStringLiteral("Sales Tax"), 4200, 0, 1815, 375);
    for (QLabel *title : {Label3, Label1, Label2})
        title->setFont(titles);

    List1 = makeControl<EntryList>(this, "List1", 120, 480, 1935, 2985);
    List3 = makeControl<EntryList>(this, "List3", 2160, 480, 1815, 2985);
    List2 = makeControl<EntryList>(this, "List2", 4080, 480, 2055, 2985);
    Text1 = makeControl<QLineEdit>(this, "Text1", 120, 3480, 1935, 375);
    Text3 = makeControl<QLineEdit>(this, "Text3", 2160, 3480, 1815, 375);
    Text2 = makeControl<QLineEdit>(this, "Text2", 4080, 3480, 2055, 375);

    Command2 = makeControl<QPushButton>(this, "Command2", QStringLiteral("Set Cutoff"), 6240, 480, 1695, 375);
    Command3 = makeControl<QPushButton>(this, "Command3", QStringLiteral("Open History"), 6240, 960, 1695, 375);
    Command5 = makeControl<QPushButton>(this, "Command5", QStringLiteral("Add Histories"), 6240, 1440, 1695, 375);
    Command4 = makeControl<QPushButton>(this, "Command4", QStringLiteral("Manage Sales"), 6240, 1920, 1695, 375);
    Command6 = makeControl<QPushButton>(this, "Command6", QStringLiteral("Print"), 6240, 2400, 1695, 375);

    // The row labels size to their captions; the design gives their place only.
    Label4 = makeControl<QLabel>(this, "Label4", QStringLiteral("Tax Rate in %"), 120, 3960, 1515, 255);
    Text4 = makeControl<QLineEdit>(this, "Text4", 1680, 3960, 495, 285);
    Text7 = makeControl<QLineEdit>(this, "Text7", 2280, 3960, 2295, 285);
    Label5 = makeControl<QLabel>(this, "Label5", QStringLiteral("State Tax %"), 120, 4320, 1515, 255);
    Text5 = makeControl<QLineEdit>(this, "Text5", 1680, 4320, 495, 285);
    Text8 = makeControl<QLineEdit>(this, "Text8", 2280, 4320, 2295, 285);
    Label6 = makeControl<QLabel>(this, "Label6", QStringLiteral("Municipal Tax %"), 120, 4680, 1515, 255);
    Text6 = makeControl<QLineEdit>(this, "Text6", 1680, 4680, 495, 285);
    Text9 = makeControl<QLineEdit>(this, "Text9", 2280, 4680, 2295, 285);
    Label9 = makeControl<QLabel>(this, "Label9", QStringLiteral("Non Tax Sales"), 120, 5040, 1515, 255);
    Label10 = makeControl<QLabel>(this, "Label10", QStringLiteral("0%"), 1680, 5040, 495, 255);
    Text12 = makeControl<QLineEdit>(this, "Text12", 2280, 5040, 2295, 285);

    Command1 = makeControl<WrappingButton>(this, "Command1", QStringLiteral("Calculate Tax"), 4680, 3960, 1455, 975);
    Command1->setFont(titles);
    Label7 = makeControl<QLabel>(this, "Label7", QStringLiteral("Calculated tax"), 6240, 3840, 1695, 240);
    Text10 = makeControl<QLineEdit>(this, "Text10", 6240, 4080, 1695, 285);
    Label8 = makeControl<QLabel>(this, "Label8", QStringLiteral("Discrepency"), 6240, 4440, 1695, 240);
    Text11 = makeControl<QLineEdit>(this, "Text11", 6240, 4680, 1695, 285);
    captionBox(Label3, List1);
    captionBox(Label1, List3);
    captionBox(Label2, List2);
    // A row read out alone tells its sale: the report keeps no receipt header line (that would
    // cost a million of them), so its place and its three amounts.
    for (EntryList *list : {List1, List3, List2})
        list->entryModel()->setRowDescription([this](int row) { return saleDescription(row); });
    Text1->setAccessibleName(QStringLiteral("Gross Sales total"));
    Text3->setAccessibleName(QStringLiteral("Net Sales total"));
    Text2->setAccessibleName(QStringLiteral("Sales Tax total"));
    captionBox(Label4, Text4);
    Text7->setAccessibleName(QStringLiteral("Tax collected"));
    captionBox(Label5, Text5);
    Text8->setAccessibleName(QStringLiteral("State share"));
    captionBox(Label6, Text6);
    Text9->setAccessibleName(QStringLiteral("Municipal share"));
    captionBox(Label9, Text12);
    captionBox(Label7, Text10);
    captionBox(Label8, Text11);
    Text10->setFont(boldFont(font()));
    Text11->setFont(boldFont(font()));

    for (QLineEdit *total : {Text1, Text2, Text3})
        total->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &Form4::Command5_Click);
    connect(Command4, &QPushButton::clicked, this, &Form4::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &Form4::Command6_Click);
}

bool Form4::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == Text1)
            Text1_DblClick();
        else if (watched == Text2)
            Text2_DblClick();
        else if (watched == Text3)
            Text3_DblClick();
    }
    // The box goes on with its own double-click (selecting a word).
    return QWidget::eventFilter(watched, event);
}

void Form4::Form_Load()
{
    // A journal that is there but cannot be read shows as an empty report, and the owner is
    // told; a missing one is a shop with no sales yet.
    const QString failure = readFailureMessage(m_journal.path());
    if (!failure.isEmpty())
        m_platform.messages.warning(this, kTitle, failure);
    ReportColumns columns;
    UntaxedSales untaxed{leadingNumber(Text12->text()), false};
    QString outOfStep;
    {
        JournalReader journal(m_journal.path());
        loadJournal(journal, columns, untaxed);
        outOfStep = outOfStepMessage(m_journal.path(), journal);
    }
    if (untaxed.any)
        showText(Text12, numberText(untaxed.value));
    showColumns(columns, false);
    showTaxRates();
    Text1_DblClick();
    Text2_DblClick();
    Text3_DblClick();
    Command1_Click();
    if (!outOfStep.isEmpty())
        m_platform.messages.warning(this, kTitle, outOfStep);
}

void Form4::showColumns(ReportColumns &columns, bool append)
{
    if (append) {
        List1->entryModel()->append(columns.gross);
        List2->entryModel()->append(columns.tax);
        List3->entryModel()->append(columns.net);
    } else {
        List1->entryModel()->setColumn(std::move(columns.gross));
        List2->entryModel()->setColumn(std::move(columns.tax));
        List3->entryModel()->setColumn(std::move(columns.net));
    }
}

void Form4::showTaxRates()
{
    const QString failure = settingsFileMessage(kTaxFile);
    if (!failure.isEmpty())
        m_platform.messages.warning(this, kTitle, failure);
    const TaxRates rates = readTaxFile();
    showText(Text4, rates.sales);
    showText(Text6, rates.municipal);
    showText(Text5, rates.state);
}

void Form4::Text1_DblClick()
{
    showText(Text1, columnTotalText(List1->column()));
}

void Form4::Text2_DblClick()
{
    showText(Text2, columnTotalText(List2->column()));
}

void Form4::Text3_DblClick()
{
    showText(Text3, columnTotalText(List3->column()));
}

void Form4::Command1_Click()
{
    const TaxReconciliation result =
        reconcileTax({Text1->text(), Text2->text(), Text4->text(), Text5->text(), Text6->text()});
    showText(Text7, result.collected);
    showText(Text8, result.stateShare);
    showText(Text9, result.municipalShare);
    showText(Text10, result.calculated);
    if (!result.discrepancy)
        return;
    showText(Text11, *result.discrepancy);
    if (result.red) {
        // Once red, the box stays red while the window is open.
        QPalette palette = Text11->palette();
        palette.setColor(QPalette::Text, QColor(255, 0, 0));
        Text11->setPalette(palette);
    }
}

void Form4::Command2_Click()
{
    CommonDialog1.Filter = kCutoffFilter;
    if (!CommonDialog1.ShowOpen())
        return;
    const QString history = CommonDialog1.FileName;

    // The period never goes into one of the program's own files (under any name), whose next
    // write would destroy it, nor outside the shop folder.
    if (const QString problem = m_journal.historyProblem(history); !problem.isEmpty()) {
        m_platform.messages.warning(this, kTitle,
                                    QStringLiteral("\"%1\" cannot take the period: %2. A history must go to a "
                                                   "file of its own in the shop folder. Nothing was changed.")
                                        .arg(QDir::toNativeSeparators(history), problem));
        return;
    }

    // An earlier period is replaced only when the owner says so.
    const QFileInfo existing(history);
    if (existing.isFile() && existing.size() > 0) {
        const QString question = QStringLiteral("\"%1\" already holds sales. Replace its content with the journal "
                                                "\"%2\"?")
                                     .arg(QDir::toNativeSeparators(history), m_journal.path());
        if (!m_platform.messages.question(this, kTitle, question))
            return;
    }
    const JournalOutcome outcome = m_journal.cutOff(history);
    for (const QString &text : {outcome.notice, outcome.result.message}) {
        if (!text.isEmpty())
            m_platform.messages.warning(this, kTitle, text);
    }
}

void Form4::Command3_Click()
{
    List1->entryModel()->clear();
    List2->entryModel()->clear();
    List3->entryModel()->clear();
    addHistory();
}

void Form4::Command5_Click()
{
    addHistory();
}

void Form4::addHistory()
{
    if (!CommonDialog1.ShowOpen() || CommonDialog1.FileName.isEmpty())
        return;
    const QString path = CommonDialog1.FileName;
    ReportColumns columns;
    FileState state = FileState::Read;
    QString outOfStep;
    {
        JournalReader history(path);
        loadHistory(history, columns);
        state = history.state();
        outOfStep = outOfStepMessage(path, history);
    }
    showColumns(columns, true);
    showTaxRates();
    if (state != FileState::Read)
        m_platform.messages.warning(
            this, kTitle,
            QStringLiteral("Could not read \"%1\": %2 Nothing was listed from it.")
                .arg(QDir::toNativeSeparators(path), state == FileState::Missing
                                                         ? QStringLiteral("there is no such file.")
                                                         : QStringLiteral("it is not a readable file.")));
    else if (!outOfStep.isEmpty())
        m_platform.messages.warning(this, kTitle, outOfStep);
}

void Form4::Command4_Click()
{
    if (!m_platform.editor.open(m_journal.path(), EditorWindow::Maximized))
        m_platform.messages.warning(
            this, kTitle, QStringLiteral("No text editor could be started to open \"%1\".").arg(m_journal.path()));
}

void Form4::Command6_Click()
{
    const PrintResult result = m_platform.printer.printImage(grab().toImage());
    if (!result)
        m_platform.messages.warning(this, kTitle, result.message);
}

} // namespace pos
