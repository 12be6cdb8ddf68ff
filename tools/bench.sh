#!/usr/bin/env bash
# Measures the game against the scene floor (tools/bench/scene_floor.cpp) under a private Xvfb at
# 640x480 and 1920x1080, the game paused and waiting for a serve against in play, the game under
# openbox visible and minimised, and its sound on and muted with the delay from a tick to its sound,
# recorded by OpenAL Soft's wave writer; prints the table and writes it into BENCHMARKS.md between
# the measured markers. Run as root, on an idle machine.
# Usage: tools/bench.sh [--seconds S] [--rounds N]   (defaults: 20 s, 2 rounds)
# BUILD_DIR names the build directory (default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=20 rounds=2
while [[ $# -gt 0 ]]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    *) echo "usage: $0 [--seconds S] [--rounds N]" >&2; exit 2 ;;
  esac
done
[[ $(id -u) -eq 0 ]] || { echo "bench: run as root (uprobes)" >&2; exit 1; }
bash tools/deps.sh bench
dir=${BUILD_DIR:-build-bench}
cmake -S . -B "$dir" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$dir" -j2 --target rinkslider scene_floor frame_watch sound_onsets
game=$(realpath "$dir/rinkslider") floor=$(realpath "$dir/scene_floor") watch=$(realpath "$dir/bench/frame_watch")
onsets=$(realpath "$dir/bench/sound_onsets")
# Warm-up before each window; a window whose other processes used more CPU is repeated.
warmup=2 quietLimit=0.1 attempts=3
tmp=$(mktemp -d) group=rinkslider_bench helpers=""
trap 'kill $helpers 2>/dev/null || true; perf probe -q -d "$group:*" 2>/dev/null || true; rm -rf "$tmp"' EXIT

# Ticks are calls of onIdle in the game's binary, sounds of playSound, presents of eglSwapBuffers in libEGL.
perf probe -q -d "$group:*" 2>/dev/null || true
egl=$(ldconfig -p | sed -n 's/.*libEGL\.so\.1 (.*x86-64.*) => //p' | head -n 1)
perf probe -q -x "$game" --add "$group:onIdle=_Z6onIdleP5UgWin"
perf probe -q -x "$game" --add "$group:playSound=_Z9playSound7SoundIdff"
perf probe -q -x "${egl:-/usr/lib/x86_64-linux-gnu/libEGL.so.1}" --add "$group:eglSwapBuffers=eglSwapBuffers"

# CPU clock ticks of processes and their reaped children (/proc/PID/stat fields 14 to 17).
procTicks() {
  local sum=0 p
  for p; do [[ -r /proc/$p/stat ]] && sum=$((sum + $(sed 's/.*) //' "/proc/$p/stat" | awk '{print $12+$13+$14+$15}'))); done
  echo "$sum"
}
# Busy clock ticks of the whole machine: all but idle and I/O wait.
machineTicks() { awk '/^cpu /{print $2+$3+$4+$7+$8+$9}' /proc/stat; }
# The measured window, run by frame_watch: perf counts the program's CPU, ticks and presents;
# the machine's and the helpers' (watcher, this shell and perf, Xvfb, openbox) busy time around it.
measureWindow() {
  local m0 h0
  m0=$(machineTicks) h0=$(procTicks "$PPID" $$ $helpers)
  perf stat -x, -o "$tmp/perf" -e "task-clock,$group:onIdle,$group:eglSwapBuffers" -p "$BENCH_PID" -- sleep "$seconds"
  echo "$(($(machineTicks) - m0)) $(($(procTicks "$PPID" $$ $helpers) - h0)) $(awk '/VmHWM/{print $2}' "/proc/$BENCH_PID/status")" >"$tmp/window"
}
# The sound's window: perf records playSound and the writes of the recording (the game's only
# write() calls), attached while the game is stopped so that the file position they start at is known.
recordSounds() {
  local fd
  kill -STOP "$BENCH_PID"
  fd=$(find "/proc/$BENCH_PID/fd" -lname "$tmp/sound.wav" -printf '%f')
  awk '/^pos:/ { print $2 }' "/proc/$BENCH_PID/fdinfo/$fd" >"$tmp/sound.pos"
  perf record -q -o "$tmp/sound.data" -e "$group:playSound" -e syscalls:sys_enter_write --filter "fd == $fd" \
    -p "$BENCH_PID" -- sleep "$seconds" &
  sleep 0.5 && kill -CONT "$BENCH_PID" && wait $!
}
export -f measureWindow procTicks machineTicks recordSounds
export seconds tmp group helpers

# One run of a program (frame_watch options before it): prints ticks/s, presents/s, frames/s,
# longest gap, CPU s/s, CPU ms a present, start-up ms, peak RSS MiB, others' CPU s/s; perf's
# counts are over its sleep of $seconds, the frames over the watcher's window.
runOnce() {
  local out
  out=$("$watch" "${@:1:$#-1}" "$warmup" "${!#}" measureWindow) || return 1
  awk -F, -v watch="$out" -v window="$(cat "$tmp/window")" -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v floor="$([[ ${!#} == "$floor" ]] && echo 1)" '
    $3 == "task-clock" { cpu = $1 / 1000 } $3 ~ /onIdle/ { ticks = $1 } $3 ~ /eglSwapBuffers/ { presents = $1 }
    END {
      split(watch, w, " "); split(window, m, " ")
      others = (m[1] - m[2]) / hz - cpu; if (others < 0) others = 0
      printf "%s %.2f %.2f %.0f %.3f %s %.0f %.1f %.3f\n", floor ? "n/a" : sprintf("%.2f", ticks / s),
        presents / s, w[2] / w[3], w[4], cpu / s, presents ? sprintf("%.2f", cpu * 1000 / presents) : "n/a",
        w[1], m[3] / 1024, others / s
    }' "$tmp/perf"
}

# The least disturbed of up to $attempts runs, stopping at the first under $quietLimit.
runQuietly() {
  local best="" line i
  for ((i = 0; i < attempts; i++)); do
    line=$(runOnce "$@") || continue
    if [[ -z $best ]] || awk -v a="${line##* }" -v b="${best##* }" 'BEGIN{exit !(a < b)}'; then best=$line; fi
    awk -v a="${best##* }" -v l="$quietLimit" 'BEGIN{exit !(a <= l)}' && break
  done
  echo "${best:-failed}"
}

# The row of a screen and program: the means of its rounds, the longest gap the longest of all.
row() {
  awk -v label="| $1 | $2 |" '
    $1 == "failed" { next } { n++; for (i = 1; i <= 9; i++) if ($i == "n/a") na[i] = 1; else sum[i] += $i; if ($4 > gap) gap = $4 }
    END {
      if (!n) { print label " failed |||||||||"; exit }
      split("2 2 2 0 3 2 0 1 3", d, " "); line = label
      for (i = 1; i <= 9; i++) line = line " " (na[i] ? "n/a" : sprintf("%." d[i] "f", i == 4 ? gap : sum[i] / n)) " |"
      print line
    }'
}

# A run of the game in play, over the first serve's play: no warm-up and windows of $playSeconds s
# (the computer scores 4 s after the serve; from then on the picture is still).
playSeconds=3
inPlay() { seconds=$playSeconds warmup=0 "$@"; }
# The same with its sound recorded by OpenAL Soft's wave writer.
printf '[general]\nchannels = stereo\n[wave]\nfile = %s\n' "$tmp/sound.wav" >"$tmp/alsoft.conf"
withSound() { ALSOFT_DRIVERS=wave ALSOFT_CONF=$tmp/alsoft.conf inPlay "$@"; }
# Each sound's delay in ms, one a line: from the last playSound before the write() that put the
# sound's first frame in the file to that write.
soundDelays() {
  perf script -i "$tmp/sound.data" -F time,event,trace 2>/dev/null |
    awk -v pos="$(cat "$tmp/sound.pos")" -v starts="$("$onsets" "$tmp/sound.wav" | tr '\n' ' ')" '
      function hex(s, n, i) { for (i = 3; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1; return n }
      BEGIN { n = split(starts, o, " "); j = 1; while (j <= n && o[j] < pos) j++ }
      /playSound/ { last = $1 + 0 }
      /sys_enter_write/ { for (end = pos + hex($NF); j <= n && o[j] < end; j++) if (last) print ($1 - last) * 1000; pos = end }'
}

# A private Xvfb of the size given; sets display and adds the server to the helpers.
startX() {
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$tmp/display.$1" 2>/dev/null &
  helpers="$helpers $!"
  until [[ -s $tmp/display.$1 ]]; do kill -0 $! || exit 1; sleep 0.05; done
  display=:$(cat "$tmp/display.$1")
}

load0=$(cut -d' ' -f1 /proc/loadavg)
table="| screen | program | ticks/s | presents/s | damage frames/s | longest frame gap, ms | CPU s/s | CPU ms a present | exec to first frame, ms | peak RSS, MiB | others' CPU s/s |
|---|---|---|---|---|---|---|---|---|---|---|"
ratios=""
for size in 640x480 1920x1080; do
  saved=$helpers
  startX "$size"
  export DISPLAY=$display
  for ((r = 0; r < rounds; r++)); do
    inPlay runQuietly "$game" >>"$tmp/$size.game"
    runQuietly "$floor" >>"$tmp/$size.floor"
    runQuietly --key p "$game" >>"$tmp/$size.paused"
    # The computer scores the first serve's puck 4 s after the serve; then the puck waits.
    warmup=$((4 + warmup)) runQuietly "$game" >>"$tmp/$size.waiting"
    if [[ $size == 640x480 ]]; then
      withSound runQuietly "$game" >>"$tmp/sound.on"
      withSound runQuietly --key m "$game" >>"$tmp/sound.muted"
      withSound "$watch" 0 "$game" recordSounds >/dev/null && soundDelays >>"$tmp/sound.delays"
    fi
  done
  openbox --sm-disable 2>/dev/null &
  helpers="$helpers $!"
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do sleep 0.05; done
  for ((r = 0; r < rounds; r++)); do
    inPlay runQuietly "$game" >>"$tmp/$size.visible"
    runQuietly --minimise "$game" >>"$tmp/$size.minimised"
  done
  kill ${helpers#"$saved"} 2>/dev/null && wait ${helpers#"$saved"} 2>/dev/null || true
  helpers=$saved
  for kind in game floor paused waiting visible minimised; do
    table+=$'\n'$(row "$size" "$(sed 's/^paused/game, paused with p/; s/waiting/game, waiting for a serve/; s/visible/game under openbox/; s/minimised/game under openbox, minimised/' <<<"$kind")" <"$tmp/$size.$kind")
  done
  # CPU s/s is the 7th column, CPU a present the 8th; the size's rows in the order above.
  ratios+="- $size: $(awk -F' [|] ' '{cpu[NR] = $7; each[NR] = $8}
    function share(a, b) { return (a != "" && b + 0) ? sprintf("%.3f", a / b) : "n/a" }
    END { printf "CPU a present, game/floor: %s; CPU, paused/in play: %s; waiting/in play: %s; minimised/visible: %s",
          share(each[1], each[2]), share(cpu[3], cpu[1]), share(cpu[4], cpu[1]), share(cpu[6], cpu[5]) }' <<<"$(tail -n 6 <<<"$table")")"$'\n'
done

table+=$'\n'$(row 640x480 "game, sound on (wave writer), $playSeconds s" <"$tmp/sound.on")
table+=$'\n'$(row 640x480 "game, muted with m (wave writer), $playSeconds s" <"$tmp/sound.muted")
ratios+="- sound: CPU, muted/on: $(awk -F' [|] ' 'NR==1{v=$7} NR==2{print (v+0) ? sprintf("%.3f", $7/v) : "n/a"}' <<<"$(tail -n 2 <<<"$table")")"
ratios+="; tick to its sound in the file: $(awk '{ s += $1; if ($1 > m) m = $1 }
  END { if (NR) printf "mean %.1f ms, longest %.1f ms, over %d sounds", s / NR, m, NR; else print "n/a" }' "$tmp/sound.delays" 2>/dev/null)"$'\n'

{
  echo "Measured $(date -u '+%Y-%m-%d %H:%M') UTC: $rounds round(s) of $seconds s windows (means), after $warmup s of warm-up."
  echo
  echo "- processors: $(nproc), $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -n 1)"
  echo "- Mesa: $(dpkg-query -W -f '${Version}' libgl1-mesa-dri 2>/dev/null || echo unknown)"
  echo "- 1-minute load average: $load0 before, $(cut -d' ' -f1 /proc/loadavg) after"
  echo
  echo "$table"
  echo
  printf '%s' "$ratios"
} >"$tmp/report"
cat "$tmp/report"
awk -v f="$tmp/report" 'BEGIN { while ((getline l < f) > 0) r = r l "\n" }
  /<!-- measured:end -->/ { printf "%s", r; skip = 0 } !skip { print } /<!-- measured:begin -->/ { skip = 1 }' \
  BENCHMARKS.md >"$tmp/md" && cat "$tmp/md" >BENCHMARKS.md
