#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, so the libFuzzer targets build too) and runs every
# test, the fuzzers included. Each test starts its own private D-Bus session bus.
#
# Here every third-party tool the tests compare against is installed, so a missing one
# (or a missing bus) fails its test instead of skipping it.
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
exec ctest --test-dir build-test --output-on-failure -j2 "$@"
