#include "platform/memory.h"

#include <QtGlobal>

#include <cstdlib>
#include <new>

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <fstream>
#include <string>
#elif defined(Q_OS_WIN)
#include <windows.h>
#include <psapi.h>
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

double peakResidentMb()
{
#if defined(Q_OS_LINUX)
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
#elif defined(Q_OS_WIN)
    PROCESS_MEMORY_COUNTERS counters{};
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return double(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    return 0;
#else
    return 0;
#endif
}

} // namespace pos
