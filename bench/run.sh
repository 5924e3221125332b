#!/usr/bin/env bash
# Benchmarks the program against what a Linux user would reach for instead, in one Release
# build, medians of RUNS runs: the batch apply against GNU touch (the whole apply, and the
# apply of touch's own job: last-write and last-access times alone), status reads against GNU
# stat on the same files, the load of a large set into the window against a bare Qt table
# filled with the same strings, a keystroke in a date-time field, and the start-up against a
# bare Qt dialog of the same size (and one that shows a line of text).
#   bench/run.sh [N...]          (default: 10000 100000; RUNS=5)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
runs="${RUNS:-5}"
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 100000)

cmake -S "$here" -B "$here/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTEMPINEX_BUILD_TESTS=OFF > /dev/null
cmake --build "$here/build-release" --target core_bench load_bench load_floor keystroke_bench \
  empty_dialog text_dialog Tempinex64 > /dev/null
bench="$here/build-release/bench/core_bench"
export QT_QPA_PLATFORM=offscreen

work="$(mktemp -d /var/tmp/tempinex-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT

seconds() { local start end; start=$(date +%s.%N); "$@" > /dev/null; end=$(date +%s.%N); echo "$end - $start" | bc -l; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
touch_all() { find "$1" -type f -print0 | xargs -0 touch -a -m -d @1600000000; }
stat_all() { find "$1" -type f -print0 | xargs -0 stat --format='%W %Y %X %s %f %n'; }

printf '%-8s %-7s %12s %12s %8s\n' "N" "what" "ours (s)" "peer (s)" "ratio"
for n in "${counts[@]}"; do
  folder="$work/n$n"
  mkdir -p "$folder"
  (cd "$folder" && seq -f 'f%06.0f' 0 $((n - 1)) | xargs touch)
  ours_apply=(); peer_apply=(); ours_times=(); peer_times=(); ours_read=(); peer_read=()
  for run in $(seq 1 "$runs"); do
    attribute=$(( run % 2 ? 0x22 : 0x20 ))
    ours_apply+=("$("$bench" apply "$folder" "$n" "$attribute" 2>/dev/null)")
    peer_apply+=("$(seconds touch_all "$folder")")
    ours_times+=("$("$bench" times "$folder" "$n" 2>/dev/null)")
    peer_times+=("$(seconds touch_all "$folder")")
    # Read files whose times differ, as a real folder's do: one every 61 minutes back from now.
    /usr/bin/python3 -c 'import os, sys, time
folder, now = sys.argv[1], time.time()
for i, name in enumerate(sorted(os.listdir(folder))):
    os.utime(os.path.join(folder, name), (now - 3660 * i, now - 3660 * i))' "$folder"
    ours_read+=("$("$bench" read "$folder" "$n" 2>/dev/null)")
    peer_read+=("$(seconds stat_all "$folder")")
  done
  for what in apply times read; do
    declare -n ours="ours_$what" peer="peer_$what"
    o=$(printf '%s\n' "${ours[@]}" | median)
    p=$(printf '%s\n' "${peer[@]}" | median)
    ratio=$(echo "$o / $p" | bc -l)
    # Goals: the whole apply within 1.5 times touch's time, touch's own job within 1.2 times,
    # status reads within stat's time.
    goal=""
    case "$what" in
      apply) limit=1.5 ;;
      times) limit=1.2 ;;
      read) limit=1.0 ;;
    esac
    if [ -n "$limit" ]; then
      if [ "$(echo "$ratio <= $limit" | bc -l)" = 1 ]; then goal="goal <= $limit met"; else goal="goal <= $limit MISSED"; fi
    fi
    printf '%-8s %-7s %12.4f %12.4f %8.2f  %s\n' "$n" "$what" "$o" "$p" "$ratio" "$goal"
    unset -n ours peer
  done
  if command -v strace > /dev/null; then
    # Every call of a full trace: strace's own summary leaves out calls it does not know by
    # name (getxattrat and setxattrat, Linux 6.13, for one).
    count_calls() { strace -f -qq -o "$work/trace.txt" "$@" > /dev/null 2>&1 || true; grep -c . "$work/trace.txt"; }
    per_file() { echo "scale=2; $1 / $n" | bc -l; }
    # The attribute the last run did not leave, so that the counted apply changes it too.
    attribute=$(( runs % 2 ? 0x20 : 0x22 ))
    printf '%-8s %-7s %s system calls per file in the apply\n' "$n" "calls" \
      "$(per_file "$(count_calls "$bench" apply "$folder" "$n" "$attribute")")"
    printf '%-8s %-7s %s system calls per file in the times-only apply\n' "$n" "calls" \
      "$(per_file "$(count_calls "$bench" times "$folder" "$n")")"
    printf '%-8s %-7s %s system calls per file in GNU touch\n' "$n" "calls" \
      "$(per_file "$(count_calls bash -c "find '$folder' -type f -print0 | xargs -0 touch -a -m -d @1600000000")")"
  fi
  rm -rf "$folder"
done

echo
# Deleting the files above leaves the file system busy for a while (journal, discards); the
# loads are timed once it has settled.
sync
sleep 3
# Each load line: "... median M ms over R ..., peak P MB".
field() { sed -n "s/.*median \([0-9.]*\) ms.*peak \([0-9]*\) MB.*/\\$1/p"; }
printf '%-8s %-7s %12s %12s %8s %10s\n' "N" "what" "ours (ms)" "floor (ms)" "ratio" "peak (MB)"
for n in "${counts[@]}"; do
  ours=$("$here/build-release/bench/load_bench" "$n" "$runs" 2>/dev/null | tail -n 1)
  floor=$("$here/build-release/bench/load_floor" "$n" "$runs" 2>/dev/null | tail -n 1)
  o=$(echo "$ours" | field 1)
  f=$(echo "$floor" | field 1)
  printf '%-8s %-7s %12.1f %12.1f %8.2f %10s\n' "$n" "load" "$o" "$f" "$(echo "$o / $f" | bc -l)" \
    "$(echo "$ours" | field 2)/$(echo "$floor" | field 2)"
done
echo
"$here/build-release/bench/keystroke_bench" 2000 2>/dev/null
/usr/bin/python3 "$here/bench/startup.py" "$here/build-release/ui/qt/Tempinex64" \
  "$here/build-release/bench/empty_dialog" "$runs"
# The same against a bare dialog showing one line of text: the font system's share.
/usr/bin/python3 "$here/bench/startup.py" "$here/build-release/ui/qt/Tempinex64" \
  "$here/build-release/bench/text_dialog" "$runs"
