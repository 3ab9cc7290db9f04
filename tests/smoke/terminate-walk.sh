#!/usr/bin/env bash
# Asks the real program to terminate (SIGTERM) while each of its windows is open, in a real X
# window (run it on a virtual screen): every time it must end with status 0 and leave the folder as
# it was. Usage: terminate-walk.sh PROGRAM
set -euo pipefail

program=$(realpath "$1")
name=terminate-walk
source "$(dirname "$0")/x11-session.sh"
source "$(dirname "$0")/../app/large-design.sh"

wait_for() {
  wait_for_window "$1" >/dev/null || fail "$stage: the window \"$1\" did not appear"
}

# Starts the program in an empty folder (holding only the files named), cancels the file dialog
# and waits for the main window.
start() {
  stage=$1
  shift
  rm -rf "$work/run"
  mkdir "$work/run"
  cd "$work/run"
  for file in "$@"; do
    echo kept >"$file"
  done
  before=$(ls -la --time-style=+%s.%N)
  QT_QPA_PLATFORM=xcb "$program" &
  pid=$!
  wait_for "Choose parameter file"
}

to_main_window() {
  cancel_file_dialog || fail "$stage: the file dialog did not close"
  wait_for "Tavi"
  # The start-up ends with the main window taking the keyboard focus.
  sleep 1
}

# Sends SIGTERM and checks the ending and the folder.
terminate() {
  sleep 0.3
  kill -TERM "$pid"
  program_ended || fail "$stage: the program did not end"
  [ "$status" -eq 0 ] || fail "$stage: the program ended with status $status"
  [ "$(ls -la --time-style=+%s.%N)" = "$before" ] || fail "$stage: the folder changed: $(ls -a)"
}

start "file dialog"
terminate

start "value grid"
to_main_window
xdotool key space
wait_for "Parameter Input"
terminate

start "amount of output"
to_main_window
xdotool key space
for _ in 1 2; do
  wait_for "Parameter Input"
  xdotool key Tab space
  sleep 0.5
done
wait_for "Amount of Output"
terminate

start "overwrite confirmation" ax.out
to_main_window
xdotool key space
wait_for "File exists"
terminate

# While a calculation runs behind its progress dialog: the run stops, nothing is left behind.
stage="progress dialog"
rm -rf "$work/run"
mkdir "$work/run"
cd "$work/run"
large_design large.dat
before=$(ls -la --time-style=+%s.%N)
QT_QPA_PLATFORM=xcb "$program" --results large.dat &
pid=$!
wait_for "Tavi"
terminate

echo "terminate-walk: the program ended in order in every window"
