#!/usr/bin/env bash
# The internet services in the real program under a virtual X server, against
# a stand-in server of this script's own on 127.0.0.1 named by the install
# folder's endpoints file: "Update orbital elements" shows its progress
# window while the frames go on and the comet count changes; a Stop keeps
# the previous file byte for byte. Every wait is bounded.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/program_tree.sh"
require_programs xvfb-run:xvfb xdotool:xdotool python3:python3 || exit 1
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
WORK=$(mktemp -d)
SERVER=
cleanup() {
  [ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null && wait "$SERVER" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -m 700 "$WORK/run"
export XDG_RUNTIME_DIR=$WORK/run
export XDG_CONFIG_HOME=$WORK/config
unset QT_QPA_PLATFORM
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "FAIL: cannot copy the install folder"; exit 1; }

# The server's files: the comet elements of the tests' fixture, a survey
# answer (a picture of the install folder) for the tile servers.
mkdir "$WORK/server"
cp "$HERE/../net/data/Soft06Cmt.txt" "$WORK/server/comets.txt"
cp "$WORK/program/Textures br/moon.jpg" "$WORK/server/tile.jpg" || { echo "FAIL: no picture for the tiles"; exit 1; }
/usr/bin/python3 "$HERE/fixture_http_server.py" "$WORK/port" "$WORK/server" &
SERVER=$!
for i in $(seq 1 100); do [ -s "$WORK/port" ] && break; sleep 0.1; done
[ -s "$WORK/port" ] || { echo "FAIL: the stand-in server does not start"; exit 1; }
HOST=127.0.0.1:$(cat "$WORK/port")
cat > "$WORK/program/endpoints.ini" <<INI
testHost=$HOST
minorPlanetHost=$HOST
surveyHost1=$HOST
surveyHost2=$HOST
surveyHost3=$HOST
INI
# A short comet file cut from the install's own, so the count must change.
rm -f "$WORK/program/donnees/cometes.dat" "$WORK/program/donnees/cometes2.dat"
sed -n 100,109p "$PROGRAM_DIR/donnees/cometes.dat" > "$WORK/program/donnees/cometes.dat"
: > "$WORK/program/donnees/cometes2.dat"
cat > "$WORK/program/nuvarine.ini" <<'INI'
[Application Settings]
Planetarium=True
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False

[Update Settings]
Automatic=False
Comets=True
Asteroids=False
Satellites=False

[DSS Settings]
On=True
Server=3
Mode=1
Options=1
INI
export WORK

cat > "$WORK/inner.sh" <<'INNER'
set -u
export NUVARINE_STATUS_FILE=$WORK/status
status() { grep "^$1=" "$NUVARINE_STATUS_FILE" 2>/dev/null | cut -d= -f2-; }
wait_for() {  # condition, seconds
  local end=$((SECONDS + $2))
  while [ $SECONDS -lt $end ]; do eval "$1" && return 0; sleep 0.1; done
  return 1
}
fail() { echo "FAIL: $*"; cat "$NUVARINE_STATUS_FILE" 2>/dev/null; kill -9 "$PID" 2>/dev/null; exit 1; }
shown() { [ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)" ]; }
activate() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }
# Opens "Update orbital elements..." and presses "Update now !".
update_now() {
  activate "$WIN"
  xdotool key --window "$WIN" alt+i; sleep 0.5; xdotool key o
  wait_for 'shown "Automatic update"' 20 || fail "Update orbital elements opens no dialog"
  local dlg
  dlg=$(xdotool search --onlyvisible --name "^Automatic update\$" | head -1)
  activate "$dlg"
  xdotool key --window "$dlg" Tab Tab Tab Tab space
}

cd "$WORK/program"
./nuvarine2 > "$WORK/program.log" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 90 || fail "no scene"
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
[ -n "$WIN" ] || fail "no window"
[ "$(status comets)" = 10 ] || fail "the short comet file is not the one loaded"

# 1. The comet elements: the progress window while the frames go on.
update_now
wait_for 'shown "Downloading in progress..."' 30 || fail "no download window"
f=$(status frames)
wait_for "shown 'Downloading in progress...' && [ \"\$(status frames)\" -gt $((f + 5)) ] 2>/dev/null" 30 ||
  fail "the frames stop while the window shows"
wait_for '! shown "Downloading in progress..."' 60 || fail "the download window stays"
wait_for '[ "$(status comets)" = 13 ]' 30 || fail "the comet count does not change to 13"
status messagebox | grep -q "The database contains  13 comets now" || fail "no success message"
cmp -s "$WORK/program/donnees/cometes2.dat" "$WORK/server/comets.txt" || fail "the new comet file is not the served one"

# 2. Stop part-way: the file stays as it was, no message.
echo "previous elements" > "$WORK/program/donnees/cometes2.dat"
touch "$WORK/server/stall"
before=$(ls -A "$WORK/program/donnees")
successes=$(status messagebox | grep -c "comets now")
update_now
wait_for 'shown "Downloading in progress..."' 30 || fail "no download window for the Stop"
sleep 1
DL=$(xdotool search --onlyvisible --name "^Downloading in progress...\$" | head -1)
activate "$DL"
xdotool key --window "$DL" Escape
wait_for '! shown "Downloading in progress..."' 30 || fail "Stop does not end the download"
rm -f "$WORK/server/stall"
[ "$(cat "$WORK/program/donnees/cometes2.dat")" = "previous elements" ] || fail "Stop changed the comet file"
[ "$(ls -A "$WORK/program/donnees")" = "$before" ] || fail "a temporary file is left: $(ls -A "$WORK/program/donnees")"
[ "$(status messagebox | grep -c "comets now")" = "$successes" ] || fail "Stop is told as a success"
[ "$(status comets)" = 13 ] || fail "Stop changed the comets"

f=$(status frames)
wait_for "[ \"\$(status frames)\" -gt $((f + 10)) ] 2>/dev/null" 30 || fail "the frames do not go on"

kill -TERM "$PID"
for i in $(seq 1 150); do kill -0 "$PID" 2>/dev/null || break; sleep 0.2; done
kill -0 "$PID" 2>/dev/null && fail "the program did not close"
wait "$PID"
echo "PASS"
INNER
timeout 400 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
