#!/usr/bin/env bash
# kxtool's open, save, find and CSV export of a list against the plain tools over the same bytes,
# warm cache, as whole processes in turns: one warm-up of each, then every command of a group
# five times in turn; prints per command the median wall time and CPU time (user + system) and
# the ratio of the first command's to it.
#   open:   kxtool info LIST                      vs  a plain C read + raw inflate (plain_inflate.c)
#   save:   kxtool resave LIST OUT                vs  pigz -9 -p 2 and gzip -9 of the inner list
#   find:   kxtool find LIST a                    vs  kxtool info LIST (the open alone)
#   export: kxtool export LIST OUT --csv          vs  the plain read + raw inflate
# Usage: bench/open_save_vs_plain.sh KXTOOL LIST [LIST...]
#   (the benchmark list: /tmp/fentaro-bench-1m.kx, made by listfile_bench; any list will do)
# shellcheck disable=SC2016 # the commands are run by bash -c, which expands them
set -euo pipefail
kxtool=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/plain_inflate" "$(dirname "$0")/plain_inflate.c" -lz

# shellcheck source=bench/turns.sh
. "$(dirname "$0")/turns.sh"

export kxtool work
for L in "$@"; do
  export L
  unzip -p "$L" >"$work/inner"
  name="$(basename "$L") ($(stat -c %s "$work/inner") bytes inside)"
  compare "open $name" 'exec "$kxtool" info "$L"' 'exec "$work/plain_inflate" "$L"'
  compare "save $name" 'exec "$kxtool" resave "$L" "$work/out"' \
    'exec pigz -9 -p 2 -c "$work/inner" >"$work/out"' 'exec gzip -9 -c "$work/inner" >"$work/out"'
  compare "find $name" 'exec "$kxtool" find "$L" a' 'exec "$kxtool" info "$L"'
  compare "export $name" 'exec "$kxtool" export "$L" "$work/out.csv" --csv' \
    'exec "$work/plain_inflate" "$L"'
done
