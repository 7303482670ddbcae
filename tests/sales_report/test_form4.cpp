// The Sales Report window driven by its named controls over journals written for the test:
// loading, totals, the reconciliation, the cutoff, histories, Manage Sales and Print.

#include "fake_platform.h"
#include "work_dir.h"

#include "platform/twips.h"
#include "sales_report/entry_list.h"
#include "sales_report/form4.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace pos;
using namespace pos::testing;

namespace {

QByteArray sale(const QByteArray &key, const QByteArray &subtotal, const QByteArray &tax, const QByteArray &total,
                const QByteArray &payment = "Cash")
{
    return "\"" + key + "\",\"" + subtotal + "\",\"" + tax + "\",\"" + total + "\",\"" + payment + "\"\r\n";
}

const QByteArray kJournal =
    sale("Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann", "$9.00", "$.54", "$9.54")
    + sale("Reciept# 03-14-200409:10:00      Sale   Salesperson: Ann", "$10.00", "$.00", "$10.00")
    + sale("Reciept# 03-14-200409:12:00      Return   Salesperson: Bo", "-$12.50", "-$.75", "-$13.25")
    + sale("Reciept# 03-14-200409:12:00      Return   Salesperson: Bo", "-$12.50", "-$.75", "-$13.25")
    + sale("Reciept# 03-14-200410:00:00      Sale   Salesperson: Cy", "$1,234.50", "$80.24", "$1,314.74");

struct Report
{
    Report(const QByteArray &journal = kJournal, const QByteArray &tax = "\"6.50\",\"1\",\"5.5\"\r\n")
    {
        if (!journal.isNull())
            dir.write("sales.txt", journal);
        if (!tax.isNull())
            dir.write("tax.txt", tax);
    }
    Form4 &open()
    {
        form = std::make_unique<Form4>(fake.platform(), fake.journal);
        return *form;
    }
    void doubleClick(QLineEdit *box) { QTest::mouseDClick(box, Qt::LeftButton); }
    void refreshTotals()
    {
        doubleClick(form->Text1);
        doubleClick(form->Text2);
        doubleClick(form->Text3);
    }

    WorkDir dir;
    FakePlatform fake;
    std::unique_ptr<Form4> form;
};

QStringList items(const EntryList *list)
{
    QStringList all;
    for (int row = 0; row < list->count(); ++row)
        all << list->item(row);
    return all;
}

QColor textColour(const QLineEdit *box)
{
    return box->palette().color(QPalette::Text);
}

} // namespace

class TestForm4 : public QObject
{
    Q_OBJECT

private slots:
    void controlsAndLayout();
    void loadsTheJournal();
    void emptyOrMissingJournal();
    void onlyUntaxedSales();
    void recordsAcrossLinesAndIncompleteTail();
    void totalsReadTheLists();
    void calculateTaxReadsTheBoxes();
    void discrepancyStaysRed();
    void rateZeroLeavesSharesEmpty();
    void cutoffToNewFile();
    void cutoffOverExistingHistoryAsks();
    void cutoffOfEmptyJournal();
    void cutoffRefusesTheJournal_data();
    void cutoffRefusesTheJournal();
    void cutoffThatCannotWrite();
    void cutoffCancelled();
    void openHistoryThenCancel();
    void openHistoryListsEverything();
    void addHistoriesTwice();
    void historyThatCannotBeRead();
    void manageSales();
    void printTheWindow();
    void listsBehaveAsLists();
};

