#pragma once

// Shared by the fuzz targets: turning the fuzzer's bytes into a data file the loaders read,
// and stopping with a message when a property does not hold.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace pos::fuzz {

// One folder for the whole run; every input is written to the same file in it.
inline QString scratchFile(const QString &name)
{
    static QTemporaryDir dir;
    return dir.filePath(name);
}

inline QString writeInput(const QString &name, const uint8_t *data, size_t size)
{
    const QString path = scratchFile(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}

[[noreturn]] inline void broken(const char *property, const QString &detail)
{
    std::fprintf(stderr, "property broken: %s\n%s\n", property, detail.toUtf8().constData());
    std::abort();
}

} // namespace pos::fuzz
