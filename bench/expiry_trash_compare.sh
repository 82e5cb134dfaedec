#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Trashing 1,000 files with the peer tools, to set beside Vantle's rehydration
# figure (BM_RehydrateTrash1000 in expiry_cleanup_bench). Everything happens in
# a temporary HOME on the same file system, so the user's Trash is untouched.
#   bench/expiry_trash_compare.sh [build-dir] [files] [trash-put-per-file] [gio-per-file]
set -euo pipefail
build=${1:-build}
count=${2:-1000}
# trash-put starts a Python interpreter per call: one call per file is timed on
# fewer files and scaled up.
per_file_put=${3:-100}
per_file_gio=${4:-$count}

work=$(mktemp -d "${TMPDIR:-/tmp}/vantle-trash-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"

make_files() { # folder count
  mkdir -p "$1"
  for ((i = 0; i < $2; i++)); do head -c 4096 /dev/zero >"$1/expired-$i.bin"; done
}
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { print b - a }'; }
report() { # label seconds files
  awk -v l="$1" -v s="$2" -v n="$3" 'BEGIN { printf "%-34s %9.1f ms  %8.3f ms/file  (%d files)\n", l, s * 1000, s * 1000 / n, n }'
}

make_files "$work/a" "$per_file_gio"
start=$(now)
for f in "$work"/a/*; do gio trash "$f"; done
elapsed=$(since "$start")
report "gio trash, one call per file" "$elapsed" "$per_file_gio"
if [[ $per_file_gio -ne $count ]]; then
  report "  scaled to $count files" "$(awk -v e="$elapsed" -v c="$count" -v p="$per_file_gio" 'BEGIN { print e * c / p }')" "$count"
fi

make_files "$work/b" "$count"
start=$(now)
gio trash "$work"/b/*
report "gio trash, one call for all" "$(since "$start")" "$count"

make_files "$work/c" "$per_file_put"
start=$(now)
for f in "$work"/c/*; do trash-put "$f"; done
elapsed=$(since "$start")
report "trash-put, one call per file" "$elapsed" "$per_file_put"
report "  scaled to $count files" "$(awk -v e="$elapsed" -v c="$count" -v p="$per_file_put" 'BEGIN { print e * c / p }')" "$count"

make_files "$work/d" "$count"
start=$(now)
trash-put "$work"/d/*
report "trash-put, one call for all" "$(since "$start")" "$count"

if [[ -x "$build/bench/expiry_cleanup_bench" ]]; then
  "$build/bench/expiry_cleanup_bench" --benchmark_filter=Rehydrate --benchmark_counters_tabular=true
fi
