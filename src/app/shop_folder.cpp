#include "app/shop_folder.h"

#include "platform/qt_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

namespace {

// Windows names a folder the same in any case.
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseSensitive;
#endif

// The folder with links and "..", "." resolved where it exists.
QString resolved(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : canonical;
}

// True when `folder` is `outer` or lies inside it.
bool within(const QString &folder, const QString &outer)
{
    const QString inner = resolved(folder);
    QString prefix = resolved(outer);
    if (inner.compare(prefix, kNameCase) == 0)
        return true;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    return inner.startsWith(prefix, kNameCase);
}

} // namespace

QString shopFolderRefusal(const QString &folder, const QString &programFolder, const QStringList &systemFolders)
{
    QString place;
    if (!programFolder.isEmpty() && within(folder, programFolder))
        place = QStringLiteral("the program's own folder");
    bool ofTheSystem = false;
    for (const QString &system : systemFolders) {
        if (place.isEmpty() && !system.isEmpty() && within(folder, system)) {
            place = QStringLiteral("a folder of the system");
            ofTheSystem = true;
        }
    }
    if (place.isEmpty())
        return {};
    QString message = QStringLiteral("Corvalane Point-Of-Sale was started in \"%1\", %2, where a shop's files do not "
                                     "belong: nothing was written there.")
                          .arg(QDir::toNativeSeparators(folder), place);
    if (const QString why = systemFolderExplanation(); ofTheSystem && !why.isEmpty())
        message += QLatin1Char(' ') + why;
    return message + QLatin1Char(' ') + startAdvice(QDir::toNativeSeparators(userShopFolder())).howToStart;
}

bool enterShopFolder(bool userShop, QString &error)
{
    if (!userShop) {
        error = shopFolderRefusal(QDir::currentPath(), QCoreApplication::applicationDirPath(), systemFolders());
        return error.isEmpty();
    }
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
