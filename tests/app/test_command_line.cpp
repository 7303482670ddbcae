// The real program's command line: --help and --version answer and end, a wrong command line is
// refused with the usage and status 2; all of them with no display to open a window on and with
// the shop folder's lock held by another copy (a start that came to the lock would be refused
// with status 1, and told so). A start with no display says so. The manual page lists the
// options the help lists. --check-backup checks a backup and ends, the same way.

#include "app/shop_lock.h"
#include "automation_run.h"
#include "core/backup/backup.h"
#include "core/journal/journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace pos;
using pos::testing::AutomationRun;
using pos::testing::runAutomation;

namespace {

// The options named in the text ("--user-shop"; "\-\-user\-shop" in a manual page's source).
QSet<QString> optionsIn(QString text)
{
    text.remove(QLatin1Char('\\'));
    QSet<QString> options;
    const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]*"));
    for (const QRegularExpressionMatch &match : option.globalMatch(text))
        options.insert(match.captured());
    return options;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void answeredBeforeWindowAndLock_data();
    void answeredBeforeWindowAndLock();
    void refusedInItsOwnFolder();
    void checksABackup();
    void dropDownsNamedFirstThing();
};

void TestCommandLine::answeredBeforeWindowAndLock_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");   // the start of the standard output
    QTest::addColumn<QString>("error"); // the start of the error output
    const QString usage = QStringLiteral("Usage: corvalane-pos [options]\n");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << QString();
    QTest::newRow("/?, as Windows users ask") << QStringList{"/?"} << 0 << usage << QString();
    QTest::newRow("-h, with the user's shop") << QStringList{"--user-shop", "-h"} << 0 << usage << QString();
    QTest::newRow("--version") << QStringList{"--version"} << 0
                               << QStringLiteral("corvalane-pos " CORVALANE_VERSION "\n") << QString();
    QTest::newRow("unknown option") << QStringList{"--user-shop", "--frobnicate"} << 2 << QString()
                                    << "corvalane-pos: Unknown option 'frobnicate'.\n\n" + usage;
    QTest::newRow("argument") << QStringList{"sales.txt"} << 2 << QString()
                              << "corvalane-pos: Unexpected argument 'sales.txt'.\n\n" + usage;
#ifndef Q_OS_WIN
    // A start with no display is told so before Qt would abort, before the lock or the user's
    // shop folder (Windows always has its desktop).
    const QString noDisplay = QStringLiteral(
        "corvalane-pos: there is no display to show the windows on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
        "Start it from the desktop, or without one under a virtual display: xvfb-run corvalane-pos\n");
    QTest::newRow("no display") << QStringList{} << 1 << QString() << noDisplay;
    QTest::newRow("no display, the user's shop") << QStringList{"--user-shop"} << 1 << QString() << noDisplay;
#endif
}

void TestCommandLine::answeredBeforeWindowAndLock()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, error);
    QTemporaryDir shop;
    QTemporaryDir data;
    const ShopLock otherCopy = lockShopFolder(shop.path());
    QVERIFY(otherCopy.lock);

    QProcess program;
    program.setWorkingDirectory(shop.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(display));
    // The user's data location, on Linux and on Windows: a folder of the test's own.
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    environment.insert(QStringLiteral("LOCALAPPDATA"), QDir::toNativeSeparators(data.path()));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(POS_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(30000));
    // Lines end in CR LF on Windows, where the program's output is text.
    const auto text = [](const QByteArray &bytes) {
        return QString::fromLocal8Bit(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    };
    const QString told = text(program.readAllStandardOutput());
    const QString complaint = text(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QVERIFY2(out.isEmpty() ? told.isEmpty() : told.startsWith(out), qPrintable(told));
    QVERIFY2(error.isEmpty() ? complaint.isEmpty() : complaint.startsWith(error), qPrintable(complaint));
    QVERIFY(QDir(data.path()).isEmpty()); // no user's shop folder made

    // The usage lists every option, and the manual page has the same ones.
    if (const QString usage = told + complaint; usage.contains(QLatin1String("Usage:"))) {
        // --automation, for the tests, is not among them.
        const QSet<QString> options{"--help", "--version", "--user-shop", "--check-backup"};
        QCOMPARE(optionsIn(usage), options);
        // The user's own shop is started as the system starts programs.
#ifdef Q_OS_WIN
        QVERIFY2(usage.contains(QLatin1String("shortcut")) && usage.contains(QLatin1String("shop-folder page")),
                 qPrintable(usage));
        QVERIFY2(!usage.contains(QLatin1String("desktop entry")), qPrintable(usage));
#else
        QVERIFY2(usage.contains(QLatin1String("desktop entry")), qPrintable(usage));
#endif
        QFile manual(QStringLiteral(POS_MANUAL_PAGE));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        QCOMPARE(optionsIn(QString::fromUtf8(manual.readAll())), options);
    }
}

// Started in its own folder (as a double click in Explorer starts it under Program Files), the
// program refuses with a message naming that folder and writes nothing there: no lock, no
// journal, no receipt.
void TestCommandLine::refusedInItsOwnFolder()
{
    const QString folder = QFileInfo(QStringLiteral(POS_PROGRAM)).absolutePath();
    const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    QTemporaryDir data;
    QProcess program;
    program.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    environment.insert(QStringLiteral("LOCALAPPDATA"), QDir::toNativeSeparators(data.path()));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(POS_PROGRAM), {});
    QVERIFY(program.waitForFinished(30000));
    const QString complaint = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitCode(), 1);
    QVERIFY2(
        complaint.contains(QString("started in \"%1\", the program's own folder").arg(QDir::toNativeSeparators(folder)),
                           Qt::CaseInsensitive),
        qPrintable(complaint));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), before);
    QVERIFY(QDir(data.path()).isEmpty());
}

