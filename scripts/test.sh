#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, so the libFuzzer targets build too) and runs every
# test, the fuzzers included, on a private D-Bus session bus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CC=clang-14 CXX=clang++-14
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUILLARY_SANITIZE=ON -DQUILLARY_FUZZ=ON -DQUILLARY_BENCH=ON
cmake --build build-test
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec dbus-run-session -- ctest --test-dir build-test --output-on-failure -j2 "$@"
