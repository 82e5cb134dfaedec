#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The suite under ThreadSanitizer: builds build-tsan/ (the tsan preset), runs
# the tests on a private display and session bus, and lists each reported race
# once, by the first frame in Vantle's own code, with how often it was seen.
#   bench/tsan.sh [--e2e] [ctest arguments]
# The end-to-end tests are left out unless --e2e is given: they drive the real
# program against wall-clock deadlines (toast countdown, key presses, window
# mapping), and at ThreadSanitizer's slowdown they fail on time, not on races.
set -euo pipefail
cd "$(dirname "$0")/.."
exclude=(--label-exclude e2e)
if [[ ${1:-} == --e2e ]]; then
  exclude=()
  shift
fi
[[ -f build-tsan/build.ninja ]] || cmake --preset tsan
cmake --build build-tsan --parallel "$(nproc)"

logs=$(mktemp -d /tmp/vantle-tsan-XXXXXX)
# Every process writes its reports to a file of its own (tsan.<pid>).
export TSAN_OPTIONS="log_path=$logs/tsan"
status=0
XVFB_LOGS=$logs scripts/xvfb-session.sh dbus-run-session -- \
  ctest --preset tsan --parallel 2 "${exclude[@]}" "$@" >"$logs/ctest.log" 2>&1 || status=$?
grep -E '^[0-9]+% tests passed|^Total Test time' "$logs/ctest.log" || true

shopt -s nullglob
reports=("$logs"/tsan.*)
echo "ThreadSanitizer: ${#reports[@]} process(es) reported; logs in $logs"
if ((${#reports[@]})); then
  awk -v root="$PWD/" '
    /WARNING: ThreadSanitizer: / {
      kind = $0; sub(/.*ThreadSanitizer: /, "", kind); sub(/ \(pid=.*/, "", kind)
      open = 1; next
    }
    # Frames name our sources relative to the build folder (../src/…), or by
    # their full path when a unity build included them.
    open && /^ *#[0-9]+ / && (/ (\.\.\/)+(src|tests)\// || index($0, " " root "src/") ||
                              index($0, " " root "tests/")) && !/libsanitizer/ {
      where = $0; sub(/^ *#[0-9]+ /, "", where); sub(/ \([^ ]*\+0x[0-9a-f]+\)$/, "", where)
      sub(/(\.\.\/)+/, "", where); gsub(root, "", where)
      seen[kind ": " where]++; open = 0; next
    }
    open && /^SUMMARY: ThreadSanitizer/ { seen[kind ": (no frame of ours)"]++; open = 0 }
    END { for (race in seen) printf "%5d  %s\n", seen[race], race }
  ' "${reports[@]}" | sort -rn
  status=1
fi
exit "$status"
