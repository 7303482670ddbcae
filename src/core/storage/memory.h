#pragma once

#include <cstddef>

namespace pos {

// Memory for large arrays that live long (a report's columns over years of sales): where the
// system has large pages, a block of 2 MB or more is asked for in them, so that walking it
// costs fewer address translations. Throws std::bad_alloc when there is no memory.
void *allocateLargeBlock(std::size_t bytes);
void freeLargeBlock(void *block) noexcept;

// The most memory the process has held resident so far, in megabytes (its peak working set on
// Windows); 0 where the system does not tell.
double peakResidentMb();

} // namespace pos
