#!/usr/bin/env python3
"""Deterministic tree of PDF files with planted words, and its truth as poppler's pdftotext reads them.

usage: make_pdf_corpus.py OUT SEED [SCALE] [--soffice]

  SCALE    1.0 (default) makes about 380 files and 30 MB in 35-50 s; 0.1 about 115
           files and 2 MB in ~10 s (a third of it reading the truth): the hand-made
           files, the re-encodings, the damaged files and the zips are made at every
           scale; SCALE sets the bulk and groff's share.
  --soffice  also has LibreOffice (soffice --headless; Debian's libreoffice-writer-nogui)
           turn flat ODT and HTML files of ours into PDFs under OUT/tree/libreoffice/:
           Latin, Greek, Cyrillic, CJK, Hebrew and Arabic text, tables, lists,
           footnotes, headers; planted words in body, table cells, footnotes, list
           items, headers, split by bold/italic inside a word, phrases within a line
           and across lines; one of them re-encoded by qpdf too. Off by default; adds
           about 35 files and 15 s (26 documents at the default scale, 8 at 0.1).

Creates OUT (must not exist or be empty), writes the files under OUT/tree and the
truth to OUT/truth.tsv, outside the searched tree (it names every word). Our own
bytes come from random.Random(SEED); groff and Ghostscript run with a fixed
SOURCE_DATE_EPOCH (Ghostscript's /ID is then set from the seed), qpdf with
--static-id --static-aes-iv. So the same arguments give the same bytes, except for
qpdf's 256-bit encryptions (their salts are random) and LibreOffice's files; the
truth is the same every time.

Folders under OUT/tree:
  groff/        groff -Tpdf from troff of ours (-ms, tbl: tables, footnotes, page
                headers, lists, a word split by font changes)
  groff-ps/     groff -Tps then Ghostscript's ps2pdf, from the same kind of source
  libreoffice/  with --soffice only
  hand/         PDFs this script writes itself, for what no producer here writes: TJ
                kerning inside words, a glyph at a time with Td moves, /Differences
                with glyph names, Type3 fonts (with /ToUnicode and with glyph names),
                Type0 fonts with UniJIS-UCS2-H and UniGB-UCS2-H (no embedded font),
                Identity-H with /ToUnicode (Greek, Cyrillic, Hebrew, Arabic, CJK),
                ligature glyphs, LZW (EarlyChange 1 and 0), ASCII85, ASCIIHex and
                RunLength content and filter chains, Form XObjects (nested, unused),
                annotations, form fields, /Title and /Author, object loops (a page
                tree holding itself, a form drawing itself, an xref /Prev pointing
                at itself), an incremental update, a page's content in several
                streams, inline images, invisible (OCR) text, text off the page,
                markup words shown as text
  qpdf/         qpdf's re-encodings of three sources: object streams, linearized,
                encrypted with an empty user password (RC4 40 and 128 bit, AES 128
                and 256 bit, AES 256 without the copy permission) and one with a
                user password (not readable without it: found by nothing)
  damaged/      cut short at 60%, xref offsets shifted, startxref removed, a stream's
                /Length too short and too long, of two sources
  zip/          PDFs inside zips (deflated, stored, a zip in a zip), a zip holding
                the user-password PDF
  filler/       the bulk: multi-page PDFs written several ways (Tj lines, TJ with
                kerning, pdfTeX-like TJ without space glyphs, a Td per word, Type0
                Identity-H), some with images

Filler words are consonant-vowel syllables over "bdfgklmnprstv" and "aeiou" (plus
a few accented words), so no planted word ("zq..."), no markup word (FlateDecode,
endstream, MediaBox, Helvetica, ToUnicode, obj) and no planted Greek, Cyrillic,
CJK, Hebrew or Arabic word can appear in the text by chance.

The truth: each PDF (also inside zips) is read by `pdftotext -q -raw -enc UTF-8
FILE -` (-raw: the text in content-stream order, as the pages draw it; the default
mode reorders by layout, e.g. a table's cells column by column), by `pdfinfo -enc
UTF-8` for the document's title, and by `qpdf --json` for each page annotation's
/Contents (pdftotext prints only what the page and the annotations' appearances
draw; form field values are drawn). Author, subject and keywords are not read.
A file none of them can open (the user password) holds no text. The text is then
taken as a viewer's search takes it: form feeds end lines like line feeds;
bidi marks pdftotext puts around right-to-left words (U+200E U+200F U+202A-U+202E
U+2066-U+2069) are dropped; ligatures U+FB00-U+FB06 are spelt out (ff fi fl ffi
ffl st). A phrase matches within one line only; whole words are bounded by tab LF
CR space ! " # $ % ' ( ) * + , . / : ; < = > ? @ \\ | and the ends of a line;
ignoring case compares simple upper-case forms, character by character. Other
entries of a zip are searched as their bytes (UTF-8).

truth.tsv (tab-separated, UTF-8):
  query <id> <cmd> <mtc> <qry> <what it covers>
  file  <id> <path relative to OUT/tree, with "/">
  note  <path> <what pdftotext made of it> (damaged files, and where pdftotext
        disagrees with what was planted)
one "file" line for every file the query must list (with +docs=1), sorted.

Exit status: 0 when the corpus and its truth are written and pdftotext shows every
planted word where it was planted, 1 when written but a producer failed or
pdftotext disagrees somewhere (see the notes), 2 when it can't run.
"""
import base64
import concurrent.futures
import hashlib
import io
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib
from xml.sax.saxutils import escape

# ---------------------------------------------------------------------------
# The queries; the files each must find come from pdftotext.
QUERIES = [
    ("body", "zqxbody", "S", "ANY", "body text from every producer, re-encoding and writing style (Tj, TJ, a Td per word, hex strings, Type0)"),
    ("split", "zqxsplitrun", "S", "ANY", "a word split by bold/italic (LibreOffice, groff \\fB), over two Tj, over two content streams of a page"),
    ("kern", "zqxkerning", "S", "ANY", "TJ kerning inside a word ([(zqxker) -28 (ning)]); a gap of 0.4 em splits it (not found)"),
    ("glyphs", "zqxglyphwise", "S", "ANY", "a word drawn a glyph at a time (Td moves, Tm per glyph, char spacing)"),
    ("table", "zqxcell", "S", "ANY", "table cells (LibreOffice, groff tbl)"),
    ("note", "zqxfootnote", "S", "ANY", "footnotes (LibreOffice, groff .FS)"),
    ("header", "zqxheader", "S", "ANY", "page headers (LibreOffice, groff ms headers)"),
    ("list", "zqxlistitem", "S", "ANY", "list items with bullets (LibreOffice, groff .IP)"),
    ("phrase", "zqxphone zqxphtwo", "S", "EXACT", "a phrase within a line (found, also with a kern as the space) vs over two lines (not)"),
    ("all", "zqxallone zqxalltwo", "S", "ALL", "ALL: two words on different pages (found) or one of them only (not)"),
    ("whole", "zqxwhole", "SW", "ANY", "whole words: glued to letters (not) vs next to punctuation or a line end"),
    ("whole_off", "zqxwhole", "S", "ANY", "the same word without whole words: every file holding it"),
    ("case_c", "ZQXCase", "SC", "ANY", "case-sensitive: only files with ZQXCase as written"),
    ("case_i", "zqxcase", "S", "ANY", "ignoring case: ZQXCase, zqxcase, ZQXCASE"),
    ("accent_i", "ZQXCAFÉ", "S", "ANY", "zqxcafé in WinAnsi and MacRoman fonts and groff, ignoring case"),
    ("lig", "zqxoffice", "S", "ANY", "ligatures: oﬃce as /ffi glyph names, a /ToUnicode to U+FB03 and to \"ffi\", LibreOffice"),
    ("glyphname", "zqxglyphname", "S", "ANY", "a simple font's /Differences with glyph names (codes 1..n)"),
    ("type3", "zqxtypethree", "S", "ANY", "Type3 fonts, with a /ToUnicode and with glyph names only"),
    ("cjk_ja", "検索語", "S", "ANY", "Japanese: Type0 UniJIS-UCS2-H, Identity-H with /ToUnicode, LibreOffice"),
    ("cjk_zh", "检索词", "S", "ANY", "Chinese: Type0 UniGB-UCS2-H, Identity-H with /ToUnicode, LibreOffice"),
    ("greek_i", "ζξψδέλτα", "S", "ANY", "Greek ignoring case: lower- and upper-case forms"),
    ("greek_c", "ΖΞΨΔΈΛΤΑ", "SC", "ANY", "Greek case-sensitive: the upper-case form only"),
    ("cyr_i", "ЖЩЮСЛОВО", "S", "ANY", "Cyrillic ignoring case (also through uniXXXX and afii glyph names)"),
    ("hebrew", "זקסמילה", "S", "ANY", "Hebrew, drawn in visual order (right to left)"),
    ("arabic", "زقسكلمة", "S", "ANY", "Arabic, drawn in visual order (right to left)"),
    ("filters", "zqxfiltered", "S", "ANY", "content in LZW (EarlyChange 1, 0), ASCII85, ASCIIHex, RunLength and chains of them"),
    ("escaped", "zqxescaped", "S", "ANY", "string syntax: octal escapes, a line continuation, hex strings with blanks"),
    ("form", "zqxformxobj", "S", "ANY", "text in Form XObjects, one nested in another"),
    ("unused", "zqxunused", "S", "ANY", "a form never drawn, a page outside the page tree, an unreferenced stream: not found"),
    ("inimage", "zqxinimage", "S", "ANY", "text-like bytes inside inline image data: not found"),
    ("ocr", "zqxocrlayer", "S", "ANY", "invisible text (render mode 3) over an image, as OCR layers are: found"),
    ("offpage", "zqxoffpage", "S", "ANY", "text placed outside the page's MediaBox (pdftotext drops it)"),
    ("annot", "zqxannotation", "S", "ANY", "annotations' /Contents (sticky note, free text; UTF-16), also encrypted"),
    ("field", "zqxfieldvalue", "S", "ANY", "form field values (with and without an appearance stream)"),
    ("title", "zqxtitle", "S", "ANY", "the document's /Title (also UTF-16, encrypted, from groff and LibreOffice)"),
    ("author", "zqxauthor", "S", "ANY", "/Author is not searched: only one file shows the word"),
    ("props", "zqxsubject zqxkeyword", "S", "ALL", "/Subject and /Keywords are searched, as the title is"),
    ("loop", "zqxloop", "S", "ANY", "object loops: a page tree holding itself, a form drawing itself, an xref /Prev loop"),
    ("update", "zqxnewrev", "S", "ANY", "an incremental update's new page content"),
    ("oldrev", "zqxoldrev", "S", "ANY", "the content an incremental update replaced: not found (a save cut short in damaged/ leaves only it)"),
    ("crypt", "zqxcrypt", "S", "ANY", "qpdf: object streams, linearized, RC4 40/128, AES 128/256, no-copy; user password: not found"),
    ("damaged", "zqxdamaged", "S", "ANY", "damaged files, a word on the first page: what pdftotext still reads"),
    ("damtail", "zqxdamtail", "S", "ANY", "damaged files, a word on the last page: what pdftotext still reads"),
    ("inzip", "zqxinzip", "S", "ANY", "PDFs inside zips (deflated, stored, a zip in a zip); a user-password PDF in a zip is not"),
    ("m_flate", "FlateDecode", "S", "ANY", "markup: a filter's name is not text (one PDF shows it)"),
    ("m_endstream", "endstream", "S", "ANY", "markup: a keyword is not text (one PDF shows it)"),
    ("m_mediabox", "MediaBox", "S", "ANY", "markup: a key is not text (one PDF shows it)"),
    ("m_helvetica", "Helvetica", "S", "ANY", "markup: a font's name is not text (one PDF shows it)"),
    ("m_tounicode", "ToUnicode", "S", "ANY", "markup: a font's key is not text (one PDF shows it)"),
    ("m_obj", "obj", "SW", "ANY", "markup: 'obj' as a whole word is in every PDF's bytes, in no filler text (one PDF shows it)"),
]
ABSENT = "zqxabsentword"  # in nothing: the word pdf_compare.sh times with

