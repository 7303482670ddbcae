#include "core/formats/codepage.h"

#include <array>

namespace pos {

namespace {

// Windows-1252 bytes 0x80-0x9F. The five undefined bytes keep their C1 control character.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr std::array<char16_t, 256> makeByteTable()
{
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<char16_t>(b);
    for (int i = 0; i < 32; ++i)
        table[0x80 + i] = kHighTable[i];
    return table;
}

constexpr std::array<char16_t, 256> kByteToChar = makeByteTable();

constexpr char kReplacement = '?';

// The byte of a character, or -1 when the code page has none.
int byteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    // Everything else is rare in shop text: a short scan of the 32-entry table.
    for (int i = 0; i < 32; ++i) {
        if (kHighTable[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString fromAnsi(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(kByteToChar[in[i]]);
    return text;
}

QByteArray toAnsi(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        const int b = byteOf(c);
        if (b >= 0) {
            bytes.append(static_cast<char>(b));
            continue;
        }
        // A character outside the basic plane is one "?", not one per surrogate half.
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate())
            ++i;
        bytes.append(kReplacement);
    }
    return bytes;
}

bool fitsAnsi(QStringView text)
{
    for (QChar c : text) {
        if (byteOf(c.unicode()) < 0)
            return false;
    }
    return true;
}

QString storableText(QStringView text, BoxLines lines)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        const bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
        if (control) {
            const bool keep = lines == BoxLines::Multi && (c == u'\r' || c == u'\n' || c == u'\t');
            out.append(keep ? QChar(c) : QChar(u' '));
            continue;
        }
        if (c == u'"' && lines == BoxLines::Single) {
            out.append(QLatin1Char('\''));
            continue;
        }
        if (byteOf(c) >= 0) {
            out.append(QChar(c));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate())
            ++i;
        out.append(QLatin1Char(kReplacement));
    }
    return out;
}

} // namespace pos
