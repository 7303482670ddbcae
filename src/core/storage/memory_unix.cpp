#include "core/storage/memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

namespace pos {

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;

} // namespace

void *allocateLargeBlock(std::size_t bytes)
{
    if (bytes >= kLargePage) {
        const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        if (void *block = std::aligned_alloc(kLargePage, rounded)) {
            ::madvise(block, rounded, MADV_HUGEPAGE);
            return block;
        }
        throw std::bad_alloc();
    }
    if (void *block = std::malloc(bytes > 0 ? bytes : 1))
        return block;
    throw std::bad_alloc();
}

void freeLargeBlock(void *block) noexcept
{
    std::free(block);
}

double peakResidentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

} // namespace pos