CONS = "bdfgklmnprstv"
VOWS = "aeiou"
SYLLABLES = [c + v for c in CONS for v in VOWS]
ANSI_EXTRA = ["café", "naïve", "Größe", "señor", "déjà", "façade"]
WIDE_EXTRA = ANSI_EXTRA + ["中文", "日本語", "Ελληνικά", "русский"]
PUNCT = [", ", ", ", "; ", ": ", " - ", " (", ") "]
GREEK_L, GREEK_U = "ζξψδέλτα", "ΖΞΨΔΈΛΤΑ"
CYR_L, CYR_U = "жщюслово", "ЖЩЮСЛОВО"
HEBREW, ARABIC = "זקסמילה", "زقسكلمة"
HEBREW_FILL = ["שלום", "עולם", "ספר", "בית", "מים"]
ARABIC_FILL = ["مرحبا", "عالم", "كتاب", "بيت", "ماء"]
JA, ZH = "検索語", "检索词"
MARKUP_TEXT = "Shown on purpose: FlateDecode endstream MediaBox Helvetica ToUnicode obj."
EPOCH = "1700000000"
NS_ODF = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
          'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
          'xmlns:dc="http://purl.org/dc/elements/1.1/" '
          'xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" office:version="1.3"')

# Helvetica's advance widths for 32..126 (1/1000 em); other characters count 556.
HELV = [278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556, 556, 556, 556,
        556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556,
        833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500,
        556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500,
        334, 260, 334, 584]


def helv_width(s, size):
    return sum(HELV[ord(c) - 32] if 32 <= ord(c) <= 126 else 556 for c in s) * size / 1000.0


def is_wide(c):
    return 0x2E80 <= ord(c) <= 0x9FFF or 0xF900 <= ord(c) <= 0xFAFF or 0xFF00 <= ord(c) <= 0xFFEF


# ---------------------------------------------------------------------------
# PDF syntax of our own.
def pdf_literal(b):
    """A literal string: ( ) \\ escaped, bytes outside printable ASCII as octal."""
    out = bytearray(b"(")
    for c in b:
        if c in b"()\\":
            out += b"\\" + bytes([c])
        elif 32 <= c < 127:
            out.append(c)
        else:
            out += b"\\%03o" % c
    return bytes(out + b")")


def pdf_text_string(s):
    """A text string for a dictionary: PDFDocEncoding's ASCII as a literal, else UTF-16BE with its mark, in hex."""
    if all(32 <= ord(c) < 127 for c in s):
        return pdf_literal(s.encode("ascii")).decode("ascii")
    return "<FEFF%s>" % s.encode("utf-16-be").hex().upper()


def lzw_encode(data, early=1):
    """LZW as PDF's LZWDecode reads it: 9 to 12-bit codes, MSB first, Clear 256, EOD 257."""
    out, acc, nacc = bytearray(), 0, 0

    def emit(code, width):
        nonlocal acc, nacc
        acc = (acc << width) | code
        nacc += width
        while nacc >= 8:
            nacc -= 8
            out.append((acc >> nacc) & 0xFF)

    def width_for(nxt):
        # the reader's table trails ours by one entry; EarlyChange 1 widens one code sooner
        nxt -= 1 - early
        return 9 if nxt < 512 else 10 if nxt < 1024 else 11 if nxt < 2048 else 12

    table = {bytes([i]): i for i in range(256)}
    nxt = 258
    emit(256, 9)
    w = b""
    for c in data:
        wc = w + bytes([c])
        if wc in table:
            w = wc
            continue
        emit(table[w], width_for(nxt))
        table[wc] = nxt
        nxt += 1
        w = bytes([c])
        if nxt >= 4093:
            emit(256, width_for(nxt))
            table = {bytes([i]): i for i in range(256)}
            nxt = 258
    if w:
        emit(table[w], width_for(nxt))
        nxt += 1
    emit(257, width_for(nxt))
    if nacc:
        out.append((acc << (8 - nacc)) & 0xFF)
    return bytes(out)


def runlength_encode(data):
    out = bytearray()
    i, n = 0, len(data)
    while i < n:
        j = i
        while j < n and j - i < 128 and data[j] == data[i]:
            j += 1
        if j - i >= 3:
            out += bytes([257 - (j - i), data[i]])
            i = j
            continue
        j = i
        while j < n and j - i < 128 and not (j + 2 < n and data[j] == data[j + 1] == data[j + 2]):
            j += 1
        out += bytes([j - i - 1]) + data[i:j]
        i = j
    return bytes(out + b"\x80")


def encode_filter(name, data, parms):
    if name == "FlateDecode":
        return zlib.compress(data, 6)
    if name == "LZWDecode":
        return lzw_encode(data, (parms or {}).get("EarlyChange", 1))
    if name == "ASCII85Decode":
        return base64.a85encode(data, wrapcol=72) + b"~>"
    if name == "ASCIIHexDecode":
        h = data.hex().upper().encode()
        return b"\n".join(h[i:i + 64] for i in range(0, len(h), 64)) + b">"
    if name == "RunLengthDecode":
        return runlength_encode(data)
    raise ValueError(name)


class Pdf:
    """Objects numbered from 1, written with a classic xref table."""

    def __init__(self, version="1.7"):
        self.version = version
        self.objs = []

    def new(self):
        self.objs.append(None)
        return len(self.objs)

    def put(self, num, body):
        self.objs[num - 1] = body.encode("latin-1") if isinstance(body, str) else body

    def obj(self, body):
        n = self.new()
        self.put(n, body)
        return n

    def stream_body(self, data, extra="", filters=("FlateDecode",), parms=None):
        for f in reversed(filters):
            data = encode_filter(f, data, parms)
        d = extra
        if len(filters) == 1:
            d += " /Filter /%s" % filters[0]
        elif filters:
            d += " /Filter [%s]" % " ".join("/" + f for f in filters)
        if parms:
            d += " /DecodeParms << %s >>" % " ".join("/%s %s" % kv for kv in parms.items())
        return ("<<%s /Length %d >>\nstream\n" % (d, len(data))).encode("latin-1") + data + b"\nendstream"

    def stream(self, data, extra="", filters=("FlateDecode",), parms=None, num=None):
        n = num or self.new()
        self.put(n, self.stream_body(data, extra, filters, parms))
        return n

    def write(self, root, info=None, trailer_extra=""):
        out = bytearray(b"%%PDF-%s\n%%\xe2\xe3\xcf\xd3\n" % self.version.encode())
        offs = []
        for i, body in enumerate(self.objs):
            offs.append(len(out))
            out += b"%d 0 obj\n" % (i + 1) + (body if body is not None else b"null") + b"\nendobj\n"
        xref = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(self.objs) + 1)
        for o in offs:
            out += b"%010d 00000 n \n" % o
        out += ("trailer\n<< /Size %d /Root %d 0 R%s%s >>\nstartxref\n%d\n%%%%EOF\n"
                % (len(self.objs) + 1, root, " /Info %d 0 R" % info if info else "", trailer_extra, xref)).encode("latin-1")
        return bytes(out)


def append_update(data, objs, root, size, info=None, prev_override=None):
    """An incremental update: `objs` {num: body} appended with an xref section whose /Prev is the last one."""
    prev = int(re.findall(rb"startxref\s+(\d+)", data)[-1])
    out = bytearray(data)
    offs = {}
    for num, body in sorted(objs.items()):
        offs[num] = len(out)
        out += b"%d 0 obj\n" % num + (body.encode("latin-1") if isinstance(body, str) else body) + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 1\n0000000000 65535 f \n"
    for num in sorted(offs):
        out += b"%d 1\n%010d 00000 n \n" % (num, offs[num])
    out += ("trailer\n<< /Size %d /Root %d 0 R%s /Prev %d >>\nstartxref\n%d\n%%%%EOF\n"
            % (size, root, " /Info %d 0 R" % info if info else "", prev if prev_override is None else prev_override(xref),
               xref)).encode("latin-1")
    return bytes(out)


class SimpleFont:
    """A standard-14 font with WinAnsi bytes (or a base encoding of its own)."""

    def __init__(self, base="Helvetica", encoding="WinAnsiEncoding"):
        self.base, self.encoding = base, encoding

    def dict(self):
        enc = " /Encoding /%s" % self.encoding if self.encoding else ""
        return "<< /Type /Font /Subtype /Type1 /BaseFont /%s%s >>" % (self.base, enc)

    def encode(self, s):
        codec = "mac_roman" if self.encoding == "MacRomanEncoding" else "cp1252"
        return s.encode(codec, "replace")

    def show(self, s):
        return pdf_literal(self.encode(s))

    def width(self, s, size):
        return len(s) * 0.6 * size if self.base.startswith("Courier") else helv_width(s, size)


class HexFont(SimpleFont):
    """Helvetica whose strings are written in hex."""

    def show(self, s):
        return b"<" + self.encode(s).hex().encode() + b">"


class CidFont:
    """A Type0 font with Identity-H, no font program, and a /ToUnicode of the characters it was asked to show.

    Glyph ids are handed out in the order characters are first seen, from a seeded start, so the
    content's bytes never spell the text. `extra` maps a glyph of its own to a string (ligatures)."""

    def __init__(self, rng, name="SorvikSans"):
        self.name = name
        self.gid = {}
        self.next = rng.randrange(40, 400)
        self.multi = {}

    def glyph(self, key):
        if key not in self.gid:
            self.gid[key] = self.next
            self.next += 1 + (self.next % 7 == 0)
        return self.gid[key]

    def show(self, s):
        return b"<" + "".join("%04X" % self.glyph(c) for c in s).encode() + b">"

    def show_ligature(self, text, as_text):
        """One glyph that stands for `text`; its /ToUnicode entry is `as_text`."""
        g = self.glyph(("lig", text))
        self.multi[g] = as_text
        return g

    def width(self, s, size):
        return sum(1.0 if is_wide(c) else 0.5 for c in s) * size

    def objects(self, pdf):
        entries = []
        for key, g in sorted(self.gid.items(), key=lambda kv: kv[1]):
            text = self.multi.get(g, key if isinstance(key, str) else "")
            entries.append((g, text))
        lines = []
        # contiguous single characters become ranges, the rest single entries
        i = 0
        singles = []
        while i < len(entries):
            j = i
            while (j + 1 < len(entries) and len(entries[j][1]) == 1 and len(entries[j + 1][1]) == 1 and
                   entries[j + 1][0] == entries[j][0] + 1 and ord(entries[j + 1][1]) == ord(entries[j][1]) + 1 and
                   (entries[j + 1][0] >> 8) == (entries[i][0] >> 8)):
                j += 1
            if j > i:
                lines.append("1 beginbfrange\n<%04X> <%04X> <%s>\nendbfrange" % (entries[i][0], entries[j][0],
                                                                                   entries[i][1].encode("utf-16-be").hex().upper()))
            else:
                singles.append(entries[i])
            i = j + 1
        for k in range(0, len(singles), 100):
            chunk = singles[k:k + 100]
            lines.append("%d beginbfchar\n%s\nendbfchar" % (len(chunk), "\n".join(
                "<%04X> <%s>" % (g, t.encode("utf-16-be").hex().upper()) for g, t in chunk)))
        cmap = ("/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo << /Registry (Adobe) "
                "/Ordering (UCS) /Supplement 0 >> def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n%s\nendcmap\nCMapName currentdict /CMap "
                "defineresource pop\nend\nend\n" % "\n".join(lines))
        tu = pdf.stream(cmap.encode("ascii"))
        widths = " ".join("%d [%d]" % (g, 1000 if isinstance(k, str) and is_wide(k) else 500)
                          for k, g in sorted(self.gid.items(), key=lambda kv: kv[1]))
        desc = pdf.obj("<< /Type /FontDescriptor /FontName /%s /Flags 32 /FontBBox [-200 -250 1100 950] /ItalicAngle 0 "
                       "/Ascent 900 /Descent -250 /CapHeight 700 /StemV 80 >>" % self.name)
        cid = pdf.obj("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /%s /CIDSystemInfo << /Registry (Adobe) "
                      "/Ordering (Identity) /Supplement 0 >> /FontDescriptor %d 0 R /DW 500 /W [%s] "
                      "/CIDToGIDMap /Identity >>" % (self.name, desc, widths))
        return pdf.obj("<< /Type /Font /Subtype /Type0 /BaseFont /%s /Encoding /Identity-H /DescendantFonts [%d 0 R] "
                       "/ToUnicode %d 0 R >>" % (self.name, cid, tu))


