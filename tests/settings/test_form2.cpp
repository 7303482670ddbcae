// The Settings window driven by its named controls: the layout, Load, the four saves, the
// header list, the font dialog, failed saves, and Close against the close box.

#include "control_items.h"
#include "fake_platform.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "core/formats/settings_files.h"
#include "platform/controls.h"
#include "platform/text_guard.h"
#include "settings/form2.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>

#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

const QByteArray kHeader = "\"Corner Shop\"\r\n\"12 Main St., Springfield\"\r\n";
const QByteArray kTax = "\"6\",\"1\",\"5\"\r\n";
const QByteArray kReturn = "\"Returns within 30 days.\r\nKeep this receipt.\"\r\n";
const QByteArray kFont = "\"Courier New\",#FALSE#,#FALSE#,9\r\n";

struct Owner
{
    explicit Owner(bool withFiles = true)
    {
        if (withFiles) {
            dir.write("Header.txt", kHeader);
            dir.write("tax.txt", kTax);
            dir.write("return.txt", kReturn);
            dir.write("font.txt", kFont);
        }
    }
    Form2 &open()
    {
        form = std::make_unique<Form2>(fake.platform());
        return *form;
    }
    void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void addLine(const QString &text)
    {
        form->Text2->clear();
        QTest::keyClicks(form->Text2, text);
        click(form->Command12);
    }

    WorkDir dir;
    FakePlatform fake;
    std::unique_ptr<Form2> form;
};

// The colour most of the widget's pixels are painted in.
QColor dominantColour(QWidget *widget)
{
    const QImage image = widget->grab().toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb most = 0;
    int mostCount = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > mostCount) {
            most = it.key();
            mostCount = it.value();
        }
    return QColor(most);
}

// The rate is chosen from the drop-down when offered there, typed otherwise.
void enterRate(QComboBox *combo, const QString &rate)
{
    const int offered = combo->findText(rate);
    if (offered >= 0) {
        combo->setCurrentIndex(offered);
        return;
    }
    combo->clearEditText();
    QTest::keyClicks(combo->lineEdit(), rate);
}

} // namespace

class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void coloursShow();
    void loadFillsControls();
    void missingFilesLeaveControlsEmpty();
    void setTax_data();
    void setTax();
    void headerLinesSavedInOrder();
    void addLineEmptiesBoxKeepsFocus();
    void clearThenCloseLeavesHeaderFile();
    void clickedIndexShown();
    void displayCurrentSettingsAppendsHeaderLines();
    void unchangedReturnPolicySavesSameBytes();
    void setFont_data();
    void setFont();
    void cancelledFontLeavesFile();
    void failedSaveIsReported_data();
    void failedSaveIsReported();
    void closeHidesCloseBoxReloads();
};

