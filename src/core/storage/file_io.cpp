#include "core/storage/file_io.h"

#include "core/storage/fault_points.h"
#include "core/storage/native_file.h"
#include "core/storage/sha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstring>
#include <limits>

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

QString notARegularFile(const QString &path, Names names = Names::Followed)
{
    const QFileInfo info(path);
    if (names == Names::Kept && (info.isSymLink() || info.isJunction()))
        return QStringLiteral("it is a link");
    if (!info.exists())
        return {};
    if (info.isDir())
        return QStringLiteral("a folder has that name");
    if (!info.isFile())
        return QStringLiteral("it is not a regular file (a pipe or a device has that name)");
    return {};
}

} // namespace

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

std::optional<QByteArray> readRawFile(const QString &path)
{
    // Opened without blocking: a pipe put in the file's place after any check never hangs.
    QByteArray content;
    bool missing = false;
    if (!native::readWhole(path, std::numeric_limits<qint64>::max() / 2, content, &missing).isEmpty() || missing)
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

KeptRead readKeptFile(const QString &path, qint64 limit)
{
    KeptRead read;
    bool missing = false;
    read.failure = native::readWhole(path, limit, read.content, &missing, Names::Kept, &read.refused);
    read.state = missing ? FileState::Missing : read.failure.isEmpty() ? FileState::Read : FileState::Unreadable;
    return read;
}

StagedWrite::StagedWrite(const QString &path, Names names)
    : m_path(path)
    , m_names(names)
{
}

// The replacement removes its temporary file when destroyed uncommitted.
StagedWrite::~StagedWrite() = default;

WriteResult StagedWrite::stage(const QByteArray &bytes)
{
    m_file.reset();
    if (const std::optional<WriteResult> refused = refusedName(m_path))
        return *refused;
    auto file = std::make_unique<native::Replacement>(m_path, m_names);
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

WriteResult writeFileWhole(const QString &path, const QByteArray &bytes, Names names)
{
    StagedWrite write(path, names);
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

WriteResult appendDurably(const QString &path, const QByteArray &bytes, Names names, bool *landed)
{
    if (landed)
        *landed = false;
    if (const std::optional<WriteResult> refused = refusedName(path))
        return *refused;
    return outcome(path, native::append(path, bytes, names, landed));
}

WriteResult readFileTail(const QString &path, qint64 most, QByteArray &tail, qint64 &size, Names names)
{
    return outcome(path, native::readTail(path, most, tail, size, names));
}

WriteResult cutFileAt(const QString &path, qint64 length, Names names)
{
    return outcome(path, native::resize(path, length, names));
}

WriteResult appendablePlace(const QString &path, Names names)
{
    if (const std::optional<WriteResult> refused = refusedName(path))
        return *refused;
    if (const QString notAFile = notARegularFile(path, names); !notAFile.isEmpty())
        return WriteResult::failure(shownName(path), notAFile);
    return {};
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

FileCopySource::FileCopySource(const QString &path)
    : m_file(std::make_unique<QFile>(path))
{
}

FileCopySource::~FileCopySource() = default;

QString FileCopySource::open()
{
    if (const QString refused = notARegularFile(m_file->fileName()); !refused.isEmpty())
        return refused;
    if (!m_file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        // As the file layer's reasons: without the system's full stop, which the caller adds.
        QString reason = m_file->errorString();
        while (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        return reason;
    }
    return {};
}

qint64 FileCopySource::read(char *into, qint64 size)
{
    return m_file->read(into, size);
}

bool FileCopySource::rewind()
{
    return m_file->seek(0);
}

namespace {

// Reads until the buffer is full or the end: the bytes read, -1 on a failure.
qint64 readFully(CopySource &source, char *into, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const qint64 n = source.read(into + got, size - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

class CopyReadBack final : public CopySource
{
public:
    explicit CopyReadBack(QFile &file)
        : m_file(file)
    {
    }
    qint64 read(char *into, qint64 size) override { return m_file.read(into, size); }
    bool rewind() override { return m_file.seek(0); }

private:
    QFile &m_file;
};

} // namespace

WriteResult copyVerified(CopySource &source, const QString &sourceName, const QString &to, CopiedFile &copied)
{
    const WriteResult unreadable =
        WriteResult::failureTold(QStringLiteral("Could not read \"%1\" to copy it.").arg(shownName(sourceName)));
    Sha256 digest;
    copied = {};
    // Written straight under its name: the caller makes it in a folder nobody uses yet. A copy
    // that fails is removed when `copy` goes.
    native::NewFile copy(to);
    if (const native::Failure failure = copy.open(); !failure.isEmpty())
        return WriteResult::failure(shownName(to), failure);
    QByteArray chunk(kStreamBuffer, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(chunk.data(), chunk.size());
        if (got < 0)
            return unreadable;
        if (got == 0)
            break;
        digest.addData(QByteArrayView(chunk.constData(), got));
        copied.size += got;
        if (const native::Failure failure = copy.write(chunk.constData(), got); !failure.isEmpty())
            return WriteResult::failure(shownName(to), failure);
    }
    if (const native::Failure failure = copy.finish(); !failure.isEmpty())
        return WriteResult::failure(shownName(to), failure);
    copied.sha256 = digest.result();

    // The copy as the file system gives it back, now that it is synced, against the source
    // read again.
    const auto removed = [&](const WriteResult &result) {
        QFile::remove(to);
        return result;
    };
    QFile back(to);
    if (!back.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return removed(WriteResult::failure(shownName(to), back.errorString()));
    CopyReadBack readBack(back);
    if (!source.rewind())
        return removed(unreadable);
    QByteArray found(kStreamBuffer, Qt::Uninitialized);
    WriteResult result;
    for (qint64 compared = 0;;) {
        const qint64 want = qMin<qint64>(kStreamBuffer, copied.size - compared);
        const qint64 a = readFully(source, chunk.data(), want);
        // One byte more at the end: a copy longer than the source is found too.
        const qint64 b = readFully(readBack, found.data(), qMax<qint64>(want, 1));
        if (a < 0) {
            result = unreadable;
            break;
        }
        if (b < 0 || a != want || b != want || std::memcmp(chunk.constData(), found.constData(), size_t(want)) != 0) {
            result =
                WriteResult::failure(shownName(to), QStringLiteral("the copy does not read back as it was written"));
            break;
        }
        compared += want;
        if (want == 0)
            break;
    }
    faultPoint("copy: read back");
    back.close();
    return result ? result : removed(result);
}

WriteResult emptyFileInPlace(const QString &path, Names names)
{
    if (const std::optional<WriteResult> refused = refusedName(path))
        return *refused;
    return outcome(path, native::resize(path, 0, names));
}

bool sameFile(const QString &a, const QString &b)
{
    return native::sameFile(a, b);
}

namespace {

QString temporaryPattern()
{
    return QStringLiteral("*") + QLatin1String(native::kTemporaryInfix) + QStringLiteral("??????")
           + QLatin1String(native::kTemporarySuffix);
}

} // namespace

bool isTemporaryName(const QString &path)
{
    // Case ignored, as a Windows file system ignores it.
    const QRegularExpression shape(QRegularExpression::wildcardToRegularExpression(temporaryPattern()),
                                   QRegularExpression::CaseInsensitiveOption);
    return shape.match(QFileInfo(path).fileName()).hasMatch();
}

int removeStaleTemporaries(const QString &folder)
{
    const QDir dir(folder);
    const QString pattern = temporaryPattern();
    int removed = 0;
    const QStringList names = dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        removed += QFile::remove(dir.filePath(name)) ? 1 : 0;
    return removed;
}

} // namespace pos
