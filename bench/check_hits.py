#!/usr/bin/env python3
"""Checks the hit lines sorvik-bench prints against lines found here independently.

usage: check_hits.py [-v] [--manifest=FILE] SORVIK_BENCH CORPUS
       check_hits.py --self-test

CORPUS is a tree made by make_mixed_corpus.py or make_lines_corpus.py; its
manifest (CORPUS.manifest.json unless --manifest names another) gives the
words and their forms. For every word as written (ignoring case and
case-sensitive, whole words off and on), every other form of it
(case-sensitive), a two-word ANY query, an ALL query and an EXACT query, it runs

    SORVIK_BENCH +rows +hits --dir=CORPUS --msk=*.* --qry=WORDS --cmd=S[C][W] [--mtc=ALL|EXACT]

and reads its records `hit<TAB>path<TAB>entry<TAB>line<TAB>text`.

The reference reads every file itself (Python's own codecs, no table or code of
the program's): for each word and each encoding it can stand in (Windows-1252
when that code page holds the whole word as typed, UTF-8, UTF-16 LE and BE) it
finds every occurrence at every byte offset, ignoring case by comparing simple
upper-case mappings; whole words need one of the 26 separator characters, or an
end of the file, as the unit before and after, read in the hit's encoding (and,
in UTF-16, its 2-byte alignment; a byte-order mark that begins the file, in
the hit's encoding, counts as an end of the file, as it does for the search's
own whole-word test). ANY and EXACT list a file with an accepted
occurrence of some word, ALL one with an occurrence of every word; the line of
each occurrence is one more than the line ends before it in its encoding (LF,
CR LF, lone CR; in UTF-16 the units 0x000A/0x000D at the hit's alignment).

Per query it compares:
  - the files with hit lines, and per file the set of line numbers, exactly;
  - the files listed (`row` records) with the files that have hit lines;
  - `hitlimit` and `hitunreadable` records: a file's lines cut short;
  - the entry field: empty (these corpora hold no archive or document);
  - a line printed more often than there are lines with that number (one per
    encoding or alignment that has a hit there): "printed twice", except in
    binary bytes, where a line is the run of printable text around a hit: a
    binary line may be printed once per run, each record showing one of the
    line's hits;
  - each printed text, against the line of that number decoded as the rule
    says (a Windows-1252 or UTF-8 hit: as its encoding; an ASCII word's hit in
    bytes: UTF-8 when the line is valid UTF-8, else Windows-1252; a UTF-16 hit:
    its units at its alignment), control characters as blanks. In a line
    without NUL: at most 120 characters; no control character; with the "…"
    marks taken off, a piece of the line that holds the line's first hit; a
    "…" on a side exactly where the piece leaves text out on that side; a line
    of at most 120 characters shown whole. A line holding a NUL (a binary line):
    at most 120 characters, no control character, and the first hit's text in it.
  - the reference itself, against the manifest (exit 2 when they disagree): the
    mixed corpus's plants (path, encoding, offset, whole, form) for every
    word, the lines corpus's planted hits with the line numbers it built.

UTF-16 readings one byte off: UTF-16 text whose characters lie below U+0100
reads, one byte further on, as the same text in the other byte order. Of two
such occurrences, the one in the byte order of the file's byte-order mark, or
the one at a place the manifest put a word in that byte order, is expected;
a line that only the other reading (its "ghost") explains is reported as
"ghost" (--allow-ghosts accepts such lines and their texts). Where nothing
tells, both are expected.

The program's own rules taken as given: a byte-order mark that begins a file
is no word character (a word right after it stands at the start for whole
words) and is left out of the first line's text.

Not checked: how much of a cut line is kept on each side of the hit (only that
the hit is inside, or for a hit wider than the pane its start, and that the
marks are right); which part of a binary line is
shown beyond holding the hit; the order of the records; the `row` records
(check_mixed.py checks the files); a leading U+FEFF (byte-order mark) on a
file's first line is ignored on both sides; in a line holding a character
outside the Basic Multilingual Plane the "shown whole when it fits" rule (a
pane may count such a character as two); archives and documents.

Prints one line a query, then the first 8 differences of each kind (-v: all).
Exit status: 0 when every query gives exactly the expected lines, 1 when some
don't, 2 when the check itself can't run (bad arguments, no manifest, a
reference that contradicts the manifest, a harness that fails, prints an error
or no final counters).
"""
import bisect
import codecs
import os
import re
import sys
import tempfile
import unicodedata

import corpus_check

WIDTH = 120
ELLIPSIS = "\u2026"
META = ("hitlimit", "hitunreadable", "row", "norow")  # records about a file, not lines of it
SEPARATORS = "\t\n\r !\"#$%'()*+,./:;<=>?@\\|"
SEP_CODES = frozenset(ord(c) for c in SEPARATORS)
ENCODINGS = ("cp1252", "utf8", "utf16le", "utf16be")
CODEC = {"cp1252": "cp1252", "utf8": "utf-8", "utf16le": "utf-16-le", "utf16be": "utf-16-be"}


