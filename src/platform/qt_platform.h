#pragma once

#include "platform/platform.h"

#include <QStringList>

namespace pos {

class QtClock final : public Clock
{
public:
    QDateTime now() const override;
};

class QtDialogs final : public Dialogs
{
public:
    std::optional<QString> openFile(QWidget *parent, const OpenFileRequest &request) override;
    std::optional<FontChoice> chooseFont(QWidget *parent, const FontRequest &request) override;
    std::optional<QString> chooseFolder(QWidget *parent, const QString &title, const QString &start) override;
};

// Prints on the system's default printer (CUPS on Linux, the Windows default printer).
class QtPrinter final : public Printer
{
public:
    PrintResult printText(const QFont &font, const QString &text) override;
    PrintResult printImage(const QImage &image) override;
};

// Starts "notepad.exe" on the file, in the working directory, without waiting for it. On
// Windows that is the system's Notepad (desktop_win.cpp); elsewhere Notepad where it is
// on the search path, otherwise the first plain-text editor of the desktop that is installed
// (desktop_unix.cpp). Never through a shell.
class QtTextEditor final : public TextEditor
{
public:
    bool open(const QString &fileName, EditorWindow window = EditorWindow::Normal) override;
    // The programs tried, in order.
    static QStringList candidates();
};

class QtMessages final : public Messages
{
public:
    void warning(QWidget *parent, const QString &title, const QString &text) override;
    void information(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
};

// The Qt implementation of every service, for the program.
class QtPlatform
{
public:
    Platform platform() { return {clock, dialogs, printer, editor, messages}; }

private:
    QtClock clock;
    QtDialogs dialogs;
    QtPrinter printer;
    QtTextEditor editor;
    QtMessages messages;
};

// The folder for the user's own data: $XDG_DATA_HOME (~/.local/share) on Linux,
// %LOCALAPPDATA% on Windows.
QString userDataLocation();

// Makes the folder, and the folders above it that are missing, readable by the user alone:
// 0700 on POSIX (a folder already there keeps its mode); on Windows the user's data folder is
// the user's own already. False when it is not a folder afterwards.
bool makePrivateFolder(const QString &path);

// Why the windows cannot be shown, said before Qt is started (which would abort, advising to
// reinstall): on Linux, no display is named (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM).
// Empty when there is one, and always on Windows.
QString missingDisplayMessage();

// The folders of the system itself, where no shop's files belong: the Windows folder (and so
// everything in it) on Windows; none elsewhere.
QStringList systemFolders();

// How the program is started for a shop, in the system's own terms, for the help and the
// messages that tell how to start it: on Linux the desktop entry (which starts it with
// --user-shop); on Windows the shortcut the setup program made, which starts it in the folder
// chosen on the setup program's shop-folder page.
struct StartAdvice
{
    QString userShopStarter; // what starts the program with --user-shop, for its help
    QString howToStart;      // a sentence: how to start it in a shop folder
};
StartAdvice startAdvice(const QString &userShopFolder);

// What to tell when the working folder is the system's own: on Windows that is where a
// program is started whose start folder ("Start in") cannot be entered. Empty elsewhere.
QString systemFolderExplanation();

// Lets what the program prints reach the console it was started from. A Windows program of
// the GUI subsystem started from cmd.exe or PowerShell is given no console of its own: when
// its output leads nowhere, it attaches to the console of the program that started it, if
// there is one (none from Explorer or a shortcut, where nothing is shown and no console is
// made). Nothing to do elsewhere.
void attachToParentConsole();

// Qt's file-dialog filter for a "description|pattern|description|pattern" filter.
QString qtFileFilter(const QString &filter);

} // namespace pos
