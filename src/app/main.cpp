// Corvalane Point-Of-Sale: the counter program. It works on the data files of its working
// directory (see shop_folder.h) and starts with the sales terminal.

#include "app/app_windows.h"
#include "app/automation.h"
#include "app/shop_folder.h"
#include "app/shop_lock.h"
#include "core/backup/backup.h"
#include "core/journal/journal.h"
#include "platform/accessibility.h"
#include "platform/fonts.h"
#include "platform/qt_platform.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>
#include <optional>

namespace {

// What the command line asks for.
struct CommandLine
{
    bool userShop = false;   // --user-shop: the user's own shop folder
    bool automation = false; // --automation: driven by commands on standard input
    QString checkBackup;     // --check-backup FOLDER: checks that backup and ends
    // Set when the program is to end at once with this exit status: 0 after --help or
    // --version, 2 after a command line it does not take (told with the usage).
    std::optional<int> exitStatus;
};

// --check-backup: each file's state on the standard output, then the verdict; the exit status.
int checkBackupFolder(const QString &folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "corvalane-pos: \"%s\" is not a folder.\n", shown.toLocal8Bit().constData());
        return 1;
    }
    const pos::BackupCheck check = pos::checkBackup(folder);
    for (const QString &line : check.lines)
        std::printf("%s\n", line.toLocal8Bit().constData());
    std::printf("%s\n", (check.whole ? QStringLiteral("The backup \"%1\" is whole.")
                                     : QStringLiteral("The backup \"%1\" is NOT whole: do not restore from it."))
                            .arg(shown)
                            .toLocal8Bit()
                            .constData());
    return check.whole ? 0 : 1;
}

// Reads the command line. --help and --version are answered here, and a wrong command line is
// refused here: before any window, display or lock, so that they work on any terminal.
CommandLine readCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // "/?" is how Windows users ask a program for its help.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("/?"))
            arguments[i] = QStringLiteral("--help");
    }

    QCommandLineParser parser;
    // "-user-shop" is taken as "--user-shop", and "-platform" refused as one unknown option.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Corvalane Point-Of-Sale: rings up sales and prints receipts at one shop counter.\n"
                       "It works on the data files of the shop folder: the folder it is started in."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Shows the version and exits."));
    const QCommandLineOption userShop(
        QStringLiteral("user-shop"),
        QStringLiteral("Works in the user's own shop folder, %1, made empty at its first use (%2).")
            .arg(QDir::toNativeSeparators(pos::userShopFolder()),
                 pos::startAdvice(QDir::toNativeSeparators(pos::userShopFolder())).userShopStarter));
    // For the tests that drive the real program (commands on standard input, answers on
    // standard output, the dialogs, printing and messages scripted): not for a shop, so not in
    // the help.
    QCommandLineOption automation(QStringLiteral("automation"));
    automation.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption checkBackup(
        QStringLiteral("check-backup"),
        QStringLiteral("Checks the backup in <folder> against its list of files, prints each file's state "
                       "(good, changed, missing, extra, unreadable) and exits: 0 when the backup is whole, "
                       "1 when it is not."),
        QStringLiteral("folder"));
    parser.addOptions({help, version, userShop, automation, checkBackup});
    // Without an application object Qt cannot name the program in the usage line.
    const QString usage = parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("corvalane-pos"));

    CommandLine line;
    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    // Started from cmd.exe or PowerShell, a Windows program prints into their console only so.
    if (!error.isEmpty() || parser.isSet(help) || parser.isSet(version) || parser.isSet(checkBackup))
        pos::attachToParentConsole();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "corvalane-pos: %s\n\n%s", qPrintable(error), qPrintable(usage));
        line.exitStatus = 2;
    } else if (parser.isSet(help)) {
        std::printf("%s", qPrintable(usage));
        line.exitStatus = 0;
    } else if (parser.isSet(version)) {
        std::printf("corvalane-pos %s\n", CORVALANE_VERSION);
        line.exitStatus = 0;
    } else if (parser.isSet(checkBackup)) {
        line.checkBackup = parser.value(checkBackup);
        line.exitStatus = checkBackupFolder(line.checkBackup);
    }
    line.userShop = parser.isSet(userShop);
    line.automation = parser.isSet(automation);
    return line;
}

