// Figures of the windows over huge files and very long lines, printed as "name: value unit".
// Each case runs in a child process of its own, in a shop folder holding the file, with the
// real windows (the receipt preview included) and the test doubles for dialogs and printer:
//
//   close_1mb_header_line_ms     Close Order, "Header.txt" holding a line of 1 MB
//   close_64kb_header_line_ms    the same with a line just under 64 KB, the longest kept
//   reopen_1m_layaway_ms         New Order reopening a layaway file of 1,000,000 lines
//   close_1m_layaway_ms          closing its payment: receipt, layaway file, receipt preview
//   layaway_1m_peak_rss_mb       the peak memory of that child process
//   layaway_1mb_line_ms          reopening and closing a layaway whose second line is 1 MB
//   inventory_load_50mb_line_ms  Quick Inventory's Load of an "inventory.dat" holding a 50 MB
//                                line, to the list's first paint
//   startup_1gib_inventory_s     the main window started over a 1 GiB "inventory.dat", to its
//                                first paint
//   startup_1gib_inventory_peak_rss_mb   the peak memory of that start
//   startup_64mb_inventory_s     the same over 64 MB of item descriptions (2.5 million)
//   startup_64mb_inventory_peak_rss_mb
//   inventory_load_64mb_ms       Quick Inventory's Load of them, to the list's first paint
//   inventory_load_64mb_peak_rss_mb
//
// A case that does not finish within ten minutes is told on the error output.

#include "fake_platform.h"
#include "first_paint.h"

#include "app/app_windows.h"
#include "core/formats/shop_files.h"
#include "core/storage/memory.h"
#include "inventory/form8.h"
#include "platform/controls.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

constexpr int kChildTimeoutMs = 600000;

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.4f %s\n", name, value, unit);
    std::fflush(stdout);
}

double msSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Writes the file from pieces: `count` times the piece, between a head and a tail.
bool writeFile(const QString &path, const QByteArray &head, const QByteArray &piece, qint64 count,
               const QByteArray &tail = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    bool ok = file.write(head) == head.size();
    QByteArray block;
    const qint64 perBlock = qMax<qint64>(1, (1 << 20) / qMax<qsizetype>(1, piece.size()));
    for (qint64 i = 0; i < perBlock; ++i)
        block += piece;
    for (qint64 done = 0; ok && done < count; done += perBlock) {
        const qint64 n = qMin(perBlock, count - done);
        ok = file.write(block.constData(), n * piece.size()) == n * piece.size();
    }
    return ok && file.write(tail) == tail.size();
}

// Item descriptions as a shop types them, in no order, to the given size.
bool writeInventory(const QString &path, qint64 bytes)
{
    static const char *const words[] = {"Bolt",  "hex",   "Nut",   "washer", "Screw",  "wood",   "Hinge",
                                        "brass", "Paint", "white", "Roller", "tape",   "Glove",  "work",
                                        "Cord",  "LED",   "bulb",  "Pipe",   "copper", "Drill",  "bit",
                                        "Saw",   "blade", "Rope",  "nylon",  "Chain",  "Anchor", "wall"};
    constexpr int kWords = sizeof words / sizeof *words;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    quint32 random = 20040314;
    const auto next = [&random](int n) {
        random = random * 1664525u + 1013904223u;
        return int((random >> 8) % quint32(n));
    };
    QByteArray block;
    qint64 written = 0;
    while (true) {
        const QByteArray line = QByteArray("\"") + words[next(kWords)] + ' ' + words[next(kWords)] + ", "
                                + QByteArray::number(next(250) + 1) + " mm " + words[next(kWords)] + "\"\r\n";
        if (written + block.size() + line.size() > bytes || block.size() >= (1 << 20)) {
            if (file.write(block) != block.size())
                return false;
            written += block.size();
            block.clear();
            if (written + line.size() > bytes)
                return true;
        }
        block += line;
    }
}

// A line no word break can split: the worst case for wrapping it.
QByteArray longLine(qint64 bytes)
{
    QByteArray line = "\"";
    line += QByteArray(bytes, 'W');
    return line + "\"\r\n";
}

// The main window with its real other windows.
struct Counter
{
    pos::testing::FakePlatform fake;
    pos::AppWindows windows{fake.platform(), fake.journal};
    pos::Form1 form{fake.platform(), windows, fake.journal};
    Counter()
    {
        windows.setMainWindow(&form);
        form.show();
        QCoreApplication::processEvents();
    }
};

using pos::bench::FirstPaint;

// The child's cases, in the shop folder that is its working directory. Each prints its figures
// on one line.
int closeChild()
{
    Counter counter;
    counter.form.Text6->setText(QStringLiteral("10"));
    QElapsedTimer timer;
    timer.start();
    counter.form.Command2->click();
    QCoreApplication::processEvents();
    std::printf("%.3f\n", msSince(timer));
    return 0;
}

int layawayChild(const QString &path)
{
    Counter counter;
    counter.fake.dialogs.fileAnswers << path;
    counter.form.Combo2->setEditText(QStringLiteral("Layaway Payment"));
    QElapsedTimer timer;
    timer.start();
    counter.form.Command3->click();
    QCoreApplication::processEvents();
    const double reopen = msSince(timer);
    counter.form.Text6->setText(QStringLiteral("1"));
    timer.restart();
    counter.form.Command2->click();
    QCoreApplication::processEvents();
    std::printf("%.3f %.3f %.1f\n", reopen, msSince(timer), pos::peakResidentMb());
    return 0;
}

