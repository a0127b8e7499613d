#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the shared libraries a program loads (its NEEDED entries):
#   check-needed-libraries.sh PROGRAM [--needs NAME]... [--refuses NAME]...
# NAME is the start of a library's file name (libQt6Gui matches libQt6Gui.so.6). Every
# --needs must be listed, so the check cannot pass on a program it failed to read; no
# --refuses may be. Without readelf (and QUILLARY_REQUIRE_TOOLS unset) it ends as skipped
# (exit 77).
set -euo pipefail
fail() { echo "FAIL: $*"; exit 1; }
[ $# -ge 1 ] || fail "usage: $0 PROGRAM [--needs NAME]... [--refuses NAME]..."
program="$1"
shift
if ! command -v readelf > /dev/null; then
  [ "${QUILLARY_REQUIRE_TOOLS:-}" = 1 ] && fail "readelf (binutils) is not installed"
  echo "SKIP: readelf (binutils) is not installed"
  exit 77
fi
[ -f "$program" ] || fail "no program $program"
dynamic="$(readelf -d "$program")" || fail "readelf cannot read $program"
needed="$(echo "$dynamic" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')"
echo "$program needs:"
echo "$needed" | sed 's/^/  /'
status=0
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || fail "$1 without a library name"
  case "$1" in
    --needs)
      echo "$needed" | grep -Eq "^$2(\.|-|$)" || { echo "FAIL: $program does not load $2"; status=1; } ;;
    --refuses)
      if echo "$needed" | grep -Eq "^$2(\.|-|$)"; then
        echo "FAIL: $program loads $2"
        status=1
      fi ;;
    *) fail "unknown option $1" ;;
  esac
  shift 2
done
exit $status
