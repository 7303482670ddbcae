#pragma once

#include "core/formats/shop_files.h"
#include "core/storage/file_io.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace pos {

// The tax rates the rate drop-downs offer: "0", then "1" to "12.5" in steps of 0.5.
QStringList offeredTaxRates();

// "tax.txt": one record of three quoted text fields, kept exactly as typed ("6.50" stays 6.50).
struct TaxRates
{
    QString sales;     // field 1, the rate charged to customers
    QString municipal; // field 2
    QString state;     // field 3
};

// A missing, empty or short file gives empty texts for the fields it lacks.
TaxRates readTaxFile(const QString &path = kTaxFile);
WriteResult writeTaxFile(const TaxRates &rates, const QString &path = kTaxFile);

// Whether a settings file can be used as its reader takes it. A missing file is no fault: it
// reads as empty, since the shop may not have saved that setting yet. A file beyond the limits
// of file_limits.h (kSettingsLimits; for "return.txt", read raw, kReturnPolicyLimits) reads as
// empty too, as one that cannot be read.
enum class SettingsState
{
    Usable,
    Unreadable,     // there, but not readable as a file (a folder, a pipe, no permission)
    RateNotANumber, // "tax.txt" only: its first field is not a plain number
    TooLarge,       // larger than kLargestSettingsFile
    LineTooLong,    // holds a field (or for "return.txt" a line) longer than kLongestField
};

// "Header.txt", "return.txt" and the like: Usable, Unreadable, TooLarge or LineTooLong.
SettingsState settingsFileState(const QString &path);

// Why a settings file in that state is refused: "it is larger than 1 MB", "it holds a line
// longer than 64 KB". Empty for the other states.
QString settingsRefusalReason(SettingsState state);

// What a window tells of a settings file that is there and cannot be used (see
// limitedReadMessage); empty when it can be used or is missing.
QString settingsFileMessage(const QString &path);

// "tax.txt" as New Order takes it: besides Unreadable, RateNotANumber when the sales rate is
// not a plain number read in full (an empty rate, "six", binary bytes, "1,5", "6 %"), since
// the rate box would then charge a rate the owner did not set.
SettingsState taxRateState(const QString &path = kTaxFile);

// "Header.txt": one quoted field per receipt header line. Every field of the file is one line
// (a hand-typed unquoted comma splits a line). A missing file gives no lines.
QStringList readHeaderFile(const QString &path = kHeaderFile);
WriteResult writeHeaderFile(const QStringList &lines, const QString &path = kHeaderFile);

// "return.txt": written as one quoted text value and CR LF, read back raw (quotes and line
// ends included) by the receipt. A missing file reads as empty. Since the file is never read
// field by field, the writer keeps double quotes in the policy as typed; every line break in
// the policy (LF, CR or CR LF) is written as CR LF.
QByteArray readReturnFileRaw(const QString &path = kReturnFile);
WriteResult writeReturnFile(const QString &policy, const QString &path = kReturnFile);
// The policy as the Settings window edits it: the raw file without the record's own frame
// (the first double quote, and the double quote and CR LF that end the file), so that saving
// it unedited writes the same bytes. A file not so framed (edited by hand) is shown whole.
QString returnPolicyText(const QByteArray &raw);

// "font.txt": one record of name, bold, italic and size in points.
struct ReceiptFont
{
    QString name;
    bool bold = false;
    bool italic = false;
    double pointSize = 0;
};

// nullopt when the file is missing or holds fewer than four fields, or when the size field is
// not a number above zero, so that the caller keeps its own font.
// A size outside legibleReceiptSize is returned as stored; the receipt keeps its designed size
// for it.
std::optional<ReceiptFont> readFontFile(const QString &path = kFontFile);
// The receipt font sizes that print as a readable receipt, 4 to 72 points. A size outside them
// (1e308, 1e-300, 10000) would print blank or unreadable pages reported as printed.
constexpr double kSmallestReceiptPoints = 4;
constexpr double kLargestReceiptPoints = 72;
bool legibleReceiptSize(double points);

WriteResult writeFontFile(const ReceiptFont &font, const QString &path = kFontFile);

} // namespace pos