def die(msg):
    print("check_hits.py: " + msg, file=sys.stderr)
    sys.exit(2)


# ---------------------------------------------------------------- words and case

def simple_upper(ch):
    """A character's simple upper-case mapping: str.upper() where it gives one
    character; where the full mapping is longer (ß -> SS) the character itself."""
    u = ch.upper()
    return u if len(u) == 1 else ch


class CaseClasses:
    """For a character, every character with the same simple upper-case mapping."""

    def __init__(self):
        self._by_upper = None

    def of(self, ch):
        if self._by_upper is None:
            table = {}
            for cp in range(0x110000):
                if 0xD800 <= cp < 0xE000:
                    continue
                t = chr(cp)
                table.setdefault(simple_upper(t), []).append(t)
            self._by_upper = table
        return self._by_upper.get(simple_upper(ch), [ch])


CASES = CaseClasses()


def split_words(text, mode):
    """The words of a query: the whole text in EXACT mode; otherwise runs between
    blanks and control characters, a double quote opening a word that the next
    lone double quote closes (a doubled one inside stands for one)."""
    if mode == "EXACT":
        return [text]
    words = []
    i, n = 0, len(text)
    while True:
        while i < n and 1 <= ord(text[i]) <= 32:
            i += 1
        if i >= n:
            return words
        if text[i] == '"':
            i += 1
            w = []
            while i < n:
                if text[i] == '"':
                    if i + 1 < n and text[i + 1] == '"':
                        w.append('"')
                        i += 2
                        continue
                    i += 1
                    break
                w.append(text[i])
                i += 1
            words.append("".join(w))
        else:
            j = i
            while j < n and ord(text[j]) > 32:
                j += 1
            words.append(text[i:j])
            i = j


def encodable(text, enc):
    try:
        text.encode(CODEC[enc])
        return True
    except UnicodeEncodeError:
        return False


def word_encodings(word):
    return [e for e in ENCODINGS if e != "cp1252" or encodable(word, "cp1252")]


def pattern(word, enc, ignore_case):
    """A bytes regex finding the word at every byte offset (overlapping ones too)."""
    if not ignore_case:
        body = re.escape(word.encode(CODEC[enc]))
    else:
        parts = []
        for c in word:
            alts = sorted({t.encode(CODEC[enc]) for t in CASES.of(c) if encodable(t, enc)}, key=lambda b: (-len(b), b))
            parts.append(b"(?:" + b"|".join(re.escape(a) for a in alts) + b")")
        body = b"".join(parts)
    return re.compile(b"(?=(" + body + b"))", re.S)


# ---------------------------------------------------------------- one file's units and lines

def unit_width(enc):
    return 2 if enc.startswith("utf16") else 1


class Units:
    """A file read as a run of code units: bytes, or 2-byte units from one alignment."""

    def __init__(self, data, enc, align):
        self.data = data
        self.enc = enc
        self.align = align
        self.width = unit_width(enc)
        if self.width == 1:
            self.count = len(data)
        else:
            self.count = (len(data) - align) // 2
        self._ends = None

    def unit(self, k):
        """The k-th unit, or None outside the file."""
        if k < 0 or k >= self.count:
            return None
        if self.width == 1:
            return self.data[k]
        i = self.align + 2 * k
        return int.from_bytes(self.data[i:i + 2], "little" if self.enc == "utf16le" else "big")

    def index(self, offset):
        return (offset - self.align) // self.width

    def offset(self, k):
        return self.align + k * self.width

    def line_ends(self):
        """(starts, stops) of the line ends, in units, sorted: LF, CR LF, lone CR."""
        if self._ends is not None:
            return self._ends
        if self.width == 1:
            cands = [(m.start(), self.data[m.start()]) for m in re.finditer(b"[\n\r]", self.data)]
        else:
            lo_first = self.enc == "utf16le"
            stop = self.align + 2 * self.count
            lows = self.data[self.align + (0 if lo_first else 1):stop:2]
            highs = self.data[self.align + (1 if lo_first else 0):stop:2]
            cands = [(m.start(), lows[m.start()]) for m in re.finditer(b"[\n\r]", lows) if highs[m.start()] == 0]
        starts, stops = [], []
        i = 0
        while i < len(cands):
            k, u = cands[i]
            if u == 0x0D and i + 1 < len(cands) and cands[i + 1] == (k + 1, 0x0A):
                starts.append(k)
                stops.append(k + 2)
                i += 2
            else:
                starts.append(k)
                stops.append(k + 1)
                i += 1
        self._ends = (starts, stops)
        return self._ends

    def line_of(self, k):
        """(number from 1, first unit, unit after the last) of the line holding unit k."""
        starts, stops = self.line_ends()
        i = bisect.bisect_right(starts, k)
        # a line end that starts before k but reaches past it (k inside CR LF) is not a case
        # a hit can be in: a hit never starts with a line end
        begin = stops[i - 1] if i else 0
        end = starts[i] if i < len(starts) else self.count
        return i + 1, begin, end

    def bytes_of(self, begin, end):
        return self.data[self.offset(begin):self.offset(end)]


