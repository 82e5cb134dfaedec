#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a private X display: Xvfb at 1920x1080, with openbox as
# its window manager (ready before the command starts) unless --no-wm. The
# command gets DISPLAY; its exit status is the command's. With XVFB_LOGS set
# to a folder, the server's and the window manager's output go there.
#   scripts/xvfb-session.sh [--no-wm] COMMAND [ARGUMENTS…]
set -euo pipefail
wm=1
if [[ ${1:-} == --no-wm ]]; then
  wm=0
  shift
fi
[[ $# -gt 0 ]] || { echo "usage: $0 [--no-wm] COMMAND [ARGUMENTS…]" >&2; exit 2; }
logs=${XVFB_LOGS:-}
log() { if [[ -n $logs ]]; then echo "$logs/$1.log"; else echo /dev/null; fi; }

pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; }
trap cleanup EXIT
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >"$(log xvfb)" 2>&1 &
pids+=($!)
read -r display_number <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display_number"
if ((wm)); then
  openbox >"$(log openbox)" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
fi

status=0
"$@" || status=$?
exit "$status"
