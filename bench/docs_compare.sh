#!/usr/bin/env bash
# Checks what sorvik-bench finds inside documents and archives against a corpus's truth, then times it.
#
#   docs_compare.sh SORVIK_BENCH CORPUS [RUNS]
#   WINE=1 docs_compare.sh build/win32/bench/sorvik-bench.exe CORPUS [RUNS]
#
# CORPUS is a folder made by make_doc_corpus.py (e.g. make_doc_corpus.py /tmp/doccorpus 42): the files
# under CORPUS/tree, the truth in CORPUS/truth.tsv. RUNS (default 3, at least 2) is hyperfine's runs a
# command.
#
# 1. Correctness: every query of truth.tsv runs as `SORVIK_BENCH +rows +docs=1 --dir=CORPUS/tree
#    --msk=*.* --qry=Q --cmd=C --mtc=M` with the default helpers, and eight of them (split runs,
#    phrase, all, whole words, case, zip encodings, nesting, markup) once more with +helpers=0
#    (HELPERS0=all: every query); the rows become paths relative to the tree and must be exactly the
#    truth's files. One PASS or FAIL line a run, with the files missed and listed wrongly.
# 2. Speed, warm cache, hyperfine medians: sorvik +docs=1 against `ugrep -z -l -r -J1 -F -i` on the
#    zip-only folder archives/; sorvik +docs=1 against +docs=0 on the whole tree; and how many of the
#    truth's files each finds on the whole tree for a few words (ugrep reads zip entries, and the XML
#    of documents as bytes, not their text; it skips hostile/, whose bombs inflate to 4.5 GB;
#    sorvik's counts come from part 1).
# With WINE=1 the harness runs under Wine (tools/wine-run; a display and the build's prefix are
# started as tools/test does unless WINEPREFIX is set) and gets the tree as a Windows path.
# Exit status: 0 when every query passes, 1 when one fails, 2 when the check can't run.
# Needs: python3, hyperfine, ugrep (Debian packages).
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: [WINE=1] docs_compare.sh SORVIK_BENCH CORPUS [RUNS]" >&2; exit 2
fi
bench=$(readlink -f "$1"); corpus=$(readlink -f "$2"); runs=${3:-3}
tree="$corpus/tree"; truth="$corpus/truth.tsv"
for t in hyperfine ugrep python3; do
  command -v "$t" >/dev/null || { echo "docs_compare.sh: needs $t (apt-get install -y hyperfine ugrep)" >&2; exit 2; }
done
if [ ! -f "$bench" ]; then echo "docs_compare.sh: $1 is not a file" >&2; exit 2; fi
[ -d "$tree" ] || { echo "docs_compare.sh: no folder $tree (make it with make_doc_corpus.py)" >&2; exit 2; }
[ -f "$truth" ] || { echo "docs_compare.sh: no truth $truth" >&2; exit 2; }
case $runs in ''|*[!0-9]*) echo "docs_compare.sh: RUNS must be a whole number" >&2; exit 2 ;; esac
[ "$runs" -ge 2 ] || { echo "docs_compare.sh: RUNS must be at least 2" >&2; exit 2; }
export LC_ALL=C.UTF-8 PYTHONIOENCODING=utf-8
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp -d)
cleanup() { rm -rf "$out"; if declare -F stop_started >/dev/null; then stop_started; fi; }
trap cleanup EXIT

run=("$bench"); dir="$tree"
if [ "${WINE:-0}" = 1 ]; then
  if [ -z "${WINEPREFIX:-}" ]; then
    # shellcheck source=../tools/common.sh
    source "$root/tools/common.sh"
    mkdir -p "$root/build/win32"   # the prefix lives there
    start_display
    start_wine
  fi
  run=("$root/tools/wine-run" "$bench")
  dir=$(winepath -w "$tree")
else
  [ -x "$bench" ] || { echo "docs_compare.sh: $1 is not executable" >&2; exit 2; }
fi
find "$tree" -path "$tree/hostile" -prune -o -type f -exec cat {} + >/dev/null 2>&1 || true   # warm the page cache

# ---------------------------------------------------------------- 1. correctness
status=0
python3 - "$truth" "$dir" "$out" "${HELPERS0:-some}" "${run[@]}" <<'PY' || status=$?
import subprocess, sys
truth_path, folder, out, helpers0, run = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]
TWICE = {"split", "phrase", "all", "whole", "case_c", "zipenc", "nested", "m_xmlns"}
queries, truth = [], {}
for line in open(truth_path, encoding="utf-8"):
    f = line.rstrip("\n").split("\t")
    if f[0] == "query":
        queries.append(f[1:5]); truth[f[1]] = set()
    elif f[0] == "file":
        truth[f[1]].add(f[2])
prefix = folder.replace("\\", "/").rstrip("/") + "/"
def rel(folder_col, name):
    p = folder_col.replace("\\", "/")
    if not p.endswith("/"):
        p += "/"
    p += name
    return p[len(prefix):] if p.lower().startswith(prefix.lower()) else "?" + p
