#include "core/formats/records.h"

#include "core/formats/codepage.h"
#include "core/formats/numbers.h"
#include "core/storage/file_io.h"

#include <QIODevice>

#include <utility>

namespace pos {

namespace {

constexpr char kQuote = '"';
constexpr char kComma = ',';
constexpr char kCR = '\r';
constexpr char kLF = '\n';

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c)
{
    return c == kCR || c == kLF;
}

} // namespace

FieldSpan scanField(const char *data, qsizetype size, qsizetype pos, bool more)
{
    FieldSpan span;
    while (pos < size && isBlank(data[pos]))
        ++pos;

    span.begin = pos;
    if (pos < size && data[pos] == kQuote) {
        span.begin = ++pos;
        while (pos < size && data[pos] != kQuote)
            ++pos;
        span.end = pos;
        // Whatever follows the closing quote up to the comma or line end is dropped.
        while (pos < size && data[pos] != kComma && !isLineEnd(data[pos]))
            ++pos;
    } else {
        while (pos < size && data[pos] != kComma && !isLineEnd(data[pos]))
            ++pos;
        span.end = pos;
        while (span.end > span.begin && isBlank(data[span.end - 1]))
            --span.end;
    }
    span.stop = pos;

    // The separator belongs to the field it closes: a comma, CR LF, or a lone CR or LF. A CR at
    // the end of the bytes may have its LF in the bytes still to come.
    span.complete = !more || (pos < size && !(data[pos] == kCR && pos + 1 == size));
    if (pos < size) {
        if (data[pos] == kCR && pos + 1 < size && data[pos + 1] == kLF)
            pos += 2;
        else
            ++pos;
    }
    span.next = pos;
    return span;
}

FieldReader::FieldReader(QByteArray content, qsizetype longestField)
    : m_content(std::move(content))
    , m_longest(longestField)
{
}

FieldReader::FieldReader(QIODevice *device, qsizetype longestField, qsizetype chunkSize)
    : m_longest(longestField)
    , m_device(device)
    , m_chunk(qMax<qsizetype>(chunkSize, 1))
{
    refill();
}

bool FieldReader::atEnd() const
{
    return m_tooLong || m_failed || m_pos >= m_content.size();
}

void FieldReader::refill()
{
    m_content.remove(0, m_pos);
    m_pos = 0;
    const qsizetype kept = m_content.size();
    m_content.resize(kept + m_chunk);
    const qint64 got = m_device->read(m_content.data() + kept, m_chunk);
    m_content.resize(kept + qMax<qint64>(got, 0));
    if (got < 0)
        m_failed = true;
    if (got <= 0)
        m_deviceDone = true;
}

bool FieldReader::nextField(qsizetype &begin, qsizetype &end)
{
    if (atEnd())
        return false;
    FieldSpan span = scanField(m_content.constData(), m_content.size(), m_pos, moreToCome());
    while (!span.complete && (m_longest == kNoLimit || span.stop - m_pos <= m_longest)) {
        refill();
        if (m_failed)
            return false;
        span = scanField(m_content.constData(), m_content.size(), m_pos, moreToCome());
    }
    if (m_longest != kNoLimit && span.stop - m_pos > m_longest) {
        m_tooLong = true;
        return false;
    }
    begin = span.begin;
    end = span.end;
    m_pos = span.next;
    return true;
}

void FieldReader::settle()
{
    // The end of the buffer is the end of the content only once the device has no more.
    if (m_pos >= m_content.size() && moreToCome())
        refill();
}

QString FieldReader::readField()
{
    qsizetype begin = 0;
    qsizetype end = 0;
    if (!nextField(begin, end))
        return {};
    QString field = fromAnsi(QByteArrayView(m_content.constData() + begin, end - begin));
    settle();
    return field;
}

void FieldReader::skipField()
{
    qsizetype begin = 0;
    qsizetype end = 0;
    if (nextField(begin, end))
        settle();
}

QStringList FieldReader::readAll()
{
    QStringList fields;
    while (!atEnd()) {
        QString field = readField();
        if (m_tooLong || m_failed)
            break;
        fields.append(std::move(field));
    }
    return fields;
}

bool fieldAsBool(QStringView field)
{
    const QStringView value = field.trimmed();
    if (value.compare(u"#TRUE#", Qt::CaseInsensitive) == 0 || value.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (isNumericText(value))
        return moneyValue(value) != 0;
    return false;
}

QString quotableText(QStringView text)
{
    QString stored = text.toString();
    stored.replace(QLatin1Char('"'), QLatin1Char('\''));
    return stored;
}

RecordWriter &RecordWriter::text(QStringView value)
{
    separate();
    m_bytes.append(kQuote);
    m_bytes.append(toAnsi(quotableText(value)));
    m_bytes.append(kQuote);
    return *this;
}

RecordWriter &RecordWriter::boolean(bool value)
{
    separate();
    m_bytes.append(value ? "#TRUE#" : "#FALSE#");
    return *this;
}

RecordWriter &RecordWriter::number(double value)
{
    separate();
    m_bytes.append(toAnsi(numberText(value)));
    return *this;
}

RecordWriter &RecordWriter::endRecord()
{
    m_bytes.append("\r\n");
    m_recordOpen = false;
    return *this;
}

void RecordWriter::separate()
{
    if (m_recordOpen)
        m_bytes.append(kComma);
    m_recordOpen = true;
}

} // namespace pos
