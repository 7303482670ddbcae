#include "sales_terminal/form1.h"

#include "core/formats/codepage.h"
#include "core/formats/inventory_file.h"
#include "core/formats/layaway_file.h"
#include "core/formats/numbers.h"
#include "core/formats/settings_files.h"
#include "core/formats/shop_files.h"
#include "core/order/close_writes.h"
#include "core/order/order.h"
#include "core/order/terminal_messages.h"
#include "platform/accessibility.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/keyboard.h"
#include "platform/text_guard.h"
#include "platform/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <cmath>

namespace pos {

namespace {

const QString kCaption = QStringLiteral("Corvalane Point-Of-Sale - BETA");

} // namespace

Form1::Form1(Platform platform, OtherWindows &windows, Journal &journal, QWidget *parent)
    : QMainWindow(parent)
    , CommonDialog1(platform.dialogs, this)
    , m_platform(platform)
    , m_windows(windows)
    , m_journal(journal)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kCaption);
    installDesignFontSubstitutes();
    installAccessibleInterfaces();
    installAltKeyGuard();
    setFont(windowFont());
    m_default = new DefaultButton(this);
    buildControls();
    buildMenus();
    setTabOrder();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("clientArea"));
    setCentralWidget(area);
    const qreal dpi = area->logicalDpiX();
    area->setMinimumSize(twipsToPixels(6255, dpi), twipsToPixels(6705, dpi));

    Combo2 = makeDropDown(area, "Combo2", 120, 0, 2415, 420,
                          {QStringLiteral("Sale"), QStringLiteral("Return"), QStringLiteral("Credit")});
    QFont kindFont(QStringLiteral("MS Sans Serif"), 12);
    kindFont.setBold(true);
    Combo2->setFont(kindFont);
    Combo2->setEditText(QStringLiteral("Sale"));
    Text8 = makeControl<QLineEdit>(area, "Text8", 4800, 0, 1335, 375);

    List1 = makeControl<ListBox>(area, "List1", 120, 480, 6015, 3375);

    Label4 = makeControl<QLabel>(area, "Label4", QStringLiteral("Qty"), 120, 4080, 495, 255);
    Label5 = makeControl<QLabel>(area, "Label5", QStringLiteral("Description"), 720, 4080, 2655, 255);
    Label6 = makeControl<QLabel>(area, "Label6", QStringLiteral("Price"), 5040, 4080, 1095, 255);
    txtQty1 = makeControl<QLineEdit>(area, "txtQty1", 120, 4440, 495, 285);
    Description1 = makeDropDown(area, "Description1", 720, 4440, 4215, 315);
    Price1 = makeControl<QLineEdit>(area, "Price1", 5040, 4440, 1095, 285);

    Command3 = makeControl<QPushButton>(area, "Command3", QStringLiteral("New Order"), 2640, 4800, 1095, 375);
    Command2 = makeControl<QPushButton>(area, "Command2", QStringLiteral("Close Order"), 3720, 4800, 1215, 375);
    Command1 = makeControl<QPushButton>(area, "Command1", QStringLiteral("Enter"), 4920, 4800, 1215, 375);

    Frame2 = makeFrame(area, "Frame2", QStringLiteral("Payment Type"), 120, 5280, 2535, 1335);
    Check1 = makeControl<QCheckBox>(Frame2, "Check1", QStringLiteral("Cash"), 120, 240, 975, 255);
    Check2 = makeControl<QCheckBox>(Frame2, "Check2", QStringLiteral("Cheque"), 120, 480, 975, 255);
    Check3 = makeControl<QCheckBox>(Frame2, "Check3", QStringLiteral("Charge"), 120, 720, 975, 255);
    Check4 = makeControl<QCheckBox>(Frame2, "Check4", QStringLiteral("In-Store Credit"), 120, 960, 1455, 255);
    Text9 = makeControl<QLineEdit>(Frame2, "Text9", 1440, 240, 975, 285);
    Combo3 = makeDropDown(Frame2, "Combo3", 1440, 600, 975, 315,
                          {QStringLiteral("Visa"), QStringLiteral("MasterCard"), QStringLiteral("Discover"),
                           QStringLiteral("American Ex")});

    Frame1 = makeFrame(area, "Frame1", QStringLiteral("Tax"), 2760, 5280, 1335, 1335);
    Combo4 = makeDropDown(Frame1, "Combo4", 120, 240, 735, 315, offeredTaxRates());
    Label20 = makeControl<QLabel>(Frame1, "Label20", QStringLiteral("Exempt #"), 120, 600, 1095, 255);
    Text19 = makeControl<QLineEdit>(Frame1, "Text19", 120, 840, 1095, 285);

    Label1 = makeControl<QLabel>(area, "Label1", QStringLiteral("Subtotal"), 4200, 5280, 735, 255);
    Label2 = makeControl<QLabel>(area, "Label2", QStringLiteral("Tax"), 4200, 5520, 735, 255);
    Label3 = makeControl<QLabel>(area, "Label3", QStringLiteral("Total"), 4200, 5760, 735, 255);
    Label7 = makeControl<QLabel>(area, "Label7", QStringLiteral("Tendered"), 4200, 6000, 735, 255);
    Label8 = makeControl<QLabel>(area, "Label8", QStringLiteral("Change"), 4200, 6240, 735, 255);
    Text2 = makeControl<QLineEdit>(area, "Text2", 5040, 5280, 1095, 285);
    Text3 = makeControl<QLineEdit>(area, "Text3", 5040, 5520, 1095, 285);
    Text5 = makeControl<QLineEdit>(area, "Text5", 5040, 5760, 1095, 285);
    Text6 = makeControl<QLineEdit>(area, "Text6", 5040, 6000, 1095, 285);
    Text7 = makeControl<QLineEdit>(area, "Text7", 5040, 6240, 1095, 285);

    // Names for assistive technology: the captions beside the boxes, and names of their own
    // for the boxes that have none.
    nameControl(Combo2, QStringLiteral("Order kind"));
    nameControl(Text8, QStringLiteral("Salesperson"));
    nameControl(List1, QStringLiteral("Order"));
    captionBox(Label4, txtQty1);
    captionBox(Label5, Description1);
    captionBox(Label6, Price1);
    nameControl(Text9, QStringLiteral("Cheque number"));
    nameControl(Combo3, QStringLiteral("Card type"));
    nameControl(Combo4, QStringLiteral("Tax rate"));
    captionBox(Label20, Text19);
    captionBox(Label1, Text2);
    captionBox(Label2, Text3);
    captionBox(Label3, Text5);
    captionBox(Label7, Text6);
    captionBox(Label8, Text7);
    // Every box whose text reaches a file or the receipt holds only what the file can hold:
    // one line, in the code page.
    for (QLineEdit *box : {Text8, txtQty1, Price1, Text9, Text19, Text2, Text3, Text5, Text6, Text7})
        keepStorable(box);
    for (QComboBox *dropDown : {Combo2, Description1, Combo3, Combo4})
        keepStorable(dropDown);

    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Check2, &QCheckBox::clicked, this, &Form1::Check2_Click);
    connect(Check3, &QCheckBox::clicked, this, &Form1::Check3_Click);
    connect(Text6, &QLineEdit::textChanged, this, &Form1::Text6_Change);
    Text6->installEventFilter(this);
    txtQty1->installEventFilter(this);
    connect(txtQty1, &QLineEdit::textEdited, this, [this] { m_quantityLeft = false; });
    // The combo box keeps the focus and hands keys to its text box itself, so its own key
    // releases are the ones to watch.
    Combo3->installEventFilter(this);
}

