// The layaway file over any content: the reader gives a sound balance and storable lines, the
// reopened order list holds the stored lines in place, a file written by the writer reads
// back as written, and the file name made from any salesperson stays in the folder.

#include "fuzz_support.h"

#include "core/formats/codepage.h"
#include "core/formats/layaway_file.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"

#include <QDateTime>
#include <QDir>

#include <cmath>
#include <cstring>

using namespace pos;

namespace {

bool storableLine(const QString &line)
{
    return storableText(line, BoxLines::Single) == line;
}

void checkRead(const QByteArray &bytes)
{
    const QString path = fuzz::writeInput(QStringLiteral("data.lwy"),
                                          reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    const Layaway layaway = readLayaway(path);
    if (layaway.state == Layaway::Unreadable)
        fuzz::broken("a layaway file that is there reads as unreadable", path);
    if (!std::isfinite(layaway.balance))
        fuzz::broken("the balance is not finite", layaway.balanceText);
    if (layaway.state == Layaway::Read) {
        // A balance read is a plain number that the totals can show again.
        if (!isPlainNumber(layaway.balanceText) || layaway.balance != leadingNumber(layaway.balanceText)
            || !isPlainNumber(numberText(layaway.balance)))
            fuzz::broken("a balance read is not the plain number stored", layaway.balanceText);
    } else if (layaway.balance != 0) {
        fuzz::broken("a balance that is not a number does not count as 0", layaway.balanceText);
    }

    // One line per record after the balance, each one storable line.
    const QStringList fields = FieldReader(bytes).readAll();
    if (layaway.lines.size() != qMax<qsizetype>(fields.size() - 1, 0))
        fuzz::broken("the lines are not the records after the balance",
                     QStringLiteral("%1 lines, %2 fields").arg(layaway.lines.size()).arg(fields.size()));
    for (qsizetype i = 0; i < layaway.lines.size(); ++i) {
        if (!storableLine(layaway.lines.at(i)))
            fuzz::broken("a stored line is not storable", layaway.lines.at(i));
        if (layaway.lines.at(i) != storableText(fields.at(i + 1), BoxLines::Single))
            fuzz::broken("a stored line is not its field", layaway.lines.at(i));
    }

    // Reopened: the stored lines in place of the list's, the list's own past their end.
    const QStringList order{QStringLiteral("Corvalane Hardware"),
                            QStringLiteral("Reciept# 03-14-200409:05:33      Layaway Payment   Salesperson: Ann"),
                            QStringLiteral("x"), QStringLiteral("y")};
    const QStringList reopened = reopenedLines(order, layaway.lines);
    if (reopened.size() != qMax(order.size(), layaway.lines.size())
        || reopened.mid(0, layaway.lines.size()) != layaway.lines
        || reopened.mid(layaway.lines.size()) != order.mid(layaway.lines.size()))
        fuzz::broken("the reopened list is not the stored lines, then the list's", QString::number(reopened.size()));
}

// The writer's file reads back as written: the balance as numberText reads it, each line (as a
// box holds it) unchanged.
void checkRoundTrip(double balance, const QStringList &lines)
{
    const QByteArray bytes = layawayBytes(balance, lines);
    const QString path = fuzz::writeInput(QStringLiteral("written.lwy"),
                                          reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    const Layaway back = readLayaway(path);
    if (back.lines != lines)
        fuzz::broken("written lines do not read back", QString::number(lines.size()));
    if (!std::isfinite(balance) || !isPlainNumber(numberText(balance))) {
        if (back.state != Layaway::BalanceNotANumber || back.balance != 0)
            fuzz::broken("a balance beyond range reads back as a number", back.balanceText);
        return;
    }
    if (back.state != Layaway::Read || back.balanceText != numberText(balance)
        || back.balance != numberTextValue(balance))
        fuzz::broken("a written balance does not read back",
                     numberText(balance) + QStringLiteral(" -> ") + back.balanceText);
}

// The name made from any salesperson: 14 digits first, one dot (the extension's), no separator
// or "..", and it names a file in the folder.
void checkName(const QDateTime &closedAt, const QString &salesperson, int attempt)
{
    const QString part = fileNamePart(salesperson);
    if (part.size() > 64 || fileNamePart(part) != part)
        fuzz::broken("the name part is too long or not already safe", part);
    const QString name = layawayFileName(closedAt, salesperson, attempt);
    for (int i = 0; i < 14; ++i)
        if (i >= name.size() || name.at(i) < QLatin1Char('0') || name.at(i) > QLatin1Char('9'))
            fuzz::broken("the name does not begin with 14 digits", name);
    if (!name.endsWith(QLatin1String(".lwy")) || name.count(QLatin1Char('.')) != 1 || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
        fuzz::broken("the name holds a separator or a dot of its own", name);
    const QString suffix =
        attempt > 1 ? QLatin1Char('-') + QString::number(attempt) + QStringLiteral(".lwy") : QStringLiteral(".lwy");
    if (name.mid(14) != part + suffix)
        fuzz::broken("the name is not digits, name part and extension", name);
    for (const QChar c : name)
        if (c.unicode() < 0x20 || !fitsAnsi(QStringView(&c, 1)))
            fuzz::broken("the name holds a character a file name cannot", name);
    const QString folder = QStringLiteral("/shop/folder");
    const QString path = QDir(folder).filePath(name);
    if (QDir::cleanPath(path) != path || QFileInfo(path).path() != folder)
        fuzz::broken("the name leads out of the folder", path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkRead(bytes);

    if (size < 8)
        return 0;
    // The first 8 bytes as a balance, the raw bits (the extremes included); the rest as the
    // lines of an order, split at LF and held as a box holds them.
    double balance;
    std::memcpy(&balance, data, sizeof balance);
    QStringList lines;
    for (const QByteArray &line : bytes.mid(8).split('\n'))
        lines << storableText(fromAnsi(line), BoxLines::Single);
    checkRoundTrip(balance, lines);
    if (std::isfinite(balance))
        checkRoundTrip(std::round(balance * 100) / 100, lines);

    // The rest as a salesperson typed in any script (UTF-16, surrogates included), a closing
    // time of years 1 to 9999 and an attempt from the first bytes.
    QString salesperson(qsizetype((size - 8) / 2), Qt::Uninitialized);
    std::memcpy(salesperson.data(), data + 8, size_t(salesperson.size()) * 2);
    quint64 seed;
    std::memcpy(&seed, data, sizeof seed);
    const QDate day = QDate(1, 1, 1).addDays(qint64(seed % 3652059));
    const QDateTime closedAt(day, QTime(0, 0).addSecs(int((seed >> 32) % 86400)), Qt::UTC);
    const int attempt = 1 + int((seed >> 48) % 1000);
    checkName(closedAt, salesperson, attempt);
    checkName(closedAt, fromAnsi(bytes.mid(8)), 1);
    return 0;
}
