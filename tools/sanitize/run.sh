#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan and runs
# every test there. The end-to-end tests start the sanitized program: any report aborts it, so
# the exit code or the "still running" check of the test fails. Leaks are checked at every exit.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build-asan
cmake -S . -B "$build" -DBUILD_TESTING=ON -DRINKSLIDER_WERROR=ON -DRINKSLIDER_SANITIZE=ON >/dev/null
# The benchmarks are left out: nothing of theirs runs here.
cmake --build "$build" -j"$(nproc)" --target rinkslider_tests rinkslider_e2e game_assets
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/sanitize/lsan.supp"
export UBSAN_OPTIONS="abort_on_error=1:halt_on_error=1:print_stacktrace=1"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$(nproc)" "$@"
