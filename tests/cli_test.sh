#!/usr/bin/env bash
# End-to-end checks of the command-line host's interface.
# Usage: cli_test.sh ENGINE
set -uo pipefail
engine=$1
here=$(cd "$(dirname "$0")" && pwd)
failures=0
check() {  # check NAME COMMAND...: the command must succeed
  if "${@:2}"; then echo "ok - $1"; else echo "FAIL - $1"; failures=$((failures + 1)); fi
}

for transcript in "$here"/transcripts/*.txt; do
  check "transcript $(basename "$transcript")" \
    "$here/run_transcript.sh" "$engine" "$transcript" --no-wait
done

help=$("$engine" --help)
check "--help exits 0 and documents every option" \
  bash -c '[[ $1 == *--page* && $1 == *--no-wait* && $1 == *--help* ]]' _ "$help"

"$engine" --frobnicate </dev/null >/dev/null 2>&1
check "an unknown option exits 2" test $? -eq 2

out=$("$engine" </dev/null)
check "empty input exits 0 and writes nothing" test $? -eq 0 -a -z "$out"

# A missing page: the tables fail to download, requests are still served,
# and diagnostics stay off standard output.
empty=$(mktemp -d)
out=$(printf '{"app":"ime","text":"r","num":0}\n' | "$engine" --page "$empty" 2>/dev/null)
check "a page without tables still serves keystrokes on stdout only" \
  test "$out" = '["SUCCESS",[["r",["ㄱ"],[1],{"candidate_type":[0],"is_confident":[1],"matched_length":[1]}]]]'
rmdir "$empty"

# Each reply is flushed as soon as it is posted: read it back while the
# input is still open.
coproc ENGINE { "$engine" --no-wait; }
printf '{"app":"ime","text":"gks","num":0}\n' >&"${ENGINE[1]}"
reply=""
IFS= read -r -t 10 reply <&"${ENGINE[0]}"
check "a reply arrives before the end of input" test -n "$reply"
exec {ENGINE[1]}>&-
wait "$ENGINE_PID"

exit $((failures > 0))
