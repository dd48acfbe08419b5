#!/usr/bin/python3
"""Writes the reference place the comet test compares with: the topocentric
apparent right ascension and declination (true equator and equinox of date)
of 12P/Pons-Brooks on 2024-04-01, computed by an independent ephemeris, the
Swiss Ephemeris (program swetest, package swetest; Earth from
swe-standard-data), from the orbit written into the generated cometes.dat.

swetest places a body of given osculating elements as a "fictitious" body of
its elements file seorbel.txt: the script writes one in a temporary folder
beside links to the package's ephemeris files.

Run once by hand after the generated element files change; the output is
committed (tests/sky/data/comet_reference.txt) so the build and the tests
never need swetest.

Usage: make_comet_reference.py <install folder>/donnees/cometes.dat <output.txt>
"""
import os
import shutil
import subprocess
import sys
import tempfile

EPHEMERIS = '/usr/share/libswe/ephe'
COMET = '12P/Pons-Brooks'
# 2024-04-01 0h UT, and an observer in Paris (east longitude, latitude, metres).
INSTANT_JD_UT = 2460401.5
OBSERVER = (2.3522, 48.8566, 35.0)


def julian_date(y, m, d):
    if m <= 2:
        y, m = y - 1, m + 12
    a = y // 100
    b = 2 - a + a // 4
    return int(365.25 * (y + 4716)) + int(30.6001 * (m + 1)) + d + b - 1524.5


def comet_elements(path):
    """Perihelion JD, q, e, argument of perihelion, node, inclination of the comet's line."""
    with open(path, encoding='cp1252') as f:
        for line in f:
            if line[:45].strip() != COMET:
                continue
            packed, q, e, peri, node, incl = (float(v) for v in line[45:].split()[:6])
            ymd = int(packed)
            jd = julian_date(ymd // 10000, ymd // 100 % 100, ymd % 100 + (packed - ymd))
            return jd, q, e, peri, node, incl
    sys.exit('%s is not in %s' % (COMET, path))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    if shutil.which('swetest') is None:
        sys.exit('swetest is missing: install the Debian package swetest')
    if not os.path.exists(os.path.join(EPHEMERIS, 'sepl_18.se1')):
        sys.exit('the Swiss Ephemeris files are missing: install the Debian package swe-standard-data')
    tp, q, e, peri, node, incl = comet_elements(sys.argv[1])
    with tempfile.TemporaryDirectory() as folder:
        for name in os.listdir(EPHEMERIS):
            if name != 'seorbel.txt':
                os.symlink(os.path.join(EPHEMERIS, name), os.path.join(folder, name))
        # Epoch, equinox, mean anomaly, semi-major axis, e, peri, node, inclination, name.
        with open(os.path.join(folder, 'seorbel.txt'), 'w') as f:
            f.write('%.6f, J2000, 0.0, %.10f, %.8f, %.6f, %.6f, %.6f, 12P\n' % (tp, q / (1 - e), e, peri, node, incl))
        lon, lat, elevation = OBSERVER
        result = subprocess.run(['swetest', '-edir' + folder, '-eswe', '-bj%.6f' % INSTANT_JD_UT, '-ut', '-pz', '-xz1',
                                 '-fPadR', '-head', '-topo%.4f,%.4f,%.1f' % (lon, lat, elevation)],
                                capture_output=True, text=True, check=True)
    fields = result.stdout.split()
    ra, dec, distance = (float(v) for v in fields[-3:])
    lines = ['# Topocentric apparent place (true equator and equinox of date) of %s from the' % COMET,
             '# Swiss Ephemeris (swetest, Earth from swe-standard-data) for the orbit of the generated',
             '# cometes.dat: perihelion JD %.4f TT, q %.6f AU, e %.6f, peri %.4f, node %.4f, i %.4f' %
             (tp, q, e, peri, node, incl),
             '# written by tools/cometfixture/make_comet_reference.py.',
             '# name | ut_julian_date east_longitude latitude elevation_m ra_deg dec_deg distance_au',
             '%s | %.6f %.4f %.4f %.1f %.7f %.7f %.9f' % (COMET, INSTANT_JD_UT, lon, lat, elevation, ra, dec, distance)]
    with open(sys.argv[2], 'w') as f:
        f.write('\n'.join(lines) + '\n')
    print('\n'.join(lines))


if __name__ == '__main__':
    main()
