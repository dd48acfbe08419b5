#pragma once
// System colours in the shape the program uses for night vision. They are a
// process-wide table: setting them recolours the program's own windows (the
// listener below), never the desktop's.
#include "WinTypes.h"

constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;
constexpr int kSysColorCount = 31;

COLORREF GetSysColor(int element);
// Sets `count` elements at once; FALSE when an element is out of range (then nothing changes).
BOOL SetSysColors(int count, const int* elements, const COLORREF* colors);
// Called after every successful SetSysColors (the window layer applies them).
void SetSysColorsListener(void (*listener)());