void TestForm4::controlsAndLayout()
{
    Report r;
    Form4 &f = r.open();
    QCOMPARE(f.objectName(), QStringLiteral("Form4"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Sales Report"));
    QVERIFY(f.testAttribute(Qt::WA_DeleteOnClose));

    struct Control
    {
        const char *name;
        const char *caption;
        int left, top, width, height;
    };
    const QList<Control> controls{
        {"Label3", "Gross Sales", 120, 0, 1935, 375},
        {"Label1", "Net Sales", 2160, 0, 1815, 375},
        {"Label2", "Sales Tax", 4200, 0, 1815, 375},
        {"List1", nullptr, 120, 480, 1935, 2985},
        {"List3", nullptr, 2160, 480, 1815, 2985},
        {"List2", nullptr, 4080, 480, 2055, 2985},
        {"Text1", nullptr, 120, 3480, 1935, 375},
        {"Text3", nullptr, 2160, 3480, 1815, 375},
        {"Text2", nullptr, 4080, 3480, 2055, 375},
        {"Command2", "Set Cutoff", 6240, 480, 1695, 375},
        {"Command3", "Open History", 6240, 960, 1695, 375},
        {"Command5", "Add Histories", 6240, 1440, 1695, 375},
        {"Command4", "Manage Sales", 6240, 1920, 1695, 375},
        {"Command6", "Print", 6240, 2400, 1695, 375},
        {"Label4", "Tax Rate in %", 120, 3960, -1, -1},
        {"Text4", nullptr, 1680, 3960, 495, 285},
        {"Text7", nullptr, 2280, 3960, 2295, 285},
        {"Label5", "State Tax %", 120, 4320, -1, -1},
        {"Text5", nullptr, 1680, 4320, 495, 285},
        {"Text8", nullptr, 2280, 4320, 2295, 285},
        {"Label6", "Municipal Tax %", 120, 4680, -1, -1},
        {"Text6", nullptr, 1680, 4680, 495, 285},
        {"Text9", nullptr, 2280, 4680, 2295, 285},
        {"Label9", "Non Tax Sales", 120, 5040, -1, -1},
        {"Label10", "0%", 1680, 5040, 495, 255},
        {"Text12", nullptr, 2280, 5040, 2295, 285},
        {"Command1", "Calculate Tax", 4680, 3960, 1455, 975},
        {"Label7", "Calculated tax", 6240, 3840, -1, -1},
        {"Text10", nullptr, 6240, 4080, 1695, 285},
        {"Label8", "Discrepency", 6240, 4440, -1, -1},
        {"Text11", nullptr, 6240, 4680, 1695, 285},
    };
    const qreal dpi = f.logicalDpiX();
    for (const Control &c : controls) {
        QWidget *w = f.findChild<QWidget *>(c.name);
        QVERIFY2(w, c.name);
        QCOMPARE(w->parentWidget(), &f);
        if (c.caption)
            QCOMPARE(w->property("text").toString(), QString::fromLatin1(c.caption));
        const QRect design = twipsRect(c.left, c.top, qMax(c.width, 0), qMax(c.height, 0), dpi);
        QCOMPARE(w->pos(), design.topLeft());
        if (c.width >= 0)
            QCOMPARE(w->size(), design.size());
        // Every text box can be typed into.
        if (auto *box = qobject_cast<QLineEdit *>(w))
            QVERIFY2(!box->isReadOnly(), c.name);
    }
    for (QWidget *w : {static_cast<QWidget *>(f.Label3), static_cast<QWidget *>(f.Label1),
                       static_cast<QWidget *>(f.Label2), static_cast<QWidget *>(f.Command1)}) {
        QVERIFY(w->font().bold());
        QCOMPARE(w->font().pointSizeF(), 13.5);
    }
    QVERIFY(f.Text10->font().bold());
    QVERIFY(f.Text11->font().bold());
    QVERIFY(!f.Text7->font().bold());
    QCOMPARE(f.CommonDialog1.Filter, QStringLiteral("Text Files (*.txt)|*.txt"));
}

void TestForm4::loadsTheJournal()
{
    Report r;
    Form4 &f = r.open();
    // Taxed sales listed; the repeated return once; the untaxed sale apart.
    QCOMPARE(items(f.List1), (QStringList{"9.00", "-12.50", "1234.50"}));
    QCOMPARE(items(f.List2), (QStringList{".54", "-.75", "80.24"}));
    QCOMPARE(items(f.List3), (QStringList{"9.54", "-13.25", "1314.74"}));
    QCOMPARE(f.Text12->text(), QStringLiteral("10"));
    QCOMPARE(f.Text1->text(), QStringLiteral("1231"));
    QCOMPARE(f.Text2->text(), QStringLiteral("80.03"));
    QCOMPARE(f.Text3->text(), QStringLiteral("1311.03"));
    // Rates as stored: 6.50 stays 6.50; field 2 is the municipal rate, field 3 the state rate.
    QCOMPARE(f.Text4->text(), QStringLiteral("6.50"));
    QCOMPARE(f.Text6->text(), QStringLiteral("1"));
    QCOMPARE(f.Text5->text(), QStringLiteral("5.5"));
    // The reconciliation ran: 80.03 collected against 1231 x 6.5%.
    QCOMPARE(f.Text7->text(), QStringLiteral("80.03"));
    QCOMPARE(f.Text8->text(), QStringLiteral("67.7176923076923"));
    QCOMPARE(f.Text9->text(), QStringLiteral("12.3123076923077"));
    QCOMPARE(f.Text10->text(), QStringLiteral("80.015"));
    QCOMPARE(f.Text11->text(), QStringLiteral("0.0150000000000006"));
    QCOMPARE(textColour(f.Text11), f.Text10->palette().color(QPalette::Text));
    // Loading wrote nothing.
    QCOMPARE(r.dir.read("sales.txt"), kJournal);
    QVERIFY(r.fake.messages.warnings.isEmpty());

    // The only sale: the totals of the $1,234.50 sale alone.
    Report one(sale("R1", "$1,234.50", "$80.24", "$1,314.74"));
    Form4 &g = one.open();
    QCOMPARE(g.Text1->text(), QStringLiteral("1234.5"));
    QCOMPARE(g.Text2->text(), QStringLiteral("80.24"));
    QCOMPARE(g.Text3->text(), QStringLiteral("1314.74"));
}

void TestForm4::emptyOrMissingJournal()
{
    for (const QByteArray &journal : {QByteArray(""), QByteArray()}) {
        Report r(journal, QByteArray());
        Form4 &f = r.open();
        QCOMPARE(f.List1->count(), 0);
        QCOMPARE(f.List2->count(), 0);
        QCOMPARE(f.List3->count(), 0);
        QCOMPARE(f.Text1->text(), QStringLiteral("0"));
        QCOMPARE(f.Text2->text(), QStringLiteral("0"));
        QCOMPARE(f.Text3->text(), QStringLiteral("0"));
        QCOMPARE(f.Text12->text(), QString());
        // No "tax.txt": empty rates, no division by the empty rate, the window usable.
        QCOMPARE(f.Text4->text(), QString());
        QCOMPARE(f.Text8->text(), QString());
        QCOMPARE(f.Text10->text(), QStringLiteral("0"));
        QCOMPARE(f.Text11->text(), QString());
        QVERIFY(r.fake.messages.warnings.isEmpty());
        QVERIFY(!r.dir.exists("tax.txt"));
    }
    // A folder where the journal should be.
    Report folder{QByteArray(), QByteArray()};
    QVERIFY(QDir(folder.dir.path()).mkdir("sales.txt"));
    QCOMPARE(folder.open().List1->count(), 0);
}

void TestForm4::onlyUntaxedSales()
{
    Report r(sale("R1", "$10.00", "$.00", "$10.00") + sale("R2", "$5.25", "$.00", "$5.25")
             + sale("R3", "$1.00", "0.004", "$1.00"));
    Form4 &f = r.open();
    QCOMPARE(f.List1->count(), 0);
    QCOMPARE(f.Text1->text(), QStringLiteral("0"));
    QCOMPARE(f.Text12->text(), QStringLiteral("16.25"));

    // The first record's empty key equals the starting key: it is skipped.
    Report empty(sale("", "$10.00", "$.00", "$10.00") + sale("R2", "$2.00", "0.005", "$2.01"));
    Form4 &g = empty.open();
    QCOMPARE(g.Text12->text(), QString());
    QCOMPARE(items(g.List2), QStringList{".01"});
}

void TestForm4::recordsAcrossLinesAndIncompleteTail()
{
    Report r("\"R1\",\"$1.00\"\r\n\"$.06\",\"$1.06\",\"Cash\"\r\n\"R2\",\"$2.00\",\"$.12\",\"$2.12\",\"Cash\"\r\n"
             "\"R3\",\"$5.00\",\"$.30\"");
    Form4 &f = r.open();
    QCOMPARE(items(f.List1), (QStringList{"1.00", "2.00"}));
    QCOMPARE(f.Text1->text(), QStringLiteral("3"));
    // An order closed without lines is listed with empty entries, counting 0.
    Report lines(sale("R1", "", "", "") + sale("R2", "n/a", "$.10", "$1.10"));
    Form4 &g = lines.open();
    QCOMPARE(items(g.List1), (QStringList{"", "n/a"}));
    QCOMPARE(g.Text1->text(), QStringLiteral("0"));
    QCOMPARE(g.Text2->text(), QStringLiteral("0.1"));
}

void TestForm4::totalsReadTheLists()
{
    Report r;
    Form4 &f = r.open();
    f.Text1->setText("typed");
    f.Text2->setText("typed");
    r.doubleClick(f.Text1);
    QCOMPARE(f.Text1->text(), QStringLiteral("1231"));
    QCOMPARE(f.Text2->text(), QStringLiteral("typed"));
    r.doubleClick(f.Text2);
    QCOMPARE(f.Text2->text(), QStringLiteral("80.03"));
}

void TestForm4::calculateTaxReadsTheBoxes()
{
    Report r;
    Form4 &f = r.open();
    f.Text1->setText("200");
    f.Text2->setText("12");
    f.Text4->setText("6");
    f.Text5->setText("4");
    f.Text6->setText("2");
    f.Text11->setText("before");
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text7->text(), QStringLiteral("12"));
    QCOMPARE(f.Text8->text(), QStringLiteral("8"));
    QCOMPARE(f.Text9->text(), QStringLiteral("4"));
    QCOMPARE(f.Text10->text(), QStringLiteral("12"));
    // Equal: the discrepancy box keeps its text.
    QCOMPARE(f.Text11->text(), QStringLiteral("before"));

    f.Text1->setText("100.5");
    f.Text4->setText("6.5");
    f.Text2->setText("6.53");
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text10->text(), QStringLiteral("6.5325"));
    QCOMPARE(f.Text11->text(), QStringLiteral("-0.0024999999999995"));
    QCOMPARE(textColour(f.Text11), QColor(255, 0, 0));
    // A long result shows its start, as a text box does.
    QCOMPARE(f.Text11->cursorPosition(), 0);

    // A Gross Sales total that is not a number in full counts as 0.
    f.Text1->setText("100 dollars");
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text10->text(), QStringLiteral("0"));
}

