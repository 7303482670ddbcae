#pragma once

#include "core/report/sales_summary.h"
#include "platform/common_dialog.h"
#include "platform/platform.h"

#include <QWidget>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

namespace pos {

class Journal;
class ListBox;
class SummaryTable;

// "Sales Summary": the journal, and the histories the owner adds, summed by day, week, month or
// year, or by salesperson, kind or payment over a date range, each row with a bar of its Total
// and a totals row that agrees with the Sales Report's; the rows saved as a CSV file or
// printed. The files are read once, when the window is made and when a history is added; every
// other change is made from the sums in memory. Nothing is written but the CSV file.
class FormSummary : public QWidget
{
    Q_OBJECT
public:
    FormSummary(Platform platform, Journal &journal, QWidget *parent = nullptr);
    ~FormSummary() override;

    QLabel *Label1 = nullptr;    // "Period"
    QComboBox *Combo1 = nullptr; // Day, Week, Month, Year
    QLabel *Label2 = nullptr;    // "Rows by"
    QComboBox *Combo2 = nullptr; // Period, Salesperson, Kind, Payment
    QLabel *Label3 = nullptr;    // "From"
    QDateEdit *Text1 = nullptr;
    QLabel *Label4 = nullptr; // "To"
    QDateEdit *Text2 = nullptr;
    QPushButton *Command1 = nullptr; // "Add History"
    QLabel *Label5 = nullptr;        // "Sources"
    ListBox *List1 = nullptr;        // the files read
    QTableView *Grid1 = nullptr;     // the rows
    QLabel *Label6 = nullptr;        // what the last Save CSV or Print did
    QPushButton *Command2 = nullptr; // "Save CSV"
    QPushButton *Command3 = nullptr; // "Print"

    CommonDialog CommonDialog1; // histories
    CommonDialog CommonDialog2; // the CSV file

    SummaryTable *table() const { return m_table; }

public slots:
    void Form_Load();
    void Combo1_Click();
    void Combo2_Click();
    void Text1_Change();
    void Text2_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

private:
    void buildControls();
    // Reads a file into the sums, lists it and tells what went wrong reading it.
    void addSource(const QString &path, bool history);
    // The range back to every dated sale.
    void showWholeSpan();
    void refresh();
    SummaryQuery query() const;

    Platform m_platform;
    Journal &m_journal;
    SalesSummary m_summary;
    SummaryTable *m_table = nullptr;
    bool m_settingRange = false;
};

} // namespace pos
