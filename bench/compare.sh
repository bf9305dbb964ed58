#!/usr/bin/env bash
# Times sorvik-bench against grep, ripgrep (one thread and default) and ugrep on the same tree, in one
# run, warm cache, and prints each query's medians and the ratio sorvik / rg -j1 (below 1.00 is faster).
# The names-only row also times open-walk (built beside sorvik-bench), one thread that opens and
# closes every file: the floor of a search that opens each file it lists, and its ratio.
#
#   compare.sh SORVIK_BENCH CORPUS [RUNS]
#
# CORPUS is a tree made by make_corpus.py (e.g. make_corpus.py /tmp/corpus/S 42 S).
# Needs: hyperfine, ripgrep, ugrep (Debian packages), python3.
set -euo pipefail
bench=$(readlink -f "$1"); corpus=$(readlink -f "$2"); runs=${3:-5}
floor=$(dirname "$bench")/open-walk
[ -x "$floor" ] || { echo "compare.sh: no open-walk beside $bench (build the bench targets)" >&2; exit 2; }
for t in hyperfine rg ugrep grep python3; do
  command -v "$t" >/dev/null || { echo "compare.sh: needs $t (apt-get install -y hyperfine ripgrep ugrep)" >&2; exit 2; }
done
export LC_ALL=C
out=$(mktemp -d); trap 'rm -rf "$out"' EXIT
find "$corpus" -type f -exec cat {} + >/dev/null 2>&1 || true   # warm the page cache
H="hyperfine -N --warmup 1 --runs $runs --output=pipe --style none"

q() {  # name, sorvik args, grep-style flags, pattern
  local name=$1 sargs=$2 fl=$3 pat=$4
  $H --export-json "$out/$name.json" \
    -n sorvik "$bench --dir=$corpus --msk=*.* $sargs" \
    -n rg-j1 "rg -l -F -uuu -j1 $fl '$pat' $corpus" \
    -n rg "rg -l -F -uuu $fl '$pat' $corpus" \
    -n grep "grep -rlF $fl '$pat' $corpus" \
    -n ugrep "ugrep -l -r -. -F $fl '$pat' $corpus" >/dev/null
}
q rare        "--qry=zqxjvbk --cmd=SC"                     ""   zqxjvbk
q rare_i      "--qry=zqxjvbk --cmd=S"                      "-i" zqxjvbk
q rare_w      "--qry=zqxjvbk --cmd=SWC"                    "-w" zqxjvbk
q common      "--qry=volcano --cmd=SC"                     ""   volcano
q common_i    "--qry=volcano --cmd=S"                      "-i" volcano
q phrase      "--qry=alpha\ beta\ gamma --cmd=SC --mtc=EXACT" "" "alpha beta gamma"
$H --export-json "$out/names.json" \
  -n sorvik "$bench --dir=$corpus --msk=*.* --cmd=S" \
  -n rg-j1 "rg --files -uuu -j1 $corpus" \
  -n rg "rg --files -uuu $corpus" \
  -n find "find $corpus -type f" \
  -n floor "$floor $corpus" >/dev/null
$H --export-json "$out/all.json" \
  -n sorvik "$bench --dir=$corpus --msk=*.* --qry=alpha\ beta\ gamma --cmd=SC --mtc=ALL" \
  -n ugrep-J1 "ugrep -l -r -. -J1 --files -F --bool 'alpha beta gamma' $corpus" \
  -n ugrep "ugrep -l -r -. --files -F --bool 'alpha beta gamma' $corpus" >/dev/null

python3 - "$out" <<'PY'
import json, os, sys
d = sys.argv[1]
print(f"{'query':10} {'sorvik':>8} {'rg -j1':>8} {'rg':>8} {'grep':>8} {'ugrep':>8} {'find':>8} {'floor':>8}   sorvik/ref")
for name in ["rare", "rare_i", "rare_w", "common", "common_i", "phrase", "all", "names"]:
    rs = {r["command"]: r["median"] for r in json.load(open(os.path.join(d, name + ".json")))["results"]}
    ref = "rg-j1" if "rg-j1" in rs else "ugrep-J1"
    cell = lambda k: f"{rs[k]:8.3f}" if k in rs else f"{'-':>8}"
    print(f"{name:10} {cell('sorvik')} {cell('rg-j1') if 'rg-j1' in rs else cell('ugrep-J1')} {cell('rg') if 'rg' in rs else cell('ugrep')} "
          f"{cell('grep')} {cell('ugrep') if 'rg' in rs else '       -'} {cell('find')} {cell('floor')}   {rs['sorvik']/rs[ref]:.2f} vs {ref}"
          + (f", {rs['sorvik']/rs['floor']:.2f} vs floor" if 'floor' in rs else ""))
PY
