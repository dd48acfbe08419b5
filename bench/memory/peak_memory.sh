#!/usr/bin/env bash
# Peak resident memory (VmHWM of /proc/<pid>/status) of the real program under
# a virtual X server at 1920 x 1080 (llvmpipe, presenting included):
#  - the default start (no settings file), after its first frames;
#  - the Paris sky at Tycho-2 depth (field 0.04, both halves) with star,
#    deep-sky and constellation names, figures, equatorial and azimuthal
#    grids, equator, ecliptic, landscape and Milky Way, full screen.
# Each case runs RUNS times (3 by default); the lines give the peak and the
# resident memory at the end of each run, the latter split into anonymous
# memory (heap, driver buffers) and mapped files (program, libraries, fonts).
# With a third argument, the sky case runs once more under heaptrack, which
# writes its record of allocation sites to that file (heaptrack_print reads it).
# With PEAK_MEMORY_TRACE=<file> in the environment, the resident memory of
# each run is sampled every 0.2 s into that file (seconds, kB, frames drawn).
#   bench/memory/peak_memory.sh <install folder, e.g. build/Nuvarine2> [runs] [heaptrack file]
set -u
PROGRAM_DIR=$(realpath "$1")
RUNS=${2:-3}
HEAPTRACK_FILE=${3:+$(realpath -m "$3")}
HERE=$(cd "$(dirname "$0")/../../tests/e2e" && pwd)
. "$HERE/program_tree.sh"
require_programs xvfb-run:xvfb xdotool:xdotool faketime:faketime awk:mawk || exit 1
[ -z "$HEAPTRACK_FILE" ] || require_programs heaptrack:heaptrack || exit 1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -m 700 "$WORK/run"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
PEAK_MEMORY_TRACE=${PEAK_MEMORY_TRACE:+$(realpath -m "$PEAK_MEMORY_TRACE")}
[ -z "$PEAK_MEMORY_TRACE" ] || : > "$PEAK_MEMORY_TRACE"
export XDG_RUNTIME_DIR=$WORK/run XDG_CONFIG_HOME=$WORK/config WORK HERE PROGRAM_DIR RUNS LIBFAKETIME HEAPTRACK_FILE \
  PEAK_MEMORY_TRACE
unset QT_QPA_PLATFORM

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/program_tree.sh"
status() { grep "^$1=" "$NUVARINE_STATUS_FILE" 2>/dev/null | cut -d= -f2-; }
wait_for() { local end=$((SECONDS + $2)); while [ $SECONDS -lt $end ]; do eval "$1" && return 0; sleep 0.2; done; return 1; }
kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status" 2>/dev/null; }
start() {  # settings file or "" for none, then the command that runs the program
  local settings=$1
  shift
  rm -rf "$WORK/program"
  make_program_tree "$PROGRAM_DIR" "$WORK/program"
  [ -n "$settings" ] && cp "$settings" "$WORK/program/nuvarine.ini"
  export NUVARINE_STATUS_FILE=$WORK/status
  rm -f "$NUVARINE_STATUS_FILE"
  # heaptrack's own script stalls under the clock library: it runs at the real
  # instant (the same catalogues and passes load, under another sky).
  local clock=$LIBFAKETIME
  [ $# -gt 1 ] && clock=
  (cd "$WORK/program" && TZ=UTC LD_PRELOAD=$clock FAKETIME="@2024-01-15 21:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    exec "$@" > "$WORK/log" 2>&1) &
  PID=$!
  WRAPPER=$PID
  # Under heaptrack the program is the wrapper's child.
  [ $# -gt 1 ] && wait_for 'PID=$(pgrep -n -P "$WRAPPER" -x nuvarine2)' 30
  if [ -n "${PEAK_MEMORY_TRACE:-}" ]; then
    echo "# ${settings:-default settings}" >> "$PEAK_MEMORY_TRACE"
    (local t0=$SECONDS; while kill -0 "$PID" 2>/dev/null; do
       echo "$((SECONDS - t0)) $(kb "$PID" VmRSS) $(status frames)"; sleep 0.2; done >> "$PEAK_MEMORY_TRACE") &
  fi
  wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 120 || { echo "no scene"; cat "$WORK/log"; exit 1; }
}
stop() {
  kill -TERM "$PID"
  wait_for '! kill -0 "$PID" 2>/dev/null' 30
  wait "$WRAPPER" 2>/dev/null
}
report() {  # label
  awk -v l="$1" -v p="$(kb "$PID" VmHWM)" -v r="$(kb "$PID" VmRSS)" -v a="$(kb "$PID" RssAnon)" -v fi="$(kb "$PID" RssFile)" -v f="$(status field)" \
    -v s2="$(status sky2000)" -v t1="$(status tycho2)" -v t2="$(status tycho2part2)" -v m="$(status mode)" \
    'BEGIN { printf "%-22s peak %6.1f MB  resident %6.1f MB (anonymous %.1f, files %.1f)  (%s, field %.3f, Sky2000 %d, Tycho-2 %d + %d stars)\n",
             l, p / 1024, r / 1024, a / 1024, fi / 1024, m, f, s2, t1, t2 }'
}
cat > "$WORK/sky.ini" <<INI
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
for run in $(seq 1 "$RUNS"); do
  start "" ./nuvarine2
  sleep 5
  report "default start $run"
  stop
done
sky() {  # label, command
  local label=$1
  shift
  start "$WORK/sky.ini" "$@"
  [ "$(status mode)" = planetarium ] || { echo "not started in the planetarium"; exit 1; }
  WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
  xdotool windowfocus --sync "$WIN" 2>/dev/null
  # View > Full screen mode: the view covers the 1920 x 1080 screen.
  xdotool key --delay 300 alt+v f; sleep 2
  # Numeric pad + narrows the field down to both Tycho-2 halves.
  for i in $(seq 1 45); do xdotool key KP_Add; sleep 0.1; done
  wait_for '[ "$(status tycho2part2)" -gt 0 ] 2>/dev/null' 30
  sleep 5
  report "$label"
  stop
}
for run in $(seq 1 "$RUNS"); do sky "Tycho-2 sky $run" ./nuvarine2; done
if [ -n "$HEAPTRACK_FILE" ]; then
  sky "under heaptrack" heaptrack -o "$HEAPTRACK_FILE" ./nuvarine2
  echo "allocation sites: heaptrack_print $(ls "$HEAPTRACK_FILE"*)"
fi
INNER
xvfb-run -a -s "-screen 0 1920x1080x24" bash "$WORK/inner.sh"
