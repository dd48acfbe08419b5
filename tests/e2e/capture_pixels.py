#!/usr/bin/env python3
"""Compares a picture the program wrote (screenshot, movie frame, printed
page) with an X grab of the view window.

    capture_pixels.py <picture> <grab> <left> <top> <right> <bottom> [page]

The grab is cut to the rectangle (left, top)-(right, bottom) first. With
"page" the picture is a rendered printed page: the chart is taken from it as
the bounding box of everything that is not paper white. Both are brought to
the same small size in grey levels; the check fails when the picture is
black (or flat) or when its correlation with the grab is below 0.8. Prints
the figures either way.
"""
import math
import sys

from PIL import Image

SIZE = 240  # width both are compared at


def grey(image, width, height):
    small = image.convert("L").resize((width, height), Image.BILINEAR)
    return list(small.getdata())


def chart_on_page(page):
    # Paper is white; the chart is the box of all darker pixels.
    mask = page.convert("L").point(lambda v: 255 if v < 235 else 0)
    box = mask.getbbox()
    if not box:
        return None
    return page.crop(box)


def main():
    if len(sys.argv) < 7:
        print(__doc__)
        return 2
    picture = Image.open(sys.argv[1]).convert("RGB")
    grab = Image.open(sys.argv[2]).convert("RGB")
    left, top, right, bottom = (int(v) for v in sys.argv[3:7])
    grab = grab.crop((left, top, right, bottom))
    if len(sys.argv) > 7 and sys.argv[7] == "page":
        chart = chart_on_page(picture)
        if chart is None:
            print("FAIL: the printed page is blank")
            return 1
        print("chart on the page: %dx%d pixels" % chart.size)
        picture = chart
    elif picture.size != grab.size:
        print("FAIL: picture %dx%d, view %dx%d" % (picture.size + grab.size))
        return 1
    height = max(1, round(SIZE * grab.size[1] / grab.size[0]))
    a = grey(picture, SIZE, height)
    b = grey(grab, SIZE, height)
    n = len(a)
    # Black: the sky has a landscape, grid lines and stars, so a fair part
    # of a true picture is clearly above black.
    lit = sum(1 for v in a if v > 40) / n
    mean_a = sum(a) / n
    mean_b = sum(b) / n
    var_a = sum((v - mean_a) ** 2 for v in a)
    var_b = sum((v - mean_b) ** 2 for v in b)
    cov = sum((x - mean_a) * (y - mean_b) for x, y in zip(a, b))
    corr = cov / math.sqrt(var_a * var_b) if var_a > 0 and var_b > 0 else 0.0
    print("picture mean %.1f, lit %.3f; view mean %.1f; correlation %.3f" % (mean_a, lit, mean_b, corr))
    if lit < 0.01 or var_a == 0:
        print("FAIL: the picture is black")
        return 1
    if corr < 0.8:
        print("FAIL: the picture is not the view")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
