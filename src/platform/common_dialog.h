#pragma once

#include "platform/platform.h"

#include <QString>

class QWidget;

namespace pos {

// A window's dialog object for choosing a file or a font, one per window that asks. Like the
// common dialog control the data files' windows were designed with, it keeps its properties
// between showings: the filter a caller set stays, and the name chosen last is offered at the
// next showing unless the caller empties it. No showing ever changes the working directory.
class CommonDialog
{
public:
    // Open-file flags.
    static constexpr int cdlOFNHideReadOnly = 0x4;
    static constexpr int cdlOFNNoChangeDir = 0x8;
    static constexpr int cdlOFNPathMustExist = 0x800;
    static constexpr int cdlOFNFileMustExist = 0x1000;
    // Font flags.
    static constexpr int cdlCFScreenFonts = 0x1;
    static constexpr int cdlCFPrinterFonts = 0x2;
    static constexpr int cdlCFEffects = 0x100;

    CommonDialog(Dialogs &dialogs, QWidget *owner);

    // "description|pattern", more pairs separated by further bars.
    QString Filter;
    // In: the name offered. Out: the full path of the chosen file (kept after a cancel).
    QString FileName;
    QString DialogTitle;
    int Flags = 0;

    // The font chosen by the last ShowFont that was not cancelled.
    QString FontName;
    bool FontBold = false;
    bool FontItalic = false;
    double FontSize = 0;

    // Shows the open-file dialog; true when a file was chosen (FileName holds it), false when
    // the user cancelled (FileName is left as it was).
    bool ShowOpen();
    // Shows the font dialog; true when a font was chosen, false when cancelled.
    bool ShowFont();

    // Whether the last showing was cancelled.
    bool Cancelled() const { return m_cancelled; }

private:
    Dialogs &m_dialogs;
    QWidget *m_owner;
    bool m_cancelled = false;
};

} // namespace pos
