#include "platform/memory.h"

#include <QtGlobal>

#include <cstdlib>
#include <new>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace pos {

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;

} // namespace

void *allocateLargeBlock(std::size_t bytes)
{
#ifdef Q_OS_LINUX
    if (bytes >= kLargePage) {
        const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        if (void *block = std::aligned_alloc(kLargePage, rounded)) {
            ::madvise(block, rounded, MADV_HUGEPAGE);
            return block;
        }
        throw std::bad_alloc();
    }
#endif
    if (void *block = std::malloc(bytes > 0 ? bytes : 1))
        return block;
    throw std::bad_alloc();
}

void freeLargeBlock(void *block) noexcept
{
    std::free(block);
}

} // namespace pos
