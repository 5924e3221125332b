#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the paths given.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh" "$here/build" > /dev/null
program="$here/build/ui/qt/Tempinex64"
if [ ! -x "$program" ]; then
  echo "The program is not built yet: only the file status core exists so far." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
