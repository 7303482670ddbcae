#include "core/report/sales_summary.h"

#include "core/formats/codepage.h"
#include "core/report/report.h"

#include <QDir>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>

namespace pos {

namespace {

constexpr QByteArrayView kReceiptPrefix = "Reciept# ";
constexpr QByteArrayView kSalespersonMark = "   Salesperson: ";
constexpr QByteArrayView kCash = "Cash";
constexpr QByteArrayView kCheque = "Cheque Number ";
constexpr QByteArrayView kCharge = "Charge ";
constexpr QByteArrayView kCredit = " In-Store Credit";
// Kinds are few; their ids take 12 bits of a cell's key.
constexpr std::size_t kMostKinds = 4000;
constexpr int kOldestYear = 1900;
constexpr int kNewestYear = 2199;

int twoDigits(const char *p)
{
    const unsigned a = unsigned(static_cast<unsigned char>(p[0])) - '0';
    const unsigned b = unsigned(static_cast<unsigned char>(p[1])) - '0';
    return a < 10 && b < 10 ? int(a * 10 + b) : -1;
}

// Byte compares inlined: they run for every sale.
bool startsWith(QByteArrayView text, QByteArrayView start)
{
    return text.size() >= start.size() && std::memcmp(text.data(), start.data(), std::size_t(start.size())) == 0;
}

bool endsWith(QByteArrayView text, QByteArrayView end)
{
    return text.size() >= end.size()
           && std::memcmp(text.data() + text.size() - end.size(), end.data(), std::size_t(end.size())) == 0;
}

bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), std::size_t(a.size())) == 0;
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

QString plainAmount(qint64 cents)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? 0 - quint64(cents) : quint64(cents);
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QDate periodStart(const QDate &day, SummaryPeriod period)
{
    switch (period) {
    case SummaryPeriod::Day:
        return day;
    case SummaryPeriod::Week:
        return day.addDays(-(day.dayOfWeek() % 7));
    case SummaryPeriod::Month:
        return QDate(day.year(), day.month(), 1);
    case SummaryPeriod::Year:
        return QDate(day.year(), 1, 1);
    }
    return day;
}

QDate nextPeriod(const QDate &start, SummaryPeriod period)
{
    switch (period) {
    case SummaryPeriod::Day:
        return start.addDays(1);
    case SummaryPeriod::Week:
        return start.addDays(7);
    case SummaryPeriod::Month:
        return start.addMonths(1);
    case SummaryPeriod::Year:
        return start.addYears(1);
    }
    return start.addDays(1);
}

// The place of the period holding the day, counted from the period holding `first`.
qint64 periodIndex(const QDate &first, const QDate &day, SummaryPeriod period)
{
    switch (period) {
    case SummaryPeriod::Day:
        return first.daysTo(day);
    case SummaryPeriod::Week:
        return periodStart(first, period).daysTo(periodStart(day, period)) / 7;
    case SummaryPeriod::Month:
        return qint64(day.year() - first.year()) * 12 + day.month() - first.month();
    case SummaryPeriod::Year:
        return day.year() - first.year();
    }
    return 0;
}

QString periodLabel(const QDate &start, SummaryPeriod period)
{
    switch (period) {
    case SummaryPeriod::Day:
        return start.toString(QStringLiteral("MM-dd-yyyy"));
    case SummaryPeriod::Week:
        return QStringLiteral("Week of %1").arg(start.toString(QStringLiteral("MM-dd-yyyy")));
    case SummaryPeriod::Month:
        return start.toString(QStringLiteral("MM-yyyy"));
    case SummaryPeriod::Year:
        return start.toString(QStringLiteral("yyyy"));
    }
    return {};
}

} // namespace