fails = runs = 0
counts = open(out + "/counts.sorvik", "w", encoding="utf-8")
for qid, cmd, mtc, qry in queries:
    for helpers in (None, "+helpers=0") if helpers0 == "all" or qid in TWICE else (None,):
        runs += 1
        args = run + ["+rows", "+docs=1"] + ([helpers] if helpers else []) + \
            ["--dir=" + folder, "--msk=*.*", "--qry=" + qry, "--cmd=" + cmd, "--mtc=" + mtc]
        try:
            p = subprocess.run(args, capture_output=True, timeout=900)
        except subprocess.TimeoutExpired:
            print("FAIL %-13s %-10s timed out" % (qid, helpers or "helpers")); fails += 1; continue
        got, err, secs = set(), [], "?"
        for line in p.stdout.decode("utf-8", "replace").splitlines():
            f = line.split("\t")
            if f[0] == "row" and len(f) >= 3:
                got.add(rel(f[2], f[1]))
            elif f[0] == "error":
                err.append(line)
            elif f[0] == "done":
                secs = next((x[8:] for x in f if x.startswith("seconds=")), "?")
        want = truth[qid]
        if helpers is None and mtc == "ANY" and cmd == "S":
            counts.write("%s\t%d\n" % (qry, len(got)))
        ok = p.returncode == 0 and not err and got == want
        fails += not ok
        print("%s %-13s %-10s want %3d got %3d  %6ss  %s %s %s" % ("PASS" if ok else "FAIL", qid, helpers or "helpers",
              len(want), len(got), secs, qry, cmd, mtc))
        for label, lst in (("missed", sorted(want - got)), ("listed wrongly", sorted(got - want))):
            for r in lst[:8]:
                print("     %s: %s" % (label, r))
            if len(lst) > 8:
                print("     %s: ... %d more" % (label, len(lst) - 8))
        for e in err[:2]:
            print("     " + e)
        if p.returncode:
            print("     exit status %d" % p.returncode)
print("correctness: %d of %d runs pass" % (runs - fails, runs))
sys.exit(1 if fails else 0)
PY
[ "$status" -le 1 ] || exit 2

# ---------------------------------------------------------------- 2. speed
word=zqxzipenc
if [ "${WINE:-0}" = 1 ]; then
  q() { printf '%q ' "$@"; }
  H="hyperfine -i --warmup 1 --runs $runs --output=pipe --style none"
  s_zip=$(q "${run[@]}" +docs=1 "--dir=$dir\\archives" "--msk=*.*" "--qry=$word" --cmd=S)
  s_all1=$(q "${run[@]}" +docs=1 "--dir=$dir" "--msk=*.*" "--qry=$word" --cmd=S)
  s_all0=$(q "${run[@]}" +docs=0 "--dir=$dir" "--msk=*.*" "--qry=$word" --cmd=S)
  u_zip=$(q ugrep -z -s -l -r -J1 -F -i "$word" "$tree/archives")
else
  case "$tree" in *[[:space:]]*) echo "docs_compare.sh: the corpus path must have no blanks for hyperfine -N" >&2; exit 2 ;; esac
  H="hyperfine -N -i --warmup 1 --runs $runs --output=pipe --style none"
  s_zip="$bench +docs=1 --dir=$tree/archives --msk=*.* --qry=$word --cmd=S"
  s_all1="$bench +docs=1 --dir=$tree --msk=*.* --qry=$word --cmd=S"
  s_all0="$bench +docs=0 --dir=$tree --msk=*.* --qry=$word --cmd=S"
  u_zip="ugrep -z -s -l -r -J1 -F -i $word $tree/archives"
fi
$H --export-json "$out/zip.json" -n sorvik-docs "$s_zip" -n ugrep-z-J1 "$u_zip" >/dev/null
$H --export-json "$out/all.json" -n docs=1 "$s_all1" -n docs=0 "$s_all0" >/dev/null

# files each finds on the whole tree, against the truth: sorvik's from part 1, ugrep's listed per word
# (-o would print no match for a file ugrep takes for binary)
words=(zqxzipenc zqxcafé zqxnested zqxzipdoc zqxbody zqxsplitrun)
for w in "${words[@]}"; do
  { ugrep -z -s -l -r -J1 -F -i --exclude-dir=hostile -- "$w" "$tree" || [ $? -eq 1 ]; } | sed "s/^/$w	/" >>"$out/ugrep.hits"
done
python3 - "$truth" "$out" "${words[@]}" <<'PY' >"$out/counts"
import sys
truth_path, d, words = sys.argv[1], sys.argv[2], sys.argv[3:]
rows = [l.rstrip("\n").split("\t") for l in open(truth_path, encoding="utf-8")]
sorvik = dict(l.rstrip("\n").split("\t") for l in open(d + "/counts.sorvik", encoding="utf-8"))
ugrep = {w: set() for w in words}
for line in open(d + "/ugrep.hits", encoding="utf-8", errors="replace"):
    w, path = line.rstrip("\n").split("\t", 1)
    ugrep[w].add(path.split("{", 1)[0])  # an entry of an archive: the archive
for w in words:
    ids = {r[1] for r in rows if r[0] == "query" and r[4] == w and r[2] == "S"}
    print("%s\t%s\t%d\t%d" % (w, sorvik.get(w, "-"), len(ugrep[w]), len({r[2] for r in rows if r[0] == "file" and r[1] in ids})))
PY

python3 - "$out" <<'PY'
import json, os, sys
d = sys.argv[1]
def med(name):
    return {r["command"]: r["median"] for r in json.load(open(os.path.join(d, name)))["results"]}
z, a = med("zip.json"), med("all.json")
print()
print("speed (median s)                         sorvik   other   ratio")
print("archives/, zqxzipenc: docs vs ugrep -z -J1 %7.3f %7.3f %7.2f" % (z["sorvik-docs"], z["ugrep-z-J1"], z["sorvik-docs"] / z["ugrep-z-J1"]))
print("whole tree, zqxzipenc: docs=1 vs docs=0    %7.3f %7.3f %7.2f" % (a["docs=1"], a["docs=0"], a["docs=1"] / a["docs=0"]))
print()
print("files found on the whole tree   sorvik  ugrep -z  truth")
for line in open(os.path.join(d, "counts"), encoding="utf-8"):
    w, s, u, t = line.rstrip("\n").split("\t")
    print("  %-28s %6s %9s %6s" % (w, s, u, t))
PY
exit "$status"
