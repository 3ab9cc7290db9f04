#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop finds there: exactly the
# expected files, a valid menu entry and metainfo, manual pages without warnings, and commands
# that answer --help and --version without a display.
# Usage: check-install.sh BUILD_DIR SOURCE_DIR APP_ID VERSION
set -euo pipefail

build=$1 source=$2 id=$3 version=$4
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

# The guides and examples are whatever the source tree holds.
expected=$(
  printf '%s\n' bin/tavi bin/tavi-calc "share/applications/$id.desktop" \
    "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg" \
    share/man/man1/tavi.1.gz share/man/man1/tavi-calc.1.gz share/doc/tavi/README.md \
    share/doc/tavi/copyright share/doc/tavi/changelog.gz
  (cd "$source" && find docs examples -type f -printf 'share/doc/tavi/%p\n')
)
actual=$(cd "$prefix" && find . -type f -printf '%P\n')
diff <(sort <<<"$expected") <(sort <<<"$actual") || fail "the installed files differ (< expected, > installed)"

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "invalid desktop entry"
grep -qx 'Exec=tavi --new' "$prefix/share/applications/$id.desktop" ||
  fail "the desktop entry has no action for a new plan"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "invalid metainfo: $(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml")"
for page in "$prefix"/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# No display at all: the answers come before any window would open.
for program in tavi tavi-calc; do
  run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" "$@"; }
  [ "$(run --version)" = "$program $version" ] || fail "$program --version"
  # Read whole: grep -q leaving the pipe early would cut a help longer than one buffer.
  help=$(run --help) || fail "$program --help failed"
  grep -q "^Usage: $program " <<<"$help" || fail "$program --help"
  status=0
  run --no-such-option >/dev/null 2>&1 || status=$?
  [ "$status" -eq 64 ] || fail "$program --no-such-option ended with $status, not 64"
done
echo "check-install: $(wc -l <<<"$actual") files installed and valid"