void Form1::buildMenus()
{
    file = makeMenu(menuBar(), "file", QStringLiteral("File"));
    settings = makeMenuItem(file, "settings", QStringLiteral("Settings"));
    lne1 = makeMenuSeparator(file, "lne1");
    backup = makeMenuItem(file, "backup", QStringLiteral("Back Up..."));
    exit = makeMenuItem(file, "exit", QStringLiteral("Exit"));

    reports = makeMenu(menuBar(), "reports", QStringLiteral("Reports"));
    sales = makeMenuItem(reports, "sales", QStringLiteral("Sales"));
    // S opens it from the open menu: Alt+R, S.
    salessum = makeMenuItem(reports, "salessum", QStringLiteral("Sales &Summary"));

    manage = makeMenu(menuBar(), "manage", QStringLiteral("Manage"));
    inventory = makeMenuItem(manage, "inventory", QStringLiteral("Quick Inventory"));
    lne2 = makeMenuSeparator(manage, "lne2");
    invfile = makeMenuItem(manage, "invfile", QStringLiteral("Inventory File"));
    salesf = makeMenuItem(manage, "salesf", QStringLiteral("Sales File"));
    useAccessKeys(menuBar());

    connect(settings, &QAction::triggered, this, &Form1::settings_Click);
    connect(sales, &QAction::triggered, this, &Form1::sales_Click);
    connect(salessum, &QAction::triggered, this, &Form1::salessum_Click);
    connect(inventory, &QAction::triggered, this, &Form1::inventory_Click);
    connect(exit, &QAction::triggered, this, &Form1::exit_Click);
    connect(backup, &QAction::triggered, this, &Form1::backup_Click);
    connect(invfile, &QAction::triggered, this, &Form1::invfile_Click);
    connect(salesf, &QAction::triggered, this, &Form1::salesf_Click);
}

