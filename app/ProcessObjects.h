#pragma once
// Process-wide objects of the application, constructed before the entry
// point in the order they are declared here and destroyed after it.
#include "CString.h"
#include "File.h"

class CNuvarine2App;

extern CNuvarine2App g_app;
extern CFile g_telescopeLog;
extern BOOL g_telescopeLogOpen;
constexpr int kBodyNameCount = 81;
extern CString g_bodyNames[kBodyNameCount];
extern CString g_weekdayNames[7];  // index 0 is Saturday
extern CString g_monthNames[12];
extern CString g_greekLetterNames[24];
// The LX200 serial settings and the display lists of comets and asteroids
// are declared with the settings (ViewSettings.h).

// ---- Telescope log ("telescope.log" in the install folder) ------------------
// Opens the log for appending, creating it when missing; a log longer than
// 10000 bytes is emptied and writing starts again at its beginning.
// Returns g_telescopeLogOpen.
BOOL OpenTelescopeLog(const CString& installFolder);
// Appends one piece when the log is open.
void WriteTelescopeLog(const char* piece);
void CloseTelescopeLog();
