#!/usr/bin/env bash
# kxtool scan against ncdu -0 -x -o and find -printf over the same folder, warm cache, as whole
# processes in turns: one warm-up of each, then A B C five times; prints per command the median
# wall time and the median CPU time (user + system) and the ratios of kxtool's to the others'.
# Then the same against ncdu over a generated tree of 1,000,000 entries (made in a temporary
# folder and removed at the end).
# Usage: bench/scan_vs_ncdu.sh KXTOOL [FOLDER] [ENTRIES]   (FOLDER /usr, ENTRIES 1000000)
# shellcheck disable=SC2016 # the commands are run by bash -c, which expands them
set -euo pipefail
kxtool=$1 folder=${2:-/usr} entries=${3:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "wall cpu" in milliseconds of one run, its output dropped.
measure() {
  rm -f "$work/out"
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$work/time"
}
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }

# compare NAME FOLDER COMMANDS...: each command a string run by bash -c, $F the folder.
compare() {
  local name=$1 dir=$2
  shift 2
  local cmds=("$@") walls=() cpus=() i
  for i in "${!cmds[@]}"; do F=$dir measure bash -c "${cmds[$i]}" >/dev/null; done
  for _ in 1 2 3 4 5; do
    for i in "${!cmds[@]}"; do
      read -r w c < <(F=$dir measure bash -c "${cmds[$i]}")
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
      'BEGIN { printf "%s\t%s\twall %.2f s\tcpu %.2f s\tkxtool/this wall %.2f cpu %.2f\n",
               n, ENVIRON["CMD"], w / 1000, c / 1000, w0 / w, c0 / c }'
  done
}

export kxtool work
count=$(find "$folder" -xdev | wc -l)
compare "$folder ($count entries)" "$folder" \
  'exec "$kxtool" scan "$F" "$work/out" --quiet' \
  'exec ncdu -0 -x -o "$work/out" "$F"' \
  "exec find \"\$F\" -printf '%s %T@ %p\n'"

# A generated tree: 100 folders of 100 folders of files, ENTRIES in all with the root.
tree=$work/tree
python3 - "$tree" "$entries" <<'EOF'
import os, sys
root, total = sys.argv[1], int(sys.argv[2])
per, extra = divmod(total - 1 - 100 - 100 * 100, 100 * 100)
for a in range(100):
    for b in range(100):
        d = os.path.join(root, "folder%03d" % a, "sub%03d" % b)
        os.makedirs(d)
        for f in range(per + (extra if a == b == 99 else 0)):
            os.close(os.open(os.path.join(d, "file%05d.dat" % f), os.O_CREAT | os.O_WRONLY, 0o644))
EOF
count=$(find "$tree" | wc -l)
compare "generated ($count entries)" "$tree" \
  'exec "$kxtool" scan "$F" "$work/out" --quiet' \
  'exec ncdu -0 -x -o "$work/out" "$F"'
