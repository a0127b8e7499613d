#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one test program for ctest:
# - on a D-Bus session bus of its own (started here when dbus-run-session exists), so two
#   tests that both offer or call the program's bus name never meet, whatever ctest runs
#   beside them;
# - with a temporary folder of its own (TMPDIR, and TEST_TMPDIR for GoogleTest), removed
#   when it ends, so that two runs of the suite at once (two clones, two build trees) never
#   share or wipe each other's files;
# - in the time zone QUILLARY_TEST_ZONE names, if any, after checking that the zone is
#   installed and really in effect (far from UTC, with daylight saving): without its zone
#   file the C library would quietly run the test in UTC, and the run would prove nothing;
# - a run that passed but skipped cases exits 77, which ctest reports as "Skipped"
#   instead of "Passed". Failures keep their own exit code.
set -uo pipefail
if [ "${QUILLARY_TEST_BUS:-}" != "private" ] && command -v dbus-run-session > /dev/null; then
  export QUILLARY_TEST_BUS=private
  exec dbus-run-session -- "$0" "$@"
fi
# Never the desktop's own bus: without a private one the test finds none.
[ "${QUILLARY_TEST_BUS:-}" = "private" ] || unset DBUS_SESSION_BUS_ADDRESS

if [ -n "${QUILLARY_TEST_ZONE:-}" ]; then
  export TZ="$QUILLARY_TEST_ZONE"
  # The offsets in the middle of winter and of summer (2026): both away from UTC, and
  # different from each other.
  winter=$(date -d @1768478400 +%z)
  summer=$(date -d @1784116800 +%z)
  if [ ! -f "${TZDIR:-/usr/share/zoneinfo}/$TZ" ] || [ "$winter" = "+0000" ] ||
     [ "$summer" = "+0000" ] || [ "$winter" = "$summer" ]; then
    echo "The time zone $TZ is not in effect (offsets $winter / $summer); install tzdata."
    [ "${QUILLARY_REQUIRE_TOOLS:-}" = "1" ] && exit 1
    exit 77
  fi
  echo "Time zone: $TZ (UTC offset $winter in January, $summer in July)"
fi

out="$(mktemp)" || exit 1
tmp="$(mktemp -d "${TMPDIR:-/tmp}/quillary-test.XXXXXXXX")" || exit 1
trap 'rm -f "$out"; chmod -R u+rwx "$tmp" 2> /dev/null; rm -rf "$tmp"' EXIT
export TMPDIR="$tmp" TEST_TMPDIR="$tmp"
"$@" 2>&1 | tee "$out"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 0 ] &&
   grep -Eq '^Totals: .*, [1-9][0-9]* skipped|^\[  SKIPPED \] [0-9]+ tests?,' "$out"; then
  exit 77
fi
exit "$rc"
