#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, checks the formatting, runs every test,
# renders the gallery (build/gallery) and checks the Debian package.
# End-to-end tests get a display of their own: Xvfb with openbox; the toast
# tests run again on headless weston through XWayland (scripts/weston-session.sh).
#   scripts/test.sh [--asan] [ctest arguments]
# --asan builds the suite and the program in build-asan/ with AddressSanitizer
# and UndefinedBehaviorSanitizer and runs every test there instead (no package).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=default
if [[ ${1:-} == --asan ]]; then
  preset=asan
  shift
fi
scripts/install-deps.sh
scripts/check-format.sh
if [[ $preset == default ]]; then
  scripts/build.sh
else
  [[ -f build-asan/build.ninja ]] || cmake --preset asan
  cmake --build build-asan --parallel "$(nproc)"
fi

# A private X display for the end-to-end tests (its logs in /tmp/vantle-x/),
# and a session bus of their own, so that no test reaches the user's running
# Vantle. The asan test preset sets the sanitizers' options and suppressions.
mkdir -p /tmp/vantle-x
if [[ $preset == default ]]; then
  XVFB_LOGS=/tmp/vantle-x scripts/xvfb-session.sh dbus-run-session -- \
    ctest --test-dir build --output-on-failure --parallel 2 --timeout 300 "$@"
  scripts/weston-session.sh dbus-run-session -- ctest --test-dir build --output-on-failure \
    --timeout 300 -L e2e -R '^(Toast|Shortcuts)Test\.'
else
  XVFB_LOGS=/tmp/vantle-x scripts/xvfb-session.sh dbus-run-session -- \
    ctest --preset asan --output-on-failure --parallel 2 --timeout 300 "$@"
  exit
fi

# Every surface at 1x and 2x, on displays of its own, for a look before a release.
scripts/gallery.sh build/gallery

# The Debian package: its contents, dependencies and validators.
scripts/check-package.sh build
