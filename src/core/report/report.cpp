#include "core/report/report.h"

#include "core/formats/codepage.h"
#include "core/formats/numbers.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace pos {

QString formatTwoDecimals(QStringView text)
{
    if (!isNumericText(text))
        return text.toString();
    QString entry = formatMoney(text);
    entry.remove(QLatin1Char('$'));
    entry.remove(QLatin1Char(','));
    return entry;
}

QString centsEntry(qint64 cents)
{
    char out[24];
    char *end = out + sizeof out;
    char *p = end;
    const bool negative = cents < 0;
    quint64 magnitude = negative ? 0 - quint64(cents) : quint64(cents);
    *--p = char('0' + magnitude % 10);
    magnitude /= 10;
    *--p = char('0' + magnitude % 10);
    magnitude /= 10;
    *--p = '.';
    while (magnitude > 0) {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    }
    if (negative)
        *--p = '-';
    return QString::fromLatin1(p, end - p);
}

Entry Entry::fromField(QByteArrayView field)
{
    Entry entry;
    entry.cents = moneyCents(field);
    if (!entry.cents)
        entry.text = formatTwoDecimals(fromAnsi(field));
    return entry;
}

double Entry::value() const
{
    // Whole cents below 10^15 divide exactly as the entry's text reads: both are the double
    // nearest to the same decimal.
    return cents ? double(*cents) / 100.0 : leadingNumber(text);
}

namespace {

// Records of a journal are seldom shorter than this: the columns are reserved for the file's
// size over it, so that they never move while a journal of years is read. Memory reserved but
// not reached is never touched.
constexpr qint64 kShortRecord = 64;

} // namespace

void EntryColumn::reserve(qsizetype entries)
{
    m_items.reserve(size_t(entries));
}

void EntryColumn::appendAside(const Entry &entry)
{
    m_aside.push_back({size(), entry});
    m_items.push_back(kAside);
}

void EntryColumn::append(const Entry &entry)
{
    if (entry.cents)
        appendCents(*entry.cents);
    else
        appendAside(entry);
}

void EntryColumn::appendField(QByteArrayView field)
{
    if (const std::optional<qint64> cents = moneyCents(field))
        appendCents(*cents);
    else
        append(Entry{std::nullopt, formatTwoDecimals(fromAnsi(field))});
}

void EntryColumn::append(const EntryColumn &other)
{
    const qsizetype shift = size();
    m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
    m_aside.reserve(m_aside.size() + other.m_aside.size());
    for (const Aside &entry : other.m_aside)
        m_aside.push_back({entry.row + shift, entry.entry});
}

void EntryColumn::clear()
{
    // The memory of a million entries goes back at once.
    decltype(m_items)().swap(m_items);
    std::vector<Aside>().swap(m_aside);
}

const Entry &EntryColumn::aside(qsizetype row) const
{
    const auto found = std::lower_bound(m_aside.begin(), m_aside.end(), row,
                                        [](const Aside &entry, qsizetype r) { return entry.row < r; });
    return found->entry;
}

QString EntryColumn::shown(qsizetype row) const
{
    const qint32 item = m_items[size_t(row)];
    return item == kAside ? aside(row).shown() : centsEntry(item);
}

double EntryColumn::value(qsizetype row) const
{
    const qint32 item = m_items[size_t(row)];
    return item == kAside ? aside(row).value() : double(item) / 100.0;
}

double EntryColumn::total() const
{
    double sum = 0;
    auto next = m_aside.begin();
    for (const qint32 item : m_items) {
        if (item == kAside)
            sum += (next++)->entry.value();
        else
            sum += double(item) / 100.0;
    }
    return sum;
}

void ReportColumns::reserve(qsizetype entries)
{
    gross.reserve(entries);
    tax.reserve(entries);
    net.reserve(entries);
}

namespace {

// The Non Tax Sales box after one more untaxed sale: its value plus the subtotal's, as the box
// reads back after being given numberText of the sum.
double addUntaxed(double box, double subtotal)
{
    const double sum = box + subtotal;
    // A sum that is the double nearest to a whole number of cents (of at most 15 digits) reads
    // back as itself: numberText gives those digits exactly.
    const double hundredths = std::nearbyint(sum * 100);
    if (std::fabs(hundredths) < 1e15 && hundredths / 100 == sum)
        return sum + 0.0; // never a negative zero, as numberTextValue

    return numberTextValue(sum);
}

} // namespace

