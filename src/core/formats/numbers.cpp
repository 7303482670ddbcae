#include "core/formats/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

namespace pos {

namespace {

constexpr int significantDigits = 15;

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isExponentMark(char16_t c)
{
    return c == u'E' || c == u'e' || c == u'D' || c == u'd';
}

// Walks a text the way leadingNumber reads it: blanks, tabs and line feeds are invisible.
class LeadingReader
{
public:
    explicit LeadingReader(QStringView text)
        : m_text(text)
    {
    }

    // The next visible character, or 0 at the end of the text.
    char16_t peek()
    {
        while (m_pos < m_text.size()) {
            const char16_t c = m_text[m_pos].unicode();
            if (c != u' ' && c != u'\t' && c != u'\n')
                return c;
            ++m_pos;
        }
        return 0;
    }

    void skip() { ++m_pos; }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

// Decides the direction of a conversion that left the range of a double. `chars` is
// "[-]digits[.digits][e[-]digits]" with at least one non-zero digit: the decimal exponent
// of its leading digit tells an overflow (> 0) from an underflow.
bool exceedsRange(std::string_view chars)
{
    std::size_t i = chars.empty() || chars[0] != '-' ? 0 : 1;
    const std::size_t point = chars.find('.');
    const std::size_t mark = chars.find('e');
    const std::size_t mantissaEnd = mark == std::string_view::npos ? chars.size() : mark;
    const std::size_t integerEnd = point == std::string_view::npos ? mantissaEnd : point;
    long long position = static_cast<long long>(integerEnd - i) - 1; // exponent of digit i
    long long leading = 0;
    for (; i < mantissaEnd; ++i) {
        if (chars[i] == '.')
            continue;
        if (chars[i] != '0') {
            leading = position;
            break;
        }
        --position;
    }
    long long exponent = 0;
    if (mark != std::string_view::npos) {
        std::size_t j = mark + 1;
        const bool negative = j < chars.size() && chars[j] == '-';
        if (negative)
            ++j;
        for (; j < chars.size(); ++j)
            exponent = std::min(exponent * 10 + (chars[j] - '0'), 1'000'000'000LL);
        if (negative)
            exponent = -exponent;
    }
    return leading + exponent > 0;
}

// Correctly rounded, locale-independent conversion of "[-]digits[.digits][e[-]digits]".
// Outside the range of a double the result is an infinity or a zero of the right sign.
double toDouble(std::string_view chars)
{
    double value = 0;
    const auto result = std::from_chars(chars.data(), chars.data() + chars.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const bool negative = chars[0] == '-';
        if (exceedsRange(chars))
            return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return negative ? -0.0 : 0.0;
    }
    return value;
}

// What the helpers hand out for a parsed value: 0 outside the range of a double, and
// never a negative zero.
double finiteOrZero(double value)
{
    return std::isfinite(value) && value != 0 ? value : 0.0;
}

// "&H" / "&O" numbers; the reader stands on the "&".
double prefixedNumber(LeadingReader &in)
{
    in.skip();
    const char16_t kind = in.peek();
    int base = 0;
    if (kind == u'H' || kind == u'h')
        base = 16;
    else if (kind == u'O' || kind == u'o')
        base = 8;
    else
        return 0;
    in.skip();

    std::uint64_t value = 0;
    bool anyDigit = false;
    bool tooLong = false;
    for (;; in.skip()) {
        const char16_t c = in.peek();
        int digit = -1;
        if (isDigit(c))
            digit = c - u'0';
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        if (digit < 0 || digit >= base)
            break;
        anyDigit = true;
        if (!tooLong) {
            value = value * base + digit;
            tooLong = value > 0xFFFF'FFFFu;
        }
    }
    if (!anyDigit || tooLong)
        return 0;
    if (value <= 0xFFFFu)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// The 15 significant digits of a finite, non-zero value, rounded as "%.15e" rounds them,
// and the decimal exponent of the first digit.
struct Significand
{
    char digits[significantDigits];
    int exponent;
};

Significand significand(double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific,
                                   significantDigits - 1)
                         .ptr;
    // buffer: "d.dddddddddddddde+XX"
    Significand s{};
    s.digits[0] = buffer[0];
    for (int i = 1; i < significantDigits; ++i)
        s.digits[i] = buffer[i + 1];
    const char *p = buffer + significantDigits + 2; // past "e"
    const bool negative = *p == '-';
    ++p;
    int exponent = 0;
    for (; p < end; ++p)
        exponent = exponent * 10 + (*p - '0');
    s.exponent = negative ? -exponent : exponent;

    // The largest doubles round up past the largest double (1.79769313486232E+308 does not
    // read back); they keep the digits cut off instead, so that every text reads back.
    static constexpr char largest[significantDigits + 1] = "179769313486231";
    if (s.exponent == 308 && std::memcmp(s.digits, largest, significantDigits) > 0)
        std::memcpy(s.digits, largest, significantDigits);
    return s;
}

QString latin1(const char *chars, qsizetype size)
{
    return QString::fromLatin1(chars, size);
}

// Reads numeric text (see isNumericText). When `chars` is given it receives the number
// as "[-]digits[.digits][e[-]digits]", without "$" and ",".
bool readNumericText(QStringView text, std::string *chars)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto at = [&](qsizetype k) -> char16_t { return k < n ? text[k].unicode() : 0; };
    auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    auto put = [&](char c) {
        if (chars)
            chars->push_back(c);
    };

    while (isBlank(at(i)))
        ++i;
    bool signSeen = false;
    auto readSign = [&] {
        const char16_t c = at(i);
        if (!signSeen && (c == u'+' || c == u'-')) {
            signSeen = true;
            if (c == u'-')
                put('-');
            ++i;
        }
    };
    readSign();
    if (at(i) == u'$') {
        ++i;
        readSign();
    }

    bool anyDigit = false;
    while (isDigit(at(i))) {
        anyDigit = true;
        put(static_cast<char>(at(i)));
        ++i;
        if (at(i) == u',' && isDigit(at(i + 1)))
            ++i;
    }
    if (at(i) == u'.') {
        put('.');
        ++i;
        while (isDigit(at(i))) {
            anyDigit = true;
            put(static_cast<char>(at(i)));
            ++i;
        }
    }
    if (!anyDigit)
        return false;

    if (isExponentMark(at(i))) {
        ++i;
        put('e');
        if (at(i) == u'+' || at(i) == u'-') {
            if (at(i) == u'-')
                put('-');
            ++i;
        }
        if (!isDigit(at(i)))
            return false;
        while (isDigit(at(i))) {
            put(static_cast<char>(at(i)));
            ++i;
        }
    }

    while (isBlank(at(i)))
        ++i;
    return i == n;
}

} // namespace

double leadingNumber(QStringView text)
{
    LeadingReader in(text);
    char16_t c = in.peek();
    if (c == u'&')
        return prefixedNumber(in);

    std::string chars;
    if (c == u'+' || c == u'-') {
        if (c == u'-')
            chars.push_back('-');
        in.skip();
        c = in.peek();
    }
    bool anyDigit = false;
    bool point = false;
    for (;; in.skip(), c = in.peek()) {
        if (isDigit(c)) {
            anyDigit = true;
            chars.push_back(static_cast<char>(c));
        } else if (c == u'.' && !point) {
            point = true;
            chars.push_back('.');
        } else {
            break;
        }
    }
    if (!anyDigit)
        return 0;

    if (isExponentMark(c)) {
        in.skip();
        c = in.peek();
        std::string exponent = "e";
        if (c == u'+' || c == u'-') {
            if (c == u'-')
                exponent.push_back('-');
            in.skip();
            c = in.peek();
        }
        bool anyExponentDigit = false;
        for (; isDigit(c); in.skip(), c = in.peek()) {
            anyExponentDigit = true;
            exponent.push_back(static_cast<char>(c));
        }
        if (anyExponentDigit)
            chars += exponent;
    }
    return finiteOrZero(toDouble(chars));
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("Overflow");
    if (value == 0)
        return QStringLiteral("0");

    const Significand s = significand(value);
    int count = significantDigits;
    while (count > 1 && s.digits[count - 1] == '0')
        --count;
    const int e = s.exponent;

    char out[40];
    int n = 0;
    if (value < 0)
        out[n++] = '-';
    if (e >= significantDigits || e < -significantDigits) {
        out[n++] = s.digits[0];
        if (count > 1) {
            out[n++] = '.';
            for (int i = 1; i < count; ++i)
                out[n++] = s.digits[i];
        }
        out[n++] = 'E';
        out[n++] = e < 0 ? '-' : '+';
        const int magnitude = std::abs(e);
        if (magnitude >= 100)
            out[n++] = static_cast<char>('0' + magnitude / 100);
        out[n++] = static_cast<char>('0' + magnitude / 10 % 10);
        out[n++] = static_cast<char>('0' + magnitude % 10);
    } else if (e >= 0) {
        const int last = std::max(count - 1, e);
        for (int i = 0; i <= last; ++i) {
            if (i == e + 1)
                out[n++] = '.';
            out[n++] = i < count ? s.digits[i] : '0';
        }
    } else {
        out[n++] = '0';
        out[n++] = '.';
        for (int i = 0; i < -e - 1; ++i)
            out[n++] = '0';
        for (int i = 0; i < count; ++i)
            out[n++] = s.digits[i];
    }
    return latin1(out, n);
}

double numberTextValue(double value)
{
    if (!std::isfinite(value) || value == 0)
        return 0;
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, significantDigits - 1).ptr;
    // "d.dddddddddddddde+XX": toDouble takes the exponent without its "+".
    char *last = std::remove(buffer, end, '+');
    const double back = toDouble(std::string_view(buffer, std::size_t(last - buffer)));
    // The largest doubles keep their digits cut off, as numberText writes them.
    if (!std::isfinite(back))
        return std::copysign(1.79769313486231e308, value);
    return back;
}

QString lineAmountText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("Overflow");
    QString text = numberText(value);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    if (value < 0)
        return text;
    return QLatin1Char(' ') + text;
}

