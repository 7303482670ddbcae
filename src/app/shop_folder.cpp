#include "app/shop_folder.h"

#include "platform/qt_platform.h"

#include <QDir>

// Resources of a static library are registered by name, outside any namespace.
static void initProgramResources()
{
    Q_INIT_RESOURCE(app);
}

namespace pos {

QString userShopFolder()
{
    return QDir(userDataLocation()).filePath(QStringLiteral("corvalane-pos/shop"));
}

bool enterShopFolder(bool userShop, QString &error)
{
    if (!userShop)
        return true;
    const QString folder = userShopFolder();
    // The shop's sales are its own business: the folders made for it are the user's alone.
    if (!makePrivateFolder(folder)) {
        error = QStringLiteral("The shop folder \"%1\" could not be made.").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    if (!QDir::setCurrent(folder)) {
        error = QStringLiteral("The shop folder \"%1\" could not be opened.").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return true;
}

QIcon programIcon()
{
    initProgramResources();
    QIcon icon;
    for (const char *size : {"16", "32", "48", "64", "128", "256"})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(QLatin1String(size)));
    return icon;
}

} // namespace pos
