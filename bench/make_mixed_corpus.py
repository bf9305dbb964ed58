#!/usr/bin/env python3
"""Deterministic tree of text in mixed encodings and scripts, with planted words.

usage: make_mixed_corpus.py TARGET SEED [NFILES]

  NFILES   number of files (default 4000: about 200 MB; 60 makes a tree of a
           few MB for tests). At least 16.

Creates TARGET (must not exist or be empty) and writes TARGET.manifest.json
next to it. Only the python3 standard library is used; everything comes from
random.Random(SEED), so the same arguments give the same bytes.

Files come in eight kinds: cp1252 (Windows-1252), utf8, utf8bom,
utf16le_bom, utf16be_bom, utf16le, utf16be (no byte-order mark) and binary
(random and structured bytes with NUL-terminated UTF-16 LE and UTF-8 strings
in between, at any byte offset). Text is ASCII, Latin with accents, Greek,
Cyrillic and CJK (cp1252 files hold only what that code page holds); some
files end their lines with CR LF.

Planted words (each occurrence in one encoding, as one of the word's forms):
  zqxjvbk    rare   forms lower / upper ZQXJVBK / mixed ZqxJvBK
  volcano    common in about 30% of files, 1-4 times
  café       rare   CAFÉ, CaFé
  Grüße      rare   only as written
  Ελληνικά   rare   ΕΛΛΗΝΙΚΆ, ελληνΙΚά     (never in cp1252 files)
  русский    rare   РУССКИЙ, РусСКий       (never in cp1252 files)
Every rare word lands in every kind of file it fits (binary files: as a UTF-16
LE and as a UTF-8 string) in each of its forms, once between separators
(a whole word) and once glued to a letter, digit or other non-separator on at
least one side. Some files hold a word twice, in two different ways.
Separators are the 26 ASCII characters tab LF CR space ! " # $ % ' ( ) * + ,
. / : ; < = > ? @ \\ | ; ignoring case means comparing simple upper-case
mappings, so e.g. GRÜSSE is not an upper-case form of Grüße. Near misses
(cafe, GRÜSSE, ελληνικα, русскии, ...) appear in the filler and must not be
found. A word is never planted at the very start or end of a file.

Before a file is written, every place where its pieces meet and every planted
word is scanned for each word in Windows-1252, UTF-8, UTF-16 LE and UTF-16 BE
at every byte offset, ignoring case; the filler pools were scanned whole
beforehand. A match that is not a planted word makes the file be made again;
a planted word whose scan disagrees with its record is an error. So the
manifest is the complete truth for those four encodings.

Manifest (JSON):
  words:  {word: {"forms": {"lower"|"upper"|"mixed": text}, "ansi": bool}}
  files:  {path: {"kind", "bytes", "eol"}}                 (paths relative to TARGET)
  plants: {word: [{"path", "kind", "enc", "case", "text", "whole", "left",
                   "right", "offset"}]}
          enc: cp1252 | utf8 | utf16le | utf16be (the bytes of this occurrence);
          case: lower (the word as written) | upper | mixed; whole: between
          separators; left/right: the characters around it; offset: its byte
          offset in the file.
  expected_files: {word: {"QUERY/MODE": count}}, MODE = CS or CI, with W for whole words.
A search for form Q of word W lists the files of plants[W] whose plant has
  (ignoring case or text == Q) and (whole words off or whole).
"""
import bisect
import itertools
import json
import math
import os
import random
import re
import sys
import time

SEPARATORS = "\t\n\r !\"#$%'()*+,./:;<=>?@\\|"
assert len(SEPARATORS) == 26

WORDS = {
    "zqxjvbk": {"lower": "zqxjvbk", "upper": "ZQXJVBK", "mixed": "ZqxJvBK"},
    "volcano": {"lower": "volcano", "upper": "VOLCANO", "mixed": "Volcano"},
    "café": {"lower": "café", "upper": "CAFÉ", "mixed": "CaFé"},
    "Grüße": {"lower": "Grüße"},
    "Ελληνικά": {"lower": "Ελληνικά", "upper": "ΕΛΛΗΝΙΚΆ", "mixed": "ελληνΙΚά"},
    "русский": {"lower": "русский", "upper": "РУССКИЙ", "mixed": "РусСКий"},
}
COMMON = "volcano"
RARE = [w for w in WORDS if w != COMMON]

