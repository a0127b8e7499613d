#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzzer for a long time, for use before a release:
#
#     bash scripts/fuzz-long.sh [hours per target, default 2] [targets at once, default: cores]
#
# Builds the libFuzzer targets with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-fuzz, then runs each target over its checked-in seeds and a corpus kept in
# build-fuzz/fuzz-corpus (it grows from run to run). A target that finds a crash, a leak
# or a broken check stops and leaves the input in build-fuzz/fuzz-artifacts/<target>/;
# the script then lists those and exits with 1. Each such input goes into
# fuzz/corpus/<target>/ with its fix, so that the test suite replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
hours="${1:-2}"
jobs="${2:-$(nproc)}"
seconds=$(awk -v h="$hours" 'BEGIN { printf "%d", h * 3600 }')
[ "$seconds" -gt 0 ] || { echo "usage: $0 [hours per target] [targets at once]" >&2; exit 2; }

bash scripts/install-deps.sh
export CC=clang-14 CXX=clang++-14
launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLARY_SANITIZE=ON -DQUILLARY_FUZZ=ON -DQUILLARY_BENCH=OFF "${launcher[@]}" > /dev/null
mapfile -t targets < <(cut -d' ' -f1 build-fuzz/fuzz-targets.txt)
cmake --build build-fuzz --target "${targets[@]}"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 TZ=UTC
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
run_one() {
  local name="$1" max_len="$2"
  local corpus="build-fuzz/fuzz-corpus/$name" artifacts="build-fuzz/fuzz-artifacts/$name"
  mkdir -p "$corpus" "$artifacts"
  if build-fuzz/bin/"$name" -max_total_time="$seconds" -max_len="$max_len" \
       -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
       -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$name" \
       > "build-fuzz/fuzz-$name.log" 2>&1; then
    echo "$name: nothing found in $hours h (log: build-fuzz/fuzz-$name.log)"
  else
    echo "$name: FOUND A PROBLEM (log: build-fuzz/fuzz-$name.log)"
    return 1
  fi
}
export -f run_one
export seconds hours
echo "Fuzzing ${#targets[@]} targets for $hours h each, $jobs at a time..."
status=0
xargs -P "$jobs" -L 1 bash -c 'run_one "$0" "$1"' < build-fuzz/fuzz-targets.txt || status=1
if [ "$status" -ne 0 ]; then
  echo "Inputs that failed:"
  find build-fuzz/fuzz-artifacts -type f -print
fi
exit "$status"
