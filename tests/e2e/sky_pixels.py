#!/usr/bin/python3
"""Checks a screenshot of the planetarium against the sky computed here.

usage: sky_pixels.py <status file> <screenshot .png> <latitude> <east longitude> <UTC instant> <check>...

Places come from astropy (apparent, refracted for 1013 hPa and 10 C); the
pixel of a place from the view-projection matrix and back buffer the program
writes in its status file, applied to the scene point of the place as the
program builds it (x = -cos h sin A, y = -sin h, z = cos h cos A, radius 2).

Checks:
  star:NAME:RA_DEG:DEC_DEG:COLOUR   a bright star at its pixel (+-3 px); COLOUR
                                    "blue" (B >= R), "neutral" (|R - B| <= 40)
                                    or "red" (R - B >= 50)
  stroke:RA1:DEC1:RA2:DEC2:RRGGBB   a line of that colour crosses the middle of
                                    the two stars' pixels
  circle:AZ_DEG:ALT_DEG:RRGGBB      a line of that colour passes through the pixel
"""
import math
import sys
import warnings

import numpy  # noqa: F401  (astropy needs it; a clear error if it is missing)
from PIL import Image

warnings.simplefilter("ignore")
from astropy import units as u  # noqa: E402
from astropy.coordinates import AltAz, EarthLocation, SkyCoord  # noqa: E402
from astropy.time import Time  # noqa: E402
from astropy.utils import iers  # noqa: E402

iers.conf.auto_download = False
iers.conf.iers_degraded_accuracy = "warn"


def status_values(path):
    values = {}
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            values[key] = value
    return values


def main():
    status = status_values(sys.argv[1])
    picture = Image.open(sys.argv[2]).convert("RGB")
    latitude, longitude = float(sys.argv[3]), float(sys.argv[4])
    when = Time(sys.argv[5], scale="utc")
    matrix = [float(v) for v in status["viewprojection"].split()]
    width, height = (float(v) for v in status["backbuffer"].split())
    if picture.size != (int(width), int(height)):
        print(f"screenshot {picture.size} is not the back buffer {width} x {height}")
        return 1
    frame = AltAz(obstime=when, location=EarthLocation(lat=latitude * u.deg, lon=longitude * u.deg, height=0 * u.m),
                  pressure=1013 * u.hPa, temperature=10 * u.deg_C, relative_humidity=0, obswl=0.55 * u.micron)

    def horizontal(ra, dec):
        place = SkyCoord(ra=ra * u.deg, dec=dec * u.deg, frame="icrs").transform_to(frame)
        return place.az.rad, place.alt.rad

    def pixel(azimuth, altitude):
        c = math.cos(altitude)
        p = (-c * math.sin(azimuth) * 2, -math.sin(altitude) * 2, c * math.cos(azimuth) * 2, 1.0)
        out = [sum(p[r] * matrix[r * 4 + k] for r in range(4)) for k in range(4)]
        if out[3] <= 0:
            return None
        return (out[0] / out[3] + 1) * width / 2, (1 - out[1] / out[3]) * height / 2

    def near(x, y, radius):
        for j in range(int(y) - radius, int(y) + radius + 1):
            for i in range(int(x) - radius, int(x) + radius + 1):
                if 0 <= i < width and 0 <= j < height:
                    yield picture.getpixel((i, j))

    failures = 0
    for check in sys.argv[6:]:
        kind, *fields = check.split(":")
        if kind == "star":
            name, ra, dec, colour = fields[0], float(fields[1]), float(fields[2]), fields[3]
            azimuth, altitude = horizontal(ra, dec)
            at = pixel(azimuth, altitude)
            if not at:
                print(f"{name}: behind the view")
                failures += 1
                continue
            brightest = max(near(at[0], at[1], 3), key=sum)
            r, g, b = brightest
            ok = max(brightest) >= 150
            if colour == "blue":
                ok = ok and b >= r
            elif colour == "neutral":
                ok = ok and abs(r - b) <= 40
            elif colour == "red":
                ok = ok and r - b >= 50
            print(f"{name}: altitude {math.degrees(altitude):.2f}, pixel ({at[0]:.1f}, {at[1]:.1f}),"
                  f" brightest {brightest} -> {'ok' if ok else 'FAIL'}")
            failures += 0 if ok else 1
        elif kind == "stroke":
            ra1, dec1, ra2, dec2 = (float(v) for v in fields[:4])
            want = tuple(int(fields[4][k:k + 2], 16) for k in (0, 2, 4))
            p1, p2 = pixel(*horizontal(ra1, dec1)), pixel(*horizontal(ra2, dec2))
            middle = ((p1[0] + p2[0]) / 2, (p1[1] + p2[1]) / 2)
            found = any(all(abs(c - w) <= 60 for c, w in zip(px, want)) for px in near(middle[0], middle[1], 2))
            print(f"stroke at ({middle[0]:.1f}, {middle[1]:.1f}) -> {'ok' if found else 'FAIL'}")
            failures += 0 if found else 1
        elif kind == "circle":
            azimuth, altitude = math.radians(float(fields[0])), math.radians(float(fields[1]))
            want = tuple(int(fields[2][k:k + 2], 16) for k in (0, 2, 4))
            at = pixel(azimuth, altitude)
            found = at is not None and any(all(abs(c - w) <= 60 for c, w in zip(px, want))
                                           for px in near(at[0], at[1], 2))
            print(f"circle at {at} -> {'ok' if found else 'FAIL'}")
            failures += 0 if found else 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
