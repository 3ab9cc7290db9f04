# Sourced by the real-window tests: a private working folder, failing with a message, and
# finding the program's windows by their titles. Expects `name` (the test's name) and the
# screenshot folder as `screenshots`.

mkdir -p "$screenshots"
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
# sanitizer build on a loaded machine is slow to start).
wait_for_window() {
  for _ in $(seq 300); do
    id=$(visible "$1")
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Waits until no visible window has exactly this title (30 seconds at most).
wait_for_no_window() {
  for _ in $(seq 300); do
    [ -z "$(visible "$1")" ] && return 0
    sleep 0.1
  done
  return 1
}