bool isNumericText(QStringView text)
{
    return readNumericText(text, nullptr);
}

bool isPlainNumber(QStringView text)
{
    if (!isNumericText(text) || text.contains(u'$') || text.contains(u','))
        return false;
    if (leadingNumber(text) != 0)
        return true;
    // A zero is plain unless its mantissa has a digit other than 0: then it came out of range.
    for (const QChar c : text) {
        if (c == u'E' || c == u'e' || c == u'D' || c == u'd')
            break;
        if (c >= u'1' && c <= u'9')
            return false;
    }
    return true;
}

double moneyValue(QStringView text)
{
    std::string chars;
    if (readNumericText(text, &chars))
        return finiteOrZero(toDouble(chars));
    return leadingNumber(text);
}

QString formatMoney(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("Overflow");

    // The amount in cents as a digit string, rounded half away from zero on the
    // 15-significant-digit decimal form.
    std::string cents;
    if (value != 0) {
        const Significand s = significand(value);
        const int keep = s.exponent + 3; // digits down to the cents place
        if (keep >= significantDigits) {
            cents.assign(s.digits, significantDigits);
            cents.append(static_cast<std::size_t>(keep - significantDigits), '0');
        } else if (keep >= 0) {
            cents.assign(s.digits, static_cast<std::size_t>(keep));
            if (s.digits[keep] >= '5') {
                int i = keep - 1;
                for (; i >= 0 && cents[i] == '9'; --i)
                    cents[i] = '0';
                if (i >= 0)
                    ++cents[i];
                else
                    cents.insert(cents.begin(), '1');
            }
        }
    }
    const std::size_t first = cents.find_first_not_of('0');
    if (first == std::string::npos)
        return QStringLiteral("$.00");
    cents.erase(0, first);
    if (cents.size() < 2)
        cents.insert(cents.begin(), '0');

    const std::size_t whole = cents.size() - 2;
    std::string out;
    out.reserve(whole + whole / 3 + 6);
    if (value < 0)
        out.push_back('-');
    out.push_back('$');
    for (std::size_t i = 0; i < whole; ++i) {
        if (i > 0 && (whole - i) % 3 == 0)
            out.push_back(',');
        out.push_back(cents[i]);
    }
    out.push_back('.');
    out.append(cents, whole, 2);
    return latin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString formatMoney(QStringView text)
{
    std::string chars;
    if (!readNumericText(text, &chars))
        return text.toString();
    return formatMoney(toDouble(chars));
}

} // namespace pos
