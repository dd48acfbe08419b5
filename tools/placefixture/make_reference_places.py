#!/usr/bin/python3
"""Writes the reference places the planet library's accuracy tests compare
with: topocentric apparent right ascension and declination (true equator and
equinox of date) of the Sun, the Moon and the planets at a dozen instants
from 1900 to 2030 and several observers, from an independent high-precision
ephemeris: the Swiss Ephemeris (program swetest, package swetest; its files
from swe-standard-data, based on JPL's DE431).

Run once by hand; the output is committed (tests/orbicalc/data/
reference_places.txt) so the build and the tests never need swetest.

Usage: make_reference_places.py <output.txt>
"""
import os
import shutil
import subprocess
import sys

EPHEMERIS = '/usr/share/libswe/ephe'

# UT instants, as calendar dates for the reader, and Julian dates.
INSTANTS = [
    (1900, 3, 21, 6.5), (1912, 7, 4, 18.25), (1925, 11, 30, 2.75), (1937, 5, 12, 21.1666667),
    (1950, 1, 1, 0.0), (1962, 8, 8, 12.5666667), (1975, 2, 28, 4.3333333), (1987, 10, 10, 16.6666667),
    (1999, 12, 31, 23.9833333), (2010, 6, 21, 9.25), (2022, 11, 8, 10.9833333), (2030, 6, 1, 20.0),
]

# Observers: east longitude and latitude in degrees, elevation in metres.
OBSERVERS = [
    ('Paris', 2.3522, 48.8566, 35.0),
    ('Sydney', 151.2093, -33.8688, 58.0),
    ('Mauna Kea', -155.4681, 19.8207, 4205.0),
    ('Tromso', 18.9553, 69.6496, 10.0),
    ('Quito', -78.4678, -0.1807, 2850.0),
]

# swetest body codes in the library's row order: Sun, Mercury..Pluto, Moon.
BODIES = [(0, '0'), (1, '2'), (2, '3'), (4, '4'), (5, '5'), (6, '6'), (7, '7'), (8, '8'), (9, '9'), (10, '1')]


def julian_date(y, m, d, hours):
    if m <= 2:
        y, m = y - 1, m + 12
    a = y // 100
    b = 2 - a + a // 4
    return int(365.25 * (y + 4716)) + int(30.6001 * (m + 1)) + d + b - 1524.5 + hours / 24.0


def swetest(*arguments):
    result = subprocess.run(['swetest', '-edir' + EPHEMERIS, '-eswe', '-ep'] + list(arguments),
                            capture_output=True, text=True, check=True)
    return result.stdout.splitlines()


def main():
    if shutil.which('swetest') is None:
        sys.exit('swetest is missing: install the Debian package swetest')
    if not os.path.exists(os.path.join(EPHEMERIS, 'sepl_18.se1')):
        sys.exit('the Swiss Ephemeris files are missing: install the Debian package swe-standard-data')
    out = sys.argv[1]
    lines = ['# Topocentric apparent places (true equator and equinox of date) from the Swiss',
             '# Ephemeris (swetest with swe-standard-data, DE431), written by',
             '# tools/placefixture/make_reference_places.py.',
             '# ut_julian_date delta_t_seconds east_longitude latitude elevation_m row ra_deg dec_deg']
    for instant in INSTANTS:
        jd = julian_date(*instant)
        header = swetest('-bj%.9f' % jd, '-ut', '-p0', '-fPad')
        delta_t = next(float(l.split('delta t:')[1].split()[0]) for l in header if 'delta t:' in l)
        for name, lon, lat, elevation in OBSERVERS:
            codes = ''.join(code for _, code in BODIES)
            rows = swetest('-bj%.9f' % jd, '-ut', '-p' + codes, '-fPad', '-head',
                           '-topo%.4f,%.4f,%.1f' % (lon, lat, elevation))
            values = [l.split()[-2:] for l in rows if l.strip()]
            if len(values) != len(BODIES):
                sys.exit('unexpected swetest answer: %r' % rows)
            for (row, _), (ra, dec) in zip(BODIES, values):
                lines.append('%.9f %.6f %.4f %.4f %.1f %d %s %s' % (jd, delta_t, lon, lat, elevation, row, ra, dec))
    with open(out, 'w') as f:
        f.write('\n'.join(lines) + '\n')
    print('%d reference places written to %s' % (len(lines) - 4, out))


if __name__ == '__main__':
    main()
