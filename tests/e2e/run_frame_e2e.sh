#!/usr/bin/env bash
# The real program's frame under a virtual X server: the first frame's result
# trail in the status file (scene objects made, frame ended, no failure), the
# overlay line at (10, 10) and the mode's name at (10, H - 40) drawn in
# (240, 240, 240) on the view's own window; then, from a copy of the install
# folder without "VS/lens.vs", the trail shows the lens program's failure and
# frames go on. Every wait is bounded.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xwd:x11-apps convert:imagemagick || exit 1
if [ ! -x "$PROGRAM_DIR/nuvarine2" ]; then
  echo "no program in $PROGRAM_DIR"; exit 1
fi
new_work_folder || exit 1
# Two private copies of the install folder, whatever the program writes
# staying in the temporary folder: a complete one, and one whose vertex
# programs leave out lens.vs.
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "cannot copy the install folder"; exit 1; }
make_program_tree "$PROGRAM_DIR" "$WORK/nolens" || { echo "cannot copy the install folder"; exit 1; }
rm -rf "$WORK/nolens/VS"
mkdir "$WORK/nolens/VS"
for f in "$PROGRAM_DIR"/VS/*.vs; do [ "$(basename "$f")" = lens.vs ] || cp "$f" "$WORK/nolens/VS/"; done
export PROGRAM_DIR WORK HERE

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
# Ends the program, killing it if it does not close (its closing is not what this run checks).
stop() {
  kill -TERM "$PID"
  for i in $(seq 1 150); do kill -0 "$PID" 2>/dev/null || break; sleep 0.2; done
  kill -9 "$PID" 2>/dev/null
  wait "$PID" 2>/dev/null
}
# Pixels of the colour (240, 240, 240) in a band of the view's window.
count_text() {  # window, x, y, width, height
  xwd -id "$1" -silent > "$WORK/view.xwd" || return 1
  convert "$WORK/view.xwd" -crop "$4x$5+$2+$3" +repage -fill black +opaque 'rgb(240,240,240)' \
    -fill white -opaque 'rgb(240,240,240)' -format '%[fx:int(mean*w*h+0.5)]' info: 2>/dev/null
}

# 1. The complete install folder.
export NUVARINE_STATUS_FILE=$WORK/status1
cd "$WORK/program"
./nuvarine2 > "$WORK/first.log" 2>&1 &
PID=$!
wait_for "[ -n \"\$(status trail)\" ]" 40 || fail "no first-frame trail"
wait_for "[ \"\$(status frames)\" -ge 20 ] 2>/dev/null" 30 || fail "frames do not advance"
TRAIL=" $(status trail) "
case "$TRAIL" in *" 10007 "*) ;; *) fail "no scene objects in the trail: $TRAIL";; esac
case "$TRAIL" in *" 15000 ") ;; *) fail "the trail does not end the frame: $TRAIL";; esac
for code in $TRAIL; do
  [ "${code#-}" -le 15000 ] || fail "failing code $code in the trail: $TRAIL"
done
VIEW=$(status viewwindow)
[ -n "$VIEW" ] || fail "the view has no window of its own"
HEIGHT=$(xwininfo -id "$VIEW" | awk '/Height:/ {print $2}')
sleep 0.5
LINE=$(count_text "$VIEW" 10 10 200 16)
MODE=$(count_text "$VIEW" 10 $((HEIGHT - 40)) 120 16)
[ "${LINE:-0}" -gt 20 ] || fail "no overlay line at (10, 10): $LINE pixels"
[ "${MODE:-0}" -gt 20 ] || fail "no mode name at (10, $((HEIGHT - 40))): $MODE pixels"
ABOVE=$(count_text "$VIEW" 10 $((HEIGHT - 70)) 120 25)
[ "${ABOVE:-1}" -eq 0 ] || fail "text above the mode name: $ABOVE pixels"
stop

# 2. Without the lens program.
export NUVARINE_STATUS_FILE=$WORK/status2
cd "$WORK/nolens"
./nuvarine2 > "$WORK/second.log" 2>&1 &
PID=$!
wait_for "[ -n \"\$(status trail)\" ]" 40 || fail "no first-frame trail without lens.vs"
TRAIL=" $(status trail) "
AFTER=$(echo "$TRAIL" | sed -n 's/.* 10003 \([^ ]*\) \([^ ]*\) \([^ ]*\) .*/\1 \2 \3/p')
set -- $AFTER
[ "${1:-x}" = 0 ] && [ "${2:-0}" -lt -15000 ] && [ "${3:-x}" = 10006 ] || fail "lens program trail: $AFTER"
F1=$(status frames)
wait_for "[ \"\$(status frames)\" -gt $F1 ] 2>/dev/null" 30 || fail "frames stopped at $F1 without lens.vs"
F2=$(status frames)
stop
echo "PASS: overlay $LINE pixels, mode $MODE pixels, frames $F1 -> $F2 without lens.vs"
INNER
timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/inner.sh"
