#!/usr/bin/env bash
# Starts the real program in one situation and checks how it starts or why it
# does not: run_program_checks.sh <install folder> <case>.
#   second-copy         another copy holds the lock: the new one ends at once and says why
#   runtime-unset       no $XDG_RUNTIME_DIR: the per-user folder holds the lock
#   runtime-missing     $XDG_RUNTIME_DIR does not exist: the toolkit may make it, else the
#                       per-user folder holds the lock
#   runtime-not-folder  $XDG_RUNTIME_DIR is a file: the per-user folder holds the lock
#   runtime-unwritable  $XDG_RUNTIME_DIR cannot be written (root writes anywhere: as root the
#                       case runs as the unprivileged user nobody)
#   no-lock-anywhere    no folder can hold the lock: the program starts without the check
#   another-folder      started from another folder: log and data in the install folder,
#                       and a clean close (exit 0; no leak report in the sanitizer build)
#   missing-zone        a deep-sky zone file is missing: the box is answered and recorded in
#                       the status file, the rest loads and frames go on; the status file
#                       tells the start-up time, peak memory and catalogue counts
#   settings-fifo       a named pipe in place of the settings file: the start does not wait
#   bad-3d-settings     3D values no adapter gives and a zoom step of 0: defaults, one box naming
#                       the dropped values, defaults written back, a clean next start
#   empty-catalogues    every bright-star and deep-sky zone empty: the catalogue box
#   hostile-data        zones of random bytes, empty, of 1 GiB (sparse) or a named pipe; named
#                       pipes for the comets, satellites, per-user store and VS/lens.vs; 1 GiB
#                       star and landscape pictures; temporaries of a killed download and
#                       save: frames within a minute, one box naming each refused zone, one each
#                       for the comets and the store, the temporaries gone (look-alikes kept), a
#                       clean close within a minute
#   huge-settings       a 1 GiB (sparse) settings file: kept beside itself and replaced at a
#                       close that takes no longer than any other
#   no-planet-library   no planet library: status 1 and a line on standard error
#   no-display          neither DISPLAY nor WAYLAND_DISPLAY: message, status 1
#   bad-display         DISPLAY names no server: message, status 1
# Every run happens in a private copy of the install folder inside a fresh
# temporary folder, removed at the end. Every wait is bounded.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
SOURCE_DIR=$1
CASE=$2
require_programs timeout:coreutils realpath:coreutils grep:grep truncate:coreutils mkfifo:coreutils || exit 1
[ -x "$SOURCE_DIR/nuvarine2" ] || { echo "FAIL: no program in $SOURCE_DIR"; exit 1; }
if [ "$CASE" = runtime-unwritable ] && [ "$(id -u)" -eq 0 ]; then
  require_programs setpriv:util-linux || exit 1
  AS_NOBODY=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  "${AS_NOBODY[@]}" test -x "$SOURCE_DIR/nuvarine2" ||
    { echo "SKIP: the build folder is closed to the unprivileged user"; exit 77; }
  exec setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp bash "$0" "$@"
fi

