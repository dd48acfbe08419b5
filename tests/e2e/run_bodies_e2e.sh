#!/usr/bin/env bash
# The bodies the real program draws, under a virtual X server at fixed
# instants (the process clock set by faketime), steered by its menus and keys
# through xdotool and read back from its status file and screenshots of its
# view (checked by body_pixels.py):
# - solar-system mode on 2024-01-17, the camera on the Earth as the start
#   places it (0.030171 million km from its centre, the Earth half the view's
#   height): white clouds and a limb band of the atmosphere's colour; a window
#   resize releases the textures and meshes and loads them back, the Earth
#   drawn the same; the Sun and Mars from the menu, each in the middle of the
#   view at its diameter / tan(0.4);
# - on 2004-07-01, Saturn from the menu: the rings' lit face beyond the disc
#   on both sides, the planet's shadow on them; the Cassini command locks on
#   the probe and its mesh is in the middle of the view;
# - the planetarium on 2024-01-17 from Paris, "Look in a direction" at the
#   Moon and zoomed in: its lit share and bright limb as astropy gives them.
# Every wait is bounded and waits on the status file's frame count.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xwd:x11-apps convert:imagemagick faketime:faketime xdotool:xdotool || exit 1
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || PYTHON=python3
"$PYTHON" -c "import astropy, PIL, numpy" 2>/dev/null ||
  { echo "FAIL: python3-astropy, python3-pil and python3-numpy are needed (scripts/setup installs them)"; exit 1; }
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
[ -n "$LIBFAKETIME" ] || { echo "FAIL: libfaketimeMT is missing: install the Debian package faketime"; exit 1; }
export WORK HERE PROGRAM_DIR PYTHON LIBFAKETIME

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
PARIS_LATITUDE=48.8566 PARIS_EAST=2.3522
# settings <planetarium True|False>: the fixture's nuvarine.ini (Paris, names
# off so that no label covers the pixels looked at; a switch the file does not
# name reads as off).
settings() {
  cat <<INI
[Observation Settings]
Latitude=$PARIS_LATITUDE
Longitude=-$PARIS_EAST
UTCP=0.0000000000
Pressure=1013.0000000000
Temperature=10.0000000000
Elevation=0.0000000000

[Application Settings]
Planetarium=$1
Landscape=False
Constellations Figures=False
Show AZ Grid=False
Show AR Grid=False
Show Milk Way=False
Deep Sky Objects=False
Stars Names=False
Constellations Names=False
Planets Names=False
Show satellites names=False
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False

[3D Settings]
Texture level=2
Atmospheres=True
MipMapping=True
INI
}
focus() { xdotool windowfocus --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"; }
keys() { focus; xdotool key --delay 40 "$@"; }
zoom_in() {  # presses of the numeric pad's +, then the field they give
  local field0 n=$1
  field0=$(status field)
  for i in $(seq 1 "$n"); do keys KP_Add; done
  local expected
  expected=$(awk -v f="$field0" -v n="$n" 'BEGIN { printf "%.6g", f / (1.07 ^ n) }')
  wait_for "awk -v a=\"\$(status field)\" -v b=$expected 'BEGIN { exit !(a > 0 && (a - b) / b < 1e-3 && (b - a) / b < 1e-3) }'" 60 ||
    fail "the zoom keys did not narrow the field to $expected"
  settle 3 60 || fail "no frames after zooming"
}
shoot() {  # name: the view's window as a PNG, once no body texture is still being decoded
  wait_for '[ "$(status pendingtextures)" = 0 ] 2>/dev/null' 120 || fail "$1: body textures still decoding"
  settle 3 60 || fail "$1: no frames once the textures were in"
  xwd -id "$(status viewwindow)" -silent > "$WORK/$1.xwd" || fail "no screenshot"
  convert "$WORK/$1.xwd" "$WORK/$1.png" || fail "screenshot not converted"
}
check() {  # check name, picture name, arguments
  local what=$1 picture=$2
  shift 2
  "$PYTHON" "$HERE/body_pixels.py" "$what" "$NUVARINE_STATUS_FILE" "$WORK/$picture.png" "$@" ||
    fail "$picture: the picture is not right"
}
close_dialogs() {
  wait_for '[ -n "$(status dialog)" ]' 30 || return 0
  xdotool key Escape
  wait_for '[ -z "$(status dialog)" ]' 30 || fail "the information window did not close"
}
# start <name> <instant> <planetarium>
start() {
  make_program_tree "$PROGRAM_DIR" "$WORK/$1" || fail "cannot copy the install folder"
  settings "$3" > "$WORK/$1/nuvarine.ini"
  export NUVARINE_STATUS_FILE=$WORK/$1.status
  cd "$WORK/$1"
  TZ=UTC LD_PRELOAD=$LIBFAKETIME FAKETIME="@$2" FAKETIME_DONT_FAKE_MONOTONIC=1 ./nuvarine2 > "$WORK/$1.log" 2>&1 &
  PID=$!
  wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 20 ] 2>/dev/null' 180 || fail "$1: no scene"
  WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
  [ -n "$WIN" ] || fail "$1: no window"
}

