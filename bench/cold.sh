#!/usr/bin/env bash
# Times searches with a cold page cache: sorvik-bench against ripgrep (one thread and default) on
# the same trees, in one run, the cache dropped before every run, and prints each query's medians and
# the ratios sorvik / rg -j1 and sorvik / rg (below 1.00 is faster). With -b, a second sorvik-bench
# (an earlier build) is timed in the same runs, as "before".
#
#   cold.sh [-r RUNS] [-b BEFORE_BENCH] SORVIK_BENCH CORPUS...
#
# Queries: a rare word, a common word, and names only (the mask alone). CORPUS is a tree made by
# ../shared/bench/make_corpus.py. Needs root (the cache is dropped through /proc/sys/vm/drop_caches),
# hyperfine and ripgrep (Debian packages) and python3.
set -euo pipefail
runs=3 before=""
while getopts "r:b:" o; do
  case $o in
    r) runs=$OPTARG ;;
    b) before=$(readlink -f "$OPTARG") ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
(($# >= 2)) || { echo "usage: cold.sh [-r RUNS] [-b BEFORE_BENCH] SORVIK_BENCH CORPUS..." >&2; exit 2; }
bench=$(readlink -f "$1"); shift
for t in hyperfine rg python3; do
  command -v "$t" >/dev/null || { echo "cold.sh: needs $t (apt-get install -y hyperfine ripgrep)" >&2; exit 2; }
done
[ -w /proc/sys/vm/drop_caches ] || { echo "cold.sh: can't drop the page cache (needs root)" >&2; exit 2; }
export LC_ALL=C
out=$(mktemp -d); trap 'rm -rf "$out"' EXIT
H=(hyperfine -N --runs "$runs" --output=pipe --style none --prepare "sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches'")

q() {  # file, corpus, sorvik args, rg args
  local name=$1 corpus=$2 sargs=$3 rargs=$4 cmds=()
  cmds+=(-n sorvik "$bench --dir=$corpus --msk=*.* $sargs")
  [ -n "$before" ] && cmds+=(-n before "$before --dir=$corpus --msk=*.* $sargs")
  cmds+=(-n rg-j1 "rg -uuu -j1 $rargs $corpus" -n rg "rg -uuu $rargs $corpus")
  # hyperfine's warnings (outliers, a slow first run) are expected here: shown only when it fails.
  "${H[@]}" --export-json "$out/$name.json" "${cmds[@]}" >/dev/null 2>"$out/$name.log" || { cat "$out/$name.log" >&2; exit 1; }
}
names=()
for corpus in "$@"; do
  corpus=$(readlink -f "$corpus")
  tag=$(basename "$corpus")
  q "$tag-rare" "$corpus" "--qry=zqxjvbk --cmd=SC" "-l -F zqxjvbk"
  q "$tag-common" "$corpus" "--qry=volcano --cmd=SC" "-l -F volcano"
  q "$tag-names" "$corpus" "--cmd=S" "--files"
  names+=("$tag-rare" "$tag-common" "$tag-names")
done

python3 - "$out" "${names[@]}" <<'PY'
import json, os, sys
d, names = sys.argv[1], sys.argv[2:]
print(f"{'query':14} {'sorvik':>8} {'before':>8} {'rg -j1':>8} {'rg':>8}   sorvik/rg-j1  sorvik/rg  sorvik/before")
for name in names:
    rs = {r["command"]: r["median"] for r in json.load(open(os.path.join(d, name + ".json")))["results"]}
    cell = lambda k: f"{rs[k]:8.3f}" if k in rs else f"{'-':>8}"
    vs = f"{rs['sorvik'] / rs['before']:13.2f}" if "before" in rs else f"{'-':>13}"
    print(f"{name:14} {cell('sorvik')} {cell('before')} {cell('rg-j1')} {cell('rg')}   "
          f"{rs['sorvik'] / rs['rg-j1']:12.2f} {rs['sorvik'] / rs['rg']:10.2f} {vs}")
PY
