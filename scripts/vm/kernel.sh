#!/usr/bin/env bash
# Makes ready one of Debian's kernels for the virtual machine of scripts/vm/run.sh and prints
# its folder: vmlinuz, initrd (busybox and the modules that reach the host's root over 9p),
# root/ (the extracted package, with its module index) and release (the kernel's version).
# Usage: kernel.sh 6.1|6.12
# The image package is downloaded with apt, never installed, and kept extracted in
# $TEMPINEX_KERNEL_CACHE (default /var/cache/tempinex-kernels), outside any work tree; a newer
# image package of the same series replaces the one kept. Exit status 3: apt could not name or
# fetch the package.
set -euo pipefail
series="${1:?usage: kernel.sh 6.1|6.12}"
here="$(cd "$(dirname "$0")" && pwd)"
cache="${TEMPINEX_KERNEL_CACHE:-/var/cache/tempinex-kernels}"

case "$series" in
  6.1) meta=linux-image-amd64 ;;  # Debian 12's own kernel
  6.12) meta=linux-image-6.12-amd64 ;;
  *)
    echo "kernel.sh: unknown series '$series' (6.1 or 6.12)" >&2
    exit 2
    ;;
esac

# The image package the meta package names today.
image_of_the_day() {
  apt-cache depends "$meta" 2> /dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-/ {print $2; exit}'
}
image="$(image_of_the_day)"
if [ -z "$image" ]; then
  apt-get update -qq >&2 || true
  image="$(image_of_the_day)"
fi
if [ -z "$image" ]; then
  echo "kernel.sh: apt knows no package $meta" >&2
  exit 3
fi

folder="$cache/$image"
if [ ! -e "$folder/ready" ]; then
  mkdir -p "$cache"
  for old in "$cache"/*/series; do
    if [ -e "$old" ] && [ "$(cat "$old")" = "$series" ]; then
      rm -rf "$(dirname "$old")"
    fi
  done
  rm -rf "$folder"
  mkdir -p "$folder/download"
  chown _apt "$folder/download" 2> /dev/null || true  # apt fetches as _apt where it can
  if ! (cd "$folder/download" && apt-get download -qq "$image" >&2); then
    rm -rf "$folder"
    echo "kernel.sh: apt could not download $image" >&2
    exit 3
  fi
  dpkg-deb -x "$folder"/download/*.deb "$folder/root"
  rm -rf "$folder/download"
  release="$(ls "$folder/root/lib/modules")"
  depmod -b "$folder/root" "$release"
  cp "$folder/root/boot/vmlinuz-$release" "$folder/vmlinuz"
  echo "$release" > "$folder/release"
  echo "$series" > "$folder/series"
  touch "$folder/ready"
fi

# The initramfs: busybox, our init and, in load order, the modules it needs to mount the
# host's root (virtio, 9p) and lay a writable overlay on it; decompressed, since busybox's
# insmod takes plain modules only. Made again whenever init or this script changed.
if [ ! -e "$folder/initrd" ] || [ "$here/init" -nt "$folder/initrd" ] ||
  [ "$here/kernel.sh" -nt "$folder/initrd" ]; then
  release="$(cat "$folder/release")"
  staging="$(mktemp -d)"
  trap 'rm -rf "$staging"' EXIT
  mkdir -p "$staging/bin" "$staging/modules"
  cp /bin/busybox "$staging/bin/busybox"
  install -m 755 "$here/init" "$staging/init"
  for module in virtio_pci 9pnet_virtio 9p overlay; do
    modprobe -d "$folder/root" -S "$release" --show-depends "$module" |
      awk '$1 == "insmod" {print $2}'
  done | awk '!seen[$0]++' | nl -w2 -n rz | while read -r order path; do
    name="$(basename "$path")"
    target="$staging/modules/$order-${name%%.ko*}.ko"
    case "$path" in
      *.ko.xz) xz -dc "$path" > "$target" ;;
      *.ko.zst) zstd -qdc "$path" > "$target" ;;
      *) cp "$path" "$target" ;;
    esac
  done
  (cd "$staging" && find . | cpio -o -H newc --quiet | gzip -1) > "$folder/initrd.new"
  mv "$folder/initrd.new" "$folder/initrd"
fi
echo "$folder"
