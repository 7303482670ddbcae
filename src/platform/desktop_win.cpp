// What the desktop offers on Windows (qt_platform.h): Notepad, as the shop's menus have always
// started it ("notepad.exe sales.txt" in the shop folder), the user's data folder, the Windows
// folder, and the console of the program that started this one.

#include "platform/qt_platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

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

// True when the standard handle leads somewhere: a console, a file or a pipe the starter gave.
bool leadsSomewhere(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

QStringList systemFolders()
{
    wchar_t windows[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return {QDir::fromNativeSeparators(QString::fromWCharArray(windows, int(length)))};
}

void attachToParentConsole()
{
    // Output the starter redirected (to a file, a pipe, as a test or "> help.txt" does) stays
    // where it goes.
    const bool out = leadsSomewhere(STD_OUTPUT_HANDLE);
    const bool error = leadsSomewhere(STD_ERROR_HANDLE);
    if (out && error)
        return;
    // Fails when the starter has no console (Explorer, a shortcut): then nothing is shown,
    // and no console is made.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!out)
        std::freopen("CONOUT$", "w", stdout);
    if (!error)
        std::freopen("CONOUT$", "w", stderr);
}

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

StartAdvice startAdvice(const QString &userShopFolder)
{
    Q_UNUSED(userShopFolder);
    return {QStringLiteral("the shortcut starts the program so when the setup program's shop-folder page chose "
                           "each Windows user's own folder"),
            QStringLiteral("Start it from its shortcut \"Corvalane Point-Of-Sale\", which starts it in the shop "
                           "folder chosen on the setup program's shop-folder page (run the setup program again to "
                           "choose another), or in the shop folder itself (the folder that holds \"sales.txt\").")};
}

QString systemFolderExplanation()
{
    return QStringLiteral("Windows starts a program there when it cannot enter the folder its shortcut names "
                          "(\"Start in\"): a folder whose name is longer than %1 characters, one that was "
                          "removed or renamed, or one this Windows user may not open.")
        .arg(MAX_PATH - 2);
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
