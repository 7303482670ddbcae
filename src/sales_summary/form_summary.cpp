#include "sales_summary/form_summary.h"

#include "core/formats/settings_files.h"
#include "core/formats/shop_files.h"
#include "core/journal/journal.h"
#include "platform/accessibility.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/keyboard.h"
#include "platform/twips.h"
#include "sales_summary/summary_table.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace pos {

namespace {

const QString kTitle = QStringLiteral("Sales Summary");
const QString kHistoryFilter = QStringLiteral("Text Files (*.txt)|*.txt");
const QString kCsvFilter = QStringLiteral("CSV Files (*.csv)|*.csv");
const QString kDateFormat = QStringLiteral("MM-dd-yyyy");

// Design size of the client area, in twips.
constexpr int kClientWidth = 12000;
constexpr int kClientHeight = 7260;

// The printout's font: fixed pitch, small enough for the thirteen columns on a page's width.
QFont printoutFont()
{
    QFont font(QStringLiteral("Courier New"), 6);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

} // namespace

FormSummary::FormSummary(Platform platform, Journal &journal, QWidget *parent)
    : QWidget(parent)
    , CommonDialog1(platform.dialogs, this)
    , CommonDialog2(platform.dialogs, this)
    , m_platform(platform)
    , m_journal(journal)
{
    setObjectName(QStringLiteral("FormSummary"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    installDesignFontSubstitutes();
    installAltKeyGuard();
    installAccessibleInterfaces();
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    CommonDialog1.Filter = kHistoryFilter;
    CommonDialog1.Flags = CommonDialog::cdlOFNFileMustExist | CommonDialog::cdlOFNHideReadOnly;
    CommonDialog2.Filter = kCsvFilter;
    CommonDialog2.DialogTitle = QStringLiteral("Save CSV");
    CommonDialog2.Flags = CommonDialog::cdlOFNPathMustExist | CommonDialog::cdlOFNHideReadOnly;
    buildControls();
    const qreal dpi = logicalDpiX();
    resize(twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi));
    Form_Load();
}

FormSummary::~FormSummary() = default;

void FormSummary::buildControls()
{
    Label1 = makeControl<QLabel>(this, "Label1", QStringLiteral("Period"), 120, 150, 900, 255);
    Combo1 = makeControl<QComboBox>(this, "Combo1", 1020, 90, 1300, 315);
    Combo1->addItems({QStringLiteral("Day"), QStringLiteral("Week"), QStringLiteral("Month"), QStringLiteral("Year")});
    Label2 = makeControl<QLabel>(this, "Label2", QStringLiteral("Rows by"), 2520, 150, 800, 255);
    Combo2 = makeControl<QComboBox>(this, "Combo2", 3330, 90, 1500, 315);
    Combo2->addItems(
        {QStringLiteral("Period"), QStringLiteral("Salesperson"), QStringLiteral("Kind"), QStringLiteral("Payment")});
    Label3 = makeControl<QLabel>(this, "Label3", QStringLiteral("From"), 5040, 150, 600, 255);
    Text1 = makeControl<QDateEdit>(this, "Text1", 5640, 90, 1500, 315);
    Label4 = makeControl<QLabel>(this, "Label4", QStringLiteral("To"), 7320, 150, 400, 255);
    Text2 = makeControl<QDateEdit>(this, "Text2", 7720, 90, 1500, 315);
    for (QDateEdit *box : {Text1, Text2}) {
        box->setDisplayFormat(kDateFormat);
        box->setDateRange(QDate(1900, 1, 1), QDate(2199, 12, 31));
    }
    Command1 = makeControl<QPushButton>(this, "Command1", QStringLiteral("Add History"), 9960, 60, 1920, 375);
    Label5 = makeControl<QLabel>(this, "Label5", QStringLiteral("Sources"), 120, 570, 900, 255);
    List1 = makeControl<ListBox>(this, "List1", 1020, 540, 10860, 615);
    Grid1 = makeControl<QTableView>(this, "Grid1", 120, 1260, 11760, 5280);
    Label6 = makeControl<QLabel>(this, "Label6", QString(), 120, 6720, 7560, 375);
    Command2 = makeControl<QPushButton>(this, "Command2", QStringLiteral("Save CSV"), 7920, 6690, 1920, 375);
    Command3 = makeControl<QPushButton>(this, "Command3", QStringLiteral("Print"), 9960, 6690, 1920, 375);

    m_table = new SummaryTable(this);
    Grid1->setModel(m_table);
    Grid1->setItemDelegateForColumn(SummaryTable::kBarColumn, new BarDelegate(Grid1));
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table for the next control; the arrows move within it.
    Grid1->setTabKeyNavigation(false);
    Grid1->verticalHeader()->hide();
    // Columns fit the rows shown first, not the whole of ten thousand days.
    Grid1->horizontalHeader()->setResizeContentsPrecision(100);
    Grid1->setAccessibleName(QStringLiteral("Sales Summary rows"));
    Label6->setAccessibleName(QStringLiteral("Last action"));

    captionBox(Label1, Combo1);
    captionBox(Label2, Combo2);
    captionBox(Label3, Text1);
    captionBox(Label4, Text2);
    captionBox(Label5, List1);
    const QList<QWidget *> order{Combo1, Combo2, Text1, Text2, Command1, List1, Grid1, Command2, Command3};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));

