#pragma once
// The GPS receiver's NMEA 0183 reader: takes the observer's place from the
// fix sentence ("$GPGGA", or "$GNGGA" from multi-constellation receivers)
// and the small conversions of the GPS dialog.
#include "CString.h"
#include "SerialPort.h"

// DD.MMmmmm (whole degrees, then minutes as the first two decimals) to degrees.
double DegreesMinutesToDegrees(double x);

struct GpsPlace {
  double latitude = 0.0;       // radians, north positive
  double westLongitude = 0.0;  // radians, positive west
  double elevation = 0.0;      // metres
};

enum class GpsPollResult {
  Nothing,     // nothing usable: place and fix flag stay as they are
  Fix,         // the place was set: the fix is valid
  NoFix,       // the receiver has no fix, or its place is out of range: clear the flag, keep the place
  GaveUp,      // more than 10 reads and none held "GA": tell the user and switch the GPS off
};

// One reader lives for the whole run: its two counters (reads taken, reads
// holding "GA") are reset only when it gives up.
class GpsReceiverReader {
 public:
  // Reads what the receiver queued when there is more than 200 bytes
  // (at most kMaxRead of it; the rest waits for the next poll). A fix
  // sentence counts only when its checksum is right and another sentence
  // follows it in the same read.
  GpsPollResult Poll(CSerialPort& port, GpsPlace& place);
  // The same on bytes already read (counts as one read).
  GpsPollResult Parse(const char* text, int length, GpsPlace& place);
  GpsPollResult CheckGiveUp();

  static constexpr int kMaxRead = 2048;
  int m_reads = 0;
  int m_readsWithGa = 0;
};

// True when `sentence` ("$...*hh", without line end) carries a right checksum.
bool NmeaChecksumValid(const char* sentence, int length);

// GPS dialog conversions.
int GpsSpeedIndexFromBaudRate(int baudRate);
int GpsBaudRateFromSpeedIndex(int index);
// The last of the numbers 1 to 20 whose digits occur in the text ("COM12"
// gives 12); `previous` when none does.
int GpsPortNumberFromText(const CString& text, int previous);
// 1 "N", 2 "E", 3 "O", the last match winning; `previous` when none.
int GpsParityCodeFromText(const CString& text, int previous);
