#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The long soak of the Downloads watcher: 100,000 random operations on a real
# Downloads folder, then the number of mismatches between store and folder.
#   bench/watcher_soak.sh [build-dir] [operations] [seed]
set -euo pipefail
build=${1:-build}
operations=${2:-100000}
seed=${3:-1}
exec "$build/bench/watcher_soak_bench" "$operations" "$seed"
