// Closes an order through the real windows and prints the receipt with the real printer on the
// system's default destination: a private CUPS scheduler whose default queue is a PDF printer
// (started by scripts/test when it runs as root). The PDF must hold the receipt's lines.
// The Sales Report prints its window's image the same way: a page with the image comes out.
// The Sales Summary prints its table as text over as many pages as it takes.

#include "fake_platform.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "platform/qt_platform.h"
#include "receipt_preview/form3.h"
#include "sales_report/form4.h"
#include "sales_summary/form_summary.h"
#include "sales_terminal/form1.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace pos;
using namespace pos::testing;

class TestRealPrinting : public QObject
{
    Q_OBJECT

private slots:
    void receiptReachesThePdfPrinter();
    void reportReachesThePdfPrinter();
    void summaryReachesThePdfPrinter();
};

namespace {

// Skips the test where no private scheduler with a PDF printer runs; otherwise the PDF folder.
QString pdfFolder()
{
    const QString pdfDir = qEnvironmentVariable("CORVALANE_TEST_PDF_DIR");
    if (pdfDir.isEmpty() || qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        return {};
    return pdfDir;
}

// The first PDF in the folder that was not there before, once cups-pdf has written it.
QString newPdf(const QString &pdfDir, const QStringList &before)
{
    QString pdf;
    const bool found = QTest::qWaitFor(
        [&] {
            const QStringList now = QDir(pdfDir).entryList({"*.pdf"}, QDir::Files, QDir::Time);
            for (const QString &name : now)
                if (!before.contains(name)) {
                    pdf = QDir(pdfDir).filePath(name);
                    return true;
                }
            return false;
        },
        60000);
    return found ? pdf : QString();
}

// The PDF's text laid out as printed, once it holds `mark` (cups-pdf may still be writing it);
// empty when it never does.
QString pdfText(const QString &pdf, const QString &mark)
{
    QString layout;
    (void)QTest::qWaitFor(
        [&] {
            QProcess text;
            text.start("pdftotext", {"-layout", pdf, "-"});
            text.waitForFinished(10000);
            layout = QString::fromUtf8(text.readAllStandardOutput());
            return layout.contains(mark);
        },
        20000);
    return layout;
}

} // namespace

void TestRealPrinting::receiptReachesThePdfPrinter()
{
    const QString pdfDir = pdfFolder();
    if (pdfDir.isEmpty())
        QSKIP("No private CUPS scheduler with a PDF printer: scripts/test starts one when run as root");
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QVERIFY2(!QPrinterInfo::defaultPrinterName().isEmpty(), "the private scheduler has no default printer");

    const QStringList before = QDir(pdfDir).entryList({"*.pdf"}, QDir::Files);

    WorkDir dir;
    dir.write("Header.txt", "\"Corvalane Hardware\"\r\n\"12 Main St., Springfield\"\r\n");
    dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
    dir.write("return.txt", "\"Returns within 30 days.\"\r\n");
    dir.write("font.txt", "\"Courier New\",#FALSE#,#FALSE#,10\r\n");

    FakePlatform fake;
    QtPrinter printer;
    const Platform platform{fake.clock, fake.dialogs, printer, fake.editor, fake.messages};
    AppWindows windows(platform, fake.journal);
    Form1 form(platform, windows, fake.journal);
    windows.setMainWindow(&form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Text8->setText("Ann");
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    form.txtQty1->setText("2");
    form.Description1->setEditText("Widget");
    form.Price1->setText("4.50");
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QTest::keyClicks(form.Text6, "10");
    QTest::mouseClick(form.Command2, Qt::LeftButton);

    for (const Message &m : fake.messages.warnings)
        qWarning("%s", qPrintable(m.text));
    QVERIFY(fake.messages.warnings.isEmpty());
    QVERIFY(windows.receiptPreview());

    // cups-pdf writes the file when the job has gone through the queue.
    const QString pdf = newPdf(pdfDir, before);
    QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
    const QString layout = pdfText(pdf, "Change");
    QVERIFY2(layout.contains("Change"), qPrintable(layout));
    const QStringList expected{"Corvalane Hardware",   "12 Main St., Springfield", "Reciept# 03-14-200409:05:33",
                               "Salesperson: Ann",     "2   Widget   4.50   $ 9",  "Subtotal        $9.00",
                               "Tax SD6%        $.54", "Total           $9.54",    "Payment Type    Cash",
                               "Tendered        10",   "Change          $.46",     "\"Returns within 30 days.\""};
    // The PDF's text comes back with runs of blanks narrowed: compare with blanks simplified.
    const QString printed = layout.simplified();
    for (const QString &line : expected)
        QVERIFY2(printed.contains(line.simplified()),
                 qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(line, layout)));
    // Lines come out in the receipt's order.
    QVERIFY(layout.indexOf("Corvalane Hardware") < layout.indexOf("Widget"));
    QVERIFY(layout.indexOf("Widget") < layout.indexOf("Change"));
}

void TestRealPrinting::reportReachesThePdfPrinter()
{
    const QString pdfDir = pdfFolder();
    if (pdfDir.isEmpty())
        QSKIP("No private CUPS scheduler with a PDF printer: scripts/test starts one when run as root");
    if (QStandardPaths::findExecutable("pdfimages").isEmpty())
        QSKIP("pdfimages (poppler-utils) is not installed");
    QVERIFY2(!QPrinterInfo::defaultPrinterName().isEmpty(), "the private scheduler has no default printer");

    const QStringList before = QDir(pdfDir).entryList({"*.pdf"}, QDir::Files);

    WorkDir dir;
    dir.write("sales.txt", "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\","
                           "\"$9.54\",\"Cash\"\r\n");
    dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");

    FakePlatform fake;
    QtPrinter printer;
    const Platform platform{fake.clock, fake.dialogs, printer, fake.editor, fake.messages};
    auto *report = new Form4(platform, fake.journal);
    report->show();
    QVERIFY(QTest::qWaitForWindowExposed(report));
    QTest::mouseClick(report->Command6, Qt::LeftButton);
    for (const Message &m : fake.messages.warnings)
        qWarning("%s", qPrintable(m.text));
    QVERIFY(fake.messages.warnings.isEmpty());
    const QSize shown = report->size() * report->devicePixelRatio();
    report->close();

    const QString pdf = newPdf(pdfDir, before);
    QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
    // One page holding one image of the window's proportions.
    QProcess images;
    QString list;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            images.start("pdfimages", {"-list", pdf});
            images.waitForFinished(10000);
            list = QString::fromUtf8(images.readAllStandardOutput());
            return list.contains("image");
        }(),
        20000);
    const QStringList lines = list.split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 3, qPrintable(list));
    // page num type width height ...
    const QStringList columns = lines.at(2).simplified().split(' ');
    QCOMPARE(columns.at(0), QStringLiteral("1"));
    const double ratio = columns.at(3).toDouble() / columns.at(4).toDouble();
    QVERIFY2(qAbs(ratio - double(shown.width()) / shown.height()) < 0.02, qPrintable(list));
}

