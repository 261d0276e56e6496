#!/usr/bin/env bash
# check_headers.sh INCLUDE_ROOT
# Checks the public headers under INCLUDE_ROOT/corvane (the staged or the installed set):
#   - the folder holds exactly the public headers (HEADERS_EXTRA may add names);
#   - no public header includes an internal one, or anything of ours that is not public;
#   - each public header compiles on its own with only INCLUDE_ROOT on the include path:
#     every header as C++17, the C headers also as C11, warnings as errors.
# With SOURCE_DIR set, also every header of the library folders (HEADER_FOLDERS) must be
# either public or internal, so that a new header is placed on purpose.
# Lists come from the environment, separated by ';': C_HEADERS, CXX_HEADERS,
# INTERNAL_HEADERS (paths such as core/Device.h; only the names count here),
# HEADERS_EXTRA (names), HEADER_FOLDERS. Compilers: CC, CXX.
set -uo pipefail
root=$1
dir="$root/corvane"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

names() { tr ';' '\n' <<<"$1" | sed '/^$/d' | sed 's|.*/||' | sort; }
names "${C_HEADERS:-}" > "$work/c"
names "${CXX_HEADERS:-}" > "$work/cxx"
names "${INTERNAL_HEADERS:-}" > "$work/internal"
names "${HEADERS_EXTRA:-}" > "$work/extra"
sort -u "$work/c" "$work/cxx" "$work/extra" > "$work/public"
[ -s "$work/public" ] || { echo "FAIL: no public header named"; exit 1; }

# Exactly the public set.
(cd "$dir" && ls -1A) | sort > "$work/present"
comm -23 "$work/present" "$work/public" | while read -r extra; do
  echo "FAIL: $dir/$extra is not a public header"; done | tee "$work/unexpected"
comm -13 "$work/present" "$work/public" | while read -r missing; do
  echo "FAIL: public header $missing is missing from $dir"; done | tee "$work/missing"
failures=$((failures + $(wc -l < "$work/unexpected") + $(wc -l < "$work/missing")))

# Every header of the library folders is public or internal.
if [ -n "${SOURCE_DIR:-}" ]; then
  tr ';' '\n' <<<"${C_HEADERS:-};${CXX_HEADERS:-};${INTERNAL_HEADERS:-}" | sed '/^$/d' | sort > "$work/classified"
  for folder in $(tr ';' ' ' <<<"${HEADER_FOLDERS:-}"); do
    (cd "$SOURCE_DIR" && ls -1 "$folder"/*.h)
  done | sort > "$work/all"
  comm -23 "$work/all" "$work/classified" | while read -r h; do
    echo "FAIL: $h is neither in the public nor in the internal header list"; done | tee "$work/unclassified"
  failures=$((failures + $(wc -l < "$work/unclassified")))
fi

# No public header includes an internal one, nor a header of ours outside the public set
# (ours: "Name.h" or <corvane/Name.h>; other <...> includes are the system's).
while read -r h; do
  [ -f "$dir/$h" ] || continue
  sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"][^>"]*[>"]).*/\1/p' "$dir/$h" |
    while read -r inc; do
      target=${inc:1:${#inc}-2}
      base=${target##*/}
      if grep -qxF "$base" "$work/internal"; then
        echo "FAIL: public header $h includes the internal header $inc"
      elif { [ "${inc:0:1}" = '"' ] || [[ "$target" == corvane/* ]]; } && ! grep -qxF "$base" "$work/public"; then
        echo "FAIL: public header $h includes $inc, which is not a public header"
      fi
    done
done < "$work/public" | tee "$work/includes"
failures=$((failures + $(wc -l < "$work/includes")))

# Each header on its own (COMPILE=0 leaves this out).
[ "${COMPILE:-1}" = 0 ] && : > "$work/public.compile" || cp "$work/public" "$work/public.compile"
[ "${COMPILE:-1}" = 0 ] && : > "$work/c.compile" || cp "$work/c" "$work/c.compile"
flags=(-fsyntax-only -Wall -Wextra -Wpedantic -Werror -I "$root")
while read -r h; do
  [ -f "$dir/$h" ] || continue
  printf '#include <corvane/%s>\n#include <corvane/%s>\n' "$h" "$h" > "$work/one.cpp"
  if ! out=$("$CXX" -std=c++17 "${flags[@]}" -x c++ "$work/one.cpp" 2>&1); then
    fail "corvane/$h does not compile on its own as C++17"; echo "$out" | head -20
  fi
done < "$work/public.compile"
while read -r h; do
  [ -f "$dir/$h" ] || continue
  printf '#include <corvane/%s>\n#include <corvane/%s>\ntypedef int header_check_unit;\n' "$h" "$h" > "$work/one.c"
  if ! out=$("$CC" -std=c11 "${flags[@]}" -x c "$work/one.c" 2>&1); then
    fail "corvane/$h does not compile on its own as C11"; echo "$out" | head -20
  fi
done < "$work/c.compile"

if [ "$failures" -ne 0 ]; then
  echo "$failures header check(s) failed"
  exit 1
fi
echo "headers: $(wc -l < "$work/public") public headers under $dir, $(wc -l < "$work/c") of them C;" \
  "compiled alone: $(wc -l < "$work/public.compile") as C++17, $(wc -l < "$work/c.compile") as C11; all checks passed"
