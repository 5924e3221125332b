#!/usr/bin/env bash
# The Windows program: cross-built with MinGW-w64, its tests run under Wine as an unprivileged
# user, then the GUI smoke test under Xvfb. The build folder lies under /tmp so that the
# unprivileged user can reach the programs wherever the work tree is.
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir="$(mktemp -d "${TMPDIR:-/tmp}/tempinex-build-win.XXXXXX")"
chmod 755 "$build_dir"
trap 'rm -rf "$build_dir"' EXIT
timeout 1200 bash scripts/build-windows.sh "$build_dir"
timeout 600 bash scripts/windows/run-tests.sh "$build_dir"
timeout 600 bash scripts/windows/smoke-test.sh "$build_dir"