def _c1(err):
    """The five bytes Windows-1252 leaves undefined read as the C1 controls of the same value."""
    return "".join(chr(x) for x in err.object[err.start:err.end]), err.end


codecs.register_error("check_hits_c1", _c1)


def cp1252_text(b):
    return b.decode("cp1252", errors="check_hits_c1")


def valid_utf8(b):
    try:
        b.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def decode(b, how):
    if how == "cp1252":
        return cp1252_text(b)
    if how == "utf8":
        return b.decode("utf-8", errors="replace")
    return b.decode(CODEC[how], errors="replace")


def shown(text):
    """Control characters (tab, CR, NUL, C1 ...) as blanks."""
    return "".join(" " if unicodedata.category(c) == "Cc" else c for c in text)


class Hit:
    __slots__ = ("word", "encs", "offset", "raw", "whole", "ghost")

    def __init__(self, word, encs, offset, raw, whole):
        self.word, self.encs, self.offset, self.raw, self.whole = word, encs, offset, raw, whole
        self.ghost = False

    def key(self):
        """Which unit run the hit's line is counted in."""
        if self.encs & {"cp1252", "utf8"}:
            return ("bytes", 0)
        enc = next(iter(self.encs))
        return (enc, self.offset % 2)


class FileScan:
    """Every occurrence of every word asked so far in one file, ignoring case.

    UTF-16 text whose characters lie below U+0100 reads, one byte further on, as
    the same text in the other byte order: "v\0o\0" is also "\0v\0o". Such a
    second reading of one occurrence is its ghost: of two occurrences of a word
    in opposite byte orders one byte apart, the one in the byte order of the
    file's byte-order mark, or else the one that starts where `planted` says a
    word was put in that byte order, is the occurrence, and the other the ghost.
    Where neither tells, both count."""

    def __init__(self, path, planted=()):
        with open(path, "rb") as f:
            self.data = f.read()
        self.units = {}
        self.hits = {}  # word -> [Hit] (ignoring case; whole flag computed)
        self.planted = {(enc, offset) for _, enc, offset in planted}  # where a word was put, in which encoding
        self.bom = "utf16le" if self.data[:2] == b"\xff\xfe" else "utf16be" if self.data[:2] == b"\xfe\xff" else None

    def bom_end(self, enc):
        """Where the text starts after a byte-order mark of the hit's encoding (-1: no mark)."""
        if unit_width(enc) == 1:
            return 3 if self.data[:3] == b"\xef\xbb\xbf" else -1
        return 2 if self.bom == enc else -1

    def run(self, key):
        if key not in self.units:
            enc, align = key
            self.units[key] = Units(self.data, "cp1252" if enc == "bytes" else enc, align)
        return self.units[key]

    def occurrences(self, word):
        """Every occurrence of the word, ghosts marked, by offset."""
        if word in self.hits:
            return self.hits[word]
        found = {}
        for enc in word_encodings(word):
            group = "bytes" if unit_width(enc) == 1 else enc
            rx = pattern(word, enc, True)
            for m in rx.finditer(self.data):
                s, e = m.start(1), m.end(1)
                raw = m.group(1)
                if (s, e, group) in found and found[s, e, group].raw == raw:
                    found[s, e, group].encs.add(enc)  # an ASCII word: the same bytes in cp1252 and UTF-8
                    continue
                h = Hit(word, {enc}, s, raw, self.is_whole(enc, s, e))
                found[(s, e, group) if (s, e, group) not in found else (s, e, enc)] = h
        hits = sorted(found.values(), key=lambda h: (h.offset, sorted(h.encs)))
        at = {(next(iter(h.encs)), h.offset): h for h in hits if h.key()[0] != "bytes"}
        for h in hits:
            enc = next(iter(h.encs))
            if h.key()[0] == "bytes":
                continue
            other = "utf16be" if enc == "utf16le" else "utf16le"
            partners = [at[other, h.offset + d] for d in (-1, 1) if (other, h.offset + d) in at]
            if not partners:
                continue
            if self.bom:
                h.ghost = enc != self.bom
            elif (enc, h.offset) not in self.planted and any((other, p.offset) in self.planted for p in partners):
                h.ghost = True
        self.hits[word] = hits
        return hits

    def is_whole(self, enc, s, e):
        w = unit_width(enc)
        u = self.run(("bytes", 0) if w == 1 else (enc, s % 2))
        before, after = u.unit(u.index(s) - 1), u.unit(u.index(e))
        if s == self.bom_end(enc):
            before = None  # the byte-order mark is no character of the text: a word after it starts it
        return (before is None or before in SEP_CODES) and (after is None or after in SEP_CODES)


