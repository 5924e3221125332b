#!/usr/bin/env bash
# Boots one of Debian's kernels (6.1 or 6.12) in QEMU and runs the real-driver checks of
# scripts/vm/guest.sh there, all of them or those named. The guest sees the host's root
# read-only (with a tmpfs over it), so it runs this work tree's build; it has no network.
# Prints each check's verdict and "SERIES: N passed, N failed, N skipped"; exit status 1 when
# a check failed, 2 when the checks did not run to their end.
# Usage: run.sh 6.1|6.12 [CHECK...]     (run.sh --list names the checks)
# Environment: TEMPINEX_BUILD (default build), TEMPINEX_VM_SECONDS (default 200: the machine
# is stopped then), TEMPINEX_VM_KVM=1 to ask for KVM instead of software emulation (Debian's
# kernels do not boot under the nested KVM of some machines), TEMPINEX_VM_KEEP=DIR to keep the
# console log and results there.
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
if [ "${1:-}" = --list ]; then
  exec bash "$repo/scripts/vm/guest.sh" --list
fi
series="${1:?usage: run.sh 6.1|6.12 [CHECK...]}"
shift
build="$(cd "$repo" && cd "${TEMPINEX_BUILD:-build}" && pwd)"
kernel="$(bash "$repo/scripts/vm/kernel.sh" "$series")"
release="$(cat "$kernel/release")"

work="$(mktemp -d /tmp/tempinex-vm-XXXXXX)"
qemu=""
finish() {
  if [ -n "$qemu" ] && kill -0 "$qemu" 2> /dev/null; then
    kill "$qemu" 2> /dev/null || true
    wait "$qemu" 2> /dev/null || true
  fi
  if [ -n "${TEMPINEX_VM_KEEP:-}" ]; then
    mkdir -p "$TEMPINEX_VM_KEEP"
    cp -r "$work/." "$TEMPINEX_VM_KEEP/"
  fi
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 143' TERM INT
mkdir "$work/results"

# What the guest runs once it is in the host's root: the kernel's own modules where modprobe
# looks for them, then the checks, their output kept for the host and shown on the console.
cat > "$work/results/job" <<JOB
mkdir -p /lib/modules/$release
mount --bind '$kernel/root/lib/modules/$release' /lib/modules/$release
cd '$repo'
TEMPINEX_BUILD='$build' /bin/bash scripts/vm/guest.sh $* 2>&1 | tee /results/out
JOB

accel=(-accel tcg)
if [ "${TEMPINEX_VM_KVM:-0}" = 1 ]; then
  accel=(-enable-kvm)
fi
qemu-system-x86_64 "${accel[@]}" -m 1536 -smp 1 -display none -monitor none -nic none \
  -no-reboot -serial "file:$work/console" \
  -kernel "$kernel/vmlinuz" -initrd "$kernel/initrd" \
  -append "console=ttyS0 panic=-1 loglevel=4" \
  -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
  -virtfs "local,path=$work/results,mount_tag=results,security_model=none" &
qemu=$!
deadline=$((SECONDS + ${TEMPINEX_VM_SECONDS:-200}))
while kill -0 "$qemu" 2> /dev/null && [ "$SECONDS" -lt "$deadline" ]; do
  sleep 1
done
if kill -0 "$qemu" 2> /dev/null; then
  echo "$series: the machine did not finish within ${TEMPINEX_VM_SECONDS:-200} s"
fi

if [ -e "$work/results/out" ]; then
  sed "s/^/$series /" "$work/results/out"
fi
count() { grep -c "^$1: " "$work/results/out" 2> /dev/null || true; }
passed="$(count PASS)"
failed="$(count FAIL)"
skipped="$(count SKIP)"
status=0
if [ "$failed" -gt 0 ]; then
  status=1
fi
if ! grep -q '^checks done$' "$work/results/out" 2> /dev/null; then
  echo "$series: the checks did not end; the console's last lines:"
  tail -n 30 "$work/console" 2> /dev/null | sed "s/^/$series console: /"
  failed=$((failed + 1))
  status=2
fi
echo "$series: $passed passed, $failed failed, $skipped skipped"
exit "$status"
