#!/usr/bin/env bash
# Comets and asteroids in the real program, under a virtual X server at a
# fixed instant (the clock held by faketime at 2024-04-01 20:00 UTC, Paris,
# 12P near its perihelion low in the west, 4 Vesta high in the south-west),
# with element files of its own and a settings file that lists both with
# their switches off:
# - planetarium: the view is turned to each object ("Look in a direction"),
#   its tool-bar button clicked; the button and the switch stay on frame
#   after frame, and the object's name (in its own colour) is drawn at the
#   place the two-body problem gives from the same elements (the glows of
#   objects this faint are below a pixel by design: the body draw tests
#   check where they go)
#   (small_body_places.py, astropy for the Earth and the horizon), checked
#   against the shot taken before the click (label_pixels.py);
# - the settings written at exit keep both switches on and both lists;
# - a second run from that file starts with both shown and listed, finds the
#   comet in solar-system mode and locks on it: its nucleus fills the middle
#   of the view; the file written at that exit still keeps lists and
#   switches.
# Every wait is bounded and follows the status file's frame count.
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
trap '[ -n "${NUVARINE_KEEP_SHOTS:-}" ] && cp "$WORK"/*.png "$WORK"/*.status "$WORK"/*.ini "$NUVARINE_KEEP_SHOTS"/ 2>/dev/null; rm -rf "$WORK"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
[ -n "$LIBFAKETIME" ] || { echo "FAIL: libfaketimeMT is missing: install the Debian package faketime"; exit 1; }
export WORK HERE PROGRAM_DIR PYTHON LIBFAKETIME

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
LATITUDE=48.8566 EAST=2.3522 INSTANT="2024-04-01 20:00:00"
COMET="12P/Pons-Brooks" ASTEROID="4 Vesta"
# The element files, in the program's columns: the comet's 2024 orbit, two
# asteroids at the 2022 epoch of the JPL small-body database.
elements() {
  local d=$1/donnees
  rm -f "$d/cometes.dat" "$d/cometes2.dat" "$d/asteroides.dat" "$d/asteroides2.dat"
  printf '%-46s%s\n' "$COMET" \
    "20240421.1000   0.780750  0.954570 198.98000 255.86000  74.19000   5.0   4.0" > "$d/cometes.dat"
  printf '%-20s| %s\n' "$ASTEROID" \
    "20220809.0000 0.08840189  2.36199   7.1408 103.80081 151.25778        61.192299  3.20  0.32" > "$d/asteroides.dat"
  printf '%-20s| %s\n' "1 Ceres" \
    "20220809.0000 0.07863576  2.76662  10.5868  80.26644  73.53163       334.327170  3.33  0.12" > "$d/asteroides2.dat"
}
# Paris, the names of the planets on (comets in red, asteroids in green),
# nothing else labelled or drawn over the sky; both lists, both switches off.
settings() {
  cat <<INI
[Observation Settings]
Latitude=$LATITUDE
Longitude=-$EAST
UTCP=0.0000000000
Pressure=1013.0000000000
Temperature=10.0000000000
Elevation=0.0000000000

[Application Settings]
Planetarium=True
Show Comets=False
Show asteroids=False
Landscape=False
Constellations Figures=False
Show AZ Grid=False
Show AR Grid=False
Show Milk Way=False
Deep Sky Objects=False
Stars Names=False
Constellations Names=False
Planets Names=True
Show satellites names=False
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False

[Fonts and colors]
Comets names color=255
Asteroids names color=65280

[Comets]
Number of comets=1
Comets nb 0=$COMET

[Asteroids]
Number of asteroids=1
Asteroids nb 0=$ASTEROID
INI
}
focus() { xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN" 2>/dev/null; }
shoot() {  # name: the view's window as a PNG, with the status of that moment
  cp "$NUVARINE_STATUS_FILE" "$WORK/$1.status"
  xwd -id "$(status viewwindow)" -silent > "$WORK/$1.xwd" || fail "no screenshot"
  convert "$WORK/$1.xwd" "$WORK/$1.png" || fail "screenshot not converted"
  # The view did not move between the status and the picture.
  [ "$(grep '^viewprojection=' "$WORK/$1.status")" = "$(grep '^viewprojection=' "$NUVARINE_STATUS_FILE")" ] ||
    fail "$1: the view moved while it was shot"
}
# look <ra degrees> <dec degrees>: "Look in a direction" at that place.
look() {
  local fields
  fields=$(LC_ALL=C awk -v r="$1" -v d="$2" 'BEGIN { h = r / 15; s = d < 0 ? -1 : 1; d *= s;
    printf "%d %d %.1f %d %d %.1f", int(h), int((h - int(h)) * 60), (h * 60 - int(h * 60)) * 60,
      s * int(d), int((d - int(d)) * 60), (d * 60 - int(d * 60)) * 60 }')
  focus
  xdotool key alt+o; sleep 0.5; xdotool key l
  wait_for '[ -n "$(status dialog)" ]' 30 || fail "Look in a direction does not open"
  for v in $fields; do xdotool key ctrl+a; xdotool type --delay 40 "$v"; xdotool key Tab; done
  xdotool key Return
  wait_for '[ -z "$(status dialog)" ]' 30 || fail "the direction was not taken"
  settle 3 60 || fail "no frames after turning the view"
}
# click_button <command id> <switch key>: clicks the tool-bar button and
# waits until the switch is on, then checks that it stays on, with its
# button, for ten more frames.
click_button() {
  local place
  place=$(status "button$1")
  [ -n "$place" ] || fail "the tool-bar button $1 is not shown"
  set -- "$1" "$2" $place
  [ "$(status "$2")" = 0 ] && [ "$5" = 0 ] || fail "$2 is on before its button is clicked"
  xdotool mousemove "$3" "$4" click 1
  wait_for "[ \"\$(status $2)\" = 1 ]" 30 || fail "the button $1 does not turn $2 on"
  settle 10 60 || fail "no frames after the click"
  [ "$(status "$2")" = 1 ] || fail "$2 went off again after the click"
  [ "$(status "button$1" | cut -d' ' -f3)" = 1 ] || fail "the button $1 does not stay pressed"
}
start() {  # name, settings file already in place
  export NUVARINE_STATUS_FILE=$WORK/$1.run
  cd "$WORK/program"
  TZ=UTC LD_PRELOAD=$LIBFAKETIME FAKETIME="$INSTANT" FAKETIME_DONT_FAKE_MONOTONIC=1 ./nuvarine2 > "$WORK/$1.log" 2>&1 &
  PID=$!
  wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 20 ] 2>/dev/null' 180 || fail "$1: no scene"
  WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
  [ -n "$WIN" ] || fail "$1: no window"
}
# keeps <file>: the settings file keeps both switches on and both lists.
keeps() {
  local key
  for key in "Show Comets=True" "Show asteroids=True" "Number of comets=1" "Comets nb 0=$COMET" \
             "Number of asteroids=1" "Asteroids nb 0=$ASTEROID"; do
    tr -d '\r' < "$1" | grep -qxF "$key" || { cp "$1" "$WORK/written.ini"; fail "the settings written at exit lack \"$key\""; }
  done
}