void TestForm4::discrepancyStaysRed()
{
    Report r;
    Form4 &f = r.open();
    const QColor normal = textColour(f.Text10);
    f.Text1->setText("200");
    f.Text4->setText("6");
    f.Text5->setText("4");
    f.Text6->setText("2");
    f.Text2->setText("12.25");
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text11->text(), QStringLiteral("0.25"));
    QCOMPARE(textColour(f.Text11), normal);
    f.Text2->setText("11.5");
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text11->text(), QStringLiteral("-0.5"));
    QCOMPARE(textColour(f.Text11), QColor(255, 0, 0));
    f.Text2->setText("12.25");
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text11->text(), QStringLiteral("0.25"));
    QCOMPARE(textColour(f.Text11), QColor(255, 0, 0));
}

void TestForm4::rateZeroLeavesSharesEmpty()
{
    Report r(sale("R1", "$100.00", "$6.00", "$106.00"), "\"0\",\"1\",\"5\"\r\n");
    Form4 &f = r.open();
    QCOMPARE(f.Text7->text(), QStringLiteral("6"));
    QCOMPARE(f.Text8->text(), QString());
    QCOMPARE(f.Text9->text(), QString());
    QCOMPARE(f.Text10->text(), QStringLiteral("0"));
    QCOMPARE(f.Text11->text(), QStringLiteral("6"));
    QCOMPARE(textColour(f.Text11), textColour(f.Text10));
}

