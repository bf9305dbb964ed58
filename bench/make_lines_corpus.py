#!/usr/bin/env python3
"""A small tree of files that stress how hit lines are numbered and cut.

usage: make_lines_corpus.py TARGET

Creates TARGET (must not exist or be empty) and TARGET.manifest.json next to
it. Only the python3 standard library is used and nothing is random but for a
fixed seed, so the same TARGET gets the same bytes. The words are those of
make_mixed_corpus.py (zqxjvbk, volcano, café, Grüße, Ελληνικά, русский, in
their forms); the filler never spells any of them in any case, encoding or
byte offset, because it holds none of the letters v, z, é/É, ü/Ü, λ/Λ, у/У.

Files:
  eol_*            LF, CR LF and lone CR mixed in one file (also "\\r\\r\\n" and
                   "\\n\\r", two line ends each), hits on the first line (at the very
                   first character) and on the last, in UTF-8, Windows-1252 and
                   UTF-16 LE/BE with and without a byte-order mark; "_final" files
                   end with a line end, the others end with the word.
  long_*           a 100 KB line with a hit in its middle (UTF-8, UTF-16 LE).
  span_crlf_*      about 1.2 MiB: CR at 65535 and LF at 65536, at 262143/262144 and
                   1048575/1048576 (as UTF-16 units at 65534/65536 ...), a lone CR
                   at the end of a 128 KiB piece, hits after each to count them.
  span_line_*      one line of about 1.3 MiB with hits that start a few bytes
                   before, end exactly at, and start exactly at 65536, 262144 and
                   1048576; lines with hits before and after it.
  span_odd.bin     a UTF-16 LE text that starts at byte 1, with a CR unit that
                   straddles 65536 (bytes 65535 and 65536) and its LF after it.
  nul_line.bin     lines of text with NUL bytes near hits (binary lines).
  odd_cyrillic_*   UTF-16 LE and BE text from byte 1 whose lines end after Cyrillic
                   letters, words after "ж ": one byte off, in the other byte order,
                   neither those line ends nor those blanks read as such.
  phrase_*         "zqxjvbk volcano" as one text, whole and glued, for EXACT.

Manifest (JSON):
  words:  {word: {"forms": {"lower"|"upper"|"mixed": text}}}
  files:  {path: {"kind", "bytes"}}
  lines:  [{"path", "word", "enc", "text", "offset", "line"}]: every occurrence of
          every word, ignoring case, in the four encodings (UTF-16 readings one
          byte off an occurrence in the other byte order aside), with the line
          it was put on (from 1, counted as the file was built).
  hit_queries: [[text, mode, case-sensitive, whole words]] besides the words alone.
"""
import json
import os
import random
import sys

from make_mixed_corpus import WORDS  # the same words in the same forms, so that the checks read both trees alike
PHRASE = "zqxjvbk volcano"
CODEC = {"cp1252": "cp1252", "utf8": "utf-8", "utf16le": "utf-16-le", "utf16be": "utf-16-be"}
BOM = {"utf16le": b"\xff\xfe", "utf16be": b"\xfe\xff", "utf8": b"\xef\xbb\xbf"}

ASCII_LETTERS = "abcdeghilmnoprstuwy"
LATIN_EXTRA = "àçèêñöß"
GREEK = "αβγδεζθικμνξοπρστφω"
CYRILLIC = "абвгдежзиклмнопрстфхц"


def fail(msg):
    sys.exit("make_lines_corpus.py: " + msg)


class Filler:
    def __init__(self, rng):
        self.rng = rng

    def word(self, script="ascii"):
        rng = self.rng
        letters = {"ascii": ASCII_LETTERS, "latin": ASCII_LETTERS + LATIN_EXTRA, "greek": GREEK,
                   "cyrillic": CYRILLIC}[script]
        return "".join(rng.choice(letters) for _ in range(rng.randint(2, 9)))

    def text(self, n, scripts=("ascii",)):
        """About n characters of words and blanks."""
        out = []
        size = 0
        while size < n:
            w = self.word(self.rng.choice(scripts))
            out.append(w)
            size += len(w) + 1
        return " ".join(out)[:n]


