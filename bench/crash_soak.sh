#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The crash soak: the real program killed with SIGKILL at seeded moments while
# Downloads churns, restarted, and checked (store against folder, store file
# integrity, nothing unmarked in the Trash). Needs an X display (DISPLAY).
#   bench/crash_soak.sh [build-dir] [rounds] [seed]
set -euo pipefail
build=${1:-build}
rounds=${2:-30}
seed=${3:-1}
[[ -n "${DISPLAY:-}" ]] || { echo "DISPLAY is not set: the program needs an X display" >&2; exit 2; }
exec "$build/bench/crash_soak_bench" "$build/src/app/vantle" "$rounds" "$seed"
