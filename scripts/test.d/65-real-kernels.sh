#!/usr/bin/env bash
# The FAT, exFAT, ntfs3 and SMB stores on the real kernel drivers: Debian 12's own kernel (6.1)
# and the 6.12 kernel Debian 12 offers, each booted in QEMU (scripts/vm/run.sh), both at once.
# Skipped, with the reason, only where QEMU or a kernel package cannot be had.
set -euo pipefail
cd "$(dirname "$0")/../.."
series=(6.1 6.12)

if ! command -v qemu-system-x86_64 > /dev/null; then
  echo "real kernels: skipped: QEMU is not installed (package qemu-system-x86)"
  exit 0
fi
for one in "${series[@]}"; do
  status=0
  bash scripts/vm/kernel.sh "$one" > /dev/null || status=$?
  if [ "$status" -eq 3 ]; then
    echo "real kernels: skipped: apt could not fetch Debian's $one kernel package"
    exit 0
  elif [ "$status" -ne 0 ]; then
    echo "real kernels: the $one kernel could not be made ready"
    exit 1
  fi
done

work="$(mktemp -d)"
runs=()
finish() {
  for run in "${runs[@]}"; do
    kill "$run" 2> /dev/null || true
    wait "$run" 2> /dev/null || true
  done
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 143' TERM INT

started=$SECONDS
for one in "${series[@]}"; do
  bash scripts/vm/run.sh "$one" > "$work/$one" 2>&1 &
  runs+=($!)
done
for run in "${runs[@]}"; do
  wait "$run" || true
done
runs=()

passed=0
failed=0
skipped=0
for one in "${series[@]}"; do
  cat "$work/$one"
  pattern="^$one: [0-9]+ passed, [0-9]+ failed, [0-9]+ skipped$"
  if ! summary="$(grep -E "$pattern" "$work/$one")"; then
    summary="$one: 0 passed, 1 failed, 0 skipped"  # the run stopped before it counted
  fi
  read -r _ p _ f _ s _ <<< "$summary"
  passed=$((passed + p))
  failed=$((failed + f))
  skipped=$((skipped + s))
done
echo "(both kernels in $((SECONDS - started)) s)"
echo "real-kernels: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
