#pragma once
// Replaces the movie save-options dialog (tests, unattended runs): the
// handler fills the options and returns TRUE, or FALSE for Cancel.
#include <functional>

#include "AviFile.h"

void SetAviSaveOptionsHandler(std::function<BOOL(AVICOMPRESSOPTIONS& options)> handler);