void TestForm4::cutoffToNewFile()
{
    Report r;
    Form4 &f = r.open();
    const QString history = r.dir.filePath("march.txt");
    r.fake.dialogs.fileAnswers << history;
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    QCOMPARE(r.fake.dialogs.fileRequests.size(), 1);
    QCOMPARE(r.fake.dialogs.fileRequests.last().filter, QStringLiteral("Text File (*.txt)|*.txt"));
    QVERIFY(!r.fake.dialogs.fileRequests.last().fileMustExist);
    QVERIFY(r.fake.messages.questions.isEmpty());
    QVERIFY(r.fake.messages.warnings.isEmpty());
    // Every record, the repeat included, as five quoted fields.
    QCOMPARE(r.dir.read("march.txt"), kJournal);
    QCOMPARE(r.dir.read("sales.txt"), QByteArray());
    // The window still shows the journal as loaded.
    QCOMPARE(f.List1->count(), 3);
    QCOMPARE(f.Text1->text(), QStringLiteral("1231"));
    // The filter stays for later dialogs, and the name chosen is offered again.
    r.fake.dialogs.fileAnswers << std::nullopt;
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(r.fake.dialogs.fileRequests.last().filter, QStringLiteral("Text File (*.txt)|*.txt"));
    QCOMPARE(r.fake.dialogs.fileRequests.last().fileName, history);
}