void Form1::setTabOrder()
{
    const QList<QWidget *> order{txtQty1, Description1, Price1, Command1, List1,  Command2, Text2,  Text3,
                                 Text5,   Command3,     Text6,  Text7,    Combo2, Text8,    Check1, Check2,
                                 Check3,  Combo3,       Text9,  Combo4,   Text19, Check4};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

QPushButton *Form1::defaultButton() const
{
    return m_default->current();
}

void Form1::Form_Load()
{
    move(0, 0);
    setWindowState(windowState() | Qt::WindowMaximized);
    // A refused item list leaves the drop-down empty, and the clerk is told why.
    const LimitedRead items = readInventoryFile();
    setDropDownItems(Description1, items.fields);
    if (items.refusal != Refusal::None)
        m_platform.messages.warning(this, kCaption, limitedReadMessage(kInventoryFile, items, kListFileLimits));
    Command3_Click();
}

void Form1::focusQuantity()
{
    // The "1" is selected, so that a typed quantity replaces it and Tab keeps it.
    txtQty1->setFocus();
    txtQty1->selectAll();
}

void Form1::leaveQuantity()
{
    txtQty1->setText(QStringLiteral("1"));
    m_quantityLeft = true;
}

void Form1::chooseLeftQuantity()
{
    // Back from another window, a dialog or the menus (which may have moved the caret or taken
    // the selection), the "1" left for the next line is chosen again, so that a typed quantity
    // replaces it rather than being put beside it ("2" making "12").
    if (m_quantityLeft)
        txtQty1->selectAll();
}

void Form1::changeEvent(QEvent *event)
{
    // The window made active again with the focus still in the quantity box: the box itself
    // may be told nothing (a dialog's close gives the window back its focus unchanged).
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && focusWidget() == txtQty1)
        chooseLeftQuantity();
    QMainWindow::changeEvent(event);
}

void Form1::Form_Unload()
{
    emit endProgram();
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form_Unload();
}

void Form1::exit_Click()
{
    emit endProgram();
}

void Form1::backup_Click()
{
    m_windows.backUp();
}

void Form1::openInEditor(const QString &fileName)
{
    if (!m_platform.editor.open(fileName)) {
        m_platform.messages.warning(this, kCaption,
                                    QStringLiteral("No text editor could be started to open \"%1\".").arg(fileName));
    }
}

void Form1::settings_Click()
{
    m_windows.showSettings();
}

void Form1::sales_Click()
{
    m_windows.showSalesReport();
}

void Form1::salessum_Click()
{
    m_windows.showSalesSummary();
}

void Form1::inventory_Click()
{
    m_windows.showQuickInventory();
}

void Form1::invfile_Click()
{
    openInEditor(kInventoryFile);
}

void Form1::salesf_Click()
{
    openInEditor(kJournalFile);
}

void Form1::Check2_Click()
{
    Text9->setFocus();
}

void Form1::Check3_Click()
{
    Combo3->setFocus();
}

void Form1::Command3_Click()
{
    // A layaway file is this order's only when this New Order reopens it.
    m_layawayFile.clear();
    m_closed = false;
    startOrder();
    // A cancelled or unreadable reopening leaves a fresh sale, started again under "Sale" so
    // that its header line and tax rate are a sale's.
    if (Combo2->currentText() == QLatin1String("Layaway Payment") && !reopenLayaway()) {
        Combo2->setEditText(QStringLiteral("Sale"));
        startOrder();
    }
    hideReceiptPreview();
    warnAboutSettings();
    // The order begins with its first quantity, as the keys reach it (the 1 chosen to be typed
    // over).
    focusQuantity();
}

void Form1::startOrder()
{
    // The header lines are shown as they can be stored (a hand-edited or damaged "Header.txt"
    // may hold line breaks, NUL or quotes inside a field), so that the receipt holds the order
    // list line for line and a reopened layaway shows them as they were.
    QStringList lines = readHeaderFile();
    for (QString &line : lines)
        line = storableText(line, BoxLines::Single);
    Combo4->setEditText(readTaxFile().sales);
    // Never the key of the journal's last record: the report would count the two sales once.
    dte = newReceiptHeaderLine(m_platform.clock.now(), Combo2->currentText(), Text8->text(),
                               lastJournalKeys(m_journal.path()));
    lines.append(dte);
    List1->setItems(lines);
    for (QLineEdit *box : {Text2, Text3, Text5, Text6, Text7, Text19})
        box->clear();
    subt = 0;
    m_default->release(Command2);
    Command1->setEnabled(true);
    m_default->set(Command1);
    Check1->setChecked(true);
    Check2->setChecked(false);
    Check3->setChecked(false);
    Check4->setChecked(false);
    Combo3->setCurrentIndex(-1);
    Combo3->clearEditText();
    Text9->clear();
    leaveQuantity();
}

