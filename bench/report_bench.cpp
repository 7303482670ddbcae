// Sales report figures over a journal of years, printed as "name: value unit".
//
//   line_count_mb_per_s     a plain read of the journal counting its lines with memchr
//   journal_parse_mb_per_s  the journal read into the report's three columns (keys compared,
//                           untaxed sales apart), without the window
//   report_load_s           the report window fully loaded: journal read, lists filled, totals
//                           and reconciliation done, first paint (in a child process)
//   report_peak_rss_mb      the peak memory of such a child process, as a whole
//   history_open_s          "Open History" of the same file in an open report, repainted
//   cutoff_s                "Set Cutoff" of the journal into a new history file
//   file_copy_s             a plain copy of the journal, synced at the end
//
// and the targets as ratios within the run ("..._vs_...: value x", with met or MISSED on the
// error output): report load and history open within 10 times the line count's time, peak
// memory under 100 MB, the parse at a quarter or more of the line count's throughput, the
// cutoff within 5 times the copy.
//
// Usage: pos_report_bench [journal]; pos_report_bench --make-journal file writes the journal
// it would make and stops. Without a journal, a varied 1,000,000-record journal
// (adjacent repeats, untaxed sales, returns, amounts into the thousands) is made in a temporary
// folder. The journal given is never changed: the cutoff works on a copy. Each time is the
// best of several runs.

#include "fake_platform.h"

#include "core/formats/journal_record.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"
#include "core/formats/shop_files.h"
#include "core/report/report.h"
#include "core/storage/file_io.h"
#include "core/storage/memory.h"
#include "sales_report/entry_list.h"
#include "sales_report/form4.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 kChunk = qint64(1) << 20;

// The best of several runs: the machine is shared, and what the code itself costs is the
// least time it took.
double best(const std::vector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.4f %s\n", name, value, unit);
    std::fflush(stdout);
}

// A varied journal: adjacent repeats (a close pressed twice), untaxed sales, returns with
// negative amounts, orders closed without lines, amounts from cents into the thousands.
bool makeJournal(const QString &path, int records)
{
    pos::StreamedFileWriter out(path);
    const char *people[] = {"Ann", "Bo", "Cy", "Dee"};
    const char *payments[] = {"Cash", "Charge Visa", "Cheque #1043", "Cash Charge MasterCard", "In-Store Credit"};
    quint32 seed = 20040314;
    auto random = [&seed](quint32 bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    QByteArray line;
    QByteArray previous;
    for (int i = 0; i < records; ++i) {
        if (i > 0 && random(20) == 0) {
            if (!out.write(previous))
                return false;
            continue;
        }
        const int day = i / 400;
        const int seconds = 8 * 3600 + (i % 400) * 90;
        const bool isReturn = random(25) == 0;
        const bool untaxed = !isReturn && random(10) == 0;
        const bool empty = random(500) == 0;
        const qint64 subtotal = (random(8) == 0 ? random(500000) : random(20000)) + 1;
        const qint64 tax = untaxed ? 0 : (subtotal * 65 + 500) / 1000;
        const qint64 sign = isReturn ? -1 : 1;
        const QByteArray key =
            QStringLiteral("Reciept# %1-%2-%3%4:%5:%6      %7   Salesperson: %8")
                .arg(day / 28 % 12 + 1, 2, 10, QLatin1Char('0'))
                .arg(day % 28 + 1, 2, 10, QLatin1Char('0'))
                .arg(2004 + day / 336)
                .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                .arg(isReturn ? QStringLiteral("Return") : QStringLiteral("Sale"), QLatin1String(people[random(4)]))
                .toLatin1();
        pos::RecordWriter writer;
        writer.text(QString::fromLatin1(key));
        for (qint64 amount : {subtotal, tax, subtotal + tax})
            writer.text(empty ? QString() : pos::formatMoney(sign * amount / 100.0));
        writer.text(QString::fromLatin1(payments[random(5)])).endRecord();
        line = writer.bytes();
        if (!out.write(line))
            return false;
        previous = line;
    }
    return bool(out.commit());
}

double lineCountSeconds(const QString &path, qint64 *lines)
{
    std::vector<char> buffer(kChunk);
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return -1;
    qint64 count = 0;
    for (;;) {
        const qint64 got = file.read(buffer.data(), kChunk);
        if (got <= 0)
            break;
        const char *p = buffer.data();
        const char *end = p + got;
        while ((p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p))))) {
            ++count;
            ++p;
        }
    }
    *lines = count;
    return timer.nsecsElapsed() / 1e9;
}

