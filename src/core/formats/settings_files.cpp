#include "core/formats/settings_files.h"

#include "core/formats/codepage.h"
#include "core/formats/file_limits.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"

#include <QFileInfo>

#include <cmath>

namespace pos {

namespace {

LimitedRead readFields(const QString &path)
{
    return readFieldsWithin(path, kSettingsLimits);
}

// "return.txt" is read raw, so its lines are measured; the others are read field by field.
const FileLimits &limitsFor(const QString &path)
{
    return QFileInfo(path).fileName() == kReturnFile ? kReturnPolicyLimits : kSettingsLimits;
}

LimitedRead readSettings(const QString &path)
{
    const FileLimits &limits = limitsFor(path);
    return limits.rawLines ? readRawWithin(path, limits) : readFieldsWithin(path, limits);
}

SettingsState stateOf(const LimitedRead &read)
{
    if (read.state == FileState::Unreadable)
        return SettingsState::Unreadable;
    if (read.refusal == Refusal::TooLarge)
        return SettingsState::TooLarge;
    if (read.refusal == Refusal::LineTooLong)
        return SettingsState::LineTooLong;
    return SettingsState::Usable;
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
    const QStringList fields = readFields(path).fields;
    return {fields.value(0), fields.value(1), fields.value(2)};
}

WriteResult writeTaxFile(const TaxRates &rates, const QString &path)
{
    RecordWriter writer;
    writer.text(rates.sales).text(rates.municipal).text(rates.state).endRecord();
    return writeFileWithin(path, writer.bytes(), kSettingsLimits);
}

SettingsState settingsFileState(const QString &path)
{
    return stateOf(readSettings(path));
}

QString settingsRefusalReason(SettingsState state)
{
    switch (state) {
    case SettingsState::TooLarge:
        return refusalReason(Refusal::TooLarge, kSettingsLimits);
    case SettingsState::LineTooLong:
        return refusalReason(Refusal::LineTooLong, kSettingsLimits);
    default:
        return {};
    }
}

QString settingsFileMessage(const QString &path)
{
    return limitedReadMessage(path, readSettings(path), limitsFor(path));
}

SettingsState taxRateState(const QString &path)
{
    const LimitedRead read = readFields(path);
    if (read.state == FileState::Missing || !read.usable())
        return stateOf(read);
    return isPlainNumber(read.fields.value(0)) ? SettingsState::Usable : SettingsState::RateNotANumber;
}

QStringList readHeaderFile(const QString &path)
{
    return readFields(path).fields;
}

WriteResult writeHeaderFile(const QStringList &lines, const QString &path)
{
    RecordWriter writer;
    for (const QString &line : lines)
        writer.text(line).endRecord();
    return writeFileWithin(path, writer.bytes(), kSettingsLimits);
}

QByteArray readReturnFileRaw(const QString &path)
{
    return readRawWithin(path, kReturnPolicyLimits).raw;
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
    return writeFileWithin(path, bytes, kReturnPolicyLimits);
}

QString returnPolicyText(const QByteArray &raw)
{
    constexpr QByteArrayView kEnd("\"\r\n");
    if (raw.size() >= 1 + kEnd.size() && raw.startsWith('"') && raw.endsWith(kEnd))
        return fromAnsi(QByteArrayView(raw).sliced(1, raw.size() - 1 - kEnd.size()));
    return fromAnsi(raw);
}

std::optional<ReceiptFont> readFontFile(const QString &path)
{
    const QStringList fields = readFields(path).fields;
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
    return writeFileWithin(path, writer.bytes(), kSettingsLimits);
}

} // namespace pos
