// Hostile and odd input through the real windows: quotes, commas, line breaks and tabs inside
// texts, a field of 100,000 characters, NUL and binary bytes, letters inside and outside the
// code page, numbers beyond the range of a double, "NaN", "inf", "&HFFFFFFFFF", empty and blank
// fields, pasted into every box whose text reaches a file; and data files of a million lines,
// of binary bytes and with odd fonts. Each action runs to its end, and what the files hold
// reads back, through the program's own readers and windows, exactly as the window showed it,
// or the user is told why nothing was stored.

#include "control_items.h"
#include "fake_platform.h"
#include "sample_sale.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "core/formats/codepage.h"
#include "core/formats/file_limits.h"
#include "core/formats/inventory_file.h"
#include "core/formats/journal_record.h"
#include "core/formats/layaway_file.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"
#include "core/formats/settings_files.h"
#include "core/order/order.h"
#include "core/report/report.h"
#include "inventory/form8.h"
#include "platform/controls.h"
#include "platform/text_guard.h"
#include "receipt_preview/form3.h"
#include "sales_report/entry_list.h"
#include "sales_report/form4.h"
#include "sales_terminal/form1.h"
#include "settings/form2.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <utility>

#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

struct Hostile
{
    const char *name;
    QString text;
};

QString longText()
{
    QString text = QStringLiteral("Long field, ").repeated(100000 / 12 + 1);
    text.truncate(100000);
    return text;
}

QList<Hostile> hostileValues()
{
    const QChar nul(0);
    return {
        {"double quotes", QStringLiteral("12\" pipe \"x\" \"\"")},
        {"commas", QStringLiteral(",a,b,,c,")},
        {"CR, LF and tabs", QStringLiteral("one\rtwo\nthree\r\nfour\tfive")},
        {"100,000 characters", longText()},
        {"100,000 digits", QString(100000, QLatin1Char('9'))},
        {"NUL and binary", QString(QStringLiteral("a")) + nul + QStringLiteral("b") + QChar(1) + QChar(0x1B)
                               + QChar(0x7F) + QChar(0x81) + QChar(0x9D) + QChar(0xFF) + QChar(0xFFFE) + nul},
        {"code page letters",
         QString::fromUtf8("\xc3\xa9\xe2\x82\xac \xe2\x80\x9cok\xe2\x80\x9d \xe2\x80\x93 Caf\xc3\xa9")},
        {"outside the code page", QString::fromUtf8("\xe6\xbc\xa2\xe5\xad\x97 \xf0\x9f\x98\x80 \xc4\x80")},
        {"1e400", QStringLiteral("1e400")},
        {"-1e400", QStringLiteral("-1e400")},
        {"1.8e308", QStringLiteral("1.8e308")},
        {"1e308", QStringLiteral("1e308")},
        {"NaN", QStringLiteral("NaN")},
        {"inf", QStringLiteral("inf")},
        {"&HFFFFFFFFF", QStringLiteral("&HFFFFFFFFF")},
        {"empty", QString()},
        {"blanks", QStringLiteral("   ")},
        {"tabs only", QStringLiteral("\t\t")},
    };
}

// The text goes into the box as a clerk's paste would put it: the way line breaks, NUL and
// characters no keyboard types reach a box.
void paste(QWidget *box, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    if (auto *combo = qobject_cast<QComboBox *>(box))
        box = combo->lineEdit();
    if (auto *line = qobject_cast<QLineEdit *>(box)) {
        line->selectAll();
        line->paste();
    } else if (auto *multi = qobject_cast<QPlainTextEdit *>(box)) {
        multi->selectAll();
        // Nothing to paste: the text is deleted instead.
        if (text.isEmpty())
            multi->textCursor().removeSelectedText();
        else
            multi->paste();
    } else {
        QFAIL("not a text box");
    }
}

// What a box shows once the text is pasted in: the text mended to what its file can hold (see
// storableText), up to a line box's 32,767 characters; a multi-line box's line breaks as LF.
QString mended(QWidget *box, const QString &text)
{
    if (qobject_cast<QPlainTextEdit *>(box)) {
        QString multi = storableText(text, BoxLines::Multi);
        multi.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        multi.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        return multi;
    }
    return storableText(text, BoxLines::Single).left(32767);
}

QString shownText(QWidget *box)
{
    if (auto *combo = qobject_cast<QComboBox *>(box))
        return combo->currentText();
    if (auto *line = qobject_cast<QLineEdit *>(box))
        return line->text();
    if (auto *multi = qobject_cast<QPlainTextEdit *>(box))
        return boxText(multi);
    return {};
}

// A text the windows can show exactly as its file holds it: in the code page, and no control
// character but those a multi-line box keeps.
bool storable(const QString &text, BoxLines lines)
{
    return storableText(text, lines) == text;
}

QStringList fieldsOf(const QByteArray &bytes)
{
    return FieldReader(bytes).readAll();
}

