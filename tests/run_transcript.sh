#!/usr/bin/env bash
# Plays a transcript through the command-line host and compares the replies.
# Usage: run_transcript.sh ENGINE TRANSCRIPT [ENGINE ARGS...]
# A transcript holds lines "> message" (sent as they stand, bytes and all)
# and "< reply" (expected, in order); other lines are comments.
set -euo pipefail
engine=$1 transcript=$2
shift 2
input=$(mktemp) expected=$(mktemp) actual=$(mktemp)
trap 'rm -f "$input" "$expected" "$actual"' EXIT
LC_ALL=C sed -n 's/^> //p' "$transcript" >"$input"
LC_ALL=C sed -n 's/^< //p' "$transcript" >"$expected"
status=0
"$engine" "$@" <"$input" >"$actual" || status=$?
if [ "$status" -ne 0 ]; then
  echo "hangul-engine exited with $status" >&2
  exit 1
fi
if ! cmp -s "$expected" "$actual"; then
  echo "replies differ from $transcript:" >&2
  diff "$expected" "$actual" >&2 || true
  exit 1
fi
