#!/usr/bin/env bash
# Runs the libFuzzer harnesses of a fuzz build (configured with -DENGINE_FUZZ=ON, see README).
#   fuzz/run.sh [--build DIR] [--seconds N] [--parallel P] [--corpus DIR] [harness ...]
# DIR defaults to build-fuzz beside this script's folder, N to 60, P (harnesses at a time) to 1;
# no harness names: all of them. Each harness starts from its seeds (DIR/fuzz/seeds/<name>)
# with its dictionary (fuzz/dict/<name>.dict) when there is one; what it learns goes to a
# fresh temporary corpus, or to --corpus DIR/<name> to keep it between runs. Findings are
# written to DIR/fuzz/findings/, each run's output to DIR/fuzz/logs/<name>.log. Prints one line
# per harness (executions, result); exits non-zero when any harness found something.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$here/../build-fuzz"
seconds=60
parallel=1
corpus_root=""
names=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --parallel) parallel=$2; shift 2 ;;
    --corpus) corpus_root=$2; shift 2 ;;
    -*) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    *) names+=("$1"); shift ;;
  esac
done
build=$(cd "$build" && pwd) || { echo "run.sh: no build directory" >&2; exit 2; }
# The harnesses run in the temporary folder: a relative corpus path must not follow them there.
if [ -n "$corpus_root" ]; then
  mkdir -p "$corpus_root" && corpus_root=$(cd "$corpus_root" && pwd) || { echo "run.sh: no corpus directory" >&2; exit 2; }
fi
if [ ${#names[@]} -eq 0 ]; then
  for exe in "$build"/bin/fuzz_*; do
    [ -x "$exe" ] && names+=("$(basename "$exe" | sed 's/^fuzz_//')")
  done
fi
if [ ${#names[@]} -eq 0 ]; then
  echo "run.sh: no harnesses in $build/bin" >&2
  exit 2
fi

# The sanitizers as the test suite sets them, unless the caller set them.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/../tools/lsan.supp:print_suppressions=0}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

mkdir -p "$build/fuzz/findings" "$build/fuzz/logs"
work=$(mktemp -d "${TMPDIR:-/tmp}/engine_fuzz_run_XXXXXX")
trap 'rm -rf "$work"' EXIT

run_one() {
  local name=$1
  local exe="$build/bin/fuzz_$name" seeds="$build/fuzz/seeds/$name" log="$build/fuzz/logs/$name.log"
  local corpus="$work/corpus_$name"
  [ -n "$corpus_root" ] && corpus="$corpus_root/$name"
  mkdir -p "$corpus"
  local args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="$build/fuzz/findings/$name-")
  [ -f "$here/dict/$name.dict" ] && args+=(-dict="$here/dict/$name.dict")
  if [ ! -x "$exe" ]; then
    echo "no harness $exe" >"$log"
    echo "$name - missing" >"$work/result_$name"
    return
  fi
  local dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  # A harness that meets a library leak of its own has tools/lsan_fuzz_<name>.supp in place of
  # tools/lsan.supp.
  local lsan=$LSAN_OPTIONS
  [ -f "$here/../tools/lsan_fuzz_$name.supp" ] && lsan=${lsan//\/lsan.supp/\/lsan_fuzz_$name.supp}
  (cd "$work" && LSAN_OPTIONS=$lsan "$exe" "${args[@]}" "${dirs[@]}") >"$log" 2>&1
  local rc=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ $rc -eq 0 ]; then
    echo "$name ${runs:-?} ok" >"$work/result_$name"
  else
    echo "$name ${runs:-?} FOUND (exit $rc, see $log)" >"$work/result_$name"
  fi
}

running=0
for name in "${names[@]}"; do
  run_one "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

status=0
printf '%-10s %12s  %s\n' harness executions result
for name in "${names[@]}"; do
  read -r n runs result <"$work/result_$name"
  printf '%-10s %12s  %s\n' "$n" "$runs" "$result"
  [ "$result" = ok ] || status=1
done
if [ $status -ne 0 ]; then
  for name in "${names[@]}"; do
    if ! grep -q ' ok$' "$work/result_$name"; then
      echo "---- $name: end of its log"
      tail -n 60 "$build/fuzz/logs/$name.log"
    fi
  done
fi
exit $status
