#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real program as a file manager does ("quillary FILE.pdb") and finds that file
# opened; then a second start hands another file to the running program, which opens it.
# The opened file shows in the recent-file list, which the program writes at once.
set -euo pipefail
bin="$(cd "$1" && pwd)"
version="$2" # the project's version, as the build knows it
scratch="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2> /dev/null || true; wait "$pid" 2> /dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$scratch/first.log" ] && { echo "--- first start:"; cat "$scratch/first.log"; }
  [ -f "$ini" ] && { echo "--- settings:"; cat "$ini"; }
  exit 1
}

export QT_QPA_PLATFORM=offscreen
export QUILLARY_CONFIG_DIR="$scratch/config" QUILLARY_DESKTOP_DIR="$scratch/desktop"
export QUILLARY_INSTANCE_KEY="quillary-open-test-$$-$RANDOM"
export XDG_RUNTIME_DIR="$scratch/run"
# No session bus: the HotSync callback stays off and leaves other tests' bus alone.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-bus"
export ASAN_OPTIONS=detect_leaks=0
mkdir -p "$XDG_RUNTIME_DIR" "$scratch/elsewhere" && chmod 700 "$XDG_RUNTIME_DIR"
ini="$QUILLARY_CONFIG_DIR/kestwin.ini"

"$bin/quillary" --version | grep -qx 'quillary 1.50' || fail "--version"
"$bin/quillary" --help | grep -q '^Usage: quillary \[FILE.pdb\]' || fail "--help"

first="$scratch/my notes.pdb"
second="$scratch/elsewhere/second.pdb"
"$bin/quillary-pdb" new "$first" > /dev/null
"$bin/quillary-pdb" new "$second" > /dev/null

# Waits until the program lists path as its most recent file.
shows() {
  for _ in $(seq 1 600); do
    grep -qxF "Recent File0=$1" "$ini" 2> /dev/null && return 0
    kill -0 "$pid" 2> /dev/null || fail "the program ended"
    sleep 0.1
  done
  return 1
}

"$bin/quillary" "$first" > "$scratch/first.log" 2>&1 &
pid=$!
shows "$first" || fail "quillary FILE.pdb did not open $first"

# From another folder, with a relative name: the running program gets the full path.
(cd "$scratch/elsewhere" && timeout 60 "$bin/quillary" second.pdb) > "$scratch/second.log" 2>&1 ||
  { cat "$scratch/second.log"; fail "the second start did not end well"; }
shows "$second" || fail "the running program did not open the handed-on $second"
grep -qxF "Recent File1=$first" "$ini" || fail "the first file left the recent list"
echo "1 passed, 0 failed"
