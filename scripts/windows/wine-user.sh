#!/usr/bin/env bash
# Runs a command with Wine as an unprivileged user: as root, Wine would let the program write
# to read-only files, so every Windows test runs as "nobody" (uid 65534) with a Wine prefix and
# home folder of its own under WINE_USER_HOME (made when missing). Not root: runs as is.
#
#   WINE_USER_HOME=/tmp/x scripts/windows/wine-user.sh COMMAND...
set -euo pipefail
home="${WINE_USER_HOME:?set WINE_USER_HOME to a folder for the Wine prefix}"
mkdir -p "$home"
export HOME="$home" WINEPREFIX="$home/prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEARCH=win64
# No desktop integration, no Mono or Gecko prompts in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
if [ "$(id -u)" -eq 0 ]; then
  if [ "$(stat -c %u "$home")" != 65534 ]; then
    chown -R 65534:65534 "$home"
  fi
  exec setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all \
    env HOME="$HOME" WINEPREFIX="$WINEPREFIX" USER=nobody LOGNAME=nobody "$@"
fi
exec "$@"
