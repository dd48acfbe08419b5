#!/usr/bin/env bash
# Window resizes in the real program under a virtual X server: each one
# releases the scene's resources and makes them again for the new size; what
# the old size needed must go with it. After 300 resizes the resident memory
# is back within 10 MB of where it was after the first 20 (it grew by about
# 20 MB per 100 resizes, without end). Every wait is bounded.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool || exit 1
[ -x "$1/nuvarine2" ] || { echo "FAIL: no program in $1"; exit 1; }
new_work_folder || exit 1
PROGRAM_DIR=$WORK/program
make_program_tree "$1" "$PROGRAM_DIR" || { echo "FAIL: cannot copy the install folder"; exit 1; }
export NUVARINE_STATUS_FILE=$WORK/status
export PROGRAM_DIR WORK HERE

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
cd "$PROGRAM_DIR"
./nuvarine2 > "$WORK/program.log" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 90 || fail "no scene"
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
[ -n "$WIN" ] || fail "no window"
resident() { awk '/^VmRSS:/ {print $2}' "/proc/$PID/status"; }
resize() {  # the n-th resize: the scene released and made again
  local released
  released=$(status scenereleases)
  if [ $(($1 % 2)) = 0 ]; then xdotool windowsize "$WIN" 1100 800; else xdotool windowsize "$WIN" 1000 700; fi
  wait_for "[ \"\$(status scenereleases)\" -gt $released ] && [ \"\$(status scene)\" = 1 ] 2>/dev/null" 60 ||
    fail "resize $1 did not make the scene again"
}
for i in $(seq 1 20); do resize "$i"; done
settle 3 60 || fail "no frames after the first resizes"
EARLY=$(resident)
for i in $(seq 21 300); do resize "$i"; done
settle 3 60 || fail "no frames after the resizes"
LATE=$(resident)
echo "resident memory: $EARLY kB after 20 resizes, $LATE kB after 300"
[ $((LATE - EARLY)) -le 10240 ] || fail "resident memory grew by $(((LATE - EARLY) / 1024)) MB over 280 resizes"
close_program 60 || fail "exit status $? after a clean close"
echo "PASS: $EARLY kB -> $LATE kB"
INNER
timeout 600 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/inner.sh"