void click(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList warningTexts(const FakePlatform &fake)
{
    QStringList texts;
    for (const Message &message : fake.messages.warnings)
        texts << message.text;
    return texts;
}

// The text after a closing line's label, from the last such line of the order list.
QString closingValue(const QStringList &lines, const QString &label)
{
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (lines.at(i).startsWith(label))
            return lines.at(i).mid(label.size());
    return QStringLiteral("<no %1 line>").arg(label.trimmed());
}

const QByteArray kHeader = "\"Corvalane Hardware\"\r\n";
const QByteArray kTax = "\"6\",\"1\",\"5\"\r\n";
const QByteArray kReturn = "\"Returns within 30 days.\"\r\n";

// The settings a shop has saved.
void writeSettings(const WorkDir &dir)
{
    dir.write("Header.txt", kHeader);
    dir.write("tax.txt", kTax);
    dir.write("return.txt", kReturn);
}

// One row for each box and hostile value.
void addBoxRows(const QStringList &boxes)
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("value");
    for (const QString &box : boxes)
        for (const Hostile &value : hostileValues())
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(box, value.name))) << box << value.text;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void terminalBoxes_data();
    void terminalBoxes();
    void settingsBoxes_data();
    void settingsBoxes();
    void inventoryBox_data();
    void inventoryBox();
    void oddFilesAtTheCounter_data();
    void oddFilesAtTheCounter();
    void millionLineInventory();
    void filesBeyondTheLimits_data();
    void filesBeyondTheLimits();
    void binaryJournal();
    void millionRecordJournal();
    void receiptFonts_data();
    void receiptFonts();
    void refusedDialogNames_data();
    void refusedDialogNames();
};

void TestHostileInput::initTestCase()
{
    // Pasting is how the tests put text into boxes.
    QGuiApplication::clipboard()->setText(QStringLiteral("a\nb"));
    if (QGuiApplication::clipboard()->text() != QLatin1String("a\nb"))
        QSKIP("this platform has no clipboard to paste from");
}

// Every box of the main window whose text reaches a file, with each hostile value, through a
// layaway (which stores every line of the order) or, for the kind, a sale: the receipt, the
// journal record and the layaway file read back as the window showed the order, and the layaway
// reopens showing the same lines.
void TestHostileInput::terminalBoxes_data()
{
    addBoxRows(
        {"Combo2", "Text8", "txtQty1", "Description1", "Price1", "Combo4", "Text9", "Combo3", "Text19", "Text6"});
}

