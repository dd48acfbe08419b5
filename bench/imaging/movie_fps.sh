#!/usr/bin/env bash
# Frames per second of the real program on the default scene (a new user's
# first start: no settings file) under a virtual X server of 1920 x 1080
# (llvmpipe, frames shown on the view's own window), with nothing captured,
# then while recording a movie of the whole view in full frames and in
# Motion JPEG. Prints each figure, the ratio to the quiet figure and the
# size of the movie.
#   bench/imaging/movie_fps.sh <install folder, e.g. build/Nuvarine2> [seconds per figure]
set -u
PROGRAM_DIR=$(realpath "$1")
SECONDS_PER_FIGURE=${2:-10}
HERE=$(cd "$(dirname "$0")/../../tests/e2e" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool awk:mawk || exit 1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -m 700 "$WORK/run" "$WORK/home"
export XDG_RUNTIME_DIR=$WORK/run XDG_CONFIG_HOME=$WORK/config HOME=$WORK/home WORK HERE PROGRAM_DIR SECONDS_PER_FIGURE
unset QT_QPA_PLATFORM

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
export NUVARINE_STATUS_FILE=$WORK/status
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "cannot copy the install folder"; exit 1; }
cd "$WORK/program"
./nuvarine2 > "$WORK/log" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 20 ] 2>/dev/null' 120 || { echo "no scene"; exit 1; }
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
# fps <label>: frames counted over the period.
fps() {
  sleep 2
  local f0 t0 f1 t1
  f0=$(status frames); t0=$(date +%s.%N)
  sleep "$SECONDS_PER_FIGURE"
  f1=$(status frames); t1=$(date +%s.%N)
  awk -v a="$f0" -v b="$f1" -v s="$t0" -v e="$t1" 'BEGIN { printf "%.2f", (b - a) / (e - s) }'
}
# record <Down presses in the compressor dialog: 0 full frames, 1 Motion JPEG>
record() {
  xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
  xdotool key alt+f; sleep 0.4; xdotool key m
  wait_for 'shown "Video Compression"' 20 || { echo "no compressor dialog"; exit 1; }
  local d
  d=$(xdotool search --onlyvisible --name "^Video Compression\$" | head -1)
  xdotool windowactivate --sync "$d" 2>/dev/null || xdotool windowfocus --sync "$d"
  sleep 0.3
  [ "$1" = 1 ] && { xdotool key --window "$d" Down; sleep 0.2; }
  xdotool key --window "$d" Return
  wait_for '[ -s "$MOVIE" ]' 20 || { echo "the movie did not start"; exit 1; }
}
stop_recording() {
  xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
  xdotool key F8
  settle 2 30
}
view=$(status backbuffer)
echo "default scene, $(status mode), view ${view/ / x } pixels"
quiet=$(fps)
echo "nothing captured:          $quiet frames/s"
# Each movie is removed after its figure, so the next one has the same name.
MOVIE=$WORK/program/video1.avi
for kind in 0 1; do
  record $kind
  rate=$(fps)
  stop_recording
  frames=$(awk -v s="$(stat -c %s "$MOVIE")" 'BEGIN { printf "%.0f MB", s / 1048576 }')
  label=$([ $kind = 0 ] && echo "full frames" || echo "Motion JPEG")
  awk -v l="$label" -v r="$rate" -v q="$quiet" -v m="$frames" \
    'BEGIN { printf "recording, %-12s %6.2f frames/s  (%.2f of the quiet figure; movie %s)\n", l ":", r, r / q, m }'
  rm -f "$MOVIE"
done
quiet2=$(fps)
echo "nothing captured again:    $quiet2 frames/s"
kill -TERM "$PID"
wait_for '! kill -0 "$PID" 2>/dev/null' 30
INNER
xvfb-run -a -s "-screen 0 1920x1080x24" bash "$WORK/inner.sh"