void TestForm2::layout()
{
    Owner o;
    Form2 &f = o.open();
    QCOMPARE(f.windowTitle(), QStringLiteral("Settings"));
    const QList<QPair<QString, QString>> captions{{"Label1", "Return Policy"},
                                                  {"Command1", "Save Return"},
                                                  {"Command6", "Save Header"},
                                                  {"Command8", "Set Font"},
                                                  {"Command10", "Set Tax"},
                                                  {"Command11", "Display Current Settings"},
                                                  {"Command2", "Close"},
                                                  {"Label3", "Tax1 in %"},
                                                  {"Label5", "Municipal Tax %"},
                                                  {"Label6", "State Tax %"},
                                                  {"Label2", "Receipt Header Info"},
                                                  {"Command12", "Add Line"},
                                                  {"Command13", "Clear"},
                                                  {"Label8", ""}};
    for (const auto &[name, caption] : captions) {
        QWidget *w = f.findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(w->property("text").toString(), caption);
    }
    QCOMPARE(f.Frame2->title(), QStringLiteral("Tax Settings"));
    QCOMPARE(f.Command10->toolTip(), QStringLiteral("This sets your sales tax file."));
    QCOMPARE(f.Combo4->toolTip(), QStringLiteral("Enter your sales tax rate you charge your customers."));
    QCOMPARE(f.Combo1->toolTip(), QStringLiteral("Enter your local tax. Enter \"0\" for none."));
    QCOMPARE(f.Combo2->toolTip(), QStringLiteral("Enter your state tax. Enter \"0\" for none."));

    for (QWidget *bold :
         {static_cast<QWidget *>(f.Label1), static_cast<QWidget *>(f.Label2), static_cast<QWidget *>(f.Frame2)}) {
        QVERIFY(bold->font().bold());
        QCOMPARE(bold->font().pointSizeF(), 8.25);
    }
    for (QWidget *plain : {static_cast<QWidget *>(f.Label3), static_cast<QWidget *>(f.Combo4),
                           static_cast<QWidget *>(f.Command1), static_cast<QWidget *>(f.Text1)})
        QVERIFY(!plain->font().bold());

    for (QComboBox *rate : {f.Combo4, f.Combo1, f.Combo2}) {
        QVERIFY(rate->isEditable());
        QCOMPARE(comboItems(rate), offeredTaxRates());
        QCOMPARE(rate->parentWidget(), f.Frame2);
    }
    QCOMPARE(offeredTaxRates().size(), 25);
    QCOMPARE(f.Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    const qreal dpi = f.logicalDpiX();
    auto px = [dpi](int twips) { return qRound(twips * dpi / 1440.0); };
    QCOMPARE(f.size(), QSize(px(8970), px(3450)));
    QCOMPARE(f.Text1->geometry(), QRect(px(0), px(240), px(7215), px(1215)));
    QCOMPARE(f.Command11->geometry(), QRect(px(7320), px(1800), px(1575), px(615)));
    QCOMPARE(f.Combo1->geometry(), QRect(px(1320), px(480), px(735), px(315)));
    QCOMPARE(f.Text2->geometry(), QRect(px(3600), px(3120), px(3615), px(285)));
}

void TestForm2::coloursShow()
{
    Owner o;
    Form2 &f = o.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));

    // Each coloured control is filled with its group's colour: it is the colour most of the
    // control's pixels have (the style may shade a frame's inside by a few units).
    auto near = [](QColor a, QColor b) {
        return qAbs(a.red() - b.red()) <= 6 && qAbs(a.green() - b.green()) <= 6 && qAbs(a.blue() - b.blue()) <= 6;
    };
    const QList<QPair<QWidget *, QColor>> coloured{
        {f.Command10, Form2::taxColour()}, {f.Label3, Form2::taxColour()},      {f.Label5, Form2::taxColour()},
        {f.Label6, Form2::taxColour()},    {f.Frame2, Form2::taxColour()},      {f.Command6, Form2::headerColour()},
        {f.Label2, Form2::headerColour()}, {f.Command1, Form2::returnColour()}, {f.Label1, Form2::returnColour()},
        {f.Command8, Form2::fontColour()}};
    for (const auto &[widget, colour] : coloured)
        QVERIFY2(near(dominantColour(widget), colour),
                 qPrintable(widget->objectName() + " " + dominantColour(widget).name()));
    // The drop-downs in the frame and the other buttons keep the system colours.
    for (QWidget *plain :
         {static_cast<QWidget *>(f.Combo4), static_cast<QWidget *>(f.Combo2), static_cast<QWidget *>(f.Command2),
          static_cast<QWidget *>(f.Command11), static_cast<QWidget *>(f.Text1)})
        QVERIFY2(!near(dominantColour(plain), Form2::taxColour()), qPrintable(plain->objectName()));
}

void TestForm2::loadFillsControls()
{
    Owner o;
    Form2 &f = o.open();
    // The policy without the file's own quotes and final line break.
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Returns within 30 days.\nKeep this receipt."));
    QCOMPARE(f.Combo4->currentText(), QStringLiteral("6"));
    QCOMPARE(f.Combo1->currentText(), QStringLiteral("1"));
    QCOMPARE(f.Combo2->currentText(), QStringLiteral("5"));
    QCOMPARE(f.List2->items(), (QStringList{"Corner Shop", "12 Main St., Springfield"}));
    QCOMPARE(f.Text2->text(), QString());
    QCOMPARE(f.Label8->text(), QString());
    // Loading writes nothing.
    QCOMPARE(o.dir.read("return.txt"), kReturn);
    QVERIFY(o.fake.messages.warnings.isEmpty());
}

void TestForm2::missingFilesLeaveControlsEmpty()
{
    Owner o(false);
    o.dir.write("tax.txt", "\"7\"\r\n");    // one rate of three
    QDir(o.dir.path()).mkdir("return.txt"); // not readable as a file
    Form2 &f = o.open();
    QCOMPARE(f.Text1->toPlainText(), QString());
    QCOMPARE(f.Combo4->currentText(), QStringLiteral("7"));
    QCOMPARE(f.Combo1->currentText(), QString());
    QCOMPARE(f.Combo2->currentText(), QString());
    QCOMPARE(f.List2->count(), 0);
    // Missing files are settings not saved yet; a file there but unreadable is told.
    QCOMPARE(o.fake.messages.warnings.size(), 1);
    QVERIFY2(o.fake.messages.warnings[0].text.contains("Could not read \"return.txt\""),
             qPrintable(o.fake.messages.warnings[0].text));
    o.fake.messages.warnings.clear();
    QVERIFY(!o.dir.exists("Header.txt"));

    // The window stays usable.
    o.addLine("Shop");
    o.click(f.Command6);
    QCOMPARE(o.dir.read("Header.txt"), QByteArray("\"Shop\"\r\n"));
}

