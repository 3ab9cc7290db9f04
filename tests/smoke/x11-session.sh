# Sourced by the real-window tests: a private working folder, failing with a message, and
# finding the program's windows by their titles. Expects `name` (the test's name) and, in tests
# that take screenshots, their folder as `screenshots`.

[ -z "${screenshots:-}" ] || mkdir -p "$screenshots"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
  echo "$name: $*" >&2
  exit 1
}

# The id of the visible window with exactly this title, or nothing.
visible() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true
}

# The id of the visible window with exactly this title, once it shows (30 seconds at most: the
# sanitizer build on a loaded machine is slow to start). Keys sent before the window takes the
# keyboard would be lost, so it also waits a moment for the window to have the focus.
wait_for_window() {
  for _ in $(seq 300); do
    id=$(visible "$1")
    if [ -n "$id" ]; then
      for _ in $(seq 50); do
        [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$id" ] && break
        sleep 0.1
      done
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Cancels the file-open dialog with Escape. A slow start can map the dialog before it takes the
# keyboard, and names completing the proposed one can show in a pop-up that takes an Escape of
# its own; so Escape is pressed again while the dialog stays open (the main window ignores it).
cancel_file_dialog() {
  for _ in $(seq 5); do
    xdotool key Escape
    for _ in $(seq 60); do
      [ -z "$(visible "Choose parameter file")" ] && return 0
      sleep 0.1
    done
  done
  return 1
}

# Waits (10 seconds at most) for the program started as `pid` to end and sets `status` to its
# exit status; fails, after killing it, when it does not end.
program_ended() {
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    return 1
  fi
  status=0
  wait "$pid" || status=$?
}
