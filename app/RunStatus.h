#pragma once
// When the environment variable NUVARINE_STATUS_FILE names a file, the
// running program rewrites it a few times a second with its window title,
// frame counter and window states (for unattended checks of a running copy).
void ReportRunStatus();