// Prints the milliseconds to the list's first paint and the peak memory.
int inventoryChild()
{
    pos::testing::FakePlatform fake;
    pos::Form8 form(fake.platform());
    form.show();
    QCoreApplication::processEvents();
    FirstPaint paint;
    form.List1->viewport()->installEventFilter(&paint);
    QElapsedTimer timer;
    timer.start();
    form.Command3->click();
    form.List1->viewport()->update();
    qApp->exec();
    std::printf("%.3f %.1f\n", msSince(timer), pos::peakResidentMb());
    return 0;
}

int startupChild()
{
    pos::testing::FakePlatform fake;
    pos::AppWindows windows(fake.platform(), fake.journal);
    pos::Form1 form(fake.platform(), windows, fake.journal);
    windows.setMainWindow(&form);
    FirstPaint paint;
    form.installEventFilter(&paint);
    form.show();
    qApp->exec();
    std::printf("%.1f\n", pos::peakResidentMb());
    return 0;
}

// Runs the child case in the folder: its output line split into numbers, and its wall time.
bool runChild(const QString &folder, const QStringList &arguments, QList<double> *figures,
              double *wallSeconds = nullptr)
{
    QProcess child;
    child.setWorkingDirectory(folder);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(kChildTimeoutMs)) {
        child.kill();
        child.waitForFinished();
        std::fprintf(stderr, "%s: did not finish within %d s\n", qPrintable(arguments.join(' ')),
                     kChildTimeoutMs / 1000);
        return false;
    }
    if (wallSeconds)
        *wallSeconds = timer.nsecsElapsed() / 1e9;
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "%s: failed\n", qPrintable(arguments.join(' ')));
        return false;
    }
    figures->clear();
    for (const QByteArray &part : child.readAllStandardOutput().simplified().split(' '))
        figures->append(part.toDouble());
    return true;
}

QString makeShop(const QDir &root, const QString &name)
{
    root.mkpath(name);
    return root.filePath(name);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc > 1) {
        const QByteArray mode = argv[1];
        if (mode == "--close")
            return closeChild();
        if (mode == "--layaway" && argc > 2)
            return layawayChild(QString::fromLocal8Bit(argv[2]));
        if (mode == "--inventory")
            return inventoryChild();
        if (mode == "--startup")
            return startupChild();
        return 2;
    }

    QTemporaryDir work;
    const QDir root(work.path());
    QList<double> figures;

    for (const auto &[name, bytes] : {std::pair{"close_1mb_header_line_ms", qint64(1) << 20},
                                      std::pair{"close_64kb_header_line_ms", qint64(65000)}}) {
        const QString shop = makeShop(root, QString::fromLatin1(name));
        if (!writeFile(QDir(shop).filePath(pos::kHeaderFile), longLine(bytes), "\"1 Main St\"\r\n", 1))
            return 1;
        if (runChild(shop, {QStringLiteral("--close")}, &figures))
            print(name, figures.value(0), "ms");
    }

    {
        const QString shop = makeShop(root, QStringLiteral("layaway"));
        const QString path = QDir(shop).filePath(QStringLiteral("big.lwy"));
        if (!writeFile(path, "250000\r\n", "\"1   Item   2.50   $ 2.5\"\r\n", 1000000))
            return 1;
        if (runChild(shop, {QStringLiteral("--layaway"), path}, &figures)) {
            print("reopen_1m_layaway_ms", figures.value(0), "ms");
            print("close_1m_layaway_ms", figures.value(1), "ms");
            print("layaway_1m_peak_rss_mb", figures.value(2), "MB");
        }
        const QString longOne = QDir(shop).filePath(QStringLiteral("long.lwy"));
        if (!writeFile(longOne, "25\r\n\"Corvalane Hardware\"\r\n", longLine(qint64(1) << 20), 1,
                       "\"1   Item   25   $ 25\"\r\n"))
            return 1;
        if (runChild(shop, {QStringLiteral("--layaway"), longOne}, &figures))
            print("layaway_1mb_line_ms", figures.value(0) + figures.value(1), "ms");
    }

    {
        const QString shop = makeShop(root, QStringLiteral("inventory"));
        if (!writeFile(QDir(shop).filePath(pos::kInventoryFile), "\"Bolt\"\r\n", longLine(50 << 20), 1,
                       "\"Widget\"\r\n"))
            return 1;
        if (runChild(shop, {QStringLiteral("--inventory")}, &figures))
            print("inventory_load_50mb_line_ms", figures.value(0), "ms");
    }

    {
        // Descriptions of 30 bytes a line, as a shop's are.
        const QString shop = makeShop(root, QStringLiteral("startup_1gib_inventory"));
        const QByteArray line = "\"Hinge, brass, 75 mm, pair\"\r\n";
        if (!writeFile(QDir(shop).filePath(pos::kInventoryFile), {}, line, (qint64(1) << 30) / line.size()))
            return 1;
        double seconds = 0;
        if (runChild(shop, {QStringLiteral("--startup")}, &figures, &seconds)) {
            print("startup_1gib_inventory_s", seconds, "s");
            print("startup_1gib_inventory_peak_rss_mb", figures.value(0), "MB");
        }
        QDir(shop).removeRecursively();
    }

    {
        const QString shop = makeShop(root, QStringLiteral("startup_64mb_inventory"));
        if (!writeInventory(QDir(shop).filePath(pos::kInventoryFile), qint64(64) << 20))
            return 1;
        double seconds = 0;
        if (runChild(shop, {QStringLiteral("--startup")}, &figures, &seconds)) {
            print("startup_64mb_inventory_s", seconds, "s");
            print("startup_64mb_inventory_peak_rss_mb", figures.value(0), "MB");
        }
        if (runChild(shop, {QStringLiteral("--inventory")}, &figures)) {
            print("inventory_load_64mb_ms", figures.value(0), "ms");
            print("inventory_load_64mb_peak_rss_mb", figures.value(1), "MB");
        }
    }
    return 0;
}
