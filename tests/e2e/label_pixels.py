#!/usr/bin/python3
"""Checks the names and labels of the planetarium sky in two screenshots of
the same instant: one with the names (and the grid, equator and ecliptic that
carry labels) on, one with all of them off.

usage: label_pixels.py <status file> <names on .png> <names off .png> <latitude> <east longitude>
                       <UTC instant> <check>...

Each kind of label is drawn in a colour of its own (set by the settings
fixture), so a label is found by its colour, whatever else the sky shows there.
Places come from astropy, the pixel of a place from the view-projection matrix
and back buffer the program writes in its status file (as sky_pixels.py does).
A label is drawn with its top left corner at its object's pixel.

Checks:
  text:WHAT:FRAME:LON_DEG:LAT_DEG:RRGGBB   a label in that colour beside the place: right of and
                                           below its pixel in the first shot, nothing there in
                                           the second. FRAME: icrs (a catalogue place), date
                                           (equator of date), ecliptic (ecliptic of date)
  line:FRAME:RRGGBB                        the equator (FRAME date) or ecliptic (FRAME ecliptic)
                                           is drawn in that colour: its own pixels are left out
                                           when its names are looked for
  grid:RRGGBB                              every equatorial grid node well inside the view has its
                                           declination and hour labels beside it (the grid's lines
                                           left out)
  absent:RRGGBB                            no pixel of that colour in the second shot, and in the
                                           first a few labels' worth, not a flood
"""
import math
import sys
import warnings

import numpy
from PIL import Image

warnings.simplefilter("ignore")
from astropy import units as u  # noqa: E402
from astropy.coordinates import (AltAz, EarthLocation, GeocentricTrueEcliptic, SkyCoord,  # noqa: E402
                                 TETE)
from astropy.time import Time  # noqa: E402
from astropy.utils import iers  # noqa: E402

iers.conf.auto_download = False
iers.conf.iers_degraded_accuracy = "warn"

# A label's box from its object's pixel: a name of up to a dozen letters of
# the default fonts; a grid node's box takes in both of its labels.
TEXT_BOX = (-2, -2, 90, 22)
GRID_BOX = (-24, -24, 44, 18)
LINE_MASK = 4  # pixels left out on either side of a drawn line
ENOUGH = 15    # inked pixels that make a label
START = 18     # most pixels between an object and its label's first ink


def status_values(path):
    values = {}
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            values[key] = value
    return values


def colour(text):
    return tuple(int(text[k:k + 2], 16) for k in (0, 2, 4))


def matching(picture, want):
    """Where the picture shows `want` over a dark sky, at any coverage of a glyph."""
    top = picture.max(axis=2)
    ok = top >= 90
    for c, wanted in enumerate(want):
        if wanted:
            ok &= picture[:, :, c] >= 0.7 * top
        else:
            ok &= picture[:, :, c] <= 0.35 * top
    return ok


