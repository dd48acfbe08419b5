#pragma once
// The generated TT - UT table (build/orbicalc/DeltaTTable.cpp, written by
// tools/planettables/make_deltat.py from the observed record).
namespace orbicalc {

// Half-yearly values (seconds) from -720 to the start of the observed record;
// times are Julian dates.
extern const double kDeltaTEarlyStart;
extern const double kDeltaTEarlyStep;
extern const int kDeltaTEarlyCount;
extern const double kDeltaTEarly[];

// The observed record (1962 onwards), sampled every few days.
extern const double kDeltaTRecordStart;
extern const double kDeltaTRecordStep;
extern const int kDeltaTRecordCount;
extern const double kDeltaTRecord[];

extern const double kDeltaTFinalRate;        // seconds per day at the end of the record
extern const double kDeltaTJoinYears;        // years from the end of the record to the parabola
extern const double kDeltaTAncientOffset;    // first tabulated value minus the parabola there
extern const double kDeltaTAncientFadeYears;  // span over which that offset fades out

}  // namespace orbicalc
