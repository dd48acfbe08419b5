# Sourced by the end-to-end scripts: by the script itself and by the part it
# runs under the virtual X server (its inner.sh, which sources this file again
# through $HERE). Helpers that read the program's status use
# $NUVARINE_STATUS_FILE; those that stop the program use $PID.

# make_program_tree <install folder> <new folder>: a private copy of the
# install folder for one run, so that nothing the program or the test writes
# reaches the install folder. Every file either may write is a real copy: the
# files at the top (settings, optics, notes, cities, endpoints, logs), the
# element files and downloads (donnees, update, cache), the small catalogues
# and the text and settings files of every folder. Only the files of the
# large catalogue and picture folders, which nothing writes in place (a
# download replaces its file by a rename, which replaces the link), are
# symbolic links; the executable and the planet library are hard links
# (copies across file systems): nothing writes them. Files a user's own runs
# leave in the install folder (settings, optics, notes, the telescope log,
# their kept copies) are left out: every run starts as from a fresh build.
make_program_tree() {
  local source dest entry name
  source=$(realpath "$1")
  dest=$2
  mkdir -p "$dest" || return 1
  for entry in "$source"/*; do
    name=${entry##*/}
    case $name in
      telescope.log|nuvarine.ini|oculaires.ini|notes.ini|*.bak|*.bak[0-9]*) ;;
      nuvarine2|*.so) ln "$entry" "$dest/$name" 2>/dev/null || cp "$entry" "$dest/$name" || return 1 ;;
      "Textures "*|textures|Objets|tycho2-*|sky2000) _link_pictures_copy_texts "$entry" "$dest/$name" || return 1 ;;
      *) cp -r "$entry" "$dest/$name" || return 1 ;;
    esac
  done
}

# _link_pictures_copy_texts <folder> <new folder>: the folder's tree, its
# settings and text files copied and every other file linked.
_link_pictures_copy_texts() {
  local from=$1 to=$2
  cp -rs "$from" "$to" || return 1
  (cd "$from" && find . ! -type d \( -iname '*.ini' -o -iname '*.txt' -o -iname '*.log' -o -iname '*.bak' \) -print0) |
    (cd "$from" && xargs -0 -r cp --parents -P --remove-destination -t "$to")
}

# require_programs <program:package>...: fails naming the missing package.
require_programs() {
  local pair missing=0
  for pair in "$@"; do
    if ! command -v "${pair%%:*}" >/dev/null 2>&1; then
      echo "FAIL: ${pair%%:*} is missing: install the Debian package ${pair#*:} (scripts/setup does)"
      missing=1
    fi
  done
  return $missing
}

# new_work_folder: a fresh temporary folder in $WORK, removed at exit (a
# script with more to clean sets its own trap afterwards), with a private
# runtime folder and configuration home; the display is left to the virtual
# X server.
new_work_folder() {
  WORK=$(mktemp -d) || return 1
  trap 'rm -rf "$WORK"' EXIT
  mkdir -m 700 "$WORK/run"
  export XDG_RUNTIME_DIR=$WORK/run
  export XDG_CONFIG_HOME=$WORK/config
  unset QT_QPA_PLATFORM
}

# status <key>: the value of a line of the program's status file.
status() { grep "^$1=" "$NUVARINE_STATUS_FILE" 2>/dev/null | cut -d= -f2-; }

# progress_mark: what changes while the program moves on (frames drawn and
# presented, what the splash says it loads, the first frame's trail, the
# dialogs open); empty without status.
progress_mark() {
  grep -E '^(frames|presented|scene|trail|loading|dialog|popup|messagebox)=' "${NUVARINE_STATUS_FILE:-/nonexistent}" 2>/dev/null | cksum
}

