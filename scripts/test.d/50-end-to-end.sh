#!/usr/bin/env bash
# The built program in a real (virtual) X window, driven with xdotool; ends within 3 minutes.
set -euo pipefail
cd "$(dirname "$0")/../.."
program="${TEMPINEX_PROGRAM:-build/ui/qt/Tempinex64}"
bash scripts/ensure-locale.sh ja_JP.UTF-8  # the program runs in its users' locale
timeout --kill-after=10 170 xvfb-run -a -s "-screen 0 1280x1024x24" \
  /usr/bin/python3 tests/e2e/end_to_end.py "$program" < /dev/null
