#include "core/formats/layaway_file.h"

#include "core/formats/codepage.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace pos {

namespace {

constexpr qsizetype kLongestNamePart = 64;
// More same-second layaways of one salesperson than any shop closes.
constexpr int kMostAttempts = 1000;

bool heldInFileNames(QChar c)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|.");
    const char16_t u = c.unicode();
    const bool control = u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F);
    return !control && !forbidden.contains(c) && fitsAnsi(QStringView(&c, 1));
}

} // namespace

QString fileNamePart(const QString &text)
{
    QString part;
    part.reserve(qMin(text.size(), kLongestNamePart));
    for (qsizetype i = 0; i < text.size() && part.size() < kLongestNamePart; ++i) {
        const QChar c = text.at(i);
        // A character outside the basic plane is one "_", not one per half.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        part.append(heldInFileNames(c) ? c : QLatin1Char('_'));
    }
    return part;
}

QString layawayFileName(const QDateTime &closedAt, const QString &salesperson, int attempt)
{
    QString name = closedAt.toString(QStringLiteral("MMddyyyyHHmmss")) + fileNamePart(salesperson);
    if (attempt > 1)
        name += QLatin1Char('-') + QString::number(attempt);
    return name + QStringLiteral(".lwy");
}

double layawayBalance(double subt, double rate, double tendered)
{
    return subt + (subt * rate) * 0.01 - tendered;
}

QByteArray layawayBytes(double balance, const QStringList &orderLines)
{
    RecordWriter writer;
    writer.number(balance).endRecord();
    for (const QString &line : orderLines)
        writer.text(line).endRecord();
    return writer.bytes();
}

Layaway readLayaway(const QString &path)
{
    Layaway layaway;
    LimitedRead read = readFieldsWithin(path, kListFileLimits);
    if (read.state != FileState::Read) {
        layaway.state = Layaway::Unreadable;
        return layaway;
    }
    if (read.refusal != Refusal::None) {
        layaway.state = Layaway::Refused;
        layaway.refusal = read.refusal;
        return layaway;
    }
    if (!read.fields.isEmpty())
        layaway.balanceText = read.fields.takeFirst();
    for (QString &line : read.fields)
        line = storableText(line, BoxLines::Single);
    layaway.lines = std::move(read.fields);

    // Beyond range once shown with 15 digits (the largest double), a balance is no number
    // either: the totals could not show it.
    const double value = leadingNumber(layaway.balanceText);
    if (isPlainNumber(layaway.balanceText) && isPlainNumber(numberText(value)))
        layaway.balance = value;
    else
        layaway.state = Layaway::BalanceNotANumber;
    return layaway;
}

QStringList reopenedLines(const QStringList &orderLines, const QStringList &stored)
{
    QStringList lines = stored;
    for (qsizetype i = stored.size(); i < orderLines.size(); ++i)
        lines.append(orderLines.at(i));
    return lines;
}

QString newLayawayPath(const QString &folder, const QDateTime &closedAt, const QString &salesperson)
{
    QString path;
    for (int attempt = 1; attempt <= kMostAttempts; ++attempt) {
        const QString name = layawayFileName(closedAt, salesperson, attempt);
        path = folder.isEmpty() ? name : QDir(folder).filePath(name);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            break;
    }
    // Past the last try the name is taken, and creating the file says so.
    return path;
}

} // namespace pos
