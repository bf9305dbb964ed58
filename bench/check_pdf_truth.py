#!/usr/bin/env python3
"""Checks a PDF corpus's truth.tsv against a fresh reading of its files by poppler and qpdf.

usage: check_pdf_truth.py [-v] OUT

OUT is a folder made by make_pdf_corpus.py: the files under OUT/tree, the truth in
OUT/truth.tsv. This reads every file on its own, with nothing from the generator
but truth.tsv, and searches it the way the truth is meant:

  .pdf   `pdftotext -q -raw -enc UTF-8` (the text in content-stream order), the
         title `pdfinfo -enc UTF-8` prints, each page annotation's /Contents from
         `qpdf --json`; nothing when none of them can open the file.
  .zip   each .pdf entry as a .pdf file, zips inside to depth 4, other entries
         as UTF-8 bytes; entries flagged encrypted are not read.
  others UTF-8 bytes.
Form feeds end lines; the bidi marks U+200E U+200F U+202A-U+202E U+2066-U+2069 are
dropped; the ligatures U+FB00-U+FB06 are spelt out. Units (page text, title, each
annotation) are joined with line feeds, so a phrase never spans two lines and a
line's ends bound whole words. Separators for whole words: tab LF CR space ! " # $
% ' ( ) * + , . / : ; < = > ? @ \\ |; ignoring case compares simple upper-case
forms character by character.

It also reads every PDF in pdftotext's default (layout) mode and shows, per
query, how many files that reading would list: where the column differs from the
truth the query depends on reading in content-stream order.

Prints one line a query (truth count, count from this reading, the layout mode's
count, OK or DIFF) and the files that differ (first 10 each; -v: all), then the
truth's notes. Exit status 0 when all agree, 1 when some differ, 2 when the check
can't run.
"""
import concurrent.futures
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

SEPARATORS = frozenset("\t\n\r !\"#$%'()*+,./:;<=>?@\\|")
BIDI = "\u200e\u200f\u202a\u202b\u202c\u202d\u202e\u2066\u2067\u2068\u2069"
LIGATURES = {"\ufb00": "ff", "\ufb01": "fi", "\ufb02": "fl", "\ufb03": "ffi", "\ufb04": "ffl", "\ufb05": "st", "\ufb06": "st"}
TABLE = str.maketrans(dict({c: None for c in BIDI}, **LIGATURES))


def die(msg):
    print("check_pdf_truth.py: " + msg, file=sys.stderr)
    sys.exit(2)


def clean(s):
    return s.replace("\x0c", "\n").translate(TABLE)


# characters that upper-case to more than one (ß, ŉ, ﬃ ...) stay as they are
GROWS = re.compile("([%s])" % "".join(re.escape(chr(c)) for c in range(0x110000)
                                      if not 0xD800 <= c < 0xE000 and len(chr(c).upper()) > 1))


def upper(s):
    u = s.upper()
    if len(u) == len(s):
        return u
    return "".join(p if k % 2 else p.upper() for k, p in enumerate(GROWS.split(s)))


def run(args):
    try:
        return subprocess.run(args, capture_output=True, timeout=300).stdout
    except subprocess.TimeoutExpired:
        return b""


def annotation_texts(path):
    try:
        doc = json.loads(run(["qpdf", "--json=2", "--json-key=pages", "--json-key=qpdf", path]) or b"{}")
    except ValueError:
        return []
    table = {}
    for section in doc.get("qpdf", [])[1:]:
        for key, val in section.items():
            if key.startswith("obj:"):
                table[key[4:]] = val["stream"]["dict"] if "stream" in val else val.get("value")

    def deref(v, hops=0):
        return deref(table.get(v), hops + 1) if isinstance(v, str) and v.endswith(" R") and hops < 32 else v

    texts = []
    for page in doc.get("pages", []):
        pd = deref(page.get("object"))
        arr = deref(pd.get("/Annots")) if isinstance(pd, dict) else None
        for a in arr if isinstance(arr, list) else []:
            a = deref(a)
            c = deref(a.get("/Contents")) if isinstance(a, dict) else None
            if isinstance(c, str) and c[:2] == "u:":
                texts.append(c[2:])
            elif isinstance(c, str) and c[:2] == "b:":
                raw = bytes.fromhex(c[2:])
                texts.append(raw[2:].decode("utf-16-be", "replace") if raw.startswith(b"\xfe\xff") else raw.decode("latin-1"))
    return texts


def pdf_strings(path):
    """(raw reading, layout reading) of one PDF file."""
    title = [l.split(":", 1)[1].strip() for l in run(["pdfinfo", "-enc", "UTF-8", path]).decode("utf-8", "replace").splitlines()
             if l.startswith(("Title:", "Subject:", "Keywords:"))]
    extra = title + annotation_texts(path)
    raw = run(["pdftotext", "-q", "-raw", "-enc", "UTF-8", path, "-"]).decode("utf-8", "replace")
    layout = run(["pdftotext", "-q", "-enc", "UTF-8", path, "-"]).decode("utf-8", "replace")
    return clean("\n".join([raw] + extra)), clean("\n".join([layout] + extra))


