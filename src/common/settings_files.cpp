#include "common/settings_files.h"

#include "common/codepage.h"
#include "common/numbers.h"
#include "common/records.h"

#include <cmath>

namespace pos {

namespace {

// The next field, or an empty text when the file has no more.
QString nextField(FieldReader &reader)
{
    return reader.atEnd() ? QString() : reader.readField();
}

// Every line break, lone LF and lone CR alike, as CR LF.
QString withCrLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            out += QLatin1String("\r\n");
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QStringList offeredTaxRates()
{
    QStringList items{QStringLiteral("0")};
    for (int halves = 2; halves <= 25; ++halves)
        items << numberText(halves / 2.0);
    return items;
}

TaxRates readTaxFile(const QString &path)
{
    FieldReader reader = FieldReader::fromFile(path);
    TaxRates rates;
    rates.sales = nextField(reader);
    rates.municipal = nextField(reader);
    rates.state = nextField(reader);
    return rates;
}

WriteResult writeTaxFile(const TaxRates &rates, const QString &path)
{
    RecordWriter writer;
    writer.text(rates.sales).text(rates.municipal).text(rates.state).endRecord();
    return writeFileWhole(path, writer.bytes());
}

SettingsState settingsFileState(const QString &path)
{
    return fileState(path) == FileState::Unreadable ? SettingsState::Unreadable : SettingsState::Usable;
}

SettingsState taxRateState(const QString &path)
{
    const FileState state = fileState(path);
    if (state == FileState::Missing)
        return SettingsState::Usable;
    if (state == FileState::Unreadable)
        return SettingsState::Unreadable;
    return isPlainNumber(readTaxFile(path).sales) ? SettingsState::Usable : SettingsState::RateNotANumber;
}

QStringList readHeaderFile(const QString &path)
{
    return FieldReader::fromFile(path).readAll();
}

WriteResult writeHeaderFile(const QStringList &lines, const QString &path)
{
    RecordWriter writer;
    for (const QString &line : lines)
        writer.text(line).endRecord();
    return writeFileWhole(path, writer.bytes());
}

QByteArray readReturnFileRaw(const QString &path)
{
    return readRawFileOrEmpty(path);
}

WriteResult writeReturnFile(const QString &policy, const QString &path)
{
    // The policy is read back raw, never field by field, so a double quote in it cuts
    // nothing short and is kept as typed.
    QByteArray bytes;
    bytes.reserve(policy.size() + 4);
    bytes.append('"');
    bytes.append(toAnsi(withCrLf(policy)));
    bytes.append("\"\r\n");
    return writeFileWhole(path, bytes);
}

std::optional<ReceiptFont> readFontFile(const QString &path)
{
    FieldReader reader = FieldReader::fromFile(path);
    QStringList fields;
    while (fields.size() < 4 && !reader.atEnd())
        fields.append(reader.readField());
    if (fields.size() < 4)
        return std::nullopt;

    const QString &sizeText = fields.at(3);
    if (!isNumericText(sizeText))
        return std::nullopt;
    const double size = moneyValue(sizeText);
    if (!std::isfinite(size) || size <= 0)
        return std::nullopt;

    ReceiptFont font;
    font.name = fields.at(0);
    font.bold = fieldAsBool(fields.at(1));
    font.italic = fieldAsBool(fields.at(2));
    font.pointSize = size;
    return font;
}

bool legibleReceiptSize(double points)
{
    return points >= kSmallestReceiptPoints && points <= kLargestReceiptPoints;
}

WriteResult writeFontFile(const ReceiptFont &font, const QString &path)
{
    RecordWriter writer;
    writer.text(font.name).boolean(font.bold).boolean(font.italic).number(font.pointSize).endRecord();
    return writeFileWhole(path, writer.bytes());
}

} // namespace pos
