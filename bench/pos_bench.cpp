// Start-up and line-entry figures of the sales terminal, printed as "name: value unit".
//
//   bare_qt_startup_s         a process that shows an empty Qt main window, to its first paint
//   startup_100k_inventory_s  the program's main window over a 100,000-line "inventory.dat"
//   startup_vs_bare_qt        the one over the other
//   enter_at_10_lines_ms      one Enter (line appended, totals refreshed, window repainted)
//   enter_at_10000_lines_ms   the same with 10,000 lines in the order
//   dropdown_open_100k_ms     opening the description drop-down over 100,000 entries
//   reopen_100k_layaway_ms    New Order of a "Layaway Payment" reopening a 100,000-line layaway
//   close_100k_layaway_ms     closing that payment (receipt, layaway file rewritten, synced)
//
// Start-up figures are the median wall time of several child processes; Enter figures are
// the median of many presses.

#include "fake_platform.h"
#include "first_paint.h"

#include "core/formats/layaway_file.h"
#include "core/formats/records.h"
#include "core/formats/shop_files.h"
#include "core/storage/file_io.h"
#include "platform/controls.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

using pos::bench::FirstPaint;

int runChild(const QString &mode)
{
    FirstPaint paint;
    if (mode == QLatin1String("--bare")) {
        QMainWindow window;
        window.installEventFilter(&paint);
        window.show();
        return qApp->exec();
    }
    pos::testing::FakePlatform fake;
    pos::testing::RecordingWindows windows;
    pos::Form1 form(fake.platform(), windows, fake.journal);
    form.installEventFilter(&paint);
    form.show();
    return qApp->exec();
}

double childStartup(const QString &mode, const QString &workDir)
{
    std::vector<double> seconds;
    for (int run = 0; run < 7; ++run) {
        QProcess child;
        child.setWorkingDirectory(workDir);
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), {mode});
        child.waitForFinished(60000);
        seconds.push_back(timer.nsecsElapsed() / 1e9);
    }
    return median(seconds);
}

double enterCost(pos::Form1 &form, int lines)
{
    while (form.List1->count() < lines) {
        form.txtQty1->setText(QStringLiteral("1"));
        form.Price1->setText(QStringLiteral("1.25"));
        form.Command1_Click();
    }
    std::vector<double> ms;
    for (int press = 0; press < 200; ++press) {
        form.txtQty1->setText(QStringLiteral("2"));
        form.Description1->setEditText(QStringLiteral("Bolt, 10 mm"));
        form.Price1->setText(QStringLiteral("4.50"));
        QElapsedTimer timer;
        timer.start();
        form.Command1->click();
        form.repaint();
        QCoreApplication::processEvents();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

double dropDownOpen(pos::Form1 &form)
{
    std::vector<double> ms;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        form.Description1->showPopup();
        QCoreApplication::processEvents();
        ms.push_back(timer.nsecsElapsed() / 1e6);
        form.Description1->hidePopup();
        QCoreApplication::processEvents();
    }
    return median(ms);
}

// Reopens and closes a layaway payment several times: the median of each, in ms.
std::pair<double, double> layawayCost(pos::Form1 &form, pos::testing::FakePlatform &fake, const QString &path)
{
    std::vector<double> reopen;
    std::vector<double> close;
    for (int run = 0; run < 7; ++run) {
        fake.dialogs.fileAnswers << path;
        form.Combo2->setEditText(QStringLiteral("Layaway Payment"));
        QElapsedTimer timer;
        timer.start();
        form.Command3->click();
        QCoreApplication::processEvents();
        reopen.push_back(timer.nsecsElapsed() / 1e6);
        form.Text6->setText(QStringLiteral("1"));
        timer.restart();
        form.Command2->click();
        QCoreApplication::processEvents();
        close.push_back(timer.nsecsElapsed() / 1e6);
    }
    return {median(reopen), median(close)};
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.4f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc > 1)
        return runChild(QString::fromLocal8Bit(argv[1]));

    const QString start = QDir::currentPath();
    QTemporaryDir shop;
    QStringList inventory;
    for (int i = 0; i < 100000; ++i)
        inventory << QStringLiteral("Item %1, aisle %2").arg(i, 6, 10, QLatin1Char('0')).arg(i % 40);
    pos::RecordWriter writer;
    for (const QString &item : inventory)
        writer.text(item).endRecord();
    if (!pos::writeFileWhole(QDir(shop.path()).filePath(pos::kInventoryFile), writer.bytes())) {
        std::fprintf(stderr, "could not write the benchmark's inventory file\n");
        return 1;
    }

    QTemporaryDir empty;
    const double bare = childStartup(QStringLiteral("--bare"), empty.path());
    const double startup = childStartup(QStringLiteral("--form1"), shop.path());
    print("bare_qt_startup_s", bare, "s");
    print("startup_100k_inventory_s", startup, "s");
    // Within this run, so that machines and systems compare.
    print("startup_vs_bare_qt", startup / bare, "x");

    QDir::setCurrent(empty.path());
    pos::testing::FakePlatform fake;
    pos::testing::RecordingWindows windows;
    pos::Form1 form(fake.platform(), windows, fake.journal);
    form.show();
    QCoreApplication::processEvents();
    print("enter_at_10_lines_ms", enterCost(form, 10), "ms");
    print("enter_at_10000_lines_ms", enterCost(form, 10000), "ms");

    QDir::setCurrent(shop.path());
    pos::Form1 stocked(fake.platform(), windows, fake.journal);
    stocked.show();
    QCoreApplication::processEvents();
    print("dropdown_open_100k_ms", dropDownOpen(stocked), "ms");

    QTemporaryDir layaways;
    // Back out of the folders before they go: Windows removes no process's working folder.
    const auto back = qScopeGuard([&start] { QDir::setCurrent(start); });
    QDir::setCurrent(layaways.path());
    QStringList stored;
    for (int i = 0; i < 100000; ++i)
        stored << QStringLiteral("1   Item %1   2.50   $ 2.5").arg(i);
    const QString layaway = QDir(layaways.path()).filePath(QStringLiteral("big.lwy"));
    if (!pos::writeFileWhole(layaway, pos::layawayBytes(250000, stored))) {
        std::fprintf(stderr, "could not write the benchmark's layaway file\n");
        return 1;
    }
    pos::Form1 counter(fake.platform(), windows, fake.journal);
    counter.show();
    QCoreApplication::processEvents();
    const auto [reopen, close] = layawayCost(counter, fake, layaway);
    print("reopen_100k_layaway_ms", reopen, "ms");
    print("close_100k_layaway_ms", close, "ms");
    return 0;
}
