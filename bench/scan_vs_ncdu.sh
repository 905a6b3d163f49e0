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

# shellcheck source=bench/turns.sh
. "$(dirname "$0")/turns.sh"

export kxtool work
count=$(find "$folder" -xdev | wc -l)
export F=$folder
compare "$folder ($count entries)" \
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
export F=$tree
compare "generated ($count entries)" \
  'exec "$kxtool" scan "$F" "$work/out" --quiet' \
  'exec ncdu -0 -x -o "$work/out" "$F"'
