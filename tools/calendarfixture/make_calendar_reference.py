#!/usr/bin/python3
"""Writes the reference instants the events calendar's year test compares
with: every least or greatest value and every disc contact the calendar
reports, for one year at one place, from an independent ephemeris: the Swiss
Ephemeris (program swetest, package swetest; its files from
swe-standard-data, based on JPL's DE431).

The quantities are the calendar's own definitions, computed from the Swiss
Ephemeris's places:
- pair: least flat separation (right-ascension difference folded into
  [0, 180], declination difference, no cosine) of two topocentric apparent
  places, Mercury, Venus, Mars, Jupiter, Saturn and the Moon; below 10.5 deg;
- elongation: greatest geocentric apparent ecliptic-longitude difference of
  Mercury or Venus to the Sun;
- perihelion, aphelion: least and greatest geometric Earth-Sun distance;
- nearest: least geocentric (light-time) distance of a planet or Pluto;
- occultation_begin/end: the topocentric true separation of a body's centre
  from the Moon's crossing the Moon's topocentric radius (1737.4 km);
- solar_begin/end: the Sun-Moon topocentric separation crossing the sum of
  the radii; solar_max: its least value while the discs overlap;
- lunar_max: least geocentric distance of the Moon from the anti-Sun while
  the Moon's disc reaches into the umbra (its radius 1.02 x (Moon's
  parallax + Sun's parallax - Sun's radius)).

Run once by hand; the output is committed (tests/info/data/
calendar_reference_madrid_2026.txt) so the build and the tests never need
swetest.

Usage: make_calendar_reference.py <output.txt>
"""
import math
import os
import shutil
import subprocess
import sys

EPHEMERIS = '/usr/share/libswe/ephe'
SITE = ('Madrid', -3.7038, 40.4168, 667.0)  # east longitude, latitude (deg), elevation (m)
YEAR = 2026
START = 2461039.5   # 2025-12-30 00:00 UT: the warm-up day of January and a margin
END = 2461408.5     # 2027-01-03 00:00 UT
COARSE = 10         # minutes between the samples of the scan
FINE = 10           # seconds between the samples around a candidate
WINDOW = 40         # minutes each side of a candidate

# Our body numbers and swetest's codes.
CODES = {0: '0', 1: '2', 2: '3', 4: '4', 5: '5', 6: '6', 7: '7', 8: '8', 9: '9', 10: '1'}
NAMES = {0: 'Sun', 1: 'Mercury', 2: 'Venus', 4: 'Mars', 5: 'Jupiter', 6: 'Saturn', 7: 'Uranus',
         8: 'Neptune', 9: 'Pluto', 10: 'Moon'}
BODIES = [0, 1, 2, 4, 5, 6, 7, 8, 9, 10]
PAIRS = [(a, b) for a in (1, 2, 4, 5, 6) for b in (2, 4, 5, 6, 10) if b > a]
AU_KM = 149597870.7
MOON_RADIUS_KM = 1737.4
SUN_RADIUS_ARCSEC = 959.63


def swetest(jd, step, count, bodies, *options):
    """Samples of [values...] per body, `count` of them `step` seconds apart
    from jd: apparent places of date. swetest prints at most 36525 lines a
    call, so long runs are asked for in pieces."""
    per_call = 36000 // len(bodies)
    samples = []
    for first in range(0, count, per_call):
        n = min(per_call, count - first)
        arguments = ['swetest', '-edir' + EPHEMERIS, '-eswe', '-ut', '-head', '-ep',
                     '-bj%.8f' % (jd + first * step / 86400.0), '-n%d' % n, '-s%ds' % step,
                     '-p' + ''.join(CODES[b] for b in bodies)] + list(options)
        out = subprocess.run(arguments, capture_output=True, text=True, check=True).stdout.split('\n')
        rows = [list(map(float, line.split())) for line in out if line.strip()]
        if len(rows) != n * len(bodies):
            sys.exit('swetest gave %d rows for %d' % (len(rows), n * len(bodies)))
        samples += [{b: rows[i * len(bodies) + k] for k, b in enumerate(bodies)} for i in range(n)]
    return samples


def topocentric(jd, step, count, bodies):
    lon, lat, elevation = SITE[1:]
    return swetest(jd, step, count, bodies, '-fadR', '-topo%.4f,%.4f,%.1f' % (lon, lat, elevation))


