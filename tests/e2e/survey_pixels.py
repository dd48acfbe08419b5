#!/usr/bin/python3
"""The survey picture of the internet run, and what the screen shows of it.

usage: survey_pixels.py picture <out.jpg>
       survey_pixels.py check <plain sky .png> <screenshot .png>

picture  writes the stand-in server's survey answer: a JPEG of a dark grey
         sky (level 50) crossed by white diagonal stripes (a fifth of the
         picture), as a survey server's photograph is dark with bright spots.
         The tile's background flattening finds its borders at level 50
         already and leaves the picture as it is, so the screen shows exactly
         these two greys.
check    compares the middle of the view (half its width and height) before
         and after: the plain sky holds neither grey, the screenshot shows
         the picture's dark grey over much of it and its white stripes in
         about the picture's proportion. Prints what it measured; exits 1
         when the picture is not there.
"""
import sys

import numpy

from PIL import Image

BACKGROUND = 50
STRIPE_PERIOD = 40
STRIPE_WIDTH = 8


def picture(path):
    width, height = 400, 400
    y, x = numpy.mgrid[0:height, 0:width]
    grey = numpy.where((x + y) % STRIPE_PERIOD < STRIPE_WIDTH, 255, BACKGROUND).astype(numpy.uint8)
    Image.fromarray(grey, "L").convert("RGB").save(path, "JPEG", quality=95)


def shares(path):
    """Shares of the picture's dark grey and of its white in the middle of the view."""
    rgb = numpy.asarray(Image.open(path).convert("RGB"), dtype=numpy.int16)
    h, w, _ = rgb.shape
    middle = rgb[h // 4:3 * h // 4, w // 4:3 * w // 4]
    spread = middle.max(axis=2) - middle.min(axis=2)
    level = middle.mean(axis=2)
    neutral = spread <= 16
    dark = neutral & (level >= BACKGROUND - 20) & (level <= BACKGROUND + 30)
    white = neutral & (level >= 180)
    n = float(level.size)
    return dark.sum() / n, white.sum() / n


def check(plain_path, shot_path):
    plain_dark, plain_white = shares(plain_path)
    dark, white = shares(shot_path)
    print(f"plain sky: dark grey {plain_dark:.3f}, white {plain_white:.3f}; "
          f"with the tiles: dark grey {dark:.3f}, white {white:.3f}")
    if plain_dark > 0.05 or plain_white > 0.02:
        print("the plain sky already looks like the survey picture: the comparison proves nothing")
        return 1
    if dark < 0.35 or white < 0.04:
        return 1
    # The stripes cover a fifth of the picture; JPEG and filtering blur their
    # edges, so allow a wide band, but a white screen or a grey fill fails.
    ratio = white / (dark + white)
    if not 0.08 <= ratio <= 0.35:
        print(f"white share of the picture {ratio:.3f}, not the stripes' fifth")
        return 1
    return 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "picture":
        picture(sys.argv[2])
        return 0
    if len(sys.argv) == 4 and sys.argv[1] == "check":
        return check(sys.argv[2], sys.argv[3])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
