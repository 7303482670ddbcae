#include "core/formats/journal_record.h"

#include "core/formats/codepage.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"

#include <QFileInfo>

#include <cstring>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif
#endif

namespace pos {

QByteArray journalRecordBytes(const JournalRecord &record)
{
    RecordWriter writer;
    writer.text(record.receiptHeader)
        .text(record.subtotal)
        .text(record.tax)
        .text(record.total)
        .text(record.payment)
        .endRecord();
    return writer.bytes();
}

QStringList lastJournalKeys(const QString &path)
{
    // Almost always the last two lines lie in the last few kilobytes: the megabyte is read only
    // when they do not.
    QByteArray tail;
    qint64 size = 0;
    for (const qint64 window : {qint64(8) << 10, qint64(1) << 20}) {
        if (!readFileTail(path, window, tail, size))
            return {};
        if (size == tail.size() || tail.count('\n') > 2)
            break;
    }
    // Only whole lines: a window that begins inside the file begins after its first line end.
    const qsizetype start = size > tail.size() ? tail.indexOf('\n') + 1 : 0;
    if (size > tail.size() && start == 0)
        return {};
    QStringList keys;
    const auto keyOf = [&](qsizetype from, qsizetype to) {
        const QByteArrayView line = QByteArrayView(tail).sliced(from, to - from);
        if (!line.trimmed().isEmpty())
            keys << FieldReader(line.toByteArray()).readField();
    };
    qsizetype end = tail.size();
    if (!tail.endsWith('\n')) {
        const qsizetype from = qMax(start, tail.lastIndexOf('\n') + 1);
        keyOf(from, end);
        end = from;
    }
    while (end > start && (tail.at(end - 1) == '\n' || tail.at(end - 1) == '\r'))
        --end;
    keyOf(qMax(start, tail.lastIndexOf('\n', end - 1) + 1), end);
    return keys;
}

namespace {

// What reading a field or a record came to: done, the end of the content, or the buffer ended
// before it could tell (more content may follow).
enum class Step
{
    Done,
    End,
    More,
};

#if defined(__SSE2__) || defined(_M_X64)
inline int lowestBit(quint64 bits)
{
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long first = 0;
    _BitScanForward64(&first, bits);
    return int(first);
#else
    return __builtin_ctzll(bits);
#endif
}

// The record as Close Order writes it: five quoted fields separated by single commas, ended by
// CR LF, within the next 128 bytes. Its ten quotes are found at once rather than one field
// after another. False for anything else (or too few bytes): the field-by-field reading then
// takes the record, with the same fields.
constexpr int kPlainWindow = 128;

inline bool readPlainRecord(const char *&p, const char *end, JournalFields &record)
{
    if (end - p < kPlainWindow || *p != '"')
        return false;
    const __m128i quote = _mm_set1_epi8('"');
    quint64 quotes[2];
    for (int half = 0; half < 2; ++half) {
        quint64 bits = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + half * 64 + k * 16));
            bits |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, quote)))) << (16 * k);
        }
        quotes[half] = bits;
    }
    int at[10];
    int found = 0;
    for (int half = 0; half < 2; ++half) {
        for (quint64 bits = quotes[half]; bits != 0 && found < 10; bits &= bits - 1)
            at[found++] = half * 64 + lowestBit(bits);
    }
    if (found < 10)
        return false;
    for (int k = 0; k < 5; ++k) {
        const int open = at[2 * k];
        if (k > 0 && (open != at[2 * k - 1] + 2 || p[open - 1] != ','))
            return false;
        record.field[k] = QByteArrayView(p + open + 1, at[2 * k + 1] - open - 1);
    }
    const int last = at[9];
    if (last + 2 >= end - p || p[last + 1] != '\r' || p[last + 2] != '\n')
        return false;
    p += last + 3;
    return true;
}
#endif

// One field from p, by the grammar of scanField; p moves past its separator, which `separator`
// tells: ',', '\n' for a line end, 0 for the end of the content.
Step readField(const char *&p, const char *end, bool eof, QByteArrayView &field, char &separator)
{
    const FieldSpan span = scanField(p, end - p, 0, !eof);
    if (!span.complete)
        return Step::More;
    field = QByteArrayView(p + span.begin, span.end - span.begin);
    separator = span.stop == end - p ? 0 : p[span.stop] == ',' ? ',' : '\n';
    p += span.next;
    return Step::Done;
}

