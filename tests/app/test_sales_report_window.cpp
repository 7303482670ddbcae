// Reports, Sales of the main window shows the Sales Report: made and loaded when absent, left
// as it is while open, loaded afresh after its close box.

#include "fake_platform.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "sales_report/entry_list.h"
#include "sales_report/form4.h"
#include "sales_terminal/form1.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

using namespace pos;
using namespace pos::testing;

class TestSalesReportWindow : public QObject
{
    Q_OBJECT

private slots:
    void shownOnceAndLoadedAfresh();
};

void TestSalesReportWindow::shownOnceAndLoadedAfresh()
{
    WorkDir dir;
    dir.write("sales.txt", "\"R1\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n");
    dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
    FakePlatform fake;
    AppWindows windows(fake.platform(), fake.journal);
    Form1 form(fake.platform(), windows, fake.journal);
    windows.setMainWindow(&form);
    form.show();

    form.sales->trigger();
    QPointer<Form4> report = windows.salesReport();
    QVERIFY(report);
    QVERIFY(report->isVisible());
    QVERIFY(report->isWindow());
    QCOMPARE(report->parentWidget(), &form);
    QCOMPARE(report->List1->count(), 1);

    // Shown again while open: the same window, nothing read again.
    dir.write("sales.txt", QByteArray());
    report->Text4->setText("typed");
    form.sales->trigger();
    QCOMPARE(windows.salesReport(), report.data());
    QCOMPARE(report->List1->count(), 1);
    QCOMPARE(report->Text4->text(), QStringLiteral("typed"));

    // The close box destroys it; the next showing loads the journal as it is now.
    report->close();
    QTRY_VERIFY(!report);
    form.sales->trigger();
    QVERIFY(windows.salesReport());
    QCOMPARE(windows.salesReport()->List1->count(), 0);
    QCOMPARE(windows.salesReport()->Text4->text(), QStringLiteral("6"));
}

QTEST_MAIN(TestSalesReportWindow)
#include "test_sales_report_window.moc"
