#include "app/app_windows.h"

#include "core/backup/backup.h"
#include "inventory/form8.h"
#include "receipt_preview/form3.h"
#include "sales_report/form4.h"
#include "sales_summary/form_summary.h"
#include "settings/form2.h"

#include <QDir>

namespace pos {

AppWindows::AppWindows(Platform platform, Journal &journal)
    : m_platform(platform)
    , m_journal(journal)
{
}

AppWindows::~AppWindows() = default;

template<typename W, typename Make>
W *AppWindows::showOnce(QPointer<W> &window, Make make)
{
    if (!window) {
        window = make();
        // A window of its own, above the main window, destroyed by its close box.
        window->setWindowFlag(Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!window->isVisible())
        window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void AppWindows::showSettings()
{
    showOnce(m_settings, [this] { return new Form2(m_platform, m_main); });
}

void AppWindows::showSalesReport()
{
    showOnce(m_report, [this] { return new Form4(m_platform, m_journal, m_main); });
}

void AppWindows::showSalesSummary()
{
    showOnce(m_summary, [this] { return new FormSummary(m_platform, m_journal, m_main); });
}

void AppWindows::showQuickInventory()
{
    showOnce(m_inventory, [this] { return new Form8(m_platform, m_main); });
}

void AppWindows::showReceiptPreview()
{
    if (!m_preview) {
        m_preview = new Form3(m_platform, m_main);
        m_preview->setWindowFlag(Qt::Window);
    }
    m_preview->showReceipt();
}

void AppWindows::hideReceiptPreview()
{
    if (m_preview && m_preview->isVisible())
        m_preview->hide();
}

void AppWindows::backUp()
{
    const QString caption = m_main ? m_main->windowTitle() : QString();
    const QString kept = backupFolderSetting();
    const std::optional<QString> chosen =
        m_platform.dialogs.chooseFolder(m_main, QStringLiteral("Choose the folder to back the shop up into"), kept);
    if (!chosen)
        return;
    if (QDir::cleanPath(*chosen) != QDir::cleanPath(QDir::fromNativeSeparators(kept))) {
        if (const WriteResult keeping = keepBackupFolder(*chosen); !keeping) {
            m_platform.messages.warning(m_main, caption, keeping.message);
            return;
        }
    }
    const BackupOutcome outcome = makeBackup(m_journal, *chosen, m_platform.clock.now());
    if (!outcome.result) {
        m_platform.messages.warning(m_main, caption, outcome.told());
        return;
    }
    QString text = QStringLiteral("The shop was backed up into \"%1\", and the copy was checked.")
                       .arg(QDir::toNativeSeparators(outcome.made));
    tell(text, outcome.notice);
    m_platform.messages.information(m_main, caption, text);
}

Form3 *AppWindows::receiptPreview() const
{
    return m_preview;
}

Form2 *AppWindows::settingsWindow() const
{
    return m_settings;
}

Form8 *AppWindows::quickInventory() const
{
    return m_inventory;
}

Form4 *AppWindows::salesReport() const
{
    return m_report;
}

FormSummary *AppWindows::salesSummary() const
{
    return m_summary;
}

} // namespace pos