void TestForm4::cutoffOverExistingHistoryAsks()
{
    Report r;
    Form4 &f = r.open();
    const QByteArray older = sale("OLD", "$1.00", "$.06", "$1.06");
    r.dir.write("history.txt", older);
    // No: nothing changes.
    r.fake.dialogs.fileAnswers << r.dir.filePath("history.txt");
    r.fake.messages.answers << false;
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    QCOMPARE(r.fake.messages.questions.size(), 1);
    QVERIFY2(r.fake.messages.questions.first().text.contains("history.txt"),
             qPrintable(r.fake.messages.questions.first().text));
    QCOMPARE(r.fake.messages.questions.first().title, QStringLiteral("Sales Report"));
    QCOMPARE(r.dir.read("history.txt"), older);
    QCOMPARE(r.dir.read("sales.txt"), kJournal);
    // Yes: replaced, not appended to.
    r.fake.dialogs.fileAnswers << r.dir.filePath("history.txt");
    r.fake.messages.answers << true;
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    QCOMPARE(r.fake.messages.questions.size(), 2);
    QCOMPARE(r.dir.read("history.txt"), kJournal);
    QCOMPARE(r.dir.read("sales.txt"), QByteArray());
    // An existing empty file is no earlier period: no question.
    r.dir.write("empty.txt", QByteArray());
    r.dir.write("sales.txt", older);
    r.fake.dialogs.fileAnswers << r.dir.filePath("empty.txt");
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    QCOMPARE(r.fake.messages.questions.size(), 2);
    QCOMPARE(r.dir.read("empty.txt"), older);
    QVERIFY(r.fake.messages.warnings.isEmpty());
}

void TestForm4::cutoffOfEmptyJournal()
{
    Report r("");
    Form4 &f = r.open();
    r.fake.dialogs.fileAnswers << QStringLiteral("period.txt");
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    QVERIFY(r.dir.exists("period.txt"));
    QCOMPARE(r.dir.read("period.txt"), QByteArray());
    QCOMPARE(r.dir.read("sales.txt"), QByteArray());
    QVERIFY(r.fake.messages.warnings.isEmpty());
}

void TestForm4::cutoffRefusesTheJournal_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("sales.txt") << "sales.txt";
    QTest::newRow("./sales.txt") << "./sales.txt";
    QTest::newRow("full path") << "<full>";
#ifdef Q_OS_UNIX
    QTest::newRow("symbolic link") << "link.txt";
    QTest::newRow("hard link") << "hard.txt";
#endif
}

void TestForm4::cutoffRefusesTheJournal()
{
    QFETCH(QString, name);
    Report r;
    Form4 &f = r.open();
#ifdef Q_OS_UNIX
    QVERIFY(QFile::link(r.dir.filePath("sales.txt"), r.dir.filePath("link.txt")));
    QCOMPARE(::link(QFile::encodeName(r.dir.filePath("sales.txt")).constData(), "hard.txt"), 0);
#endif
    if (name == QLatin1String("<full>"))
        name = r.dir.filePath("sales.txt");
    r.fake.dialogs.fileAnswers << name;
    r.fake.messages.answers << true;
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    // Refused at once, without asking whether to replace it.
    QVERIFY(r.fake.messages.questions.isEmpty());
    QCOMPARE(r.fake.messages.warnings.size(), 1);
    QVERIFY2(r.fake.messages.warnings.first().text.contains("\"sales.txt\""),
             qPrintable(r.fake.messages.warnings.first().text));
    QCOMPARE(r.dir.read("sales.txt"), kJournal);
}

