#!/usr/bin/env bash
# Times the hit lines of sorvik-bench against ripgrep's numbered lines on one large text file, in
# one run, warm cache: the time to the first hit line and to the last, median of RUNS runs each,
# the ratio sorvik / rg (below 1.00 is faster), and whether both print the same line numbers.
#
#   hits_compare.sh SORVIK_BENCH [SIZE_MB] [RUNS]
#
# The file (SIZE_MB, default 500) is made once, deterministically, as $HITS_DIR/SIZE_MB/big.txt
# (HITS_DIR defaults to /tmp/sorvik-hits-bench) and reused: log-like ASCII lines, LF ends, the
# word "volcano" on about one line in 2,000 and "zqxjvbk" on about one in 200,000, always in lower
# case and between blanks, so that case and whole words don't change which lines hold them.
# Queries: volcano ignoring case (sorvik's default, rg -i), volcano and zqxjvbk case-sensitive
# (sorvik --cmd=C, rg). Both tools are run with line-buffered output (stdbuf -oL for sorvik-bench,
# --line-buffered for rg) so that the first line leaves as soon as it is found; a small Python timer
# starts each command, reads its output and notes when the first hit line and the end arrive.
# Needs: ripgrep, python3, stdbuf (coreutils).
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 3 ]; then
  echo "usage: hits_compare.sh SORVIK_BENCH [SIZE_MB] [RUNS]" >&2; exit 2
fi
bench=$(readlink -f "$1"); size=${2:-500}; runs=${3:-5}
for t in rg python3 stdbuf; do
  command -v "$t" >/dev/null || { echo "hits_compare.sh: needs $t (apt-get install -y ripgrep)" >&2; exit 2; }
done
if [ ! -f "$bench" ] || [ ! -x "$bench" ]; then echo "hits_compare.sh: $1 is not an executable file" >&2; exit 2; fi
case $size in ''|*[!0-9]*) echo "hits_compare.sh: SIZE_MB must be a whole number" >&2; exit 2 ;; esac
case $runs in ''|*[!0-9]*) echo "hits_compare.sh: RUNS must be a whole number" >&2; exit 2 ;; esac
[ "$size" -ge 1 ] || { echo "hits_compare.sh: SIZE_MB must be at least 1" >&2; exit 2; }
[ "$runs" -ge 1 ] || { echo "hits_compare.sh: RUNS must be at least 1" >&2; exit 2; }
dir=${HITS_DIR:-/tmp/sorvik-hits-bench}/$size
export LC_ALL=C PYTHONIOENCODING=utf-8

python3 - "$dir" "$size" <<'PY'
import os, random, sys
d, size_mb = sys.argv[1], int(sys.argv[2])
path, stamp = os.path.join(d, "big.txt"), os.path.join(d, "big.txt.made")
want = size_mb * 1_000_000
if os.path.exists(stamp) and os.path.getsize(path) >= want:
    sys.exit(0)
os.makedirs(d, exist_ok=True)
rng = random.Random(424242)
letters = "abcdefghijklmnopqrstuwy"  # no v, no z: neither word can turn up by chance
vocab = sorted({"".join(rng.choice(letters) for _ in range(rng.randint(2, 10))) for _ in range(6000)})
levels = ["INFO", "INFO", "INFO", "DEBUG", "WARN", "ERROR"]
def line():
    words = " ".join(rng.choice(vocab) for _ in range(rng.randint(3, 14)))
    return (f"2026-12-{rng.randint(1, 28):02d}T{rng.randint(0, 23):02d}:{rng.randint(0, 59):02d}:"
            f"{rng.randint(0, 59):02d}.{rng.randint(0, 999):03d} {rng.choice(levels)} "
            f"[worker-{rng.randint(1, 16)}] {words}")
