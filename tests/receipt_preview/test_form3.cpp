#include "receipt_preview/form3.h"

#include "core/formats/codepage.h"
#include "core/formats/file_limits.h"
#include "fake_platform.h"
#include "platform/controls.h"
#include "platform/twips.h"
#include "work_dir.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include <memory>

using namespace pos;
using pos::testing::FakePlatform;

namespace {

const QByteArray kReceipt = "Corner Shop\r\nReciept# 1 3/14/2004 9:05:33 AM Sale Ann\r\n"
                            "1 Soap $2.50\r\nTotal $2.66\r\n \r\n \r\n \r\nNo returns\r\n";

} // namespace

class TestForm3 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showingPrintsOnce();
    void hiddenAndShownAgainPrintsNewReceipt();
    void printAfterEditPrintsEditedText();
    void printedTextIsFileContent_data();
    void printedTextIsFileContent();
    void fontFromFontFile_data();
    void fontFromFontFile();
    void resizeFollowsWindow();
    void closeDestroysWindow();
    void printerFailureIsReported();
    void missingReceiptPrintsNothing();

private:
    std::unique_ptr<Form3> makeForm() { return std::make_unique<Form3>(m_fake.platform()); }

    void put(const QString &name, const QByteArray &bytes) const { m_dir->write(name, bytes); }
    QByteArray contentOf(const QString &name) const { return m_dir->read(name); }

    std::unique_ptr<pos::testing::WorkDir> m_dir;
    FakePlatform m_fake;
};

void TestForm3::init()
{
    m_fake.printer.jobs.clear();
    m_fake.printer.failWith.clear();
    m_fake.messages.warnings.clear();
    m_dir = std::make_unique<pos::testing::WorkDir>();
}

void TestForm3::cleanup()
{
    m_dir.reset();
}

void TestForm3::showingPrintsOnce()
{
    put("reciept.txt", kReceipt);
    auto form = makeForm();
    form->showReceipt();
    QCoreApplication::processEvents(); // the window system's own activation arrives
    QCOMPARE(m_fake.printer.jobs.size(), 1);
    QCOMPARE(form->p, 1);

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form.get(), &activate);
    QCOMPARE(m_fake.printer.jobs.size(), 1);

    // "Print" right after prints a second, identical copy.
    form->prnt->trigger();
    QCOMPARE(m_fake.printer.jobs.size(), 2);
    QCOMPARE(m_fake.printer.jobs[1].text, m_fake.printer.jobs[0].text);
    QVERIFY(m_fake.messages.warnings.isEmpty());
}

void TestForm3::hiddenAndShownAgainPrintsNewReceipt()
{
    put("reciept.txt", "first\r\n");
    auto form = makeForm();
    form->showReceipt();
    form->hide();
    QCOMPARE(form->p, 0);

    put("reciept.txt", "second\r\n");
    form->showReceipt();
    QCoreApplication::processEvents();
    QCOMPARE(m_fake.printer.jobs.size(), 2);
    QCOMPARE(m_fake.printer.jobs[0].text, QString("first\r\n\r\n"));
    QCOMPARE(m_fake.printer.jobs[1].text, QString("second\r\n\r\n"));
    QCOMPARE(form->Text1->toPlainText(), QString("second\n"));
}

void TestForm3::printAfterEditPrintsEditedText()
{
    put("reciept.txt", kReceipt);
    auto form = makeForm();
    form->showReceipt();

    form->Text1->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->Text1, "Paid");
    QTest::keyClick(form->Text1, Qt::Key_Return);
    QTest::keyClicks(form->Text1, "Thanks");
    form->prnt->trigger();

    QCOMPARE(m_fake.printer.jobs.size(), 2);
    QCOMPARE(toAnsi(m_fake.printer.jobs[1].text), kReceipt + "Paid\r\nThanks\r\n");
    QCOMPARE(contentOf("reciept.txt"), kReceipt);
}

// Printed as the file holds it; shown wrapped at word boundaries, or anywhere when a run
// without a blank is longer than any word (see setBoxText).
void TestForm3::printedTextIsFileContent_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QTextOption::WrapMode>("wrap");
    const auto words = QTextOption::WrapAtWordBoundaryOrAnywhere;

    QTest::newRow("receipt") << kReceipt << words;
    QTest::newRow("code page bytes") << QByteArray("Caf\xE9 \x80"
                                                   "5.00\xA0\x93ok\x94\x81\r\n\t$1\r\n")
                                     << words;
    QTest::newRow("lone line ends") << QByteArray("a\nb\rc\r\n\r\n\n") << words;
    QTest::newRow("no final line end") << QByteArray("Total $2.66") << words;
    QByteArray longReceipt;
    for (int i = 0; i < 400; ++i)
        longReceipt += "1 Item number " + QByteArray::number(i) + " $1.00\r\n";
    QTest::newRow("longer than the box") << longReceipt << words;
    const QByteArray word(kLongestWrappedWord, '9');
    QTest::newRow("runs of 1,024 between blanks and line ends")
        << "Shop\r\n" + word + " " + word + "\t" + word + "\r" + word + "\n" + word << words;
    QTest::newRow("a run of 1,025") << "Shop\r\n" + word + "9\r\n" << QTextOption::WrapAnywhere;
    QTest::newRow("a run of 64 KB, no-break spaces in it")
        << "Shop\r\n" + QByteArray(kLongestField, 'W').replace(0x300, 1, "\xA0") + "\r\n"
        << QTextOption::WrapAnywhere;
}

