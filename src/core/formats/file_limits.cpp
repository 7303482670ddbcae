#include "core/formats/file_limits.h"

#include "core/formats/records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace pos {

namespace {

QString sizeText(qint64 bytes)
{
    constexpr qint64 kKB = 1024;
    constexpr qint64 kMB = kKB * kKB;
    return bytes % kMB == 0 ? QStringLiteral("%1 MB").arg(bytes / kMB) : QStringLiteral("%1 KB").arg(bytes / kKB);
}

// Whether a line (between line ends, CR or LF) is longer than the limit.
bool holdsLongerLine(const QByteArray &bytes, qsizetype longest)
{
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    while (p < end) {
        const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *stop = lf ? lf : end;
        // A lone CR ends a line too; such lines are rare, so they are looked for only in a
        // line long enough to matter.
        if (stop - p > longest) {
            qsizetype run = 0;
            for (const char *q = p; q < stop; ++q) {
                run = *q == '\r' ? 0 : run + 1;
                if (run > longest)
                    return true;
            }
        }
        p = stop + 1;
    }
    return false;
}

// The file opened for reading when it is a regular file within the size limit; otherwise the
// read's state says why not.
bool openWithin(QFile &file, const FileLimits &limits, LimitedRead &read)
{
    const QFileInfo info(file.fileName());
    if (!info.exists() && !info.isSymLink()) {
        read.state = FileState::Missing;
        return false;
    }
    // A pipe or device is never opened: it could block or never end.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        read.state = FileState::Unreadable;
        return false;
    }
    read.state = FileState::Read;
    if (file.size() > limits.largestFile) {
        read.refusal = Refusal::TooLarge;
        return false;
    }
    return true;
}

} // namespace

Refusal refusalOf(const QByteArray &bytes, const FileLimits &limits)
{
    if (bytes.size() > limits.largestFile)
        return Refusal::TooLarge;
    if (limits.rawLines)
        return holdsLongerLine(bytes, limits.longestPart) ? Refusal::LineTooLong : Refusal::None;
    FieldReader reader(bytes, limits.longestPart);
    while (!reader.atEnd())
        reader.skipField();
    return reader.fieldTooLong() ? Refusal::LineTooLong : Refusal::None;
}

QString refusalReason(Refusal refusal, const FileLimits &limits)
{
    switch (refusal) {
    case Refusal::TooLarge:
        return QStringLiteral("it is larger than %1").arg(sizeText(limits.largestFile));
    case Refusal::LineTooLong:
        return QStringLiteral("it holds a line longer than %1").arg(sizeText(limits.longestPart));
    case Refusal::None:
        break;
    }
    return {};
}

WriteResult refusedWrite(const QString &path, Refusal refusal, const FileLimits &limits)
{
    const QString reason =
        refusal == Refusal::TooLarge
            ? QStringLiteral("it would be larger than %1").arg(sizeText(limits.largestFile))
            : QStringLiteral("it would hold a line longer than %1").arg(sizeText(limits.longestPart));
    return WriteResult::failure(QDir::toNativeSeparators(path),
                                reason + QStringLiteral(", more than such a file holds"));
}

WriteResult writeFileWithin(const QString &path, const QByteArray &bytes, const FileLimits &limits)
{
    const Refusal refusal = refusalOf(bytes, limits);
    if (refusal != Refusal::None)
        return refusedWrite(path, refusal, limits);
    return writeFileWhole(path, bytes);
}

LimitedRead readFieldsWithin(const QString &path, const FileLimits &limits)
{
    LimitedRead read;
    QFile file(path);
    if (!openWithin(file, limits, read))
        return read;
    FieldReader reader(&file, limits.longestPart);
    QStringList fields = reader.readAll();
    if (reader.readFailed())
        read.state = FileState::Unreadable;
    else if (reader.fieldTooLong())
        read.refusal = Refusal::LineTooLong;
    else
        read.fields = std::move(fields);
    return read;
}

LimitedRead readRawWithin(const QString &path, const FileLimits &limits)
{
    LimitedRead read;
    QFile file(path);
    if (!openWithin(file, limits, read))
        return read;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        read.state = FileState::Unreadable;
    else
        read.refusal = refusalOf(content, limits);
    if (read.usable())
        read.raw = std::move(content);
    return read;
}

QString limitedReadMessage(const QString &path, const LimitedRead &read, const FileLimits &limits)
{
    if (read.state == FileState::Unreadable) {
        const QString failure = readFailureMessage(path);
        return failure.isEmpty() ? QStringLiteral("Could not read \"%1\".").arg(QDir::toNativeSeparators(path))
                                 : failure;
    }
    if (read.refusal == Refusal::None)
        return {};
    return QStringLiteral("\"%1\" was not read: %2, more than such a file holds.")
        .arg(QDir::toNativeSeparators(path), refusalReason(read.refusal, limits));
}

} // namespace pos
