#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages/*.txt (one or more names a line,
# '#' starts a comment) where they are missing.
set -euo pipefail
cd "$(dirname "$0")"

mapfile -t packages < <(sed 's/#.*//' packages/*.txt | tr ' ' '\n' | grep -v '^$' | sort -u)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
bash ./ensure-locale.sh ja_JP.UTF-8
