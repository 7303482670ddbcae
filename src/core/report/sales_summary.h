#pragma once

// The Sales Summary's computing, without widgets: the journal and the histories the owner adds
// are read as the Sales Report reads them (JournalReader, one sale for an adjacent repeat), and
// only sums are kept, per day, salesperson, kind and payment, so that any grouping or date
// range is made from memory in an instant whatever the size of the files. From those sums come
// the rows the window shows, the CSV file and the printout.

#include "core/formats/journal_record.h"
#include "core/storage/file_io.h"
#include "core/storage/write_result.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

namespace pos {

// The payment of a sale by the words of its payment description ("Cash", "Cheque Number 12",
// "Charge Visa", " In-Store Credit", run together when several boxes were checked).
enum class PaymentGroup
{
    Cash,
    Cheque,
    Charge,
    InStoreCredit,
    Mixed, // two or more of the above: the journal does not say how the sale was split
    None,  // an empty description (no box checked)
    Other, // a description that is none of the above
};
inline constexpr int kPaymentGroups = 7;

PaymentGroup paymentGroup(QByteArrayView description);
QString paymentGroupName(PaymentGroup group);

// What field 1, the receipt header line, tells of a sale: "Reciept# " mm-dd-yyyy hh:mm:ss,
// six blanks, the kind, "   Salesperson: " and the salesperson.
struct SaleHeader
{
    QDate date; // invalid when the line has no readable date (years 1900 to 2199)
    QByteArrayView kind;
    QByteArrayView salesperson;
};
SaleHeader parseSaleHeader(QByteArrayView field1);

// An amount field in whole cents as the Sales Report counts it: leadingNumber of its column
// entry, so "$1,234.50" gives 123450, "" and "n/a" give 0 and "12abc" gives 1200.
qint64 fieldCents(QByteArrayView field);

// The sums of a set of sales. Amounts in whole cents.
struct SummaryFigures
{
    qint64 sales = 0;
    qint64 gross = 0;   // field 2
    qint64 tax = 0;     // field 3
    qint64 total = 0;   // field 4
    qint64 untaxed = 0; // field 2 of the sales whose tax is .00, as the Sales Report sets them apart
    qint64 returns = 0; // field 4 of the sales with a negative total
    std::array<qint64, kPaymentGroups> payment{}; // field 4 by payment group

    void add(const SummaryFigures &other);
    bool operator==(const SummaryFigures &) const = default;
};

enum class SummaryPeriod
{
    Day,
    Week, // Sunday to Saturday
    Month,
    Year,
};

enum class SummaryRowsBy
{
    Period,
    Salesperson,
    Kind,
    Payment,
};

struct SummaryQuery
{
    SummaryPeriod period = SummaryPeriod::Day;
    SummaryRowsBy by = SummaryRowsBy::Period;
    // The days taken, both included; an invalid date leaves that end open. Undated sales are
    // taken only when the range covers every dated sale.
    QDate from;
    QDate to;
};

struct SummaryRow
{
    enum Kind
    {
        Period,  // a day, week, month or year, from `from` to `to`
        Group,   // a salesperson, kind or payment
        Undated, // the sales whose receipt header line has no readable date
        Totals,
    };
    Kind kind = Period;
    QString label; // as the window shows it: dates mm-dd-yyyy
    QDate from;
    QDate to;
    SummaryFigures figures;
};

// One file read into the summary.
struct SummarySource
{
    QString path;
    bool history = false;
    FileState state = FileState::Read;
    qint64 sales = 0;  // counted (adjacent repeats once)
    QString outOfStep; // outOfStepMessage, empty when the file divides into records
};

class SalesSummary
{
public:
    // Reads a journal or history file and adds its sales: a history added twice counts twice,
    // as the Sales Report's Add Histories lists it twice.
    const SummarySource &addFile(const QString &path, bool history);
    // The same for records handed over as bytes (tests, benchmarks).
    const SummarySource &addRecords(JournalReader &reader, const QString &name, bool history);

