#!/usr/bin/env bash
# The real program under a virtual X server: "Capture movie..." from the File
# menu, the save-options dialog accepted, a few seconds of frames, F8; then S
# for a screenshot. The movie is checked with ffprobe and ffmpeg, the
# screenshot with ImageMagick. Every wait is bounded.
set -u
HERE=$(cd "$(dirname "$0")/../e2e" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xwininfo:x11-utils xdotool:xdotool ffprobe:ffmpeg ffmpeg:ffmpeg identify:imagemagick || exit 1
if [ ! -x "$1/nuvarine2" ]; then
  echo "no program in $1"; exit 1
fi
new_work_folder || exit 1
PROGRAM_DIR=$WORK/program
make_program_tree "$1" "$PROGRAM_DIR" || { echo "cannot copy the install folder"; exit 1; }
export NUVARINE_STATUS_FILE=$WORK/status
export PROGRAM_DIR WORK HERE

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
on_fail() { cat "$WORK/first.log" 2>/dev/null; }
cd "$PROGRAM_DIR"
./nuvarine2 > "$WORK/first.log" 2>&1 &
PID=$!
wait_for "[ \"\$(status frames)\" -ge 10 ] 2>/dev/null" 60 || fail "frames do not advance"
WINDOW=$(xwininfo -root -tree | grep '"Nuvarine version 2"' | head -1 | awk '{print $1}')
[ -n "$WINDOW" ] || fail "no main window"
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW"
sleep 0.5
# File menu, "Capture movie...", then OK in the save-options dialog.
xdotool key --clearmodifiers alt+f
sleep 0.7
xdotool key m
wait_for "xwininfo -root -tree | grep -q '\"Video Compression\"'" 15 || fail "no save-options dialog"
xdotool key Return
wait_for "[ -f video1.avi ]" 15 || fail "no movie file"
# A few seconds of frames; a slow machine gets longer to record a dozen.
F1=$(status frames)
sleep 3
wait_for "[ \"\$(status frames)\" -ge $((F1 + 14)) ] 2>/dev/null" 90 || fail "frames stop while recording"
F2=$(status frames)
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || true
xdotool key F8
sleep 1
xdotool key s
wait_for "[ -f Screenshot0.bmp ]" 15 || fail "no screenshot"
sleep 1
kill -0 "$PID" 2>/dev/null || fail "the program ended"
close_program
RC=$?
[ $RC -eq 0 ] || fail "exit status $RC"
echo "frames $F1 -> $F2"
INNER
timeout 240 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/inner.sh" || exit 1

cd "$PROGRAM_DIR"
PROBE=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=codec_name,width,height,r_frame_rate,nb_read_frames -of default=nw=1 video1.avi)
echo "$PROBE"
get() { echo "$PROBE" | grep "^$1=" | cut -d= -f2; }
[ "$(get codec_name)" = rawvideo ] || { echo "FAIL: codec $(get codec_name)"; exit 1; }
[ "$(get r_frame_rate)" = 25/1 ] || { echo "FAIL: rate $(get r_frame_rate)"; exit 1; }
W=$(get width); H=$(get height); N=$(get nb_read_frames)
[ $((W % 8)) -eq 0 ] && [ $((H % 8)) -eq 0 ] && [ "$W" -gt 100 ] && [ "$H" -gt 100 ] || { echo "FAIL: size ${W}x$H"; exit 1; }
[ "$N" -ge 10 ] || { echo "FAIL: $N frames"; exit 1; }
ERRORS=$(ffmpeg -v error -i video1.avi -f null - 2>&1)
[ -z "$ERRORS" ] || { echo "FAIL: ffmpeg: $ERRORS"; exit 1; }
# The screenshot is the view less 4 pixels: at least as large as the movie, at most 7 more.
SHOT=$(identify -format '%w %h' Screenshot0.bmp)
SW=${SHOT% *}; SH=${SHOT#* }
[ $((SW - W)) -ge 0 ] && [ $((SW - W)) -le 7 ] && [ $((SH - H)) -ge 0 ] && [ $((SH - H)) -le 7 ] ||
  { echo "FAIL: screenshot ${SW}x$SH beside movie ${W}x$H"; exit 1; }
echo "PASS: movie ${W}x$H, $N frames; screenshot ${SW}x$SH"
