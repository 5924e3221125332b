#!/usr/bin/env bash
# The benchmarks still build and run, each once on a few files; nothing here is timed.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${BENCH_BUILD:-build}/bench"
export QT_QPA_PLATFORM=offscreen
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && seq -f 'f%06.0f' 0 99 | xargs touch)
"$build/core_bench" apply "$work" 100 > /dev/null
"$build/core_bench" times "$work" 100 > /dev/null
"$build/core_bench" read "$work" 100 > /dev/null
"$build/load_bench" 100 1 > /dev/null 2>&1
"$build/load_floor" 100 1 > /dev/null 2>&1
"$build/keystroke_bench" 20 > /dev/null 2>&1
/usr/bin/python3 bench/startup.py "${BENCH_BUILD:-build}/ui/qt/Tempinex64" "$build/empty_dialog" 1
/usr/bin/python3 bench/startup.py "${BENCH_BUILD:-build}/ui/qt/Tempinex64" "$build/text_dialog" 1
echo "benchmarks: ok"
