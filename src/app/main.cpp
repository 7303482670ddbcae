// Corvalane Point-Of-Sale: the counter program. It works on the data files of its working
// directory and starts with the sales terminal.

#include "platform/qt_platform.h"
#include "sales_terminal/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvalane Point-Of-Sale"));

    pos::QtPlatform platform;
    pos::Form1 form(platform.platform());
    QObject::connect(&form, &pos::Form1::endProgram, &app, &QApplication::quit);
    form.show();
    return app.exec();
}
