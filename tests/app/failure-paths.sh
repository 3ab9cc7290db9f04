#!/usr/bin/env bash
# The failure paths of tavi-calc and tavi --results as a careless or unlucky user meets them:
# folders without write permission, links, two calculations at once, a full standard output,
# FIFOs and signals. Usage: failure-paths.sh TAVI_CALC TAVI
set -euo pipefail
calc=$1
tavi=$2
name=failure-paths
source "$(dirname "$0")/large-design.sh"
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work"
chmod 755 .

fail() {
  echo "$name: $*" >&2
  exit 1
}

# Runs a command and sets status to its exit status.
run() {
  status=0
  "$@" || status=$?
}

# As a user who may not write into folders made here: root is not stopped by folder modes.
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
  else
    "$@"
  fi
}

# A cluster-randomised trial: 59 budget-line points, two coefficients.
small_design() {
  printf '0 0 1\r\n2 1 60\r\n1000 5\r\n0.9\r\n0.1\r\n0.25\r\n\r\n0.5\r\n' >"$1"
}

large_design large.dat
small_design small.dat

# A malformed design, and a covariance file that cannot be written, leave the old outputs in a
# folder where the user may rewrite them but make no file.
cp "$calc" ./tavi-calc
mkdir ro
small_design ro/d.dat
printf '0 0 x\r\n' >ro/bad.dat
echo old-report >ro/d.out
echo old-cov >ro/d.cov
chmod 666 ro/d.out ro/d.cov
chmod 555 ro
run as_user ./tavi-calc ro/bad.dat ro/d.out ro/d.cov 2>/dev/null
[ "$status" -eq 1 ] || fail "malformed design in a read-only folder: status $status"
[ "$(cat ro/d.out ro/d.cov)" = "$(printf 'old-report\nold-cov')" ] ||
  fail "a failed run changed the outputs in a read-only folder"
chmod 444 ro/d.cov
run as_user ./tavi-calc ro/d.dat 2>/dev/null
[ "$status" -eq 1 ] || fail "unwritable covariance file: status $status"
[ "$(cat ro/d.out)" = old-report ] || fail "a report was written beside an unwritten covariance file"
chmod 666 ro/d.cov
as_user ./tavi-calc ro/d.dat >/dev/null || fail "a complete run in a read-only folder failed"
grep -q 'read from file ro/d.dat' ro/d.out || fail "the report was not replaced in place"
[ "$(grep -c '^N = ' ro/d.cov)" -eq 59 ] || fail "the covariance file was not replaced in place"

# A link to a file not yet written is that file.
ln -s target.csv dangling.csv
run "$calc" small.dat dangling.csv target.csv 2>err
[ "$status" -eq 64 ] || fail "dangling link to the covariance file: status $status"
[ ! -e target.csv ] || fail "a refused command wrote through a dangling link"

# Standard output that cannot take what any action prints is a failure.
for arguments in "--effect Group1=0.3 small.dat" "--effect Group1=0.3 --simulate 2 small.dat" \
  --version --help "--template --help" \
  "--template cluster-trial --set icc=0.1 --set groups=20:60 --set n=5:50 --write t.dat"; do
  # shellcheck disable=SC2086
  run "$calc" $arguments >/dev/full 2>err
  [ "$status" -eq 1 ] || fail "$arguments to /dev/full: status $status"
  [ "$(wc -l <err)" -eq 1 ] && grep -q 'standard output: Disk full' err ||
    fail "$arguments to /dev/full: $(cat err)"
done

# A folder that may be written but not read cannot be locked: no run, nothing written.
mkdir drop
small_design drop/d.dat
chmod 333 drop
run as_user ./tavi-calc drop/d.dat 2>err
chmod 755 drop
[ "$status" -eq 1 ] && [ "$(wc -l <err)" -eq 1 ] &&
  grep -q 'drop/d.out: Cannot lock its folder against another calculation' err ||
  fail "unlockable folder: status $status, $(cat err)"
[ "$(ls drop)" = d.dat ] || fail "an unlocked run wrote into a folder: $(ls drop)"

# A FIFO is refused at once rather than waited on.
mkfifo fifo.dat
run timeout 20 "$calc" fifo.dat 2>/dev/null
[ "$status" -eq 1 ] || fail "FIFO as parameter file: status $status"
run env QT_QPA_PLATFORM=offscreen timeout 20 "$tavi" --results fifo.dat 2>/dev/null
[ "$status" -eq 1 ] || fail "FIFO for tavi --results: status $status"

# A second calculation on the same outputs waits for the first, whose simulation holds them.
mkdir two
small_design two/a.dat
printf '0 0 1\r\n5 -5 10\r\n20 21\r\n0.9\r\n0.1\r\n0.25\r\n\r\n0.5\r\n' >two/b.dat
"$calc" --effect Group1=0.3 --simulate 2000 two/a.dat two/r.out two/r.cov >/dev/null 2>&1 &
first=$!
for _ in $(seq 100); do
  [ -e two/r.out ] && break
  sleep 0.05
done
run "$calc" two/b.dat two/r.out two/r.cov 2>err
wait "$first" || fail "the first of two calculations failed"
[ "$status" -eq 0 ] || fail "the second of two calculations: status $status"
grep -q 'waiting for another calculation' err || fail "the second calculation did not wait"
grep -q 'read from file two/b.dat' two/r.out && [ "$(grep -c '^N = ' two/r.cov)" -eq 4 ] ||
  fail "the outputs of two calculations are mixed"

# Devices are written straight into and lock nothing: writing to /dev/null waits for no one.
mkdir devices
small_design devices/a.dat
"$calc" --effect Group1=0.3 --simulate 2000 devices/a.dat devices/a.out /dev/null >/dev/null 2>&1 &
first=$!
for _ in $(seq 100); do
  [ -e devices/a.out ] && break
  sleep 0.05
done
run "$calc" small.dat small.out /dev/null 2>err
second=$status
kill "$first" 2>/dev/null || true
run wait "$first"
[ "$second" -eq 0 ] && [ ! -s err ] ||
  fail "a run writing to /dev/null waited for another: status $second, $(cat err)"
[ "$status" -ne 0 ] || fail "the simulation writing to /dev/null ended before the second run"

# A signal stops a long sweep, leaves the old outputs and no temporary file.
for signal in INT:130 TERM:143 HUP:129; do
  echo old >large.out
  echo old >large.cov
  "$calc" --csv large.csv large.dat 2>/dev/null &
  pid=$!
  sleep 0.5
  kill -s "${signal%:*}" "$pid"
  run wait "$pid"
  [ "$status" -eq "${signal#*:}" ] || fail "SIG${signal%:*}: status $status"
  [ "$(cat large.out large.cov)" = "$(printf 'old\nold')" ] && [ ! -e large.csv ] ||
    fail "SIG${signal%:*} changed the outputs"
  [ -z "$(find . -name '.*' ! -name . | head -n 1)" ] ||
    fail "SIG${signal%:*} left temporary files: $(find . -name '.*' ! -name .)"
done

# SIGTERM while the results window computes ends the program in order.
QT_QPA_PLATFORM=offscreen "$tavi" --results large.dat 2>/dev/null &
pid=$!
sleep 1
kill -s TERM "$pid"
run timeout 20 tail --pid="$pid" -f /dev/null
run wait "$pid"
[ "$status" -eq 0 ] || fail "SIGTERM during tavi --results: status $status"
exit 0
