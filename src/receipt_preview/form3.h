#pragma once

#include "platform/platform.h"

#include <QFont>
#include <QMainWindow>
#include <QString>

class QAction;
class QPlainTextEdit;

namespace pos {

// "Receipt Preview": shows the receipt of the order just closed ("reciept.txt") in the receipt
// font of "font.txt" and prints it once each time it is shown; "Print" prints the box again.
// The close box destroys the window (Qt::WA_DeleteOnClose); whoever shows it keeps a QPointer.
class Form3 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form3(Platform platform, QWidget *parent = nullptr);

    // Makes the window visible and active; the receipt then current is loaded and printed once.
    // Runs the activation itself as well, so the receipt prints even where the window manager
    // does not hand the window the focus.
    void showReceipt();

    // The box's font as designed: "Arial", 6 point, bold.
    static QFont designedFont();

    QPlainTextEdit *Text1 = nullptr;
    QAction *prnt = nullptr;

    // 1 once the receipt of the current showing has been loaded and printed; 0 before that
    // and again after the window is hidden or closed.
    int p = 0;

public slots:
    void Form_Activate();
    void Form_Resize();
    void Form_Unload();
    void prnt_Click();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The font of "font.txt", or the designed font when that file cannot give one; a size
    // outside 4 to 72 points keeps the designed size.
    QFont receiptFont() const;
    // The box's current text with CR LF line ends; the file's own text while the box still
    // shows it unedited.
    QString textToPrint() const;

    Platform m_platform;
    // The receipt as the file gave it, and the box's raw document text right after loading it:
    // the box turns every line end (CR LF, lone CR, lone LF) into a paragraph, so the file's
    // exact text is printed for as long as the box still holds what was loaded.
    QString m_loadedText;
    QString m_loadedRaw;
};

} // namespace pos