# Filler words that come close to a planted word but are not it.
DECOYS_LATIN = ["cafe", "Cafe", "CAFE", "caffé", "cafè", "Grüsse", "GRÜSSE", "Gruße", "grüsen",
                "zqxjvb", "qxjvbk", "volcan", "vulcano", "volcanic"]
DECOYS_GREEK = ["ελληνικα", "ΕΛΛΗΝΙΚΑ", "Ελληνικό", "ελληνική", "Ελληνας"]
DECOYS_CYRILLIC = ["русскии", "русская", "Русь", "РУССКИХ", "руский"]

CODECS = {"cp1252": "cp1252", "utf8": "utf-8", "utf16le": "utf-16-le", "utf16be": "utf-16-be"}

# kind: (share of files, encoding, byte-order mark)
KINDS = {
    "cp1252": (0.14, "cp1252", b""),
    "utf8": (0.26, "utf8", b""),
    "utf8bom": (0.10, "utf8", b"\xef\xbb\xbf"),
    "utf16le_bom": (0.12, "utf16le", b"\xff\xfe"),
    "utf16be_bom": (0.08, "utf16be", b"\xfe\xff"),
    "utf16le": (0.08, "utf16le", b""),
    "utf16be": (0.07, "utf16be", b""),
    "binary": (0.15, None, b""),
}
BINARY_STRING_ENCS = ["utf16le", "utf8"]

# (share, smallest, largest) bytes; log-uniform within a band. Mean about 52 KB.
SIZES = [(0.05, 200, 1024), (0.70, 1024, 30 << 10), (0.22, 30 << 10, 200 << 10),
         (0.025, 200 << 10, 1 << 20), (0.005, 1 << 20, 6 << 20)]

TEXT_EXT = [".txt", ".md", ".csv", ".log", ".xml", ".html", ".ini", ".json", ".c", ".cpp", ".h",
            ".py", ".rst", ".srt"]
BIN_EXT = [".bin", ".dat", ".exe", ".dll", ".db", ".o", ".res"]
BIN_MAGIC = [b"\x7fELF\x02\x01\x01\x00" + b"\x00" * 8, b"MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00",
             b"\x00\x00\x01\x00\x01\x00\x20\x20", b"SQLite format 3\x00", b"\xca\xfe\xba\xbe\x00\x00\x00\x34"]


def fail(msg):
    sys.exit("make_mixed_corpus.py: " + msg)


# ---------------------------------------------------------------- case and patterns

def simple_upper(ch):
    """Simple upper-case mapping of one character. str.upper() gives the full
    mapping; where that is longer than one character (ß -> SS) the simple
    mapping of every letter that matters here is the letter itself."""
    u = ch.upper()
    return u if len(u) == 1 else ch


def upper_text(s):
    return "".join(simple_upper(c) for c in s)


def case_classes(chars):
    """For each character, every character with the same simple upper-case."""
    want = {simple_upper(c): c for c in chars}
    out = {c: [] for c in chars}
    for cp in range(0x110000):
        if 0xD800 <= cp < 0xE000:
            continue
        t = chr(cp)
        u = simple_upper(t)
        if u in want:
            for c in chars:
                if simple_upper(c) == u:
                    out[c].append(t)
    return out


def encodable(text, enc):
    try:
        text.encode(CODECS[enc])
        return True
    except UnicodeEncodeError:
        return False


