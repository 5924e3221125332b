#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz and runs each for a bounded time.
#   fuzz/run.sh [seconds per target, default 60] [target...]
# Each target starts from its checked-in corpus, fuzz/corpus/<target>/; new inputs go to
# build-fuzz/corpus/<target>/ (copy the useful ones back by hand) and a failing input is kept
# as build-fuzz/crash-<target>-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(dos_attrib_fuzz file_name_fuzz field_number_fuzz dialog_edits_fuzz)
fi
build_dir=build-fuzz
CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTEMPINEX_FUZZ=ON -DTEMPINEX_BUILD_TESTS=OFF > /dev/null
cmake --build "$build_dir" --target "${targets[@]}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
failed=0
for target in "${targets[@]}"; do
  name="${target%_fuzz}"
  work="$build_dir/corpus/$name"
  mkdir -p "$work"
  echo "== $target: ${seconds}s"
  if ! "$build_dir/$target" -max_total_time="$seconds" -max_len=512 -timeout=10 \
      -artifact_prefix="$build_dir/crash-$name-" "$work" "fuzz/corpus/$name" \
      > "$build_dir/$name.log" 2>&1; then
    tail -n 40 "$build_dir/$name.log"
    failed=1
  else
    grep -E '^Done [0-9]+ runs' "$build_dir/$name.log" || tail -n 1 "$build_dir/$name.log"
  fi
done
exit "$failed"