def accepted(hits, word, cs, ww):
    out = []
    for h in hits:
        if ww and not h.whole:
            continue
        if cs and not any(h.raw == word.encode(CODEC[e]) for e in h.encs if encodable(word, e)):
            continue
        out.append(h)
    return out


class RefLine:
    """One expected line: its number, text as shown, first hit's span in it, binary or not."""

    def __init__(self, number, text, first, first_text, hit_texts, binary, at_file_start, how):
        self.number, self.text, self.first, self.first_text = number, text, first, first_text
        self.hit_texts, self.binary, self.at_file_start, self.how = hit_texts, binary, at_file_start, how


def expected_lines(scan, hits):
    """RefLines for the accepted hits of one file (one per line and unit run)."""
    by_line = {}
    for h in hits:
        key = h.key()
        u = scan.run(key)
        k = u.index(h.offset)
        number, begin, end = u.line_of(k)
        by_line.setdefault((key, begin), (number, begin, end, []))[3].append(h)
    out = []
    for (key, _), (number, begin, end, line_hits) in sorted(by_line.items(), key=lambda x: (x[1][0], x[0])):
        u = scan.run(key)
        raw = u.bytes_of(begin, end)
        line_hits.sort(key=lambda h: h.offset)
        first = line_hits[0]
        if key[0] == "bytes":
            if first.encs >= {"cp1252", "utf8"}:
                how = "utf8" if valid_utf8(raw) else "cp1252"
            else:
                how = "cp1252" if "cp1252" in first.encs else "utf8"
            binary = 0 in raw
        else:
            how = key[0]
            binary = any(raw[i] == 0 and raw[i + 1] == 0 for i in range(0, len(raw) - 1, 2))
        start = u.offset(begin)
        text = shown(decode(raw, how))
        prefix = shown(decode(scan.data[start:first.offset], how))
        first_text = decode(first.raw, how)
        hit_texts = [decode(h.raw, how) for h in line_hits]
        out.append(RefLine(number, text, (len(prefix), len(prefix) + len(first_text)), first_text, hit_texts,
                           binary, begin == 0, how))
    return out


def check_text(got, ref, any_hit=False):
    """None when the printed text fits the reference line, else why not. any_hit: a binary
    line printed once per run of text may show any of its hits in a record."""
    if len(got) > WIDTH:
        return f"{len(got)} characters, more than {WIDTH}"
    bad = [c for c in got if unicodedata.category(c) == "Cc"]
    if bad:
        return f"holds control character U+{ord(bad[0]):04X}"
    if ref.binary:
        for left in (False, True):
            for right in (False, True):
                core = got[1 if left else 0:len(got) - (1 if right else 0)]
                if (not left or got.startswith(ELLIPSIS)) and (not right or got.endswith(ELLIPSIS)) and \
                        ref.first_text in core:
                    return None
        if any(t in got for t in ref.hit_texts):
            return None if any_hit else f"binary line: shows a later hit but not the first ({ref.first_text!r})"
        return f"binary line: the hit {ref.first_text!r} is not in it"
    line = ref.text
    if ref.at_file_start and line.startswith("\ufeff"):
        line = line[1:]
        first = (ref.first[0] - 1, ref.first[1] - 1)
    else:
        first = ref.first
    if got.startswith("\ufeff"):
        got = got[1:]
    if len(line) <= WIDTH and all(ord(c) < 0x10000 for c in line):
        return None if got == line else f"a line of {len(line)} characters not shown whole"
    reasons = []
    for left in (False, True):
        if left and not got.startswith(ELLIPSIS):
            continue
        for right in (False, True):
            if right and (not got.endswith(ELLIPSIS) or len(got) < 1 + left):
                continue
            core = got[1 if left else 0:len(got) - (1 if right else 0)]
            p = line.find(core)
            if p < 0:
                reasons.append("not a piece of the line")
                continue
            wide = first[1] - first[0] > WIDTH - 2  # a hit wider than the pane: its start is shown
            while p >= 0:
                q = p + len(core)
                if not (p <= first[0] and (q > first[0] if wide else q >= first[1])):
                    reasons.append("the first hit is not inside")
                elif left != (p > 0):
                    reasons.append("a '…' at the start where nothing is left out" if left
                                   else "text left out at the start without a '…'")
                elif right != (q < len(line)):
                    reasons.append("a '…' at the end where nothing is left out" if right
                                   else "text left out at the end without a '…'")
                else:
                    return None
                p = line.find(core, p + 1)
    for r in ("text left out at the start without a '…'", "text left out at the end without a '…'",
              "a '…' at the start where nothing is left out", "a '…' at the end where nothing is left out",
              "the first hit is not inside", "not a piece of the line"):
        if r in reasons:
            why = r
            break
    else:
        why = "no reading fits"
    if why == "not a piece of the line":
        why += f" (decoded here as {ref.how})"
    return why