// --check-backup prints each file's state and the verdict, with no display and no lock: a
// whole backup gives status 0; one with a changed, a missing and an extra file, one without
// its manifest, and a folder that is not there give 1.
void TestCommandLine::checksABackup()
{
    QTemporaryDir shop;
    QTemporaryDir backups;
    for (const char *name : {"tax.txt", "sales.txt", "Header.txt"}) {
        QFile file(QDir(shop.path()).filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(name) + "\r\n");
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(shop.path());
    Journal journal(QStringLiteral("sales.txt"));
    const BackupOutcome made = makeBackup(journal, backups.path(), QDateTime(QDate(2026, 12, 9), QTime(7, 0)));
    QDir::setCurrent(previous);
    QVERIFY2(made.result.ok, qPrintable(made.result.message));

    const auto check = [](const QString &folder, const QString &expected, int status) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(display));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(POS_PROGRAM), {QStringLiteral("--check-backup"), folder});
        QVERIFY(program.waitForFinished(30000));
        const QString told = QString::fromLocal8Bit(program.readAllStandardOutput() + program.readAllStandardError())
                                 .replace(QLatin1String("\r\n"), QLatin1String("\n"));
        QCOMPARE(told, expected);
        QCOMPARE(program.exitCode(), status);
    };
    const QString shown = QDir::toNativeSeparators(made.made);
    check(made.made,
          QStringLiteral("good Header.txt\ngood sales.txt\ngood tax.txt\nThe backup \"%1\" is whole.\n").arg(shown), 0);

    const QDir backup(made.made);
    QFile tax(backup.filePath(QStringLiteral("tax.txt")));
    QVERIFY(tax.open(QIODevice::WriteOnly));
    tax.write("TAX.TXT\r\n");
    tax.close();
    QVERIFY(QFile::remove(backup.filePath(QStringLiteral("Header.txt"))));
    QFile extra(backup.filePath(QStringLiteral("notes.txt")));
    QVERIFY(extra.open(QIODevice::WriteOnly));
    extra.close();
    check(made.made,
          QStringLiteral("missing Header.txt\ngood sales.txt\nchanged tax.txt\nextra notes.txt\n"
                         "The backup \"%1\" is NOT whole: do not restore from it.\n")
              .arg(shown),
          1);
    QVERIFY(QFile::remove(backup.filePath(QStringLiteral("corvalane-backup.manifest"))));
    check(made.made,
          QStringLiteral("missing corvalane-backup.manifest (the list of the backup's files: not a complete backup)\n"
                         "The backup \"%1\" is NOT whole: do not restore from it.\n")
              .arg(shown),
          1);
    const QString gone = backup.filePath(QStringLiteral("gone"));
    check(gone, QStringLiteral("corvalane-pos: \"%1\" is not a folder.\n").arg(QDir::toNativeSeparators(gone)), 1);
}

// The first thing a screen reader asks of the started program, before any other window is
// made, is answered with the drop-downs' names, not their values ("Sale", "6").
void TestCommandLine::dropDownsNamedFirstThing()
{
    QTemporaryDir shop;
    QTemporaryDir data;
    QFile tax(QDir(shop.path()).filePath(QStringLiteral("tax.txt")));
    QVERIFY(tax.open(QIODevice::WriteOnly));
    tax.write("\"6\",\"1\",\"5\"\r\n");
    tax.close();
    const AutomationRun program =
        runAutomation(QStringLiteral(POS_PROGRAM), shop.path(),
                      "name Form1.Combo2\nname Form1.Combo4\nname Form1.Combo3\nname Form1.Description1\n"
                      "get Form1.Combo4\nquit\n",
                      {{QStringLiteral("XDG_DATA_HOME"), data.path()},
                       {QStringLiteral("LOCALAPPDATA"), QDir::toNativeSeparators(data.path())}});
    QCOMPARE(program.status, 0);
    QStringList names;
    const QStringList lines = program.output.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line.remove(QLatin1Char('\r'));
        if (line.startsWith(QLatin1String("name ")) || line.startsWith(QLatin1String("value ")))
            names << line;
    }
    QCOMPARE(names, (QStringList{"name Order kind", "name Tax rate", "name Card type", "name Description", "value 6"}));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
