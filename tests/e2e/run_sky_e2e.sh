#!/usr/bin/env bash
# The sky the real program draws under a virtual X server, at a fixed instant
# (the process clock set by faketime) from a settings fixture: Paris on
# 2024-01-15 at 21:00 UT in the planetarium's southern view, star figures in
# green and the horizontal grid in red. Rigel and Sirius shine at the pixels
# of their places (computed here with astropy), Rigel bluish, Sirius white;
# the Rigel-Saiph stroke and the grid's 15-degree circle are drawn (the
# landscape hides the horizon). From Tromso at the same instant Betelgeuse,
# culminating low, shows red. At exit the
# settings file is replaced whole: a new file, the fixture's values, no
# temporary left. Every wait is bounded.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xwd:x11-apps convert:imagemagick faketime:faketime || exit 1
# Debian's own interpreter, whose packages hold astropy and PIL.
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || PYTHON=python3
"$PYTHON" -c "import astropy, PIL" 2>/dev/null ||
  { echo "FAIL: python3-astropy and python3-pil are needed (scripts/setup installs them)"; exit 1; }
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
# A sanitizer build must accept the preloaded clock library ahead of its runtime.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
[ -n "$LIBFAKETIME" ] || { echo "FAIL: libfaketimeMT is missing: install the Debian package faketime"; exit 1; }
export WORK HERE PROGRAM_DIR PYTHON LIBFAKETIME


cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
# settings <latitude> <longitude, west positive>: the fixture's nuvarine.ini.
settings() {
  cat <<INI
[Observation Settings]
Latitude=$1
Longitude=$2
UTCP=0.0000000000
Pressure=1013.0000000000
Temperature=10.0000000000
Elevation=0.0000000000

[Application Settings]
Planetarium=True
Landscape=True
Constellations Figures=True
Show AZ Grid=True
Show AR Grid=False
Show Milk Way=False
Deep Sky Objects=False
Stars Names=False
Constellations Names=False
Planets Names=False
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False

[Fonts and colors]
Figures color=65280
Grids color=255
INI
}

# run <name> <latitude> <west longitude> <east longitude> <checks...>
run() {
  local name=$1 latitude=$2 west=$3 east=$4
  shift 4
  make_program_tree "$PROGRAM_DIR" "$WORK/$name" || fail "cannot copy the install folder"
  settings "$latitude" "$west" > "$WORK/$name/nuvarine.ini"
  local inode_before
  inode_before=$(stat -c %i "$WORK/$name/nuvarine.ini")
  export NUVARINE_STATUS_FILE=$WORK/$name.status
  cd "$WORK/$name"
  # The library faketime preloads, set directly so that $PID is the program itself.
  TZ=UTC LD_PRELOAD=$LIBFAKETIME FAKETIME="@2024-01-15 21:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    ./nuvarine2 > "$WORK/$name.log" 2>&1 &
  PID=$!
  wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 20 ] 2>/dev/null' 90 || fail "$name: no scene"
  [ "$(status mode)" = planetarium ] || fail "$name: not started in the planetarium"
  sleep 1
  local view
  view=$(status viewwindow)
  [ -n "$view" ] || fail "$name: the view has no window of its own"
  xwd -id "$view" -silent > "$WORK/$name.xwd" || fail "$name: no screenshot"
  convert "$WORK/$name.xwd" "$WORK/$name.png" || fail "$name: screenshot not converted"
  "$PYTHON" "$HERE/sky_pixels.py" "$NUVARINE_STATUS_FILE" "$WORK/$name.png" "$latitude" "$east" \
    "2024-01-15T21:00:00" "$@" || fail "$name: the sky is not where it should be"
  close_program
  # The settings file was replaced by a rename: another inode, the fixture's
  # place kept, no temporary file beside it.
  [ "$(stat -c %i "$WORK/$name/nuvarine.ini")" != "$inode_before" ] || fail "$name: settings written in place"
  grep -q "^Latitude=$latitude" "$WORK/$name/nuvarine.ini" || fail "$name: the fixture's latitude was not kept"
  [ -z "$(find "$WORK/$name" -maxdepth 1 -name 'nuvarine.ini?*')" ] || fail "$name: a temporary settings file was left"
}

# Rigel, Sirius and Saiph (J2000 degrees).
RIGEL=78.63446:-8.20164
SIRIUS=101.28716:-16.71612
SAIPH=86.93912:-9.66961
run paris 48.8566000000 -2.3522000000 2.3522 \
  "star:Rigel:$RIGEL:blue" "star:Sirius:$SIRIUS:neutral" "stroke:$RIGEL:$SAIPH:00ff00" "circle:180:15:ff0000"
run tromso 69.6500000000 -18.9600000000 18.96 "star:Betelgeuse:88.79294:7.40706:red"
echo "PASS"
INNER
timeout 280 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