void TestHostileInput::terminalBoxes()
{
    QFETCH(QString, box);
    QFETCH(QString, value);

    WorkDir dir;
    writeSettings(dir);
    FakePlatform fake;
    AppWindows windows(fake.platform(), fake.journal);
    Form1 form(fake.platform(), windows, fake.journal);
    windows.setMainWindow(&form);
    QVERIFY(fake.messages.warnings.isEmpty());
    auto *target = form.findChild<QWidget *>(box);
    QVERIFY(target);
    auto put = [&](QWidget *control, const QString &usual) {
        if (control == target) {
            paste(control, value);
            QCOMPARE(shownText(control), mended(control, value));
        } else
            paste(control, usual);
    };

    put(form.Combo2, QStringLiteral("Layaway"));
    put(form.Text8, QStringLiteral("Ann"));
    click(form.Command3);
    put(form.txtQty1, QStringLiteral("2"));
    put(form.Description1, QStringLiteral("Widget"));
    put(form.Price1, QStringLiteral("4.50"));
    put(form.Combo4, QStringLiteral("6"));
    click(form.Command1);
    form.Check2->setChecked(target == form.Text9);
    form.Check3->setChecked(target == form.Combo3);
    put(form.Text9, QString());
    put(form.Combo3, QString());
    put(form.Text19, QString());
    put(form.Text6, QStringLiteral("5"));
    const QString kind = form.Combo2->currentText();
    fake.clock.time = fake.clock.time.addSecs(60);
    click(form.Command2);

    // Every box shows only what its file can hold.
    for (QWidget *control : QList<QWidget *>{form.Combo2, form.Text8, form.txtQty1, form.Description1, form.Price1,
                                             form.Combo4, form.Text9, form.Combo3, form.Text19, form.Text6})
        QVERIFY2(storable(shownText(control), BoxLines::Single), qPrintable(control->objectName()));

    const QStringList shown = form.List1->items();
    const QStringList layaways = QDir(dir.path()).entryList({"*.lwy"}, QDir::Files);
    if (!dir.exists("reciept.txt")) {
        // Not closed: the clerk is told, and nothing was recorded.
        QVERIFY2(!fake.messages.warnings.isEmpty(), "the order was not closed and nobody was told");
        QVERIFY(!dir.exists("sales.txt"));
        QVERIFY(layaways.isEmpty());
        return;
    }
    QCOMPARE(fake.messages.warnings.size() > 0,
             warningTexts(fake).join('\n').contains(QLatin1String("This line was not added")));

    // The receipt: the order list line by line, then the return policy as stored.
    const QByteArray receipt = dir.read("reciept.txt");
    QCOMPARE(fromAnsi(receipt), shown.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n \r\n \r\n \r\n")
                                    + fromAnsi(kReturn) + QStringLiteral("\r\n"));

    // The journal record: the receipt header line and the closing amounts as the list shows them.
    const QStringList journal = fieldsOf(dir.read("sales.txt"));
    const QStringList expected{shown.at(1), closingValue(shown, QStringLiteral("Subtotal        ")),
                               closingValue(shown, QStringLiteral("Tax SD6%        ")),
                               closingValue(shown, QStringLiteral("Total           ")),
                               closingValue(shown, QStringLiteral("Payment Type    "))};
    QCOMPARE(journal, expected);
    QCOMPARE(shown.at(1), form.dte);

    // The preview printed the receipt as the file holds it, and the sales report lists the sale
    // with the amounts shown.
    QVERIFY(windows.receiptPreview());
    QCOMPARE(fake.printer.jobs.size(), 1);
    QCOMPARE(toAnsi(fake.printer.jobs[0].text), receipt + "\r\n");
    {
        Form4 report(fake.platform(), fake.journal);
        const bool taxed = moneyCents(toAnsi(expected.at(2))) != 0;
        QCOMPARE(report.List1->count(), taxed ? 1 : 0);
        if (taxed)
            QCOMPARE((QStringList{report.List1->item(0), report.List2->item(0), report.List3->item(0)}),
                     (QStringList{formatTwoDecimals(expected.at(1)), formatTwoDecimals(expected.at(2)),
                                  formatTwoDecimals(expected.at(3))}));
        else
            QCOMPARE(report.Text12->text(), numberText(leadingNumber(formatTwoDecimals(expected.at(1)))));
    }

    if (closeRecordFor(kind) != CloseRecord::Layaway) {
        QVERIFY(layaways.isEmpty());
        return;
    }
    // The layaway file: in the folder, its name 14 digits first, and every line as shown.
    QCOMPARE(layaways.size(), 1);
    const QString name = layaways.first();
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]{14}[^/\\\\]*\\.lwy$")).match(name).hasMatch(), qPrintable(name));
    QVERIFY(!name.contains(QLatin1String("..")));
    const Layaway stored = readLayaway(dir.filePath(name));
    QCOMPARE(stored.state, Layaway::Read);
    QCOMPARE(stored.lines, shown);

    // Reopened by a payment, the order list shows the layaway as it was closed.
    fake.dialogs.fileAnswers << dir.filePath(name);
    const qsizetype told = fake.messages.warnings.size();
    paste(form.Combo2, QStringLiteral("Layaway Payment"));
    click(form.Command3);
    QCOMPARE(fake.messages.warnings.size(), told);
    QCOMPARE(form.List1->items(), shown);
    QCOMPARE(form.Text2->text(), formatMoney(QStringView(stored.balanceText)));
}

// The owner's settings with each hostile value: what the file holds shows again in a new
// Settings window, and the next order takes the header lines and the rate as shown.
void TestHostileInput::settingsBoxes_data()
{
    addBoxRows({"Text1", "Text2", "Combo4", "Combo1", "Combo2"});
}

void TestHostileInput::settingsBoxes()
{
    QFETCH(QString, box);
    QFETCH(QString, value);

    WorkDir dir;
    writeSettings(dir);
    FakePlatform fake;
    Form2 settings(fake.platform());
    auto *target = settings.findChild<QWidget *>(box);
    QVERIFY(target);
    paste(target, value);
    const QString shown = shownText(target);
    QCOMPARE(shown, mended(target, value));

    QString crLf = shown;
    crLf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const QByteArray policy = "\"" + toAnsi(crLf) + "\"\r\n";
    if (target == settings.Text1) {
        click(settings.Command1);
    } else if (target == settings.Text2) {
        click(settings.Command12);
        click(settings.Command6);
    } else {
        click(settings.Command10);
    }
    // A policy with a line longer than a settings file holds is refused, naming the file, and
    // the file keeps what it held.
    if (target == settings.Text1 && refusalOf(policy, kReturnPolicyLimits) != Refusal::None) {
        QCOMPARE(warningTexts(fake), QStringList{"Could not write \"return.txt\": it would hold a line longer "
                                                 "than 64 KB, more than such a file holds"});
        QCOMPARE(dir.read("return.txt"), kReturn);
        return;
    }
    QVERIFY2(fake.messages.warnings.isEmpty(), qPrintable(warningTexts(fake).join('\n')));

    Form2 again(fake.platform());
    QVERIFY(fake.messages.warnings.isEmpty());
    if (target == settings.Text1) {
        // Stored in quotes with CR LF line breaks, shown again as it was shown.
        QCOMPARE(dir.read("return.txt"), policy);
        QCOMPARE(boxText(again.Text1), shown);
        return;
    }
    if (target == settings.Text2) {
        const QStringList lines = settings.List2->items();
        QCOMPARE(lines, (QStringList{QStringLiteral("Corvalane Hardware"), shown}));
        QCOMPARE(again.List2->items(), lines);
        RecordingWindows windows;
        Form1 form(fake.platform(), windows, fake.journal);
        QCOMPARE(form.List1->items().mid(0, 2), lines);
        return;
    }
    auto *rate = qobject_cast<QComboBox *>(again.findChild<QWidget *>(box));
    QCOMPARE(rate->currentText(), shown);
    const TaxRates rates = readTaxFile();
    QCOMPARE((QStringList{rates.sales, rates.municipal, rates.state}),
             (QStringList{again.Combo4->currentText(), again.Combo1->currentText(), again.Combo2->currentText()}));

    // The next order charges the sales rate shown, or says that it cannot.
    RecordingWindows windows;
    Form1 form(fake.platform(), windows, fake.journal);
    QCOMPARE(form.Combo4->currentText(), rates.sales);
    const bool told = warningTexts(fake).join('\n').contains(QLatin1String("\"tax.txt\""));
    QCOMPARE(told, !isPlainNumber(rates.sales));

    // The sales report shows the three rates as stored and reconciles the tax with them.
    Form4 report(fake.platform(), fake.journal);
    QCOMPARE((QStringList{report.Text4->text(), report.Text6->text(), report.Text5->text()}),
             (QStringList{rates.sales, rates.municipal, rates.state}));
    for (QLineEdit *share : {report.Text8, report.Text9, report.Text10})
        QVERIFY2(share->text().isEmpty() || isPlainNumber(share->text()), qPrintable(share->text()));
}