double parseSeconds(const QString &path, qsizetype *rows)
{
    QElapsedTimer timer;
    timer.start();
    pos::ReportColumns columns;
    pos::UntaxedSales untaxed;
    pos::JournalReader reader(path);
    pos::loadJournal(reader, columns, untaxed);
    const double seconds = timer.nsecsElapsed() / 1e9;
    *rows = columns.size();
    return seconds;
}

bool syncAndClose(QFile &file)
{
    file.flush();
#ifndef Q_OS_WIN
    if (::fsync(file.handle()) != 0)
        return false;
#endif
    file.close();
    return true;
}

double copySeconds(const QString &from, const QString &to)
{
    std::vector<char> buffer(kChunk);
    QFile::remove(to);
    QElapsedTimer timer;
    timer.start();
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
        || !out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return -1;
    for (;;) {
        const qint64 got = in.read(buffer.data(), kChunk);
        if (got <= 0)
            break;
        if (out.write(buffer.data(), got) != got)
            return -1;
    }
    if (!syncAndClose(out))
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

// Ends the event loop once every list of the window has painted.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(pos::Form4 &form)
        : m_waiting{form.List1->viewport(), form.List2->viewport(), form.List3->viewport()}
    {
        for (QObject *viewport : m_waiting)
            viewport->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_waiting.removeOne(watched) && m_waiting.isEmpty())
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }

private:
    QList<QObject *> m_waiting;
};

// In a child process whose working directory holds "sales.txt": the window loaded to its
// first paint. Prints the seconds and the peak memory.
int loadChild()
{
    pos::testing::FakePlatform fake;
    QElapsedTimer timer;
    timer.start();
    // On the heap: quitting closes the window, and its close box destroys it.
    auto *form = new pos::Form4(fake.platform(), fake.journal);
    FirstPaint paint(*form);
    form->show();
    const int rows = form->List1->count();
    qApp->exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.6f %.3f %d\n", seconds, pos::peakResidentMb(), rows);
    return 0;
}

bool childLoad(const QString &workDir, double *seconds, double *peakMb, int *rows)
{
    QProcess child;
    child.setWorkingDirectory(workDir);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--load-child")});
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        return false;
    const QList<QByteArray> parts = child.readAllStandardOutput().simplified().split(' ');
    if (parts.size() != 3)
        return false;
    *seconds = parts[0].toDouble();
    *peakMb = parts[1].toDouble();
    *rows = parts[2].toInt();
    return true;
}

