#pragma once
// Millisecond clocks. timeGetTime wraps after 49.7 days like its namesake;
// MillisecondClock is the same monotonic clock as a double that never wraps,
// for frame timing over long sessions.
#include "WinTypes.h"

DWORD timeGetTime();
DWORD GetTickCount();
double MillisecondClock();
void Sleep(DWORD milliseconds);