bool Form1::reopenLayaway()
{
    Combo4->setEditText(QStringLiteral("0"));
    CommonDialog1.Filter = kLayawayFilter;
    CommonDialog1.FileName.clear();
    CommonDialog1.DialogTitle = QStringLiteral("Open");
    CommonDialog1.Flags = CommonDialog::cdlOFNFileMustExist | CommonDialog::cdlOFNPathMustExist
                          | CommonDialog::cdlOFNNoChangeDir | CommonDialog::cdlOFNHideReadOnly;
    if (!CommonDialog1.ShowOpen())
        return false;

    // Only a layaway is reopened, since its Close Order rewrites the file whole: never one of
    // the program's own files (whatever name was typed), never a file that does not begin with
    // a balance.
    const QString path = CommonDialog1.FileName;
    if (const QString own = programFileNamed(path); !own.isEmpty()) {
        m_platform.messages.warning(this, kCaption, layawayIsProgramFileMessage(path, own));
        return false;
    }
    if (const QString problem = m_journal.historyProblem(path); !problem.isEmpty()) {
        m_platform.messages.warning(this, kCaption, layawayNotInShopMessage(path, problem));
        return false;
    }
    const Layaway layaway = readLayaway(path);
    if (layaway.state != Layaway::Read) {
        m_platform.messages.warning(this, kCaption,
                                    layaway.state == Layaway::Unreadable ? layawayUnreadableMessage(path)
                                    : layaway.state == Layaway::Refused  ? layawayRefusedMessage(path, layaway.refusal)
                                                                         : layawayBalanceMessage(path));
        return false;
    }
    List1->setItems(reopenedLines(List1->items(), layaway.lines));
    m_layawayFile = path;
    subt = layaway.balance;
    refreshTotals();
    return true;
}

void Form1::warnAboutSettings()
{
    const QString warning = settingsWarning(taxRateState(), settingsFileState(kHeaderFile),
                                            settingsFileState(kReturnFile), settingsFileState(kFontFile));
    if (!warning.isEmpty())
        m_platform.messages.warning(this, kCaption, warning);
}

void Form1::Command1_Click()
{
    const double price = leadingNumber(Price1->text());
    const double quantity = leadingNumber(txtQty1->text());
    const double amount = quantity * price;
    // A line the totals could not show is refused whole: the order stays as it was, and the
    // entry row keeps what was typed so that the clerk can mend it.
    if (!std::isfinite(amount) || !totalsShowAmounts(orderTotals(subt + amount, Combo4->currentText()))) {
        m_platform.messages.warning(this, kCaption, lineTooLargeMessage());
        return;
    }
    List1->addItem(itemLine(txtQty1->text(), Description1->currentText(), Price1->text(), amount));
    List1->scrollToBottom();
    subt = subt + amount;
    refreshTotals();
}

void Form1::refreshTotals()
{
    const Totals totals = orderTotals(subt, Combo4->currentText());
    Text2->setText(totals.subtotal);
    Text3->setText(totals.tax);
    Text5->setText(totals.total);
    toal = totals.toal;

    txtQty1->clear();
    Price1->clear();
    Description1->setCurrentIndex(-1);
    Description1->clearEditText();
    leaveQuantity();
    focusQuantity();
    m_default->release(Command1);
}

void Form1::Text6_Change()
{
    // The Tendered box may hold money text ("$13.29" after a double-click, "$20" typed by a
    // clerk): it counts at its value.
    Text7->setText(numberText(moneyValue(Text6->text()) - toal));
    const double change = leadingNumber(Text7->text());
    if (change != 0) {
        QPalette palette = Text7->palette();
        palette.setColor(QPalette::Text, change < 0 ? QColor(128, 0, 0) : QColor(0, 0, 0));
        Text7->setPalette(palette);
    }
    Text7->setText(formatMoney(Text7->text()));
    m_default->release(Command1);
    m_default->set(Command2);
}

void Form1::Text6_DblClick()
{
    Text6->setText(Text5->text());
    Text7->setText(formatMoney(QStringLiteral("0")));
}

