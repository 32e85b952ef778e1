#!/usr/bin/env bash
# Whole-process comparison of the script engine with Debian's CPython on the programs in
# bench/whole/ and their twins in bench/py/whole_*.py: both must print the same result; the
# runs alternate, five of each, and the median time and the median peak memory count.
# usage: bench/whole_process.sh [BRINDLEWOOD] [NAME...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-$here/../build-release/brindlewood}
shift || true
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(arith recursion methods page dictionary)
py=/usr/bin/python3
runs=5
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
printf '%-11s %9s %9s %6s %9s %9s\n' workload ours_s py_s ratio ours_MB py_MB
for n in "${names[@]}"; do
  ours_t=() py_t=() ours_m=() py_m=()
  for ((r = 0; r < runs; ++r)); do
    for side in ours py; do
      if [ $side = ours ]; then cmd=("$bin" run "$here/whole/$n.vbs"); else cmd=("$py" "$here/py/whole_$n.py"); fi
      /usr/bin/time -o /tmp/whole_$$.time -f '%e %M' "${cmd[@]}" >/tmp/whole_$$.out 2>/dev/null
      out=$(tail -1 /tmp/whole_$$.time)
      res=$(cat /tmp/whole_$$.out)
      if [ $side = ours ]; then ours_res=$res; ours_t+=("${out% *}"); ours_m+=("${out#* }");
      else py_res=$res; py_t+=("${out% *}"); py_m+=("${out#* }"); fi
    done
    if [ "$ours_res" != "$py_res" ]; then
      echo "$n: results differ: '$ours_res' against '$py_res'" >&2; rm -f /tmp/whole_$$.out /tmp/whole_$$.time; exit 1
    fi
  done
  ot=$(printf '%s\n' "${ours_t[@]}" | median); pt=$(printf '%s\n' "${py_t[@]}" | median)
  om=$(printf '%s\n' "${ours_m[@]}" | median); pm=$(printf '%s\n' "${py_m[@]}" | median)
  awk -v n="$n" -v ot="$ot" -v pt="$pt" -v om="$om" -v pm="$pm" \
    'BEGIN {printf "%-11s %9.2f %9.2f %6.2f %9.1f %9.1f\n", n, ot, pt, (ot > 0 ? pt / ot : 0), om / 1024, pm / 1024}'
done
rm -f /tmp/whole_$$.out /tmp/whole_$$.time
