#!/usr/bin/env bash
# Measures the instance lock on private Xvfb displays, with the game installed once for two users:
# how long a second user's start takes to show its window while the first user plays, the first
# user's ticks a second undisturbed and while a thousand connections at a time knock on its lock with
# garbage, and how soon a later start of that user's is answered meanwhile. Run as root (another
# user, uprobes), on an idle machine.
# Usage: tools/lock_bench.sh [SECONDS [ROUNDS]]   (defaults: 10 s windows, 5 rounds)
# BUILD_DIR names the build directory (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10} rounds=${2:-5}
[[ $(id -u) -eq 0 ]] || { echo "lock_bench: run as root (another user, uprobes)" >&2; exit 1; }
bash tools/deps.sh bench
dir=${BUILD_DIR:-build}
cmake --build "$dir" -j2 --target rinkslider >/dev/null
tmp=$(mktemp -d) group=rinkslider_lock other=65534 helpers=""
trap 'kill $helpers 2>/dev/null || true; perf probe -q -d "$group:*" 2>/dev/null || true; rm -rf "$tmp"' EXIT
mkdir "$tmp/game" && chmod 755 "$tmp" "$tmp/game"
cp "$dir/rinkslider" "$dir/floor.bmp" "$dir/font.tga" "$tmp/game/"
# Each user's runtime folder, as logind makes it.
mkdir -m 700 "$tmp/run0" "$tmp/run1" && chown "$other:$other" "$tmp/run1"

now() { date +%s.%N; }
since() { awk -v t0="$1" -v t1="$(now)" 'BEGIN { printf "%.3f", t1 - t0 }'; }
hasWindow() { xwininfo -display "$1" -root -tree 2>/dev/null | grep -q '"Rinkslider"'; }
# Starts an Xvfb on a free display and names it in the file.
startServer() {
  Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$tmp/$1" 2>/dev/null &
  helpers+=" $!"
  until [[ -s $tmp/$1 ]]; do sleep 0.05; done
}
startServer first && startServer second
first=:$(<"$tmp/first") second=:$(<"$tmp/second")

(cd "$tmp/game" && DISPLAY=$first XDG_RUNTIME_DIR=$tmp/run0 exec ./rinkslider) 2>/dev/null &
game=$!
helpers+=" $game"
until hasWindow "$first"; do sleep 0.01; done

times=""
for ((i = 0; i < rounds; i++)); do
  t0=$(now)
  (cd "$tmp/game" && exec env -i DISPLAY="$second" XDG_RUNTIME_DIR="$tmp/run1" HOME="$tmp/run1" \
    setpriv --reuid=$other --regid=$other --clear-groups ./rinkslider) 2>/dev/null &
  start=$!
  until hasWindow "$second"; do sleep 0.01; done
  times+=" $(since "$t0")"
  kill "$start" && wait "$start" 2>/dev/null || true
  while hasWindow "$second"; do sleep 0.01; done
done
echo "second user's start to window while the first plays (s):$times"

# Ticks are calls of onIdle: 25 a second while the loop is never held up. (Frames are no measure
# here: after the first goal the picture stands still and none is drawn.)
perf probe -q -d "$group:*" 2>/dev/null || true
perf probe -q -x "$tmp/game/rinkslider" --add "$group:onIdle=_Z6onIdleP5UgWin"
ticksPerSecond() {
  perf stat -x, -o "$tmp/perf" -e "$group:onIdle" -p "$game" -- sleep "$seconds"
  awk -F, -v s="$seconds" '/onIdle/ { printf "%.1f", $1 / s }' "$tmp/perf"
}
echo "ticks per second undisturbed: $(ticksPerSecond)"

# Every half second a thousand new connections, the last thousand let go: silent ones, ones with a
# token of a megabyte, ones with bytes that are not text, and whole knocks that leave at once.
socket=$(find "$tmp/run0" -type s | head -n 1)
python3 - "$socket" <<'EOF' &
import socket, sys, time
says = [b"", b"TOKEN=" + b"x" * (1 << 20) + b"\n\n", bytes(i * 151 % 256 for i in range(4096)), b"DISPLAY=:0\n\n"]
held = []
while True:
    batch = []
    for i in range(1000):
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.setblocking(False)
        try:
            s.connect(sys.argv[1])
            s.send(says[i % 4])
        except OSError:
            pass
        (s.close() if i % 4 == 3 else batch.append(s))
    for s in held:
        s.close()
    held = batch
    time.sleep(0.5)
EOF
helpers+=" $!"
sleep 1
echo "ticks per second while 1000 connections at a time knock: $(ticksPerSecond)"
t0=$(now)
code=0
(cd "$tmp/game" && DISPLAY=$first XDG_RUNTIME_DIR=$tmp/run0 exec ./rinkslider) 2>/dev/null || code=$?
echo "a later start of the first user's meanwhile: exit $code after $(since "$t0") s"
