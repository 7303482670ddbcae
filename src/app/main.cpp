// Corvalane Point-Of-Sale: the counter program. It works on the data files of its working
// directory (see shop_folder.h) and starts with the sales terminal.

#include "app/app_windows.h"
#include "app/automation.h"
#include "app/shop_folder.h"
#include "app/shop_lock.h"
#include "common/journal_guard.h"
#include "platform/qt_platform.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

namespace {

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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalane Point-Of-Sale"));
    QApplication::setDesktopFileName(QStringLiteral("org.corvalane.PointOfSale"));
    QApplication::setWindowIcon(pos::programIcon());

    QString error;
    if (!pos::enterShopFolder(QApplication::arguments(), error)) {
        tellRefusal(error);
        return 1;
    }

    // One copy of the program per shop folder.
    const pos::ShopLock shopLock = pos::lockShopFolder(QStringLiteral("."));
    if (!shopLock.refusal.isEmpty()) {
        tellRefusal(shopLock.refusal);
        return 1;
    }
    // What a crash left: the temporary files of writes it cut short (only while this copy holds
    // the folder), and a cutoff or a layaway's close to finish or undo.
    if (shopLock.lock)
        pos::removeStaleTemporaries(QStringLiteral("."));
    const pos::Finished finished = pos::finishPendingWork(pos::kJournalFile);

    // Driven by the tests that start the real program: commands on standard input.
    const bool automated = QApplication::arguments().contains(QStringLiteral("--automation"));
    pos::QtPlatform desktop;
    pos::Automation automation;
    const pos::Platform platform = automated ? automation.platform() : desktop.platform();

    pos::AppWindows windows(platform);
    pos::Form1 form(platform, windows);
    windows.setMainWindow(&form);
    QObject::connect(&form, &pos::Form1::endProgram, &app, &QApplication::quit);
    form.show();
    for (const QString &text : {finished.notice, finished.result.message}) {
        if (!text.isEmpty())
            platform.messages.warning(&form, form.windowTitle(), text);
    }
    if (automated)
        automation.start();
    return app.exec();
}
