#include "core/storage/memory.h"

#include <windows.h>
#include <psapi.h>

#include <cstdlib>
#include <new>

namespace pos {

void *allocateLargeBlock(std::size_t bytes)
{
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
    PROCESS_MEMORY_COUNTERS counters{};
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return double(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    return 0;
}

} // namespace pos