PaymentGroup paymentGroup(QByteArrayView description)
{
    if (description.isEmpty())
        return PaymentGroup::None;
    int found = 0;
    PaymentGroup group = PaymentGroup::Other;
    auto take = [&](PaymentGroup g) {
        ++found;
        group = g;
    };
    QByteArrayView rest = description;
    if (endsWith(rest, kCredit)) {
        take(PaymentGroup::InStoreCredit);
        rest.chop(kCredit.size());
    }
    if (startsWith(rest, kCash)) {
        take(PaymentGroup::Cash);
        rest = rest.sliced(kCash.size());
    }
    if (startsWith(rest, kCheque)) {
        // The cheque's number is free text up to the card's "Charge ", if any.
        take(PaymentGroup::Cheque);
        if (rest.sliced(kCheque.size()).indexOf(kCharge) >= 0)
            take(PaymentGroup::Charge);
        rest = {};
    } else if (startsWith(rest, kCharge)) {
        take(PaymentGroup::Charge);
        rest = {};
    }
    if (!rest.isEmpty() || found == 0)
        return PaymentGroup::Other;
    return found > 1 ? PaymentGroup::Mixed : group;
}

QString paymentGroupName(PaymentGroup group)
{
    switch (group) {
    case PaymentGroup::Cash:
        return QStringLiteral("Cash");
    case PaymentGroup::Cheque:
        return QStringLiteral("Cheque");
    case PaymentGroup::Charge:
        return QStringLiteral("Charge");
    case PaymentGroup::InStoreCredit:
        return QStringLiteral("In-Store Credit");
    case PaymentGroup::Mixed:
        return QStringLiteral("Mixed");
    case PaymentGroup::None:
        return QStringLiteral("None");
    case PaymentGroup::Other:
        return QStringLiteral("Other");
    }
    return {};
}

namespace {

// The Julian day of a date of the proleptic Gregorian calendar, 0 when there is no such day or
// its year is outside the years taken.
qint64 julianDay(int year, int month, int day)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < kOldestYear || year > kNewestYear || month < 1 || month > 12 || day < 1)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return 0;
    // Days from 1 March of year 0, then the offset of the Julian day number.
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return qint64(era) * 146097 + dayOfEra + 1721120;
}

// The last date read, so that the sales of one day are dated by a compare of its ten bytes.
struct LastDate
{
    char text[10] = {};
    qint64 day = 0;
};

// The day of a receipt header line as a Julian day (0: undated), and what follows its date and
// time: the kind and the salesperson.
QByteArrayView headerDate(QByteArrayView field1, qint64 &day, LastDate &last)
{
    day = 0;
    if (!startsWith(field1, kReceiptPrefix))
        return field1;
    QByteArrayView rest = field1.sliced(kReceiptPrefix.size());
    if (rest.size() >= 10 && rest[2] == '-' && rest[5] == '-') {
        if (last.day != 0 && std::memcmp(rest.data(), last.text, sizeof last.text) == 0) {
            day = last.day;
        } else {
            const int month = twoDigits(rest.data());
            const int dayOfMonth = twoDigits(rest.data() + 3);
            const int century = twoDigits(rest.data() + 6);
            const int year = twoDigits(rest.data() + 8);
            if (month >= 0 && dayOfMonth >= 0 && century >= 0 && year >= 0)
                day = julianDay(century * 100 + year, month, dayOfMonth);
            if (day != 0) {
                std::memcpy(last.text, rest.data(), sizeof last.text);
                last.day = day;
            }
        }
        if (day != 0) {
            rest = rest.sliced(10);
            // The time, hh:mm:ss.
            if (rest.size() >= 8 && rest[2] == ':' && rest[5] == ':')
                rest = rest.sliced(8);
        }
    }
    return rest;
}

// The kind and the salesperson in what follows the date.
QByteArrayView headerNames(QByteArrayView rest, QByteArrayView &salesperson)
{
    salesperson = {};
    const qsizetype mark = rest.indexOf(kSalespersonMark);
    if (mark < 0)
        return trimmed(rest);
    salesperson = trimmed(rest.sliced(mark + kSalespersonMark.size()));
    return trimmed(rest.first(mark));
}

} // namespace

SaleHeader parseSaleHeader(QByteArrayView field1)
{
    SaleHeader header;
    qint64 day = 0;
    LastDate none;
    header.kind = headerNames(headerDate(field1, day, none), header.salesperson);
    if (day != 0)
        header.date = QDate::fromJulianDay(day);
    return header;
}

