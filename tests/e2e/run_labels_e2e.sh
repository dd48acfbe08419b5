#!/usr/bin/env bash
# The names and labels of the planetarium sky, as the real program draws them
# under a virtual X server: Paris on 2026-12-11 at 23:00 UT (the process clock
# set by faketime), looking south at Orion. One run with the star, deep-sky and
# constellation names, the equatorial grid, the equator and the ecliptic on,
# each label kind in a colour of its own; one with all of them off. The first
# screenshot shows Betelgeuse's and Rigel's names beside them, M42's beside
# it, Orion's name at its label place, the grid's labels beside their nodes
# and the equator's and ecliptic's names on their lines (places computed here
# with astropy); the second shows none of those colours. Every wait is bounded.
set -u
PROGRAM_DIR=$(realpath "$1")
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/program_tree.sh"
require_programs xvfb-run:xvfb xwd:x11-apps convert:imagemagick faketime:faketime xdotool:xdotool || exit 1
# Debian's own interpreter, whose packages hold astropy and PIL.
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || PYTHON=python3
"$PYTHON" -c "import astropy, numpy, PIL" 2>/dev/null ||
  { echo "FAIL: python3-astropy, python3-numpy and python3-pil are needed (scripts/setup installs them)"; exit 1; }
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
WORK=$(mktemp -d)
# NUVARINE_KEEP_SHOTS=<folder> keeps the two screenshots (and status files) for a look.
trap '[ -n "${NUVARINE_KEEP_SHOTS:-}" ] && cp "$WORK"/*.png "$WORK"/*.status "$NUVARINE_KEEP_SHOTS"/ 2>/dev/null; rm -rf "$WORK"' EXIT
mkdir -m 700 "$WORK/run"
export XDG_RUNTIME_DIR=$WORK/run
export XDG_CONFIG_HOME=$WORK/config
unset QT_QPA_PLATFORM
# A sanitizer build must accept the preloaded clock library ahead of its runtime.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
[ -n "$LIBFAKETIME" ] || { echo "FAIL: libfaketimeMT is missing: install the Debian package faketime"; exit 1; }
export WORK HERE PROGRAM_DIR PYTHON LIBFAKETIME

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/program_tree.sh"
# settings True|False: the fixture's nuvarine.ini with the names and labelled
# lines on or off. Colours (COLORREF, 0xBBGGRR): star names magenta,
# constellation names yellow, deep-sky names green, grid red, equator cyan,
# ecliptic blue; figures grey.
settings() {
  cat <<INI
[Observation Settings]
Latitude=48.8566000000
Longitude=-2.3522000000
UTCP=0.0000000000
Pressure=1013.0000000000
Temperature=10.0000000000
Elevation=0.0000000000

[Application Settings]
Planetarium=True
Landscape=True
Constellations Figures=True
Show AZ Grid=False
Show AR Grid=$1
Equator=$1
Ecliptic=$1
Show Milk Way=False
Deep Sky Objects=True
Deep Sky Objects Names=$1
Stars Names=$1
Stars names Language=1
Constellations Names=$1
Constellations Language=2
Planets Names=False
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False

[Fonts and colors]
Figures color=6316128
Stars names color=16711935
Constellations names color=65535
Deek Sky names color=65280
Grids color=255
Equateur color=16776960
Ecliptic color=16711680
INI
}
status() { grep "^$1=" "$NUVARINE_STATUS_FILE" 2>/dev/null | cut -d= -f2-; }
wait_for() {  # condition, seconds
  local end=$((SECONDS + $2))
  while [ $SECONDS -lt $end ]; do eval "$1" && return 0; sleep 0.2; done
  return 1
}
fail() { echo "FAIL: $*"; cat "$NUVARINE_STATUS_FILE" 2>/dev/null; kill -9 "$PID" 2>/dev/null; exit 1; }

