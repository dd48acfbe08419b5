#pragma once
// The largest single allocation through operator new while watching: the
// program linking AllocationWatch.cpp replaces the global operator new.
#include <cstddef>

void StartAllocationWatch();
// Stops watching; the largest size requested since the start.
size_t StopAllocationWatch();