class Matcher:
    """Finds each word, ignoring case, in each encoding at every byte offset."""

    def __init__(self):
        chars = sorted({c for forms in WORDS.values() for f in forms.values() for c in f})
        classes = case_classes(chars)
        self.pats = []  # (word, enc, compiled)
        self.longest = 0
        pattern_bytes = set()
        for word, forms in WORDS.items():
            for enc in CODECS:
                if not all(encodable(f, enc) for f in forms.values()):
                    continue  # no Windows-1252 form: not searched in that encoding
                parts = []
                longest = 0
                for c in word:
                    alts = sorted({t.encode(CODECS[enc]) for t in classes[c] if encodable(t, enc)})
                    assert c.encode(CODECS[enc]) in alts
                    pattern_bytes.update(b for a in alts for b in a)
                    parts.append(b"(?:" + b"|".join(re.escape(a) for a in alts) + b")")
                    longest += max(len(a) for a in alts)
                pat = b"".join(parts)
                self.pats.append((word, enc, re.compile(b"(?=(" + pat + b"))", re.S)))
                self.longest = max(self.longest, longest)
        # cp1252 and UTF-8 give the same bytes for ASCII words: scan once
        seen = {}
        unique = []
        for word, enc, rx in self.pats:
            key = (word, rx.pattern)
            if key not in seen:
                seen[key] = enc
                unique.append((word, enc, rx))
        self.pats = unique
        self.combined = re.compile(b"|".join(rx.pattern[4:-2] for _, _, rx in unique), re.S)
        # A pool with CR LF line ends holds a word only if the same pool with
        # LF ends does, as long as no pattern can take a CR or LF byte.
        self.no_line_ends = not pattern_bytes & {0x0A, 0x0D}

    def any_in(self, data):
        """Whether data holds any word at all (one pass for every pattern)."""
        return self.combined.search(data) is not None

    def scan(self, data, start=0, end=None):
        """Matches (word, enc, s, e) in data[start:end]."""
        end = len(data) if end is None else end
        for word, enc, rx in self.pats:
            for m in rx.finditer(data, start, end):
                yield word, enc, m.start(1), m.end(1)


def unit_at(data, i, enc):
    """The code unit of enc at byte i, or None past either end."""
    if enc in ("cp1252", "utf8"):
        return data[i] if 0 <= i < len(data) else None
    if i < 0 or i + 2 > len(data):
        return None
    return int.from_bytes(data[i:i + 2], "little" if enc == "utf16le" else "big")


SEP_UNITS = {ord(c) for c in SEPARATORS}


def is_whole(data, enc, s, e):
    w = 1 if enc in ("cp1252", "utf8") else 2
    before, after = unit_at(data, s - w, enc), unit_at(data, e, enc)
    return (before is None or before in SEP_UNITS) and (after is None or after in SEP_UNITS)


# ---------------------------------------------------------------- filler text

LATIN_ACCENTS = {"e": "éèêë", "a": "àâä", "u": "üùû", "o": "öôó", "i": "îïí", "c": "ç", "n": "ñ", "s": "ß"}
GREEK_C = "βγδζθκλμνξπρστφχψ"
GREEK_V = "αεηιουωάέήίόύώ"
CYR_C = "бвгджзклмнпрстфхцчшщ"
CYR_V = "аеиоуыэюяё"
CJK_PUNCT = ["，", "。", "、", "：", "；", "「", "」", "（", "）"]
LATIN_PUNCT = ["“", "”", "‘", "’", "–", "—", "…", "€", "«", "»", "°", "©"]
EMOJI = ["😀", "🚀", "🌍", "📁", "✓", "𠀋", "𝄞"]


def _ok(word, needles_up):
    up = upper_text(word)
    return not any(n in up for n in needles_up)


def make_vocab(rng, n, syllable, needles_up):
    words = set()
    while len(words) < n:
        w = "".join(syllable() for _ in range(rng.choice((1, 2, 2, 3, 3, 4))))
        if 2 <= len(w) <= 14 and _ok(w, needles_up):
            words.add(w)
    words = sorted(words)
    rng.shuffle(words)
    return words