void TestForm4::cutoffThatCannotWrite()
{
    Report r;
    Form4 &f = r.open();
    QVERIFY(QDir(r.dir.path()).mkdir("folder.txt"));
    for (const QString &name : {r.dir.filePath("nowhere/h.txt"), r.dir.filePath("folder.txt")}) {
        r.fake.dialogs.fileAnswers << name;
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QVERIFY(!r.fake.messages.warnings.isEmpty());
        const QString text = r.fake.messages.warnings.last().text;
        QVERIFY2(text.contains(QDir::toNativeSeparators(name)), qPrintable(text));
        QCOMPARE(r.dir.read("sales.txt"), kJournal);
    }
    QCOMPARE(r.fake.messages.warnings.size(), 2);
    QVERIFY(r.fake.messages.questions.isEmpty());
}

void TestForm4::cutoffCancelled()
{
    Report r;
    Form4 &f = r.open();
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    QCOMPARE(r.fake.dialogs.fileRequests.size(), 1);
    QCOMPARE(r.dir.read("sales.txt"), kJournal);
    QCOMPARE(QDir(r.dir.path()).entryList(QDir::Files), (QStringList{"sales.txt", "tax.txt"}));
    QVERIFY(r.fake.messages.warnings.isEmpty());
}

void TestForm4::openHistoryThenCancel()
{
    Report r;
    Form4 &f = r.open();
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(r.fake.dialogs.fileRequests.size(), 1);
    QCOMPARE(r.fake.dialogs.fileRequests.first().filter, QStringLiteral("Text Files (*.txt)|*.txt"));
    QCOMPARE(f.List1->count(), 0);
    QCOMPARE(f.List2->count(), 0);
    QCOMPARE(f.List3->count(), 0);
    // Nothing recomputed until the totals are double-clicked.
    QCOMPARE(f.Text1->text(), QStringLiteral("1231"));
    QCOMPARE(f.Text12->text(), QStringLiteral("10"));
    r.refreshTotals();
    QCOMPARE(f.Text1->text(), QStringLiteral("0"));
    QCOMPARE(f.Text2->text(), QStringLiteral("0"));
    QCOMPARE(f.Text3->text(), QStringLiteral("0"));
}

void TestForm4::openHistoryListsEverything()
{
    Report r;
    Form4 &f = r.open();
    r.dir.write("tax.txt", "\"7\",\"2\",\"5\"\r\n");
    // A history written by Set Cutoff: untaxed sales listed, repeats once, Text12 untouched.
    r.fake.dialogs.fileAnswers << r.dir.filePath("march.txt");
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    r.fake.dialogs.fileAnswers << r.dir.filePath("march.txt");
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(items(f.List1), (QStringList{"9.00", "10.00", "-12.50", "1234.50"}));
    QCOMPARE(items(f.List2), (QStringList{".54", ".00", "-.75", "80.24"}));
    QCOMPARE(items(f.List3), (QStringList{"9.54", "10.00", "-13.25", "1314.74"}));
    QCOMPARE(f.Text12->text(), QStringLiteral("10"));
    QCOMPARE(f.Text1->text(), QStringLiteral("1231"));
    // "tax.txt" read again.
    QCOMPARE(f.Text4->text(), QStringLiteral("7"));
    QCOMPARE(f.Text6->text(), QStringLiteral("2"));
    QCOMPARE(f.Text5->text(), QStringLiteral("5"));
    r.refreshTotals();
    QCOMPARE(f.Text1->text(), QStringLiteral("1241"));
    QCOMPARE(f.Text2->text(), QStringLiteral("80.03"));
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text10->text(), QStringLiteral("86.87"));

    // "sales.txt" itself can be opened as a history.
    r.dir.write("sales.txt", kJournal);
    r.fake.dialogs.fileAnswers << QStringLiteral("sales.txt");
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(f.List1->count(), 4);
    QVERIFY(r.fake.messages.warnings.isEmpty());
}