namespace {

// Money as Close Order writes it, "$1,234.50", "-$.54", "$12.00": the two decimals read at
// once and the whole part digit by digit, each comma between two digits. False for any other
// text (plainMoneyCents then reads it, to the same value where both read it).
Q_ALWAYS_INLINE bool writtenMoneyCents(QByteArrayView field, qint64 &cents)
{
    if (field.size() < 4)
        return false;
    const char *p = field.data();
    const char *const point = p + field.size() - 3;
    if (*point != '.')
        return false;
    const bool negative = *p == '-';
    p += negative ? 1 : 0;
    if (*p++ != '$' || point - p > 13)
        return false;
    const unsigned tens = unsigned(static_cast<unsigned char>(point[1])) - '0';
    const unsigned ones = unsigned(static_cast<unsigned char>(point[2])) - '0';
    if (tens > 9 || ones > 9)
        return false;
    quint64 whole = 0;
    for (; p < point; ++p) {
        const unsigned digit = unsigned(static_cast<unsigned char>(*p)) - '0';
        if (digit < 10) {
            whole = whole * 10 + digit;
        } else if (*p != ',' || p + 1 == point || unsigned(static_cast<unsigned char>(p[-1])) - '0' > 9
                   || unsigned(static_cast<unsigned char>(p[1])) - '0' > 9) {
            return false;
        }
    }
    const auto value = qint64(whole * 100 + tens * 10 + ones);
    cents = negative ? -value : value;
    return true;
}

} // namespace

qint64 fieldCents(QByteArrayView field)
{
    qint64 cents = 0;
    if (writtenMoneyCents(field, cents))
        return cents;
    if (detail::plainMoneyCents(field.data(), field.data() + field.size(), cents))
        return cents;
    const double hundredths = std::nearbyint(Entry::fromField(field).value() * 100);
    // Beyond what a double holds to the cent the field counts as nothing.
    return std::isfinite(hundredths) && std::fabs(hundredths) < 1e17 ? qint64(hundredths) : 0;
}

void SummaryFigures::add(const SummaryFigures &other)
{
    sales += other.sales;
    gross += other.gross;
    tax += other.tax;
    total += other.total;
    untaxed += other.untaxed;
    returns += other.returns;
    for (int i = 0; i < kPaymentGroups; ++i)
        payment[size_t(i)] += other.payment[size_t(i)];
}

namespace {

// The names of the last few receipt header endings seen (what follows the date and time: the
// kind and the salesperson), so that a shop's handful of them is found by one byte compare,
// without parsing, hashing or copying a name.
class RecentNames
{
public:
    template<typename Look>
    SalesSummary::Names find(QByteArrayView ending, Look look)
    {
        for (const Entry &entry : m_entries)
            if (sameBytes(entry.ending, ending))
                return entry.names;
        Entry &slot = m_entries.size() < kSize ? m_entries.emplace_back() : m_entries[m_next++ % kSize];
        slot.ending.assign(ending.data(), std::size_t(ending.size()));
        slot.names = look();
        return slot.names;
    }

private:
    static constexpr std::size_t kSize = 16;
    struct Entry
    {
        std::string ending;
        SalesSummary::Names names;
    };
    std::vector<Entry> m_entries;
    std::size_t m_next = 0;
};

} // namespace

quint32 SalesSummary::intern(std::vector<QString> &names, std::unordered_map<std::string, quint32> &ids,
                             QByteArrayView name, std::size_t most)
{
    const std::string key(name.data(), std::size_t(name.size()));
    if (const auto found = ids.find(key); found != ids.end())
        return found->second;
    if (names.size() + 1 >= most) {
        // Everything beyond the last place is summed there.
        if (names.size() + 1 == most)
            names.push_back(QStringLiteral("(others)"));
        return quint32(most - 1);
    }
    names.push_back(fromAnsi(name));
    const auto id = quint32(names.size() - 1);
    ids.emplace(key, id);
    return id;
}

SalesSummary::Names SalesSummary::namesOf(QByteArrayView kind, QByteArrayView salesperson)
{
    return {intern(m_kinds, m_kindIds, kind, kMostKinds),
            intern(m_salespersons, m_salespersonIds, salesperson, kMostNames)};
}

