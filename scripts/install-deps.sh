#!/usr/bin/env bash
# Installs the Debian packages the project builds, runs and tests with, where they are missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build clang-format libgtest-dev bc tzdata
  qt6-base-dev fonts-ipafont-gothic
  attr python3-samba
  xvfb xauth xdotool
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
