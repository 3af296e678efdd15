#!/usr/bin/env bash
# Runs the libFuzzer targets of a -DLUMIVISTA_FUZZ=ON build.
#   scripts/run-fuzz.sh BUILD_DIR SECONDS [NAME...]
# NAME is a target without "fuzz_" (pic_jpeg, projectfile, ...); default: all of them.
# Each target starts from its seeds in tests/fuzz/corpus/NAME and a working corpus in
# BUILD_DIR/fuzz-work/NAME that grows from run to run; inputs that crash, leak, time out
# or exceed the memory limit land in BUILD_DIR/fuzz-work/NAME/artifacts. A crash found
# there becomes an ordinary regression test. Exits non-zero when any target failed.
set -uo pipefail

build=${1:?build directory}
seconds=${2:?seconds per target}
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
fuzzdir=$root/tests/fuzz

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for bin in "$build"/tests/fuzz/fuzz_*; do
    [ -f "$bin" ] && [ -x "$bin" ] && targets+=("$(basename "$bin" | sed 's/^fuzz_//')")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzz: no fuzz targets in $build/tests/fuzz (configure with -DLUMIVISTA_FUZZ=ON)" >&2
  exit 2
fi

# Leaks are checked: a parser that leaks on bad input fails like one that crashes.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

failed=()
summary=()
for name in "${targets[@]}"; do
  bin=$build/tests/fuzz/fuzz_$name
  work=$build/fuzz-work/$name
  mkdir -p "$work/corpus" "$work/artifacts"
  dict=()
  [ -f "$fuzzdir/dict/$name.dict" ] && dict=(-dict="$fuzzdir/dict/$name.dict")
  # Pictures may be as large as the program's pixel limit (256 million pixels, up to
  # 8 bytes each): a damaged file that declares such a size may allocate that much
  # before its data runs out, so the picture targets get room for it.
  rss=2048 malloc=1024
  case $name in pic_*) rss=4096 malloc=2100 ;; esac
  echo "== fuzz_$name: $seconds s"
  "$bin" -max_total_time="$seconds" -rss_limit_mb=$rss -malloc_limit_mb=$malloc -timeout=10 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$work/artifacts/" "${dict[@]}" \
    "$work/corpus" "$fuzzdir/corpus/$name" >"$work/log" 2>&1
  status=$?
  last=$(grep -E '^#[0-9]+' "$work/log" | tail -1)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$work/log")
  line="fuzz_$name: exit $status, ${runs:-?} runs, peak ${peak:-?} MB, last: ${last:-none}"
  summary+=("$line")
  if [ $status -ne 0 ]; then
    failed+=("$name")
    grep -E 'ERROR|SUMMARY|check failed|Test unit written' "$work/log" | head -20
  fi
  echo "$line"
done

echo
echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]} (logs and inputs in $build/fuzz-work/NAME)" >&2
  exit 1
fi