// A description added in the Quick Inventory Manager is stored and listed as shown, survives a
// Save and a new window's Load, and reaches the main window's drop-down at its next start.
void TestHostileInput::inventoryBox_data()
{
    QTest::addColumn<QString>("value");
    for (const Hostile &value : hostileValues())
        QTest::newRow(value.name) << value.text;
}

void TestHostileInput::inventoryBox()
{
    QFETCH(QString, value);

    WorkDir dir;
    dir.write("inventory.dat", "\"Widget\"\r\n\"Bolt, 10 mm\"\r\n");
    FakePlatform fake;
    Form8 manager(fake.platform());
    paste(manager.Text1, value);
    const QString shown = manager.Text1->text();
    QCOMPARE(shown, mended(manager.Text1, value));
    click(manager.Command1);
    QVERIFY2(fake.messages.warnings.isEmpty(), qPrintable(warningTexts(fake).join('\n')));
    const QStringList stored = readInventoryFile().fields;
    QCOMPARE(stored, (QStringList{"Widget", "Bolt, 10 mm", shown}));
    QStringList listed = stored;
    sortInListOrder(listed);
    QCOMPARE(manager.List1->items(), listed);

    click(manager.Command5);
    QVERIFY(fake.messages.warnings.isEmpty());
    Form8 again(fake.platform());
    click(again.Command3);
    QCOMPARE(again.List1->items(), listed);

    RecordingWindows windows;
    Form1 form(fake.platform(), windows, fake.journal);
    QCOMPARE(comboItems(form.Description1), readInventoryFile().fields);
}

// Settings and inventory files of binary bytes, NUL, quotes and line breaks inside fields (as a
// hand edit or a damaged disk leaves them), read at start-up and New Order: the order closes as
// a layaway whose receipt and file hold the order list as shown, and reopens showing it again.
void TestHostileInput::oddFilesAtTheCounter_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");

    QRandomGenerator random(1402);
    QByteArray binary(4096, Qt::Uninitialized);
    for (char &byte : binary)
        byte = char(random.bounded(256));
    static const char withControls[] = "\"Shop\r\nMain\",\"a\0b\x01\x7f\x81\",ab\"c\r\n\"\tTab\"\r\n";
    const QByteArray controls(withControls, sizeof withControls - 1);
    for (const char *name : {"Header.txt", "tax.txt", "return.txt", "inventory.dat"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, binary").arg(name))) << name << binary;
        QTest::newRow(qPrintable(QStringLiteral("%1, controls inside fields").arg(name))) << name << controls;
    }
}