# ---------------------------------------------------------------- queries and the harness

def queries(manifest):
    """(label, query text, mode, case-sensitive, whole words)."""
    out = []
    words = manifest["words"]
    for word, info in words.items():
        forms = info["forms"]
        for cs in (False, True):
            for ww in (False, True):
                out.append((word, "ANY", cs, ww))
        for case, text in forms.items():
            if text != word:
                for ww in (False, True):
                    out.append((text, "ANY", True, ww))
    names = list(words)
    extra = manifest.get("hit_queries")
    if extra is None:
        # two words at once, all of two words, an exact text that takes a blank with it
        extra = [[f"{names[0]} {names[-1]}", "ANY", True, False],
                 [f"{names[0]} {names[1]}", "ALL", False, False],
                 [f"{names[1]} {names[2]}", "ALL", False, True],
                 [f"{names[1]} ", "EXACT", False, False],
                 [f"{names[1]} ", "EXACT", True, True]]
    for q in extra:
        out.append(tuple(q))
    return out


def run_bench(bench, corpus, text, mode, cs, ww):
    cmd = "S" + ("C" if cs else "") + ("W" if ww else "")
    args = [bench, "+rows", "+hits", f"--dir={corpus}", "--msk=*.*", f"--qry={text}", f"--cmd={cmd}"]
    if mode != "ANY":
        args.append(f"--mtc={mode}")
    shown_args = " ".join(repr(a) if " " in a else a for a in args)
    return parse_output(corpus_check.run_bench("check_hits.py", args, shown_args), corpus, shown_args)


def parse_output(stdout, corpus, what):
    """{path relative to corpus: [(entry, number, text)]}; a file listed without hit lines
    gets a ("row", 0, "") record."""
    out = {}
    rows = set()
    done = False
    for raw in stdout.split(b"\n"):
        if not raw:
            continue
        line = raw.decode("utf-8", errors="surrogateescape")
        fields = line.split("\t", 4)
        if fields[0] == "hit":
            if len(fields) != 5 or not fields[3].isdigit():
                die(f"unreadable hit record from {what}: {line!r}")
            rel = os.path.relpath(fields[1], corpus)
            out.setdefault(rel, []).append((fields[2], int(fields[3]), fields[4]))
        elif fields[0] in ("hitlimit", "hitunreadable"):
            # the file's lines were cut short: a record that stands for a missing line
            rel = os.path.relpath(fields[1], corpus) if len(fields) > 1 else "?"
            out.setdefault(rel, []).append((fields[0], 0, line))
        elif fields[0] == "row" and len(fields) >= 3:
            rows.add(os.path.relpath(os.path.join(fields[2], fields[1]), corpus))
        elif fields[0] == "error":
            die(f"{what} reported: {line}")
        elif fields[0] == "done":
            done = True
    if not done:
        die(f"{what} printed no final counters")
    for rel in rows:
        out.setdefault(rel, []).append(("row", 0, ""))
    for rel, recs in out.items():
        if rel not in rows:
            recs.append(("norow", 0, ""))
    return out


class Reference:
    def __init__(self, corpus, paths, planted=None):
        self.corpus = corpus
        self.paths = paths
        self.planted = planted or {}  # path -> {(word, enc, offset)}
        self.scans = {}

    def scan(self, path):
        if path not in self.scans:
            self.scans[path] = FileScan(os.path.join(self.corpus, path), self.planted.get(path, ()))
        return self.scans[path]

    def expect(self, text, mode, cs, ww):
        """{path: ([RefLine] of the occurrences, [RefLine] of ghosts only)} for one query."""
        words = [w for w in split_words(text, mode) if w]
        out = {}
        if not words:
            return out
        for path in self.paths:
            scan = self.scan(path)
            per_word = [accepted(scan.occurrences(w), w, cs, ww) for w in words]
            if mode == "ALL" and not all(per_word):
                continue
            hits = [h for hs in per_word for h in hs]
            if hits:
                out[path] = (expected_lines(scan, [h for h in hits if not h.ghost]),
                             expected_lines(scan, [h for h in hits if h.ghost]))
        return out


def describe(r):
    return f"[{r.how}{' binary' if r.binary else ''}]"