class LineFile:
    """A text file built line by line; records where each word lands and on which line."""

    def __init__(self, path, enc, bom=False):
        self.path, self.enc = path, enc
        self.codec = CODEC[enc]
        self.data = bytearray(BOM[enc] if bom else b"")
        self.line = 1
        self.records = []
        self.last_eol = None

    def add(self, parts, eol):
        """parts: strings of filler and (word, form text) pairs, on one line."""
        if self.last_eol == "\r" and not parts and eol.startswith("\n"):
            fail(f"{self.path}: a CR and an empty line's LF would make one line end")
        for p in parts:
            if isinstance(p, tuple):
                word, text = p
                self.records.append({"path": self.path, "word": word, "enc": self.enc, "text": text,
                                     "offset": len(self.data), "line": self.line})
                self.data += text.encode(self.codec)
            else:
                self.data += p.encode(self.codec)
        self.data += eol.encode(self.codec)
        if eol:
            self.line += 1
        self.last_eol = eol


def eol_files(f):
    """The same lines in every encoding, with every kind of line end."""
    out = []
    plan = [
        # (words on the line, line end, filler on a line without words)
        (["volcano"], "\n", False),
        ([], "\r\n", True),
        (["zqxjvbk"], "\r", False),
        ([], "\r", False),  # "\r\r": two lone CRs
        (["café"], "\r\n", False),
        ([], "\n", True),
        (["Grüße", "volcano"], "\r", False),
        ([], "\r\n", False),  # "\r\r\n": two line ends
        (["Ελληνικά"], "\n", False),
        ([], "\r", False),  # "\n\r": two line ends
        (["русский"], "\r\n", False),
        (["volcano", "volcano"], "\r", False),
        (["ZQXJVBK"], "\n", False),
        ([], "\n", False),
    ]
    variants = [("utf8", False), ("utf8", True), ("cp1252", False), ("utf16le", True), ("utf16le", False),
                ("utf16be", True), ("utf16be", False)]
    for enc, bom in variants:
        for final in (False, True):
            name = f"eol/eol_{enc}{'_bom' if bom else ''}{'_final' if final else ''}.txt"
            lf = LineFile(name, enc, bom)
            forms_of = {}
            for w, forms in WORDS.items():
                for t in forms.values():
                    forms_of[t] = w
            k = 0
            for n, (words, eol, filler) in enumerate(plan):
                words = [w for w in words if enc != "cp1252" or w not in ("Ελληνικά", "русский")]
                parts = []
                for i, w in enumerate(words):
                    word = forms_of[w]
                    text = list(WORDS[word].values())[k % len(WORDS[word])]
                    k += 1
                    if n == 0 and i == 0:
                        parts += [(word, text), " " + f.text(30) + " "]  # at the very first character
                    else:
                        parts += [f.text(f.rng.randint(0, 50)) + " ", (word, text), " " + f.text(20)]
                if filler:
                    parts = [f.text(40, ("ascii", "latin"))]
                lf.add(parts, eol)
            # the last line: the word as its last characters
            last = [f.text(25) + " ", ("volcano", "VOLCANO")]
            lf.add(last, "\r\n" if final else "")
            out.append(lf)
    return out


def long_files(f):
    out = []
    for enc in ("utf8", "utf16le"):
        lf = LineFile(f"long/long_{enc}.txt", enc, enc == "utf16le")
        lf.add([f.text(60), " ", ("zqxjvbk", "zqxjvbk")], "\n")
        half = 50_000
        lf.add([f.text(half, ("ascii", "greek")), " ", ("volcano", "Volcano"), " ", f.text(half, ("ascii", "cyrillic"))],
               "\r\n")
        lf.add([f.text(70), " ", ("café", "CAFÉ"), " ", f.text(10)], "\n")
        out.append(lf)
    return out


