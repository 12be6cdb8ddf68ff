#!/usr/bin/env bash
# Builds the image-reader fuzz targets with clang into build-fuzz and runs each for SECONDS
# (default 60), starting from the game's own floor.bmp and font.tga; fails on the first crash,
# leak or sanitizer report.
# Findings are kept in build-fuzz/fuzz/findings; the grown corpus in build-fuzz/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DBUILD_TESTING=OFF -DRINKSLIDER_WERROR=ON \
  -DRINKSLIDER_SANITIZE=ON -DRINKSLIDER_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_bitmap fuzz_tga game_assets
out=$build/fuzz
mkdir -p "$out/findings" "$out/seeds/bitmap" "$out/seeds/tga"
cp "$build/floor.bmp" "$out/seeds/bitmap/"
cp "$build/font.tga" "$out/seeds/tga/"
for reader in bitmap tga; do
  mkdir -p "$out/corpus/$reader"
  # The readers look at the first few hundred bytes; longer inputs only slow the search.
  "$out/fuzz_$reader" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/findings/$reader-" "$out/corpus/$reader" "$out/seeds/$reader"
done
