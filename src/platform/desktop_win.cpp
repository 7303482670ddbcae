// What the desktop offers on Windows (qt_platform.h): Notepad, as the shop's menus have always
// started it ("notepad.exe sales.txt" in the shop folder), and the user's data folder.

#include "platform/qt_platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <windows.h>

namespace pos {

namespace {

// Notepad on the search path, or in the system folder where a trimmed PATH leaves it out.
QString notepad()
{
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("notepad.exe"));
    if (!onPath.isEmpty())
        return onPath;
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    const QString inSystem = QDir(QString::fromWCharArray(system, int(length))).filePath(QStringLiteral("notepad.exe"));
    return QFileInfo::exists(inSystem) ? inSystem : QString();
}

} // namespace

QString userDataLocation()
{
    // %LOCALAPPDATA% as the process was given it, the name the owner knows the folder by (and
    // that a test can point elsewhere); the system's own answer where it is not set.
    const QString local = qEnvironmentVariable("LOCALAPPDATA");
    if (!local.isEmpty() && QDir::isAbsolutePath(local))
        return QDir::fromNativeSeparators(local);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

bool makePrivateFolder(const QString &path)
{
    // A folder made under the user's profile takes its permissions from there: the user's own.
    return QDir().mkpath(path);
}

QString missingDisplayMessage()
{
    return {};
}

QStringList QtTextEditor::candidates()
{
    return {QStringLiteral("notepad.exe")};
}

bool QtTextEditor::open(const QString &fileName, EditorWindow window)
{
    const QString program = notepad();
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments({QDir::toNativeSeparators(fileName)});
    process.setWorkingDirectory(QDir::currentPath());
    // Windows lets the starter choose how the program's first window shows.
    if (window == EditorWindow::Maximized) {
        process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
            args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
            args->startupInfo->wShowWindow = SW_SHOWMAXIMIZED;
        });
    }
    return process.startDetached();
}

} // namespace pos