def compare(expected, got, allow_ghosts=False):
    """Differences: {kind: [text]}."""
    diffs = {"missing": [], "extra": [], "ghost": [], "text": [], "entry": [], "twice": [], "cut": [], "rows": []}
    for path in sorted(set(expected) | set(got)):
        refs, ghosts = expected.get(path, ([], []))
        recs = got.get(path, [])
        by_number, ghost_numbers = {}, {}
        for r in refs:
            by_number.setdefault(r.number, []).append(r)
        for r in ghosts:
            ghost_numbers.setdefault(r.number, []).append(r)
        printed = {}
        for entry, number, text in recs:
            if entry in ("hitlimit", "hitunreadable"):
                diffs["cut"].append(f"{path}: {text!r}")
                continue
            if entry == "row":
                continue
            if entry == "norow":
                diffs["rows"].append(f"{path}: hit lines printed, but the file is not listed")
                continue
            printed.setdefault(number, []).append(text)
            if entry:
                diffs["entry"].append(f"{path}:{number}  entry {entry!r}, expected none")
        if recs and all(e == "row" for e, _, _ in recs):
            diffs["rows"].append(f"{path}: listed, but no hit line printed")
        for number in sorted(set(by_number) - set(printed)):
            r = by_number[number][0]
            diffs["missing"].append(f"{path}:{number}  {describe(r)} hit {r.first_text!r} in {clip(r.text, r.first)!r}")
        for number in sorted(set(printed) - set(by_number) - set(ghost_numbers)):
            diffs["extra"].append(f"{path}:{number}  got {printed[number][0]!r}")
        if not allow_ghosts:
            for number in sorted((set(printed) & set(ghost_numbers)) - set(by_number)):
                r = ghost_numbers[number][0]
                diffs["ghost"].append(f"{path}:{number}  got {printed[number][0]!r}: only the {describe(r)} "
                                      f"reading one byte off a UTF-16 occurrence in the other byte order has a hit "
                                      f"on this line")
        for number in sorted(set(printed)):
            cands = by_number.get(number, []) + (ghost_numbers.get(number, []) if allow_ghosts else [])
            if not cands:
                continue
            texts = printed[number]
            # In binary bytes a hit's line is the run of printable text around it:
            # a binary line is printed once per run that holds a hit, each run's
            # text checked to hold one.
            runs = len(texts) > len(cands) and all(r.binary for r in cands)
            if len(texts) > len(cands) and not runs:
                diffs["twice"].append(f"{path}:{number}  printed {len(texts)} times: {texts[:3]!r}")
            for t in texts:
                whys = [check_text(t, r, runs) for r in cands]
                if all(whys):
                    r = cands[0]
                    diffs["text"].append(f"{path}:{number}  {describe(r)} {whys[0]}\n           got      {t!r}\n"
                                         f"           expected {clip(r.text, r.first)!r}")
    return diffs


def clip(text, span, room=70):
    """The reference line around a span, for messages."""
    a, b = max(0, span[0] - room), min(len(text), span[1] + room)
    return ("…" if a else "") + text[a:b] + ("…" if b < len(text) else "")


# ---------------------------------------------------------------- the reference against the manifest

def check_reference(manifest, ref):
    """Dies when the reference's own scan disagrees with what the manifest planted."""
    plants = manifest.get("plants", {})
    for word, recs in plants.items():
        want = set()
        for p in recs:
            key = "bytes" if p["enc"] in ("cp1252", "utf8") else p["enc"]
            want.add((p["path"], key, p["offset"], p["whole"], p["text"]))
        have = set()
        for path in ref.paths:
            scan = ref.scan(path)
            for h in scan.occurrences(word):
                if h.ghost:
                    continue
                key = h.key()[0]
                enc = next(e for e in sorted(h.encs))
                have.add((path, key, h.offset, h.whole, decode(h.raw, enc)))
        if want != have:
            diff = sorted(want ^ have)[:5]
            die(f"the reference finds {word} otherwise than the manifest planted it: "
                f"{len(want - have)} planted not found, {len(have - want)} found not planted, e.g. {diff}")
    lines = manifest.get("lines")
    if lines is None:
        return
    for rec in lines:
        scan = ref.scan(rec["path"])
        hits = [h for h in scan.occurrences(rec["word"]) if h.offset == rec["offset"] and not h.ghost]
        if not hits:
            die(f"the reference doesn't find {rec['word']} at {rec['path']}:{rec['offset']}, which was put there")
        u = scan.run(hits[0].key())
        number = u.line_of(u.index(rec["offset"]))[0]
        if number != rec["line"]:
            die(f"the reference counts {rec['path']}:{rec['offset']} ({rec['word']}, {rec['enc']}) on line "
                f"{number}; it was put on line {rec['line']}")
    for word in manifest["words"]:
        want = {(r["path"], r["offset"]) for r in lines if r["word"] == word}
        have = {(path, h.offset) for path in ref.paths for h in ref.scan(path).occurrences(word) if not h.ghost}
        if want != have:
            die(f"the reference finds {word} otherwise than the manifest put it: {sorted(want ^ have)[:5]}")


