#pragma once
// Services of the internet commands that the per-frame refreshes use.
#include <atomic>

#include "UiDefs.h"

// The weekly question: true when the user answered Yes and the connection
// test succeeds; `disableAutomatic` tells whether the user ticked
// "Disable the automatic update function", whatever the answer.
bool AskElementUpdate(const CString& installFolder, bool& disableAutomatic);

// The endpoints file of the install folder replaces the built-in hosts (once).
void LoadInstallEndpoints(const CString& installFolder);
// One foreground download at a time: false when another one runs.
bool BeginForegroundDownload();
void EndForegroundDownload();
// Set by the program's shutdown: transfers end at once.
extern std::atomic<bool> g_internetShutdown;
