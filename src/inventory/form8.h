#pragma once

#include "platform/platform.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pos {

class ListBox;
struct WriteResult;

// "Quick Inventory Manager": the owner loads the item descriptions of "inventory.dat" into a
// sorted list, adds descriptions (written to the file at once), removes entries from the list
// and saves the list back. The list is a working copy: only "Add" and "Save" touch the file.
class Form8 : public QWidget
{
    Q_OBJECT
public:
    // Builds the window and runs its load handler, which shows an empty list and an empty
    // description box: the file is read only on "Load Inventory File" and "Add".
    explicit Form8(Platform platform, QWidget *parent = nullptr);
    ~Form8() override;

    // The entries, kept in list order (letters compared without regard to case).
    ListBox *List1 = nullptr;
    QPushButton *Command3 = nullptr; // "Load Inventory File"
    QPushButton *Command4 = nullptr; // "Remove Item"
    QPushButton *Command2 = nullptr; // "Clear List"
    QPushButton *Command5 = nullptr; // "Save"
    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;      // the description to add
    QPushButton *Command7 = nullptr; // "Clear"
    QPushButton *Command1 = nullptr; // "Add"

public slots:
    void Form_Load();
    void Command3_Click();
    void Command1_Click();
    void Command4_Click();
    void Command2_Click();
    void Command7_Click();
    void Command5_Click();

private:
    void buildControls();
    void setTabOrder();
    // Tells the owner about a write that failed; the window keeps what it shows.
    bool reportFailure(const WriteResult &result);

    Platform m_platform;
};

} // namespace pos
