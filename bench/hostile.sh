#!/usr/bin/env bash
# Searches each case of make_hostile_corpus.py with sorvik-bench and prints the
# time (elapsed and on the processors) and peak memory of each beside the hostile file's size, and whether the
# ordinary file (and the hostile one, where it holds the word) was listed.
#
#   bench/hostile.sh [-b BENCH] [-t SECONDS] CORPUS
#
# BENCH defaults to build/native/bench/sorvik-bench; a search still running
# after SECONDS (default 60) is ended and shown as such. Needs GNU time
# (Debian's `time`).
set -euo pipefail
bench=build/native/bench/sorvik-bench
limit=60
while getopts "b:t:" o; do
  case $o in
    b) bench=$OPTARG ;;
    t) limit=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
corpus=${1:?usage: hostile.sh [-b BENCH] [-t SECONDS] CORPUS}
printf '%-12s %10s %9s %9s %9s  %-7s %-7s  %s\n' case bytes seconds "cpu s" "peak MB" plain hostile what
while IFS=$'\t' read -r case file size what listed; do
  out=$(mktemp)
  stats=$(mktemp)
  if timeout "$limit" /usr/bin/time -f '%e %M %U %S' -o "$stats" "$bench" +rows +docs=1 "--dir=$corpus/$case" \
      --msk='*.*' --qry=zqhostile >"$out" 2>/dev/null; then
    read -r secs kb user sys <"$stats"
    mb=$((kb / 1024))
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  else
    secs=">$limit"
    cpu="-"
    mb="-"
  fi
  plain=$(grep -q $'^row\tplain.txt' "$out" && echo listed || echo MISSED)
  hostile=$(grep -q $'^row\t'"$file" "$out" && echo listed || echo -)
  [[ $listed == listed && $hostile != listed ]] && hostile=MISSED
  printf '%-12s %10s %9s %9s %9s  %-7s %-7s  %s\n' "$case" "$size" "$secs" "$cpu" "$mb" "$plain" "$hostile" "$what"
  rm -f "$out" "$stats"
done <"$corpus/cases.tsv"
