#!/usr/bin/env bash
# Builds the game and the benchmarks, measures the game against the bare EGL floor program under
# Xvfb at 640x480 and 1920x1080, and the game under openbox visible and minimised, prints the
# table and writes it into BENCHMARKS.md.
# Usage: tools/bench.sh [--seconds S] [--rounds N]   (defaults: 20 s, 2 rounds)
# BUILD_DIR names the build directory (default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh bench
dir=${BUILD_DIR:-build-bench}
cmake -S . -B "$dir" >/dev/null
cmake --build "$dir" -j2 --target rinkslider egl_floor bench_driver bench_micro

# Ticks and presents are counted by uprobes on onIdle and eglSwapBuffers; as root with perf they
# are set up here for the binary just built, otherwise the driver falls back to damage frames.
group=rinkslider_bench
micro=$(mktemp)
trap 'rm -f "$micro"; perf probe -q -d "$group:*" 2>/dev/null || true' EXIT
probes=()
if [[ $(id -u) -eq 0 ]] && command -v perf >/dev/null; then
  perf probe -q -d "$group:*" 2>/dev/null || true
  egl=$(ldconfig -p | sed -n 's/.*libEGL\.so\.1 (.*x86-64.*) => //p' | head -n 1)
  if perf probe -q -x "$dir/rinkslider" --add "$group:onIdle=_Z6onIdleP5UgWin" &&
     perf probe -q -x "${egl:-/usr/lib/x86_64-linux-gnu/libEGL.so.1}" --add "$group:eglSwapBuffers=eglSwapBuffers"; then
    probes=(--tick-probe "$group/onIdle" --present-probe "$group/eglSwapBuffers")
  fi
fi
if [[ ${#probes[@]} -eq 0 ]]; then
  echo "bench: no uprobes; ticks fall back to damage frames" >&2
fi

"$dir/bench/bench_micro" --benchmark_min_time=1 2>/dev/null | grep -v '^\*\*\*' >"$micro"
"$dir/bench/bench_driver" "$dir/rinkslider" "$dir/bench/egl_floor" --out BENCHMARKS.md --micro "$micro" \
  "${probes[@]}" "$@"