const SummarySource &SalesSummary::addFile(const QString &path, bool history)
{
    JournalReader reader(path);
    return addRecords(reader, path, history);
}

SalesSummary::Sums &SalesSummary::Cells::at(quint64 key)
{
    // At most three quarters full.
    if (4 * (m_size + 1) > 3 * m_keys.size())
        grow();
    const std::size_t mask = m_keys.size() - 1;
    for (std::size_t i = std::size_t((key * 0x9E3779B97F4A7C15ull) >> m_shift);; i = (i + 1) & mask) {
        if (m_keys[i] == key)
            return m_sums[i];
        if (m_keys[i] == kFree) {
            m_keys[i] = key;
            ++m_size;
            return m_sums[i];
        }
    }
}

void SalesSummary::Cells::grow()
{
    std::vector<quint64> keys = std::move(m_keys);
    std::vector<Sums> sums = std::move(m_sums);
    const std::size_t capacity = keys.empty() ? 1024 : keys.size() * 2;
    m_keys.assign(capacity, kFree);
    m_sums.assign(capacity, Sums{});
    m_shift = 64 - std::countr_zero(capacity);
    m_size = 0;
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] != kFree)
            at(keys[i]) = sums[i];
}

const SummarySource &SalesSummary::addRecords(JournalReader &reader, const QString &name, bool history)
{
    SummarySource source;
    source.path = name;
    source.history = history;
    AdjacentRepeats repeats;
    JournalFields record;
    RecentNames recent;
    LastDate lastDate;
    while (reader.next(record)) {
        if (repeats.repeated(record))
            continue;
        qint64 day = 0;
        const QByteArrayView ending = headerDate(record.field[0], day, lastDate);
        const Names names = recent.find(ending, [&] {
            QByteArrayView salesperson;
            const QByteArrayView kind = headerNames(ending, salesperson);
            return namesOf(kind, salesperson);
        });
        if (day != 0) {
            m_first = m_first == 0 ? day : std::min(m_first, day);
            m_last = std::max(m_last, day);
        }
        const auto group = quint64(paymentGroup(record.field[4]));
        const quint64 key = quint64(day) << 32 | quint64(names.salesperson) << 16 | quint64(names.kind) << 4 | group;
        Sums &sums = m_cells.at(key);
        const qint64 gross = fieldCents(record.field[1]);
        const qint64 total = fieldCents(record.field[3]);
        const QByteArrayView taxField = record.field[2];
        qint64 tax = 0;
        bool untaxed = false;
        if (writtenMoneyCents(taxField, tax)
            || detail::plainMoneyCents(taxField.data(), taxField.data() + taxField.size(), tax)) {
            untaxed = tax == 0;
        } else {
            const std::optional<qint64> entry = moneyCents(taxField);
            untaxed = entry && *entry == 0;
            tax = fieldCents(taxField);
        }
        ++sums.sales;
        sums.gross += gross;
        sums.tax += tax;
        sums.total += total;
        if (untaxed)
            sums.untaxed += gross;
        if (total < 0)
            sums.returns += total;
        ++source.sales;
    }
    source.state = reader.state();
    source.outOfStep = outOfStepMessage(name, reader);
    m_sources.push_back(source);
    return m_sources.back();
}

QDate SalesSummary::firstDay() const
{
    return m_first == 0 ? QDate() : QDate::fromJulianDay(m_first);
}

QDate SalesSummary::lastDay() const
{
    return m_last == 0 ? QDate() : QDate::fromJulianDay(m_last);
}

bool SalesSummary::hasUndated() const
{
    bool any = false;
    m_cells.forEach([&any](quint64 key, const Sums &) { any = any || key >> 32 == 0; });
    return any;
}

bool SalesSummary::takes(const SummaryQuery &query, quint32 day) const
{
    const qint64 from = query.from.isValid() ? query.from.toJulianDay() : m_first;
    const qint64 to = query.to.isValid() ? query.to.toJulianDay() : m_last;
    if (day == 0)
        return m_first == 0 || (from <= m_first && to >= m_last);
    return day >= from && day <= to;
}

