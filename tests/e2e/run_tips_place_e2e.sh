#!/usr/bin/env bash
# The start-up box and the time and place dialog with real X input.
# 1. A run that nobody watches through a status file, with tips on: the tips
#    box opens at the seventh frame; its list is set to "Never show tips at
#    startup" and its OK button clicked; the box closes, the main window
#    stays, and after a clean close the settings file says the tips are off.
# 2. A run with a status file: Observation > Time and location, "Lyon" typed
#    in the place's box, Apply; the view's place becomes Lyon's and, after a
#    clean close, the settings file holds it. Every wait is bounded.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool awk:mawk || exit 1
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
unset NUVARINE_STATUS_FILE
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "FAIL: cannot copy the install folder"; exit 1; }
# Paris; tips at start-up, no alerts (their text depends on the day), no
# time-zone warning on closing the time and place dialog.
printf '[Observation Settings]\r\nLatitude=48.8566000000\r\nLongitude=-2.3522000000\r\nUTCP=1.0000000000\r\nPressure=1013.2500000000\r\nTemperature=10.0000000000\r\nElevation=35.0000000000\r\n[Application Settings]\r\nEdit tips at startup=True\r\nEdit alerts at startup=False\r\nShow alert about time zone=False\r\n' \
  > "$WORK/program/nuvarine.ini"
export WORK HERE

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
stop() { close_program || { local rc=$?; tail -40 "$LOG"; fail "exit status $rc after a clean close"; }; }
setting() { tr -d '\r' < "$WORK/program/nuvarine.ini" | grep "^$1=" | head -1 | cut -d= -f2-; }
# click <window> <x> <y>: a click at the window's pixel (templates: 1.5 and
# 1.625 pixels a dialog unit).
click() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + $2)) $((Y + $3)); sleep 0.3; xdotool click 1; sleep 0.5
}
cd "$WORK/program"

# 1. The tips box, in a run without a status file.
LOG=$WORK/first.log
./nuvarine2 > "$LOG" 2>&1 &
PID=$!
wait_for 'shown "Nuvarine 2.0"' 120 || fail "no tips box"
BOX=$(xdotool search --onlyvisible --name "^Nuvarine 2.0\$" | head -1)
# Without a window manager the keys go to the window under the pointer.
click "$BOX" 122 256  # the list (7,151 150 wide): its pop-up opens
xdotool key Down; sleep 0.3; xdotool key Return; sleep 0.5
click "$BOX" 418 254  # "OK" (251,150 56x14)
wait_for '! shown "Nuvarine 2.0"' 20 || fail "OK does not close the tips box"
shown "Nuvarine version 2" || fail "the main window went with the box"
kill -0 "$PID" 2>/dev/null || fail "the program ended"
stop
[ "$(setting "Edit tips at startup")" = False ] ||
  fail "the settings file says Edit tips at startup=$(setting "Edit tips at startup")"

# 2. The time and place dialog, with a status file (no tips box now anyway).
export NUVARINE_STATUS_FILE=$WORK/status
LOG=$WORK/second.log
./nuvarine2 > "$LOG" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 120 || fail "no scene"
WIN=$(xdotool search --onlyvisible --name "Nuvarine version 2" | head -1)
[ -n "$WIN" ] || fail "no window"
xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
xdotool key --window "$WIN" alt+o; sleep 0.5; xdotool key t
wait_for '[ "$(status dialog)" = "Time and location..." ]' 30 || fail "Observation > Time and location opens no dialog"
DLG=$(xdotool search --onlyvisible --name "^Time and location...\$" | head -1)
[ -n "$DLG" ] || fail "the time and place dialog has no window"
click "$DLG" 150 212  # the place's box (60,124 120 wide)
xdotool key ctrl+a; xdotool type --delay 80 "Lyon"; sleep 0.5
click "$DLG" 222 427  # "Apply" (118,256 60x14)
wait_for '[ -z "$(status dialog)" ]' 30 || fail "Apply does not close the dialog"
grep -q "^messagebox=" "$NUVARINE_STATUS_FILE" && fail "a message box came: $(grep '^messagebox=' "$NUVARINE_STATUS_FILE")"
set -- $(status observer)
awk -v lat="${1:-0}" -v lon="${2:-0}" 'BEGIN { exit !(lat > 45.6 && lat < 45.9 && lon < -4.7 && lon > -5.0) }' ||
  fail "the view's place is $(status observer), not Lyon's"
stop
LAT=$(setting Latitude)
LON=$(setting Longitude)
awk -v lat="${LAT:-0}" -v lon="${LON:-0}" 'BEGIN { exit !(lat > 45.6 && lat < 45.9 && lon < -4.7 && lon > -5.0) }' ||
  fail "the settings file holds Latitude=$LAT Longitude=$LON, not Lyon"
echo "PASS: tips off in the settings file; Lyon at $LAT, $LON"
INNER
timeout 280 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/inner.sh"
