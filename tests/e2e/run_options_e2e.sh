#!/usr/bin/env bash
# The configuration dialog under the user's hand, under a virtual X server:
# with the observer where the Sun is up, "Option&s" > "Nuvarine
# &configuration...", a click on the "Planetarium" tab, "Natural sky colors"
# unticked and "Apply" turn the blue day sky dark at the next frames; a clean
# close writes Sky=False and the next start keeps the sky dark. Every wait is
# bounded.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool xwd:x11-apps convert:imagemagick faketime:faketime || exit 1
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
[ -n "$LIBFAKETIME" ] || { echo "FAIL: libfaketimeMT is missing: install the Debian package faketime"; exit 1; }
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "FAIL: cannot copy the install folder"; exit 1; }
# Greenwich's meridian at noon on the June solstice, on the equator: the Sun
# high in the north, the southern view in full daylight.
cat > "$WORK/program/nuvarine.ini" <<'INI'
[Observation Settings]
Latitude=0.0000000000
Longitude=0.0000000000
UTCP=0.0000000000
Pressure=1013.0000000000
Temperature=10.0000000000
Elevation=0.0000000000

[Application Settings]
Planetarium=True
Landscape=False
Sky=True
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False
INI
export WORK HERE LIBFAKETIME DEBUG_SHOTS=${DEBUG_SHOTS:-}

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
export NUVARINE_STATUS_FILE=$WORK/status
start() {
  cd "$WORK/program"
  rm -f "$NUVARINE_STATUS_FILE"
  TZ=UTC LD_PRELOAD=$LIBFAKETIME FAKETIME="@2024-06-21 12:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    ./nuvarine2 > "$WORK/program.log" 2>&1 &
  PID=$!
  wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 20 ] 2>/dev/null' 90 || fail "no scene"
  [ "$(status mode)" = planetarium ] || fail "not started in the planetarium"
}
# The mean colour "R G B" of the upper third of the view.
sky() {
  local view
  view=$(status viewwindow)
  xwd -id "$view" -silent > "$WORK/view.xwd" || return 1
  [ -n "$DEBUG_SHOTS" ] && convert "$WORK/view.xwd" "$DEBUG_SHOTS/view-$1.png"
  convert "$WORK/view.xwd" -gravity North -crop 100%x33%+0+0 +repage -resize 1x1! -depth 8 txt:- |
    awk -F'[(),]' '/^0,0:/ { printf "%d %d %d\n", $3, $4, $5 }'
}
is_blue() { awk -v c="$1" 'BEGIN { split(c, p, " "); exit !(p[3] > 120 && p[3] > p[1] + 40) }'; }
is_dark() { awk -v c="$1" 'BEGIN { split(c, p, " "); exit !(p[1] < 60 && p[2] < 60 && p[3] < 80) }'; }
shot() { [ -n "$DEBUG_SHOTS" ] && import -window root "$DEBUG_SHOTS/$1.png"; return 0; }

start
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
[ -n "$WIN" ] || fail "no window"
xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
settle 3 30
before=$(sky before) || fail "no screenshot"
is_blue "$before" || fail "the day sky is not blue to start with ($before)"

# Option&s > Nuvarine &configuration...
xdotool key --window "$WIN" alt+s; sleep 0.5; xdotool key c
wait_for 'DLG=$(xdotool search --onlyvisible --name "Nuvarine configuration" | head -1); [ -n "$DLG" ]' 20 ||
  fail "the configuration dialog does not open"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$DLG")"
shot dialog
# The "Planetarium" tab (the sixth) and the "Natural sky colors" box on its page.
xdotool mousemove "$((X + TAB_X))" "$((Y + TAB_Y))" click 1; sleep 0.5
shot page
xdotool mousemove "$((X + BOX_X))" "$((Y + BOX_Y))" click 1; sleep 0.3
shot unticked
xdotool mousemove "$((X + APPLY_X))" "$((Y + APPLY_Y))" click 1
wait_for '[ -z "$(xdotool search --onlyvisible --name "Nuvarine configuration" 2>/dev/null)" ]' 20 ||
  fail "Apply does not close the dialog"
settle 3 30; settle 3 30
after=$(sky after) || fail "no screenshot"
is_dark "$after" || fail "the sky is not dark after unticking natural sky colours ($after)"
close_program
grep -q '^Sky=False' "$WORK/program/nuvarine.ini" || fail "the settings file does not keep Sky=False"

# The next start keeps the dark sky.
start
settle 3 30
again=$(sky again) || fail "no screenshot"
is_dark "$again" || fail "the sky is blue again after a restart ($again)"
close_program
echo "PASS"
INNER
# Places in the dialog's client area (pixels), from its template: the
# "Planetarium" tab in the row of tabs (11-pixel Liberation Sans), the box at
# (15, 30) dialog units on the page under the tabs, "Apply" at (7, 214).
export TAB_X=413 TAB_Y=22 BOX_X=41 BOX_Y=94 APPLY_X=52 APPLY_Y=358
timeout 280 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
