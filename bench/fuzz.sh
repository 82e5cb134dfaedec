#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets (the fuzz preset, build-fuzz/) and runs each for
# SECONDS from a copy of its seeds in tests/fuzz/corpus/<target>, so that the
# repository's corpus stays as it is. Prints executions and findings per
# target; exits non-zero when any target found something (the inputs are kept
# and their folder named).
#   bench/fuzz.sh SECONDS [TARGET...]      TARGET: duration, appcast, …
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: bench/fuzz.sh SECONDS [TARGET...]}
shift
[[ -f build-fuzz/build.ninja ]] || cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for binary in build-fuzz/tests/fuzz/*_fuzz; do
    name=$(basename "$binary")
    targets+=("${name%_fuzz}")
  done
fi

work=$(mktemp -d /tmp/vantle-fuzz-XXXXXX)
found=0
printf '%-10s %12s %9s\n' target execs findings
for target in "${targets[@]}"; do
  dir="$work/$target"
  mkdir -p "$dir/artifacts"
  cp -r "tests/fuzz/corpus/$target" "$dir/corpus"
  status=0
  # One input running for a minute is a hang, a finding; less can be a busy machine.
  "build-fuzz/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=60 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" \
    >"$dir/log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  # A hang that does not come back when its input runs alone was a starved
  # process on a busy machine, not the parser's; slow-unit files are no finding.
  for hang in "$dir"/artifacts/timeout-*; do
    [[ -e $hang ]] || continue
    if "build-fuzz/tests/fuzz/${target}_fuzz" -timeout=60 "$hang" >>"$dir/log" 2>&1; then
      mv "$hang" "$dir/starved-${hang##*/timeout-}"
      status=0
    fi
  done
  findings=$(find "$dir/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'oom-*' \
    -o -name 'timeout-*' \) | wc -l)
  if [[ $status -ne 0 && $findings -eq 0 ]]; then
    findings=1 # stopped early without leaving an input: see the log
  fi
  printf '%-10s %12s %9s\n' "$target" "${execs:-?}" "$findings"
  if [[ $findings -ne 0 ]]; then
    found=1
    echo "  $dir/log, inputs in $dir/artifacts" >&2
  fi
done
if [[ $found -eq 0 ]]; then
  rm -rf "$work"
fi
exit "$found"
