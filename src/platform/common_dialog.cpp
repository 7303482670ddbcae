#include "platform/common_dialog.h"

#include <QDir>

namespace pos {

namespace {

// Puts the working directory back should a dialog implementation have moved it: every data
// file is addressed relative to it.
class KeepWorkingDirectory
{
public:
    KeepWorkingDirectory()
        : m_path(QDir::currentPath())
    {
    }
    ~KeepWorkingDirectory()
    {
        if (QDir::currentPath() != m_path)
            QDir::setCurrent(m_path);
    }
    KeepWorkingDirectory(const KeepWorkingDirectory &) = delete;
    KeepWorkingDirectory &operator=(const KeepWorkingDirectory &) = delete;

private:
    QString m_path;
};

} // namespace

CommonDialog::CommonDialog(Dialogs &dialogs, QWidget *owner)
    : m_dialogs(dialogs)
    , m_owner(owner)
{
}

bool CommonDialog::ShowOpen()
{
    OpenFileRequest request;
    request.filter = Filter;
    request.fileName = FileName;
    request.title = DialogTitle;
    request.fileMustExist = (Flags & cdlOFNFileMustExist) != 0;
    // A file that must exist has a folder that exists.
    request.pathMustExist = (Flags & (cdlOFNPathMustExist | cdlOFNFileMustExist)) != 0;
    request.hideReadOnly = (Flags & cdlOFNHideReadOnly) != 0;

    std::optional<QString> chosen;
    {
        const KeepWorkingDirectory keep;
        chosen = m_dialogs.openFile(m_owner, request);
    }
    m_cancelled = !chosen || chosen->isEmpty();
    if (m_cancelled)
        return false;
    FileName = *chosen;
    return true;
}

bool CommonDialog::ShowFont()
{
    FontRequest request;
    request.screenFonts = (Flags & cdlCFScreenFonts) != 0;
    request.printerFonts = (Flags & cdlCFPrinterFonts) != 0;
    request.effects = (Flags & cdlCFEffects) != 0;

    std::optional<FontChoice> chosen;
    {
        const KeepWorkingDirectory keep;
        chosen = m_dialogs.chooseFont(m_owner, request);
    }
    m_cancelled = !chosen;
    if (m_cancelled)
        return false;
    FontName = chosen->name;
    FontBold = chosen->bold;
    FontItalic = chosen->italic;
    FontSize = chosen->pointSize;
    return true;
}

} // namespace pos
