#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A large file moved between a tmpfs and the disk, by the program's mover and
# by mv, side by side (needs root for the tmpfs mount).
#   bench/move_crossdevice.sh [build-dir] [size-MiB] [rounds]
set -euo pipefail
build=${1:-build}
size=${2:-1024}
rounds=${3:-3}
work=$(mktemp -d "$PWD/.crossdevice-XXXXXX")
ram="$work/ram"
disk="$work/disk"
mkdir -p "$ram" "$disk"
mount -t tmpfs -o size=$((size * 2 + 64))M tmpfs "$ram"
trap 'umount "$ram"; rm -rf "$work"' EXIT
head -c "${size}M" /dev/urandom >"$ram/big.bin"
ours=0
theirs=0
for ((i = 1; i <= rounds; i++)); do
  # Disk to tmpfs and back, so each tool moves both ways.
  t1=$("$build/bench/move_transfer_bench" "$ram/big.bin" "$disk")
  t2=$("$build/bench/move_transfer_bench" "$disk/big.bin" "$ram")
  start=$(date +%s.%N)
  mv "$ram/big.bin" "$disk/big.bin"
  sync
  mv "$disk/big.bin" "$ram/big.bin"
  end=$(date +%s.%N)
  ours=$(echo "$ours + $t1 + $t2" | bc -l)
  theirs=$(echo "$theirs + $end - $start" | bc -l)
  echo "round $i: mover $(echo "$t1 + $t2" | bc -l) s, mv $(echo "$end - $start" | bc -l) s"
done
mib=$((size * 2 * rounds))
printf 'mover %.0f MiB/s, mv %.0f MiB/s, ratio %.2f\n' "$(echo "$mib / $ours" | bc -l)" \
  "$(echo "$mib / $theirs" | bc -l)" "$(echo "$theirs / $ours" | bc -l)"
