// Start-up and line-entry figures of the sales terminal, printed as "name: value unit".
//
//   bare_qt_startup_s         a process that shows an empty Qt main window, to its first paint
//   startup_100k_inventory_s  the program's main window over a 100,000-line "inventory.dat"
//   enter_at_10_lines_ms      one Enter (line appended, totals refreshed, window repainted)
//   enter_at_10000_lines_ms   the same with 10,000 lines in the order
//   dropdown_open_100k_ms     opening the description drop-down over 100,000 entries
//
// Start-up figures are the median wall time of several child processes; Enter figures are
// the median of many presses.

#include "fake_platform.h"

#include "platform/controls.h"
#include "common/data_files.h"
#include "common/records.h"
#include "common/fileio.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
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

// Quits the application at the window's first paint.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};

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
    pos::Form1 form(fake.platform(), windows);
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
    print("bare_qt_startup_s", childStartup(QStringLiteral("--bare"), empty.path()), "s");
    print("startup_100k_inventory_s", childStartup(QStringLiteral("--form1"), shop.path()), "s");

    QDir::setCurrent(empty.path());
    pos::testing::FakePlatform fake;
    pos::testing::RecordingWindows windows;
    pos::Form1 form(fake.platform(), windows);
    form.show();
    QCoreApplication::processEvents();
    print("enter_at_10_lines_ms", enterCost(form, 10), "ms");
    print("enter_at_10000_lines_ms", enterCost(form, 10000), "ms");

    QDir::setCurrent(shop.path());
    pos::Form1 stocked(fake.platform(), windows);
    stocked.show();
    QCoreApplication::processEvents();
    print("dropdown_open_100k_ms", dropDownOpen(stocked), "ms");
    return 0;
}
