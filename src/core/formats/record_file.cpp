#include "core/formats/record_file.h"

#include "core/storage/fault_points.h"

#include <QDir>
#include <QFileInfo>

namespace pos {

namespace {

// Whether the bytes are the start of a record of the shape and no more, as a crash in the middle
// of its append leaves it: they end where the shape still expects a byte.
bool isRecordStart(QByteArrayView bytes, const RecordShape &shape)
{
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    const auto expect = [&](char c) {
        if (i == n || bytes[i] != c)
            return false;
        ++i;
        return true;
    };
    for (int k = 0; k < shape.fields; ++k) {
        if ((k > 0 && !expect(',')) || !expect('"'))
            return i == n;
        if (k == 0) {
            for (const char c : shape.firstFieldStart) {
                if (!expect(c))
                    return i == n;
            }
        }
        while (i < n && bytes[i] != '"' && bytes[i] != '\r' && bytes[i] != '\n')
            ++i;
        if (!expect('"'))
            return i == n;
    }
    // A whole record but its line end, or more.
    return false;
}

// Where the last record of the bytes starts: after the last line end that ends a field (a line
// break inside a quoted field does not). The bytes start at the start of a record.
qsizetype lastRecordStart(QByteArrayView bytes)
{
    // Read as the field reader reads: a field that starts with a quote runs to the next quote,
    // whatever lies between; then everything up to a comma or a line end belongs to it.
    qsizetype start = 0;
    bool fieldStart = true;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (fieldStart && (c == ' ' || c == '\t'))
            continue;
        if (fieldStart && c == '"') {
            const qsizetype close = bytes.indexOf('"', i + 1);
            if (close < 0)
                break;
            i = close;
            fieldStart = false;
            continue;
        }
        fieldStart = false;
        if (c == ',') {
            fieldStart = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            start = i + 1;
            fieldStart = true;
        }
    }
    return start;
}

// How far back the last record is looked for.
constexpr qint64 kTailWindow = 1 << 20;

// Sets a last record cut short by a crash aside and cuts it off, or tells that the last record
// needs a line end before the next one.
WriteResult mendLastRecord(native::HeldFile &file, const RecordShape &shape, const QString &tornPath,
                           bool &needsLineEnd)
{
    needsLineEnd = false;
    const QString path = file.path();
    const auto failed = [&](const native::Failure &failure) {
        return WriteResult::failure(QDir::toNativeSeparators(path), failure);
    };
    // Almost always the file ends with its line end: one byte tells, and a journal of years is
    // not read back at every sale.
    QByteArray window;
    qint64 size = 0;
    if (const native::Failure failure = file.readTail(1, window, size); !failure.isEmpty())
        return failed(failure);
    if (size == 0 || window.endsWith('\n') || window.endsWith('\r'))
        return {};
    if (const native::Failure failure = file.readTail(kTailWindow, window, size); !failure.isEmpty())
        return failed(failure);
    const qint64 from = size - window.size();
    // A window that begins inside the file begins at its first line start.
    qsizetype begin = 0;
    if (from > 0) {
        begin = window.indexOf('\n') + 1;
        // No line end in the whole window: a file of one long hand-made line, taken as it is.
        if (begin == 0) {
            needsLineEnd = true;
            return {};
        }
    }
    const qsizetype start = begin + lastRecordStart(QByteArrayView(window).sliced(begin));
    const QByteArrayView last = QByteArrayView(window).sliced(start);
    // Only the start of a record of the shape, and no more, is one a crash cut short: anything
    // else (a whole record, a hand edit) only needs its line end.
    if (!isRecordStart(last, shape)) {
        needsLineEnd = true;
        return {};
    }
    // The record of a write that never finished: its bytes are kept beside the file, and the
    // file ends at its last whole record again.
    const WriteResult kept = appendDurably(tornPath, last.toByteArray() + "\r\n", Names::Kept);
    if (!kept)
        return WriteResult::failure(QDir::toNativeSeparators(path),
                                    QStringLiteral("its last record was cut short by a crash and could not be set "
                                                   "aside (%1)").arg(kept.message));
    faultPoint("append: cut-short record set aside");
    if (const native::Failure failure = file.resize(from + start); !failure.isEmpty())
        return failed(failure);
    return {};
}

} // namespace

WriteResult setAsideCutShortRecord(native::HeldFile &file, const RecordShape &shape, const QString &tornPath)
{
    bool needsLineEnd = false;
    return mendLastRecord(file, shape, tornPath, needsLineEnd);
}

WriteResult appendRecords(native::HeldFile &file, const QByteArray &records, const RecordShape &shape,
                          const QString &tornPath)
{
    bool needsLineEnd = false;
    if (WriteResult mended = mendLastRecord(file, shape, tornPath, needsLineEnd); !mended)
        return mended;
    const native::Failure failure = file.append(needsLineEnd ? QByteArrayLiteral("\r\n") + records : records);
    return failure.isEmpty() ? WriteResult() : WriteResult::failure(QDir::toNativeSeparators(file.path()), failure);
}

WriteResult appendRecords(const QString &path, const QByteArray &records, const RecordShape &shape,
                          const QString &tornPath, Names names)
{
    if (WriteResult place = appendablePlace(path, names); !place)
        return place;
    native::HeldFile file(path, names);
    if (const native::Failure failure = file.open(); !failure.isEmpty())
        return WriteResult::failure(QDir::toNativeSeparators(path), failure);
    return appendRecords(file, records, shape, tornPath);
}

} // namespace pos