def make_vocabs(rng):
    needles_up = [upper_text(w) for w in WORDS]
    onsets = ["", "t", "n", "s", "r", "h", "l", "d", "c", "m", "f", "p", "g", "w", "b", "y", "v",
              "k", "th", "st", "ch", "sh", "pr", "tr", "br", "cl", "gr", "pl", "str", "j", "qu", "z"]
    nuclei = ["e", "a", "o", "i", "u", "ea", "ou", "ai", "ee", "io", "oo", "y"]
    codas = ["", "n", "r", "s", "t", "l", "d", "nd", "st", "ng", "m", "ck", "nt", "x", "ss", "th"]

    def ascii_syl():
        return rng.choice(onsets) + rng.choice(nuclei) + rng.choice(codas)

    def latin_syl():
        s = ascii_syl()
        if rng.random() < 0.35:
            i = rng.randrange(len(s))
            if s[i] in LATIN_ACCENTS:
                s = s[:i] + rng.choice(LATIN_ACCENTS[s[i]]) + s[i + 1:]
        return s

    def greek_syl():
        return rng.choice(["", *GREEK_C]) + rng.choice(GREEK_V) + rng.choice(["", "", "ς", "ν", "ρ", "σ"])

    def cyr_syl():
        return rng.choice(["", *CYR_C]) + rng.choice(CYR_V) + rng.choice(["", "", "й", "н", "т", "сь", "в"])

    cjk = sorted({chr(rng.randrange(0x4E00, 0x9FA6)) for _ in range(3000)})
    rng.shuffle(cjk)

    def cjk_word():
        return "".join(rng.choice(cjk) for _ in range(rng.choice((1, 2, 2, 2, 3, 4))))

    v = {
        "ascii": make_vocab(rng, 3000, ascii_syl, needles_up),
        "latin": make_vocab(rng, 2500, latin_syl, needles_up),
        "greek": make_vocab(rng, 2000, greek_syl, needles_up),
        "cyrillic": make_vocab(rng, 2000, cyr_syl, needles_up),
        "cjk": [w for w in sorted({cjk_word() for _ in range(2500)}) if _ok(w, needles_up)],
    }
    # word-final sigma where a Greek word ends in σ
    v["greek"] = [w[:-1] + "ς" if w.endswith("σ") else w for w in v["greek"]]
    for d in DECOYS_LATIN + DECOYS_GREEK + DECOYS_CYRILLIC:
        assert _ok(d, needles_up), d
    return v


def zipf_cum(n):
    """Cumulative Zipf-like weights over n words, most common first."""
    return list(itertools.accumulate(1.0 / (r + 8) for r in range(n)))


def make_line(rng, vocab, script, weights):
    """One line of filler (without its line end)."""
    target = rng.randint(20, 110)
    if script == "cjk":
        out = []
        size = 0
        while size < target // 2:
            w = rng.choices(vocab["cjk"], cum_weights=weights["cjk"])[0]
            out.append(w)
            if rng.random() < 0.2:
                out.append(rng.choice(CJK_PUNCT))
            if rng.random() < 0.03:
                out.append(rng.choice(vocab["ascii"][:200]))
            size += len(w)
        return "".join(out)
    words = []
    size = 0
    decoys = {"latin": DECOYS_LATIN, "ascii": DECOYS_LATIN[:3] + DECOYS_LATIN[9:],
              "greek": DECOYS_GREEK, "cyrillic": DECOYS_CYRILLIC}[script]
    while size < target:
        r = rng.random()
        if r < 0.004:
            w = rng.choice(decoys)
        else:
            w = rng.choices(vocab[script], cum_weights=weights[script])[0]
            if r < 0.06:
                w = w[0].upper() + w[1:] if script != "ascii" else w.capitalize()
            elif r < 0.08:
                w = w + rng.choice(",.;:")
            elif r < 0.09:
                w = "(" + w + ")"
            elif r < 0.095:
                w = w + "_" + rng.choice(vocab[script])
        if script == "latin" and rng.random() < 0.01:
            w = rng.choice(LATIN_PUNCT) + w
        words.append(w)
        size += len(w) + 1
    if script != "latin" and script != "ascii" and rng.random() < 0.05:
        words.append(rng.choice(EMOJI))
    return " ".join(words)


def make_lines(rng, vocab, scripts, nchars):
    weights = {k: zipf_cum(len(v)) for k, v in vocab.items()}
    names = [s for s, _ in scripts]
    shares = [p for _, p in scripts]
    lines = []
    size = 0
    while size < nchars:
        line = make_line(rng, vocab, rng.choices(names, shares)[0], weights)
        if rng.random() < 0.05:
            line = ""
        lines.append(line)
        size += len(line) + 1
    return lines


