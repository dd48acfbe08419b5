#pragma once
// When the environment variable NUVARINE_STATUS_FILE names a file, the
// running program rewrites it a few times a second with its window title,
// frame counter, window states, the pop-up menus and dialogs open, and the
// first frame's result trail (for unattended checks of a running copy); it
// keeps doing so while menus and dialogs run.
void ReportRunStatus();
// In such runs message boxes are answered with their default button and
// recorded (caption and text) in the file.
void InstallUnattendedMessageBoxes();
// True in such runs: questions asked in dialogs of their own (not message
// boxes) are then not shown and count as declined, so nothing waits for a
// click that never comes.
bool RunningUnattended();
