#!/usr/bin/env bash
# ctest_run.sh <build directory> [ctest arguments ...]: runs the tests of a build once, then
#  - runs a failed test again only for one known crash outside our code: LeakSanitizer's tracer
#    dying at the exit of a program that drew through Mesa. That is retried only for a test
#    labelled display whose output holds the tracer's failure ("Tracer caught signal" and
#    "LeakSanitizer has encountered a fatal error.") and no sanitizer report, and whose own
#    verdict passed ("[  PASSED  ]", no failure) or failed only by the program it ran ending so
#    (one failure, saying "the program's exit: LeakSanitizer's tracer crashed"); at most four times,
#    as the crash strikes one run in two or three of such a program here.
#    Every other failure fails at once;
#  - prints which tests were retried and why, every skipped test with its reason, and the
#    LeakSanitizer suppressions used over the whole run (with print_suppressions=1).
# Exits non-zero when a test failed for good or ctest itself failed.
set -uo pipefail
build=$1
shift
cd "$build" || exit 2
log=Testing/Temporary/LastTest.log
failed_list=Testing/Temporary/LastTestsFailed.log
tracer_retries=4

# The output of test $2 in the ctest log $1.
test_output()
{
  awk -v name="$2" '
    /^[0-9]+\/[0-9]+ Testing: / { line = $0; sub(/^[0-9]+\/[0-9]+ Testing: /, "", line); on = (line == name); next }
    on && index($0, "\"" name "\" end time:") == 1 { on = 0 }
    on { print }' "$1"
}

# Whether output $1 is a test that passed but for the tracer's crash at the exit of its own
# process, or of the program it ran (a test that runs the program says so in its one failure:
# "the program's exit: LeakSanitizer's tracer crashed").
tracer_crash()
{
  grep -qF 'Tracer caught signal' <<<"$1" &&
    grep -qF 'LeakSanitizer has encountered a fatal error.' <<<"$1" &&
    ! grep -qE 'ERROR: AddressSanitizer|ERROR: LeakSanitizer: detected|runtime error:' <<<"$1" || return 1
  grep -qE '^\[  PASSED  \] 1 test' <<<"$1" && ! grep -qE '^\[  FAILED  \]' <<<"$1" && return 0
  [ "$(grep -cE ': Failure$' <<<"$1")" = 1 ] && grep -qxF "the program's exit: LeakSanitizer's tracer crashed" <<<"$1"
}

# Every line "count bytes template" of the suppression tables in log $1, summed by template.
suppressions_used()
{
  awk '/^Suppressions used:/ { on = 1; next }
       on && /^-+$/ { on = 0; next }
       on && $1 ~ /^[0-9]+$/ { count[$3] += $1; bytes[$3] += $2 }
       END { for (t in count) printf "  %8d %10d %s\n", count[t], bytes[t], t }' "$1" | sort -k3
}

display_tests=$(ctest -N -L '^display$' | sed -n 's/^ *Test *#[0-9]*: //p')

rm -f "$failed_list"
ctest "$@" | tee ctest_run.out
ctest_status=${PIPESTATUS[0]}
status=0

skipped=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' ctest_run.out)
suppressed=$(suppressions_used "$log")
# Read before a retry replaces the log.
if [ -n "$skipped" ]; then
  skip_report="Skipped in $build ($(wc -l <<<"$skipped")):"
  while IFS= read -r name; do
    why=$(test_output "$log" "$name" | grep -A1 -E ': Skipped$' | sed -n 2p)
    skip_report+=$'\n'"  $name: ${why:-no reason given}"
  done <<<"$skipped"
else
  skip_report="Skipped in $build: none"
fi

retry=()
if [ -s "$failed_list" ]; then
  while IFS= read -r entry; do
    name=${entry#*:}
    if grep -qxF "$name" <<<"$display_tests" && tracer_crash "$(test_output "$log" "$name")"; then
      retry+=("$name")
    else
      status=1
    fi
  done <"$failed_list"
elif [ "$ctest_status" -ne 0 ]; then
  echo "ctest_run: ctest failed ($ctest_status) with no failed test listed" >&2
  status=1
fi

for name in "${retry[@]}"; do
  echo "ctest_run: retrying $name: it passed but for LeakSanitizer's tracer crashing at a process's exit"
  passed=0
  for ((attempt = 1; attempt <= tracer_retries; ++attempt)); do
    pattern="^$(sed 's/[][\.*^$(){}+?|/]/\\&/g' <<<"$name")\$"
    if ctest --output-on-failure --timeout 600 -R "$pattern"; then
      passed=1
      echo "ctest_run: $name passed on retry $attempt"
      break
    fi
    if ! tracer_crash "$(test_output "$log" "$name")"; then
      echo "ctest_run: $name failed on retry $attempt other than by the tracer's crash"
      break
    fi
    echo "ctest_run: $name: the tracer crashed again (retry $attempt)"
  done
  [ "$passed" = 1 ] || status=1
done

if [ -n "$suppressed" ]; then
  echo "LeakSanitizer suppressions used in $build (count, bytes, template, summed over the tests):"
  echo "$suppressed"
fi
if [ ${#retry[@]} -gt 0 ]; then
  echo "Retried for the tracer's crash at exit: ${retry[*]}"
fi
echo "$skip_report"
exit $status
