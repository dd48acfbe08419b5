#!/usr/bin/python3
"""Checks a screenshot of the bodies the program draws.

usage: body_pixels.py <check> <status file> <screenshot .png> [arguments]

The view's window, its scene-to-screen transform and back buffer, the camera
and the followed object's place come from the program's status file.

Checks:
  earth                 solar-system mode, locked on the Earth with its day
                        side in view: white clouds over the oceans around the
                        disc's edge, and beyond the lit limb a band tending to
                        the atmosphere's colour (0.48, 0.62, 0.73)
  saturn                solar-system mode, locked on Saturn with the rings'
                        lit face in view: the rings beyond the disc on both
                        sides, the part in the planet's shadow at most half
                        as bright as its mirror towards the Sun
  probe                 solar-system mode, locked on a probe: its mesh at the
                        middle of the view
  standoff DIAMETER DISTANCE
                        solar-system mode, just gone to the locked body of
                        DIAMETER km: the camera DISTANCE million km from its
                        centre, the body in the middle of the view, its disc
                        a good part of the view's height and drawn (its edge
                        ring differs from the sky where it is lit)
  moon LAT LON UTC      planetarium mode, the Moon in view: the share of its
                        disc that is lit within 0.03 of the illuminated
                        fraction, the bright limb towards the Sun within 5
                        degrees (places from astropy)
"""
import math
import sys
import warnings

import numpy

from PIL import Image

SATURN_RADIUS = 60268.0e-6  # million km
EARTH_RADIUS = 6378.14e-6
# Normal of the ring plane the program draws (its yaw 0.482 and pitch -0.09),
# within a degree of Saturn's pole.
RING_NORMAL = (math.cos(0.09) * math.sin(0.482), math.sin(0.09), math.cos(0.09) * math.cos(0.482))


def status_values(path):
    values = {}
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            values[key] = value
    return values


def floats(text):
    return [float(v) for v in text.split()]


def add(a, b):
    return tuple(x + y for x, y in zip(a, b))


def scale(a, k):
    return tuple(x * k for x in a)


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def unit(a):
    return scale(a, 1.0 / math.sqrt(dot(a, a)))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


class View:
    def __init__(self, status, picture):
        self.matrix = floats(status["viewprojection"])
        self.width, self.height = floats(status["backbuffer"])
        self.camera = tuple(floats(status["camera"]))
        self.pixels = numpy.asarray(picture.convert("RGB"), dtype=float)
        if self.pixels.shape[1] != int(self.width) or self.pixels.shape[0] != int(self.height):
            raise SystemExit(f"screenshot {picture.size} is not the back buffer {self.width} x {self.height}")

    def project(self, drawn):
        p = (drawn[0], drawn[1], drawn[2], 1.0)
        out = [sum(p[r] * self.matrix[r * 4 + k] for r in range(4)) for k in range(4)]
        if out[3] <= 0:
            return None
        return ((out[0] / out[3] + 1) * self.width / 2, (1 - out[1] / out[3]) * self.height / 2)

    def scene_pixel(self, point):
        """Pixel of a scene point (million km), drawn as the program draws it."""
        rel = add(point, scale(self.camera, -1.0))
        d = math.sqrt(dot(rel, rel))
        return self.project(scale(rel, 1.0 / d) if d >= 1.0 else rel)

    def mean(self, x, y, radius=1):
        x, y = int(round(x)), int(round(y))
        h, w = self.pixels.shape[:2]
        if not (radius <= x < w - radius and radius <= y < h - radius):
            return None
        return self.pixels[y - radius:y + radius + 1, x - radius:x + radius + 1].reshape(-1, 3).mean(axis=0)


def fail(message):
    print("FAIL:", message)
    return 1