void TestHostileInput::oddFilesAtTheCounter()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);

    WorkDir dir;
    writeSettings(dir);
    dir.write("inventory.dat", "\"Widget\"\r\n");
    dir.write(name, content);
    FakePlatform fake;
    RecordingWindows windows;
    Form1 form(fake.platform(), windows, fake.journal);
    // Only a rate that is no number is told (the rate box then shows what the file gave).
    QCOMPARE(warningTexts(fake).join('\n').contains(QLatin1String("\"tax.txt\"")), !isPlainNumber(readTaxFile().sales));
    for (QWidget *box : QList<QWidget *>{form.Combo4, form.Description1})
        QVERIFY2(storable(shownText(box), BoxLines::Single), qPrintable(box->objectName()));

    form.Combo2->setEditText("Layaway");
    form.Text8->setText("Ann");
    click(form.Command3);
    form.Description1->setCurrentIndex(form.Description1->count() - 1);
    QVERIFY(storable(form.Description1->currentText(), BoxLines::Single));
    form.Price1->setText("9");
    click(form.Command1);
    form.Text6->setText("5");
    click(form.Command2);

    const QStringList shown = form.List1->items();
    QCOMPARE(fromAnsi(dir.read("reciept.txt")), shown.join(QStringLiteral("\r\n"))
                                                    + QStringLiteral("\r\n \r\n \r\n \r\n")
                                                    + fromAnsi(readReturnFileRaw()) + QStringLiteral("\r\n"));
    const QStringList layaways = QDir(dir.path()).entryList({"*.lwy"}, QDir::Files);
    QCOMPARE(layaways.size(), 1);
    QCOMPARE(readLayaway(dir.filePath(layaways.first())).lines, shown);
    fake.dialogs.fileAnswers << dir.filePath(layaways.first());
    form.Combo2->setEditText("Layaway Payment");
    click(form.Command3);
    QCOMPARE(form.List1->items(), shown);
}

// A million lines of "inventory.dat": the main window starts with all of them in its drop-down
// and rings one up; the Quick Inventory Manager loads, adds to and saves them.
void TestHostileInput::millionLineInventory()
{
    constexpr int lines = 1000000;
    WorkDir dir;
    dir.write("tax.txt", kTax);
    QByteArray file;
    file.reserve(lines * 18);
    for (int i = 0; i < lines; ++i)
        file += "\"Item " + QByteArray::number((i * 7919LL) % lines) + "\"\r\n";
    dir.write("inventory.dat", file);

    FakePlatform fake;
    RecordingWindows windows;
    Form1 form(fake.platform(), windows, fake.journal);
    QCOMPARE(form.Description1->count(), lines);
    form.Description1->setCurrentIndex(lines - 1);
    const QString last = QStringLiteral("Item %1").arg((qint64(lines - 1) * 7919) % lines);
    QCOMPARE(form.Description1->currentText(), last);
    form.Price1->setText("3");
    click(form.Command1);
    QCOMPARE(form.List1->item(form.List1->count() - 1), QStringLiteral("1   %1   3   $ 3").arg(last));

    Form8 manager(fake.platform());
    click(manager.Command3);
    QCOMPARE(manager.List1->count(), lines);
    QCOMPARE(manager.List1->item(0), QStringLiteral("Item 0"));
    QCOMPARE(manager.List1->item(lines - 1), QStringLiteral("Item 999999"));
    manager.Text1->setText("Anchor");
    click(manager.Command1);
    QCOMPARE(manager.List1->count(), lines + 1);
    QCOMPARE(manager.List1->item(0), QStringLiteral("Anchor"));
    click(manager.Command5);
    QVERIFY(fake.messages.warnings.isEmpty());
    QCOMPARE(readInventoryFile().fields, manager.List1->items());
}

// Files no shop means, at start-up, New Order, a layaway payment, Quick Inventory's Load and
// Save and the Settings window: each is refused with these messages, naming it, and the windows
// show what they show when it is missing; a Save writes nothing over it. A field at its limit
// is taken. A file of a size alone is sparse: it is refused without being read.
void TestHostileInput::filesBeyondTheLimits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("sparse");
    QTest::addColumn<QStringList>("messages");

    const QByteArray longField = "\"" + QByteArray(kLongestField - 1, 'W') + "\"\r\n";
    const QString tooLong = QStringLiteral("it holds a line longer than 64 KB");
    const QString tooLarge = QStringLiteral("it is larger than 64 MB");
    const auto settings = [](const QString &what, const QString &name, const QString &reason, const QString &after,
                             bool settingsWindow = true) {
        QStringList told{QStringLiteral("%1 was not read from \"%2\": %3, more than a settings file holds.%4\n\nThe "
                                        "shop owner can save these settings again in File, Settings.")
                             .arg(what, name, reason, after)};
        if (settingsWindow)
            told << QStringLiteral("\"%1\" was not read: %2, more than such a file holds.").arg(name, reason);
        return told;
    };
    const auto items = [](const QString &reason) {
        return QStringList{
            QStringLiteral("\"inventory.dat\" was not read: %1, more than such a file holds.").arg(reason)};
    };
    const auto layaway = [](const QString &reason) {
        return QStringList{QStringLiteral("The layaway file \"big.lwy\" was not read: %1, more than a layaway holds. "
                                          "No layaway was reopened. The order is a sale.")
                               .arg(reason)};
    };

    QTest::newRow("Header.txt, a line over 64 KB")
        << "Header.txt"
        << "\"Shop\"\r\n" + longField << qint64(0) << settings("The receipt header", "Header.txt", tooLong, "");
    QTest::newRow("Header.txt, over 1 MB")
        << "Header.txt" << QByteArray("\"Shop\"\r\n").repeated(150000) << qint64(0)
        << settings("The receipt header", "Header.txt", "it is larger than 1 MB", "");
    QTest::newRow("Header.txt, a line of 64 KB") << "Header.txt" << longField.sliced(1) << qint64(0) << QStringList();
    QTest::newRow("tax.txt, a rate over 64 KB")
        << "tax.txt"
        << "\"6\"," + longField << qint64(0)
        << settings("The tax rate", "tax.txt", tooLong, " Check the rate box before ringing up the order.");
    QTest::newRow("return.txt, a line over 64 KB")
        << "return.txt"
        << "\"Returns\r\n" + longField << qint64(0)
        << settings("The return policy", "return.txt", tooLong, " Receipts print without it.");
    QTest::newRow("return.txt, 160 KB of short lines")
        << "return.txt"
        << "\"" + QByteArray("Returns within 30 days, with the receipt.\r\n").repeated(4000) + "\"\r\n"
        << qint64(0) << QStringList();
    QTest::newRow("font.txt, a name over 64 KB")
        << "font.txt" << longField.chopped(2) + ",#FALSE#,#FALSE#,10\r\n"
        << qint64(0)
        << settings("The receipt font", "font.txt", tooLong, " Receipts print in their designed font.", false);
    QTest::newRow("inventory.dat, a line over 64 KB") << "inventory.dat"
                                                      << "\"Bolt\"\r\n" + longField << qint64(0) << items(tooLong);
    QTest::newRow("inventory.dat, over 64 MB")
        << "inventory.dat" << QByteArray() << kLargestListFile + 1 << items(tooLarge);
    QTest::newRow("layaway, a line over 64 KB") << "big.lwy"
                                                << "12.5\r\n" + longField << qint64(0) << layaway(tooLong);
    QTest::newRow("layaway, over 64 MB") << "big.lwy" << QByteArray() << kLargestListFile + 1 << layaway(tooLarge);
}

