#pragma once

// Test doubles for the desktop services: a clock that shows a set time, dialogs that answer
// from a script, a printer that records its jobs, an editor launcher and a message sink that
// record what they were asked. Tests never open a real dialog, printer or editor.

#include "core/journal/journal.h"
#include "platform/platform.h"
#include "sales_terminal/other_windows.h"

#include <QList>
#include <QStringList>

namespace pos::testing {

class FixedClock final : public Clock
{
public:
    QDateTime time = QDateTime(QDate(2004, 3, 14), QTime(9, 5, 33));
    QDateTime now() const override { return time; }
};

class ScriptedDialogs final : public Dialogs
{
public:
    // Answers given in order; an empty queue answers "cancelled".
    QList<std::optional<QString>> fileAnswers;
    QList<std::optional<FontChoice>> fontAnswers;
    QList<std::optional<QString>> folderAnswers;
    // The folder each folder dialog opened on.
    QStringList folderStarts;
    QList<OpenFileRequest> fileRequests;
    QList<FontRequest> fontRequests;
    // The working directory at each showing, to check that no dialog moves it.
    QStringList workingDirectories;

    std::optional<QString> openFile(QWidget *parent, const OpenFileRequest &request) override;
    std::optional<FontChoice> chooseFont(QWidget *parent, const FontRequest &request) override;
    std::optional<QString> chooseFolder(QWidget *parent, const QString &title, const QString &start) override;
};

struct PrintJob
{
    QFont font;
    QString text;
};

class RecordingPrinter final : public Printer
{
public:
    QList<PrintJob> jobs;
    QList<QImage> images;
    // When set, every job fails with this message (and is not recorded).
    QString failWith;

    PrintResult printText(const QFont &font, const QString &text) override;
    PrintResult printImage(const QImage &image) override;
};

class RecordingEditor final : public TextEditor
{
public:
    QStringList opened;
    QList<EditorWindow> windows; // how each was asked to open
    bool succeed = true;
    bool open(const QString &fileName, EditorWindow window = EditorWindow::Normal) override;
};

struct Message
{
    QString title;
    QString text;
};

class RecordingMessages final : public Messages
{
public:
    QList<Message> warnings;
    QList<Message> questions;
    // Answers given in order (true: Yes); an empty queue answers No.
    QList<bool> answers;
    void warning(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
};

// Counts what the main window asked of its other windows.
class RecordingWindows final : public OtherWindows
{
public:
    int settingsShown = 0;
    int salesReportShown = 0;
    int salesSummaryShown = 0;
    int quickInventoryShown = 0;
    int previewShown = 0;
    int previewHidden = 0;

    void showSettings() override { ++settingsShown; }
    void showSalesReport() override { ++salesReportShown; }
    void showSalesSummary() override { ++salesSummaryShown; }
    void showQuickInventory() override { ++quickInventoryShown; }
    void showReceiptPreview() override { ++previewShown; }
    void hideReceiptPreview() override { ++previewHidden; }
    int backUps = 0;
    void backUp() override { ++backUps; }
};

class FakePlatform
{
public:
    FixedClock clock;
    ScriptedDialogs dialogs;
    RecordingPrinter printer;
    RecordingEditor editor;
    RecordingMessages messages;
    // The shop's journal "sales.txt", in the working directory of the moment.
    Journal journal;

    Platform platform() { return {clock, dialogs, printer, editor, messages}; }
};

} // namespace pos::testing
