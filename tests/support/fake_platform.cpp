#include "fake_platform.h"

namespace pos::testing {

std::optional<QString> ScriptedDialogs::openFile(QWidget *, const OpenFileRequest &request)
{
    fileRequests << request;
    if (fileAnswers.empty())
        return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<FontChoice> ScriptedDialogs::chooseFont(QWidget *)
{
    ++fontRequests;
    if (fontAnswers.empty())
        return std::nullopt;
    auto answer = fontAnswers.front();
    fontAnswers.pop_front();
    return answer;
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

bool RecordingEditor::open(const QString &fileName)
{
    opened << fileName;
    return succeed;
}

void RecordingMessages::warning(QWidget *, const QString &title, const QString &text)
{
    warnings << Message{title, text};
}

} // namespace pos::testing