void Form1::Combo3_KeyUp(int key)
{
    if (key >= Qt::Key_F9 && key <= Qt::Key_F12)
        Combo3->setCurrentIndex(key - Qt::Key_F9);
    // Text typed by hand selects no entry; it is left as typed.
    if (Combo3->currentIndex() >= 0)
        Combo3->setEditText(Combo3->itemText(Combo3->currentIndex()));
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtQty1 && event->type() == QEvent::FocusIn)
        chooseLeftQuantity();
    if (watched == Text6 && event->type() == QEvent::MouseButtonDblClick) {
        Text6_DblClick();
        return true;
    }
    if (watched == Combo3 && event->type() == QEvent::KeyRelease) {
        Combo3_KeyUp(static_cast<QKeyEvent *>(event)->key());
        return false;
    }
    // F9 to F12 are the card type's own keys there, F10 included (elsewhere it reaches the
    // menu bar).
    if (watched == Combo3 && event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key >= Qt::Key_F9 && key <= Qt::Key_F12)
            event->accept();
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Command2_Click()
{
    // A repeated close of the same order (a double click, a second Return) prints its receipt
    // again and records nothing more: the sale is in the journal once, a layaway's file is made
    // once, a payment taken once, and an estimate is not turned into a recorded sale by the kind
    // box its first close set back to "Sale".
    CloseRecord record = closeRecordFor(Combo2->currentText());
    if (m_closed)
        record = CloseRecord::ReceiptOnly;
    const bool layaway = record == CloseRecord::Layaway || record == CloseRecord::LayawayPayment;
    // Refused before anything changes: the order stays open as it is.
    if (record == CloseRecord::LayawayPayment && m_layawayFile.isEmpty()) {
        m_platform.messages.warning(this, kCaption, noLayawayOpenMessage());
        return;
    }
    const double balance = layawayBalance(subt, leadingNumber(Combo4->currentText()), moneyValue(Text6->text()));
    if (layaway && !isPlainNumber(numberText(balance))) {
        m_platform.messages.warning(this, kCaption, balanceTooLargeMessage());
        return;
    }

    const Payment payment{Check1->isChecked(), Check2->isChecked(), Check3->isChecked(),
                          Check4->isChecked(), Text9->text(),       Combo3->currentText()};
    const OrderClose close{Text2->text(),  Text3->text(), Text5->text(), paymentDescription(payment),
                           Text19->text(), Text6->text(), Text7->text()};
    const int linesBefore = List1->count();
    const bool enterWasEnabled = Command1->isEnabled();
    for (const QString &line : closingLines(close))
        List1->addItem(line);
    List1->scrollToBottom();
    Command1->setEnabled(false);

    CloseWrites writes;
    writes.receipt = receiptBytes(List1->items(), readReturnFileRaw());
    switch (record) {
    case CloseRecord::ReceiptOnly:
        break;
    case CloseRecord::Journal:
        writes.records = CloseWrites::Sale{journalRecord(dte, close)};
        break;
    case CloseRecord::Layaway:
        writes.records = CloseWrites::NewLayaway{journalRecord(dte, close), layawayBytes(balance, List1->items()),
                                                 m_platform.clock.now(), Text8->text()};
        break;
    case CloseRecord::LayawayPayment:
        writes.records = CloseWrites::LayawayPayment{m_layawayFile, layawayBytes(balance, List1->items())};
        break;
    }
    const CloseOutcome outcome = writeClose(writes, m_journal);

    if (!outcome.notice.isEmpty())
        m_platform.messages.warning(this, kCaption, outcome.notice);
    switch (outcome.result) {
    case CloseOutcome::NothingWritten: {
        // The order goes back to how it was before this close, so that the clerk can close it
        // again once the cause is mended; nothing is printed for an unrecorded sale.
        QStringList lines = List1->items();
        lines.resize(linesBefore);
        List1->setItems(lines);
        Command1->setEnabled(enterWasEnabled);
        m_platform.messages.warning(this, kCaption, notClosedMessage(outcome, record));
        return;
    }
    case CloseOutcome::RecordedWithoutReceipt:
        m_platform.messages.warning(this, kCaption, recordedWithoutReceiptMessage(outcome));
        break;
    case CloseOutcome::Closed:
        showReceiptPreview();
        break;
    }
    // The layaway's file has its new balance: a later close is another order's.
    m_layawayFile.clear();
    m_closed = true;
    subt = 0;
    Combo2->setEditText(QStringLiteral("Sale"));
}

void Form1::showReceiptPreview()
{
    m_windows.showReceiptPreview();
}

void Form1::hideReceiptPreview()
{
    m_windows.hideReceiptPreview();
}

} // namespace pos