make_program_tree "$PROGRAM_DIR" "$WORK/program" || fail "cannot copy the install folder"
elements "$WORK/program"
settings > "$WORK/program/nuvarine.ini"
read -r COMET_RA COMET_DEC _ < <("$PYTHON" "$HERE/small_body_places.py" "$WORK/program/donnees/cometes.dat" \
  "$WORK/program/donnees/asteroides.dat" "${INSTANT/ /T}" "$COMET")
read -r ASTEROID_RA ASTEROID_DEC _ < <("$PYTHON" "$HERE/small_body_places.py" "$WORK/program/donnees/cometes.dat" \
  "$WORK/program/donnees/asteroides.dat" "${INSTANT/ /T}" "$ASTEROID")
[ -n "${ASTEROID_DEC:-}" ] || fail "no places from the elements"

# 1. The planetarium: each object before and after its button.
start planetarium
[ "$(status mode)" = planetarium ] || fail "not started in the planetarium"
[ "$(status displayedcomets)" = 1 ] && [ "$(status displayedasteroids)" = 1 ] ||
  fail "the settings' lists were not matched to the loaded elements"
look "$COMET_RA" "$COMET_DEC"
shoot comet-hidden
click_button 218 showcomets
shoot comet-shown
look "$ASTEROID_RA" "$ASTEROID_DEC"
shoot asteroid-hidden
click_button 32812 showasteroids
shoot asteroid-shown
"$PYTHON" "$HERE/label_pixels.py" "$WORK/comet-shown.status" "$WORK/comet-shown.png" "$WORK/comet-hidden.png" \
  "$LATITUDE" "$EAST" "${INSTANT/ /T}" "text:comet name:icrs:$COMET_RA:$COMET_DEC:ff0000" ||
  fail "the comet is not drawn where it is"
