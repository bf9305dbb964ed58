#!/usr/bin/env bash
# Times sorvik-bench against ripgrep on one thread on a tree of mixed encodings, in one run, warm
# cache, and prints per query the medians, the ratio sorvik / rg -j1 (below 1.00 is faster), how
# many files each tool listed and how many the manifest says hold the word in any encoding.
#
#   compare_mixed.sh SORVIK_BENCH CORPUS [RUNS]
#
# CORPUS is a tree made by make_mixed_corpus.py (e.g. make_mixed_corpus.py /tmp/mixed/M 42), with
# its manifest at CORPUS.manifest.json; RUNS (default 5, at least 2) is hyperfine's runs a command.
# ripgrep searches UTF-8 and, by their byte-order mark, UTF-16 files; it doesn't see UTF-16 without
# one, UTF-16 strings in binary files, or Windows-1252 text of non-ASCII words, so it lists fewer.
# Needs: hyperfine, ripgrep (Debian packages), python3.
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: compare_mixed.sh SORVIK_BENCH CORPUS [RUNS]" >&2; exit 2
fi
bench=$(readlink -f "$1"); corpus=$(readlink -f "$2"); runs=${3:-5}
manifest="$corpus.manifest.json"
for t in hyperfine rg python3; do
  command -v "$t" >/dev/null || { echo "compare_mixed.sh: needs $t (apt-get install -y hyperfine ripgrep)" >&2; exit 2; }
done
if [ ! -f "$bench" ] || [ ! -x "$bench" ]; then echo "compare_mixed.sh: $1 is not an executable file" >&2; exit 2; fi
[ -d "$corpus" ] || { echo "compare_mixed.sh: $2 is not a folder" >&2; exit 2; }
[ -f "$manifest" ] || { echo "compare_mixed.sh: no manifest $manifest" >&2; exit 2; }
case $runs in ''|*[!0-9]*) echo "compare_mixed.sh: RUNS must be a whole number" >&2; exit 2 ;; esac
[ "$runs" -ge 2 ] || { echo "compare_mixed.sh: RUNS must be at least 2" >&2; exit 2; }
export LC_ALL=C PYTHONIOENCODING=utf-8
out=$(mktemp -d); trap 'rm -rf "$out"' EXIT
find "$corpus" -type f -exec cat {} + >/dev/null 2>&1 || true   # warm the page cache
# -i: rg exits with 1 when it lists nothing, which is a result here, not a failure
H="hyperfine -N -i --warmup 1 --runs $runs --output=pipe --style none"

q() {  # name, word, sorvik options, rg flags
  local name=$1 word=$2 cmd=$3 fl=$4
  $H --export-json "$out/$name.json" \
    -n sorvik "$bench --dir=$corpus --msk=*.* --qry=$word --cmd=$cmd" \
    -n rg-j1 "rg -l -F -uuu -j1 $fl $word $corpus" >/dev/null
  # the files each lists, counted in a run of their own
  "$bench" +rows "--dir=$corpus" "--msk=*.*" "--qry=$word" "--cmd=$cmd" >"$out/$name.rows" ||
    { echo "compare_mixed.sh: sorvik-bench failed on $word" >&2; exit 1; }
  grep -c '^row	' "$out/$name.rows" >"$out/$name.sorvik" || true
  { rg -l -F -uuu -j1 ${fl:+"$fl"} -- "$word" "$corpus" || [ $? -eq 1 ]; } | wc -l >"$out/$name.rg"
  printf '%s\t%s\t%s\n' "$name" "$word" "$cmd" >>"$out/queries"
}
q rare     zqxjvbk  SC ""
q cafe_i   café     S  -i
q greek_i  Ελληνικά S  -i
q cyrillic русский  SC ""

python3 - "$out" "$manifest" <<'PY'
import json, os, sys
d, manifest = sys.argv[1], sys.argv[2]
with open(manifest, encoding="utf-8") as f:
    plants = json.load(f)["plants"]
print(f"{'query':9} {'word':9} {'sorvik':>8} {'rg -j1':>8} {'ratio':>6} {'sorvik':>7} {'rg':>7} {'truth':>7}")
print(f"{'':9} {'':9} {'median s':>8} {'median s':>8} {'':>6} {'files':>7} {'files':>7} {'files':>7}")
for line in open(os.path.join(d, "queries"), encoding="utf-8"):
    name, word, cmd = line.rstrip("\n").split("\t")
    rs = {r["command"]: r["median"] for r in json.load(open(os.path.join(d, name + ".json")))["results"]}
    cs = "C" in cmd
    truth = len({p["path"] for p in plants[word] if not cs or p["text"] == word})
    nsorvik = int(open(os.path.join(d, name + ".sorvik")).read())
    nrg = int(open(os.path.join(d, name + ".rg")).read())
    print(f"{name:9} {word:9} {rs['sorvik']:8.3f} {rs['rg-j1']:8.3f} {rs['sorvik'] / rs['rg-j1']:6.2f} "
          f"{nsorvik:7} {nrg:7} {truth:7}")
PY
