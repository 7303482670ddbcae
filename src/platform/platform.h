#pragma once

// The desktop services the windows use, behind small interfaces: the clock, the open-file and
// font dialogs, the printer, starting a text editor and telling the user about a failure.
// The program runs on the Qt implementation (qt_platform.h); tests drive the windows with
// doubles that answer from a script and record what they were asked.

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QString>

#include <optional>

class QWidget;

namespace pos {

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// What a window asks of the open-file dialog. The filter is in the form the data files'
// dialogs have always used: description, "|", pattern ("Layaway Files(*.lwy)|*.lwy").
struct OpenFileRequest
{
    QString filter;
    QString fileName;           // initial name offered
    QString title;              // empty: the dialog's own title
    bool fileMustExist = false; // the chosen file must exist
    bool pathMustExist = false; // the chosen file's folder must exist
    bool hideReadOnly = false;  // no "open as read-only" choice is offered
};

// What a window asks of the font dialog.
struct FontRequest
{
    bool screenFonts = true;
    bool printerFonts = true;
    bool effects = false; // underline, strike-through and colour offered
};

struct FontChoice
{
    QString name;
    bool bold = false;
    bool italic = false;
    double pointSize = 0;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // The full path of the chosen file, or nullopt when the user cancelled. The working
    // directory is never changed by the dialog.
    virtual std::optional<QString> openFile(QWidget *parent, const OpenFileRequest &request) = 0;
    // The chosen font, or nullopt when cancelled.
    virtual std::optional<FontChoice> chooseFont(QWidget *parent, const FontRequest &request) = 0;
    // The full path of the chosen folder, or nullopt when cancelled; the dialog opens on
    // `start` when it is given.
    virtual std::optional<QString> chooseFolder(QWidget *parent, const QString &title, const QString &start) = 0;
};

struct [[nodiscard]] PrintResult
{
    bool ok = true;
    QString message; // for the clerk when not ok

    explicit operator bool() const { return ok; }
};

// The system's default printer. Each call is one complete job, released at once.
class Printer
{
public:
    virtual ~Printer() = default;
    // Prints the text in the font, CR LF (or LF) pairs starting new lines, no wrapping.
    virtual PrintResult printText(const QFont &font, const QString &text) = 0;
    // Prints an image of a window.
    virtual PrintResult printImage(const QImage &image) = 0;
};

// How the editor's window opens.
enum class EditorWindow
{
    Normal,
    Maximized, // where the editor lets the program say so
};

class TextEditor
{
public:
    virtual ~TextEditor() = default;
    // Starts a plain-text editor on the file (a name relative to the working directory) in a
    // window of its own, without waiting for it. False when no editor could be started.
    virtual bool open(const QString &fileName, EditorWindow window = EditorWindow::Normal) = 0;
};

// Failures the user must hear about (a file that could not be written, a printer that failed),
// and the questions asked before an action that cannot be undone.
class Messages
{
public:
    virtual ~Messages() = default;
    virtual void warning(QWidget *parent, const QString &title, const QString &text) = 0;
    // Work done that the user asked for and should hear about; told as a warning where the
    // platform has nothing else.
    virtual void information(QWidget *parent, const QString &title, const QString &text)
    {
        warning(parent, title, text);
    }
    // A Yes/No question; true for Yes. No is the answer a stray Return gives.
    virtual bool question(QWidget *parent, const QString &title, const QString &text) = 0;
};

struct Platform
{
    Clock &clock;
    Dialogs &dialogs;
    Printer &printer;
    TextEditor &editor;
    Messages &messages;
};

} // namespace pos
