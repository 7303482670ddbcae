#include "core/storage/file_io.h"

#include "core/storage/fault_points.h"
#include "core/storage/native_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace pos {

namespace {

QString shownName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

WriteResult outcome(const QString &path, const native::Failure &failure)
{
    return failure.isEmpty() ? WriteResult() : WriteResult::failure(shownName(path), failure);
}

// The failure of a write to a name no file can have on Windows, or nullopt.
std::optional<WriteResult> refusedName(const QString &path)
{
    const QString problem = fileNameProblem(path);
    if (problem.isEmpty())
        return std::nullopt;
    return WriteResult::failure(shownName(path), problem);
}

QString notARegularFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return QStringLiteral("a folder has that name");
    if (!info.isFile())
        return QStringLiteral("it is not a regular file (a pipe or a device has that name)");
    return {};
}

} // namespace

WriteResult WriteResult::failure(const QString &fileName, const QString &reason)
{
    return failureTold(QStringLiteral("Could not write \"%1\": %2").arg(fileName, reason));
}

QString fileNameProblem(const QString &path)
{
#ifdef Q_OS_WIN
    const qsizetype slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
#else
    // A backslash is a character of the name here, and one Windows refuses.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
#endif
    const QString name = path.mid(slash + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    static const QString refused = QStringLiteral("<>:\"|?*\\");
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || refused.contains(c))
            return QStringLiteral("a file name cannot hold any of < > : \" / \\ | ? * or control characters");
    }
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return QStringLiteral("a file name cannot end in a dot or a blank");
    // COM and LPT with any digit, the superscript ones included, and the console's own names.
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|CONIN\\$|CONOUT\\$|(COM|LPT)[0-9\u00B9\u00B2\u00B3]) *(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    if (device.match(name).hasMatch())
        return QStringLiteral("it is the name of a device on Windows (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to "
                              "COM9 and LPT0 to LPT9 are, with the superscript digits too), with or without an "
                              "extension");
    return {};
}

WriteResult WriteResult::failureTold(const QString &message)
{
    WriteResult result;
    result.ok = false;
    result.message = message;
    return result;
}

std::optional<QByteArray> readRawFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

QByteArray readRawFileOrEmpty(const QString &path)
{
    return readRawFile(path).value_or(QByteArray());
}

FileState fileState(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return FileState::Missing;
    if (!info.isFile())
        return FileState::Unreadable;
    // Opened and its first byte read, not the whole file: a journal of years is asked about
    // before it is read in chunks.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileState::Unreadable;
    char first = 0;
    return file.read(&first, 1) < 0 ? FileState::Unreadable : FileState::Read;
}

QString readFailureMessage(const QString &path)
{
    if (fileState(path) != FileState::Unreadable)
        return {};
    const QFileInfo info(path);
    QString reason = notARegularFile(path);
    if (reason.isEmpty()) {
        if (info.isSymLink() && !info.exists())
            reason = QStringLiteral("it is a link to a file that does not exist");
        else if (!info.isReadable())
            reason = QStringLiteral("it may not be read (permission denied)");
        else
            reason = QStringLiteral("it could not be read");
    }
    return QStringLiteral("Could not read \"%1\": %2.").arg(shownName(path), reason);
}

StagedWrite::StagedWrite(const QString &path)
    : m_path(path)
{
}

// The replacement removes its temporary file when destroyed uncommitted.
StagedWrite::~StagedWrite() = default;

WriteResult StagedWrite::stage(const QByteArray &bytes)
{
    m_file.reset();
    if (const std::optional<WriteResult> refused = refusedName(m_path))
        return *refused;
    auto file = std::make_unique<native::Replacement>(m_path);
    faultPoint("whole: before open");
    if (native::Failure failure = file->open(); !failure.isEmpty())
        return outcome(m_path, failure);
    faultPoint("whole: before write");
    if (native::Failure failure = file->write(bytes.constData(), bytes.size()); !failure.isEmpty())
        return outcome(m_path, failure);
    faultPoint("whole: after write");
    // Synced now, so that what is left for commit() is the rename.
    if (native::Failure failure = file->sync(); !failure.isEmpty())
        return outcome(m_path, failure);
    faultPoint("whole: after sync");
    m_file = std::move(file);
    return {};
}

WriteResult StagedWrite::commit()
{
    if (!m_file)
        return WriteResult::failure(shownName(m_path), QStringLiteral("nothing was made ready to write"));
    const std::unique_ptr<native::Replacement> file = std::move(m_file);
    return outcome(m_path, file->commit());
}

WriteResult writeFileWhole(const QString &path, const QByteArray &bytes)
{
    StagedWrite write(path);
    if (WriteResult staged = write.stage(bytes); !staged)
        return staged;
    return write.commit();
}

WriteResult createFileNew(const QString &path, const QByteArray &bytes, bool *nameTaken)
{
    bool taken = false;
    if (!nameTaken)
        nameTaken = &taken;
    *nameTaken = false;
    if (const std::optional<WriteResult> refused = refusedName(path))
        return *refused;
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        *nameTaken = true;
        return WriteResult::failure(shownName(path), QStringLiteral("a file or folder of that name is there already"));
    }
    return outcome(path, native::createNew(path, bytes, nameTaken));
}

