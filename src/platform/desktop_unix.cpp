// What the desktop offers on Linux and the other Unix systems (qt_platform.h): the text editor,
// the user's data folder, and a terminal's output as it is.

#include "platform/qt_platform.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace pos {

QString userDataLocation()
{
    // $XDG_DATA_HOME, ~/.local/share when it is not set.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QStringList systemFolders()
{
    return {};
}

void attachToParentConsole()
{
    // A program started from a terminal writes to it already.
}

QStringList QtTextEditor::candidates()
{
    return {QStringLiteral("notepad.exe"),      QStringLiteral("gnome-text-editor"),
            QStringLiteral("gedit"),            QStringLiteral("kwrite"),
            QStringLiteral("kate"),             QStringLiteral("mousepad"),
            QStringLiteral("xed"),              QStringLiteral("pluma"),
            QStringLiteral("featherpad"),       QStringLiteral("leafpad"),
            QStringLiteral("geany"),            QStringLiteral("xdg-open")};
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
