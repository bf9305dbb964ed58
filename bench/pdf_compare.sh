#!/usr/bin/env bash
# Checks what sorvik-bench finds in PDF files against a PDF corpus's truth, then times it against pdftotext on one core.
#
#   pdf_compare.sh SORVIK_BENCH CORPUS [RUNS]
#   WINE=1 pdf_compare.sh build/win32/bench/sorvik-bench.exe CORPUS [RUNS]
#
# CORPUS is a folder made by make_pdf_corpus.py (e.g. make_pdf_corpus.py /tmp/pdfcorpus 42): the files
# under CORPUS/tree, the truth in CORPUS/truth.tsv (decided by poppler's pdftotext). RUNS (default 3, at
# least 2) is hyperfine's runs a command.
#
# 1. Correctness: every query of truth.tsv runs as `SORVIK_BENCH +rows +docs=1 --dir=CORPUS/tree
#    --msk=*.* --qry=Q --cmd=C --mtc=M`, once with the default helpers and once with +helpers=0; the rows
#    become paths relative to the tree and must be exactly the truth's files. One PASS or FAIL line a
#    run, with the files missed and listed wrongly, and the truth's notes on those files (damaged files
#    pdftotext reads nothing of, the file with a user password).
# 2. Speed on one core (everything pinned with taskset -c 0), warm cache, hyperfine medians, over the
#    *.pdf files of the tree (the zips left out, so both read the same files): SORVIK_BENCH +docs=1
#    +helpers=0 searching for a word no file holds, against a loop that has `pdftotext -q -raw -enc
#    UTF-8 FILE /dev/null` write the text of each file (a process a file, as the truth was read); and
#    SORVIK_BENCH +docs=0 +helpers=0 (the files' bytes) for reference. A table of seconds, MB of PDF a
#    second, and the ratio sorvik / pdftotext.
# With WINE=1 the harness runs under Wine (tools/wine-run; a display and the build's prefix are
# started as tools/test does unless WINEPREFIX is set) and gets the tree as a Windows path; pdftotext
# runs natively.
# Exit status: 0 when every run passes, 1 when one fails, 2 when the check can't run.
# Needs: python3, hyperfine, poppler-utils (pdftotext), util-linux (taskset) (Debian packages).
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: [WINE=1] pdf_compare.sh SORVIK_BENCH CORPUS [RUNS]" >&2; exit 2
fi
bench=$(readlink -f "$1"); corpus=$(readlink -f "$2"); runs=${3:-3}
tree="$corpus/tree"; truth="$corpus/truth.tsv"
for t in hyperfine pdftotext taskset python3; do
  command -v "$t" >/dev/null || { echo "pdf_compare.sh: needs $t (apt-get install -y hyperfine poppler-utils util-linux)" >&2; exit 2; }
done
if [ ! -f "$bench" ]; then echo "pdf_compare.sh: $1 is not a file" >&2; exit 2; fi
[ -d "$tree" ] || { echo "pdf_compare.sh: no folder $tree (make it with make_pdf_corpus.py)" >&2; exit 2; }
[ -f "$truth" ] || { echo "pdf_compare.sh: no truth $truth" >&2; exit 2; }
case $runs in ''|*[!0-9]*) echo "pdf_compare.sh: RUNS must be a whole number" >&2; exit 2 ;; esac
[ "$runs" -ge 2 ] || { echo "pdf_compare.sh: RUNS must be at least 2" >&2; exit 2; }
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
  [ -x "$bench" ] || { echo "pdf_compare.sh: $1 is not executable" >&2; exit 2; }
fi
find "$tree" -type f -exec cat {} + >/dev/null 2>&1 || true   # warm the page cache

# ---------------------------------------------------------------- 1. correctness
status=0
python3 - "$truth" "$dir" "${run[@]}" <<'PY' || status=$?
import subprocess, sys
truth_path, folder, run = sys.argv[1], sys.argv[2], sys.argv[3:]
queries, truth, notes = [], {}, {}
for line in open(truth_path, encoding="utf-8"):
    f = line.rstrip("\n").split("\t")
    if f[0] == "query":
        queries.append(f[1:5]); truth[f[1]] = set()
    elif f[0] == "file":
        truth[f[1]].add(f[2])
    elif f[0] == "note":
        notes.setdefault(f[1], []).append(f[2])
prefix = folder.replace("\\", "/").rstrip("/") + "/"
def rel(folder_col, name):
    p = folder_col.replace("\\", "/")
    if not p.endswith("/"):
        p += "/"
    p += name
    return p[len(prefix):] if p.lower().startswith(prefix.lower()) else "?" + p
fails = runs = 0
failed = set()
for qid, cmd, mtc, qry in queries:
    for helpers in (None, "+helpers=0"):
        runs += 1
        args = run + ["+rows", "+docs=1"] + ([helpers] if helpers else []) + \
            ["--dir=" + folder, "--msk=*.*", "--qry=" + qry, "--cmd=" + cmd, "--mtc=" + mtc]
        try:
            p = subprocess.run(args, capture_output=True, timeout=900)
        except subprocess.TimeoutExpired:
            print("FAIL %-12s %-10s timed out" % (qid, helpers or "helpers")); fails += 1; failed.add(qid); continue
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
        ok = p.returncode == 0 and not err and got == want
        fails += not ok
        if not ok:
            failed.add(qid)
        print("%s %-12s %-10s want %3d got %3d  %6ss  %s %s %s" % ("PASS" if ok else "FAIL", qid, helpers or "helpers",
              len(want), len(got), secs, qry, cmd, mtc))
        for label, lst in (("missed", sorted(want - got)), ("listed wrongly", sorted(got - want))):
            for r in lst[:8]:
                print("     %s: %s%s" % (label, r, "".join("  [note: %s]" % n for n in notes.get(r, []))))
            if len(lst) > 8:
                print("     %s: ... %d more" % (label, len(lst) - 8))
        for e in err[:2]:
            print("     " + e)
        if p.returncode:
            print("     exit status %d" % p.returncode)