def geocentric(jd, step, count, bodies):
    return swetest(jd, step, count, bodies, '-fladR')


def fold(a):
    a = a % 360.0
    return 360.0 - a if a > 180.0 else a


def flat(p, q):
    dra, ddec = fold(p[0] - q[0]), p[1] - q[1]
    return math.hypot(dra, ddec)


def true_separation(ra1, dec1, ra2, dec2):
    r = math.radians
    c = (math.sin(r(dec1)) * math.sin(r(dec2)) + math.cos(r(dec1)) * math.cos(r(dec2)) * math.cos(r(ra1 - ra2)))
    return math.degrees(math.acos(max(-1.0, min(1.0, c))))


def moon_radius(distance_au):
    return math.degrees(math.asin(MOON_RADIUS_KM / (distance_au * AU_KM)))


def sun_radius(distance_au):
    return SUN_RADIUS_ARCSEC / 3600.0 / distance_au


def umbra(moon_distance_au, sun_distance_au):
    moon_parallax = math.asin(6378.137 / (moon_distance_au * AU_KM))
    sun_parallax = math.radians(8.794 / 3600.0) / sun_distance_au
    return 1.02 * (math.degrees(moon_parallax + sun_parallax) - sun_radius(sun_distance_au))


# Each quantity: (name, bodies, topocentric?, function of one sample).
def quantities():
    q = []
    for a, b in PAIRS:
        q.append(('pair %s %s' % (NAMES[a], NAMES[b]), [a, b], True, lambda s, a=a, b=b: flat(s[a], s[b])))
    for b in (1, 2):
        q.append(('elongation %s' % NAMES[b], [0, b], False, lambda s, b=b: -fold(s[b][0] - s[0][0])))
    for b in (1, 2, 4, 5, 6, 7, 8, 9):
        q.append(('nearest %s' % NAMES[b], [b], False, lambda s, b=b: s[b][3]))
    return q


def distance(jd, step, count, bodies):
    """The geometric Earth-Sun distance (no light time) as sample [0][3]."""
    return [{0: [0.0, 0.0, 0.0, s[0][0]]} for s in swetest(jd, step, count, [0], '-true', '-fR')]


def refine(name, bodies, sampler, f, jd):
    """Instant and value of the least value of f near jd, to a few seconds."""
    count = 2 * WINDOW * 60 // FINE + 1
    start = jd - WINDOW / 1440.0
    if sampler is True:
        sampler = topocentric
    elif sampler is False:
        sampler = geocentric
    samples = sampler(start, FINE, count, bodies)
    values = [f(s) for s in samples]
    i = min(range(count), key=lambda k: values[k])
    if i == 0 or i == count - 1:
        return None
    a, b, c = values[i - 1], values[i], values[i + 1]
    shift = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c != 0 else 0.0
    t = start + (i + shift) * FINE / 86400.0
    return t, b


def crossings(g, bodies, jd, minutes):
    """Instants where g (a sample's separation less the contact distance)
    changes sign within `minutes` after jd."""
    count = minutes * 60 // FINE + 1
    samples = topocentric(jd, FINE, count, bodies)
    values = [g(s) for s in samples]
    found = []
    for i in range(1, count):
        if (values[i - 1] > 0) != (values[i] > 0):
            t = jd + (i - 1 + values[i - 1] / (values[i - 1] - values[i])) * FINE / 86400.0
            found.append((t, 'begin' if values[i] <= 0 else 'end'))
    return found


