// What the desktop offers on Linux and the other Unix systems (qt_platform.h): the text editor,
// the user's data folder, whether there is a display, and a terminal's output as it is.

#include "platform/qt_platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace pos {

QString userDataLocation()
{
    // $XDG_DATA_HOME, ~/.local/share when it is not set.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

bool makePrivateFolder(const QString &path)
{
    // From the first missing folder down, each made for the user alone.
    QStringList missing;
    for (QString folder = QDir(path).absolutePath(); !QFileInfo::exists(folder);) {
        missing.prepend(folder);
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    const auto userOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    for (const QString &folder : std::as_const(missing)) {
        if (!QDir().mkdir(folder, userOnly) && !QFileInfo(folder).isDir())
            return false;
    }
    return QFileInfo(path).isDir();
}

QString missingDisplayMessage()
{
#ifdef Q_OS_MACOS
    return {}; // its windows need no display named
#else
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return {};
    }
    return QStringLiteral("corvalane-pos: there is no display to show the windows on (neither DISPLAY nor "
                          "WAYLAND_DISPLAY is set).\nStart it from the desktop, or without one under a "
                          "virtual display: xvfb-run corvalane-pos");
#endif
}

QStringList systemFolders()
{
    return {};
}

StartAdvice startAdvice(const QString &userShopFolder)
{
    return {QStringLiteral("the desktop entry starts the program so"),
            QStringLiteral("Start it from its desktop entry, which starts it in your own shop folder \"%1\" "
                           "(--user-shop), or in the shop folder itself (the folder that holds \"sales.txt\").")
                .arg(userShopFolder)};
}

QString systemFolderExplanation()
{
    return {};
}

void attachToParentConsole()
{
    // A program started from a terminal writes to it already.
}

QStringList QtTextEditor::candidates()
{
    return {QStringLiteral("notepad.exe"), QStringLiteral("gnome-text-editor"),
            QStringLiteral("gedit"),       QStringLiteral("kwrite"),
            QStringLiteral("kate"),        QStringLiteral("mousepad"),
            QStringLiteral("xed"),         QStringLiteral("pluma"),
            QStringLiteral("featherpad"),  QStringLiteral("leafpad"),
            QStringLiteral("geany"),       QStringLiteral("xdg-open")};
}

bool QtTextEditor::open(const QString &fileName, EditorWindow window)
{
    // The desktop editors here have no say in how their window opens: the window manager
    // places it.
    Q_UNUSED(window);
    for (const QString &name : candidates()) {
        const QString program = QStandardPaths::findExecutable(name);
        if (program.isEmpty())
            continue;
        QProcess process;
        process.setProgram(program);
        process.setArguments({fileName});
        process.setWorkingDirectory(QDir::currentPath());
        if (process.startDetached())
            return true;
    }
    return false;
}

} // namespace pos