namespace {

// appendField, with the plain money text of a journal converted here, in the loop.
inline void appendEntry(EntryColumn &column, QByteArrayView field)
{
    qint64 cents = 0;
    if (detail::plainMoneyCents(field.data(), field.data() + field.size(), cents))
        column.appendCents(cents);
    else
        column.appendField(field);
}

} // namespace

bool AdjacentRepeats::repeated(const JournalFields &record)
{
    const QByteArrayView key = record.field[0];
    if (std::size_t(key.size()) == m_previous.size()
        && std::memcmp(key.data(), m_previous.data(), m_previous.size()) == 0)
        return true;
    m_previous.assign(key.data(), std::size_t(key.size()));
    return false;
}

void loadJournal(JournalReader &reader, ReportColumns &columns, UntaxedSales &untaxed)
{
    columns.reserve(qsizetype(reader.expectedSize() / kShortRecord) + 1);
    AdjacentRepeats repeats;
    JournalFields record;
    while (reader.next(record)) {
        if (repeats.repeated(record))
            continue;

        const std::optional<qint64> tax = moneyCents(record.field[2]);
        if (tax && *tax == 0) {
            // Untaxed: the entry ".00".
            untaxed.value = addUntaxed(untaxed.value, Entry::fromField(record.field[1]).value());
            untaxed.any = true;
            continue;
        }
        appendEntry(columns.gross, record.field[1]);
        if (tax)
            columns.tax.appendCents(*tax);
        else
            columns.tax.appendField(record.field[2]);
        appendEntry(columns.net, record.field[3]);
    }
}

void loadHistory(JournalReader &reader, ReportColumns &columns)
{
    columns.reserve(qsizetype(reader.expectedSize() / kShortRecord) + 1);
    AdjacentRepeats repeats;
    JournalFields record;
    while (reader.next(record)) {
        if (repeats.repeated(record))
            continue;
        appendEntry(columns.gross, record.field[1]);
        appendEntry(columns.tax, record.field[2]);
        appendEntry(columns.net, record.field[3]);
    }
}

QString columnTotalText(const EntryColumn &column)
{
    return numberText(column.total());
}

TaxReconciliation reconcileTax(const TaxBoxes &boxes)
{
    TaxReconciliation result;
    // Step 1: the collected tax is the Sales Tax total as it stands.
    result.collected = boxes.taxTotal;
    const double collected = leadingNumber(result.collected);
    const double taxRate = leadingNumber(boxes.taxRate);
    // Steps 2 and 3: the shares, which mean nothing without a tax rate to divide by.
    if (taxRate != 0) {
        result.stateShare = numberText(collected * leadingNumber(boxes.stateRate) / taxRate);
        result.municipalShare = numberText(collected * leadingNumber(boxes.municipalRate) / taxRate);
    }
    // Step 4.
    const double gross = isNumericText(boxes.grossTotal) ? moneyValue(boxes.grossTotal) : 0;
    result.calculated = numberText(gross * taxRate * 0.01);
    // Step 5, on the values as the boxes read back.
    const double taxTotal = leadingNumber(boxes.taxTotal);
    const double calculated = leadingNumber(result.calculated);
    if (taxTotal != calculated) {
        result.discrepancy = numberText(taxTotal - calculated);
        result.red = !(leadingNumber(*result.discrepancy) > 0);
    }
    return result;
}

QString outOfStepMessage(const QString &path, const JournalReader &reader)
{
    if (reader.firstRecordOutOfStep() < 0)
        return {};
    return QStringLiteral("\"%1\" does not divide into sales of five fields a line from line %2 on (a blank "
                          "line, a field too many or too few, or a sale cut short): the columns may show "
                          "amounts of the wrong fields from there. Mend the file with a text editor.")
        .arg(QDir::toNativeSeparators(path))
        .arg(lineNumberAt(path, reader.firstRecordOutOfStep()));
}

} // namespace pos