QString SalesSummary::groupLabel(SummaryRowsBy by, quint32 id) const
{
    QString label;
    switch (by) {
    case SummaryRowsBy::Salesperson:
        label = m_salespersons[id];
        break;
    case SummaryRowsBy::Kind:
        label = m_kinds[id];
        break;
    case SummaryRowsBy::Payment:
        return paymentGroupName(PaymentGroup(id));
    case SummaryRowsBy::Period:
        break;
    }
    return label.isEmpty() ? QStringLiteral("(none)") : label;
}

std::vector<SummaryRow> SalesSummary::rows(const SummaryQuery &query) const
{
    // The periods shown: from the first to the last dated sale, within the range asked for.
    QDate first = firstDay();
    QDate last = lastDay();
    if (query.from.isValid() && first.isValid() && query.from > first)
        first = query.from;
    if (query.to.isValid() && last.isValid() && query.to < last)
        last = query.to;
    const bool anyPeriod = first.isValid() && last.isValid() && first <= last;
    const qint64 periods = anyPeriod ? periodIndex(first, last, query.period) + 1 : 0;

    std::vector<SummaryFigures> byPeriod(query.by == SummaryRowsBy::Period ? size_t(periods) : 0);
    std::map<quint32, SummaryFigures> byGroup;
    SummaryFigures undated;
    SummaryFigures totals;
    bool anyUndated = false;
    m_cells.forEach([&](quint64 key, const Sums &sums) {
        const auto day = quint32(key >> 32);
        if (!takes(query, day))
            return;
        const auto group = size_t(key & 0xF);
        SummaryFigures figures;
        figures.sales = sums.sales;
        figures.gross = sums.gross;
        figures.tax = sums.tax;
        figures.total = sums.total;
        figures.untaxed = sums.untaxed;
        figures.returns = sums.returns;
        figures.payment[group] = sums.total;
        totals.add(figures);
        switch (query.by) {
        case SummaryRowsBy::Period:
            if (day == 0) {
                undated.add(figures);
                anyUndated = true;
            } else {
                byPeriod[size_t(periodIndex(first, QDate::fromJulianDay(day), query.period))].add(figures);
            }
            break;
        case SummaryRowsBy::Salesperson:
            byGroup[quint32(key >> 16 & 0xFFFF)].add(figures);
            break;
        case SummaryRowsBy::Kind:
            byGroup[quint32(key >> 4 & 0xFFF)].add(figures);
            break;
        case SummaryRowsBy::Payment:
            byGroup[quint32(group)].add(figures);
            break;
        }
    });

    std::vector<SummaryRow> rows;
    if (query.by == SummaryRowsBy::Period) {
        rows.reserve(byPeriod.size() + 2);
        QDate start = periodStart(first, query.period);
        for (SummaryFigures &figures : byPeriod) {
            const QDate next = nextPeriod(start, query.period);
            rows.push_back({SummaryRow::Period, periodLabel(start, query.period), start, next.addDays(-1), figures});
            start = next;
        }
        std::reverse(rows.begin(), rows.end());
        if (anyUndated)
            rows.push_back({SummaryRow::Undated, QStringLiteral("Undated"), {}, {}, undated});
    } else {
        for (const auto &[id, figures] : byGroup)
            rows.push_back({SummaryRow::Group, groupLabel(query.by, id), {}, {}, figures});
        std::stable_sort(rows.begin(), rows.end(), [](const SummaryRow &a, const SummaryRow &b) {
            return a.figures.total != b.figures.total ? a.figures.total > b.figures.total : a.label < b.label;
        });
    }
    rows.push_back({SummaryRow::Totals, QStringLiteral("Total"), {}, {}, totals});
    return rows;
}