void TestForm2::setTax_data()
{
    QTest::addColumn<QString>("sales");
    QTest::addColumn<QString>("municipal");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("picked") << "6.5"
                            << "1"
                            << "5.5" << QByteArray("\"6.5\",\"1\",\"5.5\"\r\n");
    QTest::newRow("typed, kept as typed") << "7.25"
                                          << "6.50"
                                          << "0" << QByteArray("\"7.25\",\"6.50\",\"0\"\r\n");
    QTest::newRow("empty rate") << "8"
                                << ""
                                << "12.5" << QByteArray("\"8\",\"\",\"12.5\"\r\n");
    QTest::newRow("double quote stored as apostrophe") << "6\""
                                                       << "1"
                                                       << "2" << QByteArray("\"6'\",\"1\",\"2\"\r\n");
}

void TestForm2::setTax()
{
    QFETCH(QString, sales);
    QFETCH(QString, municipal);
    QFETCH(QString, state);
    QFETCH(QByteArray, file);

    WorkDir dir;
    dir.write("tax.txt", kTax);
    FakePlatform fake;
    AppWindows windows(fake.platform(), fake.journal);
    windows.showSettings();
    Form2 *f = windows.settingsWindow();
    QVERIFY(f);
    enterRate(f->Combo4, sales);
    enterRate(f->Combo1, municipal);
    enterRate(f->Combo2, state);
    QTest::mouseClick(f->Command10, Qt::LeftButton);
    QCOMPARE(dir.read("tax.txt"), file);
    if (QTest::currentDataTag() == QLatin1String("picked"))
        QCOMPARE(file.size(), 17);

    // Closed by its close box and shown again, the window shows what was saved.
    QPointer<Form2> closed = f;
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closed);
    windows.showSettings();
    f = windows.settingsWindow();
    QVERIFY(f);
    auto stored = [](QString rate) { return rate.replace('"', '\''); };
    QCOMPARE(f->Combo4->currentText(), stored(sales));
    QCOMPARE(f->Combo1->currentText(), stored(municipal));
    QCOMPARE(f->Combo2->currentText(), stored(state));
    QVERIFY(fake.messages.warnings.isEmpty());
    delete f;
}

void TestForm2::headerLinesSavedInOrder()
{
    Owner o(false);
    Form2 &f = o.open();
    o.addLine("Corner Shop");
    o.addLine("");
    o.addLine("12 Main St., Springfield");
    o.addLine("Pipes 1/2\" wide");
    // The double quote shows as the apostrophe its quoted field stores.
    QCOMPARE(f.List2->items(), (QStringList{"Corner Shop", "", "12 Main St., Springfield", "Pipes 1/2' wide"}));
    QVERIFY(!o.dir.exists("Header.txt")); // nothing is saved before "Save Header"
    o.click(f.Command6);
    QCOMPARE(o.dir.read("Header.txt"),
             QByteArray("\"Corner Shop\"\r\n\"\"\r\n\"12 Main St., Springfield\"\r\n\"Pipes 1/2' wide\"\r\n"));

    // An empty list writes a file with no record.
    o.click(f.Command13);
    o.click(f.Command6);
    QCOMPARE(o.dir.read("Header.txt"), QByteArray());
    QVERIFY(o.fake.messages.warnings.isEmpty());
}

void TestForm2::addLineEmptiesBoxKeepsFocus()
{
    Owner o(false);
    Form2 &f = o.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.Text2->setFocus();
    QTest::keyClicks(f.Text2, "Open 9 to 5");
    o.click(f.Command12);
    QVERIFY(f.Text2->hasFocus());
    QCOMPARE(f.Text2->text(), QString());
    // The next line is typed straight in.
    QTest::keyClicks(f.Text2, "Closed Sundays");
    o.click(f.Command12);
    QCOMPARE(f.Text2->text(), QString());
    QCOMPARE(f.List2->items(), (QStringList{"Open 9 to 5", "Closed Sundays"}));
}

void TestForm2::clearThenCloseLeavesHeaderFile()
{
    Owner o;
    Form2 &f = o.open();
    f.show();
    o.click(f.Command13);
    QCOMPARE(f.List2->count(), 0);
    o.click(f.Command2);
    QVERIFY(!f.isVisible());
    QCOMPARE(o.dir.read("Header.txt"), kHeader);
}