void TestHostileInput::filesBeyondTheLimits()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(qint64, sparse);
    QFETCH(QStringList, messages);

    // What the windows show over the shop, and what they told.
    QStringList told;
    const auto windowsOver = [&](const WorkDir &dir) {
        FakePlatform fake;
        RecordingWindows windows;
        Form1 form(fake.platform(), windows, fake.journal);
        if (name.endsWith(QLatin1String(".lwy"))) {
            fake.dialogs.fileAnswers << dir.filePath(name);
            form.Combo2->setEditText("Layaway Payment");
            click(form.Command3);
        }
        Form8 manager(fake.platform());
        click(manager.Command3);
        click(manager.Command5);
        Form2 settings(fake.platform());
        told = warningTexts(fake);
        return QList<QStringList>{
            form.List1->items(),           {form.Combo2->currentText(), form.Combo4->currentText()},
            comboItems(form.Description1), manager.List1->items(),
            settings.List2->items(),       {boxText(settings.Text1), settings.Combo4->currentText()}};
    };

    WorkDir dir;
    writeSettings(dir);
    dir.write("inventory.dat", "\"Widget\"\r\n");
    QFile::remove(dir.filePath(name));
    const QList<QStringList> missing = windowsOver(dir);
    dir.write(name, content);
    if (sparse > 0)
        QVERIFY(QFile::resize(dir.filePath(name), sparse));
    const QList<QStringList> shown = windowsOver(dir);
    QCOMPARE(QFileInfo(dir.filePath(name)).size(), qMax(sparse, content.size()));
    // Start-up and Quick Inventory tell an item list in the same words.
    told.removeDuplicates();
    told.replaceInStrings(QDir::toNativeSeparators(dir.path() + '/'), QString());
    QCOMPARE(told, messages);
    QCOMPARE(shown == missing, !messages.isEmpty());
}

