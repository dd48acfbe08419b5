#!/usr/bin/env bash
# The events calendar in the real program under a virtual X server: in the
# planetarium, Calculation > Ephemeris... opens "Ephemeris calculation :",
# Compute shows "Work in progress..." and then the result "Ephemeris"; once
# that is closed the frames go on. Every wait is bounded.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool || exit 1
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "FAIL: cannot copy the install folder"; exit 1; }
export WORK HERE

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
export NUVARINE_STATUS_FILE=$WORK/status
WAIT_STEP=0.1
# What was on the screen and what the program said, for a failure seen only on a loaded machine.
on_fail() {
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do echo "window: $(xdotool getwindowname "$w" 2>/dev/null)"; done
  tail -20 "$WORK/program.log" 2>/dev/null
  cat "$NUVARINE_STATUS_FILE" 2>/dev/null
}

cd "$WORK/program"
./nuvarine2 > "$WORK/program.log" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 90 || fail "no scene"
# The main window by its whole title: a start-up box ("Nuvarine 2.0") that
# closes would take the keys with it. Activation waits are bounded: a window
# that never becomes active must not hang the run.
WIN=$(xdotool search --onlyvisible --name "^$(status title)\$" | head -1)
[ -n "$WIN" ] || fail "no window"
timeout 10 xdotool windowactivate --sync "$WIN" 2>/dev/null || timeout 10 xdotool windowfocus --sync "$WIN"
if [ "$(status mode)" != planetarium ]; then
  xdotool key --window "$WIN" alt+o; sleep 0.5; xdotool key m; sleep 0.3; xdotool key p
  wait_for '[ "$(status mode)" = planetarium ]' 20 || fail "no planetarium mode"
fi

xdotool key --window "$WIN" alt+c; sleep 0.5; xdotool key e
wait_for 'shown "Ephemeris calculation :"' 20 || fail "Ephemeris... opens no dialog"
DLG=$(xdotool search --onlyvisible --name "^Ephemeris calculation :\$" | head -1)
timeout 10 xdotool windowactivate --sync "$DLG" 2>/dev/null || timeout 10 xdotool windowfocus --sync "$DLG"
xdotool key --window "$DLG" Return
wait_for 'shown "Work in progress..."' 20 || fail "no work-in-progress window"
# A sanitizer build on a loaded machine computes the month several times slower.
wait_for 'shown "Ephemeris"' 180 || fail "no result dialog"
wait_for '! shown "Work in progress..."' 5 || fail "the work-in-progress window stays"
RES=$(xdotool search --onlyvisible --name "^Ephemeris\$" | head -1)
timeout 10 xdotool windowactivate --sync "$RES" 2>/dev/null || timeout 10 xdotool windowfocus --sync "$RES"
xdotool key --window "$RES" Escape
wait_for '! shown "Ephemeris"' 20 || fail "the result dialog does not close"
f=$(status frames)
wait_for "[ \"\$(status frames)\" -gt $((f + 10)) ] 2>/dev/null" 30 || fail "the frames do not go on"

close_program
echo "PASS"
INNER
timeout 560 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
