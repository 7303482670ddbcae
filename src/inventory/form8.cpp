#include "inventory/form8.h"

#include "core/formats/inventory_file.h"
#include "core/storage/file_io.h"
#include "platform/accessibility.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/keyboard.h"
#include "platform/text_guard.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pos {

namespace {

const QString kTitle = QStringLiteral("Quick Inventory Manager");

// Design size of the client area, in twips.
constexpr int kClientWidth = 6135;
constexpr int kClientHeight = 3915;

} // namespace

Form8::Form8(Platform platform, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(kTitle);
    installDesignFontSubstitutes();
    installAltKeyGuard();
    // Seen by assistive technology as a window named by its caption.
    installAccessibleInterfaces();
    setFont(windowFont());
    buildControls();
    setTabOrder();
    Form_Load();
}

Form8::~Form8() = default;

void Form8::buildControls()
{
    const qreal dpi = logicalDpiX();
    setFixedSize(twipsToPixels(kClientWidth, dpi), twipsToPixels(kClientHeight, dpi));

    List1 = makeControl<ListBox>(this, "List1", 0, 120, 3735, 3765);
    List1->setSorted(true);
    Command3 = makeControl<QPushButton>(this, "Command3", QStringLiteral("Load Inventory File"), 3960, 120, 2055, 375);
    Command4 = makeControl<QPushButton>(this, "Command4", QStringLiteral("Remove Item"), 3960, 600, 2055, 375);
    Command2 = makeControl<QPushButton>(this, "Command2", QStringLiteral("Clear List"), 3960, 1080, 2055, 375);
    Command5 = makeControl<QPushButton>(this, "Command5", QStringLiteral("Save"), 3960, 1560, 2055, 375);

    Frame1 = makeFrame(this, "Frame1", QStringLiteral("Inventory Information"), 3840, 2400, 2295, 1455);
    Label1 = makeControl<QLabel>(Frame1, "Label1", QStringLiteral("Description"), 120, 240, 1575, 255);
    Text1 = makeControl<QLineEdit>(Frame1, "Text1", 120, 480, 2055, 285);
    captionBox(Label1, Text1);
    List1->setAccessibleName(QStringLiteral("Inventory"));
    keepStorable(Text1);
    Command7 = makeControl<QPushButton>(Frame1, "Command7", QStringLiteral("Clear"), 120, 840, 975, 375);
    Command1 = makeControl<QPushButton>(Frame1, "Command1", QStringLiteral("Add"), 1200, 840, 975, 375);

    connect(Command3, &QPushButton::clicked, this, &Form8::Command3_Click);
    connect(Command1, &QPushButton::clicked, this, &Form8::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &Form8::Command4_Click);
    connect(Command2, &QPushButton::clicked, this, &Form8::Command2_Click);
    connect(Command7, &QPushButton::clicked, this, &Form8::Command7_Click);
    connect(Command5, &QPushButton::clicked, this, &Form8::Command5_Click);
}

void Form8::setTabOrder()
{
    const QList<QWidget *> order{Text1, Command1, List1, Command3, Command4, Command7, Command2, Command5};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void Form8::Form_Load()
{
    // Nothing to show: the window opens with an empty list and an empty description box.
}

bool Form8::reportFailure(const WriteResult &result)
{
    if (result)
        return false;
    m_platform.messages.warning(this, kTitle, result.message);
    return true;
}

void Form8::Command3_Click()
{
    // A file that cannot be read, or is refused by its limits, lists nothing, so that Save
    // cannot write over it a list that was not loaded from it.
    const LimitedRead inventory = readInventoryFile();
    List1->setItems(inventory.fields);
    const QString failure = limitedReadMessage(kInventoryFile, inventory, kListFileLimits);
    if (!failure.isEmpty())
        m_platform.messages.warning(this, kTitle, failure);
}

void Form8::Command1_Click()
{
    // Stored even when empty or already listed. When the append fails the list stays as it
    // is, unsaved edits included.
    if (reportFailure(appendInventoryEntry(Text1->text())))
        return;
    Command3_Click();
}

void Form8::Command4_Click()
{
    const int row = List1->selectedRow();
    if (row < 0)
        return;
    List1->removeItem(row);
    // Nothing stays chosen, so that a second click removes nothing by surprise.
    List1->clearSelection();
    List1->setCurrentIndex({});
}

void Form8::Command2_Click()
{
    List1->clear();
}

void Form8::Command7_Click()
{
    Text1->clear();
}

void Form8::Command5_Click()
{
    // An empty first entry (an empty list included) leaves the file as it is: the window can
    // neither empty the file nor store an empty description through a save.
    if (List1->count() == 0 || List1->item(0).isEmpty())
        return;
    reportFailure(rewriteInventory(List1->items()));
}

} // namespace pos
