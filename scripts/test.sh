#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, so the libFuzzer targets build too) and runs every
# test. Each test starts its own private D-Bus session bus and temporary folder, and runs
# in UTC; the date and time tests run once more in two zones far from it. Each fuzzer
# replays its corpus (fuzz/corpus/<target>/) as a test.
#
# Here every third-party tool the tests compare against is installed, so a missing one
# (or a missing bus, or time zone) fails its test instead of skipping it.
#
# The tests decide the exit status. Afterwards each fuzzer explores for new inputs for
# QUILLARY_FUZZ_SECONDS seconds (default 60; 0 skips it); what it finds is minimised into
# build-test/fuzz-findings/ and reported, but does not change the exit status.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CC=clang-14 CXX=clang++-14
launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUILLARY_SANITIZE=ON -DQUILLARY_FUZZ=ON -DQUILLARY_BENCH=ON "${launcher[@]}"
cmake --build build-test
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QUILLARY_REQUIRE_TOOLS=1
status=0
ctest --test-dir build-test --output-on-failure -j2 "$@" || status=$?
bash scripts/fuzz-explore.sh build-test "${QUILLARY_FUZZ_SECONDS:-60}"
exit "$status"
