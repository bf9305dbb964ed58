#!/usr/bin/env bash
# Times a search of one folder for 1, 2, 4 and 8 absent words in any and all
# modes, on the local disk and as a share with 2 ms per call, and prints the
# median of the harness's own seconds for each (the time a search takes grows
# with the words only if the file is read once per word).
#   bench/words_table.sh SORVIK_BENCH FOLDER [RUNS]
set -euo pipefail
bench=$1 dir=$2 runs=${3:-5}
words=(zqxjvbk vbkzqxj jxqzvbk kbvjxqz qzjxkvb xvbqzjk bkqxzvj zvjkbqx)

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

run() {  # run EXTRA... : the median seconds
  for ((i = 0; i < runs; i++)); do
    "$bench" "$@" --dir="$dir" --msk='*.*' | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p'
  done | median
}

printf 'where\tmode\t1 word\t2 words\t4 words\t8 words\n'
for where in local share; do
  extra=()
  [[ $where == share ]] && extra=(+latency=2 +remote)
  for mtc in ANY ALL; do
    line="$where	$mtc"
    for n in 1 2 4 8; do
      line+="	$(run "${extra[@]}" --mtc=$mtc --qry="${words[*]:0:n}")"
    done
    printf '%s\n' "$line"
  done
done