WORK=$(mktemp -d) || exit 1
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  chmod -R u+rwx "$WORK" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "FAIL ($CASE): $*"
  for f in "$WORK"/*.err; do [ -f "$f" ] && { echo "--- $f"; cat "$f"; }; done
  for pid in "${PIDS[@]}"; do kill -0 "$pid" 2>/dev/null && PROGRAM_LOGS=/nonexistent program_report "$pid"; done
  exit 1
}

PROGRAM=$WORK/program
make_program_tree "$SOURCE_DIR" "$PROGRAM" || fail "cannot copy the install folder"
mkdir -p "$WORK/tmp" "$WORK/elsewhere" && mkdir -m 700 "$WORK/run"
export TMPDIR=$WORK/tmp
export XDG_RUNTIME_DIR=$WORK/run
export XDG_CONFIG_HOME=$WORK/config
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
PER_USER=$TMPDIR/nuvarine-$(id -u)

# start <name> [folder]: starts a copy in the background from the install folder
# (or from another folder), its status in $WORK/<name>.status.
start() {
  local name=$1 folder=${2:-$PROGRAM}
  (cd "$folder" && NUVARINE_STATUS_FILE=$WORK/$name.status exec "$PROGRAM/nuvarine2" \
     > "$WORK/$name.out" 2> "$WORK/$name.err") &
  PIDS+=($!)
  LAST_PID=$!
}
status() { grep "^$2=" "$WORK/$1.status" 2>/dev/null | cut -d= -f2-; }
wait_frames() {  # name [count]: the copy draws frames (3, or count); the wait follows its progress
  NUVARINE_STATUS_FILE=$WORK/$1.status wait_for \
    "[ \"\$(status $1 frames)\" -ge ${2:-3} ] 2>/dev/null || ! kill -0 $LAST_PID 2>/dev/null" 60 ||
    fail "$1 draws no frames"
  kill -0 "$LAST_PID" 2>/dev/null || fail "$1 ended early"
}
close() {  # pid: a termination request ends the program cleanly within 60 s
  kill -TERM "$1"
  local end=$((SECONDS + 60))
  while kill -0 "$1" 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.2; done
  kill -0 "$1" 2>/dev/null && fail "the program did not close"
  wait "$1"
  local rc=$?
  [ $rc -eq 0 ] || fail "exit status $rc after a clean close"
}
# second_is_refused: another copy started now ends within 10 s, says why, and opens nothing.
second_is_refused() {
  timeout 20 "$PROGRAM/nuvarine2" > "$WORK/second.out" 2> "$WORK/second.err"
  local rc=$?
  [ $rc -ne 124 ] || fail "the second copy did not end"
  grep -q "another copy is already running" "$WORK/second.err" || fail "the second copy does not say why it ends"
}
started_with_lock_in() {  # folder...: the first copy started and holds its lock file in one of them
  start first
  local pid=$LAST_PID folder found=0
  wait_frames first
  for folder in "$@"; do [ -f "$folder/SDISAMPLE.lock" ] && found=1; done
  [ $found -eq 1 ] || fail "no lock file in $*"
  second_is_refused
  kill -0 "$pid" 2>/dev/null || fail "the first copy died"
  close "$pid"
}

case $CASE in
  second-copy)
    started_with_lock_in "$XDG_RUNTIME_DIR"
    [ ! -s "$WORK/first.err" ] || ! grep -q "lock" "$WORK/first.err" || fail "lock trouble reported"
    ;;
  runtime-unset)
    unset XDG_RUNTIME_DIR
    started_with_lock_in "$PER_USER"
    ;;
  runtime-missing)
    export XDG_RUNTIME_DIR=$WORK/none
    started_with_lock_in "$WORK/none" "$PER_USER"
    ;;
  runtime-not-folder)
    : > "$WORK/file"
    export XDG_RUNTIME_DIR=$WORK/file
    started_with_lock_in "$PER_USER"
    grep -q "cannot make a lock file in $WORK/file" "$WORK/first.err" || fail "the log does not name the folder"
    grep -q "single-instance lock in $PER_USER/SDISAMPLE.lock" "$WORK/first.err" || fail "the log does not name the lock used"
    ;;
  runtime-unwritable)
    chmod 500 "$XDG_RUNTIME_DIR"
    started_with_lock_in "$PER_USER"
    ;;
  no-lock-anywhere)
    : > "$WORK/file"
    export XDG_RUNTIME_DIR=$WORK/file
    mkdir -m 777 "$PER_USER" && chmod 777 "$PER_USER"  # a folder others can write: not used
    start first
    pid=$LAST_PID
    wait_frames first
    grep -q "starting without the check" "$WORK/first.err" || fail "the log does not say the check is off"
    grep -q "others can write in it" "$WORK/first.err" || fail "the log does not say why $PER_USER is refused"
    [ ! -e "$PER_USER/SDISAMPLE.lock" ] || fail "lock file made in a folder others can write"
    close "$pid"
    ;;
  missing-zone)
    rm -f "$PROGRAM/sac/50.dat"
    start first
    pid=$LAST_PID
    wait_frames first 10
    grep -q "^messagebox=Error !  Nuvarine 2.0|Impossible to open Nuvarine' catalogues" "$WORK/first.status" ||
      fail "the missing zone's box is not recorded"
    [ "$(grep -c '^messagebox=' "$WORK/first.status")" = 1 ] || fail "more than one box"
    [ "$(status first brightstars)" -gt 9000 ] 2>/dev/null || fail "the bright stars did not load"
    [ "$(status first deepsky)" -gt 10000 ] 2>/dev/null || fail "the other deep-sky zones did not load"
    [ "$(status first firstpresentms)" -gt 0 ] 2>/dev/null || fail "no start-up time"
    [ "$(status first peakkb)" -gt 0 ] 2>/dev/null || fail "no peak memory"
    close "$pid"
    ;;
  another-folder)
    start first "$WORK/elsewhere"
    pid=$LAST_PID
    wait_frames first 10  # the scene is made at the fifth frame
    [ "$(status first scene)" = "1" ] || fail "scene not made: data not found"
    close "$pid"
    [ -f "$PROGRAM/telescope.log" ] || fail "no log in the install folder"
    grep -q "Version" "$PROGRAM/telescope.log" || fail "log header missing"
    [ -z "$(ls -A "$WORK/elsewhere")" ] || fail "files written in the start folder: $(ls -A "$WORK/elsewhere")"
    ;;
  settings-fifo)
    # A named pipe in place of the settings file: read as no file, no wait.
    rm -f "$PROGRAM/nuvarine.ini"
    mkfifo "$PROGRAM/nuvarine.ini" || fail "cannot make a named pipe"
    start first
    pid=$LAST_PID
    wait_frames first
    close "$pid"
    ;;
  bad-3d-settings)
    # Values no adapter gives: the defaults are used, the user learns which
    # values were dropped, and the next start is clean.
    printf '%s\r\n' "[Observation Settings]" "Latitude=48.8566" "Longitude=-2.3522" "UTCP=1" \
      "Pressure=1013" "Temperature=10" "Elevation=35" "[Application Settings]" "Planetarium=True" \
      "Zoom Value=0" "[3D Settings]" "Back Buffer=1" "Interval=-1" > "$PROGRAM/nuvarine.ini"
    start first
    pid=$LAST_PID
    wait_frames first 10
    box=$(grep '^messagebox=' "$WORK/first.status")
    case $box in *"Back Buffer=1"*"Interval=-1"*) ;; *) fail "no box names the refused values: $box" ;; esac
    close "$pid"
    ini=$(tr -d '\r' < "$PROGRAM/nuvarine.ini")
    grep -qx "Back Buffer=80" <<< "$ini" && grep -qx "Interval=0" <<< "$ini" ||
      fail "the refused values were written back: $(grep -E '^(Back Buffer|Interval)=' <<< "$ini")"
    grep -qx "Zoom Value=1.07[0-9]*" <<< "$ini" || fail "the zoom step was not bounded: $(grep '^Zoom' <<< "$ini")"
    start second
    pid=$LAST_PID
    wait_frames second 10
    ! grep -q '^messagebox=' "$WORK/second.status" || fail "a box at the next start: $(grep '^messagebox=' "$WORK/second.status")"
    close "$pid"
    ;;
  empty-catalogues)
    # Every bright-star and deep-sky zone present but empty: a blank sky must not come silently.
    for f in "$PROGRAM"/bsc5/*.dat "$PROGRAM"/sac/*.dat; do rm -f "$f" && : > "$f"; done
    start first
    pid=$LAST_PID
    wait_frames first 10
    grep -q "^messagebox=Error !  Nuvarine 2.0|Impossible to open Nuvarine' catalogues" "$WORK/first.status" ||
      fail "no box for the empty catalogues"
    close "$pid"
    ;;
  hostile-data)
    replace() { rm -f "$PROGRAM/$1"; }
    head -c 20800 /dev/urandom > "$WORK/random"
    replace bsc5/03.dat && cp "$WORK/random" "$PROGRAM/bsc5/03.dat"
    replace sac/07.dat && : > "$PROGRAM/sac/07.dat"
    replace sac/09.dat && truncate -s 1G "$PROGRAM/sac/09.dat"
    for f in bsc5/11.dat donnees/cometes.dat donnees/satellites.dat VS/lens.vs; do
      replace "$f" && mkfifo "$PROGRAM/$f" || fail "cannot make a named pipe"
    done
    mkdir -p "$XDG_CONFIG_HOME/Nuvarine2" && mkfifo "$XDG_CONFIG_HOME/Nuvarine2/registry.ini"
    for f in textures/stars/etoile3.tga textures/landscapes/landscape.tga; do
      replace "$f" && truncate -s 1G "$PROGRAM/$f"
    done
    left=(donnees/cometes2.dat.part-Ab12Cd textures/nuagestr.jpg.part-Xy34Zw nuvarine.ini.Qw12Er)
    alike=(donnees/notes.txt.part-Ab12Cd nuvarine.ini.backup donnees/cometes2.dat.part-x)
    for f in "${left[@]}" "${alike[@]}"; do echo left > "$PROGRAM/$f"; done
    start first
    pid=$LAST_PID
    wait_frames first 10
    # One box for the catalogues, naming each refused zone; the comet file
    # and the per-user store have their own, said once each.
    boxes=$(grep '^messagebox=' "$WORK/first.status")
    box=$(grep "catalogues" <<< "$boxes")
    [ "$(grep -c "catalogues" <<< "$boxes")" = 1 ] || fail "not one catalogue box: $boxes"
    [ "$(grep -c '^messagebox=' "$WORK/first.status")" = 3 ] || fail "not three boxes: $boxes"
    for named in "bsc5/03.dat: record [0-9]* holds values outside the catalogue's ranges" "sac/07.dat: empty" \
                 "sac/09.dat: larger than the catalogue can hold" "bsc5/11.dat: not a regular file"; do
      grep -q "$named" <<< "$box" || fail "the box does not say \"$named\": $box"
    done
    grep -q "donnees/cometes.dat: not a plain file" <<< "$boxes" || fail "no box names the comet file: $boxes"
    grep -q "registry.ini is not a file" <<< "$boxes" || fail "no box names the per-user store: $boxes"
    for f in "${left[@]}"; do [ ! -e "$PROGRAM/$f" ] || fail "$f was left"; done
    for f in "${alike[@]}"; do [ -e "$PROGRAM/$f" ] || fail "$f, not ours, was removed"; done
    close "$pid"
    ;;
  huge-settings)
    rm -f "$PROGRAM/nuvarine.ini"
    printf '[Observation Settings]\r\nLatitude=48.8566\r\n' > "$PROGRAM/nuvarine.ini"
    truncate -s 1G "$PROGRAM/nuvarine.ini"
    start first
    pid=$LAST_PID
    wait_frames first 10
    kill -TERM "$pid"
    end=$((SECONDS + 20))
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.2; done
    kill -0 "$pid" 2>/dev/null && fail "the close waits for the 1 GiB settings file"
    wait "$pid"
    [ "$(stat -c %s "$PROGRAM/nuvarine.ini.bak")" = 1073741824 ] || fail "the settings file was not kept beside"
    [ "$(stat -c %s "$PROGRAM/nuvarine.ini")" -lt 100000 ] || fail "the settings were not written anew"
    head -c 40 "$PROGRAM/nuvarine.ini.bak" | grep -q "Latitude=48.8566" || fail "the kept copy lost its bytes"
    ;;
  no-planet-library)
    rm -f "$PROGRAM/liborbicalc.so"
    (cd "$PROGRAM" && NUVARINE_STATUS_FILE=$WORK/run.status timeout 60 "$PROGRAM/nuvarine2" \
       > "$WORK/run.out" 2> "$WORK/run.err")
    rc=$?
    [ $rc -ne 124 ] || fail "the program did not end"
    [ $rc -eq 1 ] || fail "exit status $rc, not 1"
    grep -q "liborbicalc.so" "$WORK/run.err" || fail "standard error does not name the planet library"
    ;;
  no-display|bad-display)
    unset QT_QPA_PLATFORM
    if [ "$CASE" = bad-display ]; then
      n=397
      while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
      export DISPLAY=:$n
    fi
    (cd "$WORK/elsewhere" && timeout 30 "$PROGRAM/nuvarine2" > "$WORK/run.out" 2> "$WORK/run.err")
    rc=$?
    [ $rc -eq 1 ] || fail "exit status $rc, not 1"
    if [ "$CASE" = no-display ]; then
      grep -q "DISPLAY" "$WORK/run.err" && grep -q "WAYLAND_DISPLAY" "$WORK/run.err" || fail "the message names neither variable"
    else
      grep -q "cannot open the display (DISPLAY=\":$n\"" "$WORK/run.err" || fail "the message does not name the display"
    fi
    [ ! -e "$PROGRAM/telescope.log" ] || fail "the program went on without a display"
    ;;
  *) fail "unknown case" ;;
esac
echo "PASS: $CASE"
