// The number helpers over any text: no crash, and the round trips that hold.

#include "fuzz_support.h"

#include "common/codepage.h"
#include "common/numbers.h"

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

    // The raw bits as a double, the extremes included.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkValue(raw);
    }
    return 0;
}
