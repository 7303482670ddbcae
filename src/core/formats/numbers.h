#pragma once

#include <QString>
#include <QStringView>

namespace pos {

// The leading-number rule used wherever the program turns box text into a number.
// Blanks, tabs and line feeds are ignored wherever they stand; then an optional sign,
// digits with at most one "." and an optional exponent (E or D) are read up to the first
// character that does not fit. "&H" and "&O" introduce hexadecimal and octal digits.
// Text that does not start with a number gives 0: "12.5" -> 12.5, "2x" -> 2, "1,200" -> 1,
// "$12.50" -> 0. A number outside the range of a double gives 0.
//
// In detail: "1 2" -> 12 (carriage returns are not ignored, they end the number); the
// sign is "+" or "-"; the mantissa needs at least one digit ("." and "-" give 0, ".5" and
// "5." are read); the exponent mark is E or D in either case, followed by an optional sign
// and digits, and a mark without digits is left unread ("1D3" -> 1000, "2E+" -> 2). The
// conversion is correctly rounded and does not depend on the locale. A zero is never
// negative ("-0" -> 0).
// After "&H" or "&O" (either case, and only at the start: "-&H10" gives 0) the hexadecimal
// or octal digits are read as in classic BASIC: a value up to &HFFFF is a 16-bit signed
// number ("&HFFFF" -> -1, "&H7FFF" -> 32767), a larger one up to &HFFFFFFFF a 32-bit signed
// number ("&H10000" -> 65536, "&HFFFFFFFF" -> -1); leading zeros do not count. A value
// beyond 32 bits is out of range and gives 0, as does a prefix without digits.
double leadingNumber(QStringView text);

// Plain decimal text with up to 15 significant digits, "." as the decimal point, "0" before
// the point below 1, "-" for negatives, no separators, no trailing zeros: 0.1 + 0.2 -> "0.3".
// Values of 1e15 and above, or below 1e-15 in magnitude, use the exponent form
// "1.5E+20" / "1E-16", which leadingNumber reads back. A value that is not finite gives
// "Overflow".
QString numberText(double value);

// leadingNumber(numberText(value)) without the texts: the value as it reads back from a box
// that was given numberText of it (rounded to 15 significant digits; 0 where numberText gives
// "Overflow"). For sums carried in a box from one step to the next.
double numberTextValue(double value);

// The item line's amount: numberText without the "0" before the point, with one leading
// blank for values >= 0 or "-" for negatives: 9 -> " 9", 0.5 -> " .5", -9 -> "-9".
// The exponent form keeps its shape (" 1.5E+20"); a value that is not finite gives
// "Overflow" with neither blank nor sign.
QString lineAmountText(double value);

// True when the whole text is a number, money text included: optional blanks, a sign,
// "$", digits with "," between them, one ".", an optional exponent. "$1,234.50" and
// "-$12.50" are numeric text; "", "12abc" and "$" are not.
// In detail: blanks and tabs are allowed only before and after the number; there is at
// most one sign, before or after the "$" ("-$5", "$-5"); a "," must stand between two
// digits of the integer part ("1,200", not "1,,200", ",5" or "1,"); at least one digit
// ("5." and ".5" are numeric text); an exponent mark (E or D, either case) needs digits
// after its optional sign. "&H" numbers are not numeric text.
bool isNumericText(QStringView text);

// True when the text is a plain number that leadingNumber reads in full and within the range
// of a double: numeric text without "$" or thousands commas ("6.5", " -0.46 ", "1E3"), and not
// a number beyond range ("1E999"). "", "six", "6 %", "1,5" and "$6" are not plain numbers.
bool isPlainNumber(QStringView text);

// The value of numeric text (see isNumericText); for any other text, leadingNumber.
// Used for amounts that a clerk may type as money ("$20") or that the program itself
// fills with money text (the Tendered box after a double-click).
// "$1,234.50" -> 1234.5, "1,200" -> 1200, "20abc" -> 20. A number outside the range of a
// double gives 0.
double moneyValue(QStringView text);

// The picture "$###,###.00": "$", grouped integer part without a leading zero, "." and two
// decimals rounded half away from zero (on the 15-significant-digit decimal value, so
// 1.005 -> "$1.01"); "-" before the "$" for negatives; a value that rounds to zero is
// "$.00", never "-$.00". 12.5 -> "$12.50", 1234.5 -> "$1,234.50", 0.5 -> "$.50",
// -12.5 -> "-$12.50". The integer part is written in full however large, grouped by
// threes without limit (1e20 -> "$100,000,000,000,000,000,000.00").
// A value that is not finite gives "Overflow".
QString formatMoney(double value);

// formatMoney of numeric text (money text accepted); text that is not numeric text,
// the empty text included, is returned unchanged. Numeric text beyond the range of a
// double ("1E999") gives "Overflow".
QString formatMoney(QStringView text);

} // namespace pos
