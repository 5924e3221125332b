#!/usr/bin/env bash
# Generates a glibc locale (for example ja_JP.UTF-8) where it is missing, as root or through
# sudo. Debian's locales package ships the sources; a fresh machine has only C and POSIX.
set -euo pipefail
wanted="$1"
normal="$(echo "$wanted" | sed 's/UTF-8$/utf8/')"
if locale -a 2>/dev/null | grep -qx -e "$wanted" -e "$normal"; then
  exit 0
fi
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
echo "Generating the locale $wanted"
"${as_root[@]}" localedef -i "${wanted%%.*}" -f UTF-8 "$wanted"
