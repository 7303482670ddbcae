#include "platform/fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

#include <mutex>

namespace pos {

void installDesignFontSubstitutes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList sans{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                               QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")};
        const QStringList serif{QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"),
                                QStringLiteral("Nimbus Roman"), QStringLiteral("DejaVu Serif")};
        const QStringList mono{QStringLiteral("Liberation Mono"), QStringLiteral("Cousine"),
                               QStringLiteral("Nimbus Mono PS"), QStringLiteral("DejaVu Sans Mono")};
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   QStringList{QStringLiteral("Microsoft Sans Serif")} + sans);
        for (const char *family : {"Arial", "Microsoft Sans Serif", "Tahoma", "Verdana"})
            QFont::insertSubstitutions(QLatin1String(family), sans);
        for (const char *family : {"Times New Roman", "MS Serif"})
            QFont::insertSubstitutions(QLatin1String(family), serif);
        for (const char *family : {"Courier New", "Courier", "Lucida Console", "Consolas"})
            QFont::insertSubstitutions(QLatin1String(family), mono);
    });
}

QFont windowFont()
{
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

void useWindowFontEverywhere()
{
    installDesignFontSubstitutes();
    // Without a class name this also drops the theme's fonts for menus and message boxes.
    QApplication::setFont(windowFont());
}

bool fontAvailable(const QString &family)
{
    if (family.trimmed().isEmpty())
        return false;
    installDesignFontSubstitutes();
    if (QFontDatabase::hasFamily(family))
        return true;
    const QStringList standIns = QFont::substitutes(family);
    for (const QString &standIn : standIns)
        if (QFontDatabase::hasFamily(standIn))
            return true;
    return false;
}

} // namespace pos
