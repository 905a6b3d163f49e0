#!/usr/bin/env bash
# kxtool catalog find against plocate -i -b over the same paths, as whole processes, in turns:
# per mask one warm-up of each, then A B five times; prints the median wall time of each, their
# ratio and the peak memory of find. Output goes to /dev/null.
# Usage: bench/catalog_vs_locate.sh KXTOOL CATALOG PLOCATE_DB
set -euo pipefail
kxtool=$1 db=$2 locate=$3
masks=("q" "qz" "dat" "abc" "абв" "ab.dat" "abc*.dat")

seconds() { # the wall time of a command, its output dropped
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000))
}
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }

printf 'mask\trows\tfind_ms\tplocate_ms\tratio\tfind_peak_MB\n'
for m in "${masks[@]}"; do
  find=("$kxtool" catalog --db "$db" find "$m")
  loc=(plocate -d "$locate" -i -b "$m")
  [[ $m == *'*'* ]] && find+=(--glob)
  rows=$("${find[@]}" | wc -l)
  "${loc[@]}" >/dev/null
  a=() b=()
  for _ in 1 2 3 4 5; do
    a+=("$(seconds "${find[@]}")")
    b+=("$(seconds "${loc[@]}")")
  done
  peak=$(/usr/bin/time -f %M "${find[@]}" 2>&1 >/dev/null | tail -1)
  ma=$(median "${a[@]}") mb=$(median "${b[@]}")
  awk -v m="$m" -v r="$rows" -v a="$ma" -v b="$mb" -v p="$peak" \
    'BEGIN { printf "%s\t%d\t%.1f\t%.1f\t%.2f\t%.1f\n", m, r, a / 1000, b / 1000, a / b, p / 1024 }'
done