WriteResult appendDurably(const QString &path, const QByteArray &bytes)
{
    if (const std::optional<WriteResult> refused = refusedName(path))
        return *refused;
    return outcome(path, native::append(path, bytes));
}

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
WriteResult mendLastRecord(const QString &path, const RecordShape &shape, bool &needsLineEnd)
{
    needsLineEnd = false;
    if (!QFileInfo::exists(path))
        return {};
    // Almost always the file ends with its line end: one byte tells, and a journal of years is
    // not read back at every sale.
    QByteArray window;
    qint64 size = 0;
    if (native::Failure failure = native::readTail(path, 1, window, size); !failure.isEmpty())
        return outcome(path, failure);
    if (size == 0 || window.endsWith('\n') || window.endsWith('\r'))
        return {};
    if (native::Failure failure = native::readTail(path, kTailWindow, window, size); !failure.isEmpty())
        return outcome(path, failure);
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
    const QString aside = path + QStringLiteral(".torn");
    const WriteResult kept = appendDurably(aside, last.toByteArray() + "\r\n");
    if (!kept)
        return WriteResult::failure(shownName(path),
                                    QStringLiteral("its last record was cut short by a crash and could not be set "
                                                   "aside (%1)").arg(kept.message));
    faultPoint("append: cut-short record set aside");
    return outcome(path, native::resize(path, from + start));
}

} // namespace

WriteResult setAsideCutShortRecord(const QString &path, const RecordShape &shape)
{
    bool needsLineEnd = false;
    return mendLastRecord(path, shape, needsLineEnd);
}

WriteResult appendRecords(const QString &path, const QByteArray &records, const RecordShape &shape)
{
    if (const std::optional<WriteResult> refused = refusedName(path))
        return *refused;
    if (const QString notAFile = notARegularFile(path); !notAFile.isEmpty())
        return WriteResult::failure(shownName(path), notAFile);
    bool needsLineEnd = false;
    const WriteResult mended = mendLastRecord(path, shape, needsLineEnd);
    if (!mended)
        return mended;
    return outcome(path, native::append(path, needsLineEnd ? QByteArrayLiteral("\r\n") + records : records));
}

namespace {

constexpr qsizetype kStreamBuffer = 1 << 20;

} // namespace

StreamedFileWriter::StreamedFileWriter(const QString &path)
    : m_path(path)
    , m_file(std::make_unique<native::Replacement>(path))
{
    if (const QString problem = fileNameProblem(path); !problem.isEmpty()) {
        fail(problem);
        return;
    }
    if (native::Failure failure = m_file->open(); !failure.isEmpty()) {
        fail(failure);
        return;
    }
    m_buffer.reserve(kStreamBuffer);
}

StreamedFileWriter::~StreamedFileWriter() = default;

void StreamedFileWriter::fail(const QString &reason)
{
    if (m_failure.isEmpty())
        m_failure = reason.isEmpty() ? QStringLiteral("the write failed") : reason;
    m_file->cancel();
    m_buffer.clear();
}

bool StreamedFileWriter::flushBuffer()
{
    if (m_buffer.isEmpty())
        return true;
    if (native::Failure failure = m_file->write(m_buffer.constData(), m_buffer.size()); !failure.isEmpty()) {
        fail(failure);
        return false;
    }
    m_buffer.resize(0);
    return true;
}

bool StreamedFileWriter::write(QByteArrayView bytes)
{
    if (!m_failure.isEmpty() || m_done)
        return false;
    if (m_buffer.size() + bytes.size() > kStreamBuffer && !flushBuffer())
        return false;
    if (bytes.size() >= kStreamBuffer) {
        if (native::Failure failure = m_file->write(bytes.data(), bytes.size()); !failure.isEmpty()) {
            fail(failure);
            return false;
        }
        return true;
    }
    m_buffer.append(bytes);
    return true;
}

WriteResult StreamedFileWriter::commit()
{
    if (m_done)
        return m_failure.isEmpty() ? WriteResult{} : WriteResult::failure(shownName(m_path), m_failure);
    m_done = true;
    if (m_failure.isEmpty() && flushBuffer()) {
        faultPoint("streamed: written");
        // The temporary file is synced before it takes the file's place.
        native::Failure failure = m_file->sync();
        if (failure.isEmpty())
            failure = m_file->commit();
        if (failure.isEmpty()) {
            faultPoint("streamed: after sync and rename");
            return {};
        }
        fail(failure);
    }
    return WriteResult::failure(shownName(m_path), m_failure);
}

WriteResult emptyFileInPlace(const QString &path)
{
    if (const std::optional<WriteResult> refused = refusedName(path))
        return *refused;
    return outcome(path, native::resize(path, 0));
}

bool sameFile(const QString &a, const QString &b)
{
    return native::sameFile(a, b);
}

int removeStaleTemporaries(const QString &folder)
{
    const QDir dir(folder);
    const QString pattern = QStringLiteral("*") + QLatin1String(native::kTemporaryInfix) + QStringLiteral("??????")
                            + QLatin1String(native::kTemporarySuffix);
    int removed = 0;
    const QStringList names = dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        removed += QFile::remove(dir.filePath(name)) ? 1 : 0;
    return removed;
}

} // namespace pos
