#!/usr/bin/env bash
# Runs boardlist over simulated boards and checks that it lists exactly the expected
# identifiers, in that order, each followed by its own product name, and exits with 0
# without writing to standard error.
#   boardlist_order.sh RUNNER PROGRAM BOARDS "ID ID ..."
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

read -r -a ids <<<"$expected"
if ! grep -qx "Found ${#ids[@]} cards" "$work/out"; then
  echo "missing the line: Found ${#ids[@]} cards"
  failed=1
fi
listed=$(sed -n 's/^Found card //p' "$work/out" | tr '\n' ' ' | sed 's/ $//')
if [ "$listed" != "$expected" ]; then
  echo "cards listed: $listed"
  echo "expected:     $expected"
  failed=1
fi
# The product name printed in each block is the identifier without its number.
products=$(sed -n 's/^Product Name:       //p' "$work/out" | tr '\n' ' ' | sed 's/ $//')
want=$(for id in "${ids[@]}"; do printf '%s ' "${id%_*}"; done | sed 's/ $//')
if [ "$products" != "$want" ]; then
  echo "product names: $products"
  echo "expected:      $want"
  failed=1
fi
if [ "$failed" -ne 0 ]; then
  echo "--- boardlist output ---"
  cat "$work/out"
fi
exit "$failed"
