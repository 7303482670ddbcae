// Corvalane Point-Of-Sale: the counter program. It works on the data files of its working
// directory and starts with the sales terminal.

#include "app/app_windows.h"
#include "platform/qt_platform.h"
#include "sales_terminal/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalane Point-Of-Sale"));

    pos::QtPlatform platform;
    pos::AppWindows windows(platform.platform());
    pos::Form1 form(platform.platform(), windows);
    windows.setMainWindow(&form);
    QObject::connect(&form, &pos::Form1::endProgram, &app, &QApplication::quit);
    form.show();
    return app.exec();
}