void TestForm2::clickedIndexShown()
{
    Owner o;
    Form2 &f = o.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    auto clickLine = [&](int row) {
        const QRect rect = f.List2->visualRect(f.List2->stringModel()->index(row));
        QTest::mouseClick(f.List2->viewport(), Qt::LeftButton, {}, rect.center());
    };
    clickLine(1);
    QCOMPARE(f.Label8->text(), QStringLiteral("1"));
    clickLine(0);
    QCOMPARE(f.Label8->text(), QStringLiteral("0"));
    // The arrow keys choose a line as a click does.
    QTest::keyClick(f.List2, Qt::Key_Down);
    QCOMPARE(f.Label8->text(), QStringLiteral("1"));
}

void TestForm2::displayCurrentSettingsAppendsHeaderLines()
{
    Owner o;
    Form2 &f = o.open();
    f.Text1->setPlainText("unsaved policy");
    f.Combo4->setEditText("9");
    o.click(f.Command11);
    QCOMPARE(f.List2->items(),
             (QStringList{"Corner Shop", "12 Main St., Springfield", "Corner Shop", "12 Main St., Springfield"}));
    // Unsaved edits give way to the files.
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Returns within 30 days.\nKeep this receipt."));
    QCOMPARE(f.Combo4->currentText(), QStringLiteral("6"));

    o.click(f.Command13);
    o.click(f.Command11);
    QCOMPARE(f.List2->items(), (QStringList{"Corner Shop", "12 Main St., Springfield"}));
}

void TestForm2::unchangedReturnPolicySavesSameBytes()
{
    Owner o(false);
    {
        Form2 &f = o.open();
        QTest::keyClicks(f.Text1, "No refunds.");
        QTest::keyClick(f.Text1, Qt::Key_Return);
        QTest::keyClicks(f.Text1, "Exchanges \"within\" 7 days.");
        o.click(f.Command1);
        QCOMPARE(o.dir.read("return.txt"), QByteArray("\"No refunds.\r\nExchanges \"within\" 7 days.\"\r\n"));
    }
    // Loaded again, it shows as typed, and saving it unedited changes no byte.
    o.open();
    QCOMPARE(boxText(o.form->Text1), QStringLiteral("No refunds.\nExchanges \"within\" 7 days."));
    o.click(o.form->Command1);
    QCOMPARE(o.dir.read("return.txt"), QByteArray("\"No refunds.\r\nExchanges \"within\" 7 days.\"\r\n"));

    // Every byte of a stored policy survives an unedited save: a no-break space, a code-page
    // character, the extra quotes an older save left, a policy edited by hand without quotes
    // (which the save puts in its record), an empty one.
    const QList<QPair<QByteArray, QByteArray>> stored{
        {"\"Sale\xA0items final.\x80\"\r\n", "\"Sale\xA0items final.\x80\"\r\n"},
        {"\"\"No refunds.\r\n\"\r\n\"\r\n", "\"\"No refunds.\r\n\"\r\n\"\r\n"},
        {"No refunds.", "\"No refunds.\"\r\n"},
        {"\"\"\r\n", "\"\"\r\n"},
    };
    for (const auto &[before, after] : stored) {
        o.dir.write("return.txt", before);
        o.open();
        o.click(o.form->Command1);
        QCOMPARE(o.dir.read("return.txt"), after);
    }
}

void TestForm2::setFont_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<double>("size");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("10 point bold Arial") << "Arial" << true << false << 10.0
                                         << QByteArray("\"Arial\",#TRUE#,#FALSE#,10\r\n");
    QTest::newRow("eight and a quarter, italic")
        << "Courier New" << false << true << 8.25 << QByteArray("\"Courier New\",#FALSE#,#TRUE#,8.25\r\n");
}

void TestForm2::setFont()
{
    QFETCH(QString, name);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(double, size);
    QFETCH(QByteArray, file);

    Owner o;
    Form2 &f = o.open();
    o.fake.dialogs.fontAnswers << FontChoice{name, bold, italic, size};
    o.click(f.Command8);
    QCOMPARE(o.dir.read("font.txt"), file);
    if (name == QLatin1String("Arial"))
        QCOMPARE(file.size(), 27);
    // Screen and printer fonts, no effects.
    QCOMPARE(f.CommonDialog1.Flags, 3);
    QCOMPARE(o.fake.dialogs.fontRequests.size(), 1);
    QVERIFY(o.fake.dialogs.fontRequests[0].screenFonts);
    QVERIFY(o.fake.dialogs.fontRequests[0].printerFonts);
    QVERIFY(!o.fake.dialogs.fontRequests[0].effects);
    QCOMPARE(o.fake.dialogs.workingDirectories, QStringList{QDir::currentPath()});
}

