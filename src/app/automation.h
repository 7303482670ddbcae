#pragma once

// Drives the program by commands on standard input, one a line, and answers each on standard
// output: the tests that start the real program use it (corvalane-pos --automation). The
// desktop services are replaced by scripted ones that never block: the dialogs answer from
// what the commands queued, printouts and messages are reported on standard output, no text
// editor is started; the clock and the files are the real ones.
//
// Commands name a window and a control by their design names ("Form1.Command2"); the last
// argument is the rest of the line, with \n, \r, \t and \\ for line breaks, tabs and
// backslashes:
//   set W.C TEXT        the text of a box or drop-down
//   click W.C           a button or check box, as a mouse click
//   dblclick W.C        a double click on a box
//   key W.C KEY         a key pressed and released on a control ("F10", "Return")
//   select W.C ROW      a click on a list's row
//   trigger W.ITEM      a menu item
//   close W             the window's close box
//   get W.C             answers "value TEXT": a box's text, a list's lines joined by \n
//   name W.C            answers "name TEXT": the control's name for assistive technology
//   file PATH | file-cancel              the next open-file dialog's answer
//   folder PATH | folder-cancel          the next folder dialog's answer
//   font NAME|BOLD|ITALIC|SIZE | font-cancel   the next font dialog's answer (BOLD, ITALIC 0/1)
//   answer yes | answer no               the next question's answer (none queued: no)
//   quit
// Once the program's event loop has ended, what it told at its end (its last look at the
// journal, its backup) follows as "message TEXT" lines, and then "end".
// Before "ok" (or "error REASON") a reply lists what the command made the program do:
// "message TEXT" for each message shown, "question TEXT" for each question asked, "printed N"
// for each printout of N characters (or WxH pixels).

#include "platform/platform.h"
#include "platform/qt_platform.h"

#include <QObject>
#include <QQueue>
#include <QStringList>

#include <optional>
#include <thread>

namespace pos {

class Automation final : public QObject, private Dialogs, private Printer, private TextEditor, private Messages
{
    Q_OBJECT
public:
    Automation();
    ~Automation() override;

    // The services the program's windows are given while it is driven.
    Platform platform();

    // Starts reading commands; the program quits at the end of the input or at "quit".
    void start();

    // Runs one command line and gives its reply lines (the last is "ok" or "error ...").
    QStringList execute(const QString &line);

    // After the event loop: prints what the program told since the last reply, then "end".
    void tellEnd();

private:
    std::optional<QString> openFile(QWidget *parent, const OpenFileRequest &request) override;
    std::optional<FontChoice> chooseFont(QWidget *parent, const FontRequest &request) override;
    std::optional<QString> chooseFolder(QWidget *parent, const QString &title, const QString &start) override;
    PrintResult printText(const QFont &font, const QString &text) override;
    PrintResult printImage(const QImage &image) override;
    bool open(const QString &fileName, EditorWindow window) override;
    void warning(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;

    void run(const QString &line);

    QtClock m_clock;
    QQueue<std::optional<QString>> m_files;
    QQueue<std::optional<QString>> m_folders;
    QQueue<std::optional<FontChoice>> m_fonts;
    QQueue<bool> m_answers;
    QStringList m_events;
    QQueue<QString> m_pending;
    bool m_running = false;
    std::thread m_reader;
};

// Escapes a text for one line of the protocol, and back.
QString automationEscape(const QString &text);
QString automationUnescape(const QString &text);

} // namespace pos
