#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# From a file's rename into Downloads to the toast's window being mapped, over
# N files (default 50), then the program's CPU use while the island is
# expanded and while it is hidden. Map events are read from `xev -root`, so
# the figure is not blurred by polling. Needs xev and xdotool. SESSION is
# where it runs: `current` (the X display in DISPLAY, with a window manager),
# `xvfb` (a private Xvfb with openbox) or `weston` (headless weston through
# XWayland, scripts/weston-session.sh).
#   bench/toast_latency.sh [path/to/vantle] [N] [SESSION]
set -euo pipefail
binary=$(realpath "${1:-build/src/app/vantle}")
count=${2:-50}
session=${3:-current}
case $session in
  current) ;;
  xvfb) exec "$(dirname "$0")/../scripts/xvfb-session.sh" "$0" "$binary" "$count" current ;;
  weston) exec "$(dirname "$0")/../scripts/weston-session.sh" "$0" "$binary" "$count" current ;;
  *) echo "unknown session $session (current, xvfb or weston)" >&2; exit 2 ;;
esac
[[ -n "${DISPLAY:-}" ]] || { echo "DISPLAY is not set" >&2; exit 1; }

home=$(mktemp -d /tmp/vantle-toast-bench-XXXXXX)
mkdir -p "$home/Downloads" "$home/runtime"
chmod 700 "$home/runtime"
mkfifo "$home/events"
cleanup() {
  [[ -n "${pid:-}" ]] && kill "$pid" 2>/dev/null
  [[ -n "${xev_pid:-}" ]] && kill "$xev_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT

env -u QT_QPA_PLATFORM HOME="$home" XDG_DATA_HOME="$home/.local/share" \
    XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" \
    "$binary" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 300); do
  [[ -f "$home/.config/autostart/vantle.desktop" ]] && break
  sleep 0.05
done
sleep 0.5

# Structure events of the root's children: the window manager's frame of the
# toast is mapped and unmapped with it.
stdbuf -oL xev -root -event substructure >"$home/events" &
xev_pid=$!
exec 3<"$home/events"

# Waits for the next event line containing $1; prints the time it was read (µs).
wait_event() {
  local line
  while IFS= read -r -t 10 line <&3; do
    if [[ "$line" == *"$1"* ]]; then
      echo "${EPOCHREALTIME/./}"
      return 0
    fi
  done
  return 1
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }

latencies=()
for i in $(seq "$count"); do
  echo data >"$home/file-$i.bin"
  # Drop what came before this file.
  while IFS= read -r -t 0.05 _ <&3; do :; done
  start=${EPOCHREALTIME/./}
  mv "$home/file-$i.bin" "$home/Downloads/file-$i.bin"
  mapped=$(wait_event "MapNotify event") || { echo "no toast for file $i" >&2; exit 1; }
  latencies+=($(( (mapped - start) / 1000 )))
  # Once the island has expanded: hover, then "Mark temporary".
  sleep 0.4
  xdotool mousemove 770 60 sleep 0.05 mousemove 810 60 sleep 0.05 click 1
  wait_event "UnmapNotify event" >/dev/null || { echo "toast stayed for file $i" >&2; exit 1; }
  xdotool mousemove 10 500
done
sorted=($(printf '%s\n' "${latencies[@]}" | sort -n))
p50=${sorted[$(( count * 50 / 100 ))]}
p99=${sorted[$(( (count * 99 + 99) / 100 - 1 ))]}
echo "rename -> toast mapped over $count files: p50 ${p50} ms, p99 ${p99} ms, max ${sorted[-1]} ms"

hz=$(getconf CLK_TCK)
percent() { awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN{printf "%.1f", t / hz / s * 100}'; }
echo data >"$home/expanded.bin"
mv "$home/expanded.bin" "$home/Downloads/expanded.bin"
wait_event "MapNotify event" >/dev/null
sleep 0.3
before=$(cpu_ticks); sleep 6; after=$(cpu_ticks)
echo "CPU while expanded (6 s of the countdown): $(( (after - before) * 1000 / hz )) ms = $(percent $((after - before)) 6) % of one core"
wait_event "UnmapNotify event" >/dev/null
sleep 1
before=$(cpu_ticks); sleep 7; after=$(cpu_ticks)
echo "CPU while hidden (7 s): $(( (after - before) * 1000 / hz )) ms = $(percent $((after - before)) 7) % of one core"
