#!/usr/bin/python3
"""Writes the Milky Way band "Textures/VL.jpg" from stellarium-data's milkyway.png.

The band is drawn on a tube whose centre line the view puts on the galactic
equator, so the picture is a galactic strip: column u at galactic longitude
180 - 360 u degrees, row v at latitude atan(1.27 z) with
z = 0.3 - 0.6 (v - 0.01) / 0.98 (about +-20.9 degrees). Each pixel is taken
from the equatorial map through the J2000-to-galactic rotation.

milkyway.png (Axel Mellinger's all-sky mosaic as shipped by Stellarium) is an
equirectangular equatorial map: row y at declination 90 - (y + 0.5) 180 / H,
column x at right ascension (490 - x) 360 / W, increasing to the left.

usage: make_vl.py <milkyway.png> <output VL.jpg> [width height]
"""
import sys

import numpy as np
from PIL import Image

# Rows of the rotation taking J2000 equatorial unit vectors to galactic ones.
EQUATORIAL_TO_GALACTIC = np.array([
    [-0.0548755604162154, -0.8734370902348850, -0.4838350155487132],
    [0.4941094278755837, -0.4448296299600112, 0.7469822444972189],
    [-0.8676661490190047, -0.1980763734312015, 0.4559837761750669],
])


def strip_directions(width, height):
    """Galactic longitude and latitude (radians) of every pixel centre of the strip."""
    u = (np.arange(width) + 0.5) / width
    v = (np.arange(height) + 0.5) / height
    longitude = np.radians(180.0 - 360.0 * u)
    z = 0.3 - 0.6 * (v - 0.01) / 0.98
    latitude = np.arctan(1.27 * z)
    return np.meshgrid(longitude, latitude)


def galactic_to_equatorial(longitude, latitude):
    g = np.stack([np.cos(latitude) * np.cos(longitude), np.cos(latitude) * np.sin(longitude), np.sin(latitude)])
    e = np.tensordot(EQUATORIAL_TO_GALACTIC.T, g, axes=1)
    right_ascension = np.mod(np.arctan2(e[1], e[0]), 2 * np.pi)
    declination = np.arcsin(np.clip(e[2], -1.0, 1.0))
    return right_ascension, declination


def sample(source, right_ascension, declination):
    """Bilinear sample of the equatorial map, wrapping in right ascension."""
    h, w = source.shape[:2]
    x = np.mod(490.0 - np.degrees(right_ascension) * w / 360.0, w)
    y = np.clip((90.0 - np.degrees(declination)) * h / 180.0 - 0.5, 0.0, h - 1.0)
    x0 = np.floor(x).astype(int)
    y0 = np.floor(y).astype(int)
    fx = (x - x0)[..., None]
    fy = (y - y0)[..., None]
    x1 = (x0 + 1) % w
    y1 = np.minimum(y0 + 1, h - 1)
    x0 %= w
    top = source[y0, x0] * (1 - fx) + source[y0, x1] * fx
    bottom = source[y1, x0] * (1 - fx) + source[y1, x1] * fx
    return top * (1 - fy) + bottom * fy


def main(argv):
    if len(argv) not in (3, 5):
        sys.exit(__doc__)
    width, height = (int(argv[3]), int(argv[4])) if len(argv) == 5 else (2048, 512)
    source = np.asarray(Image.open(argv[1]).convert("RGB"), dtype=np.float64)
    longitude, latitude = strip_directions(width, height)
    right_ascension, declination = galactic_to_equatorial(longitude, latitude)
    strip = sample(source, right_ascension, declination)
    # The band is added onto the sky at a small fraction of its brightness:
    # the map's grey background goes to black and its 99th percentile to white
    # so that the band, not the background, shows.
    grey = strip.mean(axis=2)
    floor, ceiling = np.percentile(grey, 10), np.percentile(grey, 99)
    scale = np.clip((grey - floor) / (ceiling - floor), 0.0, 1.0) ** 0.9 / np.maximum(grey, 1e-6) * 255.0
    strip = strip * scale[..., None]
    picture = Image.fromarray(np.clip(strip + 0.5, 0, 255).astype(np.uint8), "RGB")
    temporary = argv[2] + ".tmp"
    picture.save(temporary, "JPEG", quality=90)
    import os
    os.replace(temporary, argv[2])


if __name__ == "__main__":
    main(sys.argv)