void TestRealPrinting::summaryReachesThePdfPrinter()
{
    const QString pdfDir = pdfFolder();
    if (pdfDir.isEmpty())
        QSKIP("No private CUPS scheduler with a PDF printer: scripts/test starts one when run as root");
    if (QStandardPaths::findExecutable("pdftotext").isEmpty() || QStandardPaths::findExecutable("pdfinfo").isEmpty())
        QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
    QVERIFY2(!QPrinterInfo::defaultPrinterName().isEmpty(), "the private scheduler has no default printer");

    const QStringList before = QDir(pdfDir).entryList({"*.pdf"}, QDir::Files);

    // A sale a day for 400 days: 400 day rows, more than one page holds.
    WorkDir dir;
    dir.write("Header.txt", "\"Corvalane Hardware\"\r\n\"12 Main St., Springfield\"\r\n");
    QByteArray journal;
    for (int day = 0; day < 400; ++day)
        journal += "\"Reciept# " + QDate(2004, 1, 1).addDays(day).toString("MM-dd-yyyy").toLatin1()
                   + "09:00:00      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n";
    dir.write("sales.txt", journal);

    FakePlatform fake;
    QtPrinter printer;
    const Platform platform{fake.clock, fake.dialogs, printer, fake.editor, fake.messages};
    FormSummary summary(platform, fake.journal);
    summary.show();
    QVERIFY(QTest::qWaitForWindowExposed(&summary));
    QTest::mouseClick(summary.Command3, Qt::LeftButton);
    for (const Message &m : fake.messages.warnings)
        qWarning("%s", qPrintable(m.text));
    QVERIFY(fake.messages.warnings.isEmpty());

    const QString pdf = newPdf(pdfDir, before);
    QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
    const QString layout = pdfText(pdf, "Total");
    QVERIFY2(layout.contains("Total"), qPrintable(layout));
    const QString printed = layout.simplified();
    for (const QString &line :
         {QStringLiteral("Corvalane Hardware"), QStringLiteral("12 Main St., Springfield"),
          QStringLiteral("Sales Summary, 01-01-2004 to 02-03-2005"), QStringLiteral("02-03-2005 1 9.00 0.54 9.54"),
          QStringLiteral("01-01-2004 1 9.00 0.54 9.54"), QStringLiteral("Total 400 3600.00 216.00 3816.00")})
        QVERIFY2(printed.contains(line), qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(line, layout)));
    QProcess info;
    info.start("pdfinfo", {pdf});
    QVERIFY(info.waitForFinished(10000));
    const QString pages =
        QString::fromUtf8(info.readAllStandardOutput()).section("Pages:", 1).simplified().section(' ', 0, 0);
    QVERIFY2(pages.toInt() > 1, qPrintable(pages));
}

QTEST_MAIN(TestRealPrinting)
#include "test_real_printing.moc"
