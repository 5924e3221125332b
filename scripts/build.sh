#!/usr/bin/env bash
# Configures and builds into the folder given (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
build_type="${2:-RelWithDebInfo}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" > /dev/null
cmake --build "$build_dir"
