#!/usr/bin/python3
"""Astrometric places (ICRS) of comets and asteroids from their orbital
elements, by the two-body problem, independently of the program's planet
library: the Earth's place comes from astropy, the light time is taken into
account; the program's files give the elements.

usage: small_body_places.py <comet file> <asteroid file> <UTC instant> <name>...

Prints one line per name: the name's right ascension and declination in
degrees (ICRS) and its distance from the Earth in AU. A name is looked up
first among the comets (fixed columns), then among the asteroids ("name|"
then the fields).
"""
import math
import sys
import warnings

warnings.simplefilter("ignore")
from astropy import units as u  # noqa: E402
from astropy.coordinates import get_body_barycentric  # noqa: E402
from astropy.time import Time  # noqa: E402
from astropy.utils import iers  # noqa: E402

iers.conf.auto_download = False
iers.conf.iers_degraded_accuracy = "warn"

GAUSS = 0.01720209895          # rad/day
OBLIQUITY = math.radians(23.4392911)  # J2000
LIGHT_DAYS_PER_AU = 0.0057755183


def packed_date(value):
    """YYYYMMDD.ddd as a Julian day."""
    whole = int(value)
    year, month, day = whole // 10000, whole // 100 % 100, whole % 100 + (value - whole)
    return Time(f"{year:04d}-{month:02d}-01T00:00:00", scale="tt").jd + day - 1


def comets(path):
    out = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if len(line) < 110:
                continue
            name = line[:39].rstrip()
            out[name] = dict(kind="comet", tp=packed_date(float(line[45:59])), q=float(line[60:70]),
                             e=float(line[71:80]), w=float(line[81:90]), node=float(line[91:100]),
                             i=float(line[101:110]))
    return out


def asteroids(path):
    out = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            line = line.rstrip("\r\n").lstrip(" ")
            if "|" not in line:
                continue
            name, fields = line.split("|", 1)
            out[name.rstrip()[:20]] = dict(kind="asteroid", epoch=packed_date(float(fields[0:14].replace(" ", ""))),
                                           e=float(fields[15:25]), a=float(fields[26:34]), i=float(fields[35:43]),
                                           node=float(fields[44:53]), w=float(fields[54:63]), m=float(fields[70:80]))
    return out


def heliocentric(el, jd):
    """Ecliptic J2000 heliocentric place (AU) of an elliptic orbit at the TT Julian day."""
    e = el["e"]
    if el["kind"] == "comet":
        a = el["q"] / (1 - e)
        mean = GAUSS / a ** 1.5 * (jd - el["tp"])
    else:
        a = el["a"]
        mean = math.radians(el["m"]) + GAUSS / a ** 1.5 * (jd - el["epoch"])
    mean = math.remainder(mean, 2 * math.pi)
    ecc = mean
    for _ in range(100):
        ecc -= (ecc - e * math.sin(ecc) - mean) / (1 - e * math.cos(ecc))
    x, y = a * (math.cos(ecc) - e), a * math.sqrt(1 - e * e) * math.sin(ecc)
    w, node, inc = (math.radians(el[k]) for k in ("w", "node", "i"))
    cw, sw, cn, sn, ci, si = math.cos(w), math.sin(w), math.cos(node), math.sin(node), math.cos(inc), math.sin(inc)
    px, py, pz = cn * cw - sn * sw * ci, sn * cw + cn * sw * ci, sw * si
    qx, qy, qz = -cn * sw - sn * cw * ci, -sn * sw + cn * cw * ci, cw * si
    return x * px + y * qx, x * py + y * qy, x * pz + y * qz


def equatorial(v):
    x, y, z = v
    c, s = math.cos(OBLIQUITY), math.sin(OBLIQUITY)
    return x, y * c - z * s, y * s + z * c


def main():
    elements = asteroids(sys.argv[2])
    elements.update(comets(sys.argv[1]))
    when = Time(sys.argv[3], scale="utc")
    earth = get_body_barycentric("earth", when).xyz.to(u.au).value
    sun = get_body_barycentric("sun", when).xyz.to(u.au).value
    earth = [earth[k] - sun[k] for k in range(3)]
    for name in sys.argv[4:]:
        el = elements.get(name)
        if el is None:
            print(f"{name}: not in the files", file=sys.stderr)
            return 1
        delay = 0.0
        for _ in range(3):
            body = equatorial(heliocentric(el, when.tt.jd - delay))
            d = [body[k] - earth[k] for k in range(3)]
            distance = math.sqrt(sum(c * c for c in d))
            delay = distance * LIGHT_DAYS_PER_AU
        ra = math.degrees(math.atan2(d[1], d[0])) % 360.0
        dec = math.degrees(math.asin(d[2] / distance))
        print(f"{ra:.6f} {dec:.6f} {distance:.6f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
