#pragma once

#include "platform/platform.h"
#include "sales_terminal/other_windows.h"

#include <QPointer>
#include <QWidget>

namespace pos {

class Form2;
class Form3;
class Form8;
class Form4;
class FormSummary;
class Journal;

// The program's secondary windows, made when first shown and again after their close box has
// destroyed them. They are windows of their own, owned by the main window, so that they go
// with it when the program ends.
class AppWindows final : public OtherWindows
{
public:
    // The sales report closes periods of `journal`.
    AppWindows(Platform platform, Journal &journal);
    ~AppWindows() override;

    // The window that owns the secondary windows; set before the first showing.
    void setMainWindow(QWidget *mainWindow) { m_main = mainWindow; }

    void showSettings() override;
    void showSalesReport() override;
    void showSalesSummary() override;
    void showQuickInventory() override;
    void showReceiptPreview() override;
    void hideReceiptPreview() override;
    // Asks for the backup folder (offering the one kept), keeps a new choice, backs the shop
    // up there and tells how it went.
    void backUp() override;

    // The windows while they exist.
    Form3 *receiptPreview() const;
    Form2 *settingsWindow() const;
    Form8 *quickInventory() const;
    // The sales report while it is open.
    Form4 *salesReport() const;
    // The sales summary while it is open.
    FormSummary *salesSummary() const;

private:
    // Makes the window visible: created with `make` when it does not exist, left as it is
    // when it is already open.
    template<typename W, typename Make>
    W *showOnce(QPointer<W> &window, Make make);

    Platform m_platform;
    Journal &m_journal;
    QPointer<QWidget> m_main;
    QPointer<Form3> m_preview;
    QPointer<Form2> m_settings;
    QPointer<Form8> m_inventory;
    QPointer<Form4> m_report;
    QPointer<FormSummary> m_summary;
};

} // namespace pos
