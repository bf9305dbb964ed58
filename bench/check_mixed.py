#!/usr/bin/env python3
"""Checks which files sorvik-bench lists for every planted word of a mixed corpus.

usage: check_mixed.py [-v] [--manifest=FILE] SORVIK_BENCH CORPUS

CORPUS is a tree made by make_mixed_corpus.py; its manifest is read from
CORPUS.manifest.json unless --manifest names another. For every planted word,
every form of it (as written, upper-case, mixed case), case-sensitive and
ignoring case, whole words off and on, it runs

    SORVIK_BENCH +rows --dir=CORPUS --msk=*.* --qry=FORM --cmd=S[C][W]

and compares the files listed with those the manifest says hold the word that
way in any encoding. (Ignoring case, every form of a word must find the same
files, so only the word as written is asked.) Prints one line a query, then the
files missed and the files listed wrongly with their kind and how the word sits
in them (the first 8 of each; -v: all).

Exit status: 0 when every query lists exactly the expected files, 1 when some
don't, 2 when the check itself can't run (bad arguments, no manifest, a
manifest that contradicts itself, a harness that fails or prints an error).
"""
import os
import sys

import corpus_check
from collections import Counter



def die(msg):
    print("check_mixed.py: " + msg, file=sys.stderr)
    sys.exit(2)


def expected_files(plants, text, cs, ww):
    """Files holding the word as `text` (any case form when not cs), whole when ww."""
    return {p["path"] for p in plants
            if (not cs or p["text"] == text) and (not ww or p["whole"])}


def queries(manifest):
    """(word, query text, case-sensitive, whole words) for every check."""
    out = []
    for word, info in manifest["words"].items():
        for case, text in info["forms"].items():
            for cs in (True, False):
                if not cs and case != "lower":
                    continue
                for ww in (False, True):
                    out.append((word, text, cs, ww))
    return out


def listed_files(bench, corpus, text, cs, ww):
    """Paths (relative to corpus) of the rows sorvik-bench prints."""
    cmd = "S" + ("C" if cs else "") + ("W" if ww else "")
    args = [bench, "+rows", f"--dir={corpus}", "--msk=*.*", f"--qry={text}", f"--cmd={cmd}"]
    out = corpus_check.run_bench("check_mixed.py", args, " ".join(args)).decode("utf-8", errors="surrogateescape")
    files = set()
    done = False
    for line in out.splitlines():
        fields = line.split("\t")
        if fields[0] == "row":
            if len(fields) < 3:
                die(f"unreadable row from {' '.join(args)}: {line!r}")
            files.add(os.path.relpath(os.path.join(fields[2], fields[1]), corpus))
        elif fields[0] == "error":
            die(f"{' '.join(args)} reported: {line}")
        elif fields[0] == "done":
            done = True
    if not done:
        die(f"{' '.join(args)} printed no final counters")
    return files


def describe(path, plants, files):
    """kind of the file and how the word sits in it, e.g. 'utf16le: utf16le upper whole'."""
    ways = sorted({f"{p['enc']} {p['case']} {'whole' if p['whole'] else 'glued'}"
                   for p in plants if p["path"] == path})
    kind = files.get(path, {}).get("kind", "not in the corpus")
    return f"{path}  [{kind}: {', '.join(ways) if ways else 'word not planted'}]"


def main():
    argv = sys.argv[1:]
    given, bench, corpus, manifest, manifest_path = corpus_check.read_command_line(
        argv, "check_mixed.py", __doc__, ("-v",), ("words", "plants", "files"), "mixed-corpus")
    verbose = "-v" in given
    files = manifest["files"]
    for word, plants in manifest["plants"].items():
        for p in plants:
            if p["path"] not in files:
                die(f"{manifest_path}: {word} planted in {p['path']}, which the file list lacks")

    failures = 0
    total = 0
    missed_by = Counter()
    for word, text, cs, ww in queries(manifest):
        plants = manifest["plants"].get(word, [])
        want = expected_files(plants, text, cs, ww)
        mode = ("CS" if cs else "CI") + ("W" if ww else "")
        recorded = manifest.get("expected_files", {}).get(word, {}).get(f"{text}/{mode}")
        if recorded is not None and recorded != len(want):
            die(f"{manifest_path}: expected_files says {recorded} for {text}/{mode}, its plants {len(want)}")
        got = listed_files(bench, corpus, text, cs, ww)
        missing, extra = sorted(want - got), sorted(got - want)
        total += 1
        status = "ok  " if not missing and not extra else "FAIL"
        print(f"{status} {text:10} {mode:4} expected {len(want):4}  listed {len(got):4}  "
              f"missed {len(missing):4}  wrong {len(extra):4}")
        if missing or extra:
            failures += 1
            limit = None if verbose else 8
            for label, paths in (("missed", missing), ("wrong", extra)):
                for path in paths[:limit]:
                    print(f"       {label}: {describe(path, plants, files)}")
                if limit is not None and len(paths) > limit:
                    print(f"       ... {len(paths) - limit} more {label}")
            for path in missing:
                missed_by[files[path]["kind"]] += 1
    print(f"{total - failures} of {total} queries list exactly the expected files")
    if missed_by:
        print("files missed, by kind: " + ", ".join(f"{k} {n}" for k, n in missed_by.most_common()))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