class Pool:
    """Filler lines in one encoding and line end, cut only between lines."""

    def __init__(self, lines, enc, eol):
        codec = CODECS[enc]
        parts = [(line + eol).encode(codec) for line in lines]
        self.data = b"".join(parts)
        self.starts = [0]
        for p in parts:
            self.starts.append(self.starts[-1] + len(p))

    def take(self, rng, n):
        """Pieces of whole lines, together at least n bytes (one line at least)."""
        out = []
        have = 0
        while True:
            i = rng.randrange(len(self.starts) - 1)
            j = bisect.bisect_left(self.starts, self.starts[i] + (n - have))
            j = max(i + 1, min(j, len(self.starts) - 1))
            out.append(self.data[self.starts[i]:self.starts[j]])
            have += self.starts[j] - self.starts[i]
            if have >= n:
                return out


def make_junk(rng, n):
    parts = []
    size = 0
    while size < n:
        k = rng.random()
        m = rng.randint(16, 2048)
        if k < 0.35:
            parts.append(b"\0" * m)
        elif k < 0.75:
            parts.append(rng.randbytes(m))
        else:  # small integers, as in tables of structures
            parts.append(bytes(rng.choice((0, 0, 0, 1, 2, 4, 255, rng.randrange(256))) for _ in range(m // 4)))
        size += len(parts[-1])
    return bytearray(b"".join(parts))


# ---------------------------------------------------------------- plan

GLUE_ASCII = ["x", "q", "Z", "7", "0", "_", "-", "[", "]", "&", "~", "^", "`", "{", "}"]
GLUE_BY_WORD = {
    "zqxjvbk": ["a", "k", "zq"],
    "volcano": ["s", "es", "ic"],
    "café": ["é", "s", "au", "ü"],
    "Grüße": ["n", "ü", "é"],
    "Ελληνικά": ["α", "ς", "Ω", "ή"],
    "русский": ["я", "й", "Ж", "ъ"],
}
GLUE_OTHER = ["«", "»", "·", "\u00a0", "…", "。", "\u200b", "–"]


def pick_context(rng, word, whole, enc):
    """Characters to the left and right of a planted word."""
    def sep():
        return rng.choice(SEPARATORS) if rng.random() < 0.5 else " "

    def glue():
        pool = GLUE_ASCII + GLUE_BY_WORD[word] + GLUE_OTHER
        while True:
            g = rng.choice(pool)
            if encodable(g, enc):
                return g

    if whole:
        return sep(), sep()
    side = rng.random()
    left = glue() if side < 0.75 else sep()
    right = glue() if side >= 0.25 else sep()
    return left, right


def plan(rng, nfiles):
    kinds = []
    for k, (share, _, _) in KINDS.items():
        kinds += [k] * max(1, round(share * nfiles))
    while len(kinds) > nfiles:  # trim the largest kinds
        big = max(KINDS, key=lambda k: kinds.count(k))
        kinds.remove(big)
    while len(kinds) < nfiles:
        kinds.append("utf8")
    rng.shuffle(kinds)
    by_kind = {k: [i for i, kk in enumerate(kinds) if kk == k] for k in KINDS}
    plants = [[] for _ in range(nfiles)]  # per file: [(word, case, whole, enc)]

    def encs(kind):
        return BINARY_STRING_ENCS if kind == "binary" else [KINDS[kind][1]]

    for word in RARE:
        holders = []
        for kind in KINDS:
            for enc in encs(kind):
                if not all(encodable(f, enc) for f in WORDS[word].values()):
                    continue
                variants = [(case, whole) for case in WORDS[word] for whole in (True, False)]
                rng.shuffle(variants)
                for case, whole in variants:
                    free = [i for i in by_kind[kind] if not any(p[0] == word for p in plants[i])]
                    i = rng.choice(free or by_kind[kind])
                    plants[i].append((word, case, whole, enc))
                    holders.append(i)
        # a second, different occurrence in some of the files
        holders = sorted(set(holders))
        for i in rng.sample(holders, max(2, round(0.2 * len(holders)))):
            kind = kinds[i]
            options = [(c, w, e) for c in WORDS[word] for w in (True, False) for e in encs(kind)
                       if all(encodable(f, e) for f in WORDS[word].values())
                       and (word, c, w, e) not in plants[i]]
            if options:
                c, w, e = rng.choice(options)
                plants[i].append((word, c, w, e))
    for i in range(nfiles):
        if rng.random() < 0.30:
            for _ in range(rng.randint(1, 4)):
                case = rng.choices(["lower", "upper", "mixed"], [85, 5, 10])[0]
                plants[i].append((COMMON, case, rng.random() < 0.92, rng.choice(encs(kinds[i]))))
    for p in plants:
        rng.shuffle(p)
    return kinds, plants


def log_uniform(rng, lo, hi):
    return int(math.exp(rng.uniform(math.log(lo), math.log(hi))))


def make_tree(rng, vocab, nfiles):
    names = [w for w in vocab if w.isascii() and w.isalnum()]
    dirs = [""]
    depth = {"": 0}
    while len(dirs) < max(5, nfiles // 25):
        parent = rng.choice([d for d in dirs if depth[d] < 5])
        name = rng.choice(names) + (("_" + rng.choice(names)) if rng.random() < 0.1 else "")
        path = f"{parent}/{name}" if parent else name
        if path not in depth:
            depth[path] = depth[parent] + 1
            dirs.append(path)
    return dirs, names


# ---------------------------------------------------------------- files

class Maker:
    def __init__(self, rng, vocab, matcher):
        self.rng = rng
        self.vocab = vocab
        self.matcher = matcher
        latin = make_lines(rng, vocab, [("ascii", 0.55), ("latin", 0.45)], 1_200_000)
        mixed = make_lines(rng, vocab, [("ascii", 0.25), ("latin", 0.2), ("greek", 0.18),
                                        ("cyrillic", 0.18), ("cjk", 0.19)], 1_200_000)
        self.pools = {}
        for profile, lines in (("latin", latin), ("mixed", mixed)):
            for enc in CODECS:
                if enc == "cp1252" and profile == "mixed":
                    continue
                for eol in ("\n", "\r\n"):
                    self.pools[profile, enc, eol] = Pool(lines, enc, eol)
        self.junk = make_junk(rng, 2 << 20)
        self.scrub_junk()
        for key, pool in self.pools.items():
            if key[2] == "\r\n" and matcher.no_line_ends:
                continue
            if matcher.any_in(pool.data):
                for word, enc, s, e in matcher.scan(pool.data):
                    fail(f"filler pool {key} holds {word} ({enc}) at {s}: {pool.data[s:e]!r}")

    def scrub_junk(self):
        """Zeroes every word the random bytes happen to spell, in any encoding."""
        while self.matcher.any_in(self.junk):
            for _, _, s, e in list(self.matcher.scan(self.junk)):
                self.junk[s:e] = bytes(e - s)

    def plant_line(self, profile, word, case, whole, enc, eol):
        """(text before the word, word, text after) of one line holding it."""
        rng = self.rng
        script = {"Ελληνικά": "greek", "русский": "cyrillic"}.get(word)
        if script is None:
            script = "latin" if profile == "latin" or rng.random() < 0.5 else rng.choice(["ascii", "greek", "cyrillic"])
        words = self.vocab[script]
        before = " ".join(rng.choice(words[:500]) for _ in range(rng.randint(0, 6)))
        after = " ".join(rng.choice(words[:500]) for _ in range(rng.randint(0, 6)))
        left, right = pick_context(rng, word, whole, enc)
        text = WORDS[word][case]
        return (before + (" " if before else "") + left, text, right + (" " if after else "") + after + eol)

    def build(self, kind, size, profile, eol, file_plants):
        """The file's pieces as [(bytes, record)]: record is None for filler, and for a
        planted word says how it was planted and where it starts in its piece ("at")."""
        rng = self.rng
        pieces = []
        if kind == "binary":
            pieces.append((rng.choice(BIN_MAGIC), None))
        else:
            pieces.append((KINDS[kind][2], None))
        cuts = sorted(rng.random() for _ in file_plants)
        fill = max(size, 64) - sum(len(p) for p, _ in pieces)
        bounds = [0.0] + cuts + [1.0]
        for n, plant in enumerate(file_plants + [None]):
            share = max(32, int(fill * (bounds[n + 1] - bounds[n])))
            if kind == "binary":
                pieces += self.binary_filler(share, profile)
            else:
                enc = KINDS[kind][1]
                pieces += [(b, None) for b in self.pools[profile, enc, eol].take(rng, share)]
            if plant is None:
                break
            word, case, whole, enc = plant
            text_eol = "" if kind == "binary" else eol
            before, text, after = self.plant_line(profile, word, case, whole, enc, text_eol)
            codec = CODECS[enc]
            b1, b2, b3 = before.encode(codec), text.encode(codec), after.encode(codec)
            if kind == "binary":
                b3 += b"\0\0" if enc.startswith("utf16") else b"\0"
            rec = {"word": word, "case": case, "whole": whole, "enc": enc, "text": text,
                   "left": before[-1:], "right": after[:1], "at": len(b1), "len": len(b2)}
            pieces.append((b1 + b2 + b3, rec))
        return pieces

    def binary_filler(self, n, profile):
        rng = self.rng
        out = []
        have = 0
        while have < n:
            if rng.random() < 0.7:
                m = min(n - have, rng.randint(16, 8192))
                o = rng.randrange(len(self.junk) - m)
                out.append((bytes(self.junk[o:o + m]), None))
                have += m
            else:
                enc = rng.choice(BINARY_STRING_ENCS)
                for b in self.pools[profile, enc, "\n"].take(rng, rng.randint(8, 300)):
                    out.append((b, None))
                    have += len(b)
                out.append((b"\0\0" if enc == "utf16le" else b"\0", None))
                have += len(out[-1][0])
        return out

    def check(self, data, pieces):
        """Planted records with their offsets, or None when some word turned up
        where none was planted."""
        L = self.matcher.longest + 4
        windows = []
        pos = 0
        recs = []
        for b, rec in pieces:
            if rec is not None:
                r = dict(rec)
                r["offset"] = pos + rec["at"]
                recs.append(r)
                windows.append((pos - L, pos + len(b) + L))
            windows.append((pos - L, pos + L))
            pos += len(b)
        windows.sort()
        merged = []
        for a, b in windows:
            a, b = max(0, a), min(len(data), b)
            if merged and a <= merged[-1][1]:
                merged[-1][1] = max(merged[-1][1], b)
            else:
                merged.append([a, b])
        found = set()
        for a, b in merged:
            for word, enc, s, e in self.matcher.scan(data, a, b):
                found.add((word, enc, s, e))
        spans = {}
        for r in recs:
            spans.setdefault(r["word"], []).append((r["offset"], r["offset"] + r["len"]))
        for word, enc, s, e in found:
            if not any(s < pe and e > ps for ps, pe in spans.get(word, ())):
                return None
        # what the bytes hold must be what was planted, for every query
        for word in WORDS:
            mine = [r for r in recs if r["word"] == word]
            hits = [(enc, s, e) for w, enc, s, e in found if w == word]
            for case, q in WORDS[word].items():
                for cs in (True, False):
                    for ww in (True, False):
                        want = any((not cs or r["text"] == q) and (not ww or r["whole"]) for r in mine)
                        got = any((not cs or data[s:e] == q.encode(CODECS[enc]))
                                  and (not ww or is_whole(data, enc, s, e)) for enc, s, e in hits)
                        if want != got:
                            raise AssertionError(f"{word} as {q} cs={cs} ww={ww}: planted {want}, "
                                                 f"found {got}: {mine} {hits}")
        return recs


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    target = sys.argv[1]
    try:
        seed = int(sys.argv[2])
        nfiles = int(sys.argv[3]) if len(sys.argv) == 4 else 4000
    except ValueError:
        fail("SEED and NFILES must be integers")
    if nfiles < 16:
        fail("NFILES must be at least 16 (every kind of file needs a few)")
    if os.path.exists(target) and (not os.path.isdir(target) or os.listdir(target)):
        fail(f"{target} exists and is not an empty folder")
    t0 = time.time()
    rng = random.Random(seed)
    matcher = Matcher()
    vocab = make_vocabs(rng)
    maker = Maker(rng, vocab, matcher)
    kinds, plants = plan(rng, nfiles)
    dirs, names = make_tree(rng, vocab["ascii"], nfiles)

    root = os.path.abspath(target)
    os.makedirs(root, exist_ok=True)
    for d in dirs[1:]:
        os.makedirs(os.path.join(root, d), exist_ok=True)
    used = set()
    files = {}
    records = {w: [] for w in WORDS}
    total = 0
    remade = 0
    kind_count = {k: 0 for k in KINDS}
    for i in range(nfiles):
        kind = kinds[i]
        u = rng.random()
        for share, lo, hi in SIZES:
            if u < share:
                break
            u -= share
        size = log_uniform(rng, lo, hi)
        if kind == "cp1252":
            profile = "latin"
        elif kind == "binary":
            profile = rng.choice(["latin", "mixed"])
        else:
            profile = "latin" if rng.random() < 0.45 else "mixed"
        crlf = rng.random() < (0.6 if kind == "cp1252" else 0.7 if kind.startswith("utf16") else 0.2)
        eol = "\r\n" if crlf and kind != "binary" else "\n"
        folder = rng.choice(dirs)
        while True:
            base = rng.choice(names) + ("_" + rng.choice(names) if rng.random() < 0.3 else "")
            ext = rng.choice(BIN_EXT if kind == "binary" else TEXT_EXT)
            path = f"{folder}/{base}{ext}" if folder else base + ext
            if path not in used:
                used.add(path)
                break
        for attempt in range(50):
            pieces = maker.build(kind, size, profile, eol, plants[i])
            data = b"".join(b for b, _ in pieces)
            recs = maker.check(data, pieces)
            if recs is not None:
                break
            remade += 1
        else:
            fail(f"could not make {path} without stray matches")
        with open(os.path.join(root, path), "wb") as f:
            f.write(data)
        files[path] = {"kind": kind, "bytes": len(data), "eol": "crlf" if eol == "\r\n" else "lf"}
        kind_count[kind] += 1
        total += len(data)
        for r in recs:
            records[r["word"]].append({"path": path, "kind": kind, "enc": r["enc"], "case": r["case"],
                                       "text": r["text"], "whole": r["whole"], "left": r["left"],
                                       "right": r["right"], "offset": r["offset"]})

    expected = {}
    for word, forms in WORDS.items():
        e = {}
        for case, q in forms.items():
            for cs in (True, False):
                if not cs and case != "lower":
                    continue  # ignoring case every form finds the same files
                for ww in (False, True):
                    mode = ("CS" if cs else "CI") + ("W" if ww else "")
                    e[f"{q}/{mode}"] = len({r["path"] for r in records[word]
                                            if (not cs or r["text"] == q) and (not ww or r["whole"])})
        expected[word] = e
    man = {
        "generator": "make_mixed_corpus.py", "target": root, "seed": seed, "nfiles": nfiles,
        "bytes": total, "dirs": len(dirs) - 1, "kinds": kind_count, "separators": SEPARATORS,
        "words": {w: {"forms": f, "ansi": all(encodable(x, "cp1252") for x in f.values())}
                  for w, f in WORDS.items()},
        "decoys": DECOYS_LATIN + DECOYS_GREEK + DECOYS_CYRILLIC,
        "expected_files": expected,
        "files": files,
        "plants": records,
        "gen_seconds": round(time.time() - t0, 1),
    }
    with open(root.rstrip("/") + ".manifest.json", "w", encoding="utf-8") as f:
        json.dump(man, f, indent=1, ensure_ascii=False)
    print(f"files={nfiles} bytes={total} ({total / 1e6:.1f} MB) dirs={len(dirs) - 1} "
          f"kinds={json.dumps(kind_count)} remade={remade} time={time.time() - t0:.1f}s")
    for word in WORDS:
        print(f"  {word}: " + " ".join(f"{k}={v}" for k, v in expected[word].items()))


if __name__ == "__main__":
    try:
        main()
    except OSError as e:
        fail(f"{e.strerror}: {e.filename}" if e.filename else str(e))
