// Corvalane Point-Of-Sale: the counter program. It works on the data files of its working
// directory and starts with the sales terminal.

#include "app/app_windows.h"
#include "app/shop_lock.h"
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

    const pos::ShopLock shopLock = pos::lockShopFolder(QDir::currentPath());
    if (!shopLock.refusal.isEmpty()) {
        tellRefusal(shopLock.refusal);
        return 1;
    }

    pos::QtPlatform platform;
    pos::AppWindows windows(platform.platform());
    pos::Form1 form(platform.platform(), windows);
    windows.setMainWindow(&form);
    QObject::connect(&form, &pos::Form1::endProgram, &app, &QApplication::quit);
    form.show();
    return app.exec();
}
