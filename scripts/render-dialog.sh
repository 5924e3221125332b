#!/usr/bin/env bash
# Renders the main dialog and the About box to PNG files, headless, with the font pinned to
# IPAPGothic, for people to look at (not a pixel test).
# Usage: scripts/render-dialog.sh [main.png] [about.png] [file...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
main_png="${1:-$here/build/dialog-102.png}"
about_png="${2:-$here/build/dialog-100.png}"
shift $(( $# > 2 ? 2 : $# ))
bash "$here/scripts/build.sh" "$here/build" > /dev/null
QT_QPA_PLATFORM=offscreen "$here/build/ui/qt/tempinex_render" "$main_png" "$about_png" IPAPGothic "$@"
echo "rendered: $main_png $about_png"
