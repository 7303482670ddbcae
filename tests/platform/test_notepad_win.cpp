// The menus' editor on Windows: the platform's editor starts the real notepad.exe on a shop
// file, by the name relative to the shop folder, in that folder, and does not wait for it.
// The running Notepad is read from outside: its command line, working directory and how its
// window was asked to show, as Windows keeps them in the process's parameters.

#include "platform/qt_platform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

using namespace pos;

namespace {

// The start of RTL_USER_PROCESS_PARAMETERS, the fields winternl.h leaves unnamed included.
struct ProcessParameters
{
    ULONG maximumLength;
    ULONG length;
    ULONG flags;
    ULONG debugFlags;
    HANDLE consoleHandle;
    ULONG consoleFlags;
    HANDLE standardInput;
    HANDLE standardOutput;
    HANDLE standardError;
    UNICODE_STRING currentDirectory;
    HANDLE currentDirectoryHandle;
    UNICODE_STRING dllPath;
    UNICODE_STRING imagePathName;
    UNICODE_STRING commandLine;
    PVOID environment;
    ULONG startingX;
    ULONG startingY;
    ULONG countX;
    ULONG countY;
    ULONG countCharsX;
    ULONG countCharsY;
    ULONG fillAttribute;
    ULONG windowFlags;
    ULONG showWindowFlags;
};

struct Started
{
    QString commandLine;
    QString currentDirectory;
    ULONG windowFlags = 0;
    ULONG showWindow = 0;
};

QSet<DWORD> notepads()
{
    QSet<DWORD> found;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (QString::fromWCharArray(entry.szExeFile).compare(QLatin1String("notepad.exe"), Qt::CaseInsensitive) == 0)
            found.insert(entry.th32ProcessID);
    }
    ::CloseHandle(snapshot);
    return found;
}

QString remoteString(HANDLE process, const UNICODE_STRING &string)
{
    QString text(string.Length / sizeof(wchar_t), Qt::Uninitialized);
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, string.Buffer, text.data(), string.Length, &read) || read != string.Length)
        return {};
    return text;
}

std::optional<Started> parametersOf(HANDLE process)
{
    PROCESS_BASIC_INFORMATION basic{};
    if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return std::nullopt;
    PEB peb{};
    ProcessParameters parameters{};
    if (!::ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr)
        || !::ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
        return std::nullopt;
    return Started{remoteString(process, parameters.commandLine), remoteString(process, parameters.currentDirectory),
                   parameters.windowFlags, parameters.showWindowFlags};
}

} // namespace

class TestNotepadWin : public QObject
{
    Q_OBJECT

private slots:
    void startsNotepadInTheShopFolder_data();
    void startsNotepadInTheShopFolder();
};

void TestNotepadWin::startsNotepadInTheShopFolder_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("maximized");
    QTest::newRow("Inventory File") << "inventory.dat" << false;
    QTest::newRow("Manage Sales") << "sales.txt" << true;
}

void TestNotepadWin::startsNotepadInTheShopFolder()
{
    QFETCH(QString, file);
    QFETCH(bool, maximized);
    QTemporaryDir shop;
    QVERIFY(shop.isValid());
    const QString start = QDir::currentPath();
    QVERIFY(QDir::setCurrent(shop.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(start); });
    QFile data(file);
    QVERIFY(data.open(QIODevice::WriteOnly));
    data.write("\"Widget\"\r\n");
    data.close();

    const QSet<DWORD> before = notepads();
    QtTextEditor editor;
    QVERIFY(editor.open(file, maximized ? EditorWindow::Maximized : EditorWindow::Normal));

    // The call came back while Notepad runs: it was not waited for.
    DWORD pid = 0;
    QElapsedTimer timer;
    timer.start();
    while (pid == 0 && timer.elapsed() < 20000) {
        const QSet<DWORD> now = notepads() - before;
        if (!now.isEmpty())
            pid = *now.cbegin();
        else
            QTest::qWait(50);
    }
    QVERIFY2(pid != 0, "no notepad.exe started");
    const HANDLE process =
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    QVERIFY(process != nullptr);
    const auto end = qScopeGuard([&] {
        ::TerminateProcess(process, 0);
        ::WaitForSingleObject(process, 10000);
        ::CloseHandle(process);
    });

    std::optional<Started> started;
    QVERIFY(QTest::qWaitFor([&] { return (started = parametersOf(process)) && !started->commandLine.isEmpty(); }));
    QVERIFY2(started->commandLine.endsWith(QLatin1Char(' ') + file), qPrintable(started->commandLine));
    QVERIFY2(started->commandLine.contains(QLatin1String("notepad.exe"), Qt::CaseInsensitive),
             qPrintable(started->commandLine));
    QCOMPARE(QDir::cleanPath(QDir::fromNativeSeparators(started->currentDirectory)).toLower(),
             QDir::cleanPath(shop.path()).toLower());
    QCOMPARE(bool(started->windowFlags & STARTF_USESHOWWINDOW), maximized);
    if (maximized)
        QCOMPARE(started->showWindow, ULONG(SW_SHOWMAXIMIZED));
    DWORD exitCode = 0;
    QVERIFY(::GetExitCodeProcess(process, &exitCode));
    QCOMPARE(exitCode, DWORD(STILL_ACTIVE));
}

QTEST_GUILESS_MAIN(TestNotepadWin)
#include "test_notepad_win.moc"