// A journal of binary bytes, NUL, quotes and line breaks among them: the report lists every
// record, the same ones Open History lists from the file, and a cutoff keeps all of them.
void TestHostileInput::binaryJournal()
{
    WorkDir dir;
    dir.write("tax.txt", kTax);
    QRandomGenerator random(20040314);
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    for (char &byte : bytes) {
        // Mostly arbitrary bytes; the separators often enough to make records.
        const quint32 pick = random.bounded(16);
        byte = pick == 0   ? '"'
               : pick == 1 ? ','
               : pick == 2 ? '\r'
               : pick == 3 ? '\n'
               : pick == 4 ? '\0'
                           : char(random.bounded(256));
    }
    dir.write("sales.txt", bytes);

    FakePlatform fake;
    auto report = std::make_unique<Form4>(fake.platform(), fake.journal);
    // The owner is told that the records go out of step.
    QCOMPARE(fake.messages.warnings.size(), 1);
    QVERIFY(fake.messages.warnings.first().text.contains("does not divide into sales of five fields"));
    const int rows = report->List1->count();
    QVERIFY(rows > 0);
    QCOMPARE(report->List2->count(), rows);
    QCOMPARE(report->List3->count(), rows);
    for (QLineEdit *total : {report->Text1, report->Text2, report->Text3})
        QVERIFY2(isPlainNumber(total->text()) || total->text() == QLatin1String("Overflow"), qPrintable(total->text()));

    // Open History on the journal lists every complete record but a repeat of the one before,
    // each field as formatTwoDecimals of its text.
    const QStringList fields = fieldsOf(bytes);
    fake.dialogs.fileAnswers << dir.filePath("sales.txt");
    click(report->Command3);
    QStringList expected;
    QString previous;
    for (qsizetype record = 0; record + 5 <= fields.size(); record += 5) {
        if (std::exchange(previous, fields.at(record)) == fields.at(record))
            continue;
        for (int field : {1, 2, 3})
            expected << formatTwoDecimals(fields.at(record + field));
    }
    const int records = int(expected.size() / 3);
    QCOMPARE(report->List1->count(), records);
    QVERIFY(records >= rows);
    QStringList listed;
    for (int row = 0; row < records; ++row)
        listed << report->List1->item(row) << report->List2->item(row) << report->List3->item(row);
    QCOMPARE(listed, expected);

    // The cutoff's history holds the journal's bytes, every one, and the journal is left empty.
    fake.messages.warnings.clear();
    fake.dialogs.fileAnswers << dir.filePath("history.txt");
    click(report->Command2);
    QVERIFY2(fake.messages.warnings.isEmpty(), qPrintable(warningTexts(fake).join('\n')));
    QCOMPARE(dir.read("history.txt"), bytes);
    QCOMPARE(dir.read("sales.txt"), QByteArray());
}

// A journal of a million sales, repeats and untaxed sales among them: every sale listed once,
// the totals the sums of the amounts.
void TestHostileInput::millionRecordJournal()
{
    constexpr int records = 1000000;
    WorkDir dir;
    dir.write("tax.txt", kTax);
    QByteArray file;
    file.reserve(qsizetype(records) * 48);
    double gross = 0;
    double tax = 0;
    double net = 0;
    qint64 untaxedCents = 0;
    int listed = 0;
    for (int i = 0; i < records; ++i) {
        // Every tenth record repeats the one before it; every seventh carries no tax.
        const int sale = i % 10 == 9 ? i - 1 : i;
        const qint64 subtotal = 100 + (qint64(sale) * 7919) % 100000;
        const qint64 taxCents = sale % 7 == 0 ? 0 : (subtotal * 6 + 50) / 100;
        file += "\"R" + QByteArray::number(sale) + "\",\"" + formatMoney(subtotal / 100.0).toLatin1() + "\",\""
                + formatMoney(taxCents / 100.0).toLatin1() + "\",\""
                + formatMoney((subtotal + taxCents) / 100.0).toLatin1() + "\",\"Cash\"\r\n";
        if (sale != i)
            continue;
        if (taxCents == 0) {
            untaxedCents += subtotal;
            continue;
        }
        ++listed;
        gross += subtotal / 100.0;
        tax += taxCents / 100.0;
        net += (subtotal + taxCents) / 100.0;
    }
    dir.write("sales.txt", file);

    FakePlatform fake;
    Form4 report(fake.platform(), fake.journal);
    QVERIFY(fake.messages.warnings.isEmpty());
    QCOMPARE(report.List1->count(), listed);
    QCOMPARE(report.List2->count(), listed);
    QCOMPARE(report.List3->count(), listed);
    QCOMPARE(report.Text1->text(), numberText(gross));
    QCOMPARE(report.Text2->text(), numberText(tax));
    QCOMPARE(report.Text3->text(), numberText(net));
    QCOMPARE(report.Text12->text(), numberText(untaxedCents / 100.0));
    QCOMPARE(report.List1->item(listed - 1), centsEntry(100 + (qint64(records - 2) * 7919) % 100000));
}

// "font.txt" naming a font that is not there, or a size no receipt prints in: the preview shows
// and prints the receipt in its designed font, or with its designed size.
void TestHostileInput::receiptFonts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("family"); // empty: the designed font whole
    QTest::addColumn<bool>("italic");

    QTest::newRow("missing font") << QByteArray("\"No Such Font Qq\",#FALSE#,#TRUE#,12\r\n") << QString() << false;
    QTest::newRow("empty name") << QByteArray("\"\",#FALSE#,#TRUE#,12\r\n") << QString() << false;
    QTest::newRow("blank name") << QByteArray("\"   \",#FALSE#,#TRUE#,12\r\n") << QString() << false;
    QTest::newRow("NUL and binary name") << QByteArray("\"Ar\0\x81\xff\",#FALSE#,#TRUE#,12\r\n", 24) << QString()
                                         << false;
    QTest::newRow("100,000-character name") << "\"" + QByteArray(100000, 'Q') + "\",#FALSE#,#TRUE#,12\r\n"
                                            << QString() << false;
    for (const char *size : {"0", "-5", "-0", "NaN", "inf", "1e400", "&HFFFFFFFFF", "\"\"", "\"   \""})
        QTest::newRow(qPrintable(QStringLiteral("size %1").arg(size)))
            << QByteArray("\"Courier New\",#FALSE#,#TRUE#,") + size + "\r\n"
            << QString() << false;
    // A usable name with a size no receipt prints in: the name and style apply.
    for (const char *size : {"10000", "1e308", "0.001", "\"10000\""})
        QTest::newRow(qPrintable(QStringLiteral("size %1").arg(size)))
            << QByteArray("\"Courier New\",#FALSE#,#TRUE#,") + size + "\r\n"
            << QStringLiteral("Courier New") << true;
}

