#!/usr/bin/env bash
# Walks the real program from start to end as a user would, with keyboard and mouse in a real X
# window (run it on a virtual screen): the parameter file, the counts, every value grid, the amount
# of output, "Calculate standard errors" and the results window, closed with Escape. Saves a
# screenshot of every stage and checks that the files written are those tavi-calc writes from
# the same parameter file.
# Usage: entry-walk.sh PROGRAM TAVI_CALC SCREENSHOT_DIR
set -euo pipefail

program=$(realpath "$1")
calc=$(realpath "$2")
screenshots=$(realpath -m "$3")
name=entry-walk
source "$(dirname "$0")/x11-session.sh"

# Lets the program catch up with the keys sent, then saves the screen, cut to the windows.
shot() {
  sleep 0.6
  import -window root "$work/screen.png"
  convert "$work/screen.png" -trim +repage "$screenshots/walk-$1.png"
}

type_text() {
  xdotool type --delay 30 "$1"
}

wait_for() {
  wait_for_window "$1" >/dev/null || fail "the window \"$1\" did not appear"
}

# Fills the showing grid as a user does: a value and Enter, which moves on to the next cell
# (row by row, over the lower triangle of a matrix) and after the last one to OK, where Enter
# confirms. Saves a screenshot once the values are typed.
fill_grid() {
  local name=$1
  shift
  wait_for "Parameter Input"
  sleep 0.3
  for value in "$@"; do
    type_text "$value"
    xdotool key Return
  done
  shot "$name"
  xdotool key Return
  sleep 0.8
}

QT_QPA_PLATFORM=xcb "$program" &
pid=$!

wait_for "Choose parameter file"
type_text "walk.dat"
shot 01-parameter-file
xdotool key Return

wait_for "Tavi"
sleep 0.5
# The focus starts on the OK button; the count fields follow the report's name.
xdotool key Tab Tab ctrl+a
type_text 2
xdotool key Return Tab ctrl+a
type_text 1
xdotool key Return Tab ctrl+a
type_text 1
xdotool key Return
shot 02-counts
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab Return
sleep 0.8

fill_grid 03-means-level-1 1.5
fill_grid 04-means-level-2 2
fill_grid 05-within-groups 1 0.3 1.2
fill_grid 06-between-groups 0.5 0.1 0.3
fill_grid 07-residual-variance 0.9
fill_grid 08-random-effects 0.1 0.01 0.05

wait_for "Amount of Output"
shot 09-amount-of-output
xdotool key shift+Tab Return
sleep 0.8
shot 10-final-choice

# The keyboard is at the final choice: Tab reaches the OK button beside "Calculate standard
# errors", and Enter presses it.
xdotool key Tab Return

# The results window takes the main window's place; Escape closes it and ends the program.
wait_for "TAVI results"
[ -z "$(visible "Tavi")" ] || fail "the main window is still shown beside the results"
sleep 1
import -window root "$work/screen.png"
convert "$work/screen.png" -trim +repage "$screenshots/results-window.png"
xdotool key Escape

program_ended || fail "the program did not end when the results window closed"
[ "$status" -eq 0 ] || fail "the program ended with status $status"

[ -f walk.dat ] && [ -f walk.out ] && [ -f walk.cov ] || fail "missing output: $(ls)"
grep -q "^      1.5000000 " walk.dat || fail "the mean typed in the grid is not in walk.dat"
cp walk.out entered.out
cp walk.cov entered.cov
"$calc" "$work/walk.dat" walk.out "$work/walk.cov" || fail "tavi-calc refused the parameter file"
without_dates() {
  sed -e 's/^Date and time: .*/Date and time:/' -e '1s/.*/<date>/' "$1"
}
diff <(without_dates entered.out) <(without_dates walk.out) || fail "the report differs from tavi-calc's"
diff <(without_dates entered.cov) <(without_dates walk.cov) || fail "the covariance file differs"
grep -q "Sample sizes" walk.out || fail "the report has no table"
echo "entry-walk: the whole walk passed; screenshots in $screenshots"