void TestForm4::addHistoriesTwice()
{
    const QByteArray period = sale("A", "$1.00", "$.06", "$1.06") + sale("B", "$2.00", "$.00", "$2.00");
    Report r;
    r.dir.write("p.txt", period);
    Form4 &f = r.open();
    r.fake.dialogs.fileAnswers << QStringLiteral("p.txt") << QStringLiteral("p.txt");
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    QCOMPARE(items(f.List1), (QStringList{"9.00", "-12.50", "1234.50", "1.00", "2.00", "1.00", "2.00"}));
    QCOMPARE(f.List2->count(), 7);
    QCOMPARE(f.List3->count(), 7);
    // Cancel adds nothing.
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    QCOMPARE(f.List1->count(), 7);
    r.refreshTotals();
    QCOMPARE(f.Text1->text(), QStringLiteral("1237"));
}

void TestForm4::historyThatCannotBeRead()
{
    Report r;
    Form4 &f = r.open();
    r.fake.dialogs.fileAnswers << r.dir.filePath("typo.txt");
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(f.List1->count(), 0);
    QCOMPARE(r.fake.messages.warnings.size(), 1);
    QVERIFY2(r.fake.messages.warnings.first().text.contains("typo.txt"),
             qPrintable(r.fake.messages.warnings.first().text));
    QVERIFY(!r.dir.exists("typo.txt"));
}

void TestForm4::manageSales()
{
    Report r;
    Form4 &f = r.open();
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    QCOMPARE(r.fake.editor.opened, QStringList{"sales.txt"});
    QCOMPARE(r.fake.editor.windows, QList<EditorWindow>{EditorWindow::Maximized});
    QVERIFY(r.fake.messages.warnings.isEmpty());
    r.fake.editor.succeed = false;
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    QCOMPARE(r.fake.messages.warnings.size(), 1);
    QVERIFY(r.fake.messages.warnings.first().text.contains("sales.txt"));
}

void TestForm4::printTheWindow()
{
    Report r;
    Form4 &f = r.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.Command6, Qt::LeftButton);
    QCOMPARE(r.fake.printer.images.size(), 1);
    const QImage image = r.fake.printer.images.first();
    QCOMPARE(image.size(), f.size() * f.devicePixelRatio());
    // The image is the window as shown: the Gross Sales column's first entry is drawn where
    // the list is.
    QCOMPARE(QImage(f.grab().toImage()), image);

    r.fake.printer.failWith = QStringLiteral("No printer is installed.");
    QTest::mouseClick(f.Command6, Qt::LeftButton);
    QCOMPARE(r.fake.messages.warnings.size(), 1);
    QCOMPARE(r.fake.messages.warnings.first().text, QStringLiteral("No printer is installed."));
    QCOMPARE(r.fake.messages.warnings.first().title, QStringLiteral("Sales Report"));
}

void TestForm4::listsBehaveAsLists()
{
    QByteArray journal;
    for (int i = 0; i < 5000; ++i)
        journal += sale("R" + QByteArray::number(i), "$" + QByteArray::number(i) + ".00", "$.06", "$1.06");
    Report r(journal);
    Form4 &f = r.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.List1->count(), 5000);
    const int h = f.List1->rowHeight();
    QTest::mouseClick(f.List1->viewport(), Qt::LeftButton, {}, QPoint(5, 2 * h + h / 2));
    QCOMPARE(f.List1->currentIndex().row(), 2);
    QTest::keyClick(f.List1, Qt::Key_End);
    QCOMPARE(f.List1->currentIndex().row(), f.List1->count() - 1);
    // The last row is shown whole at the foot of the list.
    const int lastShown = (f.List1->visibleRows() - 1) * h + h / 2;
    QCOMPARE(f.List1->indexAt(QPoint(5, lastShown)).data().toString(), QStringLiteral("4999.00"));
}

QTEST_MAIN(TestForm4)
#include "test_form4.moc"