# wait_for <condition> <seconds>: evaluates the condition every $WAIT_STEP
# seconds (0.2 unless set) until it holds. It fails when the program has shown
# no progress (progress_mark) for the given time, or in any case after
# WAIT_STRETCH (3 unless set) times that time: a loaded machine that draws
# slowly gets longer, a program that stopped does not.
wait_for() {
  local start=$SECONDS quiet_since=$SECONDS mark now
  mark=$(progress_mark)
  while :; do
    eval "$1" && return 0
    now=$(progress_mark)
    if [ "$now" != "$mark" ]; then mark=$now; quiet_since=$SECONDS; fi
    [ $((SECONDS - quiet_since)) -ge "$2" ] && break
    [ $((SECONDS - start)) -ge $(($2 * ${WAIT_STRETCH:-3})) ] && break
    sleep "${WAIT_STEP:-0.2}"
  done
  echo "wait of $((SECONDS - start)) s failed ($((SECONDS - quiet_since)) s without progress): $1"
  return 1
}

# program_report [pid]: what a failure shows of the running program ($PID
# unless given): its state, a stack of every thread (gdb, when installed) and
# the end of what it printed ($PROGRAM_LOGS, or the logs in $WORK).
program_report() {
  local pid=${1:-${PID:-}} f t
  [ -n "$pid" ] || return 0
  if [ -d "/proc/$pid" ]; then
    echo "--- the program ($pid): $(grep '^State:' "/proc/$pid/status" 2>/dev/null)"
    for t in /proc/"$pid"/task/*; do
      echo "  thread $(cat "$t/comm" 2>/dev/null) $(awk '{print $3}' "$t/stat" 2>/dev/null) $(cat "$t/wchan" 2>/dev/null)"
    done
    if command -v gdb >/dev/null 2>&1; then
      echo "--- stacks of every thread"
      timeout 120 gdb -p "$pid" -batch -nx -ex 'set pagination off' -ex 'thread apply all bt 30' 2>&1 |
        grep -v '^\[New LWP\|^warning: \|^Download failed\|^$' | head -600
    else
      echo "(no stacks: gdb is missing, install the Debian package gdb)"
    fi
  else
    echo "--- the program ($pid) is no longer running"
  fi
  for f in ${PROGRAM_LOGS:-"${WORK:-/nonexistent}"/*.log "${WORK:-/nonexistent}"/*.err "${WORK:-/nonexistent}"/*.out}; do
    [ -f "$f" ] && [ -s "$f" ] && { echo "--- $f (end)"; tail -60 "$f"; }
  done
  return 0
}

# on_fail: what a failure shows besides its message; a script that has more
# to show (windows, logs, what a device received) defines its own.
on_fail() { [ -n "${NUVARINE_STATUS_FILE:-}" ] && cat "$NUVARINE_STATUS_FILE" 2>/dev/null; return 0; }

# fail <message>: says why, shows on_fail's details and the program's state,
# stacks and output (program_report), kills the program, ends the script.
fail() {
  echo "FAIL: $*"
  on_fail
  program_report
  [ -n "${PID:-}" ] && kill -9 "$PID" 2>/dev/null
  exit 1
}

# settle [frames] [seconds]: after a short pause, waits until the program has
# drawn more frames (2 unless given) since, within the given time (20 s
# unless given), so that the status file and the screen show the last action.
settle() {
  sleep 0.6
  local f
  f=$(status frames)
  wait_for "[ \"\$(status frames)\" -gt $((f + ${1:-2})) ] 2>/dev/null" "${2:-20}"
}

# shown <title>: a visible window bears exactly this title (a regular expression).
shown() { [ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)" ]; }

# near <a> <b> <tolerance>: |a - b| <= tolerance.
near() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t) }'; }

# close_program [seconds]: ends the program as a window manager's close would
# and fails when it is still running after the given time (30 s unless
# given), showing its threads' states and stacks (working or stuck); returns
# its exit status.
close_program() {
  local end=$((SECONDS + ${1:-30}))
  kill -TERM "$PID"
  while kill -0 "$PID" 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.2; done
  kill -0 "$PID" 2>/dev/null && fail "the program did not close"
  wait "$PID"
}
