#!/usr/bin/env bash
# A termination request while a modal dialog is open, in the real program
# under a virtual X server: File > Capture movie... opens "Video
# Compression"; SIGTERM then ends the dialog as its Cancel would (no movie
# file is left), and the program closes as by its close button, with status
# 0 and its settings saved. Every wait is bounded.
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
on_fail() {
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do echo "window: $(xdotool getwindowname "$w" 2>/dev/null)"; done
  tail -30 "$WORK/program.log" 2>/dev/null
  cat "$NUVARINE_STATUS_FILE" 2>/dev/null
}

cd "$WORK/program"
rm -f nuvarine.ini
./nuvarine2 > "$WORK/program.log" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 90 || fail "no scene"
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
[ -n "$WIN" ] || fail "no window"
xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
xdotool key --window "$WIN" alt+f; sleep 0.5; xdotool key m
wait_for 'shown "Video Compression"' 30 || fail "Capture movie... opens no Video Compression dialog"

kill -TERM "$PID"
for i in $(seq 1 150); do kill -0 "$PID" 2>/dev/null || break; sleep 0.2; done
kill -0 "$PID" 2>/dev/null && fail "the program did not close within 30 s of the termination request"
wait "$PID"
rc=$?
PID=
[ $rc -eq 0 ] || fail "exit status $rc after the termination request"
[ -s nuvarine.ini ] || fail "the settings were not saved at the close"
ls video*.avi > /dev/null 2>&1 && fail "a movie file was left: $(ls video*.avi)"
grep -q "Sanitizer" "$WORK/program.log" && fail "a sanitizer report"
echo "PASS"
INNER
timeout 200 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