pool = [line() for _ in range(200_000)]
written = 0
with open(path + ".part", "w", encoding="ascii", newline="\n") as f:
    while written < want:
        block = rng.choices(pool, k=20_000)
        for i in range(len(block)):
            r = rng.random()
            if r < 1 / 2000 or r > 1 - 1 / 200_000:
                w = "volcano" if r < 0.5 else "zqxjvbk"
                parts = block[i].split(" ")
                k = rng.randint(3, len(parts))
                block[i] = " ".join(parts[:k] + [w] + parts[k:])
        text = "\n".join(block) + "\n"
        f.write(text)
        written += len(text)
os.replace(path + ".part", path)
open(stamp, "w").close()
PY
cat "$dir/big.txt" >/dev/null   # warm the page cache

python3 - "$bench" "$dir" "$runs" <<'PY'
import os, statistics, subprocess, sys, time
bench, d, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
big = os.path.join(d, "big.txt")
queries = [  # name, sorvik arguments, rg arguments
    ("volcano -i", [], ["-i"]),  # sorvik's defaults: ignore case (and subfolders)
    ("volcano", ["--cmd=C"], []),
    ("zqxjvbk", ["--cmd=C"], []),
]

def timed(args, is_hit, number):
    """(seconds to the first hit line or None, seconds to the end, line numbers printed)."""
    t0 = time.perf_counter()
    p = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
    first = None
    numbers = []
    buf = b""
    while True:
        chunk = p.stdout.read(65536)
        if not chunk:
            break
        buf += chunk
        *lines, buf = buf.split(b"\n")
        for ln in lines:
            if is_hit(ln):
                if first is None:
                    first = time.perf_counter() - t0
                numbers.append(number(ln))
    err = p.stderr.read()
    rc = p.wait()
    end = time.perf_counter() - t0
    if rc not in (0, 1) or (rc == 1 and numbers):
        sys.exit(f"hits_compare.sh: {' '.join(args)} exited with {rc}: {err.decode(errors='replace').strip()}")
    return first, end, numbers

def sorvik(word, extra):
    args = ["stdbuf", "-oL", bench, "+hits", f"--dir={d}", "--msk=big.txt", f"--qry={word}"] + extra
    return timed(args, lambda l: l.startswith(b"hit\t"), lambda l: int(l.split(b"\t")[3]))

def rg(word, extra):
    args = ["rg", "-n", "-j1", "--line-buffered", "--no-config"] + extra + ["--", word, big]
    return timed(args, lambda l: True, lambda l: int(l.split(b":", 1)[0]))

print(f"file {big}: {os.path.getsize(big) / 1e6:.0f} MB; median of {runs} runs, warm cache; "
      "first = first hit line, all = the end")
print(f"{'query':12} {'sorvik':>8} {'rg -j1':>8} {'ratio':>6}   {'sorvik':>8} {'rg -j1':>8} {'ratio':>6}   "
      f"{'sorvik':>7} {'rg':>7}  same")
print(f"{'':12} {'first s':>8} {'first s':>8} {'':>6}   {'all s':>8} {'all s':>8} {'':>6}   "
      f"{'lines':>7} {'lines':>7}  numbers")
for name, sx, rx in queries:
    word = name.split()[0]
    sorvik(word, sx), rg(word, rx)  # one warm-up each
    s_first, s_all, r_first, r_all = [], [], [], []
    s_nums = r_nums = None
    for _ in range(runs):
        f, e, s_nums = sorvik(word, sx)
        s_first.append(f if f is not None else e)
        s_all.append(e)
        f, e, r_nums = rg(word, rx)
        r_first.append(f if f is not None else e)
        r_all.append(e)
    m = statistics.median
    same = "yes" if sorted(s_nums) == sorted(r_nums) else "NO"
    if same == "NO":
        only_s = sorted(set(s_nums) - set(r_nums))[:5]
        only_r = sorted(set(r_nums) - set(s_nums))[:5]
        same += f" (only sorvik {only_s}, only rg {only_r})"
    print(f"{name:12} {m(s_first):8.3f} {m(r_first):8.3f} {m(s_first) / m(r_first):6.2f}   "
          f"{m(s_all):8.3f} {m(r_all):8.3f} {m(s_all) / m(r_all):6.2f}   {len(s_nums):7} {len(r_nums):7}  {same}")
PY
