#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs every test headless.
# Further test stages live in scripts/test.d/*.sh and run in name order after the unit tests.
#   scripts/test.sh                  everything, as CI runs it
#   scripts/test.sh --quick [REGEX]  install check, build, and the ctest tests whose names
#                                    match REGEX (all of them without one); no format check,
#                                    no further stages
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
if [ "${1:-}" = "--quick" ]; then
  quick=1
  shift
fi
bash scripts/install-deps.sh
bash scripts/build.sh build
export QT_QPA_PLATFORM=offscreen
if [ "$quick" = 1 ]; then
  exec ctest --test-dir build --output-on-failure --timeout 300 -j2 ${1:+-R "$1"}
fi
bash scripts/check-format.sh
ctest --test-dir build --output-on-failure --timeout 300 -j2
for stage in scripts/test.d/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $stage"
  bash "$stage"
done