def main():
    status = status_values(sys.argv[1])
    shots = [numpy.asarray(Image.open(path).convert("RGB")).astype(numpy.int32) for path in sys.argv[2:4]]
    latitude, longitude = float(sys.argv[4]), float(sys.argv[5])
    when = Time(sys.argv[6], scale="utc")
    matrix = [float(v) for v in status["viewprojection"].split()]
    width, height = (float(v) for v in status["backbuffer"].split())
    for shot in shots:
        if shot.shape[:2] != (int(height), int(width)):
            print(f"screenshot {shot.shape[1]} x {shot.shape[0]} is not the back buffer {width} x {height}")
            return 1
    location = EarthLocation(lat=latitude * u.deg, lon=longitude * u.deg, height=0 * u.m)
    refracted = AltAz(obstime=when, location=location, pressure=1013 * u.hPa, temperature=10 * u.deg_C,
                      relative_humidity=0, obswl=0.55 * u.micron)
    geometric = AltAz(obstime=when, location=location)

    def horizontal(frame, lon, lat):
        if frame == "icrs":
            place = SkyCoord(ra=lon * u.deg, dec=lat * u.deg, frame="icrs").transform_to(refracted)
        elif frame == "date":
            place = SkyCoord(TETE(ra=lon * u.deg, dec=lat * u.deg, obstime=when)).transform_to(geometric)
        else:
            place = SkyCoord(GeocentricTrueEcliptic(lon=lon * u.deg, lat=lat * u.deg, equinox=when,
                                                    obstime=when)).transform_to(geometric)
        return place.az.rad, place.alt.rad

    def pixel(azimuth, altitude):
        c = math.cos(altitude)
        p = (-c * math.sin(azimuth) * 2, -math.sin(altitude) * 2, c * math.cos(azimuth) * 2, 1.0)
        out = [sum(p[r] * matrix[r * 4 + k] for r in range(4)) for k in range(4)]
        if out[3] <= 0:
            return None
        return (out[0] / out[3] + 1) * width / 2, (1 - out[1] / out[3]) * height / 2

    def inside(at, margin):
        return at is not None and margin <= at[0] < width - margin and margin <= at[1] < height - margin

    # Pixels of the drawn lines, per colour, left out of the label counts.
    masks = {}
    found = {}

    def mask_segment(key, a, b):
        if a is None or b is None:
            return
        steps = max(1, int(math.hypot(b[0] - a[0], b[1] - a[1])))
        if steps > 4 * width:
            return
        cells = masks.setdefault(key, numpy.zeros((int(height), int(width)), bool))
        for s in range(steps + 1):
            x = int(a[0] + (b[0] - a[0]) * s / steps)
            y = int(a[1] + (b[1] - a[1]) * s / steps)
            cells[max(0, y - LINE_MASK):max(0, y + LINE_MASK + 1), max(0, x - LINE_MASK):max(0, x + LINE_MASK + 1)] = True

    def inked(shot, key):
        if (shot, key) not in found:
            found[shot, key] = matching(shots[shot], colour(key))
        return found[shot, key]

    def region(shot, at, box, key):
        """The label colour's pixels in the box around `at`, the lines of that colour left out,
        and the box's top left corner."""
        x0, y0 = max(0, int(at[0]) + box[0]), max(0, int(at[1]) + box[1])
        x1, y1 = max(0, int(at[0]) + box[2] + 1), max(0, int(at[1]) + box[3] + 1)
        part = inked(shot, key)[y0:y1, x0:x1]
        if key in masks:
            part = part & ~masks[key][y0:y1, x0:x1]
        return part, x0, y0

    def count(shot, at, box, key):
        return int(region(shot, at, box, key)[0].sum())

    failures = 0

    def report(what, on, off, at, extra="", placed=True):
        nonlocal failures
        ok = on >= ENOUGH and off <= 2 and placed
        print(f"{what}: pixel ({at[0]:.0f}, {at[1]:.0f}), {on} label pixels with names on, {off} off{extra}"
              f" -> {'ok' if ok else 'FAIL'}")
        failures += 0 if ok else 1

    for check in sys.argv[7:]:
        kind, *fields = check.split(":")
        if kind == "line":
            frame, key = fields[0], fields[1]
            points = [pixel(*horizontal(frame, k * 0.25, 0.0)) for k in range(0, 1441)]
            for a, b in zip(points, points[1:]):
                if inside(a, -50) and inside(b, -50):
                    mask_segment(key, a, b)
        elif kind == "text":
            what, frame, lon, lat, key = fields[0], fields[1], float(fields[2]), float(fields[3]), fields[4]
            at = pixel(*horizontal(frame, lon, lat))
            if not inside(at, 40):
                print(f"{what}: not well inside the view ({at})")
                failures += 1
                continue
            # The label starts at its object: its ink begins just right of and
            # below the object's pixel (the glyphs' own margins apart).
            part, x0, y0 = region(0, at, TEXT_BOX, key)
            ys, xs = numpy.nonzero(part)
            placed = len(xs) > 0 and x0 + xs.min() <= at[0] + START and y0 + ys.min() <= at[1] + START
            extra = f", ink from ({x0 + xs.min()}, {y0 + ys.min()})" if len(xs) else ""
            report(what, int(part.sum()), count(1, at, TEXT_BOX, key), at, extra, placed)
        elif kind == "grid":
            key = fields[0]
            # Nodes every 7.5 degrees, joined by straight lines in pixels as drawn.
            nodes = {}
            for i in range(49):
                for j in range(25):
                    ra, dec = (i * 7.5) % 360.0, j * 7.5 - 90.0
                    azimuth, altitude = horizontal("date", ra, dec)
                    nodes[i, j] = pixel(azimuth, altitude)
            for (i, j), at in nodes.items():
                for neighbour in ((i + 1, j), (i, j + 1)):
                    if neighbour in nodes and inside(at, -200) and inside(nodes[neighbour], -200):
                        mask_segment(key, at, nodes[neighbour])
            labelled = 0
            for i in range(0, 47, 2):
                for j in range(2, 23, 2):  # the poles' labels pile up: left out
                    at = nodes[i, j]
                    if not inside(at, 60):
                        continue
                    labelled += 1
                    report(f"grid node {i * 7.5 / 15:.0f}h {j * 7.5 - 90:+.0f}", count(0, at, GRID_BOX, key),
                           count(1, at, GRID_BOX, key), at)
            if labelled == 0:
                print("grid: no node well inside the view")
                failures += 1
        elif kind == "absent":
            # None at all without the names, and with them a scatter of labels,
            # not a flood of the colour.
            n = int(inked(1, fields[0]).sum())
            spread = int(inked(0, fields[0]).sum()) / (width * height)
            ok = n <= 5 and spread < 0.03
            print(f"colour {fields[0]}: {spread:.2%} of the view with names on, {n} pixels off"
                  f" -> {'ok' if ok else 'FAIL'}")
            failures += 0 if ok else 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
