#!/usr/bin/env bash
# The play tests and the Wayland test with the game under valgrind's memcheck, ended with the close
# button and "q": they fail on any memory error or definite leak outside the graphics stack and
# fontconfig (suppressed in valgrind.supp). Uses the build folder given (default: build, as
# ./test.sh leaves it).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
RINKSLIDER_VALGRIND="$PWD/tools/sanitize/valgrind.supp" "$build/tests/rinkslider_e2e" --gtest_filter='Play.*:Wayland.*'
