#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lets every fuzzer of a built tree look for new failing inputs for a bounded time, without
# gating anything (scripts/test.sh runs it after the tests):
#
#     bash scripts/fuzz-explore.sh BUILD_DIR [seconds per target, default 60]
#
# Each target starts from its corpus in fuzz/corpus/<target>/ (only read) and from the
# inputs it found before in BUILD_DIR/fuzz-corpus/<target>/ (which grows from run to run).
# An input that crashes, leaks, hangs or breaks a check is minimised and written to
# BUILD_DIR/fuzz-findings/, and one line per finding says so. The script always exits 0: a
# finding is a new fault for a person to fix, with the input added to fuzz/corpus/<target>/
# so that the test suite replays it from then on.
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: $0 BUILD_DIR [seconds per target]}"
seconds="${2:-60}"
build="$(cd "$build" && pwd)"
targets="$build/fuzz-targets.txt"
if [ ! -f "$targets" ] || [ "$seconds" -le 0 ]; then
  echo "Fuzz exploration: skipped (no fuzzers built in $build, or no time given)."
  exit 0
fi

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 TZ=UTC
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
findings="$build/fuzz-findings"
mkdir -p "$findings"

explore_one() {
  local name="$1" max_len="$2"
  local fuzzer="$build/bin/$name" corpus="$build/fuzz-corpus/$name"
  local work="$build/fuzz-explore/$name" log="$build/fuzz-explore/$name.log"
  [ -x "$fuzzer" ] || { echo "$name: not built, not explored"; return 0; }
  rm -rf "$work"
  mkdir -p "$corpus" "$work"
  if "$fuzzer" -max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=2048 -timeout=10 \
       -artifact_prefix="$work/" "$corpus" "fuzz/corpus/$name" > "$log" 2>&1; then
    echo "$name: nothing new found in $seconds s"
    return 0
  fi
  local found=0 input kind digest out
  for input in "$work"/*; do
    [ -f "$input" ] || continue
    found=1
    kind="$(basename "$input")"
    kind="${kind%%-*}" # crash, leak, timeout, oom, slow-unit
    digest="$(sha1sum < "$input" | cut -c1-12)"
    out="$findings/$name-$kind-$digest"
    # The smallest input that still fails; the raw one where minimising gets nowhere.
    if ! "$fuzzer" -minimize_crash=1 -max_total_time=60 -max_len="$max_len" -timeout=10 \
           -rss_limit_mb=2048 -exact_artifact_path="$out" "$input" > "$out.log" 2>&1 ||
       [ ! -s "$out" ]; then
      cp "$input" "$out"
    fi
    echo "$name: FOUND A FAILING INPUT ($kind), minimised to $out (log: $log)." \
         "Fix the fault and add the input to fuzz/corpus/$name/."
  done
  [ "$found" -eq 1 ] || echo "$name: the fuzzer stopped without an input (log: $log)"
  return 0
}
export -f explore_one
export build seconds findings
echo "Fuzz exploration: $seconds s per target, findings go to $findings/ (does not gate)"
xargs -P "$(nproc)" -L 1 bash -c 'explore_one "$0" "$1"' < "$targets"
exit 0