def visual(s):
    """A right-to-left line as a producer draws it: glyphs left to right in visual order."""
    return s[::-1]


# ---------------------------------------------------------------------------
class Gen:
    def __init__(self, out, seed, scale):
        self.out = out  # OUT/tree
        self.seed = seed
        self.rng = random.Random(seed)
        self.scale = scale
        self.expect = {q[0]: {} for q in QUERIES}  # qid -> {rel: planted to be found (True) or not (False)}
        self.nfiles = 0
        self.nbytes = 0
        self.kinds = {}
        self.failures = []
        self.decided = set()  # files whose truth is whatever pdftotext reads (damaged)
        self.qpdf_sources = []
        self.widths = {}  # (font, size) -> {word: width}

    # ---------------------------------------------------------------- text
    def word(self, wide=False):
        r = self.rng
        if r.random() < 0.02:
            return r.choice(WIDE_EXTRA if wide else ANSI_EXTRA)
        w = "".join(r.choices(SYLLABLES, k=r.choice((1, 1, 2, 2, 2, 3, 3, 4))))
        if r.random() < 0.3:
            w += r.choice("lnrst")
        return w

    def sentence(self, nwords=None, wide=False):
        r = self.rng
        n = nwords or r.randint(4, 18)
        ws = []
        for i in range(n):
            ws.append(self.word(wide))
            if i < n - 1:
                ws.append(r.choice(PUNCT) if r.random() < 0.08 else " ")
        s = "".join(ws).replace("( ", "(").strip()
        return s[0].upper() + s[1:] + r.choice(".....!?")

    def para(self, wide=False, lo=1, hi=5):
        return " ".join(self.sentence(wide=wide) for _ in range(self.rng.randint(lo, hi)))

    # ---------------------------------------------------------------- output
    def full(self, rel):
        p = os.path.join(self.out, rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        return p

    def count(self, rel, kind):
        self.nfiles += 1
        self.nbytes += os.path.getsize(os.path.join(self.out, rel))
        self.kinds[kind] = self.kinds.get(kind, 0) + 1

    def write(self, rel, data, kind):
        with open(self.full(rel), "wb") as f:
            f.write(data)
        self.count(rel, kind)

    def plant(self, qid, rel, found=True):
        assert qid in self.expect, qid
        self.expect[qid][rel] = found

    def plant_text(self, rel, text, found=True):
        """Plants every query whose words the text holds (as the queries ask for them)."""
        text = normalise(text)
        folded = fold(text)
        for qid, qry, cmd, mtc, _ in QUERIES:
            if qid.startswith("m_"):
                continue
            hit = match_query(qry, cmd, mtc, text, folded)
            if hit:
                self.plant(qid, rel, found)

    # ---------------------------------------------------------------- pages
    def wrap(self, text, font, size, width):
        lines, cur, used = [], [], 0.0
        space = font.width(" ", size)
        cache = self.widths.setdefault((type(font).__name__, getattr(font, "base", ""), size), {})
        for w in text.split(" "):
            ww = cache.get(w)
            if ww is None:
                ww = cache[w] = font.width(w, size)
            if cur and used + space + ww > width:
                lines.append(" ".join(cur))
                cur, used = [w], ww
            else:
                used += (space if cur else 0) + ww
                cur.append(w)
        if cur:
            lines.append(" ".join(cur))
        return lines

    def line_ops(self, line, font, size, style):
        """Content operators that draw one line where the text matrix stands."""
        r = self.rng
        if style == "tj":
            return font.show(line) + b" Tj"
        if style == "kern":  # TJ with small kerns inside words, as typesetters write
            parts, out = [], []
            for ch in line:
                out.append(ch)
                if ch != " " and r.random() < 0.06:
                    parts.append(font.show("".join(out)))
                    parts.append(b"%d" % r.choice((-40, -25, -12, 10, 18, 30)))
                    out = []
            parts.append(font.show("".join(out)))
            return b"[" + b" ".join(parts) + b"] TJ"
        if style == "pdftex":  # no space glyphs: a kern of about a third of an em between words
            parts = []
            for k, w in enumerate(line.split(" ")):
                if k:
                    parts.append(b"%d" % -r.randint(250, 340))
                parts.append(font.show(w))
            return b"[" + b"".join(parts) + b"] TJ"
        if style == "words":  # one Td per word, from the end of the word before plus a space
            ops = []
            for k, w in enumerate(line.split(" ")):
                if k:
                    prev = line.split(" ")[k - 1]
                    ops.append(b"%.2f 0 Td" % (font.width(prev, size) + font.width(" ", size)))
                ops.append(font.show(w) + b" Tj")
            return b" ".join(ops)
        raise ValueError(style)

    def page_content(self, lines, font, size, style, fname=b"/F1", top=740, left=72):
        """A page's text: lines from the top, 1.25 * size apart. An item given as bytes is operators of
        its own, drawn at its line's start (the font is set again after it); "" is an empty line."""
        lead = size * 1.25
        ops = [b"BT %s %d Tf %.2f TL" % (fname, size, lead)]
        y, reset = top, True
        for ln in lines:
            if callable(ln):
                ln = ln(left, y)
            if isinstance(ln, bytes):
                ops.append(b"1 0 0 1 %d %.2f Tm %s %s %d Tf" % (left, y, ln, fname, size))
                reset = True
            elif style == "words":
                if ln:
                    ops.append(b"1 0 0 1 %d %.2f Tm %s" % (left, y, self.line_ops(ln, font, size, style)))
            else:
                ops.append(b"1 0 0 1 %d %.2f Tm" % (left, y) if reset else b"T*")
                reset = False
                if ln:
                    ops.append(self.line_ops(ln, font, size, style))
            y -= lead
        ops.append(b"ET")
        return b"\n".join(ops) + b"\n"

    def build_doc(self, pages, fonts, info=None, inherit=False, extra_res="", catalog_extra="", page_extra=None,
                  pdf=None, xobjects=None, filters=("FlateDecode",), parms=None):
        """A document from page contents (bytes, or a list of bytes for several streams) and a font map name -> object."""
        p = pdf or Pdf()
        root_pages = p.new()
        font_res = "/Font << %s >>" % " ".join("/%s %d 0 R" % kv for kv in fonts.items())
        xo = " /XObject << %s >>" % " ".join("/%s %d 0 R" % kv for kv in xobjects.items()) if xobjects else ""
        res = "<< %s%s%s >>" % (font_res, xo, extra_res)
        kids = []
        parents = [root_pages]
        # more than 10 pages: a tree of nodes of 8, as producers balance it
        groups = [list(range(len(pages)))] if len(pages) <= 10 else [list(range(i, min(i + 8, len(pages)))) for i in range(0, len(pages), 8)]
        nodes = []
        for g in groups:
            node = root_pages if len(groups) == 1 else p.new()
            nodes.append(node)
            gk = []
            for i in g:
                content = pages[i]
                streams = content if isinstance(content, list) else [content]
                cs = [p.stream(s, filters=filters, parms=parms) for s in streams]
                cref = "%d 0 R" % cs[0] if len(cs) == 1 else "[%s]" % " ".join("%d 0 R" % c for c in cs)
                extra = page_extra(i) if page_extra else ""
                pg = p.obj("<< /Type /Page /Parent %d 0 R%s /Contents %s%s%s >>" % (
                    node, "" if inherit else " /MediaBox [0 0 612 792]", cref, "" if inherit else " /Resources %s" % res, extra))
                gk.append(pg)
            if node != root_pages:
                p.put(node, "<< /Type /Pages /Parent %d 0 R /Kids [%s] /Count %d >>" % (root_pages, " ".join("%d 0 R" % k for k in gk), len(gk)))
                kids.append(node)
            else:
                kids = gk
        inh = " /MediaBox [0 0 612 792] /Resources %s" % res if inherit else ""
        p.put(root_pages, "<< /Type /Pages /Kids [%s] /Count %d%s >>" % (" ".join("%d 0 R" % k for k in kids), len(pages), inh))
        cat = p.obj("<< /Type /Catalog /Pages %d 0 R%s >>" % (root_pages, catalog_extra))
        inf = None
        if info:
            inf = p.obj("<< %s /Producer (make_pdf_corpus.py) /CreationDate (D:20240314092652Z) >>" % " ".join(
                "/%s %s" % (k, pdf_text_string(v)) for k, v in info.items()))
        return p.write(cat, inf)

    def text_doc(self, paragraphs, style="tj", font=None, size=10, info=None, inherit=False, lines_per_page=None,
                 filters=("FlateDecode",), parms=None, rotate=None):
        """A document of wrapped paragraphs; a paragraph given as bytes is drawn as is (its own line)."""
        font = font or SimpleFont()
        lead = size * 1.25
        per_page = lines_per_page or int(640 / lead)
        lines = []
        for para in paragraphs:
            if isinstance(para, bytes) or callable(para):
                lines.append(para)
            else:
                lines += self.wrap(para, font, size, 460)
            lines.append("")
        pages = [lines[i:i + per_page] for i in range(0, len(lines), per_page)] or [[]]
        pdf = Pdf()
        contents = [self.page_content(pg, font, size, style) for pg in pages]
        fobj = font.objects(pdf) if isinstance(font, CidFont) else pdf.obj(font.dict())
        return self.build_doc(contents, {"F1": fobj}, info=info, inherit=inherit, pdf=pdf, filters=filters, parms=parms,
                              page_extra=(lambda i: " /Rotate %d" % rotate) if rotate else None)

    # ---------------------------------------------------------------- groff
    def groff_source(self, i, planted):
        r = self.rng
        src = []
        title = " ".join(self.word() for _ in range(4)).capitalize()
        if "title" in planted:
            title = "Notes \\%zqxtitle " + title
        src.append(".pdfinfo /Title %s" % title.replace("\\%", ""))
        src.append(".pdfinfo /Author zqxauthor")
        src.append('\\X\'ps: exec [/Title (%s) /Author (zqxauthor) /DOCINFO pdfmark\'' % title.replace("\\%", ""))
        src += [".nr HY 0", ".nh"]
        src.append(".ds LH %s" % ("\\%zqxheader" if "header" in planted else self.word()))
        src.append(".ds RH %s" % self.word())
        src += [".TL", title, ".AU", self.sentence(2)[:-1], ".PP"]
        npara = max(6, int(r.expovariate(1 / 40)))
        if "header" in planted:  # ms heads the pages after the first
            npara = max(npara, 40)
        plants = sorted(planted)
        spots = {p: r.randrange(2, npara) for p in plants}
        for k in range(npara):
            src.append(".PP")
            src.append(self.para())
            for p in [p for p in plants if spots[p] == k]:
                src += self.groff_plant(p)
        return "\n".join(src) + "\n"

    def groff_plant(self, p):
        s = self.sentence(5)
        if p == "body":
            return ["This \\%zqxbody is text.", s]
        if p == "split":
            return ["A split zq\\fBxspl\\fP\\fIit\\fPrun word.", s]
        if p == "table":
            return [".TS", "box;", "l l l.", "%s\t\\%%zqxcell\t%s" % (self.word(), self.word()),
                    "%s\t%s\t%s" % (self.word(), self.word(), self.word()), ".TE", ".PP", s]
        if p == "note":
            return ["A noted word\\**", ".FS", "The \\%zqxfootnote says more.", ".FE", s]
        if p == "list":
            return [".IP \\(bu", "item \\%zqxlistitem one", ".IP \\(bu", "item %s" % self.word(), ".LP", s]
        if p == "phrase_in":
            return [".br", "%s \\%%zqxphone \\%%zqxphtwo %s" % (self.word(), self.word()), ".br", s]
        if p == "phrase_over":
            return [".br", "%s \\%%zqxphone" % self.word(), ".br", "\\%%zqxphtwo %s" % self.word(), ".br", s]
        if p == "case":
            return ["Forms \\%ZQXCase and \\%zqxcase here.", s]
        if p == "whole":
            return ["Glued \\%zqxwholeness and (\\%zqxwhole) there.", s]
        if p == "accent":
            return ["Accented \\%zqxcafé word.", s]
        if p == "crypt":
            return ["Source \\%zqxcrypt text.", s]
        if p == "damaged":
            return ["Early \\%zqxdamaged word.", s]
        if p == "title":
            return [s]
        if p == "header":
            return [s]
        raise ValueError(p)

    def groff_docs(self, n, ps, folder):
        env = dict(os.environ, SOURCE_DATE_EPOCH=EPOCH, LC_ALL="C.UTF-8")
        choices = ["body", "split", "table", "note", "list", "phrase_in", "phrase_over", "case", "whole", "accent", "title", "header"]
        made = []
        for i in range(n):
            planted = {c for k, c in enumerate(choices) if (i + k) % 4 == 0}
            if i == 0:
                planted |= {"header", "title", "crypt", "body"}
            src = self.groff_source(i, planted)
            rel = "%s/%s-%03d.pdf" % (folder, "memo" if ps else "paper", i)
            full = self.full(rel)
            try:
                if ps:
                    g = subprocess.run(["groff", "-k", "-ms", "-t", "-Tps"], input=src.encode("utf-8"), capture_output=True,
                                       env=env, check=True, timeout=120)
                    subprocess.run(["ps2pdf", "-", full], input=g.stdout, capture_output=True, env=env, check=True, timeout=120)
                    with open(full, "rb") as f:
                        data = f.read()
                    # Ghostscript's /ID comes from the clock: one from the seed instead, the same length
                    ident = hashlib.md5(("%d %s" % (self.seed, rel)).encode()).hexdigest().upper().encode()
                    data = re.sub(rb"/ID ?\[ ?<[0-9A-Fa-f]{32}> ?<[0-9A-Fa-f]{32}> ?\]",
                                  lambda m: re.sub(rb"<[0-9A-Fa-f]{32}>", b"<" + ident + b">", m.group(0)), data)
                    with open(full, "wb") as f:
                        f.write(data)
                else:
                    with open(full, "wb") as f:
                        subprocess.run(["groff", "-k", "-ms", "-t", "-Tpdf"], input=src.encode("utf-8"), stdout=f,
                                       stderr=subprocess.DEVNULL, env=env, check=True, timeout=120)
            except (subprocess.CalledProcessError, subprocess.TimeoutExpired, OSError) as e:
                self.failures.append("%s: %s" % (rel, e))
                if os.path.exists(full):
                    os.remove(full)
                continue
            self.count(rel, "groff-ps" if ps else "groff")
            for p in planted:
                q = {"phrase_in": "phrase", "accent": "accent_i"}.get(p, p)
                if p == "phrase_over":
                    self.plant("phrase", rel, False)
                elif p == "case":
                    self.plant("case_c", rel)
                    self.plant("case_i", rel)
                elif p == "whole":
                    self.plant("whole", rel)
                    self.plant("whole_off", rel)
                else:
                    self.plant(q, rel)
            made.append(rel)
        return made

    # ---------------------------------------------------------------- hand-made
    def filler_paras(self, n, wide=False):
        return [self.para(wide) for _ in range(n)]

    def hand(self, rel, data, kind="hand"):
        self.write("hand/" + rel, data, kind)
        return "hand/" + rel

    def hand_files(self):
        r = self.rng
        P = self.plant
        F = self.filler_paras
        helv = SimpleFont()

        # TJ kerning inside words; a wide gap splits the word
        rel = self.hand("tj-kerning.pdf", self.text_doc(F(2) + [b"[(zqxker) -28 (ning)] TJ", b"[(Dif) -28 (ference, a zqxk) 30 (erning) -12 (.)] TJ"] + F(2)))
        P("kern", rel)
        rel = self.hand("tj-wide-gap.pdf", self.text_doc(F(2) + [b"[(zqxker) -400 (ning)] TJ"] + F(1)))
        P("kern", rel, False)
        # a glyph at a time: Td moves (Courier's 0.6 em advance), a Tm per glyph, char spacing
        courier = SimpleFont("Courier", None)
        ops = b" ".join(b"(%s) Tj 6 0 Td" % c.encode() for c in "zqxglyphwise")
        rel = self.hand("glyphs-td.pdf", self.text_doc(F(2) + [ops] + F(2), font=courier))
        P("glyphs", rel)
        ops = lambda x, y: b" ".join(b"1 0 0 1 %.2f %.2f Tm (%s) Tj" % (x + 6 * k, y, c.encode()) for k, c in enumerate("zqxglyphwise"))
        rel = self.hand("glyphs-tm.pdf", self.text_doc(F(2) + [ops] + F(1), font=courier))
        P("glyphs", rel)
        rel = self.hand("glyphs-tc.pdf", self.text_doc(F(1) + [b"0.6 Tc (zqxglyphwise) Tj 0 Tc", b"3 Tw (spaced words) Tj 0 Tw"] + F(1)))
        P("glyphs", rel)
        # /Differences with glyph names, Cyrillic through uniXXXX and afii names, the ffi ligature by its name
        names = {"z": "z", "q": "q", "x": "x", "g": "g", "l": "l", "y": "y", "p": "p", "h": "h", "n": "n", "a": "a",
                 "m": "m", "e": "e", "o": "o", "c": "c", "ж": "uni0436", "щ": "afii10091", "ю": "uni044E",
                 "с": "afii10083", "л": "uni043B", "о": "afii10080", "в": "afii10067", "ﬃ": "ffi"}
        order = list(names)
        r.shuffle(order)
        code = {ch: k + 1 for k, ch in enumerate(order)}
        diffs = "1 " + " ".join("/" + names[ch] for ch in order)
        enc = lambda s: pdf_literal(bytes(code[c] for c in s))
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        f2 = pdf.obj("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Type /Encoding /BaseEncoding "
                     "/WinAnsiEncoding /Differences [%s] >> >>" % diffs)
        lines = F(1) + [b"/F2 10 Tf " + enc("zqxglyphname") + b" Tj", b"/F2 10 Tf " + enc("жщюслово") + b" Tj",
                        b"/F2 10 Tf " + enc("zqxoﬃce") + b" Tj"] + F(1)
        rel = self.hand("differences.pdf", self.build_doc([self.page_content(self.lay(lines), helv, 10, "tj")], {"F1": f1, "F2": f2}, pdf=pdf))
        P("glyphname", rel), P("cyr_i", rel), P("lig", rel)
        # Type3 fonts: codes of our own with a /ToUnicode; glyph names only
        for rel, tounicode in (("type3-tounicode.pdf", True), ("type3-names.pdf", False)):
            pdf = Pdf()
            f1 = pdf.obj(helv.dict())
            word = "zqxtypethree"
            letters = sorted(set(word))
            codes = {ch: 20 + 3 * k for k, ch in enumerate(letters)}
            box = pdf.stream(b"600 0 0 0 500 700 d1 0 0 500 700 re f")
            procs = " ".join("/g%d %d 0 R" % (codes[c], box) for c in letters) if tounicode else " ".join("/%s %d 0 R" % (c, box) for c in letters)
            diffs = " ".join("%d /%s" % (codes[c], ("g%d" % codes[c]) if tounicode else c) for c in letters)
            tu = ""
            if tounicode:
                cmap = ("/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /T3 def /CMapType 2 def "
                        "1 begincodespacerange <00> <FF> endcodespacerange %d beginbfchar %s endbfchar endcmap "
                        "CMapName currentdict /CMap defineresource pop end end" % (
                            len(letters), " ".join("<%02X> <%04X>" % (codes[c], ord(c)) for c in letters)))
                tu = " /ToUnicode %d 0 R" % pdf.stream(cmap.encode())
            lo, hi = min(codes.values()), max(codes.values())
            widths = " ".join("600" if k in codes.values() else "0" for k in range(lo, hi + 1))
            f2 = pdf.obj("<< /Type /Font /Subtype /Type3 /FontBBox [0 0 600 700] /FontMatrix [0.001 0 0 0.001 0 0] "
                         "/CharProcs << %s >> /Encoding << /Type /Encoding /Differences [%s] >> /FirstChar %d /LastChar %d "
                         "/Widths [%s]%s /Resources << >> >>" % (procs, diffs, lo, hi, widths, tu))
            lines = F(1) + [b"/F2 10 Tf " + pdf_literal(bytes(codes[c] for c in word)) + b" Tj"] + F(1)
            rel = self.hand(rel, self.build_doc([self.page_content(self.lay(lines), helv, 10, "tj")], {"F1": f1, "F2": f2}, pdf=pdf))
            P("type3", rel)
        # Type0 fonts with Adobe's UCS-2 CMaps, no font program
        for rel, word, fill, cmap, ordering, font in (("cjk-unijis.pdf", JA, "日本語の文書です", "UniJIS-UCS2-H", "Japan1", "KozMinPro-Regular"),
                                                     ("cjk-unigb.pdf", ZH, "中文文件", "UniGB-UCS2-H", "GB1", "STSong-Light")):
            pdf = Pdf()
            f1 = pdf.obj(helv.dict())
            desc = pdf.obj("<< /Type /FontDescriptor /FontName /%s /Flags 6 /FontBBox [-200 -300 1200 1000] /ItalicAngle 0 "
                           "/Ascent 880 /Descent -120 /CapHeight 740 /StemV 80 >>" % font)
            cid = pdf.obj("<< /Type /Font /Subtype /CIDFontType0 /BaseFont /%s /CIDSystemInfo << /Registry (Adobe) "
                          "/Ordering (%s) /Supplement 4 >> /FontDescriptor %d 0 R /DW 1000 >>" % (font, ordering, desc))
            f2 = pdf.obj("<< /Type /Font /Subtype /Type0 /BaseFont /%s-%s /Encoding /%s /DescendantFonts [%d 0 R] >>"
                         % (font, cmap, cmap, cid))
            ucs = lambda s: b"<" + s.encode("utf-16-be").hex().upper().encode() + b">"
            lines = F(1) + [b"/F2 10 Tf " + ucs(fill) + b" Tj", b"/F2 10 Tf " + ucs(fill[:2] + word + fill[2:]) + b" Tj"] + F(1)
            rel = self.hand(rel, self.build_doc([self.page_content(self.lay(lines), helv, 10, "tj")], {"F1": f1, "F2": f2}, pdf=pdf))
            P("cjk_ja" if word == JA else "cjk_zh", rel)
        # Identity-H with a /ToUnicode: Greek, Cyrillic, CJK; Hebrew and Arabic drawn in visual order
        for rel, extra in (("scripts-lower.pdf", [GREEK_L, CYR_L]), ("scripts-upper.pdf", [GREEK_U, CYR_U])):
            font = CidFont(r)
            paras = [self.para(wide=True)] + ["Ελληνικά %s κείμενο" % extra[0], "русский %s текст" % extra[1]]
            lines = [p for para in paras for p in self.wrap(para, font, 10, 460)]
            if rel == "scripts-lower.pdf":
                lines += ["日本語 %s 中文 %s" % (JA, ZH)]
                raw = [font.show(visual("%s %s %s" % (HEBREW_FILL[0], HEBREW, HEBREW_FILL[1]))) + b" Tj",
                       font.show(visual("%s %s %s" % (ARABIC_FILL[0], ARABIC, ARABIC_FILL[1]))) + b" Tj"]
            else:
                raw = []
            body = [l for l in lines] + raw + self.wrap(self.para(wide=True), font, 10, 460)
            pdf = Pdf()
            content = self.page_content(body, font, 10, "tj")
            f1 = font.objects(pdf)
            rel = self.hand(rel, self.build_doc([content], {"F1": f1}, pdf=pdf))
            if rel.endswith("lower.pdf"):
                for q in ("greek_i", "cyr_i", "hebrew", "arabic", "cjk_ja", "cjk_zh"):
                    P(q, rel)
            else:
                for q in ("greek_i", "greek_c", "cyr_i"):
                    P(q, rel)
        # ligature glyphs in an Identity-H font: one maps to "ffi", one to U+FB03
        font = CidFont(r)
        g1 = font.show_ligature("ffi", "ffi")
        g2 = font.show_ligature("ffi2", "\ufb03")
        mix = lambda parts: b"<" + b"".join(("%04X" % p).encode() if isinstance(p, int) else font.show(p)[1:-1] for p in parts) + b">"
        body = self.wrap(self.para(), font, 10, 460) + [mix(["The zqxo", g1, "ce"]) + b" Tj", mix(["and zqxo", g2, "ce too"]) + b" Tj"]
        pdf = Pdf()
        content = self.page_content(body, font, 10, "tj")
        rel = self.hand("ligatures.pdf", self.build_doc([content], {"F1": font.objects(pdf)}, pdf=pdf))
        P("lig", rel)
        # stream filters for the page content; the LZW ones long enough for 12-bit codes and a Clear
        for name, filters, parms in (("lzw", ("LZWDecode",), None), ("lzw-early0", ("LZWDecode",), {"EarlyChange": 0}),
                                     ("ascii85", ("ASCII85Decode",), None), ("asciihex", ("ASCIIHexDecode",), None),
                                     ("runlength", ("RunLengthDecode",), None), ("a85-flate", ("ASCII85Decode", "FlateDecode"), None),
                                     ("hex-lzw", ("ASCIIHexDecode", "LZWDecode"), None)):
            paras = F(25 if "lzw" in name else 4)
            paras.insert(len(paras) // 2, "Filtered zqxfiltered text in %s." % name)
            rel = self.hand("filter-%s.pdf" % name, self.text_doc(paras, size=5 if "lzw" in name else 10, filters=filters, parms=parms))
            P("filters", rel)
        # string syntax
        rel = self.hand("escapes.pdf", self.text_doc(F(1) + [b"(zqx\\145scaped octal) Tj", b"(zqxesc\\\naped continued) Tj",
                                                              b"<7A 71 78 65 73 63 61 70\n65 64 20 68 65 78> Tj",
                                                              b"(balanced \\(and\\) (parens) zqxescaped) Tj"] + F(1)))
        P("escaped", rel)
        # Form XObjects: drawn, nested, unused
        for rel, nested_only in (("form-xobject.pdf", False), ("form-nested.pdf", True)):
            pdf = Pdf()
            f1 = pdf.obj(helv.dict())
            res = "/Resources << /Font << /F1 %d 0 R >> >>" % f1
            inner = pdf.stream(b"BT /F1 10 Tf 0 0 Td (Inner zqxformxobj form.) Tj ET",
                               " /Type /XObject /Subtype /Form /BBox [0 0 400 20] " + res)
            outer_text = b"(Outer form text.) Tj" if nested_only else b"(Outer zqxformxobj form.) Tj"
            outer = pdf.stream(b"BT /F1 10 Tf 0 30 Td " + outer_text + b" ET q 1 0 0 1 0 0 cm /Fm2 Do Q",
                               " /Type /XObject /Subtype /Form /BBox [0 0 400 60] /Resources << /Font << /F1 %d 0 R >> "
                               "/XObject << /Fm2 %d 0 R >> >>" % (f1, inner))
            body = self.page_content(self.lay(F(2)), helv, 10, "tj") + b"q 1 0 0 1 72 300 cm /Fm1 Do Q\n"
            rel = self.hand(rel, self.build_doc([body], {"F1": f1}, pdf=pdf, xobjects={"Fm1": outer}))
            P("form", rel)
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        unused = pdf.stream(b"BT /F1 10 Tf 0 0 Td (zqxunused form) Tj ET",
                            " /Type /XObject /Subtype /Form /BBox [0 0 400 20] /Resources << /Font << /F1 %d 0 R >> >>" % f1)
        pdf.stream(b"BT /F1 10 Tf 72 600 Td (zqxunused stream) Tj ET")
        orphan_c = pdf.stream(b"BT /F1 10 Tf 72 600 Td (zqxunused page) Tj ET")
        pdf.obj("<< /Type /Page /MediaBox [0 0 612 792] /Contents %d 0 R /Resources << /Font << /F1 %d 0 R >> >> >>" % (orphan_c, f1))
        rel = self.hand("unused.pdf", self.build_doc([self.page_content(self.lay(F(3)), helv, 10, "tj")], {"F1": f1}, pdf=pdf,
                                                     xobjects={"Fm9": unused}))
        P("unused", rel, False)
        # inline image data that looks like text; then real text
        data = b"BT /F1 10 Tf 0 0 Td (zqxinimage) Tj ET".ljust(64, b" ")
        img = b"q 128 0 0 8 72 600 cm BI /W 32 /H 2 /BPC 8 /CS /G ID " + data + b" EI Q\n"
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        rel = self.hand("inline-image.pdf", self.build_doc([img + self.page_content(self.lay(F(1) + ["After the image zqxbody."]), helv, 10, "tj")],
                                                           {"F1": f1}, pdf=pdf))
        P("inimage", rel, False), P("body", rel)
        # an image with invisible text over it, as OCR programs write; an image with no text at all
        for rel, text in (("ocr-layer.pdf", True), ("scan-no-text.pdf", False)):
            pdf = Pdf()
            f1 = pdf.obj(helv.dict())
            w, h = 200, 260
            pix = bytes(r.getrandbits(8) & 0x3F | 0xC0 for _ in range(w * h))
            im = pdf.stream(pix, " /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray /BitsPerComponent 8" % (w, h))
            body = b"q 612 0 0 792 0 0 cm /Im1 Do Q\n"
            if text:
                body += b"BT 3 Tr /F1 11 Tf 72 700 Td (Scanned page, zqxocrlayer recognised.) Tj ET\n"
            rel = self.hand(rel, self.build_doc([body], {"F1": f1}, pdf=pdf, xobjects={"Im1": im}))
            if text:
                P("ocr", rel)
        # text outside the page
        rel = self.hand("off-page.pdf", self.text_doc(F(2) + [b"1 0 0 1 900 400 Tm (zqxoffpage right) Tj", b"1 0 0 1 72 -200 Tm (zqxoffpage below) Tj"]))
        P("offpage", rel, False)
        # annotations: a sticky note's /Contents, a free text annotation (UTF-16) with an appearance
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        pages_n, page_n = pdf.new(), pdf.new()
        ap = pdf.stream(b"BT /F1 10 Tf 2 5 Td (see the note) Tj ET", " /Type /XObject /Subtype /Form /BBox [0 0 200 20] "
                        "/Resources << /Font << /F1 %d 0 R >> >>" % f1)
        a1 = pdf.obj("<< /Type /Annot /Subtype /Text /Rect [300 600 320 620] /Contents (Sticky zqxannotation note) /P %d 0 R /Name /Comment >>" % page_n)
        a2 = pdf.obj("<< /Type /Annot /Subtype /FreeText /Rect [100 500 300 520] /Contents %s /DA (/F1 10 Tf 0 g) /AP << /N %d 0 R >> /P %d 0 R >>"
                     % (pdf_text_string("Free zqxannotation Ελληνικά"), ap, page_n))
        content = pdf.stream(self.page_content(self.lay(F(2) + ["Source zqxcrypt text."] + F(1)), helv, 10, "tj"))
        pdf.put(page_n, "<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Contents %d 0 R /Resources << /Font << /F1 %d 0 R >> >> "
                "/Annots [%d 0 R %d 0 R] >>" % (pages_n, content, f1, a1, a2))
        pdf.put(pages_n, "<< /Type /Pages /Kids [%d 0 R] /Count 1 >>" % page_n)
        cat = pdf.obj("<< /Type /Catalog /Pages %d 0 R >>" % pages_n)
        info = pdf.obj("<< /Title (Annotated zqxtitle) /Author (zqxauthor) >>")
        rel = self.hand("annotations.pdf", pdf.write(cat, info))
        P("annot", rel), P("crypt", rel), P("title", rel), P("author", rel, False)
        self.qpdf_sources.append(rel)
        # form fields: one with an appearance stream, one without (NeedAppearances)
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        pages_n, page_n = pdf.new(), pdf.new()
        fap = pdf.stream(b"/Tx BMC BT /F1 10 Tf 2 5 Td (zqxfieldvalue one) Tj ET EMC", " /Type /XObject /Subtype /Form /BBox [0 0 200 20] "
                         "/Resources << /Font << /F1 %d 0 R >> >>" % f1)
        w1 = pdf.obj("<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (zqxfieldvalue one) /Rect [100 400 300 420] "
                     "/DA (/Helv 10 Tf 0 g) /AP << /N %d 0 R >> /P %d 0 R /F 4 >>" % (fap, page_n))
        w2 = pdf.obj("<< /Type /Annot /Subtype /Widget /FT /Tx /T (city) /V (zqxfieldvalue two) /Rect [100 360 300 380] "
                     "/DA (/Helv 10 Tf 0 g) /P %d 0 R /F 4 >>" % page_n)
        content = pdf.stream(self.page_content(self.lay(F(2)), helv, 10, "tj"))
        pdf.put(page_n, "<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Contents %d 0 R /Resources << /Font << /F1 %d 0 R >> >> "
                "/Annots [%d 0 R %d 0 R] >>" % (pages_n, content, f1, w1, w2))
        pdf.put(pages_n, "<< /Type /Pages /Kids [%d 0 R] /Count 1 >>" % page_n)
        cat = pdf.obj("<< /Type /Catalog /Pages %d 0 R /AcroForm << /Fields [%d 0 R %d 0 R] /NeedAppearances true "
                      "/DR << /Font << /Helv %d 0 R >> >> /DA (/Helv 10 Tf 0 g) >> >>" % (pages_n, w1, w2, f1))
        rel = self.hand("form-field.pdf", pdf.write(cat))
        P("field", rel)
        # the document's information: the title, subject and keywords are searched, the author is not
        rel = self.hand("info.pdf", self.text_doc(F(3), info={"Title": "Report zqxtitle", "Author": "zqxauthor",
                                                               "Subject": "zqxsubject words", "Keywords": "zqxkeyword"}))
        P("title", rel), P("author", rel, False), P("props", rel)
        rel = self.hand("title-utf16.pdf", self.text_doc(F(2), info={"Title": "Δοκιμή zqxtitle Ελληνικά", "Author": "zqxauthor"}))
        P("title", rel), P("author", rel, False)
        rel = self.hand("author-shown.pdf", self.text_doc(F(1) + ["Written by zqxauthor himself."] + F(1), info={"Author": "zqxauthor"}))
        P("author", rel)
        # object loops
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        pages_n, page_n = pdf.new(), pdf.new()
        content = pdf.stream(self.page_content(self.lay(F(1) + ["Loop zqxloop text."]), helv, 10, "tj"))
        pdf.put(page_n, "<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Contents %d 0 R /Resources << /Font << /F1 %d 0 R >> >> >>"
                % (pages_n, content, f1))
        pdf.put(pages_n, "<< /Type /Pages /Kids [%d 0 R %d 0 R] /Count 2 >>" % (page_n, pages_n))
        rel = self.hand("loop-pages.pdf", pdf.write(pdf.obj("<< /Type /Catalog /Pages %d 0 R >>" % pages_n)))
        P("loop", rel)
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        fm = pdf.new()
        pdf.stream(b"BT /F1 10 Tf 0 0 Td (Self zqxloop form) Tj ET q 1 0 0 1 0 -12 cm /Fm1 Do Q",
                   " /Type /XObject /Subtype /Form /BBox [0 -2000 400 20] /Resources << /Font << /F1 %d 0 R >> /XObject << /Fm1 %d 0 R >> >>"
                   % (f1, fm), num=fm)
        body = self.page_content(self.lay(F(1)), helv, 10, "tj") + b"q 1 0 0 1 72 500 cm /Fm1 Do Q\n"
        rel = self.hand("loop-form.pdf", self.build_doc([body], {"F1": f1}, pdf=pdf, xobjects={"Fm1": fm}))
        P("loop", rel)
        base = self.text_doc(F(1) + ["Prev zqxloop chain."] + F(1))
        n = int(re.search(rb"/Size (\d+)", base).group(1))
        root = int(re.search(rb"/Root (\d+) 0 R", base).group(1))
        info_n = n
        upd = append_update(base, {info_n: "<< /Title (Looped) >>"}, root, n + 1, info=info_n, prev_override=lambda own: own)
        rel = self.hand("loop-prev.pdf", upd)
        P("loop", rel)
        # an incremental update replaces the page's content
        base = self.text_doc(F(1) + ["Old zqxoldrev content."] + F(1))
        n = int(re.search(rb"/Size (\d+)", base).group(1))
        root = int(re.search(rb"/Root (\d+) 0 R", base).group(1))
        content_num = int(re.search(rb"/Contents (\d+) 0 R", base).group(1))
        new = Pdf().stream_body(self.page_content(self.lay(F(1) + ["New zqxnewrev content."]), helv, 10, "tj"))
        rel = self.hand("update.pdf", append_update(base, {content_num: new}, root, n))
        P("update", rel), P("oldrev", rel, False)
        # the markup words shown as text
        rel = self.hand("markup-shown.pdf", self.text_doc(F(1) + [MARKUP_TEXT] + F(1)))
        for q in ("m_flate", "m_endstream", "m_mediabox", "m_helvetica", "m_tounicode", "m_obj"):
            P(q, rel)
        # a page's content in two streams, parted between two Tj of one word
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        s1 = self.page_content(self.lay(F(1)), helv, 10, "tj").replace(b"ET\n", b"1 0 0 1 72 400 Tm (A zqxsplit) Tj\n")
        rel = self.hand("contents-array.pdf", self.build_doc([[s1, b"(run) Tj (, parted.) Tj ET\n"]], {"F1": f1}, pdf=pdf))
        P("split", rel)
        # hex strings for all text, a rotated page, inherited resources and a two-level page tree, no compression
        rel = self.hand("hex-strings.pdf", self.text_doc(F(2) + ["Hex zqxbody text."] + F(2), font=HexFont()))
        P("body", rel)
        rel = self.hand("rotated.pdf", self.text_doc(F(2) + ["Turned zqxbody page."], rotate=90))
        P("body", rel)
        paras = F(90)
        paras.insert(1, "First zqxallone page.")
        paras.append("Last zqxalltwo page.")
        rel = self.hand("inherited-tree.pdf", self.text_doc(paras, inherit=True))
        P("all", rel)
        rel = self.hand("uncompressed.pdf", self.text_doc(F(2) + ["Plain zqxbody stream."], filters=()))
        P("body", rel)
        rel = self.hand("all-one-only.pdf", self.text_doc(["Only zqxallone here."] + F(3)))
        P("all", rel, False)
        # accents in WinAnsi and MacRoman; case; whole words; phrases
        rel = self.hand("accent-macroman.pdf", self.text_doc(F(1) + ["Mac zqxcafé word."], font=SimpleFont("Helvetica", "MacRomanEncoding")))
        P("accent_i", rel)
        rel = self.hand("accent-winansi.pdf", self.text_doc(F(1) + ["Upper ZQXCAFÉ word."]))
        P("accent_i", rel)
        rel = self.hand("case-upper.pdf", self.text_doc(F(1) + ["Shouting ZQXCASE here."]))
        P("case_i", rel), P("case_c", rel, False)
        rel = self.hand("whole-glued.pdf", self.text_doc(F(1) + ["Glued zqxwholeness and zqxwhole2 only."]))
        P("whole", rel, False), P("whole_off", rel)
        rel = self.hand("whole-line-end.pdf", self.text_doc(F(1) + ["At the end zqxwhole", "(zqxwhole) again"]))
        P("whole", rel), P("whole_off", rel)
        rel = self.hand("phrase-kern.pdf", self.text_doc(F(1) + [b"[(Said zqxphone) -300 (zqxphtwo now)] TJ"]))
        P("phrase", rel)
        rel = self.hand("phrase-lines.pdf", self.text_doc(F(1) + ["Said zqxphone", "zqxphtwo now"]))
        P("phrase", rel, False)
        pdf = Pdf()
        f1 = pdf.obj(helv.dict())
        cells = b"BT /F1 10 Tf 72 400 Td (Cell zqxphone) Tj ET BT /F1 10 Tf 160.6 400 Td (zqxphtwo cell) Tj ET\n"
        rel = self.hand("phrase-cells.pdf", self.build_doc([self.page_content(self.lay(F(1)), helv, 10, "tj") + cells], {"F1": f1}, pdf=pdf))
        P("phrase", rel)
        # the source the damaged files are made of: a word on its first page and one on its last
        paras = F(60)
        paras.insert(0, "Early zqxdamaged word.")
        paras.append("Late zqxdamtail word.")
        self.damage_sources = [self.hand("damage-source.pdf", self.text_doc(paras, style="kern"))]
        P("damaged", self.damage_sources[0]), P("damtail", self.damage_sources[0])

    def lay(self, items):
        """Paragraphs to lines: strings wrapped in Helvetica 10, bytes kept as they are."""
        out = []
        for it in items:
            out += [it] if isinstance(it, bytes) or callable(it) else self.wrap(it, SimpleFont(), 10, 460)
        return out

    # ---------------------------------------------------------------- LibreOffice
    def fodt(self, i, feats):
        """A flat ODT of ours: filler in several scripts, the planted features `feats`."""
        r = self.rng
        x = escape
        fonts = ["Liberation Serif", "DejaVu Sans", "DejaVu Serif", "Liberation Sans"]
        font = fonts[i % len(fonts)]
        title = ("Report zqxtitle " if "title" in feats else "") + self.sentence(3)[:-1]
        header = "Head \u200bzqxheader line" if "header" in feats else self.sentence(3)
        header = header.replace("\u200b", "")
        body = []
        P = lambda t: body.append('<text:p text:style-name="Standard">%s</text:p>' % t)
        npara = r.randint(4, 12) if r.random() < 0.7 else r.randint(30, 90)
        spots = {f: r.randrange(1, npara) for f in sorted(feats)}
        for k in range(npara):
            P(x(self.para(wide=True)))
            for f in [f for f in sorted(feats) if spots[f] == k]:
                if f == "body":
                    P("Produced %s by the office suite." % "zqxbody")
                elif f == "split":
                    P('Bold in the middle: zq<text:span text:style-name="TB">xspl</text:span>'
                      '<text:span text:style-name="TI">it</text:span>run done.')
                elif f == "table":
                    rows = "".join("<table:table-row>%s</table:table-row>" % "".join(
                        "<table:table-cell><text:p>%s</text:p></table:table-cell>" % x(self.sentence(2)[:-1]) for _ in range(3))
                        for _ in range(r.randint(2, 6)))
                    body.append('<table:table table:name="Table%d"><table:table-column table:number-columns-repeated="3"/>'
                                '%s<table:table-row><table:table-cell><text:p>%s</text:p></table:table-cell>'
                                '<table:table-cell><text:p>zqxcell</text:p></table:table-cell><table:table-cell><text:p>%s'
                                '</text:p></table:table-cell></table:table-row></table:table>' % (k, rows, x(self.word()), x(self.word())))
                elif f == "note":
                    P('A noted word<text:note text:id="n%d" text:note-class="footnote"><text:note-citation>1</text:note-citation>'
                      '<text:note-body><text:p text:style-name="Footnote">The zqxfootnote says more.</text:p></text:note-body>'
                      '</text:note> in the text.' % k)
                elif f == "list":
                    body.append('<text:list text:style-name="L1"><text:list-item><text:p>item zqxlistitem one</text:p></text:list-item>'
                                '<text:list-item><text:p>item %s</text:p></text:list-item></text:list>' % x(self.word()))
                elif f == "phrase_in":
                    P("She said zqxphone zqxphtwo at once.")
                elif f == "phrase_over":
                    P("She said zqxphone<text:line-break/>zqxphtwo later.")
                    P("Then zqxphone")
                    P("zqxphtwo apart.")
                elif f == "scripts_lower":
                    P("Ελληνικά %s κείμενο, русский %s текст, 日本語 %s 中文 %s." % (GREEK_L, CYR_L, JA, ZH))
                    body.append('<text:p text:style-name="RTL">%s %s %s</text:p>' % (HEBREW_FILL[2], HEBREW, HEBREW_FILL[3]))
                    body.append('<text:p text:style-name="RTL">%s %s %s</text:p>' % (ARABIC_FILL[2], ARABIC, ARABIC_FILL[3]))
                elif f == "scripts_upper":
                    P("ΕΛΛΗΝΙΚΆ %s, РУССКИЙ %s." % (GREEK_U, CYR_U))
                elif f == "case":
                    P("Forms ZQXCase and zqxcase here.")
                elif f == "whole":
                    P("Glued zqxwholeness and (zqxwhole) there.")
                elif f == "lig":  # in a font that has the glyph (pdftotext -raw drops a fallback font's one)
                    P('The <text:span text:style-name="TL">zqxo\ufb03ce</text:span> ligature.')
                elif f == "accent":
                    P("Accented zqxcafé word.")
                elif f == "crypt":
                    P("Source zqxcrypt text.")
                elif f == "all":
                    P("First zqxallone part.")
        if "all" in feats:
            P("Last zqxalltwo part.")
        return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.text">'
                '<office:meta><dc:title>%s</dc:title><meta:initial-creator>zqxauthor</meta:initial-creator><dc:creator>zqxauthor</dc:creator>'
                '<dc:subject>zqxsubject</dc:subject></office:meta>'
                '<office:font-face-decls><style:font-face style:name="%s" svg:font-family="\'%s\'"/>'
                '<style:font-face style:name="Droid Sans Fallback" svg:font-family="\'Droid Sans Fallback\'"/>'
                '<style:font-face style:name="DejaVu Sans" svg:font-family="\'DejaVu Sans\'"/>'
                '<style:font-face style:name="DejaVu Serif" svg:font-family="\'DejaVu Serif\'"/></office:font-face-decls>'
                '<office:styles><style:style style:name="Standard" style:family="paragraph"><style:text-properties style:font-name="%s" '
                'fo:font-size="11pt" style:font-name-asian="Droid Sans Fallback" style:font-name-complex="DejaVu Sans"/></style:style>'
                '<style:style style:name="Footnote" style:family="paragraph" style:parent-style-name="Standard"><style:text-properties fo:font-size="9pt"/></style:style>'
                '<text:list-style style:name="L1"><text:list-level-style-bullet text:level="1" text:bullet-char="•">'
                '<style:list-level-properties text:min-label-width="0.6cm"/></text:list-level-style-bullet></text:list-style></office:styles>'
                '<office:automatic-styles><style:style style:name="TB" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>'
                '<style:style style:name="TI" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>'
                '<style:style style:name="TL" style:family="text"><style:text-properties style:font-name="DejaVu Serif"/></style:style>'
                '<style:style style:name="RTL" style:family="paragraph" style:parent-style-name="Standard"><style:paragraph-properties '
                'fo:text-align="end" style:writing-mode="rl-tb"/></style:style>'
                '<style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm" '
                'fo:margin-top="1.5cm" fo:margin-bottom="2cm" fo:margin-left="2cm" fo:margin-right="2cm"/><style:header-style/></style:page-layout>'
                '</office:automatic-styles><office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1">'
                '<style:header><text:p text:style-name="Standard">%s</text:p></style:header></style:master-page></office:master-styles>'
                '<office:body><office:text>%s</office:text></office:body></office:document>\n'
                % (NS_ODF, x(title), font, font, font, x(header), "".join(body)))

    def soffice_docs(self, n):
        src = os.path.join(os.path.dirname(self.out), "soffice-src")
        os.makedirs(src, exist_ok=True)
        pattern = [("body", 3, 0), ("split", 4, 1), ("table", 5, 2), ("note", 4, 3), ("list", 5, 4), ("phrase_in", 7, 3),
                   ("phrase_over", 7, 5), ("scripts_lower", 6, 1), ("scripts_upper", 6, 4), ("case", 8, 5), ("whole", 8, 6),
                   ("lig", 9, 2), ("accent", 10, 7), ("title", 5, 0), ("header", 4, 0), ("all", 6, 3)]
        jobs = {}
        plants = {}
        export = ["", '{"UseTaggedPDF":{"type":"boolean","value":"true"}}', '{"SelectPdfVersion":{"type":"long","value":"2"}}']
        for i in range(n):
            feats = {f for f, m, k in pattern if i % m == k}
            if i == 0:
                feats |= {"crypt", "title", "body"}
            path = os.path.join(src, "document-%03d.fodt" % i)
            with open(path, "w", encoding="utf-8") as f:
                f.write(self.fodt(i, feats))
            jobs.setdefault(export[i % 3], []).append(path)
            plants[path] = feats
        # two HTML letters: the converter makes the HTML title the document's title
        for i in range(2):
            path = os.path.join(src, "letter-%03d.html" % i)
            with open(path, "w", encoding="utf-8") as f:
                f.write('<!DOCTYPE html><html><head><meta charset="utf-8"><title>Letter zqxtitle %d</title></head><body>'
                        '<h1>%s</h1><p>%s</p><p>Produced zqxbody and zq<b>xspl</b><i>it</i>run from HTML.</p>'
                        '<table border="1"><tr><td>%s</td><td>zqxcell</td></tr></table><ul><li>item zqxlistitem one</li></ul>'
                        '<p>%s</p></body></html>' % (i, self.sentence(3), self.para(), self.word(), self.para()))
            jobs.setdefault("", []).append(path)
            plants[path] = {"title", "body", "split", "table", "list"}
        profile = "file://" + os.path.join(src, "profile")
        outdir = self.full("libreoffice/x")[:-2]
        for opts, items in sorted(jobs.items()):
            target = "pdf:writer_pdf_Export" + (":" + opts if opts else "")
            try:
                subprocess.run(["nice", "-n", "10", "soffice", "-env:UserInstallation=" + profile, "--headless", "--norestore",
                                "--convert-to", target, "--outdir", outdir] + items,
                               check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=900)
            except (subprocess.CalledProcessError, subprocess.TimeoutExpired, OSError) as e:
                self.failures.append("soffice: %s" % e)
        made = []
        for path, feats in sorted(plants.items()):
            rel = "libreoffice/" + os.path.splitext(os.path.basename(path))[0] + ".pdf"
            if not os.path.exists(os.path.join(self.out, rel)):
                self.failures.append("soffice made no %s" % rel)
                continue
            self.count(rel, "libreoffice")
            made.append(rel)
            for f in feats:
                if f == "phrase_over":
                    self.plant("phrase", rel, "phrase_in" in feats)
                elif f == "phrase_in":
                    self.plant("phrase", rel)
                elif f == "scripts_lower":
                    for q in ("greek_i", "cyr_i", "hebrew", "arabic", "cjk_ja", "cjk_zh"):
                        self.plant(q, rel)
                elif f == "scripts_upper":
                    for q in ("greek_i", "greek_c", "cyr_i"):
                        self.plant(q, rel)
                elif f == "case":
                    self.plant("case_c", rel), self.plant("case_i", rel)
                elif f == "whole":
                    self.plant("whole", rel), self.plant("whole_off", rel)
                elif f == "accent":
                    self.plant("accent_i", rel)
                else:
                    self.plant(f, rel)
            self.plant("author", rel, False)
        shutil.rmtree(src)
        if made and "libreoffice/document-000.pdf" in made:
            self.qpdf_sources.append("libreoffice/document-000.pdf")
        return made

    # ---------------------------------------------------------------- qpdf
    def qpdf_files(self):
        variants = [("objstm", ["--object-streams=generate"]), ("linearized", ["--linearize"]),
                    ("rc4-40", ["--allow-weak-crypto", "--encrypt", "", "OWNER", "40", "--"]),
                    ("rc4-128", ["--allow-weak-crypto", "--encrypt", "", "OWNER", "128", "--use-aes=n", "--"]),
                    ("aes-128", ["--encrypt", "", "OWNER", "128", "--use-aes=y", "--"]),
                    ("aes-256", ["--encrypt", "", "OWNER", "256", "--"]),
                    ("aes-256-nocopy", ["--encrypt", "", "OWNER", "256", "--extract=n", "--"]),
                    ("userpw", ["--encrypt", "userpw", "OWNER", "256", "--"])]
        for src in self.qpdf_sources:
            base = os.path.splitext(os.path.basename(src))[0]
            for name, args in variants:
                rel = "qpdf/%s-%s.pdf" % (base, name)
                if not self.run_qpdf(args, os.path.join(self.out, src), self.full(rel)):
                    continue
                self.count(rel, "qpdf")
                for qid, files in self.expect.items():
                    if src in files:
                        self.plant(qid, rel, files[src] and name != "userpw")
                if name == "userpw":
                    self.plant("crypt", rel, False)

    def run_qpdf(self, args, src, dst):
        # --static-id and --static-aes-iv: the same bytes every time (but for 256-bit keys' salts)
        extra = [] if "--object-streams=generate" in args or "--linearize" in args else ["--static-aes-iv"]
        try:
            p = subprocess.run(["qpdf", "--static-id"] + extra + args + [src, dst], capture_output=True, timeout=120)
        except (subprocess.TimeoutExpired, OSError) as e:
            self.failures.append("qpdf %s: %s" % (" ".join(args), e))
            return False
        if p.returncode not in (0, 3) or not os.path.exists(dst):
            self.failures.append("qpdf %s %s: %s" % (" ".join(args), os.path.basename(dst), p.stderr.decode("utf-8", "replace").strip()))
            return False
        return True

    # ---------------------------------------------------------------- damaged
    def damaged_files(self):
        for src in [s for s in self.qpdf_sources if s.startswith("groff/")][:1]:
            lin = "qpdf/%s-linearized.pdf" % os.path.splitext(os.path.basename(src))[0]
            if os.path.exists(os.path.join(self.out, lin)):
                with open(os.path.join(self.out, lin), "rb") as f:
                    data = f.read()
                for pct in (30, 60):
                    rel = "damaged/groff-linearized-cut-%d.pdf" % pct
                    self.write(rel, data[: len(data) * pct // 100], "damaged")
                    self.decided.add(rel)
        # a save cut short: the update's objects written, its xref and trailer not; the first revision's remain
        with open(os.path.join(self.out, "hand/update.pdf"), "rb") as f:
            data = f.read()
        rel = "damaged/update-cut.pdf"
        self.write(rel, data[: data.rindex(b"xref")], "damaged")
        self.decided.add(rel)
        for src in self.damage_sources:
            with open(os.path.join(self.out, src), "rb") as f:
                data = f.read()
            base = os.path.splitext(os.path.basename(src))[0].replace("-source", "")
            if "groff" in src:
                base = "groff-" + base
            out = {}
            out["cut-60"] = data[: len(data) * 6 // 10]
            sx = int(re.findall(rb"startxref\s+(\d+)", data)[-1])
            if data[sx:sx + 4] == b"xref":
                end = data.index(b"trailer", sx)
                table = re.sub(rb"(\d{10}) (\d{5}) n", lambda m: b"%010d %s n" % (int(m.group(1)) + 7, m.group(2)), data[sx:end])
                out["xref-shifted"] = data[:sx] + table + data[end:]
            out["no-startxref"] = re.sub(rb"startxref\s+\d+\s+", b"", data)
            # the first content stream of some size: its /Length too short, then too long (the same digits)
            for m in re.finditer(rb"/Length (\d+)([^>]*)>>\s*stream", data):
                n = int(m.group(1))
                if n > 200:
                    digits = len(m.group(1))
                    short = b"%0*d" % (digits, n // 2)
                    long_ = b"9" * digits if int(b"9" * digits) > n else b"%d" % (n + 50)
                    s, e = m.span(1)
                    out["length-short"] = data[:s] + short + data[e:]
                    out["length-long"] = data[:s] + long_ + data[e:]
                    break
            for kind, bad in sorted(out.items()):
                rel = "damaged/%s-%s.pdf" % (base, kind)
                self.write(rel, bad, "damaged")
                self.decided.add(rel)

    # ---------------------------------------------------------------- zips
    def zinfo(self, name, method):
        zi = zipfile.ZipInfo(name, (2024, 3, 14, 9, 26, 52))
        zi.compress_type = method
        zi.external_attr = 0o644 << 16
        zi.create_system = 0
        return zi

    def zip_bytes(self, entries):
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w") as z:
            for name, data, method in entries:
                z.writestr(self.zinfo(name, method), data)
        return buf.getvalue()

    def zip_files(self):
        F = self.filler_paras
        a = self.text_doc(F(2) + ["Zipped zqxinzip document."] + F(2))
        b = self.text_doc(F(1) + ["Stored zqxinzip document."] + F(1), filters=())
        c = self.text_doc(F(1) + ["Nested zqxinzip document."] + F(1))
        d = self.text_doc(F(1) + ["Locked zqxinzip document."])
        self.write("zip/docs.zip", self.zip_bytes([("docs/a.pdf", a, zipfile.ZIP_DEFLATED), ("docs/b.pdf", b, zipfile.ZIP_STORED),
                                                   ("readme.txt", b"See docs/a.pdf and docs/b.pdf.\r\n", zipfile.ZIP_DEFLATED)]), "zip")
        self.plant("inzip", "zip/docs.zip")
        inner = self.zip_bytes([("docs/c.pdf", c, zipfile.ZIP_DEFLATED)])
        self.write("zip/nested.zip", self.zip_bytes([("inner.zip", inner, zipfile.ZIP_STORED)]), "zip")
        self.plant("inzip", "zip/nested.zip")
        with tempfile.TemporaryDirectory() as t:
            src, dst = os.path.join(t, "d.pdf"), os.path.join(t, "e.pdf")
            with open(src, "wb") as f:
                f.write(d)
            if self.run_qpdf(["--encrypt", "userpw", "OWNER", "256", "--"], src, dst):
                with open(dst, "rb") as f:
                    self.write("zip/locked.zip", self.zip_bytes([("docs/locked.pdf", f.read(), zipfile.ZIP_DEFLATED)]), "zip")
                self.plant("inzip", "zip/locked.zip", False)

    # ---------------------------------------------------------------- bulk
    def bulk_files(self, n):
        r = self.rng
        folders = ["filler/reports", "filler/papers/2023", "filler/papers/2024", "filler/manuals", "filler/Berichte Größe"]
        for i in range(n):
            k = r.random()
            if k < 0.12:
                font, style = CidFont(r, "SorvikText"), "tj"
            elif k < 0.17:
                font, style = SimpleFont("Courier"), r.choice(("tj", "words"))
            else:
                font = SimpleFont(r.choice(("Helvetica", "Helvetica", "Helvetica", "Times-Roman")))
                style = r.choice(("tj", "tj", "kern", "kern", "pdftex", "words"))
            wide = isinstance(font, CidFont)
            npages = min(120, 1 + int(r.expovariate(1 / 14))) if r.random() > 0.05 else r.randint(150, 400)
            paras = []
            while len(paras) < npages * 9:
                paras.append(self.para(wide))
            plants = []
            if r.random() < 0.12:
                plants.append("Here zqxbody %s." % self.word())
            for p, w in ((0.05, "Form ZQXCase"), (0.05, "form zqxcase"), (0.03, "FORM ZQXCASE"),
                         (0.04, "Whole (zqxwhole) word"), (0.04, "Glued zqxwholeness word"), (0.03, "Mac zqxcafé word")):
                if r.random() < p:
                    plants.append(w + ".")
            for text in plants:
                paras.insert(r.randrange(len(paras) + 1), text)
            raw = []  # lines of their own, never wrapped
            if r.random() < 0.03:
                raw.append("Said zqxphone zqxphtwo then.")
            if r.random() < 0.03:
                raw += ["Said zqxphone", "zqxphtwo later."]
            if r.random() < 0.04:
                paras.insert(1, "First zqxallone page.")
                paras.append("Last zqxalltwo page.")
            elif r.random() < 0.03:
                paras.insert(1, "Only zqxallone page.")
            size = r.choice((9, 10, 10, 11))
            lines = []
            for para in paras:
                lines += self.wrap(para, font, size, 460)
                lines.append("")
            at = r.randrange(len(lines) + 1)
            lines[at:at] = raw
            lead = size * 1.25
            per = int(640 / lead)
            pdf = Pdf()
            contents = [self.page_content(lines[j:j + per], font, size, style) for j in range(0, len(lines), per)]
            fobj = font.objects(pdf) if wide else pdf.obj(font.dict())
            xobjects = {}
            if r.random() < 0.1:
                w, h = r.choice(((300, 300), (600, 400), (900, 700)))
                comps = r.choice((1, 3))
                pix = r.randbytes(w * h * comps)
                im = pdf.stream(pix, " /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /Device%s /BitsPerComponent 8"
                                % (w, h, "Gray" if comps == 1 else "RGB"))
                xobjects["Im1"] = im
                contents[0] = b"q 300 0 0 200 156 60 cm /Im1 Do Q\n" + contents[0]
            info = {"Title": self.sentence(3)[:-1], "Author": "zqxauthor"} if r.random() < 0.5 else None
            rel = "%s/%s-%04d.pdf" % (r.choice(folders), self.word().replace("é", "e"), i)
            rel = "".join(c for c in rel if c.isascii() or c in "Größe")
            self.write(rel, self.build_doc(contents, {"F1": fobj}, info=info, pdf=pdf, xobjects=xobjects or None,
                                           inherit=r.random() < 0.3), "filler")
            text = "\n".join(lines)
            self.plant_text(rel, text)
            if info:
                self.plant("author", rel, False)

    # ---------------------------------------------------------------- run
    def run(self, soffice):
        s = self.scale
        self.hand_files()
        made = self.groff_docs(max(4, round(40 * s)), False, "groff")
        if made:
            self.qpdf_sources.insert(0, made[0])
        self.groff_docs(max(2, round(15 * s)), True, "groff-ps")
        # a groff source for the damaged files: a word on its first page and one on its last
        self.damage_sources.append(self.groff_damage_source())
        if soffice:
            self.soffice_docs(max(6, round(24 * s)))
        self.qpdf_files()
        self.damaged_files()
        self.zip_files()
        self.bulk_files(max(20, round(240 * s)))

    def groff_damage_source(self):
        env = dict(os.environ, SOURCE_DATE_EPOCH=EPOCH, LC_ALL="C.UTF-8")
        src = [".nr HY 0", ".nh", ".TL", "Damage source", ".PP", "Early \\%zqxdamaged word."]
        for _ in range(70):
            src += [".PP", self.para()]
        src += [".PP", "Late \\%zqxdamtail word."]
        rel = "groff/damage-source.pdf"
        with open(self.full(rel), "wb") as f:
            subprocess.run(["groff", "-k", "-ms", "-Tpdf"], input="\n".join(src).encode() + b"\n", stdout=f,
                           stderr=subprocess.DEVNULL, env=env, check=True, timeout=120)
        self.count(rel, "groff")
        self.plant("damaged", rel)
        self.plant("damtail", rel)
        return rel


# ---------------------------------------------------------------------------
# The truth: what poppler's pdftotext (and pdfinfo, and qpdf for annotations) reads, searched by our rules.
SEPS = set("\t\n\r !\"#$%'()*+,./:;<=>?@\\|")
SPELL = {ord(c): None for c in "\u200e\u200f\u202a\u202b\u202c\u202d\u202e\u2066\u2067\u2068\u2069"}
SPELL.update({0xFB00: "ff", 0xFB01: "fi", 0xFB02: "fl", 0xFB03: "ffi", 0xFB04: "ffl", 0xFB05: "st", 0xFB06: "st"})


def normalise(text):
    """Text as a viewer's search takes it: lines end at LF (a page's form feed too), no bidi marks, ligatures spelt out."""
    return text.replace("\f", "\n").translate(SPELL)


# characters whose full upper-case mapping is longer than one (ß, ŉ, ﬃ ...) have no simple one but themselves:
# they are parked in a private-use plane while str.upper() runs
EXPANDING = [chr(c) for c in range(0x110000) if not 0xD800 <= c < 0xE000 and len(chr(c).upper()) > 1]
PARK = str.maketrans({c: chr(0xF0000 + k) for k, c in enumerate(EXPANDING)})
UNPARK = str.maketrans({chr(0xF0000 + k): c for k, c in enumerate(EXPANDING)})


def fold(s):
    """Simple upper-case mapping, one character for one (so positions stay)."""
    u = s.upper()
    if len(u) == len(s):  # no character had a longer full mapping: the same as the simple one
        return u
    return s.translate(PARK).upper().translate(UNPARK)


def occurs(text, word, whole):
    i = text.find(word)
    while i >= 0:
        if not whole:
            return True
        j = i + len(word)
        if (i == 0 or text[i - 1] in SEPS) and (j == len(text) or text[j] in SEPS):
            return True
        i = text.find(word, i + 1)
    return False


def match_query(qry, cmd, mtc, text, folded=None):
    cs, whole = "C" in cmd, "W" in cmd
    if not cs:
        text = folded if folded is not None else fold(text)
    words = [qry] if mtc == "EXACT" else qry.split()
    hits = [occurs(text, w if cs else fold(w), whole) for w in words]
    return all(hits) if mtc == "ALL" else any(hits)


def qpdf_annotations(path):
    """The /Contents of every annotation of every page, as qpdf reads them (decrypted)."""
    try:
        p = subprocess.run(["qpdf", "--json=2", "--json-key=pages", "--json-key=qpdf", path], capture_output=True, timeout=300)
        doc = json.loads(p.stdout)
    except (subprocess.TimeoutExpired, OSError, ValueError):
        return []
    objs = {}
    for part in doc.get("qpdf", [])[1:]:
        for k, v in part.items():
            if k.startswith("obj:"):
                objs[k[4:]] = v.get("value", v.get("stream", {}).get("dict"))

    def res(v):
        seen = 0
        while isinstance(v, str) and v.endswith(" R") and seen < 32:
            v = objs.get(v)
            seen += 1
        return v

    def text(v):
        v = res(v)
        if not isinstance(v, str):
            return None
        if v.startswith("u:"):
            return v[2:]
        if v.startswith("b:"):
            b = bytes.fromhex(v[2:])
            return b[2:].decode("utf-16-be", "replace") if b[:2] == b"\xfe\xff" else b.decode("latin-1")
        return None

    out = []
    for page in doc.get("pages", []):
        d = res(page.get("object"))
        annots = res(d.get("/Annots")) if isinstance(d, dict) else None
        for a in annots if isinstance(annots, list) else []:
            a = res(a)
            if isinstance(a, dict):
                t = text(a.get("/Contents"))
                if t:
                    out.append(t)
    return out


def read_pdf(path):
    """(text, pdftotext's exit status, characters of page text, pages): page text, title and annotations, one unit a line."""
    try:
        p = subprocess.run(["pdftotext", "-q", "-raw", "-enc", "UTF-8", path, "-"], capture_output=True, timeout=300)
        pages, status = p.stdout.decode("utf-8", "replace"), p.returncode
    except subprocess.TimeoutExpired:
        pages, status = "", -1
    units = [pages]
    try:
        info = subprocess.run(["pdfinfo", "-enc", "UTF-8", path], capture_output=True, timeout=300)
        for line in info.stdout.decode("utf-8", "replace").splitlines():
            # The properties a reader searches, as for office documents: not the author.
            if line.startswith(("Title:", "Subject:", "Keywords:")):
                units.append(line.split(":", 1)[1].strip())
    except subprocess.TimeoutExpired:
        pass
    units += qpdf_annotations(path)
    return normalise("\n".join(units)), status, len(pages.strip()), pages.count("\f")


def read_zip(data, depth=1):
    """The text of a zip's PDFs (each read as a file) and its other entries' bytes as UTF-8; zips to depth 4."""
    out = []
    try:
        z = zipfile.ZipFile(io.BytesIO(data))
    except (zipfile.BadZipFile, ValueError):
        return out
    with z:
        for info in z.infolist():
            if info.is_dir() or info.flag_bits & 1:
                continue
            b = z.read(info)
            name = info.filename.lower()
            if name.endswith(".pdf"):
                with tempfile.NamedTemporaryFile(suffix=".pdf") as t:
                    t.write(b)
                    t.flush()
                    out.append(read_pdf(t.name)[0])
            elif name.endswith(".zip") and depth < 4:
                out += read_zip(b, depth + 1)
            else:
                out.append(normalise(b.decode("utf-8", "replace")))
    return out


def read_file(path):
    if path.lower().endswith(".zip"):
        with open(path, "rb") as f:
            return "\n".join(read_zip(f.read())), 0, 1, 1
    if path.lower().endswith(".pdf"):
        return read_pdf(path)
    with open(path, "rb") as f:
        return normalise(f.read().decode("utf-8", "replace")), 0, 1, 1


def decide_truth(g):
    """Reads every file of the tree and lists, for each query, the files that hold its words."""
    files = []
    for root, dirs, names in os.walk(g.out):
        dirs.sort()
        files += [os.path.relpath(os.path.join(root, n), g.out).replace(os.sep, "/") for n in sorted(names)]
    truth = {q[0]: set() for q in QUERIES}
    notes = []
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        reads = pool.map(lambda rel: read_file(os.path.join(g.out, rel)), files)
        for rel, (text, status, chars, pages) in zip(files, reads):
            folded = fold(text)
            for qid, qry, cmd, mtc, _ in QUERIES:
                if match_query(qry, cmd, mtc, text, folded):
                    truth[qid].add(rel)
            if occurs(folded, fold(ABSENT), False):
                notes.append((rel, "holds the timing word %s" % ABSENT))
            if rel in g.decided:
                said = " ".join(sorted(set(re.findall(r"zqx\w+", text)))) or "none"
                if chars:
                    notes.append((rel, "damaged: pdftotext (exit status %d) reads %d characters on %d pages; planted words read: %s"
                                  % (status, chars, pages, said)))
                else:
                    notes.append((rel, "damaged: pdftotext reads no text (exit status %d)" % status))
            elif rel.endswith(".pdf") and status != 0:
                notes.append((rel, "pdftotext exit status %d, %d characters of page text" % (status, chars) if chars else
                              "pdftotext reads no text (exit status %d)" % status))
    surprises = []
    for qid, _, _, _, _ in QUERIES:
        for rel, found in sorted(g.expect[qid].items()):
            if found and rel not in truth[qid]:
                surprises.append((rel, "%s: planted, but pdftotext doesn't show it" % qid))
            elif not found and rel in truth[qid]:
                surprises.append((rel, "%s: planted not to be found, but pdftotext shows it" % qid))
        for rel in sorted(truth[qid] - set(g.expect[qid]) - g.decided):
            surprises.append((rel, "%s: pdftotext shows it where nothing was planted" % qid))
    return truth, notes, surprises, len(files)


def write_truth(path, truth, notes):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        for qid, qry, cmd, mtc, what in QUERIES:
            f.write("query\t%s\t%s\t%s\t%s\t%s\n" % (qid, cmd, mtc, qry, what))
        for qid, *_ in QUERIES:
            for rel in sorted(truth[qid]):
                f.write("file\t%s\t%s\n" % (qid, rel))
        for rel, text in notes:
            f.write("note\t%s\t%s\n" % (rel, text))


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    flags = [a for a in argv[1:] if a.startswith("--")]
    if len(args) not in (2, 3) or any(f != "--soffice" for f in flags):
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    out = os.path.abspath(args[0])
    try:
        seed = int(args[1])
        scale = float(args[2]) if len(args) == 3 else 1.0
    except ValueError:
        print("make_pdf_corpus.py: SEED must be a whole number and SCALE a number", file=sys.stderr)
        return 2
    if not 0 < scale <= 10:
        print("make_pdf_corpus.py: SCALE must be above 0 and at most 10", file=sys.stderr)
        return 2
    tools = ["pdftotext", "pdfinfo", "qpdf", "groff", "ps2pdf"] + (["soffice"] if "--soffice" in flags else [])
    missing = [t for t in tools if not shutil.which(t)]
    if missing:
        print("make_pdf_corpus.py: needs %s (apt-get install -y poppler-utils qpdf groff ghostscript%s)"
              % (", ".join(missing), " libreoffice-writer-nogui" if "soffice" in missing else ""), file=sys.stderr)
        return 2
    if subprocess.run(["groff", "-Tpdf"], input=b"", capture_output=True).returncode != 0:
        print("make_pdf_corpus.py: groff can't write PDF (apt-get install -y groff, not only groff-base)", file=sys.stderr)
        return 2
    if os.path.exists(out) and os.listdir(out):
        print("make_pdf_corpus.py: %s exists and is not empty" % out, file=sys.stderr)
        return 2
    os.makedirs(out, exist_ok=True)
    t0 = time.time()
    g = Gen(os.path.join(out, "tree"), seed, scale)
    g.run("--soffice" in flags)
    t1 = time.time()
    truth, notes, surprises, nfiles = decide_truth(g)
    write_truth(os.path.join(out, "truth.tsv"), truth, notes + surprises)
    print("%s: %d files, %.1f MB, %.0f s (%.0f s writing, %.0f s reading the truth)"
          % (out, g.nfiles, g.nbytes / 1e6, time.time() - t0, t1 - t0, time.time() - t1))
    print("  " + ", ".join("%s %d" % kv for kv in sorted(g.kinds.items())))
    print("  %d queries, %d expected (query, file) pairs in truth.tsv, %d notes"
          % (len(QUERIES), sum(len(v) for v in truth.values()), len(notes) + len(surprises)))
    for rel, text in surprises:
        print("  differs: %s: %s" % (rel, text), file=sys.stderr)
    for f in g.failures:
        print("  failed: %s" % f, file=sys.stderr)
    return 1 if surprises or g.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
