#pragma once
// Services of the internet commands that the per-frame refreshes use.
#include "UiDefs.h"

// The weekly question: true when the user answered Yes and the connection
// test succeeds; `disableAutomatic` tells whether the user ticked
// "Disable the automatic update function", whatever the answer.
bool AskElementUpdate(const CString& installFolder, bool& disableAutomatic);

// Reads the install folder's endpoints file once, over the built-in hosts.
void LoadInstallEndpoints(const CString& installFolder);
