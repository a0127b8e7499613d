#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one test program for ctest:
# - on a D-Bus session bus of its own (started here when dbus-run-session exists), so two
#   tests that both offer or call the program's bus name never meet, whatever ctest runs
#   beside them;
# - a run that passed but skipped cases exits 77, which ctest reports as "Skipped"
#   instead of "Passed". Failures keep their own exit code.
set -uo pipefail
if [ "${QUILLARY_TEST_BUS:-}" != "private" ] && command -v dbus-run-session > /dev/null; then
  export QUILLARY_TEST_BUS=private
  exec dbus-run-session -- "$0" "$@"
fi
# Never the desktop's own bus: without a private one the test finds none.
[ "${QUILLARY_TEST_BUS:-}" = "private" ] || unset DBUS_SESSION_BUS_ADDRESS
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
"$@" 2>&1 | tee "$out"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 0 ] &&
   grep -Eq '^Totals: .*, [1-9][0-9]* skipped|^\[  SKIPPED \] [0-9]+ tests?,' "$out"; then
  exit 77
fi
exit "$rc"
