// Corvalane Point-Of-Sale: the counter program. It works on the data files of its working
// directory (see shop_folder.h) and starts with the sales terminal.

#include "app/app_windows.h"
#include "app/automation.h"
#include "app/shop_folder.h"
#include "platform/qt_platform.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalane Point-Of-Sale"));
    QApplication::setDesktopFileName(QStringLiteral("org.corvalane.PointOfSale"));
    QApplication::setWindowIcon(pos::programIcon());

    QString error;
    if (!pos::enterShopFolder(QApplication::arguments(), error)) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), error);
        return 1;
    }

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
    if (automated)
        automation.start();
    return app.exec();
}
