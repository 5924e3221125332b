#!/bin/bash
# The real-driver checks, run inside the virtual machine of scripts/vm/run.sh as root, on the
# kernel booted there: each check makes the volumes it needs (scripts/vm/volumes.sh) and
# prints one verdict a line (scripts/vm/assert.sh), then "checks done".
# Usage: guest.sh [CHECK...]   (all checks when none is named; --list names them)
# Environment: TEMPINEX_BUILD, the build folder whose cli/tempinex and core tests it runs.
set -u
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin TZ=UTC LC_ALL=C.UTF-8
here="$(cd "$(dirname "$0")" && pwd)"
all_checks=(vfat vfat_si exfat ntfs3 smb smb_nodos core e2e)
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${all_checks[@]}"
  exit 0
fi
checks=("$@")
[ ${#checks[@]} -gt 0 ] || checks=("${all_checks[@]}")

source "$here/assert.sh"
source "$here/volumes.sh"
for file in "$here"/checks/*.sh; do
  source "$file"
done

skip() { echo "SKIP: $check: $1"; }

# Makes and mounts the volume NAME for the running check; a verdict says why when it cannot.
need_volume() {
  if volume_ready "$1" 2> /tmp/volume.err > /dev/null; then
    return 0
  fi
  fail "the $1 volume is made and mounted" "$(tail -n 3 /tmp/volume.err)"
  return 1
}

kernel_at_least() {
  local major minor
  IFS=. read -r major minor _ <<< "$(uname -r)"
  [ "$major" -gt "$1" ] || { [ "$major" -eq "$1" ] && [ "${minor%%[!0-9]*}" -ge "$2" ]; }
}

# The guest's own /tmp, which hides the host's: a work tree or build folder under the host's
# /tmp (a clone made there) is bound back in its place.
give_own_tmp() {
  local repo kept=()
  repo="$(cd "$here/../.." && pwd)"
  case "$repo/" in /tmp/*) kept+=("$repo") ;; esac
  case "${TEMPINEX_BUILD:-}/" in "$repo"/*) ;; /tmp/*) kept+=("$TEMPINEX_BUILD") ;; esac
  if [ ${#kept[@]} -gt 0 ]; then
    mkdir -p /.host-tmp
    mount --bind /tmp /.host-tmp
  fi
  mount -t tmpfs -o size=600m tmpfs /tmp
  for path in "${kept[@]}"; do
    mkdir -p "$path"
    mount --bind "/.host-tmp/${path#/tmp/}" "$path"
  done
}

give_own_tmp
mount -t tmpfs tmpfs /run
mkdir -p /dev/shm
mount -t tmpfs tmpfs /dev/shm
mkdir -p /mnt
modprobe loop
echo "kernel $(uname -r)"
for check in "${checks[@]}"; do
  if ! declare -F "check_$check" > /dev/null; then
    fail "known check" "no check '$check'; guest.sh --list names them"
    continue
  fi
  started=$SECONDS
  "check_$check"
  echo "($check took $((SECONDS - started)) s)"
done
cd /
for name in "${!mounted[@]}"; do
  umount "/mnt/$name" 2> /dev/null
done
smb_stop
echo "checks done"
