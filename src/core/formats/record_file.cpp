#include "core/formats/record_file.h"

#include "core/formats/records.h"
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
    qsizetype start = 0;
    for (qsizetype pos = 0; pos < bytes.size();) {
        const FieldSpan span = scanField(bytes.data(), bytes.size(), pos, false);
        if (span.stop < bytes.size() && bytes[span.stop] != ',')
            start = span.next;
        pos = span.next;
    }
    return start;
}

// How far back the last record is looked for.
constexpr qint64 kTailWindow = 1 << 20;

// Sets a last record cut short by a crash aside and cuts it off, or gives the line end the last
// record needs before the next one: CR LF, or LF after a CR that a crash left without it (the
// next record would otherwise run on in the same line for every reader that ends lines at LF).
WriteResult mendLastRecord(native::HeldFile &file, const RecordShape &shape, const QString &tornPath,
                           QByteArray &lineEnd)
{
    lineEnd.clear();
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
    if (size == 0 || window.endsWith('\n'))
        return {};
    if (window.endsWith('\r')) {
        lineEnd = "\n";
        return {};
    }
    if (const native::Failure failure = file.readTail(kTailWindow, window, size); !failure.isEmpty())
        return failed(failure);
    const qint64 from = size - window.size();
    // A window that begins inside the file begins at its first line start.
    qsizetype begin = 0;
    if (from > 0) {
        begin = window.indexOf('\n') + 1;
        // No line end in the whole window: a file of one long hand-made line, taken as it is.
        if (begin == 0) {
            lineEnd = "\r\n";
            return {};
        }
    }
    const qsizetype start = begin + lastRecordStart(QByteArrayView(window).sliced(begin));
    const QByteArrayView last = QByteArrayView(window).sliced(start);
    // Only the start of a record of the shape, and no more, is one a crash cut short: anything
    // else (a whole record, a hand edit) only needs its line end.
    if (!isRecordStart(last, shape)) {
        lineEnd = "\r\n";
        return {};
    }
    // The record of a write that never finished: its bytes are kept beside the file, and the
    // file ends at its last whole record again.
    const WriteResult kept = appendDurably(tornPath, last.toByteArray() + "\r\n", Names::Kept);
    if (!kept)
        return WriteResult::failure(QDir::toNativeSeparators(path),
                                    QStringLiteral("its last record was cut short by a crash and could not be set "
                                                   "aside (%1)")
                                        .arg(kept.message));
    faultPoint("append: cut-short record set aside");
    if (const native::Failure failure = file.resize(from + start); !failure.isEmpty())
        return failed(failure);
    return {};
}

} // namespace

WriteResult setAsideCutShortRecord(native::HeldFile &file, const RecordShape &shape, const QString &tornPath)
{
    QByteArray lineEnd;
    return mendLastRecord(file, shape, tornPath, lineEnd);
}

WriteResult appendRecords(native::HeldFile &file, const QByteArray &records, const RecordShape &shape,
                          const QString &tornPath, bool *left)
{
    QByteArray lineEnd;
    if (WriteResult mended = mendLastRecord(file, shape, tornPath, lineEnd); !mended)
        return mended;
    const native::Failure failure = file.append(lineEnd + records, left);
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
