// Closes an order through the real windows and prints the receipt with the real printer on the
// system's default destination: a private CUPS scheduler whose default queue is a PDF printer
// (started by scripts/test when it runs as root). The PDF must hold the receipt's lines.

#include "fake_platform.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "platform/qt_platform.h"
#include "receipt_preview/form3.h"
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
};

void TestRealPrinting::receiptReachesThePdfPrinter()
{
    const QString pdfDir = qEnvironmentVariable("CORVALANE_TEST_PDF_DIR");
    if (pdfDir.isEmpty() || qEnvironmentVariableIsEmpty("CUPS_SERVER"))
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
    AppWindows windows(platform);
    Form1 form(platform, windows);
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
    QString pdf;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QStringList now = QDir(pdfDir).entryList({"*.pdf"}, QDir::Files, QDir::Time);
            for (const QString &name : now)
                if (!before.contains(name)) {
                    pdf = QDir(pdfDir).filePath(name);
                    return true;
                }
            return false;
        }(),
        60000);
    QProcess text;
    QString layout;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            text.start("pdftotext", {"-layout", pdf, "-"});
            text.waitForFinished(10000);
            layout = QString::fromUtf8(text.readAllStandardOutput());
            return layout.contains("Change");
        }(),
        20000);
    const QStringList expected{"Corvalane Hardware",
                               "12 Main St., Springfield",
                               "Reciept# 03-14-200409:05:33",
                               "Salesperson: Ann",
                               "2   Widget   4.50   $ 9",
                               "Subtotal        $9.00",
                               "Tax SD6%        $.54",
                               "Total           $9.54",
                               "Payment Type    Cash",
                               "Tendered        10",
                               "Change          $.46",
                               "\"Returns within 30 days.\""};
    // The PDF's text comes back with runs of blanks narrowed: compare with blanks simplified.
    const QString printed = layout.simplified();
    for (const QString &line : expected)
        QVERIFY2(printed.contains(line.simplified()),
                 qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(line, layout)));
    // Lines come out in the receipt's order.
    QVERIFY(layout.indexOf("Corvalane Hardware") < layout.indexOf("Widget"));
    QVERIFY(layout.indexOf("Widget") < layout.indexOf("Change"));
}

QTEST_MAIN(TestRealPrinting)
#include "test_real_printing.moc"
