// The owner's windows reached from the main window's menus, and what they save reaching the
// other windows: rate and header lines at the next New Order, the return policy at the next
// Close Order, the font at the next showing of the preview, new descriptions at the next start.

#include "control_items.h"
#include "fake_platform.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "core/backup/backup.h"
#include "core/formats/shop_files.h"
#include "inventory/form8.h"
#include "platform/controls.h"
#include "receipt_preview/form3.h"
#include "sales_terminal/form1.h"
#include "settings/form2.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

struct Shop
{
    Shop()
    {
        dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
        dir.write("inventory.dat", "\"Widget\"\r\n");
        windows = std::make_unique<AppWindows>(fake.platform(), fake.journal);
        form = std::make_unique<Form1>(fake.platform(), *windows, fake.journal);
        windows->setMainWindow(form.get());
    }
    ~Shop()
    {
        form.reset(); // the secondary windows go with the main window
    }
    void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    WorkDir dir;
    FakePlatform fake;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<Form1> form;
};

} // namespace

class TestOwnerWindows : public QObject
{
    Q_OBJECT

private slots:
    void settingsReachOrders();
    void inventoryReachesNextStart();
    void windowsGoWithMainWindow();
    void backUpFromTheFileMenu();
};

void TestOwnerWindows::settingsReachOrders()
{
    Shop s;
    s.form->settings->trigger();
    Form2 *settings = s.windows->settingsWindow();
    QVERIFY(settings && settings->isVisible());
    QVERIFY(s.form->isEnabled()); // modeless: the counter stays usable

    settings->Combo4->setEditText("6.5");
    s.click(settings->Command10);
    settings->Text2->setText("Corner Shop");
    s.click(settings->Command12);
    s.click(settings->Command6);
    settings->Text1->setPlainText("No refunds.");
    s.click(settings->Command1);
    s.fake.dialogs.fontAnswers << FontChoice{"Courier New", true, false, 10};
    s.click(settings->Command8);
    s.click(settings->Command2);
    QVERIFY(s.fake.messages.warnings.isEmpty());

    // The open order keeps what it had; the next one takes the new rate and header.
    QCOMPARE(s.form->Combo4->currentText(), QStringLiteral("6"));
    s.click(s.form->Command3);
    QCOMPARE(s.form->Combo4->currentText(), QStringLiteral("6.5"));
    QCOMPARE(s.form->List1->item(0), QStringLiteral("Corner Shop"));

    s.form->txtQty1->setText("1");
    s.form->Price1->setText("10");
    s.click(s.form->Command1);
    s.click(s.form->Command2);
    QVERIFY(s.dir.read("reciept.txt").endsWith(" \r\n\"No refunds.\"\r\n\r\n"));
    Form3 *preview = s.windows->receiptPreview();
    QVERIFY(preview);
    QCOMPARE(preview->Text1->font().family(), QStringLiteral("Courier New"));
    QVERIFY(preview->Text1->font().bold());
    QCOMPARE(preview->Text1->font().pointSizeF(), 10.0);
    QCOMPARE(s.fake.printer.jobs.size(), 1);
}

void TestOwnerWindows::inventoryReachesNextStart()
{
    Shop s;
    s.form->inventory->trigger();
    QPointer<Form8> manager = s.windows->quickInventory();
    QVERIFY(manager && manager->isVisible());
    s.form->inventory->trigger(); // already open: unchanged
    QCOMPARE(s.windows->quickInventory(), manager.data());

    manager->Text1->setText("Crate");
    s.click(manager->Command1);
    QCOMPARE(manager->List1->items(), (QStringList{"Crate", "Widget"}));
    // The running main window's drop-down is filled at start-up only.
    QCOMPARE(comboItems(s.form->Description1), QStringList{"Widget"});
    Form1 next(s.fake.platform(), *s.windows, s.fake.journal);
    QCOMPARE(comboItems(next.Description1), (QStringList{"Widget", "Crate"}));
}

void TestOwnerWindows::windowsGoWithMainWindow()
{
    Shop s;
    s.form->settings->trigger();
    s.form->inventory->trigger();
    QPointer<Form2> settings = s.windows->settingsWindow();
    QPointer<Form8> manager = s.windows->quickInventory();
    QVERIFY(settings && manager);
    QVERIFY(settings->isWindow() && manager->isWindow());
    s.form.reset();
    QVERIFY(!settings);
    QVERIFY(!manager);
}

// File, Back Up... (before Exit) asks for the folder, keeps it, backs the shop up and says so;
// a cancelled dialog does nothing, and a folder inside the shop is refused and not kept.
void TestOwnerWindows::backUpFromTheFileMenu()
{
    Shop s;
    const QList<QAction *> items = s.form->file->actions();
    QCOMPARE(items.indexOf(s.form->backup) + 1, items.indexOf(s.form->exit));
    QCOMPARE(s.form->backup->text().remove(QLatin1Char('&')), QStringLiteral("Back Up..."));

    s.form->backup->trigger();
    QCOMPARE(s.fake.dialogs.folderStarts, QStringList{QString()});
    QVERIFY(!s.dir.exists(kBackupSettingsFile));
    QVERIFY(s.fake.messages.warnings.isEmpty());

    QVERIFY(QDir(s.dir.path()).mkdir(QStringLiteral("backups")));
    s.fake.dialogs.folderAnswers << s.dir.filePath(QStringLiteral("backups"));
    s.form->backup->trigger();
    QCOMPARE(s.fake.messages.warnings.size(), 1);
    QVERIFY2(s.fake.messages.warnings.constLast().text.contains(
                 QStringLiteral("it is the shop folder or a folder inside it")),
             qPrintable(s.fake.messages.warnings.constLast().text));
    QVERIFY(!s.dir.exists(kBackupSettingsFile));

    QTemporaryDir stick;
    s.fake.dialogs.folderAnswers << stick.path();
    s.form->backup->trigger();
    QCOMPARE(s.fake.messages.warnings.size(), 2);
    QVERIFY2(s.fake.messages.warnings.constLast().text.startsWith(QStringLiteral("The shop was backed up into")),
             qPrintable(s.fake.messages.warnings.constLast().text));
    QCOMPARE(QDir::fromNativeSeparators(backupFolderSetting()), stick.path());
    const QStringList made = completeBackups(stick.path());
    QCOMPARE(made.size(), 1);
    QVERIFY(checkBackup(made.constFirst()).whole);
    // The next time the dialog opens on the kept folder.
    s.form->backup->trigger();
    QCOMPARE(QDir::fromNativeSeparators(s.fake.dialogs.folderStarts.constLast()), stick.path());
}

QTEST_MAIN(TestOwnerWindows)
#include "test_owner_windows.moc"