# 1. The Earth in solar-system mode, then a resize.
start earth "2024-01-17 18:00:00" False
[ "$(status mode)" = solarsystem ] || fail "not started in solar-system mode"
[ "$(status locked)" = 3 ] || fail "the camera is not on the Earth"
settle || fail "no frames at the Earth"
shoot earth
check standoff earth 12756 0.030171
check earth earth
releases=$(status scenereleases) textures=$(status bodytextures) meshes=$(status bodymeshes)
[ "$textures" -gt 0 ] || fail "no body texture loaded"
focus
xdotool windowsize "$WIN" 1100 820
wait_for "[ \"\$(status scenereleases)\" -gt $releases ] 2>/dev/null" 120 || fail "a resize did not release the scene's resources"
wait_for "[ \"\$(status scene)\" = 1 ] && [ \"\$(status bodytextures)\" = $textures ] && [ \"\$(status bodymeshes)\" = $meshes ]" 180 ||
  fail "after a resize the textures and meshes did not come back ($textures and $meshes before)"
settle 3 60 || fail "no frames after the resize"
shoot earth-resized
check earth earth-resized
# Planets and moons: the Sun is "&Sun", Mars the "M&ars" pop-up's "&Mars".
keys alt+o; sleep 0.5; xdotool key p; sleep 0.3; xdotool key s
wait_for '[ "$(status locked)" = 0 ]' 60 || fail "the Sun item does not go to the Sun"
close_dialogs
settle || fail "no frames at the Sun"
shoot sun
check standoff sun 1392000 3.2924
keys alt+o; sleep 0.5; xdotool key p; sleep 0.3; xdotool key a; sleep 0.3; xdotool key m
wait_for '[ "$(status locked)" = 4 ]' 60 || fail "the Mars item does not go to Mars"
close_dialogs
settle || fail "no frames at Mars"
shoot mars
check standoff mars 6787 0.016052
close_program 60

# 2. Saturn and Cassini on 2004-07-01.
start saturn "2004-07-01 03:00:00" False
keys alt+o; sleep 0.5; xdotool key p; sleep 0.3; xdotool key t; sleep 0.3; xdotool key s
wait_for '[ "$(status locked)" = 6 ]' 60 || fail "the Saturn item does not go to Saturn"
close_dialogs
keys z
wait_for '[ "$(status field)" = 0.800000012 ]' 30 || fail "Z does not reset the zoom"
settle 3 60 || fail "no frames at Saturn"
shoot saturn
check saturn saturn
# Probes/satellites: Cassini is the sixth item (the items have no mnemonics).
keys alt+o; sleep 0.5; xdotool key r; sleep 0.3; xdotool key --delay 100 Down Down Down Down Down Return
wait_for '[ "$(status locked)" = 40 ] && [ "$(status bodymeshes)" -gt 0 ] 2>/dev/null' 120 ||
  fail "the Cassini command does not lock on the probe with its mesh loaded"
close_dialogs
settle 3 60 || fail "no frames at Cassini"
shoot cassini
check probe cassini
close_program 60

# 3. The Moon near its first quarter from Paris.
start moon "2024-01-17 18:00:00" True
read -r RAH RAM RAS DECD DECM DECS < <("$PYTHON" -W ignore -c "
from astropy.time import Time
from astropy.coordinates import get_body, EarthLocation
from astropy.utils import iers
import astropy.units as u
iers.conf.auto_download = False
t = Time('2024-01-17T18:00:00', scale='utc')
m = get_body('moon', t, EarthLocation(lat=$PARIS_LATITUDE * u.deg, lon=$PARIS_EAST * u.deg))
ra, dec = m.ra.hms, m.dec.dms
print(int(ra.h), int(ra.m), round(ra.s, 1), int(dec.d), int(dec.m), round(dec.s, 1))
")
[ -n "${DECS:-}" ] || fail "no place for the Moon from astropy"
keys alt+o; sleep 0.5; xdotool key l
wait_for '[ -n "$(status dialog)" ]' 30 || fail "Look in a direction does not open"
for v in "$RAH" "$RAM" "$RAS" "$DECD" "$DECM" "$DECS"; do
  xdotool key ctrl+a; xdotool type --delay 40 "$v"; xdotool key Tab
done
xdotool key Return
wait_for '[ -z "$(status dialog)" ]' 30 || fail "the direction was not taken"
zoom_in 48
shoot moon
check moon moon "$PARIS_LATITUDE" "$PARIS_EAST" "2024-01-17T18:00:00"
close_program 60
echo "PASS"
INNER
timeout 900 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/inner.sh"
