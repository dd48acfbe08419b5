#!/usr/bin/env bash
# Find and pick with real X input, at Paris at the default field of view:
# Ctrl+F, "Capella" typed in the star name, Find; its information closed with
# Escape; a right double-click on the view's centre opens the pop-up menu
# titled with Capella's HD number; "Information" opens "About object :";
# Escape closes it and frames go on. The status file is kept up to date
# while the menu and the dialogs run. Every wait is bounded.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool awk:mawk || exit 1
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "FAIL: cannot copy the install folder"; exit 1; }
# Paris.
printf '[Observation Settings]\r\nLatitude=48.8566000000\r\nLongitude=-2.3522000000\r\nUTCP=1.0000000000\r\nPressure=1013.2500000000\r\nTemperature=10.0000000000\r\nElevation=35.0000000000\r\n' \
  > "$WORK/program/nuvarine.ini"
export WORK HERE

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
export NUVARINE_STATUS_FILE=$WORK/status

cd "$WORK/program"
./nuvarine2 > "$WORK/program.log" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 90 || fail "no scene"
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
[ -n "$WIN" ] || fail "no window"
xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
# Observation > Mode > Planetarium mode by the menu's keys.
xdotool key --window "$WIN" alt+o; sleep 0.5; xdotool key m; sleep 0.3; xdotool key p
wait_for '[ "$(status mode)" = planetarium ]' 20 || fail "the menu's keys do not switch to the planetarium"
settle

# Ctrl+F, the star's name, Find.
xdotool key ctrl+f
wait_for '[ "$(status dialog)" = "Find an object..." ]' 20 || fail "Ctrl+F opens no find dialog"
FIND=$(xdotool search --onlyvisible --name "Find an object" | head -1)
[ -n "$FIND" ] || fail "the find dialog has no window"
eval "$(xdotool getwindowgeometry --shell "$FIND")"
# Without a window manager the keys go to the window under the pointer.
xdotool mousemove $((X + 40)) $((Y + 10))
xdotool windowfocus --sync "$FIND" 2>/dev/null
sleep 0.5
xdotool type --delay 60 "Capella"
# The Find button's centre (template units 139,163 55x14: 1.5 and 1.625 pixels a unit).
xdotool mousemove $((X + 250)) $((Y + 276)) click 1
wait_for '[ "$(status dialog)" = "About object :" ]' 20 || fail "Find shows no information"
grep -q "^messagebox=" "$NUVARINE_STATUS_FILE" && fail "Capella is said to be below the horizon"
INFO=$(xdotool search --onlyvisible --name "About object" | head -1)
[ -n "$INFO" ] && xdotool windowfocus --sync "$INFO" 2>/dev/null
sleep 0.3
xdotool key Escape
wait_for '[ -z "$(status dialog)" ]' 20 || fail "Escape does not close the information"
settle

# The view now looks at Capella: a right double-click on its centre.
VIEW=$(status viewwindow)
[ -n "$VIEW" ] || VIEW=$WIN
eval "$(xdotool getwindowgeometry --shell "$((VIEW))")"
xdotool mousemove --window "$((VIEW))" $((WIDTH / 2)) $((HEIGHT / 2))
sleep 0.3
xdotool click --repeat 2 --delay 80 3
wait_for '[ "$(status popup)" = "Star HD : 34029" ]' 20 || fail "no pop-up titled Star HD : 34029"
# The title line, then Information.
xdotool key Down; sleep 0.2; xdotool key Down; sleep 0.2; xdotool key Return
wait_for '[ "$(status dialog)" = "About object :" ]' 20 || fail "Information shows no window"
[ -z "$(status popup)" ] || fail "the menu stays open"
INFO=$(xdotool search --onlyvisible --name "About object" | head -1)
[ -n "$INFO" ] || fail "no window About object :"
eval "$(xdotool getwindowgeometry --shell "$INFO")"
xdotool mousemove $((X + 40)) $((Y + 10))
xdotool windowfocus --sync "$INFO" 2>/dev/null
sleep 0.3
xdotool key Escape
wait_for '[ -z "$(status dialog)" ]' 20 || fail "Escape does not close the information"
settle || fail "frames do not go on"

close_program
echo "PASS"
INNER
timeout 200 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
