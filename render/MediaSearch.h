#pragma once
// Small helpers shared across the program: finding a media file (texture,
// mesh) by its designed name, string values of an open registry-store key,
// bounded string copies and the process-wide timer on the monotonic clock.
#include <string>

#include "Registry.h"
#include "d3d9.h"

// Resolves a designed name ("Textures\Lens.tga") into `out`: the full path
// when it exists, else the bare file name when that exists in the current
// directory; else file not found (0x80070002) with the given name in `out`.
// E_INVALIDARG for null arguments or outLength below 1, E_FAIL when the full
// path does not fit.
HRESULT FindMediaFile(const char* name, char* out, int outLength);
// The same without a length limit: a path of any length is found.
HRESULT FindMediaFile(const char* name, std::string& out);
// There is no SDK media folder here: E_INVALIDARG for a null buffer or a
// length below 1, else E_FAIL with `out` empty.
HRESULT GetSdkMediaPath(char* out, int outLength);

// Reads a string value into `out` (always terminated); a value that cannot
// be read, or does not fit, gives `defaultText` (bounded). S_OK when the value
// was read, E_FAIL when the default was copied, E_INVALIDARG for a null buffer.
HRESULT ReadRegistryString(const CRegKey& key, const char* valueName, char* out, int outLength,
                           const char* defaultText);
// Writes the text as a string value: S_OK, E_INVALIDARG (null text) or E_FAIL.
HRESULT WriteRegistryString(CRegKey& key, const char* valueName, const char* text);
// Copies at most outLength characters and terminates at outLength - 1.
HRESULT CopyStringBounded(const char* source, char* out, int outLength);

enum TimerCommand {
  TIMER_RESET = 0,
  TIMER_START = 1,
  TIMER_STOP = 2,
  TIMER_ADVANCE = 3,
  TIMER_ABSOLUTE_TIME = 4,
  TIMER_APP_TIME = 5,
  TIMER_ELAPSED_TIME = 6,
};
// Applies a command to the process-wide timer; the result in seconds (-1 for
// an unknown command).
double ApplyTimerCommand(TimerCommand command);
// The timer's clock in seconds (null: the monotonic clock); tests give their own.
void SetTimerClock(double (*seconds)());
