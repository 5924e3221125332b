#!/usr/bin/env bash
# The program as a desktop citizen: the install rules, the validators of the desktop entry, the
# AppStream metainfo and the file managers' right-click entries, then the Debian package built
# in a Release build of its own, installed with apt-get, started, asked for its type names and
# icon, and removed again.
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir="${TEMPINEX_PACKAGE_BUILD:-build-deb}"
app_id=io.github.kanorem.Tempinex64
work=$(mktemp -d)
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
installed_here=no
cleanup() {
  if [ "$installed_here" = yes ]; then
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get purge -y -qq tempinex64 > /dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTEMPINEX_BUILD_TESTS=OFF \
  > /dev/null
cmake --build "$build_dir"

# Exactly these files, no more and no fewer.
expected="usr/bin/Tempinex64
usr/bin/tempinex
usr/share/Thunar/sendto/$app_id.desktop
usr/share/applications/$app_id.desktop
usr/share/file-manager/actions/$app_id.desktop
usr/share/icons/hicolor/128x128/apps/$app_id.png
usr/share/icons/hicolor/16x16/apps/$app_id.png
usr/share/icons/hicolor/256x256/apps/$app_id.png
usr/share/icons/hicolor/32x32/apps/$app_id.png
usr/share/icons/hicolor/48x48/apps/$app_id.png
usr/share/icons/hicolor/64x64/apps/$app_id.png
usr/share/icons/hicolor/scalable/apps/$app_id.svg
usr/share/kio/servicemenus/$app_id.desktop
usr/share/locale/ja/LC_MESSAGES/tempinex.mo
usr/share/man/man1/tempinex.1.gz
usr/share/metainfo/$app_id.metainfo.xml
usr/share/nautilus-python/extensions/tempinex64.py
usr/share/nemo/actions/$app_id.nemo_action"
stage="$work/stage"
cmake --install "$build_dir" --prefix "$stage/usr" > /dev/null
diff <(echo "$expected") <(cd "$stage" && find . -type f -printf '%P\n' | LC_ALL=C sort) ||
  fail "installed files differ from the list"

# Each PNG is as large as the folder it lies in says.
for png in "$stage"/usr/share/icons/hicolor/*x*/apps/*.png; do
  folder=$(basename "$(dirname "$(dirname "$png")")")
  size=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24);
print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "not a PNG")' "$png")
  [ "$size" = "$folder" ] || fail "$png is $size"
done
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' \
  "$stage/usr/share/icons/hicolor/scalable/apps/$app_id.svg" || fail "the SVG icon is no XML"

# desktop-file-validate reports even errors with exit code 0: any output is a failure.
entry="$stage/usr/share/applications/$app_id.desktop"
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
grep -qx 'Exec=Tempinex64 %F' "$entry" || fail "Exec does not pass the selected files"
for type in application/octet-stream inode/directory; do
  grep -q "^MimeType=.*$type;" "$entry" || fail "no $type in MimeType"
done
grep -q '^Name\[ja\]=' "$entry" && grep -q '^Comment\[ja\]=' "$entry" ||
  fail "no Japanese name or comment"
appstreamcli validate --no-net "$stage/usr/share/metainfo/$app_id.metainfo.xml"
echo "desktop entry and metainfo: ok"

# The right-click entries of Dolphin, Thunar, Nemo, Caja and Nautilus, read by their own tools
# and libraries; the system Python, which has the GObject bindings.
/usr/bin/python3 tests/desktop/file_manager_entries.py "$stage/usr/share" ||
  fail "file manager entries"

# The package.
rm -f "$build_dir"/tempinex64_*.deb
(cd "$build_dir" && cpack -G DEB > /dev/null)
deb=$(ls "$build_dir"/tempinex64_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "depends: $depends"
for needed in libqt6widgets6 libqt6gui6 libqt6core6 fonts-ipafont-gothic shared-mime-info \
  hicolor-icon-theme; do
  [[ "$depends" == *"$needed"* ]] || fail "the package does not depend on $needed"
done
suggests=$(dpkg-deb -f "$deb" Suggests)
for needed in python3-nautilus caja-actions; do
  [[ "$suggests" == *"$needed"* ]] || fail "the package does not suggest $needed"
done
diff <(echo "$expected") <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 3)}' |
  LC_ALL=C sort) || fail "the package holds other files than the install rules"

# Before the package, the desktop does not know the icon; the check itself must be able to fail.
check="$build_dir/tempinex_desktop_check"
on_display() { QT_QPA_PLATFORM=xcb xvfb-run -a "$@"; }
if dpkg-query -W -f='${Status}' tempinex64 2>/dev/null | grep -q 'install ok installed'; then
  fail "tempinex64 is installed already; remove it before this test"
fi
if on_display "$check" icon > /dev/null 2>&1; then
  fail "the icon resolves before the package is installed"
fi

DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
  "./$deb" > "$work/apt.log" 2>&1 || {
  cat "$work/apt.log"
  fail "apt-get install"
}
installed_here=yes
[ -x /usr/bin/Tempinex64 ] || fail "no /usr/bin/Tempinex64"
if ldd /usr/bin/Tempinex64 /usr/bin/tempinex | grep 'not found'; then
  fail "libraries missing"
fi
# The command finds its catalogue where the package put it, and its manual page.
tempinex --version | grep -qx 'tempinex (Tempinex64) [0-9.]*' || fail "tempinex --version"
japanese_locale=()
if ! locale -a | grep -qx ja_JP.utf8; then
  mkdir "$work/locales"
  localedef -i ja_JP -f UTF-8 "$work/locales/ja_JP.UTF-8"
  japanese_locale=(LOCPATH="$work/locales")
fi
message=$(env "${japanese_locale[@]}" LC_ALL=ja_JP.UTF-8 tempinex show "$work/none" 2>&1 || true)
[[ "$message" == *を読めません* ]] || fail "tempinex speaks no Japanese: $message"
zcat /usr/share/man/man1/tempinex.1.gz | grep -q '^\.B tempinex undo' ||
  fail "no manual page of tempinex"
echo "tempinex: version, Japanese messages and manual page installed"

# The right-click entries where the package put them.
/usr/bin/python3 tests/desktop/file_manager_entries.py /usr/share > /dev/null ||
  fail "file manager entries of the installed package"
echo "file manager entries of the installed package: ok"

# Started on a file, the installed program stays up until it is closed.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
echo "text" > "$work/メモ.txt"
smoke() {
  local platform=$1
  QT_QPA_PLATFORM=$platform Tempinex64 "$work/メモ.txt" > "$work/run.log" 2>&1 &
  local pid=$!
  sleep 2
  if ! kill -0 "$pid" 2> /dev/null; then
    wait "$pid" && status=0 || status=$?
    cat "$work/run.log"
    fail "Tempinex64 ($platform) ended within 2 s, exit status $status"
  fi
  kill "$pid"
  wait "$pid" 2> /dev/null || true
  echo "smoke test ($platform): started, still running after 2 s, closed"
}
smoke offscreen
if command -v xvfb-run > /dev/null; then
  # xvfb-run waits for the program; ending xvfb-run's child ends the program.
  QT_QPA_PLATFORM=xcb xvfb-run -a Tempinex64 "$work/メモ.txt" > "$work/run.log" 2>&1 &
  pid=$!
  sleep 3
  kill -0 "$pid" 2> /dev/null || {
    cat "$work/run.log"
    fail "Tempinex64 (xcb) ended within 3 s"
  }
  child=$(pgrep -P "$pid" -x Tempinex64) || fail "Tempinex64 (xcb) is not running"
  kill "$child"
  wait "$pid" 2> /dev/null || true
  echo "smoke test (xcb): started, still running after 3 s, closed"
fi

# Type names in the user's language, from the machine's MIME database.
japanese=$(LANGUAGE=ja LANG=ja_JP.UTF-8 QT_QPA_PLATFORM=offscreen "$check" type-name \
  "$work/メモ.txt" 2> /dev/null)
english=$(LANGUAGE=en LANG=en_US.UTF-8 QT_QPA_PLATFORM=offscreen "$check" type-name \
  "$work/メモ.txt" 2> /dev/null)
echo "type name of a .txt file: '$japanese' (ja), '$english' (en)"
[ "$english" = "plain text document" ] || fail "English type name '$english'"
[ "$japanese" != "$english" ] && [[ "$japanese" == *テキスト* ]] ||
  fail "Japanese type name '$japanese'"

sizes=$(on_display "$check" icon 2> /dev/null) || fail "the program icon does not resolve"
echo "icon sizes from the theme: $sizes"
for size in 16 32 48 64 128 256; do
  [[ " $sizes " == *" $size "* ]] || fail "no $size pixel icon in the theme"
done

DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get purge -y -qq tempinex64 > /dev/null
installed_here=no
[ ! -e /usr/bin/Tempinex64 ] && [ ! -e /usr/bin/tempinex ] &&
  [ ! -e "/usr/share/applications/$app_id.desktop" ] ||
  fail "files left after removal"
echo "package removed"