def check_earth(view, status):
    earth = tuple(floats(status["lockedplace"]))
    centre = view.scene_pixel(earth)
    rel = add(earth, scale(view.camera, -1.0))
    look = unit(rel)
    # The Sun's direction across the line of sight, and a perpendicular.
    sun = unit(scale(earth, -1.0))
    across = unit(add(sun, scale(look, -dot(sun, look))))
    other = cross(look, across)
    edge = view.scene_pixel(add(earth, scale(other, EARTH_RADIUS)))
    radius = math.hypot(edge[0] - centre[0], edge[1] - centre[1])
    print(f"Earth at {centre[0]:.1f}, {centre[1]:.1f}, radius {radius:.1f} px")
    if radius < 60:
        return fail(f"the Earth is only {radius:.0f} pixels across")
    # Clouds: near-white pixels in the lit outer ring of the disc (oceans and
    # lands of the texture, never white without clouds).
    white = lit = 0
    for r in numpy.linspace(0.7, 0.95, 12):
        for a in numpy.linspace(-70, 70, 57):
            t = math.radians(a)
            direction = add(scale(across, math.cos(t)), scale(other, math.sin(t)))
            p = view.scene_pixel(add(earth, scale(direction, EARTH_RADIUS * r * 1.0)))
            c = view.mean(p[0], p[1], 0) if p else None
            if c is None or c.sum() < 60:
                continue
            lit += 1
            white += c.min() > 170 and c.max() - c.min() < 60
    share = white / max(lit, 1)
    print(f"white share of the lit outer ring: {share:.2f} of {lit} samples")
    if lit < 100:
        return fail("the day side of the Earth is not in view")
    if share < 0.1:
        return fail(f"no white clouds ({share:.2f} of the lit ring is white)")
    # The limb band beyond the lit limb (2 % of the radius): on each ray the
    # brightest sample outside the disc.
    sky = view.mean(8, 8, 2)
    samples = []
    for a in numpy.linspace(-30, 30, 13):
        t = math.radians(a)
        direction = add(scale(across, math.cos(t)), scale(other, math.sin(t)))
        ray = []
        for r in numpy.arange(1.0 + 1.0 / radius, 1.025, 0.5 / radius):
            p = view.scene_pixel(add(earth, scale(direction, EARTH_RADIUS * r)))
            c = view.mean(p[0], p[1], 0) if p else None
            if c is not None:
                ray.append(c)
        if ray:
            samples.append(max(ray, key=lambda c: (c - sky).sum()))
    band = numpy.mean(samples, axis=0)
    print(f"limb band {band.round(1)}, sky {sky.round(1)}")
    tint = band - sky
    if tint.sum() < 60:
        return fail(f"no band beyond the limb ({band.round(1)} over the sky {sky.round(1)})")
    ratio = tint / tint[2]
    # At the Earth view's stand-off the band is a few pixels from lit cloud
    # tops, which whiten its red share a little; blue still leads.
    if not (tint[2] >= tint[1] >= tint[0] and abs(ratio[0] - 0.48 / 0.73) < 0.25 and abs(ratio[1] - 0.62 / 0.73) < 0.15):
        return fail(f"the limb band {tint.round(1)} does not tend to the atmosphere's colour")
    return 0


