// What the two halves of the file layer (native_file_unix.cpp, native_file_win.cpp) share.
#include "core/storage/native_file.h"

namespace pos::native {

Replacement::Replacement(const QString &path, Names names)
    : m_path(path)
    , m_names(names)
{
}

Replacement::~Replacement()
{
    cancel();
}

bool HeldFile::rewind()
{
    // Reads go by the position kept here, not the handle's.
    m_position = 0;
    return m_handle != -1;
}

HeldFile::HeldFile(const QString &path, Names names)
    : m_path(path)
    , m_names(names)
{
}

ReadFile::ReadFile(const QString &path, Names names)
    : m_path(path)
    , m_names(names)
{
}

} // namespace pos::native
