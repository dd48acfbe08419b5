#!/usr/bin/env bash
# Frames per second of the real program drawing the Paris sky at 1920 x 1080
# under a virtual X server (llvmpipe, presenting included), everything on:
# Milky Way, deep-sky pictures and names, star names, figures, borders and
# names, equator, ecliptic and both grids. Fields 0.8 (bright stars), 0.3
# (Sky2000) and 0.04 (both Tycho-2 halves), reached with the numeric pad's +.
# Then five starts: milliseconds to the first presented frame and peak
# memory, from the status file.
#   bench/sky/sky_frames.sh <install folder, e.g. build/Nuvarine2> [seconds per field]
set -u
PROGRAM_DIR=$(realpath "$1")
SECONDS_PER_FIELD=${2:-10}
HERE=$(cd "$(dirname "$0")/../../tests/e2e" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool faketime:faketime awk:mawk || exit 1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -m 700 "$WORK/run"
# A sanitizer build must accept the preloaded clock library ahead of its runtime.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
export XDG_RUNTIME_DIR=$WORK/run XDG_CONFIG_HOME=$WORK/config WORK HERE PROGRAM_DIR SECONDS_PER_FIELD LIBFAKETIME
unset QT_QPA_PLATFORM

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
start() {
  rm -rf "$WORK/program"
  make_program_tree "$PROGRAM_DIR" "$WORK/program"
  cat > "$WORK/program/nuvarine.ini" <<INI
[Observation Settings]
Latitude=48.8566000000
Longitude=-2.3522000000
UTCP=0.0000000000
Pressure=1013.0000000000
Temperature=10.0000000000
Elevation=0.0000000000
[Application Settings]
Planetarium=True
Landscape=True
Constellations Figures=True
Constellation Borders=True
Constellations Names=True
Stars Names=True
Deep Sky Objects=True
Deep Sky Objects Names=True
Deep Sky Objects pictures=True
Show Milk Way=True
Equator=True
Ecliptic=True
Show AR Grid=True
Show AZ Grid=True
Sky2000=True
Tycho2=True
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False
INI
  export NUVARINE_STATUS_FILE=$WORK/status
  rm -f "$NUVARINE_STATUS_FILE"
  (cd "$WORK/program" && TZ=UTC LD_PRELOAD=$LIBFAKETIME FAKETIME="@2024-01-15 21:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    exec ./nuvarine2 > "$WORK/log" 2>&1) &
  PID=$!
  wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 120 || { echo "no scene"; exit 1; }
  [ "$(status mode)" = planetarium ] || { echo "not started in the planetarium"; exit 1; }
}
stop() {
  kill -TERM "$PID"
  wait_for '! kill -0 "$PID" 2>/dev/null' 30
  wait "$PID" 2>/dev/null
}
measure() {  # label
  sleep 2
  local f0 t0 f1 t1
  f0=$(status frames); t0=$(date +%s.%N)
  sleep "$SECONDS_PER_FIELD"
  f1=$(status frames); t1=$(date +%s.%N)
  awk -v l="$1" -v f="$(status field)" -v a="$f0" -v b="$f1" -v s="$t0" -v e="$t1" -v t2="$(status tycho2part2)" \
    -v s2="$(status sky2000)" -v t1c="$(status tycho2)" \
    'BEGIN { printf "%-28s field %.3f  %6.1f frames/s  (Sky2000 %d, Tycho-2 %d + %d stars)\n", l, f, (b - a) / (e - s), s2, t1c, t2 }'
}

start
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
xdotool windowfocus --sync "$WIN" 2>/dev/null
measure "bright stars"
for i in $(seq 1 15); do xdotool key KP_Add; sleep 0.1; done
measure "Sky2000"
for i in $(seq 1 30); do xdotool key KP_Add; sleep 0.1; done
measure "Tycho-2, both halves"
stop
for run in 1 2 3 4 5; do
  start
  wait_for '[ "$(status firstpresentms)" -gt 0 ] 2>/dev/null' 30
  sleep 3
  echo "start $run: first frame presented after $(status firstpresentms) ms, peak memory $(( $(status peakkb) / 1024 )) MB"
  stop
done
INNER
xvfb-run -a -s "-screen 0 1920x1080x24" bash "$WORK/inner.sh"
