// The command driver the tests of the real program use: commands reach the named controls,
// replies tell what the program did, the scripted services answer in order.

#include "work_dir.h"

#include "app/app_windows.h"
#include "app/automation.h"
#include "core/journal/journal.h"
#include "sales_terminal/form1.h"

#include <QLineEdit>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace pos;
using namespace pos::testing;

class TestAutomation : public QObject
{
    Q_OBJECT

private slots:
    void escapes();
    void drivesAnOrder();
    void badCommandsAreTold();
    void lastLookToldAtTheEnd();
};

void TestAutomation::escapes()
{
    const QString text = QStringLiteral("a\\b\nc\rd\te");
    QCOMPARE(automationEscape(text), QStringLiteral("a\\\\b\\nc\\rd\\te"));
    QCOMPARE(automationUnescape(automationEscape(text)), text);
    QCOMPARE(automationUnescape(QStringLiteral("end\\")), QStringLiteral("end\\"));
}

void TestAutomation::drivesAnOrder()
{
    WorkDir dir;
    dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
    Automation automation;
    Journal journal;
    AppWindows windows(automation.platform(), journal);
    Form1 form(automation.platform(), windows, journal);
    windows.setMainWindow(&form);
    form.show();

    QCOMPARE(automation.execute("set Form1.txtQty1 2"), QStringList{"ok"});
    automation.execute("set Form1.Price1 4.50");
    automation.execute("click Form1.Command1");
    QCOMPARE(automation.execute("get Form1.Text5"), (QStringList{"value $9.54", "ok"}));
    automation.execute("set Form1.Text6 10");
    const QStringList closed = automation.execute("click Form1.Command2");
    QCOMPARE(closed.last(), QStringLiteral("ok"));
    QCOMPARE(closed.filter(QRegularExpression("^printed \\d+$")).size(), 1);
    QVERIFY(dir.read("sales.txt").endsWith("\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n"));

    // A failure shown to the clerk comes with the reply.
    QVERIFY(QFile::remove(dir.filePath("sales.txt")));
    QVERIFY(QDir(dir.path()).mkdir("sales.txt"));
    automation.execute("click Form1.Command3");
    automation.execute("click Form1.Command1");
    const QStringList failed = automation.execute("click Form1.Command2");
    QVERIFY2(failed.first().startsWith("message ") && failed.first().contains("sales.txt"),
             qPrintable(failed.join('|')));

    // A list's lines come joined, escaped.
    const QStringList list = automation.execute("get Form1.List1");
    QVERIFY(list.first().startsWith("value Reciept# "));
}

void TestAutomation::badCommandsAreTold()
{
    WorkDir dir;
    Automation automation;
    Journal journal;
    AppWindows windows(automation.platform(), journal);
    Form1 form(automation.platform(), windows, journal);
    QCOMPARE(automation.execute("click Form9.Command1"), QStringList{"error no window Form9"});
    QCOMPARE(automation.execute("click Form1.Nothing"), QStringList{"error no control Form1.Nothing"});
    QCOMPARE(automation.execute("click Form1.Text8"), QStringList{"error Form1.Text8 is not a button"});
    QCOMPARE(automation.execute("select Form1.List1 99"), QStringList{"error no row 99 in Form1.List1"});
    QCOMPARE(automation.execute("frobnicate"), QStringList{"error unknown command frobnicate"});
    QCOMPARE(automation.execute("set Form1.Text8 Ann\\nSmith"), QStringList{"ok"});
    QVERIFY(form.Text8->text().startsWith("Ann"));
}

// The program by its full path, taken at start: a test that moves into a temporary folder on
// another drive (Windows) would otherwise read the build's path as one on that drive.
const QString kProgram = QFileInfo(QStringLiteral(POS_PROGRAM)).absoluteFilePath();

// The program's last look at the journal, after its event loop, reaches the driver: a sale an
// editor removed while the program ran is told after "quit", before "end".
void TestAutomation::lastLookToldAtTheEnd()
{
    WorkDir dir;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.path());
    program.start(kProgram, {QStringLiteral("--automation")});
    QVERIFY(program.waitForStarted(10000));
    // Sends the command and reads the output up to the line that ends its reply.
    const auto replyTo = [&](const QByteArray &command, const QByteArray &last) {
        program.write(command);
        QByteArray out;
        // Windows' standard output ends its lines with CR LF.
        while (!out.endsWith(last) && !out.contains("error ") && program.waitForReadyRead(30000))
            out += program.readAll().replace("\r\n", "\n");
        return out;
    };
    QVERIFY(replyTo({}, "ready\n").endsWith("ready\n"));
    QByteArray closed;
    for (const char *command : {"set Form1.Text8 Ann\n", "click Form1.Command3\n", "set Form1.Price1 5\n",
                                "click Form1.Command1\n", "set Form1.Text6 10\n", "click Form1.Command2\n"})
        closed += replyTo(command, "ok\n");
    QVERIFY2(!closed.contains("message") && !closed.contains("error"), closed.constData());
    QVERIFY2(dir.read("sales.txt").contains("Salesperson: Ann"), closed.constData());
    // A text editor saves the journal as it was before the sale.
    dir.write("sales.txt", {});
    const QByteArray ended = replyTo("quit\n", "end\n");
    QVERIFY(program.waitForFinished(30000));
    QVERIFY2(ended.startsWith("ok\nmessage Sales this program recorded are no longer in") && ended.endsWith("\nend\n")
                 && ended.contains("Salesperson: Ann"),
             ended.constData());
}

QTEST_MAIN(TestAutomation)
#include "test_automation.moc"
