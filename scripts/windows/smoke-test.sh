#!/usr/bin/env bash
# GUI smoke test of the Windows program under Xvfb and Wine, as an unprivileged user: the program
# opens on a file, the name edit 1002 shows the file's base name, a scripted Apply (the program's
# TEMPINEX_SMOKE_YEAR hook) changes the file's last-write year, and the program exits in time.
# With SCREENSHOT=FILE.png it saves pictures instead: FILE.png of the dialog as it opens on a file
# of 2026, and FILE-hours.png after two-digit hours were typed into every row's hour field.
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir="${1:-build-win}"
exe="$(cd "$build_dir" && pwd)/ui/win32/Tempinex64.exe"
wine_user=scripts/windows/wine-user.sh
[ -f "$exe" ] || { echo "no $exe: build it first (scripts/build-windows.sh)"; exit 1; }

WINE_USER_HOME="$(mktemp -d "${TMPDIR:-/tmp}/tempinex-smoke.XXXXXX")"
export WINE_USER_HOME
cleanup() {
  timeout 60 "$wine_user" wineserver -k > /dev/null 2>&1 || true
  rm -rf "$WINE_USER_HOME"
}
trap cleanup EXIT

mkdir -p "$WINE_USER_HOME/prefix" "$WINE_USER_HOME/files"
file="$WINE_USER_HOME/files/smoke sample.txt"
echo "smoke" > "$file"
touch -d "2015-06-15 12:00:00 UTC" "$file"
report="$WINE_USER_HOME/files/report.txt"
shot="${SCREENSHOT:-}"
year=2001
fonts="$(cat scripts/windows/dialog-fonts.sh)"

# One run of the program on the file, with the hook's year and hours; with a picture file, the
# picture is taken once the hook has run and the program is then killed. Everything inside one
# X session: Wine ties its display driver to the session that first starts its desktop, so the
# session's Wine server goes with it.
run_dialog() {
  timeout 300 "$wine_user" xvfb-run -a -s "-screen 0 800x640x24" bash -c '
    set -e
    timeout 60 wineserver -p > /dev/null 2>&1
    timeout 240 wineboot -i > /dev/null 2>&1
    bash -c "$8"  # the dialog fonts
    date +%s > "$6"
    TEMPINEX_SMOKE_YEAR="$1" TEMPINEX_SMOKE_HOURS="$7" TEMPINEX_SMOKE_REPORT="$2" \
      timeout 60 wine "$3" "$4" > /dev/null 2>&1 &
    program=$!
    if [ -n "$5" ]; then
      sleep 8
      import -window root "$5"
      kill "$program"
    fi
    status=0
    wait "$program" || status=$?
    timeout 60 wineserver -k > /dev/null 2>&1 || true
    exit "$status"
  ' smoke "$1" "Z:${report//\//\\}" "$exe" "Z:${file//\//\\}" "$3" "$WINE_USER_HOME/started" \
    "$2" "$fonts"
}

if [ -n "$shot" ]; then
  touch -d "2026-10-28 20:58:59" "$file"
  run_dialog "" "" "$WINE_USER_HOME/shot.png" || true
  run_dialog "" 23 "$WINE_USER_HOME/hours.png" || true
  cp "$WINE_USER_HOME/shot.png" "$shot"
  cp "$WINE_USER_HOME/hours.png" "${shot%.png}-hours.png"
  echo "screenshots: $shot ${shot%.png}-hours.png"
  exit 0
fi

start=$(date +%s)
status=0
run_dialog "$year" "" "" || status=$?
start=$(cat "$WINE_USER_HOME/started" 2>/dev/null || echo "$start")
elapsed=$(( $(date +%s) - start ))

passed=0
failed=0
check() {
  if eval "$2"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
check "program exited by itself (status $status) within the bound ($elapsed s)" '[ "$status" -eq 0 ]'
check "1002 shows the base name ($(cat "$report" 2>/dev/null || echo no report))" 'grep -qx "1002=smoke sample" "$report" 2>/dev/null'
check "Apply wrote the last-write year" '[ "$(date -u -r "$file" +%Y)" = "$year" ]'
check "Apply kept month and day" '[ "$(date -u -r "$file" +%m-%d)" = "06-15" ]'
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
