#!/usr/bin/env bash
# The real program under the user's hand, under a virtual X server, steered by
# xdotool and read back through its status file: the menu's keys switch to the
# planetarium (southern view), a left drag turns the look by the dragged angle,
# three wheel notches each way scale the field by the zoom step cubed, the
# numeric pad and the arrows act, Ctrl+P runs time at the speed factor and
# Ctrl+S stops it, and the solar-system item puts the camera at the Earth.
# Every wait is bounded.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool awk:mawk || exit 1
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "FAIL: cannot copy the install folder"; exit 1; }
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
[ "$(status mode)" = solarsystem ] || fail "does not start in the mode of the settings"

# Observation > Mode > Planetarium mode by the menu's keys.
xdotool key --window "$WIN" alt+o; sleep 0.5; xdotool key m; sleep 0.3; xdotool key p
wait_for '[ "$(status mode)" = planetarium ]' 20 || fail "the menu's keys do not switch to the planetarium"
settle
near "$(status lookazimuth)" 179.43 0.05 || fail "not the southern view"
near "$(status lookaltitude)" 11.46 0.05 || fail "not the southern view's height"
near "$(status field)" 0.8 1e-6 || fail "the field is not 0.8"

# A left drag across the middle: the look turns by the dragged angle, opposite to the drag.
eval "$(xdotool getwindowgeometry --shell "$WIN")"
CX=$((X + WIDTH / 2)); CY=$((Y + HEIGHT / 2))
az0=$(status lookazimuth)
xdotool mousemove "$CX" "$CY" mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove "$((CX + step * 10))" "$CY"; sleep 0.05; done
xdotool mouseup 1
settle
az1=$(status lookazimuth)
# 100 pixels of the window's width in a field of 0.8 rad across the view's height.
expected=$(awk -v h="$HEIGHT" 'BEGIN { printf "%.4f", -100 * 0.8 / h * 180 / 3.14159265 * 1.0 }')
turned=$(awk -v a="$az0" -v b="$az1" 'BEGIN { d = b - a; if (d > 180) d -= 360; if (d < -180) d += 360; printf "%.4f", d }')
awk -v t="$turned" -v e="$expected" 'BEGIN { exit !(t * e > 0 && t / e > 0.6 && t / e < 1.6) }' ||
  fail "a drag of 100 px turned the look by $turned degrees (about $expected expected)"

# Three wheel notches away and back.
field0=$(status field)
xdotool mousemove "$CX" "$CY" click 5 click 5 click 5
settle
f1=$(status field)
near "$(awk -v a="$f1" -v b="$field0" 'BEGIN { print a / b }')" "$(awk 'BEGIN { print 1 / (1.07 ^ 3) }')" 1e-4 ||
  fail "three notches towards the user do not narrow by 1.07 cubed ($field0 -> $f1)"
xdotool click 4 click 4 click 4
settle
near "$(status field)" "$field0" 1e-5 || fail "three notches back do not restore the field"

# Numeric pad + and -, and an arrow.
xdotool key KP_Add
settle
near "$(awk -v a="$(status field)" -v b="$field0" 'BEGIN { print b / a }')" 1.07 1e-4 || fail "numeric pad + does not narrow"
xdotool key KP_Subtract
settle
near "$(status field)" "$field0" 1e-5 || fail "numeric pad - does not widen back"
az2=$(status lookazimuth)
xdotool key Left
settle
near "$(status lookazimuth)" "$az2" 1e-3 && fail "the left arrow does not turn the view"

# Ctrl+P: time runs at the speed factor (3000 by default); Ctrl+S stops it.
# The rate is taken from two reports of the program's own clock, so a slow
# machine drawing a few frames a second does not skew it.
xdotool key ctrl+p
wait_for '[ "$(status animation)" = 1 ]' 10 || fail "Ctrl+P does not start the animation"
settle
report0=$(cat "$NUVARINE_STATUS_FILE")
sleep 4
settle
report1=$(cat "$NUVARINE_STATUS_FILE")
xdotool key ctrl+s
wait_for '[ "$(status animation)" = 0 ]' 10 || fail "Ctrl+S does not stop the animation"
field_of() { echo "$1" | grep "^$2=" | cut -d= -f2-; }
rate=$(awk -v a="$(field_of "$report0" julian)" -v b="$(field_of "$report1" julian)" \
  -v s="$(field_of "$report0" clockms)" -v e="$(field_of "$report1" clockms)" \
  'BEGIN { if (e <= s) { print 0; exit } printf "%.1f", (b - a) * 86400000 / (e - s) }')
awk -v r="$rate" 'BEGIN { exit !(r > 3000 * 0.9 && r < 3000 * 1.1) }' || fail "time ran at $rate x, not about 3000 x"
settle
jd2=$(status julian); sleep 1; settle
[ "$(status julian)" = "$jd2" ] || fail "time runs on after Ctrl+S"

# Back to the solar system by the menu's keys: the camera near the Earth, locked on it.
xdotool key --window "$WIN" alt+o; sleep 0.5; xdotool key m; sleep 0.3; xdotool key s
wait_for '[ "$(status mode)" = solarsystem ]' 20 || fail "the menu's keys do not switch to the solar system"
settle
[ "$(status locked)" = 3 ] || fail "the camera is not locked on the Earth"

close_program
echo "PASS"
INNER
timeout 280 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
