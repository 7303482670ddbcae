#pragma once

// The layaway file (".lwy"): the balance still owed and the whole receipt of one layaway.
// Record 1 is the balance, a bare number; then one record per line of the order list, the
// line in double quotes (a double quote in it stored as an apostrophe, see quotableText, so no
// stored line is cut short); CR LF after each record. Closing a "Layaway" order creates one;
// each "Layaway Payment" reopens it at New Order and rewrites it at Close Order.

#include "core/formats/file_limits.h"
#include "core/storage/file_io.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace pos {

// The Open dialog's filter for layaway files.
inline const QString kLayawayFilter = QStringLiteral("Layaway Files(*.lwy)|*.lwy");

// The salesperson's text as it may stand inside a file name: every character that a Linux or
// Windows file name cannot hold or that could change where the file goes (/ \ : * ? " < > |,
// a dot, a control character, a character outside the code page) becomes "_", and the part
// is kept to 64 characters. "../../x" gives "______x", "C:\y" gives "C__y".
QString fileNamePart(const QString &text);

// mmddyyyyhhmmss + fileNamePart(salesperson) + ".lwy": 03142004093010Ann.lwy. A try after the
// first (try 2, 3, ...) puts "-2", "-3"... before ".lwy". The name always begins with the 14
// digits, so no salesperson can make it a reserved device name ("con") or a hidden file.
QString layawayFileName(const QDateTime &closedAt, const QString &salesperson, int attempt = 1);

// The balance still owed after this order: subt + (subt × rate) × 0.01 − tendered, the product
// subt × rate formed first.
double layawayBalance(double subt, double rate, double tendered);

// The file's bytes: the balance in numberText form ("4.54", "0", "-0.46"), then the lines.
QByteArray layawayBytes(double balance, const QStringList &orderLines);

struct Layaway
{
    enum State
    {
        Read,
        Unreadable,        // missing or not readable as a file
        Refused,           // beyond kListFileLimits (see refusal): nothing of it is taken
        BalanceNotANumber, // read, but record 1 is not a plain number (an empty file included)
    };
    State state = Read;
    Refusal refusal = Refusal::None;
    QString balanceText;
    // The balance, 0 unless it is a plain number whose value the totals can show.
    double balance = 0;
    // The stored lines, each kept to one line of storable text.
    QStringList lines;
};
// Read within kListFileLimits: a file larger than 64 MB or holding a line longer than 64 KB
// is Refused.
Layaway readLayaway(const QString &path);

// The order list once a layaway is reopened: each stored line in place of the list's line at
// the same position, the stored lines past the list's end appended.
QStringList reopenedLines(const QStringList &orderLines, const QStringList &stored);

// The name of a new layaway file in the folder (empty: the working directory): the first of
// layawayFileName's tries that no file has, so that an existing layaway is never replaced.
QString newLayawayPath(const QString &folder, const QDateTime &closedAt, const QString &salesperson);

} // namespace pos
