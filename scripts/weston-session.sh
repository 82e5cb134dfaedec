#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a private Wayland session: weston with its headless
# back end (1920x1080, rendered, so that it can be captured) and XWayland,
# a seat of our own (scripts/weston-seat.c) for XTEST input, no panel and a
# white background. The command gets DISPLAY (XWayland), WAYLAND_DISPLAY (an
# absolute path, so that it holds whatever XDG_RUNTIME_DIR a program is
# given) and VANTLE_E2E_SCREENSHOT, a command that
# writes the output to the PNG file it is given. Its exit status is the
# command's.
#   scripts/weston-session.sh COMMAND [ARGUMENTS…]
set -euo pipefail
[[ $# -gt 0 ]] || { echo "usage: $0 COMMAND [ARGUMENTS…]" >&2; exit 2; }
scripts=$(cd "$(dirname "$0")" && pwd)

runtime=$(mktemp -d /tmp/vantle-weston-XXXXXX)
chmod 700 "$runtime"
cleanup() {
  if [[ -n "${weston_pid:-}" ]]; then
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT

cc -shared -fPIC -o "$runtime/seat.so" "$scripts/weston-seat.c" \
  $(pkg-config --cflags --libs libweston-10)
# Weston's X server listens in the usual socket folder, which only an X
# server that ran before would have made.
mkdir -p /tmp/.X11-unix 2>/dev/null && chmod 1777 /tmp/.X11-unix 2>/dev/null || true
printf '[shell]\npanel-position=none\nbackground-color=0xffffffff\n' >"$runtime/weston.ini"

# --debug lets weston-screenshooter capture the output.
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --xwayland \
  --use-pixman --width=1920 --height=1080 --idle-time=0 --debug \
  --socket=wayland-vantle --config="$runtime/weston.ini" --modules="$runtime/seat.so" \
  --log="$runtime/weston.log" >/dev/null 2>&1 &
weston_pid=$!

# Weston picks the X display number and starts Xwayland on the first
# connection; its log names the display once the socket listens.
display=
for _ in $(seq 200); do
  display=$(sed -n 's/.*xserver listening on display \(:[0-9]\+\).*/\1/p' "$runtime/weston.log" 2>/dev/null || true)
  [[ -n "$display" ]] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.05
done
if [[ -z "$display" ]]; then
  echo "weston did not start XWayland:" >&2
  cat "$runtime/weston.log" >&2 || true
  exit 1
fi
export DISPLAY=$display WAYLAND_DISPLAY="$runtime/wayland-vantle"
export VANTLE_E2E_SCREENSHOT="$scripts/weston-screenshot.sh"
# The first client waits for Xwayland to start; later ones find it up.
timeout 20 xdpyinfo >/dev/null || { echo "XWayland did not answer on $DISPLAY" >&2; exit 1; }

status=0
"$@" || status=$?
exit "$status"
