#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian 12 package Vantle needs to build, run, test, benchmark
# and package.
# Idempotent: does nothing when all of them are present.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libsqlite3-dev libglib2.0-dev libplist-dev
  libx11-dev libx11-xcb-dev libxcb1-dev libxcb-xinput-dev libxcb-shape0-dev libxcb-xfixes0-dev
  # desktop integration at run time
  libglib2.0-bin shared-mime-info adwaita-icon-theme xdg-utils fonts-dejavu-core
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev clang-format
  clang-14 libfuzzer-14-dev
  xvfb xauth openbox xdotool x11-utils x11-xkb-utils trayer imagemagick libxcb-xtest0-dev
  haskell-status-notifier-item-utils haskell-gtk-sni-tray-utils
  trash-cli python3 sqlite3 inotify-tools fzf fd-find dbus-daemon bc
  at-spi2-core python3-pyatspi
  # GLib's key-file parser for the Nemo actions; a notification server for the
  # file managers' messages and the notification tests
  python3-gi dunst
  # a Wayland compositor for the toast tests, and the headers of its seat module;
  # Qt's Wayland platform, for Vantle without X11
  weston xwayland libweston-10-dev qt6-wayland
  # the Debian package and its checks
  dpkg-dev file appstream desktop-file-utils lintian
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
