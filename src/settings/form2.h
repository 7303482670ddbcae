#pragma once

#include "platform/common_dialog.h"
#include "platform/platform.h"

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pos {

class ListBox;
struct WriteResult;

// "Settings": the owner edits the return policy, the receipt header lines, the three tax
// rates and the receipt font. Each group has its own save button; nothing is saved otherwise.
// "Close" hides the window with its edits; whoever shows it decides what the close box does.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    // Builds the window and runs its load handler (the controls filled from the settings files
    // of the working directory).
    explicit Form2(Platform platform, QWidget *parent = nullptr);
    ~Form2() override;

    // The fill colours of the window's colour groups.
    static QColor taxColour();    // the tax frame, its labels and "Set Tax"
    static QColor headerColour(); // "Receipt Header Info" and "Save Header"
    static QColor returnColour(); // "Return Policy" and "Save Return"
    static QColor fontColour();   // "Set Font"

    // Return policy.
    QLabel *Label1 = nullptr;
    QPlainTextEdit *Text1 = nullptr;
    // Buttons.
    QPushButton *Command1 = nullptr;  // "Save Return"
    QPushButton *Command6 = nullptr;  // "Save Header"
    QPushButton *Command8 = nullptr;  // "Set Font"
    QPushButton *Command10 = nullptr; // "Set Tax"
    QPushButton *Command11 = nullptr; // "Display Current Settings"
    QPushButton *Command2 = nullptr;  // "Close"
    // Tax rates.
    QGroupBox *Frame2 = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *Combo4 = nullptr; // sales tax rate
    QLabel *Label5 = nullptr;
    QComboBox *Combo1 = nullptr; // municipal tax rate
    QLabel *Label6 = nullptr;
    QComboBox *Combo2 = nullptr; // state tax rate
    // Receipt header lines.
    QLabel *Label2 = nullptr;
    ListBox *List2 = nullptr;
    QPushButton *Command12 = nullptr; // "Add Line"
    QPushButton *Command13 = nullptr; // "Clear"
    QLabel *Label8 = nullptr;         // index of the header line last clicked
    QLineEdit *Text2 = nullptr;

    // The font dialog of "Set Font".
    CommonDialog CommonDialog1;

public slots:
    void Form_Load();
    void Command1_Click();
    void Command6_Click();
    void Command8_Click();
    void Command10_Click();
    void Command11_Click();
    void Command2_Click();
    void Command12_Click();
    void Command13_Click();
    void List2_Click();

private:
    void buildControls();
    // Tells the owner about a save that failed; the window keeps what it shows.
    void reportFailure(const WriteResult &result);

    Platform m_platform;
};

} // namespace pos