// Tells why the program does not start: on the error output, and in a message box where a
// screen shows one (on the offscreen and minimal platforms no one would see it, and the box
// would wait for ever).
void tellRefusal(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    const QString screen = QGuiApplication::platformName();
    if (screen != QLatin1String("offscreen") && screen != QLatin1String("minimal"))
        QMessageBox::warning(nullptr, QStringLiteral("Corvalane Point-Of-Sale - BETA"), message);
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLine commandLine = readCommandLine(argc, argv);
    if (commandLine.exitStatus)
        return *commandLine.exitStatus;
    // Said before Qt is started, which would abort without a display.
    if (const QString noDisplay = pos::missingDisplayMessage(); !noDisplay.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(noDisplay));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalane Point-Of-Sale"));
    QApplication::setDesktopFileName(QStringLiteral("org.corvalane.PointOfSale"));
    QApplication::setWindowIcon(pos::programIcon());
    // Before the first window: a screen reader asks for the main window's controls at once,
    // and Qt keeps the first interface it made for a control.
    pos::installAccessibleInterfaces();
    // Menus, message boxes and dialogs in the windows' own face.
    pos::useWindowFontEverywhere();

    QString error;
    if (!pos::enterShopFolder(commandLine.userShop, error)) {
        tellRefusal(error);
        return 1;
    }

    // A folder where nothing can be written (read-only, or not the user's to change) is told
    // now, before an order is rung up that could not be recorded.
    if (const QString unwritable = pos::unwritableShopFolder(QStringLiteral(".")); !unwritable.isEmpty()) {
        tellRefusal(unwritable);
        return 1;
    }
    // One copy of the program per shop folder.
    const pos::ShopLock shopLock = pos::lockShopFolder(QStringLiteral("."));
    if (!shopLock.refusal.isEmpty()) {
        tellRefusal(shopLock.refusal);
        return 1;
    }
    // What a crash left: the temporary files of writes it cut short (only while this copy holds
    // the folder), and a cutoff or a layaway's close to finish or undo; and the sales of earlier
    // starts another program may have removed from the journal since.
    if (shopLock.lock)
        pos::removeStaleTemporaries(QStringLiteral("."));
    pos::Journal journal;
    const QString opened = journal.open().told();

    // Driven by the tests that start the real program: commands on standard input.
    const bool automated = commandLine.automation;
    pos::QtPlatform desktop;
    pos::Automation automation;
    const pos::Platform platform = automated ? automation.platform() : desktop.platform();

    pos::AppWindows windows(platform, journal);
    pos::Form1 form(platform, windows, journal);
    windows.setMainWindow(&form);
    QObject::connect(&form, &pos::Form1::endProgram, &app, &QApplication::quit);
    form.show();
    if (!opened.isEmpty())
        platform.messages.warning(&form, form.windowTitle(), opened);
    // Said once a start: the shop's last backup is old while sales were made.
    if (const QString overdue = pos::overdueBackupNotice(platform.clock.now()); !overdue.isEmpty())
        platform.messages.warning(&form, form.windowTitle(), overdue);
    if (automated)
        automation.start();
    const int status = app.exec();
    // A last look for the sales of this run, which an editor's save may have removed.
    if (const QString finished = journal.finish().told(); !finished.isEmpty())
        platform.messages.warning(nullptr, form.windowTitle(), finished);
    // The day's sales into the backup folder, when something changed since the last backup.
    // A backup that cannot be made is told in one message; the shop stays as it is.
    if (const std::optional<pos::BackupOutcome> backup = pos::backUpIfChanged(journal, platform.clock.now())) {
        if (const QString told = backup->told(); !told.isEmpty())
            platform.messages.warning(nullptr, form.windowTitle(), told);
    }
    if (automated)
        automation.tellEnd();
    return status;
}
