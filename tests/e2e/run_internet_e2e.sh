#!/usr/bin/env bash
# The internet services in the real program under a virtual X server, against
# a stand-in server of this script's own on 127.0.0.1 named by the install
# folder's endpoints file: "Update orbital elements" shows its progress
# window while the frames go on and the comet count changes, and fetches the
# kinds ticked in the settings only; a Stop keeps the previous file byte for
# byte. Then, zoomed under 0.08 rad, "Call a DSS server" turns the survey
# tiles on: the server's picture lands in the cache folder under the tiles'
# names and shows on screen where the plain sky was. Every wait is bounded.
# KEEP_SHOTS=<folder> keeps the two screenshots of the survey check.
set -u
PROGRAM_DIR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool python3:python3 xwd:x11-apps convert:imagemagick || exit 1
# Debian's own interpreter, whose packages hold numpy and PIL.
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || PYTHON=python3
"$PYTHON" -c "import numpy, PIL" 2>/dev/null ||
  { echo "FAIL: python3-numpy and python3-pil are needed (scripts/setup installs them)"; exit 1; }
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
SERVER=
cleanup() {
  [ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null && wait "$SERVER" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "FAIL: cannot copy the install folder"; exit 1; }

# The server's files: the comet elements of the tests' fixture, and the
# survey answer: a picture that the plain sky cannot be mistaken for.
mkdir "$WORK/server"
cp "$HERE/../net/data/Soft06Cmt.txt" "$WORK/server/comets.txt"
"$PYTHON" "$HERE/survey_pixels.py" picture "$WORK/server/tile.jpg" || { echo "FAIL: no survey picture"; exit 1; }
/usr/bin/python3 "$HERE/fixture_http_server.py" "$WORK/port" "$WORK/server" &
SERVER=$!
for i in $(seq 1 100); do [ -s "$WORK/port" ] && break; sleep 0.1; done
[ -s "$WORK/port" ] || { echo "FAIL: the stand-in server does not start"; exit 1; }
HOST=127.0.0.1:$(cat "$WORK/port")
cat > "$WORK/program/endpoints.ini" <<INI
testHost=$HOST
minorPlanetHost=$HOST
satelliteHost=$HOST
passHost=$HOST
surveyHost1=$HOST
surveyHost2=$HOST
surveyHost3=$HOST
INI
# A short comet file cut from the install's own, so the count must change.
rm -f "$WORK/program/donnees/cometes.dat" "$WORK/program/donnees/cometes2.dat"
sed -n 100,109p "$PROGRAM_DIR/donnees/cometes.dat" > "$WORK/program/donnees/cometes.dat"
: > "$WORK/program/donnees/cometes2.dat"
# The settings are read only after a complete observation block: without it
# the program keeps its defaults (all three element kinds, the solar system).
# A plain sky (no landscape, Milky Way or deep-sky shapes) behind the tiles,
# and a zoom step of 2 so that four presses narrow the field to 0.05 rad.
cat > "$WORK/program/nuvarine.ini" <<'INI'
[Observation Settings]
Latitude=48.8566000000
Longitude=-2.3522000000
UTCP=0.0000000000
Pressure=1013.0000000000
Temperature=10.0000000000
Elevation=35.0000000000

[Application Settings]
Planetarium=True
Landscape=False
Show Milk Way=False
Deep Sky Objects=False
Sky=False
Zoom Value=2.0000000000
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False

[Update Settings]
Automatic=False
Comets=True
Asteroids=False
Satellites=False

[DSS Settings]
On=False
Server=3
Mode=1
Options=1
INI
export WORK HERE PYTHON
KEEP_SHOTS=${KEEP_SHOTS:-}
export KEEP_SHOTS

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
export NUVARINE_STATUS_FILE=$WORK/status
on_fail() {
  echo "--- status"; cat "$NUVARINE_STATUS_FILE" 2>/dev/null
  echo "--- visible windows"
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do xdotool getwindowname "$w" 2>/dev/null; done
  echo "--- server requests"; tail -20 "$WORK/server/requests.log" 2>/dev/null
  echo "--- survey cache"; ls -la "$WORK/program/cache/DSS" 2>/dev/null
  echo "--- program log"; tail -60 "$WORK/program.log" 2>/dev/null
}
activate() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }
frames_past() {  # waits until <count> more frames are drawn
  local f
  f=$(status frames)
  wait_for "[ \"\$(status frames)\" -gt $((f + $1)) ] 2>/dev/null" 60
}
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
# screenshot <png>: the view's own window.
screenshot() {
  xwd -id "$(status viewwindow)" -silent > "$WORK/shot.xwd" && convert "$WORK/shot.xwd" "$1"
}

cd "$WORK/program"
./nuvarine2 > "$WORK/program.log" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 10 ] 2>/dev/null' 90 || fail "no scene"
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
[ -n "$WIN" ] || fail "no window"
[ "$(status comets)" = 10 ] || fail "the short comet file is not the one loaded"
[ "$(status mode)" = planetarium ] || fail "the settings file was not read (not in the planetarium)"