// The next five fields; at the end, `fields` tells how many were read. `inStep` tells whether
// the record was one line: commas between its fields and a line end (or the end) after them.
Step readRecord(const char *&p, const char *end, bool eof, JournalFields &record, int &fields, bool &inStep)
{
    const char *q = p;
    inStep = true;
    for (int k = 0; k < 5; ++k) {
        if (q == end) {
            if (!eof)
                return Step::More;
            fields = k;
            return Step::End;
        }
        char separator = 0;
        if (readField(q, end, eof, record.field[k], separator) == Step::More)
            return Step::More;
        if ((k < 4) != (separator == ','))
            inStep = false;
    }
    p = q;
    return Step::Done;
}

} // namespace

JournalReader::JournalReader(const QString &path, qsizetype chunkSize)
    : m_chunk(qMax<qsizetype>(chunkSize, 1))
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        m_state = FileState::Missing;
        m_eof = true;
        return;
    }
    // Checked before opening, so that a pipe in the file's place never blocks the read.
    if (!info.isFile()) {
        m_state = FileState::Unreadable;
        m_eof = true;
        return;
    }
    m_file = std::make_unique<QFile>(path);
    if (!m_file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_state = FileState::Unreadable;
        m_eof = true;
        m_file.reset();
        return;
    }
    m_expected = m_file->size();
}

JournalReader::JournalReader(QByteArray content, qsizetype chunkSize)
    : m_source(std::move(content))
    , m_chunk(qMax<qsizetype>(chunkSize, 1))
    , m_expected(m_source.size())
{
}

JournalReader::~JournalReader() = default;

void JournalReader::refill()
{
    // What is left of the buffer moves to its front; a field longer than the buffer grows it.
    const qsizetype left = m_end - m_begin;
    if (m_begin > 0 && left > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_begin, size_t(left));
    m_begin = 0;
    m_end = left;
    if (m_buffer.size() < m_chunk)
        m_buffer.resize(m_chunk);
    if (m_end == m_buffer.size())
        m_buffer.resize(m_buffer.size() * 2);

    char *into = m_buffer.data() + m_end;
    const qsizetype room = m_buffer.size() - m_end;
    qint64 got = 0;
    if (m_file) {
        got = m_file->read(into, room);
        if (got < 0) {
            m_state = FileState::Unreadable;
            got = 0;
        }
    } else {
        got = qMin<qint64>(qMin(room, m_chunk), m_source.size() - m_sourcePos);
        std::memcpy(into, m_source.constData() + m_sourcePos, size_t(got));
        m_sourcePos += got;
    }
    if (got == 0) {
        m_eof = true;
        m_file.reset();
    }
    m_end += got;
    m_total += got;
}

bool JournalReader::next(JournalFields &record)
{
    for (;;) {
        const char *data = m_buffer.constData();
        const char *p = data + m_begin;
#if defined(__SSE2__) || defined(_M_X64)
        if (readPlainRecord(p, data + m_end, record)) {
            m_begin = p - data;
            return true;
        }
#endif
        int fields = 0;
        bool inStep = true;
        const qint64 start = m_total - (m_end - m_begin);
        const Step step = readRecord(p, data + m_end, m_eof, record, fields, inStep);
        if (step == Step::Done) {
            if (!inStep && m_outOfStep < 0)
                m_outOfStep = start;
            m_begin = p - data;
            return true;
        }
        if (step == Step::End) {
            if (!m_finished) {
                for (int k = 0; k < fields; ++k)
                    m_tail.append(record.field[k].toByteArray());
                if (fields > 0 && m_outOfStep < 0)
                    m_outOfStep = start;
                m_finished = true;
            }
            m_begin = m_end;
            return false;
        }
        refill();
    }
}

namespace detail {

std::optional<qint64> generalMoneyCents(QByteArrayView field)
{
    // Everything else numeric text may be ("1E3", " 12.345 ", "+5"): through formatMoney.
    const QString text = fromAnsi(field);
    if (!isNumericText(text))
        return std::nullopt;
    const QString money = formatMoney(QStringView(text));
    qint64 cents = 0;
    int digits = 0;
    bool negative = false;
    for (const QChar c : money) {
        if (c == QLatin1Char('-'))
            negative = true;
        else if (c.isDigit()) {
            if (++digits > 15)
                return std::nullopt;
            cents = cents * 10 + c.digitValue();
        } else if (c != QLatin1Char('$') && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return std::nullopt; // "Overflow"
    }
    return negative ? -cents : cents;
}

} // namespace detail

qint64 lineNumberAt(const QString &path, qint64 offset)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    qint64 line = 1;
    bool afterCr = false;
    for (qint64 done = 0; done < offset;) {
        const QByteArray chunk = file.read(qMin<qint64>(offset - done, 1 << 20));
        if (chunk.isEmpty())
            break;
        for (const char c : chunk) {
            if (c == '\n' && !afterCr)
                ++line;
            else if (c == '\r')
                ++line;
            afterCr = c == '\r';
        }
        done += chunk.size();
    }
    return line;
}

} // namespace pos
