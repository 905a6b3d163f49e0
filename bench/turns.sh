# Timing whole processes in turns, for the comparison scripts of bench/ (sourced, not run).
# The caller sets $work (a temporary folder) and exports what its commands use.
# shellcheck shell=bash

# "wall cpu" in milliseconds of one run, its output dropped; $work/out and $work/out.csv are
# removed first, so a command that refuses an existing target writes each time.
measure() {
  rm -f "$work/out" "$work/out.csv"
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$work/time"
}
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }

# compare NAME COMMANDS...: each command a string run by bash -c; one warm-up of each, then all
# of them in turn five times; prints per command the median wall and CPU time (user + system)
# and the ratios of the first command's to it.
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
