#!/usr/bin/env bash
# Builds the Windows program (Tempinex64.exe, x86-64, statically linked) and its tests with
# MinGW-w64 into the folder given (default: build-win); installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build-win}"
build_type="${2:-Release}"
bash scripts/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="$build_type" > /dev/null
cmake --build "$build_dir"
echo "built: $build_dir/ui/win32/Tempinex64.exe"
