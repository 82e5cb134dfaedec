#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Captures the output of the weston session the caller runs in
# (scripts/weston-session.sh) into the PNG file FILE. XWayland's root window
# holds no picture of the screen, so the compositor is asked for it.
#   scripts/weston-screenshot.sh FILE
set -euo pipefail
shot=$(mktemp -d)
trap 'rm -rf "$shot"' EXIT
(cd "$shot" && weston-screenshooter)
mv "$shot"/wayland-screenshot-*.png "$1"
