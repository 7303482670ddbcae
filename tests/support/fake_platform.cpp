#include "fake_platform.h"

#include <QDir>

namespace pos::testing {

std::optional<QString> ScriptedDialogs::openFile(QWidget *, const OpenFileRequest &request)
{
    fileRequests << request;
    workingDirectories << QDir::currentPath();
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
}

std::optional<FontChoice> ScriptedDialogs::chooseFont(QWidget *, const FontRequest &request)
{
    fontRequests << request;
    workingDirectories << QDir::currentPath();
    return fontAnswers.isEmpty() ? std::nullopt : fontAnswers.takeFirst();
}

std::optional<QString> ScriptedDialogs::chooseFolder(QWidget *, const QString &, const QString &start)
{
    folderStarts << start;
    workingDirectories << QDir::currentPath();
    return folderAnswers.isEmpty() ? std::nullopt : folderAnswers.takeFirst();
}

PrintResult RecordingPrinter::printText(const QFont &font, const QString &text)
{
    if (!failWith.isEmpty())
        return {false, failWith};
    jobs << PrintJob{font, text};
    return {};
}

PrintResult RecordingPrinter::printImage(const QImage &image)
{
    if (!failWith.isEmpty())
        return {false, failWith};
    images << image;
    return {};
}

bool RecordingEditor::open(const QString &fileName, EditorWindow window)
{
    opened << fileName;
    windows << window;
    return succeed;
}

void RecordingMessages::warning(QWidget *, const QString &title, const QString &text)
{
    warnings << Message{title, text};
}

bool RecordingMessages::question(QWidget *, const QString &title, const QString &text)
{
    questions << Message{title, text};
    return !answers.isEmpty() && answers.takeFirst();
}

} // namespace pos::testing
