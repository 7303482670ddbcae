#pragma once

// The sales report's computations, without widgets: column entries, the three columns of a
// journal or a history in compact form, the untaxed sales, the column totals and the tax
// reconciliation. The window (form4.h) wires them to its controls.

#include "core/formats/journal_record.h"
#include "core/storage/memory.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace pos {

// A number's column entry, the picture "####.00": money text and plain numbers are rounded to
// two decimals (as formatMoney rounds) and written without "$", thousands separators or a zero
// before the point: "$1,234.50" -> "1234.50", "-$12.50" -> "-12.50", "$.79" -> ".79",
// "0.5" -> ".50", "$.00" and "0" -> ".00". Text that is not a number, the empty text
// included, is returned unchanged.
QString formatTwoDecimals(QStringView text);

// The column entry of an amount in whole cents: 123450 -> "1234.50", -54 -> "-.54", 0 -> ".00".
QString centsEntry(qint64 cents);

// One column entry in compact form: the amount in whole cents, or, where the entry is not a
// number held to the cent, its text.
struct Entry
{
    std::optional<qint64> cents;
    QString text; // when cents is empty

    // The entry of a journal field: formatTwoDecimals of its text.
    static Entry fromField(QByteArrayView field);

    // The entry as listed.
    QString shown() const { return cents ? centsEntry(*cents) : text; }
    // leadingNumber of the entry as listed.
    double value() const;
};

namespace detail {

// Memory for a column of a million entries. Filled page by page it would take thousands of
// page faults; where the system has large pages, a large block is asked for in them.
template<typename T>
struct ColumnAllocator
{
    using value_type = T;
    ColumnAllocator() = default;
    template<typename U>
    ColumnAllocator(const ColumnAllocator<U> &) noexcept
    {
    }
    T *allocate(std::size_t n) { return static_cast<T *>(allocateLargeBlock(n * sizeof(T))); }
    void deallocate(T *block, std::size_t) noexcept { freeLargeBlock(block); }
    template<typename U>
    bool operator==(const ColumnAllocator<U> &) const noexcept
    {
        return true;
    }
};

} // namespace detail

// One of the report's three columns. An entry takes 4 bytes (whole cents up to $21 million);
// larger amounts and texts are kept beside, in row order. A row's text is made only when it is
// asked for.
class EntryColumn
{
public:
    qsizetype size() const { return qsizetype(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    void reserve(qsizetype entries);
    void append(const Entry &entry);
    void appendCents(qint64 cents)
    {
        if (cents > kAside && cents <= std::numeric_limits<qint32>::max())
            m_items.push_back(qint32(cents));
        else
            appendAside(Entry{cents, {}});
    }
    // Appends the entry of a journal field (Entry::fromField).
    void appendField(QByteArrayView field);
    // Appends the other column's entries after this column's.
    void append(const EntryColumn &other);
    void clear();

    QString shown(qsizetype row) const;
    double value(qsizetype row) const;
    // The column total: leadingNumber of each entry added, from the first to the last.
    double total() const;

private:
    static constexpr qint32 kAside = std::numeric_limits<qint32>::min();
    void appendAside(const Entry &entry);

    struct Aside
    {
        qsizetype row;
        Entry entry;
    };
    const Entry &aside(qsizetype row) const;

    std::vector<qint32, detail::ColumnAllocator<qint32>> m_items; // whole cents, or kAside
    std::vector<Aside> m_aside;                                   // ascending rows
};

// The columns "Gross Sales" (`List1`: subtotals), "Sales Tax" (`List2`: tax) and "Net Sales"
// (`List3`: totals), kept aligned row by row.
struct ReportColumns
{
    EntryColumn gross;
    EntryColumn tax;
    EntryColumn net;

    qsizetype size() const { return gross.size(); }
    void reserve(qsizetype entries);
};

// The "Non Tax Sales" box as loading the journal leaves it: its value read from its text at the
// start, and whether an untaxed sale was added (its text is then numberText(value)).
struct UntaxedSales
{
    double value = 0;
    bool any = false;
};

// Whether a record repeats the one before it: the same field 1, compared exactly (the first
// record compared with the empty text). Every reader of the journal and its histories counts a
// sale journaled twice in a row once.
class AdjacentRepeats
{
public:
    bool repeated(const JournalFields &record);

private:
    std::string m_previous;
};

// Loads the journal: a record whose field 1 equals the previous record's field 1 (the first
// compared with the empty text) is skipped; an untaxed sale (tax entry ".00") adds its subtotal
// entry to `untaxed`, as the box adds it, each step going through the box's text; every other
// sale is appended to the columns.
void loadJournal(JournalReader &reader, ReportColumns &columns, UntaxedSales &untaxed);

// Reads a history file: every record is appended to the columns, untaxed sales included, but
// for one that repeats the one before it (as the journal is loaded), so that a period totals
// the same before and after its cutoff.
void loadHistory(JournalReader &reader, ReportColumns &columns);

// For the owner when the file does not divide into sales of five fields a line (a blank line,
// a field too many or too few, an incomplete sale at the end): from that line on the columns
// may hold amounts of the wrong fields. Empty when it divides.
QString outOfStepMessage(const QString &path, const JournalReader &reader);

// A column total as its box shows it: numberText of the sum.
QString columnTotalText(const EntryColumn &column);

// The boxes "Calculate Tax" reads, as texts.
struct TaxBoxes
{
    QString grossTotal;    // Text1
    QString taxTotal;      // Text2
    QString taxRate;       // Text4
    QString stateRate;     // Text5
    QString municipalRate; // Text6
};

// What "Calculate Tax" puts in the boxes.
struct TaxReconciliation
{
    QString collected;      // Text7: the Sales Tax total as it stands
    QString stateShare;     // Text8: collected x state rate / tax rate; empty when the tax rate is 0
    QString municipalShare; // Text9: the same for the municipal rate
    QString calculated;     // Text10: Gross Sales total x tax rate x 0.01
    // Text11, collected minus calculated; nullopt when the two are equal (the box keeps its
    // text and colour).
    std::optional<QString> discrepancy;
    // The discrepancy is not above 0: its text turns red (and stays red).
    bool red = false;
};

// The tax reconciliation. Every box is read with leadingNumber except the Gross Sales total,
// which counts only as a number filling its whole text (money text included) and as 0
// otherwise. Nothing is rounded.
TaxReconciliation reconcileTax(const TaxBoxes &boxes);

} // namespace pos
