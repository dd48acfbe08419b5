#!/usr/bin/env bash
# Frames per second and the longest frame of the real program drawing the
# solar system at 1920 x 1080 under a virtual X server (llvmpipe, presenting
# included), every body, option and label on (names, satellites, asteroids,
# comets, orbits, atmospheres, cloud shadows, relief, reflections): the full
# solar-system view, the Earth and the Moon close, Saturn with its rings and
# moons, Jupiter with its moons (2024-01-17 18:00 UT).
#   bench/bodies/body_frames.sh <install folder, e.g. build/Nuvarine2> [seconds per view]
# The texture-level switch is measured by bench_body_textures.
set -u
PROGRAM_DIR=$(realpath "$1")
SECONDS_PER_VIEW=${2:-10}
HERE=$(cd "$(dirname "$0")/../../tests/e2e" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool faketime:faketime awk:mawk || exit 1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -m 700 "$WORK/run"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
export XDG_RUNTIME_DIR=$WORK/run XDG_CONFIG_HOME=$WORK/config WORK HERE PROGRAM_DIR SECONDS_PER_VIEW LIBFAKETIME
unset QT_QPA_PLATFORM

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
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
Planetarium=False
Planets Names=True
Show satellites names=True
Compute satellites positions=True
Show asteroids=True
Show Comets=True
Asteroids=True
Comets=True
Show orbits=True
Show Milk Way=True
Sky=True
Sky2000=True
Status line=True
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False
[3D Settings]
Texture level=2
Bump mapping=1
LensFlare=True
Reflection=True
Atmospheres=True
Cloud shadows=True
MipMapping=True
INI
export NUVARINE_STATUS_FILE=$WORK/status
(cd "$WORK/program" && TZ=UTC LD_PRELOAD=$LIBFAKETIME FAKETIME="@2024-01-17 18:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 \
  exec ./nuvarine2 > "$WORK/log" 2>&1) &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 120 || { echo "no scene"; exit 1; }
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
keys() { xdotool windowfocus --sync "$WIN" 2>/dev/null; xdotool key --delay 300 "$@"; }
close_dialog() { wait_for '[ -n "$(status dialog)" ]' 10 && xdotool key Escape; wait_for '[ -z "$(status dialog)" ]' 10; }
measure() {  # label: frames per second over the period, longest frame seen in it
  sleep 3
  local f0 t0 f1 t1 worst=0 w last=""
  f0=$(status frames); t0=$(date +%s.%N)
  local end=$((SECONDS + SECONDS_PER_VIEW))
  while [ $SECONDS -lt $end ]; do
    # Each report holds the longest frame since the one before.
    if [ "$(status clockms)" != "$last" ]; then
      last=$(status clockms); w=$(status longestframems)
      worst=$(awk -v a="$worst" -v b="${w:-0}" 'BEGIN { print (b > a ? b : a) }')
    fi
    sleep 0.05
  done
  f1=$(status frames); t1=$(date +%s.%N)
  awk -v l="$1" -v a="$f0" -v b="$f1" -v s="$t0" -v e="$t1" -v w="$worst" -v bt="$(status bodytextures)" \
    -v bm="$(status bodymeshes)" \
    'BEGIN { printf "%-34s %6.1f frames/s  longest frame %6.1f ms  (%d textures, %d meshes)\n", l, (b - a) / (e - s), w, bt, bm }'
}
# View > Full screen mode: the view covers the 1920 x 1080 screen.
keys alt+v f; sleep 2
echo "view $(status backbuffer)"
measure "Earth and Moon close"
keys alt+o s
measure "full solar system"
keys alt+o p t s; close_dialog; keys z
measure "Saturn with rings and moons"
keys alt+o p j j; close_dialog; keys z
measure "Jupiter with moons"
kill -TERM "$PID"
wait_for '! kill -0 "$PID" 2>/dev/null' 30
wait "$PID" 2>/dev/null
INNER
xvfb-run -a -s "-screen 0 1920x1080x24" bash "$WORK/inner.sh"