# shoot <name> True|False: the view's screenshot in $WORK/<name>.png and the
# status file in $WORK/<name>.status.
shoot() {
  local name=$1
  make_program_tree "$PROGRAM_DIR" "$WORK/$name" || fail "cannot copy the install folder"
  settings "$2" > "$WORK/$name/nuvarine.ini"
  export NUVARINE_STATUS_FILE=$WORK/$name.status
  cd "$WORK/$name"
  # The library faketime preloads, set directly so that $PID is the program itself.
  TZ=UTC LD_PRELOAD=$LIBFAKETIME FAKETIME="@2026-12-11 23:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    ./nuvarine2 > "$WORK/$name.log" 2>&1 &
  PID=$!
  wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 20 ] 2>/dev/null' 90 || fail "$name: no scene"
  [ "$(status mode)" = planetarium ] || fail "$name: not started in the planetarium"
  # A larger view, raised from the southern view's 11 degrees and turned a
  # little east by the arrows (a fiftieth of the field a press), so that
  # Orion and the ecliptic's point of 100 degrees are well inside.
  local win
  win=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
  [ -n "$win" ] || fail "$name: no window"
  xdotool windowsize "$win" 1240 780
  wait_for '[ "$(status backbuffer | cut -d" " -f1)" -gt 1000 ] 2>/dev/null' 60 || fail "$name: not resized"
  wait_for '[ "$(status scene)" = 1 ]' 60 || fail "$name: no scene after the resize"
  xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
  xdotool key --delay 40 --repeat 41 Up
  xdotool key --delay 40 --repeat 6 Left
  # Every press taken: about 49 degrees high, 174 of azimuth.
  wait_for '[ "$(status lookaltitude | cut -d. -f1)" -ge 48 ] && [ "$(status lookazimuth | cut -d. -f1)" -le 174 ] 2>/dev/null' 60 ||
    fail "$name: the view was not turned"
  local frames
  frames=$(status frames)
  wait_for "[ \"\$(status frames)\" -gt $((frames + 10)) ] 2>/dev/null" 60 || fail "$name: no frames after turning"
  local view
  view=$(status viewwindow)
  [ -n "$view" ] || fail "$name: the view has no window of its own"
  xwd -id "$view" -silent > "$WORK/$name.xwd" || fail "$name: no screenshot"
  convert "$WORK/$name.xwd" "$WORK/$name.png" || fail "$name: screenshot not converted"
  kill -TERM "$PID"
  for i in $(seq 1 150); do kill -0 "$PID" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$PID" 2>/dev/null && fail "$name: the program did not close"
  wait "$PID"
}

shoot names True
shoot plain False
# Both runs look the same way.
[ "$(grep '^viewprojection=' "$WORK/names.status")" = "$(grep '^viewprojection=' "$WORK/plain.status")" ] ||
  { echo "FAIL: the two runs do not look the same way"; exit 1; }
"$PYTHON" "$HERE/label_pixels.py" "$WORK/names.status" "$WORK/names.png" "$WORK/plain.png" 48.8566 2.3522 \
  "2026-12-11T23:00:00" "$@" || { echo "FAIL: the labels are not where they should be"; exit 1; }
echo "PASS"
INNER
# Betelgeuse, Rigel (J2000 degrees), M42, Orion's label place; the equator and
# ecliptic names at their points of 100 degrees.
timeout 420 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh" \
  line:date:00ffff line:ecliptic:0000ff \
  text:Betelgeuse:icrs:88.79294:7.40706:ff00ff text:Rigel:icrs:78.63446:-8.20164:ff00ff \
  text:M42:icrs:83.82208:-5.39111:00ff00 text:Orion:icrs:82.5:1:ffff00 \
  text:Equator:date:100:0:00ffff text:Ecliptic:ecliptic:100:0:0000ff \
  grid:ff0000 \
  absent:ff00ff absent:ffff00 absent:00ff00 absent:ff0000 absent:00ffff absent:0000ff