class SpanFile:
    """A file of fixed size whose line ends and words sit at given byte offsets."""

    def __init__(self, path, enc, size, start=0, lead=b""):
        self.path, self.enc, self.start = path, enc, start
        self.width = 2 if enc.startswith("utf16") else 1
        self.codec = CODEC[enc]
        self.lead = lead
        self.units = size // self.width
        self.items = []  # (byte offset, text, word or None)

    def put(self, offset, text, word=None):
        if (offset - self.start) % self.width:
            fail(f"{self.path}: {offset} is off the file's alignment")
        self.items.append((offset, text, word))

    def build(self, f):
        chars = list(f.text(self.units))
        self.items.sort()
        ends = []
        for offset, text, word in self.items:
            k = (offset - self.start) // self.width
            if text.encode(self.codec) and len(text.encode(self.codec)) != len(text) * self.width:
                fail(f"{self.path}: {text!r} is not one unit a character")
            chars[k:k + len(text)] = list(text)
        data = self.lead + "".join(chars).encode(self.codec)
        # line ends as placed, for the line numbers; ends placed next to each other are one run
        placed = []
        for o, t, w in self.items:
            if w is None:
                if placed and placed[-1][0] + len(placed[-1][1]) * self.width == o:
                    placed[-1] = (placed[-1][0], placed[-1][1] + t)
                else:
                    placed.append((o, t))
        records = []
        for offset, text, word in self.items:
            if word is None:
                continue
            if data[offset:offset + len(text.encode(self.codec))] != text.encode(self.codec):
                fail(f"{self.path}: {word} at {offset} was overwritten")
            line = 1
            for o, t in placed:
                if o >= offset:
                    break
                # a CR whose LF was placed right after it is one line end with it
                line += sum(1 for c in t if c == "\n") + sum(1 for i, c in enumerate(t) if c == "\r" and t[i + 1:i + 2] != "\n")
            records.append({"path": self.path, "word": word, "enc": self.enc, "text": text, "offset": offset,
                            "line": line})
        self.data, self.records = data, records
        return self


def span_files(f):
    out = []
    KB64, KB128, KB256, MB1 = 1 << 16, 1 << 17, 1 << 18, 1 << 20
    # CR at the end of one piece, LF at the start of the next
    s = SpanFile("span/span_crlf_utf8.txt", "utf8", MB1 + 200_000)
    for b in (KB64, KB256, MB1):
        s.put(b - 1, "\r\n")
        s.put(b + 40, "volcano", "volcano")
        s.put(b - 60, "zqxjvbk", "zqxjvbk")
    s.put(1000, "\n")
    s.put(KB128 - 1, "\r")  # a lone CR ending a piece, a word starting the next
    s.put(KB128, "VOLCANO", "volcano")
    s.put(MB1 + 150_000, "\n\r")
    s.put(MB1 + 150_010, "Volcano", "volcano")
    out.append(s.build(f))
    s = SpanFile("span/span_crlf_utf16le.txt", "utf16le", MB1 + 200_000)
    for b in (KB64, KB256, MB1):
        s.put(b - 2, "\r")
        s.put(b, "\n")
        s.put(b + 40, "volcano", "volcano")
        s.put(b - 60, "русский", "русский")
    s.put(KB128 - 2, "\r")
    s.put(KB128, "Ελληνικά", "Ελληνικά")
    out.append(s.build(f))
    # the same for UTF-16 BE
    s = SpanFile("span/span_crlf_utf16be.txt", "utf16be", MB1 + 100_000)
    for b in (KB64, KB256, MB1):
        s.put(b - 2, "\r\n")
        s.put(b + 2, "ZqxJvBK", "zqxjvbk")
    out.append(s.build(f))
    # one line longer than any piece read, words across the piece ends
    for enc in ("utf8", "cp1252", "utf16le"):
        w = 2 if enc == "utf16le" else 1
        word, text = ("café", "café") if enc == "cp1252" else ("volcano", "volcano")
        s = SpanFile(f"span/span_line_{enc}.txt", enc, MB1 + 300_000)
        s.put(100 * w, "\n")
        s.put(200 * w, "\r\n")
        s.put(20 * w, text, word)  # line 1
        s.put(300 * w, text, word)  # line 3, which runs past 1 MiB
        for b in (KB64, KB256, MB1):
            s.put(b - 30 * w, text, word)
            s.put(b - 3 * w, text, word)  # across the piece end
        s.put(MB1 + 250_000, "\r")
        s.put(MB1 + 250_000 + 20 * w, text, word)  # line 4
        out.append(s.build(f))
    # a word that ends exactly at a piece end, and one that starts exactly at it
    s = SpanFile("span/span_edges_utf8.txt", "utf8", MB1 + 100_000)
    for b in (KB64, KB256, MB1):
        s.put(b - 7, "zqxjvbk", "zqxjvbk")
        s.put(b, "VOLCANO", "volcano")
        s.put(b + 20, "\r")
    out.append(s.build(f))
    s = SpanFile("span/span_edges_utf16be.txt", "utf16be", MB1 + 100_000)
    for b in (KB64, KB256, MB1):
        s.put(b - 14, "zqxjvbk", "zqxjvbk")
        s.put(b, "ΕΛΛΗΝΙΚΆ", "Ελληνικά")
        s.put(b + 40, "\n")
    out.append(s.build(f))
    # UTF-16 LE from byte 1: the CR unit straddles 65536
    s = SpanFile("span/span_odd.bin", "utf16le", MB1 + 20_000, start=1, lead=b"\x00")
    s.put(KB64 - 1, "\r")
    s.put(KB64 + 1, "\n")
    s.put(KB64 + 21, "volcano", "volcano")
    s.put(KB64 - 41, "zqxjvbk", "zqxjvbk")
    s.put(KB256 + 1, "\r")
    s.put(KB256 + 3, "Volcano", "volcano")
    out.append(s.build(f))
    return out


