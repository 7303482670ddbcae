#pragma once

// The sales journal "sales.txt": one record per journaled sale, five quoted text fields
// (receipt header line, subtotal, tax, total, payment), separated by commas, ended by CR LF.
// Close Order writes it; the sales report reads it and closes periods into history files of
// the same format.

#include "core/formats/record_file.h"
#include "core/formats/shop_files.h"
#include "core/storage/file_io.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QString>

#include <array>
#include <memory>
#include <optional>

namespace pos {

struct JournalRecord
{
    QString receiptHeader; // field 1, the sale's key: "Reciept# " + date, time, kind, salesperson
    QString subtotal;      // field 2, money text as shown ("$9.00"), or empty
    QString tax;           // field 3
    QString total;         // field 4
    QString payment;       // field 5, the payment description
};

// The record's bytes: "field1","field2","field3","field4","field5" CR LF (a double quote in a
// field is stored as an apostrophe, see quotableText).
QByteArray journalRecordBytes(const JournalRecord &record);

// The journal's records as Close Order writes them, for mending a last record cut short.
inline const RecordShape kJournalShape{5, "Reciept# "};

// The keys (first fields, as the report reads them) a new record appended to the journal would
// follow: that of its last whole line and, when the journal does not end with a line end, that
// of the unfinished line too (a hand edit stays before the new record; a record a crash cut
// short is set aside). Read from the journal's last megabyte only; none when it is missing,
// empty or cannot be read.
QStringList lastJournalKeys(const QString &path);

// One record of a journal or history file as read: the bytes of its five fields, quotes
// removed (Windows-1252, see fromAnsi). The views point into the reader's buffer and hold
// until its next read.
struct JournalFields
{
    std::array<QByteArrayView, 5> field;
};

// Reads a journal or history file record by record: a record is the next five fields wherever
// line breaks fall, each field read exactly as FieldReader reads it (records.h), so that the
// fields come out the same for every content. The file is read in chunks and scanned in place,
// so that a journal of years is never held whole in memory (only a field longer than a chunk
// makes the buffer grow).
class JournalReader
{
public:
    static constexpr qsizetype kDefaultChunk = qsizetype(1) << 20;

    // A missing file, or one that is not a regular file or cannot be read, reads as empty
    // (state() tells which).
    explicit JournalReader(const QString &path, qsizetype chunkSize = kDefaultChunk);
    // Reads the bytes, handed over in chunks of the given size.
    explicit JournalReader(QByteArray content, qsizetype chunkSize = kDefaultChunk);
    ~JournalReader();
    JournalReader(const JournalReader &) = delete;
    JournalReader &operator=(const JournalReader &) = delete;

    // Missing, Read, or Unreadable (also when a read fails part way: the reading then stops).
    FileState state() const { return m_state; }

    // The next complete record; false at the end.
    bool next(JournalFields &record);

    // Once next() has given false: the fields at the end that do not make up a whole record
    // (none to four), as read.
    const QList<QByteArray> &incompleteTail() const { return m_tail; }

    // Where the first record starts that is not one line of five fields (a field too many or
    // too few on a line, a blank line, an incomplete record at the end), as a byte offset; -1
    // while every record read was one. Line breaks inside quoted fields are allowed.
    qint64 firstRecordOutOfStep() const { return m_outOfStep; }

    // The bytes taken from the file so far.
    qint64 bytesRead() const { return m_total; }
    // The size of the file when it was opened (of the content given).
    qint64 expectedSize() const { return m_expected; }

private:
    void refill();

    std::unique_ptr<QFile> m_file;
    QByteArray m_source;
    qsizetype m_sourcePos = 0;
    qsizetype m_chunk;
    QByteArray m_buffer;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
    bool m_eof = false;
    bool m_finished = false;
    qint64 m_total = 0;
    qint64 m_expected = 0;
    FileState m_state = FileState::Read;
    QList<QByteArray> m_tail;
    qint64 m_outOfStep = -1;
};

// The line (1 for the first) on which the byte at the offset stands, line ends counted as a
// text editor counts them (CR LF, a lone CR, a lone LF).
qint64 lineNumberAt(const QString &path, qint64 offset);

namespace detail {

// Money text as the journal stores it ("$1,234.50", "-$.54", "12.5"): an optional "-", an
// optional "$", digits with "," between them and at most two decimals, no more than 13 digits
// before the point. False for anything else.
Q_ALWAYS_INLINE bool plainMoneyCents(const char *p, const char *end, qint64 &cents)
{
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    if (p < end && *p == '$')
        ++p;
    quint64 whole = 0;
    int digits = 0;
    while (p < end) {
        const unsigned digit = unsigned(static_cast<unsigned char>(*p)) - '0';
        if (digit < 10) {
            whole = whole * 10 + digit;
            ++digits;
            ++p;
        } else if (*p == ',' && digits > 0 && p + 1 < end && unsigned(static_cast<unsigned char>(p[1])) - '0' < 10) {
            ++p;
        } else {
            break;
        }
    }
    if (digits > 13)
        return false;
    quint64 fraction = 0;
    if (p < end && *p == '.') {
        const qsizetype decimals = end - p - 1;
        if (decimals > 2 || digits + decimals == 0)
            return false;
        for (qsizetype i = 1; i <= 2; ++i) {
            const unsigned digit = i <= decimals ? unsigned(static_cast<unsigned char>(p[i])) - '0' : 0;
            if (digit >= 10)
                return false;
            fraction = fraction * 10 + digit;
        }
    } else if (p != end || digits == 0) {
        return false;
    }
    const qint64 value = qint64(whole * 100 + fraction);
    cents = negative ? -value : value;
    return true;
}

std::optional<qint64> generalMoneyCents(QByteArrayView field);

} // namespace detail

// The amount of a money field in whole cents, rounded to two decimals the way formatMoney
// rounds: "$1,234.50" -> 123450, "-$.54" -> -54, "0.005" -> 1, "$.00" and "0.004" -> 0.
// nullopt for a field that is not numeric text (isNumericText: "", "n/a", "12abc") and for an
// amount whose cents take more than 15 digits, beyond what a double holds to the cent.
// Plain money text is converted straight from the bytes, anything else through formatMoney.
Q_ALWAYS_INLINE std::optional<qint64> moneyCents(QByteArrayView field)
{
    qint64 cents = 0;
    if (detail::plainMoneyCents(field.data(), field.data() + field.size(), cents))
        return cents;
    return detail::generalMoneyCents(field);
}

} // namespace pos
