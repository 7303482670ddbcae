#pragma once

#include "platform/common_dialog.h"
#include "platform/platform.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pos {

class EntryList;
class Journal;
struct ReportColumns;

// "Sales Report": the journal "sales.txt" in three columns (Gross Sales, Net Sales, Sales Tax)
// with their totals, the untaxed sales apart, the rates of "tax.txt" and the tax
// reconciliation; closing a period into a history file, showing and adding up history files,
// the journal in the text editor, and a printout of the window. The window reads the journal
// and "tax.txt" when it is made; the close box destroys it (Qt::WA_DeleteOnClose), so the next
// showing loads afresh.
class Form4 : public QWidget
{
    Q_OBJECT
public:
    // Builds the window and runs its load handler. The working directory holds the data files.
    // Set Cutoff closes periods of `journal`.
    Form4(Platform platform, Journal &journal, QWidget *parent = nullptr);
    ~Form4() override;

    // Column titles.
    QLabel *Label3 = nullptr; // "Gross Sales"
    QLabel *Label1 = nullptr; // "Net Sales"
    QLabel *Label2 = nullptr; // "Sales Tax"
    // Columns and their totals.
    EntryList *List1 = nullptr; // subtotals
    EntryList *List3 = nullptr; // totals
    EntryList *List2 = nullptr; // tax
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text2 = nullptr;
    // Buttons.
    QPushButton *Command2 = nullptr; // "Set Cutoff"
    QPushButton *Command3 = nullptr; // "Open History"
    QPushButton *Command5 = nullptr; // "Add Histories"
    QPushButton *Command4 = nullptr; // "Manage Sales"
    QPushButton *Command6 = nullptr; // "Print"
    // Rates and shares.
    QLabel *Label4 = nullptr; // "Tax Rate in %"
    QLineEdit *Text4 = nullptr;
    QLineEdit *Text7 = nullptr;
    QLabel *Label5 = nullptr; // "State Tax %"
    QLineEdit *Text5 = nullptr;
    QLineEdit *Text8 = nullptr;
    QLabel *Label6 = nullptr; // "Municipal Tax %"
    QLineEdit *Text6 = nullptr;
    QLineEdit *Text9 = nullptr;
    QLabel *Label9 = nullptr;  // "Non Tax Sales"
    QLabel *Label10 = nullptr; // "0%"
    QLineEdit *Text12 = nullptr;
    // Reconciliation.
    QPushButton *Command1 = nullptr; // "Calculate Tax"
    QLabel *Label7 = nullptr;        // "Calculated tax"
    QLineEdit *Text10 = nullptr;
    QLabel *Label8 = nullptr; // "Discrepency"
    QLineEdit *Text11 = nullptr;

    // The window's file dialog (histories and the cutoff's destination).
    CommonDialog CommonDialog1;

public slots:
    void Form_Load();
    void Text1_DblClick();
    void Text2_DblClick();
    void Text3_DblClick();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command5_Click();
    void Command4_Click();
    void Command6_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // "Sale 2 of 3: Gross Sales 1234.50, Sales Tax 80.24, Net Sales 1314.74".
    QString saleDescription(int row) const;
    void showColumns(ReportColumns &columns, bool append);
    void showTaxRates();
    // Lists the chosen history after the entries listed (Open History, Add Histories).
    void addHistory();

    Platform m_platform;
    Journal &m_journal;
};

} // namespace pos
