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

# "wall cpu" in milliseconds of one run, its output dropped.
measure() {
  rm -f "$work/out" "$work/out.csv"
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$work/time"
}
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }

# compare NAME COMMANDS...: each command a string run by bash -c, $L the list.
compare() {
  local name=$1
  shift
  local cmds=("$@") walls=() cpus=() i
  for i in "${!cmds[@]}"; do measure bash -c "${cmds[$i]}" >/dev/null; done
  for _ in 1 2 3 4 5; do
    for i in "${!cmds[@]}"; do
      read -r w c < <(measure bash -c "${cmds[$i]}")
      walls[i]+="$w " cpus[i]+="$c "
    done
  done
  local w0 c0
  for i in "${!cmds[@]}"; do
    local w c
    # shellcheck disable=SC2086
    w=$(median ${walls[i]}) c=$(median ${cpus[i]})
    [ "$i" -eq 0 ] && w0=$w c0=$c
    CMD=${cmds[$i]} awk -v n="$name" -v w="$w" -v c="$c" -v w0="$w0" -v c0="$c0" \
      'BEGIN { printf "%s\t%s\twall %.2f s\tcpu %.2f s\tfirst/this wall %.2f cpu %.2f\n",
               n, ENVIRON["CMD"], w / 1000, c / 1000, w0 / w, c0 / c }'
  done
}

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