# 1. The comet elements: the progress window while the frames go on; only
# the ticked kind is fetched.
update_now
wait_for 'shown "Downloading in progress..."' 30 || fail "no download window"
f=$(status frames)
wait_for "shown 'Downloading in progress...' && [ \"\$(status frames)\" -gt $((f + 5)) ] 2>/dev/null" 30 ||
  fail "the frames stop while the window shows"
wait_for '! shown "Downloading in progress..."' 60 || fail "the download window stays"
wait_for '[ "$(status comets)" = 13 ]' 30 || fail "the comet count does not change to 13"
status messagebox | grep -q "The database contains  13 comets now" || fail "no success message"
cmp -s "$WORK/program/donnees/cometes2.dat" "$WORK/server/comets.txt" || fail "the new comet file is not the served one"
[ "$(grep -v '^/cgi-bin/images?' "$WORK/server/requests.log" | sort -u)" = /iau/Ephemerides/Comets/Soft06Cmt.txt ] ||
  fail "the update fetched more than the comets it was set to: $(sort -u "$WORK/server/requests.log")"
status messagebox | grep -q "Impossible to connect" && fail "an error was shown for the comets-only update"

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
frames_past 10 || fail "the frames do not go on"

# 3. Survey tiles. Zoomed under 0.08 rad with the function still off: the
# plain sky; then "Call a DSS server", its check box ticked, OK.
[ "$(status locked)" = -1 ] || fail "the planetarium view follows an object (locked=$(status locked))"
activate "$WIN"
xdotool key --window "$WIN" KP_Add KP_Add KP_Add KP_Add
wait_for 'awk -v f="$(status field)" "BEGIN { exit !(f > 0 && f < 0.08) }"' 30 ||
  fail "four zoom steps of 2 do not narrow the field under 0.08 rad"
frames_past 10 || fail "no frames at the narrow field"
screenshot "$WORK/sky.png" || fail "no screenshot of the plain sky"
[ -e "$WORK/server/tiles.log" ] && fail "survey tiles were requested while the function was off"
xdotool key --window "$WIN" alt+i; sleep 0.5; xdotool key d
DSS_TITLE='DSS \(Digitized Sky Survey\) dynamic function\.\.\.'
wait_for "shown '$DSS_TITLE'" 20 || fail "Call a DSS server opens no dialog"
DLG=$(xdotool search --onlyvisible --name "^$DSS_TITLE\$" | head -1)
activate "$DLG"
# Server, image type, option, then the check box; then past "Clear DSS cache" to OK.
xdotool key --window "$DLG" Tab Tab Tab space Tab Tab space
wait_for "! shown '$DSS_TITLE'" 20 || fail "the survey dialog does not close with OK"
wait_for '[ -s "$WORK/server/tiles.log" ]' 60 || fail "no survey tile is requested at the narrow field"
grep -qv '^/cgi-bin/images?Survey=dss2r&coordinates=J2000&position=' "$WORK/server/tiles.log" &&
  fail "a survey request not shaped as the image service's: $(head -3 "$WORK/server/tiles.log")"
cached() { ls "$WORK/program/cache/DSS" 2>/dev/null | grep -cE '^[0-9]{3}00[+-][0-9]{2}00-3-1-1\.jpg$'; }
wait_for '[ "$(cached)" -ge 1 ]' 90 || fail "no tile reaches the cache folder"
first=$(ls "$WORK/program/cache/DSS" | grep -E '\.jpg$' | head -1)
[ "$(head -c 3 "$WORK/program/cache/DSS/$first" | od -An -tx1 | tr -d ' \n')" = ffd8ff ] ||
  fail "the cached tile $first is not a JPEG"
wait_for '[ "$(status surveytiles)" -ge 1 ] 2>/dev/null' 90 || fail "no cached tile is loaded for drawing"
# The tiles fill the middle of the view as the slots fetch more of them.
end=$((SECONDS + 240))
while :; do
  screenshot "$WORK/tiles.png" || fail "no screenshot of the tiles"
  seen=$("$PYTHON" "$HERE/survey_pixels.py" check "$WORK/sky.png" "$WORK/tiles.png") && break
  [ $SECONDS -lt $end ] || break
  sleep 2
done
if [ -n "$KEEP_SHOTS" ]; then mkdir -p "$KEEP_SHOTS" && cp "$WORK/sky.png" "$WORK/tiles.png" "$KEEP_SHOTS/"; fi
"$PYTHON" "$HERE/survey_pixels.py" check "$WORK/sky.png" "$WORK/tiles.png" > /dev/null ||
  fail "the survey picture does not show in the middle of the view ($seen; $(cached) tiles cached," \
    "$(status surveytiles) loaded)"
echo "$seen; $(cached) tiles cached"

close_program
# The dialog's switch was kept for the settings file.
tr -d '\r' < "$WORK/program/nuvarine.ini" | awk '/^\[/ { s = $0 } s == "[DSS Settings]" && $0 == "On=True" { found = 1 }
  END { exit !found }' || fail "the survey switch turned on in the dialog is not in the settings file"
echo "PASS"
INNER
timeout 560 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
