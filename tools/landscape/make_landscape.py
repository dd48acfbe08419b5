#!/usr/bin/python3
"""Writes the planetarium's landscape "textures/landscapes/landscape.tga" from
stellarium-data's Guereins panorama.

The view wraps the picture once around a tube about the eye: column u of the
picture at azimuth 270 + 360 u degrees (from the north through the east,
before the user's orientation), row v at altitude atan(0.7 z / 0.5) with
z = 0.3 - 0.6 (v - 0.01) / 0.98 (about +-22.8 degrees, before the user's
height setting). Each pixel is taken from the eight 256 x 256 side panels of
the "guereins" landscape laid side by side in their drawing order (tex0 to
tex7 of its landscape.ini), which span 40 degrees of altitude from -21.4 to
+18.6 and 45 degrees of azimuth each.

The sky is transparent (alpha from the panels; exactly black, which the
program's loader keys to transparent as well). Below the panels' lower edge
the ground repeats their last row; above their upper edge is sky.

usage: make_landscape.py <guereins folder> <output landscape.tga> [width height]
"""
import configparser
import os
import sys

import numpy as np
from PIL import Image

DECOR_ALTITUDE = 40.0  # degrees spanned by a side panel
DECOR_BOTTOM = -21.4   # altitude of a panel's lower edge


def panel_names(folder):
    ini = configparser.ConfigParser(interpolation=None)
    with open(os.path.join(folder, "landscape.ini"), encoding="utf-8") as f:
        ini.read_file(f)
    section = ini["landscape"]
    count = int(section["nbsidetex"])
    return [section["tex%d" % i] for i in range(count)]


def read_strip(folder):
    panels = [np.asarray(Image.open(os.path.join(folder, name)).convert("RGBA"), dtype=np.float64)
              for name in panel_names(folder)]
    return np.concatenate(panels, axis=1)


def row_altitudes(height):
    v = (np.arange(height) + 0.5) / height
    z = 0.3 - 0.6 * (v - 0.01) / 0.98
    return np.degrees(np.arctan(0.7 * z / 0.5))


def resample(strip, width, height):
    """Columns by area (the strip is as wide as the output or wider), rows by
    linear interpolation at each output row's altitude."""
    source_height, source_width = strip.shape[:2]
    x = (np.arange(width) + 0.5) * source_width / width - 0.5
    x0 = np.clip(np.floor(x).astype(int), 0, source_width - 1)
    x1 = (x0 + 1) % source_width
    fx = (x - np.floor(x))[None, :, None]
    altitude = row_altitudes(height)
    y = (DECOR_BOTTOM + DECOR_ALTITUDE - altitude) / DECOR_ALTITUDE * source_height - 0.5
    sky = y < -0.5
    y = np.clip(y, 0.0, source_height - 1.0)
    y0 = np.floor(y).astype(int)
    y1 = np.minimum(y0 + 1, source_height - 1)
    fy = (y - y0)[:, None, None]
    top = strip[y0][:, x0] * (1 - fx) + strip[y0][:, x1] * fx
    bottom = strip[y1][:, x0] * (1 - fx) + strip[y1][:, x1] * fx
    out = top * (1 - fy) + bottom * fy
    out[sky] = 0.0
    return out


def main(argv):
    if len(argv) not in (3, 5):
        sys.stderr.write(__doc__)
        return 2
    width, height = (int(argv[3]), int(argv[4])) if len(argv) == 5 else (2048, 256)
    picture = resample(read_strip(argv[1]), width, height)
    rgba = np.clip(np.rint(picture), 0, 255).astype(np.uint8)
    alpha = rgba[:, :, 3]
    rgb = rgba[:, :, :3]
    # Transparent pixels black; opaque ones never exactly black, so that the
    # loader's colour key cannot punch holes into the ground.
    rgb[alpha < 128] = 0
    alpha[alpha < 128] = 0
    dark = (alpha >= 128) & (rgb.max(axis=2) == 0)
    rgb[dark] = 1
    os.makedirs(os.path.dirname(os.path.abspath(argv[2])), exist_ok=True)
    temp = argv[2] + ".tmp"
    Image.fromarray(rgba, "RGBA").save(temp, format="TGA", compression="tga_rle", orientation=1)
    os.replace(temp, argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