void TestForm3::printedTextIsFileContent()
{
    QFETCH(QByteArray, file);
    QFETCH(QTextOption::WrapMode, wrap);
    put("reciept.txt", file);
    auto form = makeForm();
    form->showReceipt();
    QCOMPARE(m_fake.printer.jobs.size(), 1);
    QCOMPARE(toAnsi(m_fake.printer.jobs[0].text), file + "\r\n");
    QCOMPARE(form->Text1->wordWrapMode(), wrap);
}

void TestForm3::fontFromFontFile_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no "font.txt"
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<double>("size");

    QTest::newRow("italic 12") << QByteArray("\"Arial\",#FALSE#,#TRUE#,12\r\n") << "Arial" << false << true << 12.0;
    QTest::newRow("fractional size") << QByteArray("\"Arial\",#TRUE#,#TRUE#,8.25\r\n") << "Arial" << true << true
                                     << 8.25;
    QTest::newRow("missing") << QByteArray() << "Arial" << true << false << 6.0;
    QTest::newRow("short") << QByteArray("\"Arial\",#FALSE#\r\n") << "Arial" << true << false << 6.0;
    QTest::newRow("size zero") << QByteArray("\"Arial\",#FALSE#,#TRUE#,0\r\n") << "Arial" << true << false << 6.0;
    // Sizes no receipt prints legibly in keep the designed size; name and style apply.
    for (const char *size : {"1e308", "1e-300", "10000", "2147483648", "3.99", "72.5"})
        QTest::newRow(qPrintable(QStringLiteral("size %1").arg(size)))
            << QByteArray("\"Arial\",#FALSE#,#TRUE#,") + size + "\r\n"
            << "Arial" << false << true << 6.0;
    QTest::newRow("size 4") << QByteArray("\"Arial\",#FALSE#,#FALSE#,4\r\n") << "Arial" << false << false << 4.0;
    QTest::newRow("size 72") << QByteArray("\"Arial\",#TRUE#,#TRUE#,72\r\n") << "Arial" << true << true << 72.0;
    QTest::newRow("not installed") << QByteArray("\"No Such Font Qq\",#FALSE#,#TRUE#,12\r\n") << "Arial" << true
                                   << false << 6.0;

    for (const QString &family : QFontDatabase::families()) {
        if (!family.contains('[') && family.compare("Arial", Qt::CaseInsensitive) != 0) {
            QTest::newRow("installed family")
                << QByteArray("\"" + family.toLatin1() + "\",#TRUE#,#FALSE#,9\r\n") << family << true << false << 9.0;
            break;
        }
    }
}

void TestForm3::fontFromFontFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, family);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(double, size);

    put("reciept.txt", kReceipt);
    if (!file.isEmpty())
        put("font.txt", file);
    auto form = makeForm();
    form->showReceipt();

    QCOMPARE(m_fake.printer.jobs.size(), 1);
    for (const QFont &font : {form->Text1->font(), m_fake.printer.jobs[0].font}) {
        QCOMPARE(font.family(), family);
        QCOMPARE(font.bold(), bold);
        QCOMPARE(font.italic(), italic);
        QCOMPARE(font.pointSizeF(), size);
    }
}

void TestForm3::resizeFollowsWindow()
{
    put("reciept.txt", kReceipt);
    auto form = makeForm();
    form->showReceipt();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const qreal dpi = form->logicalDpiX();
    const int widthMargin = twipsToPixels(135, dpi);
    const int heightMargin = twipsToPixels(720, dpi);

    form->resize(700, 560);
    QTRY_COMPARE(form->size(), QSize(700, 560));
    QCOMPARE(form->Text1->size(),
             QSize(form->frameGeometry().width() - widthMargin, form->frameGeometry().height() - heightMargin));

    // Too low for the margins: the box keeps its whole size, width included.
    const QSize kept = form->Text1->size();
    form->resize(400, 10);
    QTRY_COMPARE(form->width(), 400);
    QVERIFY(form->frameGeometry().height() < heightMargin);
    QCOMPARE(form->Text1->size(), kept);
    QVERIFY(m_fake.messages.warnings.isEmpty());
}

void TestForm3::closeDestroysWindow()
{
    put("reciept.txt", kReceipt);
    QPointer<Form3> form = new Form3(m_fake.platform());
    form->showReceipt();
    QCOMPARE(form->p, 1);
    QVERIFY(form->close());
    QVERIFY(!form.isNull());
    QCOMPARE(form->p, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
}

void TestForm3::printerFailureIsReported()
{
    put("reciept.txt", kReceipt);
    m_fake.printer.failWith = "The printer is out of paper.";
    auto form = makeForm();
    form->showReceipt();
    QCoreApplication::processEvents();

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form.get(), &activate);

    QCOMPARE(m_fake.messages.warnings.size(), 1);
    QCOMPARE(m_fake.messages.warnings[0].title, QString("Receipt Preview"));
    QVERIFY(m_fake.messages.warnings[0].text.contains("out of paper"));
    QVERIFY(form->isVisible());
    QCOMPARE(form->p, 1);
    QCOMPARE(toAnsi(form->Text1->toPlainText()), QByteArray(kReceipt).replace("\r\n", "\n"));
}

void TestForm3::missingReceiptPrintsNothing()
{
    auto form = makeForm();
    form->showReceipt();
    QCoreApplication::processEvents();
    QVERIFY(m_fake.printer.jobs.isEmpty());
    QCOMPARE(m_fake.messages.warnings.size(), 1);
    QVERIFY(m_fake.messages.warnings[0].text.contains("reciept.txt"));
    QVERIFY(form->Text1->toPlainText().isEmpty());
    QCOMPARE(form->p, 1);
}

QTEST_MAIN(TestForm3)
#include "test_form3.moc"
