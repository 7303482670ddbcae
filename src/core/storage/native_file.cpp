// What the two halves of the file layer (native_file_unix.cpp, native_file_win.cpp) share.
#include "core/storage/native_file.h"

namespace pos::native {

Replacement::Replacement(const QString &path)
    : m_path(path)
{
}

Replacement::~Replacement()
{
    cancel();
}

HeldFile::HeldFile(const QString &path)
    : m_path(path)
{
}

} // namespace pos::native