    const std::vector<SummarySource> &sources() const { return m_sources; }
    // The first and last day with a dated sale; invalid when there is none.
    QDate firstDay() const;
    QDate lastDay() const;
    bool hasUndated() const;

    // The rows: periods newest first, every period of the range shown (zero where nothing was
    // sold), then the Undated row where there are undated sales; or salespersons, kinds or
    // payments, the largest Total first. The totals row comes last.
    std::vector<SummaryRow> rows(const SummaryQuery &query) const;

    // How many distinct sums are kept (for the benchmark and the memory bound).
    std::size_t cellCount() const { return m_cells.size(); }

    // Beyond this many distinct names, further salespersons (or kinds) are summed under
    // "(others)", so that a damaged file cannot make the summary grow without end.
    static constexpr std::size_t kMostNames = 20000;

    // The ids of a kind and a salesperson.
    struct Names
    {
        quint32 kind = 0;
        quint32 salesperson = 0;
    };

private:
    struct Sums
    {
        qint64 sales = 0, gross = 0, tax = 0, total = 0, untaxed = 0, returns = 0;
    };
    // The sums by key in one open-addressed table: a sale finds its cell with one hash and,
    // mostly, one probe.
    class Cells
    {
    public:
        Sums &at(quint64 key);
        std::size_t size() const { return m_size; }
        template<typename Visit>
        void forEach(Visit visit) const
        {
            for (std::size_t i = 0; i < m_keys.size(); ++i)
                if (m_keys[i] != kFree)
                    visit(m_keys[i], m_sums[i]);
        }

    private:
        static constexpr quint64 kFree = ~quint64(0); // no key has every bit set
        void grow();
        std::vector<quint64> m_keys;
        std::vector<Sums> m_sums;
        std::size_t m_size = 0;
        int m_shift = 64;
    };
    Names namesOf(QByteArrayView kind, QByteArrayView salesperson);
    static quint32 intern(std::vector<QString> &names, std::unordered_map<std::string, quint32> &ids,
                          QByteArrayView name, std::size_t most);
    bool takes(const SummaryQuery &query, quint32 day) const;
    QString groupLabel(SummaryRowsBy by, quint32 id) const;

    // Key: day (Julian day, 0 for undated) << 32 | salesperson << 16 | kind << 4 | payment.
    Cells m_cells;
    std::vector<QString> m_kinds;
    std::vector<QString> m_salespersons;
    std::unordered_map<std::string, quint32> m_kindIds;
    std::unordered_map<std::string, quint32> m_salespersonIds;
    std::vector<SummarySource> m_sources;
    qint64 m_first = 0; // Julian days; 0 while no dated sale was read
    qint64 m_last = 0;
};

// The rows as a CSV file for a spreadsheet: UTF-8 with a byte-order mark, CR LF line ends, a
// header line, dates yyyy-mm-dd, amounts as plain numbers (1234.50, -0.54), fields holding a
// comma, a double quote, a line break or a blank at either end quoted.
QByteArray summaryCsv(const std::vector<SummaryRow> &rows, SummaryRowsBy by);
[[nodiscard]] WriteResult writeSummaryCsv(const QString &path, const std::vector<SummaryRow> &rows, SummaryRowsBy by);

// The column titles, the first one naming what the rows are.
QStringList summaryColumnTitles(SummaryRowsBy by);
// The range as the window and the printout tell it: "03-01-2004 to 03-31-2004".
QString summaryRangeText(const QDate &from, const QDate &to);
// The rows as a printout in a fixed-pitch font: the shop's header lines, the title and the
// range, then the table, CR LF between lines.
QString summaryPrintout(const QStringList &headerLines, const QString &rangeText, const std::vector<SummaryRow> &rows,
                        SummaryRowsBy by);

} // namespace pos
