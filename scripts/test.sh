#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs every test headless.
# Further test stages live in scripts/test.d/*.sh and run in name order after the unit tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
bash scripts/check-format.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 300 -j2
for stage in scripts/test.d/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $stage"
  bash "$stage"
done
