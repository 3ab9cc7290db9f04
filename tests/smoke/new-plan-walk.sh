#!/usr/bin/env bash
# Starts a new plan in the real program as a user would (run it on a virtual screen): tavi --new shows
# the templates, Enter takes the first, the results window opens on its keys; an intraclass
# correlation typed into its field is computed at once, "Save design as" writes the parameter
# file that tavi-calc's template command writes, and closing the window with the edit unsaved
# asks first. Usage: new-plan-walk.sh PROGRAM TAVI_CALC SCREENSHOT_DIR
set -euo pipefail

program=$(realpath "$1")
calc=$(realpath "$2")
screenshots=$(realpath -m "$3")
name=new-plan-walk
source "$(dirname "$0")/x11-session.sh"

QT_QPA_PLATFORM=xcb "$program" --new &
pid=$!

wait_for_window "New plan" >/dev/null || fail "the list of templates did not appear"
xdotool key Return
results=$(wait_for_window "TAVI results") || fail "the results window did not appear"
sleep 0.5
# Alt+E leads to the effect, the last of the test settings; the intraclass correlation is the
# first field after it.
xdotool key alt+e Tab ctrl+a
xdotool type --delay 30 "0.15"
sleep 1
import -window "$results" "$screenshots/new-plan-walk.png" || fail "no screenshot"

# Save design as..., then the file's name in the save dialog.
xdotool key alt+g
wait_for_window "Save design as" >/dev/null || fail "the save dialog did not appear"
xdotool key ctrl+a
xdotool type --delay 30 "$work/plan.dat"
xdotool key Return
for _ in $(seq 50); do [ -f plan.dat ] && break; sleep 0.1; done
[ -f plan.dat ] || fail "the design was not saved"

# A further edit, then Escape: the question comes, and Yes closes the window and the program.
xdotool key alt+e Tab ctrl+a
xdotool type --delay 30 "0.2"
sleep 0.5
xdotool key Escape
wait_for_window "Tavi" >/dev/null || fail "closing with an unsaved edit did not ask"
xdotool key alt+y
program_ended || fail "the program did not end"
[ "$status" -eq 0 ] || fail "the program ended with status $status"

mkdir calc
"$calc" --template cluster-trial --set icc=0.15 --set budget=1000 --set group_cost=5 \
  --set n=2:60:2 --write calc/plan.dat >/dev/null || fail "tavi-calc wrote no template"
cmp plan.dat calc/plan.dat || fail "the saved design differs from tavi-calc's template file"
echo "new-plan-walk: template, edit, save and close passed; screenshot in $screenshots"