    connect(Combo1, &QComboBox::currentIndexChanged, this, &FormSummary::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &FormSummary::Combo2_Click);
    connect(Text1, &QDateEdit::dateChanged, this, &FormSummary::Text1_Change);
    connect(Text2, &QDateEdit::dateChanged, this, &FormSummary::Text2_Change);
    connect(Command1, &QPushButton::clicked, this, &FormSummary::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FormSummary::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FormSummary::Command3_Click);
}

void FormSummary::Form_Load()
{
    addSource(m_journal.path(), false);
    showWholeSpan();
}

void FormSummary::addSource(const QString &path, bool history)
{
    const SummarySource &source = m_summary.addFile(path, history);
    const QString shown = QDir::toNativeSeparators(path);
    List1->addItem(QStringLiteral("%1 \"%2\": %3 sales")
                       .arg(history ? QStringLiteral("History") : QStringLiteral("Journal"), shown)
                       .arg(source.sales));
    if (source.state == FileState::Unreadable)
        m_platform.messages.warning(this, kTitle,
                                    QStringLiteral("Could not read \"%1\": it is not a readable file. Nothing "
                                                   "was counted from it.")
                                        .arg(shown));
    else if (source.state == FileState::Missing && history)
        m_platform.messages.warning(
            this, kTitle,
            QStringLiteral("Could not read \"%1\": there is no such file. Nothing was counted from it.").arg(shown));
    else if (!source.outOfStep.isEmpty())
        m_platform.messages.warning(this, kTitle, source.outOfStep);
}

void FormSummary::showWholeSpan()
{
    m_settingRange = true;
    const QDate today = m_platform.clock.now().date();
    Text1->setDate(m_summary.firstDay().isValid() ? m_summary.firstDay() : today);
    Text2->setDate(m_summary.lastDay().isValid() ? m_summary.lastDay() : today);
    m_settingRange = false;
    refresh();
}

SummaryQuery FormSummary::query() const
{
    SummaryQuery q;
    q.period = SummaryPeriod(std::max(0, Combo1->currentIndex()));
    q.by = SummaryRowsBy(std::max(0, Combo2->currentIndex()));
    // With no dated sale the range is the day's, and the sums are all undated: nothing to limit.
    if (m_summary.firstDay().isValid()) {
        q.from = Text1->date();
        q.to = Text2->date();
    }
    return q;
}

void FormSummary::refresh()
{
    if (m_settingRange)
        return;
    const SummaryQuery q = query();
    m_table->setRows(m_summary.rows(q), q.by);
    Grid1->resizeColumnsToContents();
}

void FormSummary::Combo1_Click()
{
    refresh();
}

void FormSummary::Combo2_Click()
{
    // The period is what the rows are made of only when the rows are periods.
    Combo1->setEnabled(Combo2->currentIndex() == int(SummaryRowsBy::Period));
    refresh();
}

void FormSummary::Text1_Change()
{
    refresh();
}

void FormSummary::Text2_Change()
{
    refresh();
}

void FormSummary::Command1_Click()
{
    if (!CommonDialog1.ShowOpen() || CommonDialog1.FileName.isEmpty())
        return;
    // A range that covered every sale goes on covering every sale, the history's included.
    const bool whole = !m_summary.firstDay().isValid()
                       || (Text1->date() <= m_summary.firstDay() && Text2->date() >= m_summary.lastDay());
    addSource(CommonDialog1.FileName, true);
    if (whole)
        showWholeSpan();
    else
        refresh();
}

void FormSummary::Command2_Click()
{
    if (!CommonDialog2.ShowOpen() || CommonDialog2.FileName.isEmpty())
        return;
    QString path = CommonDialog2.FileName;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    const QString shown = QDir::toNativeSeparators(path);
    // Never over the journal or another of the program's own files.
    if (const QString own = programFileNamed(path); !own.isEmpty()) {
        Label6->setText(QStringLiteral("The summary was not saved."));
        m_platform.messages.warning(this, kTitle,
                                    QStringLiteral("\"%1\" is the program's own file \"%2\": the summary was not "
                                                   "saved. Choose another name.")
                                        .arg(shown, own));
        return;
    }
    const WriteResult result = writeSummaryCsv(path, m_table->rows(), m_table->rowsBy());
    if (!result) {
        Label6->setText(QStringLiteral("The summary was not saved."));
        m_platform.messages.warning(this, kTitle, result.message);
        return;
    }
    Label6->setText(QStringLiteral("Saved to \"%1\".").arg(shown));
}

void FormSummary::Command3_Click()
{
    const QString failure = settingsFileMessage(kHeaderFile);
    if (!failure.isEmpty())
        m_platform.messages.warning(this, kTitle, failure);
    const SummaryQuery q = query();
    const QString range = q.from.isValid() ? summaryRangeText(q.from, q.to) : QStringLiteral("No dated sales");
    const QString text = summaryPrintout(readHeaderFile(), range, m_table->rows(), m_table->rowsBy());
    const PrintResult result = m_platform.printer.printText(printoutFont(), text);
    if (!result) {
        Label6->setText(QStringLiteral("The summary was not printed."));
        m_platform.messages.warning(this, kTitle, result.message);
        return;
    }
    Label6->setText(QStringLiteral("Printed."));
}

} // namespace pos
