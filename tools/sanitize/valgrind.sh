#!/usr/bin/env bash
# Ten seconds of play under valgrind's memcheck, ended with "q": fails on any memory error or
# definite leak outside the graphics stack (suppressed in valgrind.supp). Uses the build in
# BUILD_DIR (default: build, as ./test.sh leaves it).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
RINKSLIDER_VALGRIND="$PWD/tools/sanitize/valgrind.supp" "$build/tests/rinkslider_e2e" --gtest_filter='Fault.TenSecondsOfPlayUnderValgrind*'