def nul_file(f):
    lf = LineFile("bin/nul_line.bin", "utf8")
    lf.add([f.text(30) + "\0\0", ("zqxjvbk", "zqxjvbk"), "\0" + f.text(20)], "\n")
    lf.add([f.text(30)], "\r\n")
    lf.add(["\x01\x02" + f.text(300) + " ", ("volcano", "volcano"), " " + f.text(10) + "\0\0\0" + f.text(300)], "\n")
    lf.add(["\0" * 5, ("café", "café"), "\0"], "\r")
    lf.add([f.text(20)], "")
    return [lf]


def odd_files(f):
    """UTF-16 text from byte 1 (as strings in a binary file may lie) whose lines end after
    Cyrillic letters: read one byte off, in the other byte order, those line ends are
    other characters, and the unit before a word after "ж " is no blank."""
    out = []
    for enc in ("utf16le", "utf16be"):
        lf = LineFile(f"bin/odd_cyrillic_{enc}.bin", enc)
        lf.data = bytearray(b"\x00")
        lf.add([f.text(30, ("cyrillic",))], "\n")
        lf.add([f.text(30, ("cyrillic",)) + " ", ("volcano", "volcano"), " " + f.text(20, ("cyrillic",))], "\r\n")
        lf.add([f.text(30, ("cyrillic",))], "\n")
        lf.add([f.text(20) + " ж ", ("zqxjvbk", "zqxjvbk"), " ж"], "\n")
        lf.add([f.text(10, ("cyrillic",)) + "ж ", ("café", "CAFÉ"), " ж " + f.text(10, ("cyrillic",))], "")
        out.append(lf)
    return out


def phrase_files(f):
    out = []
    for enc, bom in (("utf8", False), ("utf16le", True), ("cp1252", False)):
        lf = LineFile(f"phrase/phrase_{enc}.txt", enc, bom)
        lf.add([f.text(30) + " ", ("zqxjvbk", "zqxjvbk"), " ", ("volcano", "volcano"), " " + f.text(20)], "\n")
        lf.add([f.text(30)], "\n")
        lf.add([f.text(10) + " x", ("zqxjvbk", "zqxjvbk"), " ", ("volcano", "volcano"), "y"], "\r\n")
        lf.add([("zqxjvbk", "ZQXJVBK"), " ", ("volcano", "VOLCANO"), "."], "\r")
        lf.add([("zqxjvbk", "zqxjvbk"), "  ", ("volcano", "volcano")], "\n")
        out.append(lf)
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    target = sys.argv[1]
    if os.path.exists(target) and (not os.path.isdir(target) or os.listdir(target)):
        fail(f"{target} exists and is not an empty folder")
    f = Filler(random.Random(20261209))
    made = eol_files(f) + long_files(f) + span_files(f) + nul_file(f) + phrase_files(f) + odd_files(f)
    root = os.path.abspath(target)
    files, lines = {}, []
    for m in made:
        path = os.path.join(root, m.path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(m.data)
        files[m.path] = {"kind": m.enc, "bytes": len(m.data)}
        lines += m.records
    man = {
        "generator": "make_lines_corpus.py", "target": root,
        "words": {w: {"forms": forms} for w, forms in WORDS.items()},
        "files": files,
        "lines": lines,
        "hit_queries": [[PHRASE, "EXACT", False, False], [PHRASE, "EXACT", True, True], [PHRASE, "ANY", True, False],
                        ["volcano café", "ALL", False, False], ["Ελληνικά русский", "ALL", False, True],
                        ["zqxjvbk Grüße", "ALL", True, True]],
    }
    with open(root.rstrip("/") + ".manifest.json", "w", encoding="utf-8") as out:
        json.dump(man, out, indent=1, ensure_ascii=False)
    print(f"files={len(files)} bytes={sum(v['bytes'] for v in files.values())} words placed={len(lines)}")


if __name__ == "__main__":
    main()