void TestHostileInput::receiptFonts()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, family);
    QFETCH(bool, italic);

    WorkDir dir;
    // Every byte, the receipt's line ends among them: printed exactly as the file holds them.
    QByteArray receipt;
    for (int b = 0; b < 256; ++b)
        receipt += char(b);
    receipt += "\r\n";
    dir.write("reciept.txt", receipt);
    dir.write("font.txt", file);
    FakePlatform fake;
    auto preview = new Form3(fake.platform());
    preview->showReceipt();
    QVERIFY(fake.messages.warnings.isEmpty());
    QCOMPARE(fake.printer.jobs.size(), 1);
    QCOMPARE(toAnsi(fake.printer.jobs[0].text), receipt + "\r\n");
    const QFont designed = Form3::designedFont();
    for (const QFont &font : {preview->Text1->font(), fake.printer.jobs[0].font}) {
        QCOMPARE(font.family(), family.isEmpty() ? designed.family() : family);
        QCOMPARE(font.italic(), italic);
        QCOMPARE(font.bold(), family.isEmpty());
        QCOMPARE(font.pointSizeF(), designed.pointSizeF());
    }
    preview->close();
}

// Names typed into the layaway's Open dialog and the cutoff's dialog that lead to a file which
// is no layaway, to one of the program's own, or that no file can have on Windows: each is
// refused with a message naming it, and every file stays as it was.
void TestHostileInput::refusedDialogNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    for (const char *name : {"sales.txt", "Header.txt", "tax.txt", "return.txt", "font.txt", "inventory.dat",
                             "reciept.txt", "corvalane-pos.lock", "./tax.txt", "sub/../Header.txt", "CON.txt", "nul",
                             "com1.lwy", "history.txt.", "history ", "a?b.txt"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
#ifdef Q_OS_UNIX
    QTest::newRow("link to the journal") << "alias.lwy" << true;
#endif
    QTest::newRow("a history, no layaway") << "history.txt" << false;
}

void TestHostileInput::refusedDialogNames()
{
    QFETCH(QString, name);
    QFETCH(bool, refused);
    WorkDir dir;
    writeSettings(dir);
    for (const char *file : {"font.txt", "inventory.dat", "reciept.txt", "corvalane-pos.lock"})
        dir.write(QLatin1String(file), "\"kept\"\r\n");
    dir.write("sales.txt", kSaleLine);
    dir.write("history.txt", kSaleLine);
    QVERIFY(QDir(dir.path()).mkdir("sub"));
#ifdef Q_OS_UNIX
    // (On Windows QFile::link makes a shortcut file, not a second name of the journal.)
    QFile::link(QStringLiteral("sales.txt"), dir.filePath("alias.lwy"));
#endif
    const auto everything = [&] {
        QStringList files;
        for (const QString &file : QDir(dir.path()).entryList(QDir::Files))
            files << file + QLatin1Char('=') + QString::fromLatin1(dir.read(file).toHex());
        return files;
    };
    const QStringList before = everything();

    FakePlatform fake;
    RecordingWindows windows;
    Form1 form(fake.platform(), windows, fake.journal);
    fake.dialogs.fileAnswers << dir.filePath(name);
    form.Combo2->setEditText(QStringLiteral("Layaway Payment"));
    click(form.Command3);
    QCOMPARE(fake.messages.warnings.size(), 1);
    QVERIFY2(fake.messages.warnings.first().text.contains(QDir::toNativeSeparators(dir.filePath(name))),
             qPrintable(fake.messages.warnings.first().text));
    QCOMPARE(form.Combo2->currentText(), QStringLiteral("Sale"));

    Form4 report(fake.platform(), fake.journal);
    fake.dialogs.fileAnswers << dir.filePath(name);
    fake.messages.answers << true;
    click(report.Command2);
    if (refused) {
        QCOMPARE(fake.messages.warnings.size(), 2);
        QCOMPARE(everything(), before);
    } else {
        // A history is what a cutoff may replace, when the owner says so.
        QCOMPARE(fake.messages.warnings.size(), 1);
        QCOMPARE(dir.read("history.txt"), kSaleLine);
        QCOMPARE(dir.read("sales.txt"), QByteArray());
    }
}

QTEST_MAIN(TestHostileInput)
#include "test_hostile_input.moc"
