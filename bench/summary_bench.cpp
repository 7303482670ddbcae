// Sales Summary figures over ten million sales, printed as "name: value unit".
//
//   summary_files_mb        the journal and the histories made, together
//   wc_l_s                  `wc -l` of the same files (cached), the yardstick
//   summary_core_open_s     the files summed by the core alone (SalesSummary), rows by day made
//   summary_window_open_s   the "Sales Summary" window made over the journal, every history
//                           added through its Add History, first paint (in a child process)
//   summary_peak_rss_mb     the peak memory of that child process, as a whole
//   summary_regroup_ms      a change of grouping in the open window (rows by month), recomputed
//                           from the sums in memory
//
// and the targets as ratios ("..._vs_...: value x", met or MISSED on the error output): the
// window open within 8 times `wc -l`, its peak memory under 60 MB.
//
// Usage: pos_summary_bench [sales] (default 10,000,000): a journal of a fifth of the sales and
// four histories of the rest are made in a temporary folder. Each time is the best of three.
// pos_summary_bench --make-files folder sales makes the files in the folder and stops; run
// with --core-child or --window-child in that folder, it sums them once.

#include "fake_platform.h"

#include "core/formats/numbers.h"
#include "core/report/sales_summary.h"
#include "core/storage/file_io.h"
#include "core/storage/memory.h"
#include "sales_summary/form_summary.h"
#include "sales_summary/summary_table.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kHistories = 4;

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.4f %s\n", name, value, unit);
    std::fflush(stdout);
}

void target(const char *name, double value, double most)
{
    print(name, value, "x");
    std::fprintf(stderr, "%s %s (target: at most %.0f)\n", name, value <= most ? "met" : "MISSED", most);
}

QStringList fileNames()
{
    QStringList names{QStringLiteral("sales.txt")};
    for (int i = 1; i <= kHistories; ++i)
        names << QStringLiteral("history%1.txt").arg(i);
    return names;
}

// A shop's five years (the sales spread evenly over them: 5,500 a day at ten million), four
// salespersons, kinds and payments of every shape, adjacent repeats, untaxed sales, returns.
// The histories are the older years.
bool makeFiles(const QString &folder, qint64 sales)
{
    const char *people[] = {"Ann", "Bo", "Cy", "Dee"};
    const char *payments[] = {"Cash", "Charge Visa", "Cheque Number 1043", "CashCharge MasterCard", " In-Store Credit",
                              ""};
    quint32 seed = 20040314;
    auto random = [&seed](quint32 bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    const QStringList names = fileNames();
    const qint64 perFile = sales / names.size();
    const qint64 perDay = std::max<qint64>(1, sales / 1826);
    const int secondsApart = int(std::max<qint64>(1, 12 * 3600 / perDay));
    qint64 sale = 0;
    QByteArray line;
    QByteArray previous;
    // The oldest history first, the journal last.
    for (int f = names.size() - 1; f >= 0; --f) {
        pos::StreamedFileWriter out(QDir(folder).filePath(names[f]));
        const qint64 count = f == 0 ? sales - perFile * (names.size() - 1) : perFile;
        for (qint64 i = 0; i < count; ++i, ++sale) {
            if (i > 0 && random(50) == 0) {
                if (!out.write(previous))
                    return false;
                continue;
            }
            const QDate day = QDate(2004, 1, 1).addDays(sale / perDay);
            const int seconds = 8 * 3600 + int(sale % perDay) * secondsApart % (14 * 3600);
            const bool isReturn = random(25) == 0;
            const bool untaxed = !isReturn && random(10) == 0;
            const qint64 subtotal = (random(8) == 0 ? random(500000) : random(20000)) + 1;
            const qint64 tax = untaxed ? 0 : (subtotal * 65 + 500) / 1000;
            const qint64 sign = isReturn ? -1 : 1;
            line = "\"Reciept# " + day.toString(QStringLiteral("MM-dd-yyyy")).toLatin1()
                   + QTime(0, 0).addSecs(seconds).toString(QStringLiteral("hh:mm:ss")).toLatin1() + "      "
                   + (isReturn ? "Return" : "Sale") + "   Salesperson: " + people[random(4)] + "\"";
            for (qint64 amount : {subtotal, tax, subtotal + tax})
                line += ",\"" + pos::formatMoney(double(sign * amount) / 100.0).toLatin1() + "\"";
            line += ",\"" + QByteArray(payments[random(6)]) + "\"\r\n";
            if (!out.write(line))
                return false;
            previous = line;
        }
        if (!out.commit())
            return false;
    }
    return true;
}

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

double wcSeconds(const QString &folder)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QProcess wc;
        wc.setWorkingDirectory(folder);
        QElapsedTimer timer;
        timer.start();
        wc.start(QStringLiteral("wc"), QStringList{QStringLiteral("-l")} + fileNames());
        if (!wc.waitForFinished(600000) || wc.exitCode() != 0)
            return -1;
        best = std::min(best, seconds(timer));
    }
    return best;
}