def check_saturn(view, status):
    saturn = tuple(floats(status["lockedplace"]))
    centre = view.scene_pixel(saturn)
    outward = unit(saturn)
    away = unit(add(outward, scale(RING_NORMAL, -dot(outward, RING_NORMAL))))
    # Across the line of sight in the ring plane: the ends of the ellipse.
    across = unit(cross(RING_NORMAL, unit(add(saturn, scale(view.camera, -1.0)))))

    def ring(direction, radii):
        p = view.scene_pixel(add(saturn, scale(direction, radii * SATURN_RADIUS)))
        distance = math.hypot(p[0] - centre[0], p[1] - centre[1])
        return p, distance

    edge = view.scene_pixel(add(saturn, scale(unit(cross(unit(add(saturn, scale(view.camera, -1.0))), RING_NORMAL)),
                                                SATURN_RADIUS)))
    radius = math.hypot(edge[0] - centre[0], edge[1] - centre[1])
    print(f"Saturn at {centre[0]:.1f}, {centre[1]:.1f}, radius {radius:.1f} px")
    sky = view.mean(8, 8, 2).sum()
    # The B ring at 1.75 radii.
    for name, direction in (("one side", across), ("other side", scale(across, -1.0))):
        p, d = ring(direction, 1.75)
        if d < radius * 1.1:
            return fail(f"the ring on {name} is not beyond the disc on the screen (geometry)")
        b = view.mean(p[0], p[1]).sum()
        print(f"ring on {name}: {b:.0f} (sky {sky:.0f})")
        if b < sky + 150:
            return fail(f"no ring beyond the disc on {name}")
    (ps, ds), (pm, dm) = ring(away, 1.75), ring(scale(away, -1.0), 1.75)
    if min(ds, dm) < radius * 1.1:
        return fail("the shadow or its mirror lies over the disc from this camera (geometry)")
    shadow, mirror = view.mean(ps[0], ps[1]).sum(), view.mean(pm[0], pm[1]).sum()
    print(f"ring in the planet's shadow {shadow:.0f}, its mirror towards the Sun {mirror:.0f}")
    if mirror < sky + 150:
        return fail("the ring towards the Sun is not lit")
    if shadow > mirror / 2:
        return fail("the ring in the planet's shadow is more than half as bright as its mirror")
    return 0


