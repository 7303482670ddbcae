#include "common/records.h"

#include "common/codepage.h"
#include "common/fileio.h"
#include "common/numbers.h"

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

FieldReader::FieldReader(QByteArray content)
    : m_content(std::move(content))
{
}

FieldReader FieldReader::fromFile(const QString &path)
{
    return FieldReader(readRawFileOrEmpty(path));
}

bool FieldReader::atEnd() const
{
    return m_pos >= m_content.size();
}

QString FieldReader::readField()
{
    const char *data = m_content.constData();
    const qsizetype size = m_content.size();
    qsizetype pos = m_pos;

    while (pos < size && isBlank(data[pos]))
        ++pos;

    qsizetype begin = pos;
    qsizetype end = pos;
    if (pos < size && data[pos] == kQuote) {
        begin = ++pos;
        while (pos < size && data[pos] != kQuote)
            ++pos;
        end = pos;
        // Whatever follows the closing quote up to the comma or line end is dropped.
        while (pos < size && data[pos] != kComma && !isLineEnd(data[pos]))
            ++pos;
    } else {
        while (pos < size && data[pos] != kComma && !isLineEnd(data[pos]))
            ++pos;
        end = pos;
        while (end > begin && isBlank(data[end - 1]))
            --end;
    }

    // The separator belongs to the field it closes: a comma, CR LF, or a lone CR or LF.
    if (pos < size) {
        if (data[pos] == kCR && pos + 1 < size && data[pos + 1] == kLF)
            pos += 2;
        else
            ++pos;
    }
    m_pos = pos;

    return fromAnsi(QByteArrayView(data + begin, end - begin));
}

QStringList FieldReader::readAll()
{
    QStringList fields;
    while (!atEnd())
        fields.append(readField());
    return fields;
}

bool fieldAsBool(QStringView field)
{
    const QStringView value = field.trimmed();
    if (value.compare(u"#TRUE#", Qt::CaseInsensitive) == 0
        || value.compare(u"True", Qt::CaseInsensitive) == 0)
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
