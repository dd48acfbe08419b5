#!/usr/bin/python3
"""Writes the planet library's TT - UT table as a C++ source file.

Sources (all from Debian packages, read at build time):
  * python3-astropy: the IERS EOP C04 series (UT1-UTC, daily since 1962) and
    the leap-second file (TAI-UTC since 1972). Before 1972 UTC ran with
    drifting offsets; TAI-UTC for 1962-1971 comes from ERFA's table of them
    (python3-erfa, which astropy depends on).
    Observed TT - UT1 = 32.184 s + (TAI-UTC) - (UT1-UTC).
  * python3-skyfield: the historic table of Delta T (1657-1984, half-yearly)
    and the Stephenson-Morrison-Hohenkerk (2016, 2020 update) splines that
    reach back to -720.
Outside the record: the long-term parabola -20 + 32 u^2, u = (year - 1820)/100,
joined to the first value with an offset that fades over a millennium, and
after the last observed day the last level and rate, eased into the parabola
over a few decades (the library does the blend). Every join is continuous.

Usage: make_deltat.py <astropy iers data folder> <skyfield data folder> <output.cpp>
"""
import sys

import erfa
import numpy as np

J2000 = 2451545.0
YEAR = 365.25
HALF_YEAR = 182.625
OBSERVED_STEP = 8.0            # days between samples of the observed record
RATE_SPAN = 730.0              # days of record behind the final rate
JOIN_YEARS = 50.0              # from the last observation to the parabola
ANCIENT_FADE_YEARS = 1000.0    # the parabola's offset fades over this span


def year_of(jd):
    return 2000.0 + (jd - J2000) / YEAR


def parabola(year):
    u = (year - 1820.0) / 100.0
    return -20.0 + 32.0 * u * u


def read_eop(path):
    mjd, dut = [], []
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) < 7 or not fields[0].isdigit() or len(fields[0]) != 4:
                continue
            mjd.append(float(fields[3]))
            dut.append(float(fields[6]))
    return np.array(mjd), np.array(dut)


def read_leap_seconds(path):
    table = []
    with open(path) as f:
        for line in f:
            if line.lstrip().startswith('#') or not line.strip():
                continue
            fields = line.split()
            table.append((float(fields[0]), float(fields[4])))
    return table


def tai_minus_utc(mjd, leaps):
    if mjd >= leaps[0][0]:
        value = leaps[0][1]
        for start, seconds in leaps:
            if mjd >= start:
                value = seconds
        return value
    # Before 1972: ERFA's table of the drifting offsets.
    iy, im, iday, fd = erfa.jd2cal(2400000.5, mjd)
    return float(erfa.dat(int(iy), int(im), int(iday), float(fd)))


class S15:
    def __init__(self, table):
        self.t = table

    def __call__(self, year):
        i = int(np.searchsorted(self.t[1], year, side='right'))
        i = min(max(i, 0), self.t.shape[1] - 1)
        y0, y1, a3, a2, a1, a0 = self.t[:, i]
        x = (year - y0) / (y1 - y0)
        return a0 + x * (a1 + x * (a2 + x * a3))


def main():
    iers, skyfield, out = sys.argv[1:4]
    mjd, dut = read_eop(iers + '/eopc04_IAU2000.62-now')
    leaps = read_leap_seconds(iers + '/Leap_Second.dat')
    observed = np.array([32.184 + tai_minus_utc(m, leaps) - d for m, d in zip(mjd, dut)])
    s15 = S15(np.load(skyfield + '/delta_t.npz')['Table-S15.2020.txt'])
    hist_jd, hist_dt = np.load(skyfield + '/historic_deltat.npy')

    def historic(jd):
        return float(np.interp(jd, hist_jd, hist_dt))

    # Before 1962: the splines up to the start of the tabulated record, then
    # a blend into the table over its first, least certain, decades.
    blend_start, blend_end = hist_jd[0], hist_jd[0] + 43 * YEAR

    def before_record(jd):
        y = year_of(jd)
        if jd < blend_start:
            return s15(y)
        if jd >= blend_end:
            return historic(jd)
        w = (jd - blend_start) / (blend_end - blend_start)
        return (1 - w) * s15(y) + w * historic(jd)

    record_start = 2400000.5 + mjd[0]
    first_year = float(np.min(s15.t[0]))
    count = int(np.ceil((record_start - (J2000 + (first_year - 2000.0) * YEAR)) / HALF_YEAR))
    early_start = record_start - count * HALF_YEAR
    early = [before_record(early_start + i * HALF_YEAR) for i in range(count + 1)]

    # The observed record, sampled every few days, eased in from the table
    # over its first two years (they differ by a few hundredths of a second).
    samples = int((mjd[-1] - mjd[0]) // OBSERVED_STEP) + 1
    grid = mjd[0] + OBSERVED_STEP * np.arange(samples)
    record = np.interp(grid, mjd, observed)
    ease_days = 2 * YEAR
    for i, m in enumerate(grid):
        age = m - mjd[0]
        if age < ease_days:
            w = age / ease_days
            record[i] = w * record[i] + (1 - w) * historic(2400000.5 + m)

    # Level and rate at the end of the record: a straight line through its
    # last two years of daily values.
    tail = mjd >= grid[-1] - RATE_SPAN
    rate, _ = np.polyfit(mjd[tail] - grid[-1], observed[tail], 1)
    level = record[-1]

    early_value = early[0]
    ancient_offset = early_value - parabola(year_of(early_start))

    with open(out, 'w') as f:
        f.write('// Generated by tools/planettables/make_deltat.py: do not edit.\n')
        f.write('#include "DeltaTTable.h"\n\nnamespace orbicalc {\n\n')
        f.write('const double kDeltaTEarlyStart = %.6f;\n' % early_start)
        f.write('const double kDeltaTEarlyStep = %.6f;\n' % HALF_YEAR)
        f.write('const int kDeltaTEarlyCount = %d;\n' % len(early))
        f.write('const double kDeltaTEarly[] = {\n')
        for i in range(0, len(early), 6):
            f.write('  ' + ', '.join('%.4f' % v for v in early[i:i + 6]) + ',\n')
        f.write('};\n\n')
        f.write('const double kDeltaTRecordStart = %.6f;\n' % (2400000.5 + grid[0]))
        f.write('const double kDeltaTRecordStep = %.6f;\n' % OBSERVED_STEP)
        f.write('const int kDeltaTRecordCount = %d;\n' % len(record))
        f.write('const double kDeltaTRecord[] = {\n')
        for i in range(0, len(record), 6):
            f.write('  ' + ', '.join('%.5f' % v for v in record[i:i + 6]) + ',\n')
        f.write('};\n\n')
        f.write('const double kDeltaTFinalRate = %.9f;  // seconds per day\n' % rate)
        f.write('const double kDeltaTJoinYears = %.1f;\n' % JOIN_YEARS)
        f.write('const double kDeltaTAncientOffset = %.4f;\n' % ancient_offset)
        f.write('const double kDeltaTAncientFadeYears = %.1f;\n' % ANCIENT_FADE_YEARS)
        f.write('\n}  // namespace orbicalc\n')
    print('Delta T: %d half-yearly values from %.1f, %d observed from %.1f to %.3f (level %.3f s, rate %.4f s/yr)'
          % (len(early), year_of(early_start), len(record), year_of(2400000.5 + grid[0]),
             year_of(2400000.5 + grid[-1]), level, rate * YEAR))


if __name__ == '__main__':
    main()