// In the child: the files summed by the core, then by the window. Prints
// "core_s window_s regroup_ms peak_mb sales".
int openChild(bool window)
{
    const QStringList names = fileNames();
    QElapsedTimer timer;
    timer.start();
    qint64 sales = 0;
    double regroupMs = 0;
    if (!window) {
        pos::SalesSummary summary;
        for (int i = 0; i < names.size(); ++i)
            (void)summary.addFile(names[i], i > 0);
        sales = summary.rows({}).back().figures.sales;
    } else {
        pos::testing::FakePlatform fake;
        for (int i = 1; i < names.size(); ++i)
            fake.dialogs.fileAnswers << QDir::current().absoluteFilePath(names[i]);
        pos::FormSummary form(fake.platform(), fake.journal);
        for (int i = 1; i < names.size(); ++i)
            form.Command1->click();
        form.show();
        form.repaint();
        QCoreApplication::processEvents();
        sales = form.table()->rows().back().figures.sales;
        const double opened = seconds(timer);
        QElapsedTimer regroup;
        regroup.start();
        form.Combo1->setCurrentIndex(2);
        form.repaint();
        regroupMs = double(regroup.nsecsElapsed()) / 1e6;
        std::printf("%.6f %.3f %.3f %lld\n", opened, regroupMs, pos::peakResidentMb(), static_cast<long long>(sales));
        return 0;
    }
    std::printf("%.6f %.3f %.3f %lld\n", seconds(timer), regroupMs, pos::peakResidentMb(),
                static_cast<long long>(sales));
    return 0;
}

struct ChildRun
{
    double seconds = 1e9;
    double regroupMs = 1e9;
    double peakMb = 0;
    qint64 sales = 0;
};

bool runChild(const QString &folder, bool window, ChildRun &best)
{
    for (int run = 0; run < 3; ++run) {
        QProcess child;
        child.setWorkingDirectory(folder);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {window ? QStringLiteral("--window-child") : QStringLiteral("--core-child")});
        if (!child.waitForFinished(1800000) || child.exitCode() != 0)
            return false;
        const QList<QByteArray> parts = child.readAllStandardOutput().simplified().split(' ');
        if (parts.size() != 4)
            return false;
        best.seconds = std::min(best.seconds, parts[0].toDouble());
        best.regroupMs = std::min(best.regroupMs, parts[1].toDouble());
        best.peakMb = std::max(best.peakMb, parts[2].toDouble());
        best.sales = parts[3].toLongLong();
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--core-child")
        return openChild(false);
    if (argc > 1 && QByteArray(argv[1]) == "--window-child")
        return openChild(true);
    if (argc > 3 && QByteArray(argv[1]) == "--make-files")
        return makeFiles(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong()) ? 0 : 1;
    const qint64 sales = argc > 1 ? QByteArray(argv[1]).toLongLong() : 10000000;
    if (sales <= 0 || QStandardPaths::findExecutable(QStringLiteral("wc")).isEmpty()) {
        std::fprintf(stderr, "usage: pos_summary_bench [sales]; wc must be on the path\n");
        return 2;
    }

    QTemporaryDir dir;
    QElapsedTimer making;
    making.start();
    if (!dir.isValid() || !makeFiles(dir.path(), sales)) {
        std::fprintf(stderr, "could not make the files in %s\n", qPrintable(dir.path()));
        return 1;
    }
    qint64 bytes = 0;
    for (const QString &name : fileNames())
        bytes += QFileInfo(QDir(dir.path()).filePath(name)).size();
    print("summary_sales", double(sales), "sales");
    print("summary_files_mb", double(bytes) / 1e6, "MB");
    print("summary_make_s", seconds(making), "s");

    const double wc = wcSeconds(dir.path());
    ChildRun core;
    ChildRun window;
    if (wc <= 0 || !runChild(dir.path(), false, core) || !runChild(dir.path(), true, window)) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    print("wc_l_s", wc, "s");
    print("summary_core_open_s", core.seconds, "s");
    print("summary_core_peak_rss_mb", core.peakMb, "MB");
    print("summary_window_open_s", window.seconds, "s");
    print("summary_peak_rss_mb", window.peakMb, "MB");
    print("summary_regroup_ms", window.regroupMs, "ms");
    print("summary_sales_counted", double(window.sales), "sales");
    target("summary_window_open_vs_wc_l", window.seconds / wc, 8);
    std::fprintf(stderr, "summary_peak_rss_mb %s (target: under 60)\n", window.peakMb < 60 ? "met" : "MISSED");
    return 0;
}
