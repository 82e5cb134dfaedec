#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process comparisons for the move-to-folder benchmarks, on data kept
# under /tmp and deleted afterwards.
#   bench/move_compare.sh BUILD_DIR matcher   our matcher vs fzf --filter (200,000 folders)
#   bench/move_compare.sh BUILD_DIR crawl     our crawl vs find and fdfind (100,000 folders)
# Each command runs RUNS times (default 5); the best and the median wall time
# and the median CPU time (user + system) are printed.
set -euo pipefail
build=${1:?build folder}
what=${2:?matcher or crawl}
runs=${RUNS:-5}
work=$(mktemp -d /tmp/vantle-move-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT

# measure LABEL COMMAND...: runs the command, prints best/median wall and median CPU.
measure() {
  local label=$1
  shift
  local walls=() cpus=()
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$work/time" -f '%e %U %S' "$@" >/dev/null 2>&1
    read -r wall user sys <"$work/time"
    walls+=("$wall")
    cpus+=("$(echo "$user + $sys" | bc)")
  done
  local sorted_w sorted_c
  sorted_w=$(printf '%s\n' "${walls[@]}" | sort -g)
  sorted_c=$(printf '%s\n' "${cpus[@]}" | sort -g)
  printf '%-34s wall best %6.3f s  median %6.3f s   cpu median %6.3f s\n' "$label" \
    "$(head -1 <<<"$sorted_w")" "$(sed -n "$(((runs + 1) / 2))p" <<<"$sorted_w")" \
    "$(sed -n "$(((runs + 1) / 2))p" <<<"$sorted_c")"
}

case "$what" in
matcher)
  "$build/bench/move_matcher_bench" --write "$work/list" "$work/keys"
  # The final query of each typed sequence: the longest prefix before the next one starts.
  awk 'NR > 1 && index($0, prev) != 1 { print prev } { prev = $0 } END { print prev }' \
    "$work/keys" >"$work/final"
  cat >"$work/fzf-keys.sh" <<SCRIPT
while IFS= read -r q; do fzf --filter "\$q" <"$work/list" >/dev/null || true; done <"\$1"
SCRIPT
  echo "folders: $(wc -l <"$work/list"), keystrokes: $(wc -l <"$work/keys"), queries: $(wc -l <"$work/final")"
  measure "vantle: every keystroke" "$build/bench/move_matcher_bench" --answer "$work/list" "$work/keys"
  measure "fzf --filter: every keystroke" bash "$work/fzf-keys.sh" "$work/keys"
  measure "fzf --filter: final queries only" bash "$work/fzf-keys.sh" "$work/final"
  ;;
crawl)
  mkdir "$work/home"
  "$build/bench/move_crawl_bench" --make-tree "$work/home" 100000
  echo "folders: $(find "$work/home" -mindepth 1 -type d | wc -l)"
  find "$work/home" -type d >/dev/null # warm the caches
  measure "vantle crawl" "$build/bench/move_crawl_bench" --crawl "$work/home"
  measure "find -type d" find "$work/home" -type d
  measure "fdfind -u --type d" fdfind -u --type d . "$work/home"
  ;;
*)
  echo "unknown benchmark: $what" >&2
  exit 2
  ;;
esac