QStringList summaryColumnTitles(SummaryRowsBy by)
{
    QString first;
    switch (by) {
    case SummaryRowsBy::Period:
        first = QStringLiteral("Period");
        break;
    case SummaryRowsBy::Salesperson:
        first = QStringLiteral("Salesperson");
        break;
    case SummaryRowsBy::Kind:
        first = QStringLiteral("Kind");
        break;
    case SummaryRowsBy::Payment:
        first = QStringLiteral("Payment");
        break;
    }
    return {first,
            QStringLiteral("Sales"),
            QStringLiteral("Gross"),
            QStringLiteral("Tax"),
            QStringLiteral("Total"),
            QStringLiteral("Non Tax Sales"),
            QStringLiteral("Returns"),
            QStringLiteral("Cash"),
            QStringLiteral("Cheque"),
            QStringLiteral("Charge"),
            QStringLiteral("In-Store Credit"),
            QStringLiteral("Mixed"),
            QStringLiteral("Other")};
}

namespace {

// The amounts of a row after its label, in the order of summaryColumnTitles.
QStringList amountCells(const SummaryFigures &f)
{
    const auto pay = [&f](PaymentGroup g) { return f.payment[size_t(g)]; };
    return {QString::number(f.sales),
            plainAmount(f.gross),
            plainAmount(f.tax),
            plainAmount(f.total),
            plainAmount(f.untaxed),
            plainAmount(f.returns),
            plainAmount(pay(PaymentGroup::Cash)),
            plainAmount(pay(PaymentGroup::Cheque)),
            plainAmount(pay(PaymentGroup::Charge)),
            plainAmount(pay(PaymentGroup::InStoreCredit)),
            plainAmount(pay(PaymentGroup::Mixed)),
            plainAmount(pay(PaymentGroup::None) + pay(PaymentGroup::Other))};
}

QString csvField(const QString &text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
                       || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
                       || text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    if (!quote)
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

} // namespace

QByteArray summaryCsv(const std::vector<SummaryRow> &rows, SummaryRowsBy by)
{
    QStringList titles = summaryColumnTitles(by);
    if (by == SummaryRowsBy::Period) {
        titles.removeFirst();
        titles.prepend(QStringLiteral("To"));
        titles.prepend(QStringLiteral("From"));
    }
    QString text = titles.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const SummaryRow &row : rows) {
        QStringList cells;
        if (by == SummaryRowsBy::Period) {
            if (row.kind == SummaryRow::Period)
                cells << row.from.toString(Qt::ISODate) << row.to.toString(Qt::ISODate);
            else
                cells << row.label << QString();
        } else {
            cells << csvField(row.label);
        }
        cells << amountCells(row.figures);
        text += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

WriteResult writeSummaryCsv(const QString &path, const std::vector<SummaryRow> &rows, SummaryRowsBy by)
{
    return writeFileWhole(path, summaryCsv(rows, by));
}

QString summaryRangeText(const QDate &from, const QDate &to)
{
    if (!from.isValid() || !to.isValid())
        return QStringLiteral("No dated sales");
    return QStringLiteral("%1 to %2")
        .arg(from.toString(QStringLiteral("MM-dd-yyyy")), to.toString(QStringLiteral("MM-dd-yyyy")));
}

QString summaryPrintout(const QStringList &headerLines, const QString &rangeText, const std::vector<SummaryRow> &rows,
                        SummaryRowsBy by)
{
    std::vector<QStringList> table;
    table.push_back(summaryColumnTitles(by));
    for (const SummaryRow &row : rows)
        table.push_back(QStringList{row.label} + amountCells(row.figures));
    // Each column as wide as its widest cell; the labels left, the numbers right.
    std::vector<qsizetype> widths(size_t(table.front().size()), 0);
    for (const QStringList &line : table)
        for (qsizetype c = 0; c < line.size(); ++c)
            widths[size_t(c)] = std::max(widths[size_t(c)], std::min<qsizetype>(line[c].size(), 40));
    QStringList lines = headerLines;
    lines << QString() << QStringLiteral("Sales Summary, %1").arg(rangeText) << QString();
    for (const QStringList &line : table) {
        QString text = line[0].left(40).leftJustified(widths[0]);
        for (qsizetype c = 1; c < line.size(); ++c)
            text += QLatin1Char(' ') + line[c].rightJustified(widths[size_t(c)]);
        lines << text;
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

} // namespace pos
