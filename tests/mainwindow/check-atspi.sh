#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads the running program over the accessibility bus, as a screen reader (Orca) does:
#   check-atspi.sh QUILLARY QUILLARY_PDB
# Starts a private X server and session bus (xvfb-run, dbus-run-session), the program on
# the xcb platform with accessibility on, and has atspi-names.py list every control without
# a name. Without those tools (and QUILLARY_REQUIRE_TOOLS unset) it ends as skipped (77).
set -euo pipefail
fail() { echo "FAIL: $*"; exit 1; }
[ $# -eq 2 ] || fail "usage: $0 QUILLARY QUILLARY_PDB"
here="$(cd "$(dirname "$0")" && pwd)"
missing=""
for tool in xvfb-run dbus-run-session; do
  command -v "$tool" > /dev/null || missing="$missing $tool"
done
# The system's Python has the distribution's bindings.
/usr/bin/python3 -c 'import pyatspi' 2> /dev/null || missing="$missing python3-pyatspi"
[ -x /usr/libexec/at-spi-bus-launcher ] || missing="$missing at-spi2-core"
if [ -n "$missing" ]; then
  [ "${QUILLARY_REQUIRE_TOOLS:-}" = 1 ] && fail "not installed:$missing"
  echo "SKIP: not installed:$missing"
  exit 77
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" QUILLARY_DESKTOP_DIR="$work/desktop" QUILLARY_CONFIG_DIR="$work/config"
export XDG_RUNTIME_DIR="$work/run" USER=reader
mkdir -p "$HOME" "$QUILLARY_DESKTOP_DIR/reader" "$QUILLARY_CONFIG_DIR" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '1\treader\treader\n' > "$QUILLARY_DESKTOP_DIR/users.txt"
"$2" new "$QUILLARY_DESKTOP_DIR/reader/QLreader.pdb" > /dev/null

export QUILLARY_PROGRAM="$1"
exec xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- \
  bash -c 'QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
             ASAN_OPTIONS=detect_leaks=0 "$QUILLARY_PROGRAM" > "$HOME/quillary.log" 2>&1 &
           pid=$!
           status=0
           /usr/bin/python3 "'"$here"'/atspi-names.py" || status=$?
           kill $pid 2> /dev/null || true
           wait $pid 2> /dev/null || true
           exit $status'
