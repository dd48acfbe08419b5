#!/usr/bin/env bash
# Starts the real program from its install folder under a virtual X server:
# title, maximised state, menus, splash, frames advancing and presented by
# the drawing device into the window, a second copy that ends at once without
# a window, and a clean close. Every wait is bounded.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/common.sh"
require_programs xvfb-run:xvfb xwininfo:x11-utils xprop:x11-utils xwd:x11-apps convert:imagemagick || exit 1
if [ ! -x "$1/nuvarine2" ]; then
  echo "no program in $1"; exit 1
fi
new_work_folder || exit 1
# A private copy of the install folder: the run's log stays in the temporary folder.
PROGRAM_DIR=$WORK/program
make_program_tree "$1" "$PROGRAM_DIR" || { echo "cannot copy the install folder"; exit 1; }
export NUVARINE_STATUS_FILE=$WORK/status
export PROGRAM_DIR WORK HERE

cat > "$WORK/inner.sh" <<'INNER'
set -u
. "$HERE/common.sh"
cd "$PROGRAM_DIR"
./nuvarine2 > "$WORK/first.log" 2>&1 &
PID=$!

# The splash window appears first (469 x 372 picture scaled to its template).
wait_for "xwininfo -root -tree 2>/dev/null | grep -q '468x361'" 20 || fail "no splash window"
wait_for "[ -s \"$NUVARINE_STATUS_FILE\" ]" 30 || fail "no status from the running program"
wait_for "[ \"\$(status frames)\" -ge 10 ] 2>/dev/null" 30 || fail "frames do not advance"
[ "$(status title)" = "Nuvarine version 2" ] || fail "title is '$(status title)'"
[ "$(status scene)" = "1" ] || fail "scene objects not created at frame 5"
[ "$(status menus)" = "8" ] || fail "menu bar has $(status menus) menus"
[ "$(status toolbars)" = "3" ] || fail "$(status toolbars) tool bars shown"
[ "$(status panes)" = "3" ] || fail "status bar has $(status panes) panes"
[ "$(status splash)" = "0" ] || fail "splash still shown after the first frames"
WINDOW=$(xwininfo -root -tree | grep '"Nuvarine version 2"' | head -1 | awk '{print $1}')
[ -n "$WINDOW" ] || fail "no main window"
xprop -id "$WINDOW" _NET_WM_STATE | grep -q MAXIMIZED_VERT || fail "main window not maximised"
xwininfo -id "$WINDOW" | grep -q IsViewable || fail "main window not shown"

F1=$(status frames)
P1=$(status presented)
wait_for "[ \"\$(status frames)\" -gt $F1 ] 2>/dev/null" 30 || fail "frames stopped at $F1"
wait_for "[ \"\$(status presented)\" -gt $P1 ] 2>/dev/null" 30 || fail "frames not presented ($P1 -> $(status presented))"
F2=$(status frames)
P2=$(status presented)

# The device's frames reach the screen: the middle of the window shows the
# sky's colour, not a black or empty view.
xwd -id "$WINDOW" -silent > "$WORK/window.xwd" || fail "no screenshot of the main window"
MAXIMUM=$(convert "$WORK/window.xwd" -gravity center -crop 32x32+0+0 +repage -format '%[fx:int(255*maxima)]' info: 2>/dev/null)
[ -n "$MAXIMUM" ] && [ "$MAXIMUM" -gt 0 ] || fail "the view shows a black picture"

# A second copy ends by itself (a loaded machine may take a while to start
# it) and without a window.
timeout 60 ./nuvarine2 > "$WORK/second.log" 2>&1
RC=$?
[ $RC -ne 124 ] || fail "second copy did not end"
[ "$(xwininfo -root -tree | grep -c '"Nuvarine version 2"')" = "1" ] || fail "second copy opened a window"
kill -0 "$PID" 2>/dev/null || fail "first copy died"

# Clean close: the termination request closes the main window.
close_program
RC=$?
[ $RC -eq 0 ] || fail "exit code $RC"
grep -q "Version" "$PROGRAM_DIR/telescope.log" || fail "telescope log header missing"
echo "PASS: frames $F1 -> $F2, presented $P1 -> $P2, view maximum $MAXIMUM"
INNER
timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/inner.sh"