void TestForm2::cancelledFontLeavesFile()
{
    Owner o;
    Form2 &f = o.open();
    o.click(f.Command8); // no answer scripted: cancelled
    QCOMPARE(o.fake.dialogs.fontRequests.size(), 1);
    QCOMPARE(o.dir.read("font.txt"), kFont);

    Owner none(false);
    none.open();
    none.click(none.form->Command8);
    QVERIFY(!none.dir.exists("font.txt"));
    QVERIFY(o.fake.messages.warnings.isEmpty());
}

void TestForm2::failedSaveIsReported_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("button");
    QTest::newRow("Save Return") << "return.txt"
                                 << "Command1";
    QTest::newRow("Save Header") << "Header.txt"
                                 << "Command6";
    QTest::newRow("Set Font") << "font.txt"
                              << "Command8";
    QTest::newRow("Set Tax") << "tax.txt"
                             << "Command10";
}

void TestForm2::failedSaveIsReported()
{
    QFETCH(QString, file);
    QFETCH(QString, button);

    Owner o(false);
    QVERIFY(QDir(o.dir.path()).mkdir(file)); // a folder where the file belongs
    Form2 &f = o.open();
    // Loading tells that the folder is not a file it can read (the font file is not loaded).
    QCOMPARE(o.fake.messages.warnings.size(), file == "font.txt" ? 0 : 1);
    o.fake.messages.warnings.clear();
    f.Text1->setPlainText("Policy");
    f.Combo4->setEditText("6.5");
    o.addLine("Shop");
    o.fake.dialogs.fontAnswers << FontChoice{"Arial", true, false, 10};

    o.click(f.findChild<QPushButton *>(button));
    QCOMPARE(o.fake.messages.warnings.size(), 1);
    QVERIFY2(o.fake.messages.warnings[0].text.contains("\"" + file + "\""),
             qPrintable(o.fake.messages.warnings[0].text));
    QCOMPARE(o.fake.messages.warnings[0].title, QStringLiteral("Settings"));
    // The window keeps what the owner entered, to try again.
    QCOMPARE(f.Text1->toPlainText(), QStringLiteral("Policy"));
    QCOMPARE(f.Combo4->currentText(), QStringLiteral("6.5"));
    QCOMPARE(f.List2->items(), QStringList{"Shop"});
    QVERIFY(QFileInfo(o.dir.filePath(file)).isDir());

    // Once the cause is mended, the same click saves.
    QVERIFY(QDir(o.dir.path()).rmdir(file));
    o.fake.dialogs.fontAnswers << FontChoice{"Arial", true, false, 10};
    o.click(f.findChild<QPushButton *>(button));
    QCOMPARE(o.fake.messages.warnings.size(), 1);
    QVERIFY(QFileInfo(o.dir.filePath(file)).isFile());
}

void TestForm2::closeHidesCloseBoxReloads()
{
    WorkDir dir;
    dir.write("Header.txt", kHeader);
    dir.write("return.txt", kReturn);
    FakePlatform fake;
    AppWindows windows(fake.platform(), fake.journal);
    windows.showSettings();
    QPointer<Form2> f = windows.settingsWindow();
    QVERIFY(f && f->isVisible());

    // "Close" hides it with its edits; the next showing brings it back as it was left.
    f->Text1->setPlainText("edited, not saved");
    f->Text2->setText("next line");
    QTest::mouseClick(f->Command2, Qt::LeftButton);
    QVERIFY(!f->isVisible());
    windows.showSettings();
    QCOMPARE(windows.settingsWindow(), f.data());
    QVERIFY(f->isVisible());
    QCOMPARE(f->Text1->toPlainText(), QStringLiteral("edited, not saved"));
    QCOMPARE(f->Text2->text(), QStringLiteral("next line"));
    QCOMPARE(f->List2->count(), 2); // not loaded again
    QCOMPARE(dir.read("return.txt"), kReturn);

    // Showing it while it is open changes nothing.
    windows.showSettings();
    QCOMPARE(windows.settingsWindow(), f.data());
    QCOMPARE(f->List2->count(), 2);

    // The close box destroys it; the next showing loads afresh.
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!f);
    windows.showSettings();
    f = windows.settingsWindow();
    QVERIFY(f);
    QCOMPARE(f->Text1->toPlainText(), QStringLiteral("Returns within 30 days.\nKeep this receipt."));
    QCOMPARE(f->Text2->text(), QString());
    QCOMPARE(f->List2->count(), 2);
    delete f;
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
