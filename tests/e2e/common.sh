# Sourced by the end-to-end scripts: by the script itself and by the part it
# runs under the virtual X server (its inner.sh, which sources this file again
# through $HERE). Helpers that read the program's status use
# $NUVARINE_STATUS_FILE; those that stop the program use $PID.

# make_program_tree <install folder> <new folder>: a private copy of the
# install folder for one run. The executable and the planet library are hard
# links (copies across file systems), every data file a symbolic link in real
# folders, so whatever the program writes lands in the new folder only.
make_program_tree() {
  local source dest entry name
  source=$(realpath "$1")
  dest=$2
  mkdir -p "$dest" || return 1
  for entry in "$source"/*; do
    name=${entry##*/}
    case $name in
      telescope.log|nuvarine.ini) ;;  # left by earlier runs
      nuvarine2|*.so) ln "$entry" "$dest/$name" 2>/dev/null || cp "$entry" "$dest/$name" || return 1 ;;
      *) if [ -d "$entry" ]; then cp -rs "$entry" "$dest/$name" || return 1
         else ln -s "$entry" "$dest/$name" || return 1; fi ;;
    esac
  done
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

# wait_for <condition> <seconds>: evaluates the condition every $WAIT_STEP
# seconds (0.2 unless set) until it holds, or fails when the time is up.
wait_for() {
  local end=$((SECONDS + $2))
  while [ $SECONDS -lt $end ]; do eval "$1" && return 0; sleep "${WAIT_STEP:-0.2}"; done
  return 1
}

# on_fail: what a failure shows besides its message; a script that has more
# to show (windows, logs, what a device received) defines its own.
on_fail() { [ -n "${NUVARINE_STATUS_FILE:-}" ] && cat "$NUVARINE_STATUS_FILE" 2>/dev/null; return 0; }

# fail <message>: says why, shows on_fail's details, kills the program, ends the script.
fail() {
  echo "FAIL: $*"
  on_fail
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
# given), showing its threads' states (working or stuck); returns its exit
# status.
close_program() {
  local i t
  kill -TERM "$PID"
  for i in $(seq 1 $((${1:-30} * 5))); do kill -0 "$PID" 2>/dev/null || break; sleep 0.2; done
  if kill -0 "$PID" 2>/dev/null; then
    echo "--- the program's threads (name, state, kernel wait):"
    for t in /proc/"$PID"/task/*; do
      echo "$(cat "$t/comm" 2>/dev/null) $(awk '{print $3}' "$t/stat" 2>/dev/null) $(cat "$t/wchan" 2>/dev/null)"
    done
    fail "the program did not close"
  fi
  wait "$PID"
}