print("correctness: %d of %d runs pass (%d of %d queries pass both)" % (runs - fails, runs, len(queries) - len(failed), len(queries)))
sys.exit(1 if fails else 0)
PY
[ "$status" -le 1 ] || exit 2

# ---------------------------------------------------------------- 2. speed
word=zqxabsentword
find "$tree" -type f -name '*.pdf' | sort >"$out/pdfs"
nfiles=$(wc -l <"$out/pdfs")
[ "$nfiles" -gt 0 ] || { echo "pdf_compare.sh: no PDF files under $tree" >&2; exit 2; }
bytes=$(tr '\n' '\0' <"$out/pdfs" | xargs -0 stat -c %s | awk '{s += $1} END {print s}')
# what starting pdftotext costs: the same loop over the smallest file pdftotext reads, as many times
small=$(tr '\n' '\0' <"$out/pdfs" | xargs -0 stat -c '%s %n' | sort -n | cut -d' ' -f2- |
  while IFS= read -r f; do if pdftotext -q "$f" /dev/null; then echo "$f"; break; fi; done)
for _ in $(seq "$nfiles"); do echo "$small"; done >"$out/small"
for list in pdfs small; do
  cat >"$out/pdftotext-$list.sh" <<SH
#!/bin/sh
while IFS= read -r f; do pdftotext -q -raw -enc UTF-8 "\$f" /dev/null || :; done <"$out/$list"
SH
done
if [ "${WINE:-0}" = 1 ]; then
  q() { printf '%q ' "$@"; }
  H="hyperfine -i --warmup 1 --runs $runs --output=pipe --style none"
  s_docs=$(q taskset -c 0 "${run[@]}" +docs=1 +helpers=0 "--dir=$dir" "--msk=*.pdf" "--qry=$word" --cmd=S)
  s_bytes=$(q taskset -c 0 "${run[@]}" +docs=0 +helpers=0 "--dir=$dir" "--msk=*.pdf" "--qry=$word" --cmd=S)
  p_all=$(q taskset -c 0 sh "$out/pdftotext-pdfs.sh")
  p_small=$(q taskset -c 0 sh "$out/pdftotext-small.sh")
else
  case "$tree" in *[[:space:]]*) echo "pdf_compare.sh: the corpus path must have no blanks for hyperfine -N" >&2; exit 2 ;; esac
  H="hyperfine -N -i --warmup 1 --runs $runs --output=pipe --style none"
  s_docs="taskset -c 0 $bench +docs=1 +helpers=0 --dir=$tree --msk=*.pdf --qry=$word --cmd=S"
  s_bytes="taskset -c 0 $bench +docs=0 +helpers=0 --dir=$tree --msk=*.pdf --qry=$word --cmd=S"
  p_all="taskset -c 0 sh $out/pdftotext-pdfs.sh"
  p_small="taskset -c 0 sh $out/pdftotext-small.sh"
fi
$H --export-json "$out/speed.json" -n sorvik-docs "$s_docs" -n pdftotext "$p_all" -n pdftotext-start "$p_small" \
  -n sorvik-bytes "$s_bytes" >/dev/null

python3 - "$out/speed.json" "$nfiles" "$bytes" "$runs" "${small#"$tree/"}" <<'PY'
import json, sys
path, nfiles, nbytes, runs, small = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
med = {r["command"]: r["median"] for r in json.load(open(path))["results"]}
mb = nbytes / 1e6
rest = med["pdftotext"] - med["pdftotext-start"]
print()
print("speed on one core (taskset -c 0): %d PDF files, %.1f MB, median of %s runs" % (nfiles, mb, runs))
print("                                                      seconds     MB/s")
for name, label, secs in (("sorvik-docs", "sorvik-bench +docs=1 +helpers=0 (the PDFs' text)", med["sorvik-docs"]),
                          ("pdftotext", "pdftotext -raw, one process a file", med["pdftotext"]),
                          ("pdftotext-start", "  of which starting it (%d x %s)" % (nfiles, small), med["pdftotext-start"]),
                          ("rest", "  pdftotext without its starts", rest),
                          ("sorvik-bytes", "sorvik-bench +docs=0 +helpers=0 (bytes)", med["sorvik-bytes"])):
    print("  %-50s %8.3f %8s" % (label, secs, "%.1f" % (mb / secs) if name != "pdftotext-start" and secs > 0 else "-"))
print("  sorvik +docs=1 / pdftotext: %.3f (1 : %.0f); / pdftotext without its starts: %s"
      % (med["sorvik-docs"] / med["pdftotext"], med["pdftotext"] / med["sorvik-docs"],
         "%.3f" % (med["sorvik-docs"] / rest) if rest > 0 else "-"))
PY
exit "$status"
