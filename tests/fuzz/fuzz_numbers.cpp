// The number helpers, and the report's column entry, over any text: no crash, and the round
// trips that hold.

#include "fuzz_support.h"

#include "core/formats/codepage.h"
#include "core/formats/journal_record.h"
#include "core/formats/numbers.h"
#include "core/report/report.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>

using namespace pos;

namespace {

void checkValue(double value)
{
    const QString text = numberText(value);
    if (!std::isfinite(value)) {
        if (text != QLatin1String("Overflow"))
            fuzz::broken("numberText of a value that is not finite", text);
        return;
    }
    // The text reads back as a number, and writing that number again gives the same text.
    if (!isNumericText(text))
        fuzz::broken("numberText is not numeric text", text);
    const double back = leadingNumber(text);
    if (numberText(back) != text)
        fuzz::broken("numberText does not survive leadingNumber", text + QStringLiteral(" -> ") + numberText(back));
    if (moneyValue(text) != back)
        fuzz::broken("moneyValue and leadingNumber differ on plain number text", text);

    // Money text is numeric text worth the value rounded to cents, and formatting it again
    // changes nothing.
    const QString money = formatMoney(value);
    if (!isNumericText(money))
        fuzz::broken("formatMoney is not numeric text", money);
    if (formatMoney(QStringView(money)) != money)
        fuzz::broken("formatMoney of money text changes it", money);
    // It rounds the 15-digit decimal form, so it may be off by half a cent plus half a unit
    // of the 15th digit.
    if (std::fabs(value) < 1e12 && value != 0) {
        const double fifteenth = std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 14);
        if (std::fabs(moneyValue(money) - value) > 0.005 + fifteenth / 2 + 1e-9)
            fuzz::broken("formatMoney is not the value to the cent", money + QStringLiteral(" for ") + text);
    }

    const QString amount = lineAmountText(value);
    if (amount.isEmpty() || (amount.front() != QLatin1Char(' ') && amount.front() != QLatin1Char('-')))
        fuzz::broken("lineAmountText has neither blank nor sign", amount);
}

// The report's column entry: numeric text within the range of a double becomes numeric text
// with exactly two decimals, without "$", "," or a zero before the point, worth the value to
// the cent, and stays as it is when formatted again; any other text is returned unchanged.
void checkTwoDecimals(const QString &text)
{
    const QString entry = formatTwoDecimals(text);
    if (!isNumericText(text)) {
        if (entry != text)
            fuzz::broken("formatTwoDecimals changed text that is not a number", text);
        return;
    }
    if (formatMoney(QStringView(text)) == QLatin1String("Overflow")) {
        // Beyond the range of a double ("1E999"): no amount to show.
        if (entry != QLatin1String("Overflow"))
            fuzz::broken("formatTwoDecimals of a number beyond range", entry);
        return;
    }
    static const QRegularExpression picture(QStringLiteral("^-?([1-9][0-9]*)?\\.[0-9]{2}$"));
    if (!picture.match(entry).hasMatch())
        fuzz::broken("formatTwoDecimals is not the picture ####.00", text + QStringLiteral(" -> ") + entry);
    if (entry == QLatin1String("-.00"))
        fuzz::broken("formatTwoDecimals gave a negative zero", text);
    if (formatTwoDecimals(entry) != entry)
        fuzz::broken("formatTwoDecimals of an entry changes it", entry);
    const double value = moneyValue(text);
    if (std::fabs(value) < 1e12 && value != 0) {
        const double fifteenth = std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 14);
        if (std::fabs(leadingNumber(entry) - value) > 0.005 + fifteenth / 2 + 1e-9)
            fuzz::broken("formatTwoDecimals is not the value to the cent", text + QStringLiteral(" -> ") + entry);
    }
    // The journal's cents give the same entry.
    if (const std::optional<qint64> cents = moneyCents(toAnsi(text))) {
        if (centsEntry(*cents) != entry)
            fuzz::broken("the cents of a field show other than its entry",
                         text + QStringLiteral(" -> ") + centsEntry(*cents));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fromAnsi(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));

    const double leading = leadingNumber(text);
    if (!std::isfinite(leading))
        fuzz::broken("leadingNumber gave a value that is not finite", text);
    checkValue(leading);

    const double money = moneyValue(text);
    if (!std::isfinite(money))
        fuzz::broken("moneyValue gave a value that is not finite", text);
    if (isNumericText(text))
        checkValue(money);
    const QString formatted = formatMoney(QStringView(text));
    if (!isNumericText(text) && formatted != text)
        fuzz::broken("formatMoney changed text that is not a number", text);
    checkTwoDecimals(text);
    checkTwoDecimals(numberText(leading));
    checkTwoDecimals(formatMoney(leading));

    // The raw bits as a double, the extremes included.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkValue(raw);
    }
    return 0;
}
