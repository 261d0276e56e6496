#!/usr/bin/env bash
# Runs boardlist over simulated boards and compares its whole output, byte for byte,
# with an expected file; the exit status must be 0 and standard error must stay empty.
#   boardlist_compare.sh RUNNER PROGRAM BOARDS EXPECTED
set -u
runner=$1 program=$2 boards=$3 expected=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$runner" --boards "$boards" -- "$program" >"$work/out" 2>"$work/err"
status=$?
failed=0
if [ "$status" -ne 0 ]; then
  echo "boardlist exited with status $status"
  failed=1
fi
if [ -s "$work/err" ]; then
  echo "boardlist wrote to standard error:"
  cat "$work/err"
  failed=1
fi
if ! cmp -s "$work/out" "$expected"; then
  echo "output differs from $expected:"
  diff -u "$expected" "$work/out"
  failed=1
fi
exit "$failed"
