#!/usr/bin/env bash
# Starts the real program in a real X window, as a user would (run it on a virtual screen): the
# file-open dialog must appear first; cancelled, it leaves the main window, which is saved as a
# screenshot and then closed. Usage: window-smoke.sh PROGRAM SCREENSHOT_DIR
set -euo pipefail

program=$(realpath "$1")
screenshots=$(realpath -m "$2")
name=window-smoke
source "$(dirname "$0")/x11-session.sh"

QT_QPA_PLATFORM=xcb "$program" &
pid=$!

wait_for_window "Choose parameter file" >/dev/null || fail "the file-open dialog did not appear"
cancel_file_dialog || fail "the file-open dialog did not close"
main=$(wait_for_window "Tavi") || fail "the main window did not appear"
sleep 0.5
import -window "$main" "$screenshots/main-window.png" || fail "no screenshot of the main window"

kill -TERM "$pid"
program_ended || fail "the program did not end"
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "window-smoke: file-open dialog, main window and screenshot $screenshots/main-window.png"