def check_probe(view, status):
    h, w = view.pixels.shape[:2]
    middle = view.pixels[h // 2 - 20:h // 2 + 21, w // 2 - 20:w // 2 + 21].reshape(-1, 3)
    sky = view.mean(8, 8, 2)
    lit = (numpy.abs(middle - sky).sum(axis=1) > 60).mean()
    print(f"share of the middle 41 x 41 pixels off the sky: {lit:.2f}")
    if lit < 0.1:
        return fail("no mesh in the middle of the view")
    return 0


def check_moon(view, status, latitude, longitude, when):
    warnings.simplefilter("ignore")
    from astropy import units as u
    from astropy.coordinates import AltAz, EarthLocation, get_body
    from astropy.time import Time
    from astropy.utils import iers
    iers.conf.auto_download = False
    iers.conf.iers_degraded_accuracy = "warn"
    t = Time(when, scale="utc")
    place = EarthLocation(lat=latitude * u.deg, lon=longitude * u.deg, height=0 * u.m)
    frame = AltAz(obstime=t, location=place, pressure=1013 * u.hPa, temperature=10 * u.deg_C,
                  relative_humidity=0, obswl=0.55 * u.micron)
    moon = get_body("moon", t, place)
    sun = get_body("sun", t, place)
    phase = math.atan2(sun.distance.value * math.sin(moon.separation(sun).rad),
                       moon.distance.to(u.au).value - sun.distance.value * math.cos(moon.separation(sun).rad))
    fraction = (1 + math.cos(phase)) / 2
    m, s = moon.transform_to(frame), sun.transform_to(frame)

    def scene(az, alt, k=2.0):
        c = math.cos(alt)
        return (-c * math.sin(az) * k, -math.sin(alt) * k, c * math.cos(az) * k)

    centre = view.project(scene(m.az.rad, m.alt.rad))
    # The Sun's direction on the screen: a short step from the Moon along the
    # great circle towards it.
    step = 0.002 / max(moon.separation(sun).rad, 1e-6)
    a = numpy.array(scene(m.az.rad, m.alt.rad, 1.0))
    b = numpy.array(scene(s.az.rad, s.alt.rad, 1.0))
    toward = view.project(tuple(2.0 * (a + (b - a) * step) / numpy.linalg.norm(a + (b - a) * step)))
    sun_angle = math.atan2(toward[1] - centre[1], toward[0] - centre[0])
    # The disc's radius from the Moon's angular size (drawn at its size above
    # 0.3 rad of altitude).
    angular = math.asin(1737.4 / moon.distance.to(u.km).value)
    edge_dir = numpy.array(scene(m.az.rad, m.alt.rad + angular, 2.0))
    edge = view.project(tuple(edge_dir))
    radius = math.hypot(edge[0] - centre[0], edge[1] - centre[1])
    print(f"Moon at {centre[0]:.1f}, {centre[1]:.1f}, radius {radius:.1f} px; illuminated fraction {fraction:.3f}")
    if m.alt.rad < 0.3:
        return fail("the Moon is too low for its drawn size to be its true size")
    if radius < 40:
        return fail(f"the Moon is only {radius:.0f} pixels across")
    h, w = view.pixels.shape[:2]
    ys, xs = numpy.mgrid[0:h, 0:w]
    dx, dy = xs + 0.5 - centre[0], ys + 0.5 - centre[1]
    inside = dx * dx + dy * dy <= (radius * 0.98) ** 2
    lit = inside & (view.pixels.sum(axis=2) > 60)
    share = lit.sum() / max(inside.sum(), 1)
    print(f"lit share of the disc {share:.3f}")
    if abs(share - fraction) > 0.03:
        return fail(f"the lit share {share:.3f} is not within 0.03 of the illuminated fraction {fraction:.3f}")
    limb = math.atan2(dy[lit].mean(), dx[lit].mean())
    off = math.degrees(abs(math.remainder(limb - sun_angle, 2 * math.pi)))
    print(f"bright limb at {math.degrees(limb):.1f} deg, the Sun's direction at {math.degrees(sun_angle):.1f} deg")
    if off > 5:
        return fail(f"the bright limb is {off:.1f} degrees from the Sun's direction")
    return 0


def check_standoff(view, status, diameter, distance):
    body = tuple(floats(status["lockedplace"]))
    rel = add(body, scale(view.camera, -1.0))
    d = math.sqrt(dot(rel, rel))
    print(f"camera {d:.6f} million km from the centre (expected {distance})")
    if abs(d - distance) > distance * 2e-3:
        return fail(f"the camera stands {d:.6f} million km off, not {distance}")
    centre = view.scene_pixel(body)
    if centre is None or abs(centre[0] - view.width / 2) > 3 or abs(centre[1] - view.height / 2) > 3:
        return fail(f"the body is not in the middle of the view ({centre})")
    look = unit(rel)
    side = unit(cross(look, (0.0, 0.0, 1.0)))
    up = cross(look, side)
    radius_km = diameter / 2.0 * 1e-6
    edge = view.scene_pixel(add(body, scale(side, radius_km)))
    radius = math.hypot(edge[0] - centre[0], edge[1] - centre[1])
    print(f"disc radius {radius:.1f} px in a view {view.height:.0f} px high")
    if radius < view.height * 0.2:
        return fail(f"the body is only {2 * radius:.0f} pixels across")
    sky = view.mean(8, view.height - 8, 2)
    differs = total = 0
    for a in numpy.linspace(0, 360, 72, endpoint=False):
        t = math.radians(a)
        p = view.scene_pixel(add(body, scale(add(scale(side, math.cos(t)), scale(up, math.sin(t))), radius_km * 0.85)))
        c = view.mean(p[0], p[1], 1) if p else None
        if c is None:
            continue
        total += 1
        differs += abs(c - sky).sum() > 60
    print(f"{differs} of {total} samples inside the edge differ from the sky {sky.round(1)}")
    if total < 60 or differs < total * 0.15:
        return fail("the body's disc is not drawn")
    return 0


def main():
    check, status_path, picture_path = sys.argv[1:4]
    status = status_values(status_path)
    view = View(status, Image.open(picture_path))
    if check == "earth":
        return check_earth(view, status)
    if check == "saturn":
        return check_saturn(view, status)
    if check == "standoff":
        return check_standoff(view, status, float(sys.argv[4]), float(sys.argv[5]))
    if check == "probe":
        return check_probe(view, status)
    if check == "moon":
        return check_moon(view, status, float(sys.argv[4]), float(sys.argv[5]), sys.argv[6])
    return fail(f"unknown check {check}")


if __name__ == "__main__":
    sys.exit(main())