// Waits until every pending event (the lists' repaint included) has been handled.
void settle(QWidget &window)
{
    window.repaint();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--load-child")
        return loadChild();
    if (argc > 2 && QByteArray(argv[1]) == "--make-journal")
        return makeJournal(QString::fromLocal8Bit(argv[2]), 1000000) ? 0 : 1;

    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // Back out of the folders before they go: Windows removes no process's working folder.
    const auto back = qScopeGuard([start = QDir::currentPath()] { QDir::setCurrent(start); });
    const QDir dir(work.path());
    QString journal;
    if (argc > 1) {
        journal = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
        if (!QFileInfo(journal).isFile()) {
            std::fprintf(stderr, "%s is not a journal file\n", argv[1]);
            return 1;
        }
    } else {
        journal = dir.filePath(QStringLiteral("journal.txt"));
        if (!makeJournal(journal, 1000000)) {
            std::fprintf(stderr, "could not write the benchmark's journal\n");
            return 1;
        }
    }
    const double megabytes = QFileInfo(journal).size() / 1e6;
    std::fprintf(stderr, "journal: %s, %.1f MB\n", qPrintable(QDir::toNativeSeparators(journal)), megabytes);

    // The window's folder, with a copy of the journal as its "sales.txt" (a copy, not a link:
    // on Windows a link is a shortcut file).
    const QString shop = dir.filePath(QStringLiteral("shop"));
    dir.mkpath(shop);
    if (!QFile::copy(journal, QDir(shop).filePath(pos::kJournalFile))) {
        std::fprintf(stderr, "could not copy the journal into the report's folder\n");
        return 1;
    }
    QFile tax(QDir(shop).filePath(pos::kTaxFile));
    if (tax.open(QIODevice::WriteOnly))
        tax.write("\"6.5\",\"1\",\"5.5\"\r\n");
    tax.close();

    // Line count and parse, warm (the file in the page cache).
    qint64 lines = 0;
    qsizetype rows = 0;
    lineCountSeconds(journal, &lines);
    std::vector<double> counts, parses;
    for (int run = 0; run < 7; ++run) {
        counts.push_back(lineCountSeconds(journal, &lines));
        parses.push_back(parseSeconds(journal, &rows));
    }
    const double lineCount = best(counts);
    const double parse = best(parses);
    std::fprintf(stderr, "%lld lines, %lld sales listed\n", static_cast<long long>(lines),
                 static_cast<long long>(rows));
    print("line_count_mb_per_s", megabytes / lineCount, "MB/s");
    print("journal_parse_mb_per_s", megabytes / parse, "MB/s");

    std::vector<double> loads;
    double peak = 0;
    for (int run = 0; run < 5; ++run) {
        double seconds = 0;
        double mb = 0;
        int listed = 0;
        if (!childLoad(shop, &seconds, &mb, &listed)) {
            std::fprintf(stderr, "the report window did not load in its child process\n");
            return 1;
        }
        loads.push_back(seconds);
        peak = std::max(peak, mb);
    }
    const double load = best(loads);
    print("report_load_s", load, "s");
    print("report_peak_rss_mb", peak, "MB");

    // Open History of the same file in a report opened over an empty journal.
    const QString empty = dir.filePath(QStringLiteral("empty"));
    dir.mkpath(empty);
    QDir::setCurrent(empty);
    std::vector<double> opens;
    {
        pos::testing::FakePlatform fake;
        pos::Form4 form(fake.platform(), fake.journal);
        form.show();
        settle(form);
        for (int run = 0; run < 3; ++run) {
            fake.dialogs.fileAnswers << journal;
            QElapsedTimer timer;
            timer.start();
            form.Command3->click();
            settle(form);
            opens.push_back(timer.nsecsElapsed() / 1e9);
        }
    }
    const double open = best(opens);
    print("history_open_s", open, "s");

    // Set Cutoff of a copy of the journal, against a plain synced copy.
    const QString cutoffDir = dir.filePath(QStringLiteral("cutoff"));
    dir.mkpath(cutoffDir);
    QDir::setCurrent(cutoffDir);
    std::vector<double> cutoffs, copies;
    for (int run = 0; run < 3; ++run) {
        copies.push_back(copySeconds(journal, QDir(cutoffDir).filePath(pos::kJournalFile)));
        QFile::remove(QDir(cutoffDir).filePath(QStringLiteral("history.txt")));
        pos::testing::FakePlatform fake;
        pos::Form4 form(fake.platform(), fake.journal);
        fake.dialogs.fileAnswers << QDir(cutoffDir).filePath(QStringLiteral("history.txt"));
        QElapsedTimer timer;
        timer.start();
        form.Command2->click();
        cutoffs.push_back(timer.nsecsElapsed() / 1e9);
        if (!fake.messages.warnings.isEmpty() || QFileInfo(pos::kJournalFile).size() != 0) {
            std::fprintf(stderr, "the cutoff failed\n");
            return 1;
        }
    }
    const double cutoff = best(cutoffs);
    const double copy = best(copies);
    print("cutoff_s", cutoff, "s");
    print("file_copy_s", copy, "s");

    // The targets, each a ratio within this run.
    const auto ratio = [](const char *name, double value, bool met, const char *target) {
        print(name, value, "x");
        std::fprintf(stderr, "%s: %s (target: %s)\n", name, met ? "met" : "MISSED", target);
    };
    const double parseShare = (megabytes / parse) / (megabytes / lineCount);
    ratio("report_load_vs_line_count", load / lineCount, load <= 10 * lineCount, "10 or less");
    std::fprintf(stderr, "report_peak_rss_mb: %s (target: under 100)\n", peak < 100 ? "met" : "MISSED");
    ratio("journal_parse_vs_line_count", parseShare, parseShare >= 0.25, "0.25 or more of its throughput");
    ratio("history_open_vs_line_count", open / lineCount, open <= 10 * lineCount, "10 or less");
    ratio("cutoff_vs_file_copy", cutoff / copy, cutoff <= 5 * copy, "5 or less");
    return 0;
}
