#include "common/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace pos {

namespace {

QString shownName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Pushes the file's data from the system's cache to the disk; errno on failure.
bool syncToDisk(int handle)
{
#ifdef Q_OS_WIN
    return ::_commit(handle) == 0;
#else
    int rc;
    do {
        rc = ::fsync(handle);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
#endif
}

} // namespace

WriteResult WriteResult::failure(const QString &fileName, const QString &reason)
{
    WriteResult result;
    result.ok = false;
    result.message = QStringLiteral("Could not write \"%1\": %2").arg(fileName, reason);
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

WriteResult writeFileWhole(const QString &path, const QByteArray &bytes)
{
    if (QFileInfo(path).isDir())
        return WriteResult::failure(shownName(path), QStringLiteral("a folder has that name"));

    QSaveFile file(path);
    // In a folder where no temporary file can be made, write the file in place instead.
    file.setDirectWriteFallback(true);
    // Unbuffered: a buffered QSaveFile can lose the tail of a short write (full disk) and
    // still commit, leaving a cut-off file. Unbuffered, the short count shows here.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return WriteResult::failure(shownName(path), file.errorString());
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        const QString reason = written < 0 ? file.errorString()
                                           : QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return WriteResult::failure(shownName(path), reason);
    }
    if (!file.commit())
        return WriteResult::failure(shownName(path), file.errorString());
    return {};
}

WriteResult appendDurably(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (info.isDir())
        return WriteResult::failure(shownName(path), QStringLiteral("a folder has that name"));

    // Unbuffered, so that the bytes go to the system in one write and its error is seen here.
    // A device in the file's place has no end to append at.
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (!info.exists() || info.isFile())
        mode |= QIODevice::Append;
    QFile file(path);
    if (!file.open(mode))
        return WriteResult::failure(shownName(path), file.errorString());
    const qint64 oldSize = file.size();

    const auto cutBack = [&](const QString &reason) {
        if (!file.isSequential())
            file.resize(oldSize);
        file.close();
        return WriteResult::failure(shownName(path), reason);
    };

    const qint64 written = file.write(bytes);
    if (written < 0)
        return cutBack(file.errorString());
    if (written != bytes.size()) // the system's reason for the short write is still in errno
        return cutBack(QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.flush())
        return cutBack(file.errorString());
    if (!syncToDisk(file.handle()))
        return cutBack(QString::fromLocal8Bit(std::strerror(errno)));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return WriteResult::failure(shownName(path), file.errorString());
    return {};
}

} // namespace pos