"$PYTHON" "$HERE/label_pixels.py" "$WORK/asteroid-shown.status" "$WORK/asteroid-shown.png" \
  "$WORK/asteroid-hidden.png" "$LATITUDE" "$EAST" "${INSTANT/ /T}" \
  "text:asteroid name:icrs:$ASTEROID_RA:$ASTEROID_DEC:00ff00" || fail "the asteroid is not drawn where it is"
close_program 60
keeps "$WORK/program/nuvarine.ini"
cp "$WORK/program/nuvarine.ini" "$WORK/first-exit.ini"

# 2. The written file read back: both shown and listed; the comet's nucleus
# in solar-system mode.
start solarsystem
[ "$(status showcomets)" = 1 ] && [ "$(status showasteroids)" = 1 ] || fail "the switches were not read back on"
[ "$(status displayedcomets)" = 1 ] && [ "$(status displayedasteroids)" = 1 ] || fail "the lists were not read back"
focus
xdotool key alt+o; sleep 0.5; xdotool key m; sleep 0.3; xdotool key s
wait_for '[ "$(status mode)" = solarsystem ]' 60 || fail "the menu's keys do not switch to solar-system mode"
settle 3 60 || fail "no frames in solar-system mode"
# Find, its "Solar system" page, the comet by name; Lock in the information.
focus
xdotool key ctrl+f
wait_for '[ "$(status dialog)" = "Find an object..." ]' 30 || fail "Ctrl+F opens no find dialog"
FIND=$(xdotool search --onlyvisible --name "Find an object" | head -1)
[ -n "$FIND" ] || fail "the find dialog has no window"
eval "$(xdotool getwindowgeometry --shell "$FIND")"
xdotool mousemove $((X + 247)) $((Y + 23)) click 1
sleep 0.5
xdotool mousemove $((X + 240)) $((Y + 101)) click 1
sleep 0.3
xdotool type --delay 40 "$COMET"
xdotool mousemove $((X + 250)) $((Y + 276)) click 1
wait_for '[ "$(status dialog)" = "About object :" ]' 30 || fail "Find shows no information about the comet"
INFO=$(xdotool search --onlyvisible --name "About object" | head -1)
[ -n "$INFO" ] || fail "the information has no window"
eval "$(xdotool getwindowgeometry --shell "$INFO")"
xdotool mousemove $((X + 48)) $((Y + 456)) click 1
wait_for '[ "$(status locked)" = 2000 ] && [ "$(status flight)" = -1 ] && [ "$(status bodymeshes)" -gt 0 ] 2>/dev/null' 120 ||
  fail "Lock does not take the camera to the comet with its nucleus loaded"
settle 3 60 || fail "no frames at the comet"
shoot nucleus
"$PYTHON" "$HERE/body_pixels.py" probe "$WORK/nucleus.status" "$WORK/nucleus.png" || fail "no nucleus in the middle of the view"
close_program 60
keeps "$WORK/program/nuvarine.ini"
echo "PASS"
INNER
timeout 900 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/inner.sh"
