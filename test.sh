#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/deps.sh test
werror=OFF
[[ ${CI:-} == true ]] && werror=ON
cmake -S . -B build -DBUILD_TESTING=ON -DRINKSLIDER_WERROR=$werror >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure --no-tests=error -j"$(nproc)"