def main():
    if shutil.which('swetest') is None:
        sys.exit('swetest is missing: install the Debian package swetest')
    if not os.path.exists(os.path.join(EPHEMERIS, 'sepl_18.se1')):
        sys.exit('the Swiss Ephemeris files are missing: install the Debian package swe-standard-data')
    out = sys.argv[1]
    count = int(round((END - START) * 1440 / COARSE))
    step = COARSE * 60
    topo = topocentric(START, step, count, BODIES)
    geo = geocentric(START, step, count, BODIES)
    earth = [s[0][3] for s in distance(START, step, count, [0])]
    jd = [START + i * COARSE / 1440.0 for i in range(count)]
    events = []

    for name, bodies, on_site, f in quantities():
        values = [f(s) for s in (topo if on_site else geo)]
        for i in range(1, count - 1):
            if values[i] < values[i - 1] and values[i] <= values[i + 1]:
                if name.startswith('pair') and values[i] > 10.5:
                    continue
                r = refine(name, bodies, on_site, f, jd[i])
                if r is None:
                    continue
                t, v = r
                if name.startswith('elongation'):
                    if -v < 10.0:
                        continue
                    kind, body = name.split()
                    events.append((t, 'elongation', body, -v))
                elif name.startswith('pair'):
                    _, a, b = name.split()
                    # How deep the least value lies: the smaller rise to the
                    # greatest value within twelve hours on either side.
                    span = 12 * 60 // COARSE
                    depth = min(max(values[max(0, i - span):i + 1]), max(values[i:i + span + 1])) - values[i]
                    events.append((t, 'pair', a + ' ' + b, v, depth))
                else:
                    events.append((t, 'nearest', name.split()[1], v))

    # The Earth's distance to the Sun.
    for i in range(1, count - 1):
        for sign, kind in ((1, 'perihelion'), (-1, 'aphelion')):
            a, b, c = sign * earth[i - 1], sign * earth[i], sign * earth[i + 1]
            if b < a and b <= c:
                r = refine(kind, [0], distance, lambda s: sign * s[0][3], jd[i])
                if r:
                    events.append((r[0], kind, '-', sign * r[1]))

    # Contacts of the Moon's disc with the bodies' centres and with the Sun's
    # disc: scanned where the Moon comes within half a degree of contact.
    def contact(body):
        if body == 0:
            return lambda s: true_separation(s[0][0], s[0][1], s[10][0], s[10][1]) - moon_radius(s[10][2]) - sun_radius(s[0][2])
        return lambda s: true_separation(s[body][0], s[body][1], s[10][0], s[10][1]) - moon_radius(s[10][2])

    for body in (0, 1, 2, 4, 5, 6, 7, 8, 9):
        g = contact(body)
        values = [g(s) for s in topo]
        i = 0
        while i < count:
            if values[i] < 0.5:
                first = max(0, i - 6)
                last = i
                while last < count and values[last] < 0.5:
                    last += 1
                window = (last - first + 6) * COARSE
                for t, side in crossings(g, [body, 10], jd[first], window):
                    kind = ('solar_' if body == 0 else 'occultation_') + side
                    events.append((t, kind, NAMES[body] if body else '-', 0.0))
                if body == 0 and min(values[first:last]) < 0.0:
                    r = refine('solar', [0, 10], True, lambda s: true_separation(s[0][0], s[0][1], s[10][0], s[10][1]),
                               jd[first + values[first:last].index(min(values[first:last]))])
                    if r:
                        events.append((r[0], 'solar_max', '-', r[1]))
                i = last + 1
            else:
                i += 1

    # Lunar eclipses: the Moon's geocentric distance from the anti-Sun.
    def shadow(s):
        return true_separation(s[0][1] + 180.0, -s[0][2], s[10][1], s[10][2])

    values = [shadow(s) for s in geo]
    for i in range(1, count - 1):
        if values[i] < values[i - 1] and values[i] <= values[i + 1] and values[i] < 2.0:
            r = refine('lunar', [0, 10], False, shadow, jd[i])
            if r and r[1] < umbra(geo[i][10][3], geo[i][0][3]) + moon_radius(geo[i][10][3]):
                events.append((r[0], 'lunar_max', '-', r[1]))

    events.sort()
    lines = ['# Reference instants of the events calendar at %s (east longitude %.4f, latitude %.4f,' % SITE[:3],
             '# %.0f m) for %d, from the Swiss Ephemeris (swetest with swe-standard-data, DE431);' % (SITE[3], YEAR),
             '# written by tools/calendarfixture/make_calendar_reference.py. UT Julian dates.',
             '# ut_julian_date kind bodies value [depth]: value is the least or greatest quantity',
             '# (degrees, AU), depth how far a pair\'s separation rises again within 12 h (degrees).']
    for e in events:
        t, kind, who, value = e[:4]
        extra = ' %.6f' % e[4] if len(e) > 4 else ''
        lines.append('%.7f %s %s %.7f%s' % (t, kind, who.replace(' ', ','), value, extra))
    with open(out, 'w') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
