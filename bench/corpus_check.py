"""What the corpus checks share: reading their command line and the corpus's manifest,
and running sorvik-bench.

Standard library only; imported by check_mixed.py and check_hits.py from this folder.
"""
import json
import os
import subprocess
import sys

RUN_TIMEOUT = 1800  # seconds; only so that a hung harness can't hang the check


def die(tool, msg):
    print(f"{tool}: {msg}", file=sys.stderr)
    sys.exit(2)


def read_command_line(argv, tool, doc, flags, keys, kind):
    """Reads `[FLAG...] [--manifest=FILE] SORVIK_BENCH CORPUS` and the manifest.

    Returns (the flags given, the bench's path, the corpus's path, the manifest).
    The manifest (CORPUS.manifest.json unless --manifest names another) must hold
    every one of `keys`, or it is no `kind` manifest. Exits with 2, after the
    usage or a message, when any of it can't be read.
    """
    given = {f for f in flags if f in argv}
    argv = [a for a in argv if a not in flags]
    manifest_path = None
    for a in list(argv):
        if a.startswith("--manifest="):
            manifest_path = a.split("=", 1)[1]
            argv.remove(a)
    if len(argv) != 2:
        print(doc, file=sys.stderr)
        sys.exit(2)
    bench = os.path.abspath(argv[0])
    corpus = os.path.realpath(argv[1])
    if not (os.path.isfile(bench) and os.access(bench, os.X_OK)):
        die(tool, f"{argv[0]} is not an executable file")
    if not os.path.isdir(corpus):
        die(tool, f"{argv[1]} is not a folder")
    manifest_path = manifest_path or corpus.rstrip("/") + ".manifest.json"
    try:
        with open(manifest_path, encoding="utf-8") as f:
            manifest = json.load(f)
    except (OSError, ValueError) as e:
        die(tool, f"cannot read the manifest {manifest_path}: {e}")
    for key in keys:
        if key not in manifest:
            die(tool, f"{manifest_path} has no '{key}': not a {kind} manifest")
    return given, bench, corpus, manifest, manifest_path


def run_bench(tool, args, shown):
    """sorvik-bench's standard output for `args` (`shown` in messages); exits with 2
    when it can't be run, doesn't finish in RUN_TIMEOUT seconds, or fails."""
    try:
        run = subprocess.run(args, capture_output=True, timeout=RUN_TIMEOUT)
    except subprocess.TimeoutExpired:
        die(tool, f"{shown} did not finish within {RUN_TIMEOUT} s")
    except OSError as e:
        die(tool, f"cannot run {args[0]}: {e}")
    if run.returncode != 0:
        die(tool, f"{shown} exited with {run.returncode}: {run.stderr.decode(errors='replace').strip()}")
    return run.stdout