def main():
    argv = sys.argv[1:]
    if argv == ["--self-test"]:
        return self_test()
    given, bench, corpus, manifest, manifest_path = corpus_check.read_command_line(
        argv, "check_hits.py", __doc__, ("-v", "--allow-ghosts"), ("words", "files"), "corpus")
    verbose = "-v" in given
    allow_ghosts = "--allow-ghosts" in given
    paths = sorted(manifest["files"])
    for p in paths:
        if not os.path.isfile(os.path.join(corpus, p)):
            die(f"{p} is in the manifest but not in {corpus}")
    planted = {}
    for word, recs in manifest.get("plants", {}).items():
        for p in recs:
            planted.setdefault(p["path"], set()).add((word, p["enc"], p["offset"]))
    for rec in manifest.get("lines", []):
        planted.setdefault(rec["path"], set()).add((rec["word"], rec["enc"], rec["offset"]))
    ref = Reference(corpus, paths, planted)
    check_reference(manifest, ref)

    limit = None if verbose else 8
    failures = 0
    qs = queries(manifest)
    any_hit_record = False
    for n, (text, mode, cs, ww) in enumerate(qs):
        want = ref.expect(text, mode, cs, ww)
        got = run_bench(bench, corpus, text, mode, cs, ww)
        any_hit_record = any_hit_record or any(x[0] not in META for v in got.values() for x in v)
        diffs = compare(want, got, allow_ghosts)
        nwant = sum(len({r.number for r in v[0]}) for v in want.values())
        ngot = sum(len({x[1] for x in v if x[0] not in META}) for v in got.values())
        nfiles = sum(1 for v in got.values() if any(x[0] not in META for x in v))
        bad = sum(len(v) for v in diffs.values())
        label = ("CS" if cs else "CI") + ("W" if ww else "")
        status = "ok  " if not bad else "FAIL"
        print(f"{status} {text!r:22} {mode:5} {label:3}  files {nfiles:3}/{len(want):3}  "
              f"lines {ngot:5}/{nwant:5}  missing {len(diffs['missing']):4}  extra {len(diffs['extra']):4}  "
              f"ghost {len(diffs['ghost']):4}  text {len(diffs['text']):4}  twice {len(diffs['twice'])}  "
              f"entry {len(diffs['entry'])}  cut {len(diffs['cut'])}  rows {len(diffs['rows'])}")
        if bad:
            failures += 1
            for kind, items in diffs.items():
                for item in items[:limit]:
                    print(f"       {kind}: {item}")
                if limit is not None and len(items) > limit:
                    print(f"       ... {len(items) - limit} more {kind}")
        if n == 0 and want and not any_hit_record:
            die(f"{bench} printed no hit record for a query that has {len(want)} files with hits: "
                "does it know +hits?")
    print(f"{len(qs) - failures} of {len(qs)} queries give exactly the expected hit lines")
    sys.exit(1 if failures else 0)


# ---------------------------------------------------------------- self-test on handmade files

