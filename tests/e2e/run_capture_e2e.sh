#!/usr/bin/env bash
# What the user takes away shows the sky on the screen: the real program
# under a virtual X server, frames shown on the view's own window (Mesa), a
# scene frozen by a fixed process clock. The S key's screenshot, two frames
# of a short movie (decoded by ffmpeg) and the chart printed into a PDF
# (rendered by pdftoppm) are each compared with an X grab of the view: not
# black, and the same picture. The account is new: no documents folder, so
# printing proposes a file in the home folder. With "antialiasing" as second
# argument the device draws with 4 samples (an off-screen target copied to
# the window) and the screenshot alone is checked. Every wait is bounded.
set -u
PROGRAM_DIR=$1
SAMPLES=${2:-none}
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xdotool:xdotool xwd:x11-apps convert:imagemagick faketime:faketime \
  ffmpeg:ffmpeg pdftoppm:poppler-utils || exit 1
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || PYTHON=python3
"$PYTHON" -c "import PIL" 2>/dev/null || { echo "FAIL: python3-pil is needed (scripts/setup installs it)"; exit 1; }
[ -x "$PROGRAM_DIR/nuvarine2" ] || { echo "FAIL: no program in $PROGRAM_DIR"; exit 1; }
new_work_folder || exit 1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LIBFAKETIME=$(dpkg -L libfaketime 2>/dev/null | grep -m1 'libfaketimeMT\.so\.1$')
[ -n "$LIBFAKETIME" ] || { echo "FAIL: libfaketimeMT is missing: install the Debian package faketime"; exit 1; }
make_program_tree "$PROGRAM_DIR" "$WORK/program" || { echo "FAIL: cannot copy the install folder"; exit 1; }
# A new account: a home folder with nothing in it.
mkdir -p "$WORK/home"
export HOME=$WORK/home
ANTIALIASING=0
[ "$SAMPLES" = antialiasing ] && ANTIALIASING=4
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
Constellations Names=True
Stars Names=True
Show AZ Grid=True
Edit tips at startup=False
Edit alerts at startup=False
Show alert about time zone=False

[3D Settings]
Antialiasing=$ANTIALIASING
INI
export WORK HERE PYTHON LIBFAKETIME SAMPLES

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
export NUVARINE_STATUS_FILE=$WORK/status
WAIT_STEP=0.1
on_fail() {
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do echo "window: $(xdotool getwindowname "$w" 2>/dev/null)"; done
  tail -20 "$WORK/program.log" 2>/dev/null
  cat "$NUVARINE_STATUS_FILE" 2>/dev/null
  ls -l "$WORK/program" "$HOME" 2>/dev/null | grep -v -- '->'
}
# grab <name>: the view window as the X server shows it, in PNG.
grab() {
  xwd -id "$VIEW" -silent > "$WORK/$1.xwd" && convert "$WORK/$1.xwd" "$WORK/$1.png"
}
# same <picture> <grab> <left> <top> <right> <bottom> [page]
same() { "$PYTHON" "$HERE/capture_pixels.py" "$@"; }
# menu <keys...>: the main window's menu, one key at a time.
menu() {
  xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
  local k
  for k in "$@"; do xdotool key "$k"; sleep 0.4; done
}
# accept <title>: Return in the window of that title.
accept() {
  wait_for "shown \"$1\"" 20 || fail "no window \"$1\""
  local w
  w=$(xdotool search --onlyvisible --name "^$1\$" | head -1)
  xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w"
  sleep 0.3
  xdotool key --window "$w" Return
}

cd "$WORK/program"
# The clock stands still: every frame shows the same sky.
TZ=UTC LD_PRELOAD=$LIBFAKETIME FAKETIME="2024-01-15 21:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 \
  ./nuvarine2 > "$WORK/program.log" 2>&1 &
PID=$!
wait_for '[ "$(status scene)" = 1 ] && [ "$(status frames)" -gt 20 ] 2>/dev/null' 90 || fail "no scene"
VIEW=$(status viewwindow)
[ -n "$VIEW" ] || fail "the view has no window of its own: frames are not shown natively"
WIN=$(xdotool search --onlyvisible --name "Nuvarine" | head -1)
[ -n "$WIN" ] || fail "no main window"
settle
grab view || fail "no grab of the view"
read -r W H < <(identify -format "%w %h\n" "$WORK/view.png")

# The S key: Screenshot0.bmp, the view less 2 pixels a side.
xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
xdotool mousemove --window "$VIEW" 40 40 click 1 2>/dev/null
sleep 0.3
xdotool key s
wait_for '[ -s Screenshot0.bmp ]' 20 || fail "S saved no screenshot"
grab shot-view || fail "no grab of the view"
echo "screenshot:"
same Screenshot0.bmp "$WORK/shot-view.png" 2 2 $((W - 2)) $((H - 2)) || fail "the screenshot is not the view"
if [ "$SAMPLES" = antialiasing ]; then
  close_program
  echo "PASS"
  exit 0
fi

# A short movie in full frames; frames are compared with grabs made while it records.
menu alt+f m
accept "Video Compression"
wait_for '[ -s "$WORK/program/video1.avi" ]' 20 || fail "the movie did not start"
settle 10 || fail "no frames while recording"
grab movie-view1 || fail "no grab of the view"
settle 10 || fail "no frames while recording"
grab movie-view2 || fail "no grab of the view"
settle 5
xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN"
xdotool key F8
settle 5 || fail "no frames after the recording"
size=$(stat -c %s video1.avi)
settle 5
[ "$(stat -c %s video1.avi)" = "$size" ] || fail "the movie grows after F8"
# The rectangle of the movie: the view less 2 pixels, its left and top
# edges moved in until the sizes are multiples of 8.
L=2 T=2 R=$((W - 2)) B=$((H - 2))
while [ $(((R - L) % 8)) -ne 0 ]; do L=$((L + 1)); done
while [ $(((B - T) % 8)) -ne 0 ]; do T=$((T + 1)); done
FRAMES=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 video1.avi)
[ "${FRAMES:-0}" -ge 10 ] 2>/dev/null || fail "the movie holds ${FRAMES:-no} frames"
for n in 1 $((FRAMES - 2)); do
  ffmpeg -v error -y -i video1.avi -vf "select=eq(n\,$n)" -frames:v 1 "$WORK/frame$n.png" || fail "ffmpeg cannot decode frame $n"
  echo "movie frame $n of $FRAMES:"
  same "$WORK/frame$n.png" "$WORK/movie-view$([ $n = 1 ] && echo 1 || echo 2).png" $L $T $R $B ||
    fail "movie frame $n is not the view"
done

# Print: the dialog proposes a PDF file in the home folder (there is no
# documents folder) and the page shows the chart.
settle
grab print-view || fail "no grab of the view"
menu alt+f p
accept "Print"
wait_for '[ -s "$HOME/Nuvarine2.pdf" ]' 30 || fail "printing wrote no $HOME/Nuvarine2.pdf"
settle || fail "no frames after printing"
pdftoppm -r 60 -png -singlefile "$HOME/Nuvarine2.pdf" "$WORK/page" || fail "pdftoppm cannot render the page"
echo "printed chart:"
same "$WORK/page.png" "$WORK/print-view.png" 2 2 $((W - 2)) $((H - 2)) page || fail "the printed chart is not the view"
grep -q "^messagebox=" "$NUVARINE_STATUS_FILE" && fail "a message was shown"
close_program
echo "PASS"
INNER
timeout 280 xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/inner.sh"
