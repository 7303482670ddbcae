#pragma once

#include "core/order/order.h"
#include "platform/common_dialog.h"
#include "platform/platform.h"
#include "sales_terminal/other_windows.h"

#include <QMainWindow>
#include <QPointer>

#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace pos {

class DefaultButton;
class Journal;
class ListBox;

// The sales terminal: the counter's main window. One order is open at a time: New Order starts
// it (for a "Layaway Payment" it reopens a layaway file), Enter adds item lines with running
// totals, Close Order records the order (journal record, layaway file) and writes the receipt,
// then shows the receipt preview.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    // Builds the window and runs its load handler (the drop-down filled from "inventory.dat",
    // then New Order). The working directory holds the shop's data files.
    // The other windows are reached through `windows`; sales are recorded in `journal`.
    Form1(Platform platform, OtherWindows &windows, Journal &journal, QWidget *parent = nullptr);
    ~Form1() override;

    // Order kind, salesperson and the order list.
    QComboBox *Combo2 = nullptr;
    QLineEdit *Text8 = nullptr;
    ListBox *List1 = nullptr;
    // Entry row.
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *txtQty1 = nullptr;
    QComboBox *Description1 = nullptr;
    QLineEdit *Price1 = nullptr;
    QPushButton *Command3 = nullptr; // "New Order"
    QPushButton *Command2 = nullptr; // "Close Order"
    QPushButton *Command1 = nullptr; // "Enter"
    // Payment.
    QGroupBox *Frame2 = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;
    QCheckBox *Check4 = nullptr;
    QLineEdit *Text9 = nullptr;
    QComboBox *Combo3 = nullptr;
    // Tax.
    QGroupBox *Frame1 = nullptr;
    QComboBox *Combo4 = nullptr;
    QLabel *Label20 = nullptr;
    QLineEdit *Text19 = nullptr;
    // Amounts.
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLineEdit *Text6 = nullptr;
    QLineEdit *Text7 = nullptr;
    // Menus.
    QMenu *file = nullptr;
    QAction *settings = nullptr;
    QAction *lne1 = nullptr;
    QAction *backup = nullptr; // "Back Up..."
    QAction *exit = nullptr;
    QMenu *reports = nullptr;
    QAction *sales = nullptr;
    QAction *salessum = nullptr;
    QMenu *manage = nullptr;
    QAction *inventory = nullptr;
    QAction *lne2 = nullptr;
    QAction *invfile = nullptr;
    QAction *salesf = nullptr;
    // The open-file dialog of New Order's layaway reopening.
    CommonDialog CommonDialog1;

    // The order's receipt header line, built at New Order.
    QString dte;
    // Sum of the line amounts since New Order.
    double subt = 0;
    // The total of the last totals refresh; the change is computed against it.
    double toal = 0;

    // The button that Return presses now (nullptr: none).
    QPushButton *defaultButton() const;

signals:
    // Exit or the close box: the program ends at once.
    void endProgram();

public slots:
    void Form_Load();
    void Form_Unload();
    void exit_Click();
    void backup_Click();
    void settings_Click();
    void sales_Click();
    void salessum_Click();
    void inventory_Click();
    void invfile_Click();
    void salesf_Click();
    void Check2_Click();
    void Check3_Click();
    void Command3_Click();
    void Command1_Click();
    void Command2_Click();
    void Text6_Change();
    void Text6_DblClick();
    void Combo3_KeyUp(int key);

    // Subtotal, Tax and Total from subt and the rate, then the entry row is reset.
    void refreshTotals();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void setTabOrder();
    void focusQuantity();
    // Puts the quantity the next line starts with into its box.
    void leaveQuantity();
    // Selects that quantity while it is still in its box, so that a typed one replaces it.
    void chooseLeftQuantity();
    void openInEditor(const QString &fileName);
    void showReceiptPreview();
    void hideReceiptPreview();
    // New Order's steps up to the layaway reopening.
    void startOrder();
    // Asks for the layaway file and loads it into the order: false when cancelled or when the
    // file could not be read (nothing is reopened then).
    bool reopenLayaway();
    // Tells the clerk which settings files are there but could not be used.
    void warnAboutSettings();

    Platform m_platform;
    OtherWindows &m_windows;
    Journal &m_journal;
    DefaultButton *m_default = nullptr;
    // The layaway file reopened by this order's New Order; empty when none.
    QString m_layawayFile;
    // Whether the order was closed since its New Order: a repeated close records nothing.
    bool m_closed = false;
    // Whether the quantity box still holds the "1" New Order or Enter put there, untouched by
    // the clerk: it is selected whenever the box gets the focus back.
    bool m_quantityLeft = false;
};

} // namespace pos