def self_test():
    """Checks the reference on small files whose lines are counted by hand."""
    problems = []

    def expect(cond, what):
        if not cond:
            problems.append(what)

    with tempfile.TemporaryDirectory() as d:
        def write(name, data):
            with open(os.path.join(d, name), "wb") as f:
                f.write(data)
            return name

        files = {
            # lines: 1 "a volcano" LF, 2 "b" CR LF, 3 "VOLCANO c" CR, 4 "d" LF, 5 "xvolcano" (no end)
            write("bytes.txt", b"a volcano\nb\r\nVOLCANO c\rd\nxvolcano"): {
                ("volcano", False, False): [1, 3, 5], ("volcano", False, True): [1, 3],
                ("volcano", True, False): [1, 5]},
            write("le.txt", b"\xff\xfe" + "q\r\nvolcano\r\rvolcano\n".encode("utf-16-le")): {
                ("volcano", False, False): [2, 4]},
            write("be.txt", "\n\n\rVolcano".encode("utf-16-be")): {("volcano", False, False): [4]},
            write("bom.txt", b"\xef\xbb\xbfvolcano\r\r\nvolcano."): {("volcano", False, True): [1, 3]},
            # a UTF-16 LE string at an odd offset: its line ends are the units at that alignment
            write("odd.bin", b"\x00\x0a" + b"\x0d" + "x\nvolcano\x00".encode("utf-16-le")): {
                ("volcano", False, False): [2]},
            write("cafe.txt", "x\r\ncafé Café\nCAFÉ".encode("cp1252") + b"\n" + "café".encode("utf-8")): {
                ("café", False, False): [2, 3, 4], ("café", True, False): [2, 4]},
            # ſ upper-cases to S, ı to I: ignoring case they count; K (Kelvin) has no upper-case K
            write("fold.txt", "x\nſoup\nıt \u212aey\nkey".encode("utf-8")): {
                ("soup", False, False): [2], ("it", False, True): [3], ("key", False, False): [4]},
        }
        # odd.bin's string is read as UTF-16 BE one byte earlier too: the plant says which is the ghost
        ref = Reference(d, sorted(files), {"odd.bin": {("volcano", "utf16le", 7)}})
        for name, cases in files.items():
            for (word, cs, ww), lines in cases.items():
                got = ref.expect(word, "ANY", cs, ww).get(name, ([], []))[0]
                expect(sorted(r.number for r in got) == lines, f"{name} {word} cs={cs} ww={ww}: "
                       f"lines {sorted(r.number for r in got)}, counted by hand {lines}")
        le = ref.expect("volcano", "ANY", False, False)["le.txt"][0]
        expect([r.text for r in le] == ["volcano", "volcano"], f"le.txt texts {[r.text for r in le]}")
        cafe = {r.number: r for r in ref.expect("café", "ANY", False, False)["cafe.txt"][0]}
        expect(cafe[2].text == "café Café" and cafe[2].how == "cp1252", f"cafe line 2 {cafe[2].text!r}")
        expect(cafe[4].how == "utf8" and cafe[4].text == "café", f"cafe line 4 {cafe[4].text!r} {cafe[4].how}")
        odd = ref.expect("volcano", "ANY", False, False)["odd.bin"]
        expect([r.number for r in odd[1]] == [3], f"odd.bin ghost lines {[r.number for r in odd[1]]}")
        expect([r.number for r in ref.expect("volcano", "ANY", False, False)["le.txt"][1]] == [2, 4],
               "le.txt's byte-order mark doesn't make the UTF-16 BE readings ghosts")
        expect(ref.expect("volcano", "ALL", False, False).keys() == ref.expect("volcano", "ANY", False, False).keys(),
               "ALL of one word differs from ANY")
        expect(set(ref.expect("volcano café", "ALL", False, False)) == set(), "ALL volcano café found a file")
        sample = ' a  "b c"d ""e" f'
        expect(split_words(sample, "ANY") == ["a", "b c", "d", "", 'e"', "f"], f"split {split_words(sample, 'ANY')}")
        expect(split_words('"x ""y"" z', "ANY") == ['x "y" z'], "split quotes")

    # texts: a long line cut around its hit, marks where text is left out
    long_line = "w" * 300 + " volcano " + "z" * 300
    r = RefLine(1, long_line, (301, 308), "volcano", ["volcano"], False, False, "utf8")
    good = ELLIPSIS + long_line[250:360] + ELLIPSIS
    expect(check_text(good, r) is None, f"good cut refused: {check_text(good, r)}")
    expect(check_text(long_line[250:360] + ELLIPSIS, r) is not None, "cut without left mark accepted")
    expect(check_text(ELLIPSIS + long_line[250:360], r) is not None, "cut without right mark accepted")
    expect(check_text(ELLIPSIS + long_line[100:220] + ELLIPSIS, r) is not None, "cut without the hit accepted")
    expect(check_text(ELLIPSIS + long_line[250:380] + ELLIPSIS, r) is not None, "132 characters accepted")
    wide_line = "w " * 100 + "volcano " * 17 + "end " * 100
    wide = RefLine(1, wide_line, (200, 200 + 8 * 17 - 1), "", [], False, False, "utf8")
    expect(check_text(ELLIPSIS + wide_line[160:278] + ELLIPSIS, wide) is None, "a hit wider than the pane refused")
    expect(check_text(ELLIPSIS + wide_line[201:319] + ELLIPSIS, wide) is not None, "a wide hit without its start accepted")
    short = RefLine(3, "a\u2026 volcano \u2026", (3, 10), "volcano", ["volcano"], False, False, "utf8")
    expect(check_text("a\u2026 volcano \u2026", short) is None, "a line with its own '…' refused")
    expect(check_text("\u2026 volcano \u2026", short) is not None, "a short line cut accepted")
    expect(check_text("a\u2026 volcano\t\u2026", short) is not None, "a tab accepted")
    binr = RefLine(1, "\x00\x00ab volcano\x00zz", (5, 12), "volcano", ["volcano"], True, False, "utf8")
    expect(check_text("ab volcano", binr) is None, "binary run refused")
    expect(check_text("ab volcan", binr) is not None, "binary run without the hit accepted")
    expect(check_text("ab\x00volcano", binr) is not None, "binary run with NUL accepted")

    # printed records against expected lines
    rl = RefLine(2, "x volcano", (2, 9), "volcano", ["volcano"], False, False, "utf8")
    d1 = compare({"f": ([rl], [])}, {"f": [("", 2, "x volcano"), ("", 2, "x volcano"), ("", 5, "volcano")]})
    expect(len(d1["twice"]) == 1 and len(d1["extra"]) == 1 and not d1["missing"] and not d1["text"], f"compare {d1}")
    d2 = compare({"f": ([rl], [])}, {})
    expect(len(d2["missing"]) == 1, f"compare missing {d2}")

    for p in problems:
        print("self-test: " + p)
    print("self-test: " + ("ok" if not problems else f"{len(problems)} problems"))
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