def zip_strings(data, depth):
    raws, layouts = [], []
    try:
        z = zipfile.ZipFile(io.BytesIO(data))
    except (zipfile.BadZipFile, ValueError):
        return raws, layouts
    with z:
        for e in z.infolist():
            if e.is_dir() or e.flag_bits & 1:
                continue
            b = z.read(e)
            low = e.filename.lower()
            if low.endswith(".pdf"):
                with tempfile.TemporaryDirectory() as d:
                    p = os.path.join(d, "entry.pdf")
                    with open(p, "wb") as f:
                        f.write(b)
                    r, l = pdf_strings(p)
                raws.append(r)
                layouts.append(l)
            elif low.endswith(".zip") and depth < 4:
                r, l = zip_strings(b, depth + 1)
                raws += r
                layouts += l
            else:
                raws.append(clean(b.decode("utf-8", "replace")))
                layouts.append(raws[-1])
    return raws, layouts


def file_strings(path):
    low = path.lower()
    if low.endswith(".pdf"):
        return pdf_strings(path)
    with open(path, "rb") as f:
        data = f.read()
    if low.endswith(".zip"):
        r, l = zip_strings(data, 1)
        return "\n".join(r), "\n".join(l)
    s = clean(data.decode("utf-8", "replace"))
    return s, s


def holds(text, word, whole):
    start = 0
    while True:
        i = text.find(word, start)
        if i < 0:
            return False
        j = i + len(word)
        if not whole or ((i == 0 or text[i - 1] in SEPARATORS) and (j == len(text) or text[j] in SEPARATORS)):
            return True
        start = i + 1


def answers(text, upper_text, cmd, mtc, qry):
    sensitive = "C" in cmd
    hay = text if sensitive else upper_text
    words = [qry] if mtc == "EXACT" else qry.split()
    found = [holds(hay, w if sensitive else upper(w), "W" in cmd) for w in words]
    return all(found) if mtc == "ALL" else any(found)


def main(argv):
    args = [a for a in argv[1:] if a != "-v"]
    verbose = "-v" in argv[1:]
    if len(args) != 1:
        die("usage: check_pdf_truth.py [-v] OUT")
    for tool in ("pdftotext", "pdfinfo", "qpdf"):
        if not shutil.which(tool):
            die("needs %s (apt-get install -y poppler-utils qpdf)" % tool)
    tree, truth_path = os.path.join(args[0], "tree"), os.path.join(args[0], "truth.tsv")
    if not os.path.isdir(tree) or not os.path.isfile(truth_path):
        die("%s has no tree/ or truth.tsv (make it with make_pdf_corpus.py)" % args[0])
    queries, truth, notes = [], {}, []
    with open(truth_path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == "query" and len(fields) >= 5:
                queries.append(fields[1:5])
                truth[fields[1]] = set()
            elif fields[0] == "file" and len(fields) == 3 and fields[1] in truth:
                truth[fields[1]].add(fields[2])
            elif fields[0] == "note" and len(fields) == 3:
                notes.append(fields[1:])
            else:
                die("truth.tsv: bad line %r" % line)
    t0 = time.time()
    paths = []
    for root, dirs, files in os.walk(tree):
        dirs.sort()
        paths += [os.path.join(root, n) for n in sorted(files)]
    found = {q[0]: set() for q in queries}
    layout = {q[0]: set() for q in queries}
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        for path, (raw, lay) in zip(paths, pool.map(file_strings, paths)):
            rel = os.path.relpath(path, tree).replace(os.sep, "/")
            raw_up, lay_up = upper(raw), upper(lay)
            for qid, cmd, mtc, qry in queries:
                if answers(raw, raw_up, cmd, mtc, qry):
                    found[qid].add(rel)
                if answers(lay, lay_up, cmd, mtc, qry):
                    layout[qid].add(rel)
    bad = 0
    print("%-12s %6s %6s %7s  %s" % ("query", "truth", "ref", "layout", "qry / cmd / mtc"))
    for qid, cmd, mtc, qry in queries:
        missing, extra = sorted(truth[qid] - found[qid]), sorted(found[qid] - truth[qid])
        ok = not missing and not extra
        bad += not ok
        print("%-12s %6d %6d %7s  %s  %s %s %s" % (qid, len(truth[qid]), len(found[qid]),
              len(layout[qid]) if layout[qid] == found[qid] else "%d*" % len(layout[qid]), "OK  " if ok else "DIFF", qry, cmd, mtc))
        for label, lst in (("in truth, not found by the reference", missing), ("found by the reference, not in truth", extra)):
            for rel in lst[: None if verbose else 10]:
                print("    %s: %s" % (label, rel))
        if verbose and layout[qid] != found[qid]:
            for rel in sorted(layout[qid] ^ found[qid]):
                print("    layout mode %s: %s" % ("adds" if rel in layout[qid] else "loses", rel))
    print("* the layout mode (pdftotext without -raw) would list other files")
    for rel, text in notes:
        print("note: %s: %s" % (rel, text))
    print("%d files read in %.0f s; %d of %d queries agree" % (len(paths), time.time() - t0, len(queries) - bad, len(queries)))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
