#!/usr/bin/env bash
# Window resizes in the real program under a virtual X server: each one
# releases the scene's resources and makes them again for the new size; what
# the old size needed must go with it. After 100 resizes the resident memory
# is back within 10 MB of where it was after the first 20 (each resize kept
# about 2.5 MB for good, 200 MB over these 80). Every wait is bounded.
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
  WAIT_STEP=0.05 wait_for "[ \"\$(status scenereleases)\" -gt $released ] 2>/dev/null" 60 ||
    fail "resize $1 did not release the scene"
  # Every tenth time, the scene is made again and drawn before the next one.
  if [ $(($1 % 10)) = 0 ]; then
    wait_for '[ "$(status scene)" = 1 ] 2>/dev/null' 60 || fail "resize $1 did not make the scene again"
  fi
}
for i in $(seq 1 20); do resize "$i"; done
settle 3 60 || fail "no frames after the first resizes"
EARLY=$(resident)
for i in $(seq 21 100); do resize "$i"; done
settle 3 60 || fail "no frames after the resizes"
LATE=$(resident)
echo "resident memory: $EARLY kB after 20 resizes, $LATE kB after 100"
[ $((LATE - EARLY)) -le 10240 ] || fail "resident memory grew by $(((LATE - EARLY) / 1024)) MB over 80 resizes"
close_program 60 || fail "exit status $? after a clean close"
echo "PASS: $EARLY kB -> $LATE kB"
INNER
timeout 500 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/inner.sh"
