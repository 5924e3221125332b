#!/usr/bin/env bash
# Runs the Windows tests of a build folder (default build-win) under Wine, as an unprivileged
# user, in a fresh Wine prefix that is removed afterwards. Every Wine start is time-bounded.
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir="${1:-build-win}"
shift || true
wine_user=scripts/windows/wine-user.sh

WINE_USER_HOME="$(mktemp -d "${TMPDIR:-/tmp}/tempinex-wine.XXXXXX")"
export WINE_USER_HOME
xvfb_pid=""
cleanup() {
  timeout 60 "$wine_user" wineserver -k > /dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
  rm -rf "$WINE_USER_HOME"
}
trap cleanup EXIT

# The dialog tests open real windows: an X server of their own, open to the unprivileged user
# (-ac), started before Wine so that Wine's desktop uses it.
display_file="$WINE_USER_HOME/display"
Xvfb -ac -nolisten tcp -screen 0 1024x768x24 -displayfd 3 3> "$display_file" > /dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
[ -s "$display_file" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(cat "$display_file")"

# A persistent server, the prefix made, and one program run first: otherwise the first test
# waits for Wine's services to settle.
mkdir -p "$WINE_USER_HOME/prefix"
timeout 60 "$wine_user" wineserver -p > /dev/null 2>&1
timeout 300 "$wine_user" wineboot -i > /dev/null 2>&1
timeout 200 "$wine_user" bash -s < scripts/windows/dialog-fonts.sh
# Another user's file that the test user may write (root's, mode 666): the writability test
# must refuse it. Only root can make one.
if [ "$(id -u)" -eq 0 ]; then
  foreign="$WINE_USER_HOME/foreign"
  mkdir -m 755 "$foreign"
  echo shared > "$foreign/root_shared.txt"
  chmod 666 "$foreign/root_shared.txt"
  export TEMPINEX_FOREIGN_FILE="Z:${foreign//\//\\}\\root_shared.txt"
fi
timeout 120 "$wine_user" wine cmd /c echo Wine is ready < /dev/null 2>/dev/null | tr -d '\r'
ctest --test-dir "$build_dir" --output-on-failure --timeout 300 "$@"
