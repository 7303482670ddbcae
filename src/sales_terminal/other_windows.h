#pragma once

namespace pos {

// The windows the main window shows besides itself. The main window does not know them: the
// program gives it the real ones (src/app), tests give it doubles. Showing a window that is
// already open changes nothing; a window closed by its close box is made anew at its next
// showing.
class OtherWindows
{
public:
    virtual ~OtherWindows() = default;

    // File, Settings.
    virtual void showSettings() = 0;
    // Reports, Sales.
    virtual void showSalesReport() = 0;
    // Reports, Sales Summary.
    virtual void showSalesSummary() = 0;
    // Manage, Quick Inventory.
    virtual void showQuickInventory() = 0;
    // After Close Order has written "reciept.txt": the preview shows it and prints it once.
    virtual void showReceiptPreview() = 0;
    // New Order hides the preview when it is visible.
    virtual void hideReceiptPreview() = 0;
    // File, Back Up...: a backup of the shop, into the backup folder the owner chooses.
    virtual void backUp() = 0;
};

} // namespace pos
