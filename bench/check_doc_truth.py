#!/usr/bin/env python3
"""Checks a document corpus's truth.tsv against a reference reading of its files.

usage: check_doc_truth.py [-v] OUT

OUT is a folder made by make_doc_corpus.py: the files under OUT/tree, the truth
in OUT/truth.tsv. This reads every file on its own, with python's zipfile,
xml.etree and html.parser, and nothing from the generator but truth.tsv:

  documents  .docx .docm .dotx .xlsx .xlsm .pptx .pptm .odt .ods .odp .epub:
             the text a reader sees, one unit a paragraph, cell, list item,
             shared string or property; runs joined, entities decoded. Word:
             body, headers, footers, footnotes, endnotes, comments, text boxes;
             not w:delText, w:instrText. Excel: shared strings (not phonetic
             runs), inline and formula-result strings, numbers, comments; not the
             index of a shared-string cell. PowerPoint: slides and notes slides,
             not layouts and masters. OpenDocument: the body of content.xml
             (notes and annotation text, not annotation author/date or tracked
             deletions), headers and footers of styles.xml. EPUB: the spine's
             chapters, without head, script and style. Properties: title,
             subject, keywords, description; never creator/author.
  .zip       every entry as a file (documents as documents, zips to depth 4,
             others as bytes); entries flagged encrypted are not read; an entry
             is read up to its first 32 MB (a bomb's tail is not).
  others     bytes.
A package that can't be read gives no text. Bytes are searched as Windows-1252,
UTF-8 and UTF-16 LE and BE at any byte offset. Units are joined with line
feeds, so a phrase never spans two and a unit's ends bound whole words.
Separators for whole words: tab LF CR space ! " # $ % ' ( ) * + , . / : ; < = >
? @ \\ |; ignoring case compares lower-case forms.

Prints one line a query (truth count, reference count, OK or DIFF) and the files
that differ (first 10 each; -v: all). Exit status 0 when all agree, 1 when some
differ, 2 when the check can't run.
"""
import html.parser
import io
import os
import posixpath
import re
import sys
import time
import zipfile
import xml.etree.ElementTree as ET

SEPS = set("\t\n\r !\"#$%'()*+,./:;<=>?@\\|")
DOCS = {".docx", ".docm", ".dotx", ".xlsx", ".xlsm", ".pptx", ".pptm", ".odt", ".ods", ".odp", ".epub"}
ENTRY_LIMIT = 32 << 20
MAX_DEPTH = 4
CP1252 = {i: ch for i, ch in enumerate(bytes(range(128, 160)).decode("cp1252", "replace"), 128) if ch != "\ufffd"}

W = "{http://schemas.openxmlformats.org/wordprocessingml/2006/main}"
A = "{http://schemas.openxmlformats.org/drawingml/2006/main}"
S = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
TEXT = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"
OFFICE = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
STYLE = "{urn:oasis:names:tc:opendocument:xmlns:style:1.0}"
META = "{urn:oasis:names:tc:opendocument:xmlns:meta:1.0}"
DC = "{http://purl.org/dc/elements/1.1/}"
CP = "{http://schemas.openxmlformats.org/package/2006/metadata/core-properties}"
OPF = "{http://www.idpf.org/2007/opf}"
CONTAINER = "{urn:oasis:names:tc:opendocument:xmlns:container}"


def die(msg):
    print("check_doc_truth.py: " + msg, file=sys.stderr)
    sys.exit(2)


# ------------------------------------------------------------------ Office Open XML
def word_units(root):
    """Paragraph texts of a WordprocessingML part; nested paragraphs (text boxes) are units of their own."""
    units = []

    def walk(el, buf):
        tag = el.tag
        if tag == W + "p":
            mine = []
            for ch in el:
                walk(ch, mine)
            units.append("".join(mine))
            return
        if tag in (W + "delText", W + "instrText", W + "delInstrText"):
            return
        if buf is not None:
            if tag == W + "t":
                buf.append(el.text or "")
            elif tag == W + "tab":
                buf.append("\t")
            elif tag in (W + "br", W + "cr"):
                buf.append("\n")
            elif tag == W + "noBreakHyphen":
                buf.append("-")
        for ch in el:
            walk(ch, buf)

    walk(root, None)
    return units


def core_units(z):
    try:
        root = ET.fromstring(z.read("docProps/core.xml"))
    except (KeyError, ET.ParseError):
        return []
    return [el.text or "" for el in root if el.tag in (DC + "title", DC + "subject", CP + "keywords", DC + "description")]


def si_text(el):
    """A string item's text: its t elements, not those of phonetic runs."""
    out = []

    def walk(e):
        if e.tag == S + "rPh":
            return
        if e.tag == S + "t":
            out.append(e.text or "")
        for c in e:
            walk(c)

    walk(el)
    return "".join(out)


def ooxml_units(z):
    names = z.namelist()
    units = []
    ext_parts = []
    for n in names:
        if n == "word/document.xml" or re.fullmatch(r"word/(header|footer)\d*\.xml", n) or \
                n in ("word/footnotes.xml", "word/endnotes.xml", "word/comments.xml"):
            ext_parts.append(("w", n))
        elif n == "xl/sharedStrings.xml":
            ext_parts.append(("sst", n))
        elif re.fullmatch(r"xl/worksheets/sheet\d+\.xml", n):
            ext_parts.append(("sheet", n))
        elif re.fullmatch(r"xl/comments\d+\.xml", n):
            ext_parts.append(("xlcomments", n))
        elif re.fullmatch(r"ppt/(slides/slide|notesSlides/notesSlide)\d+\.xml", n):
            ext_parts.append(("a", n))
    for kind, n in ext_parts:
        try:
            root = ET.fromstring(z.read(n))
        except ET.ParseError:
            continue
        if kind == "w":
            units += word_units(root)
        elif kind == "sst":
            units += [si_text(si) for si in root.iter(S + "si")]
        elif kind == "xlcomments":
            units += [si_text(t) for t in root.iter(S + "text")]
        elif kind == "sheet":
            for c in root.iter(S + "c"):
                t = c.get("t", "n")
                if t == "inlineStr":
                    units += [si_text(i) for i in c.iter(S + "is")]
                elif t in ("str", "n"):
                    v = c.find(S + "v")
                    if v is not None and v.text:
                        units.append(v.text)
        else:
            for p in root.iter(A + "p"):
                buf = []
                for e in p.iter():
                    if e.tag == A + "t":
                        buf.append(e.text or "")
                    elif e.tag == A + "br":
                        buf.append("\n")
                units.append("".join(buf))
    return units + core_units(z)


# ------------------------------------------------------------------ OpenDocument
def odf_paras(root):
    """Paragraph and heading texts under root; notes, frames and annotations nested in one are units of their own."""
    units = []
    skip = {OFFICE + "annotation-end", TEXT + "tracked-changes", DC + "creator", DC + "date", META + "creator-initials",
            TEXT + "note-citation"}

    def walk(el, buf):
        tag = el.tag
        if tag in skip:
            if buf is not None and el.tail:
                buf.append(el.tail)
            return
        if tag in (TEXT + "p", TEXT + "h"):
            mine = [el.text or ""]
            for ch in el:
                walk(ch, mine)
            units.append("".join(mine))
            if buf is not None and el.tail:
                buf.append(el.tail)
            return
        if buf is not None:
            if tag == TEXT + "s":
                buf.append(" " * int(el.get(TEXT + "c", "1")))
            elif tag == TEXT + "tab":
                buf.append("\t")
            elif tag == TEXT + "line-break":
                buf.append("\n")
            else:
                nested = tag in (TEXT + "note", OFFICE + "annotation") or tag.startswith("{urn:oasis:names:tc:opendocument:xmlns:drawing")
                if not nested:
                    buf.append(el.text or "")
                for ch in el:
                    walk(ch, None if nested else buf)
                if el.tail:
                    buf.append(el.tail)
                return
            if el.tail:
                buf.append(el.tail)
            return
        for ch in el:
            walk(ch, None)

    walk(root, None)
    return units


def odf_units(z):
    units = []
    try:
        root = ET.fromstring(z.read("content.xml"))
        body = root.find(OFFICE + "body")
        if body is not None:
            units += odf_paras(body)
    except (KeyError, ET.ParseError):
        pass
    try:
        root = ET.fromstring(z.read("styles.xml"))
        for tag in ("header", "footer", "header-left", "footer-left", "header-first", "footer-first"):
            for el in root.iter(STYLE + tag):
                units += odf_paras(el)
    except (KeyError, ET.ParseError):
        pass
    try:
        root = ET.fromstring(z.read("meta.xml"))
        for el in root.iter():
            if el.tag in (DC + "title", DC + "subject", META + "keyword", DC + "description"):
                units.append(el.text or "")
    except (KeyError, ET.ParseError):
        pass
    return units


# ------------------------------------------------------------------ EPUB
class ChapterText(html.parser.HTMLParser):
    BLOCKS = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "li", "td", "th", "tr", "br", "section", "blockquote", "pre",
              "dt", "dd", "hr", "table", "ul", "ol", "nav", "article", "aside", "header", "footer", "figcaption", "body"}
    HIDDEN = {"head", "script", "style", "title"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.units = [[]]
        self.hidden = 0

    def handle_starttag(self, tag, attrs):
        if tag in self.HIDDEN:
            self.hidden += 1
        elif tag in self.BLOCKS:
            self.units.append([])

    def handle_startendtag(self, tag, attrs):
        if tag in self.BLOCKS:
            self.units.append([])

    def handle_endtag(self, tag):
        if tag in self.HIDDEN:
            self.hidden = max(0, self.hidden - 1)
        elif tag in self.BLOCKS:
            self.units.append([])

    def handle_data(self, data):
        if not self.hidden:
            self.units[-1].append(data)


def epub_units(z):
    try:
        c = ET.fromstring(z.read("META-INF/container.xml"))
        opf_path = next(rf.get("full-path") for rf in c.iter(CONTAINER + "rootfile"))
        opf = ET.fromstring(z.read(opf_path))
    except (KeyError, StopIteration, ET.ParseError):
        return []
    units = []
    base = posixpath.dirname(opf_path)
    meta = opf.find(OPF + "metadata")
    if meta is not None:
        units += [el.text or "" for el in meta if el.tag in (DC + "title", DC + "subject", DC + "description")]
    items = {it.get("id"): it.get("href") for it in opf.iter(OPF + "item")}
    for ref in opf.iter(OPF + "itemref"):
        href = items.get(ref.get("idref"))
        if not href:
            continue
        try:
            data = z.read(posixpath.normpath(posixpath.join(base, href)))
        except KeyError:
            continue
        p = ChapterText()
        p.feed(data.decode("utf-8", "replace"))
        p.close()
        units += ["".join(u) for u in p.units if u]
    return units


# ------------------------------------------------------------------ files and zips
def doc_units(data, ext):
    try:
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            if ext in (".odt", ".ods", ".odp"):
                return odf_units(z)
            if ext == ".epub":
                return epub_units(z)
            return ooxml_units(z)
    except (zipfile.BadZipFile, OSError, EOFError, zlib_error(), RuntimeError, NotImplementedError, ValueError):
        return []


def zlib_error():
    import zlib
    return zlib.error


def read_entry(z, info):
    out = bytearray()
    with z.open(info) as f:
        while len(out) < ENTRY_LIMIT:
            b = f.read(min(1 << 20, ENTRY_LIMIT - len(out)))
            if not b:
                break
            out += b
    return bytes(out)


def zip_contents(data, depth, texts, blobs):
    """Adds the text of documents and the bytes of other entries of a zip."""
    try:
        z = zipfile.ZipFile(io.BytesIO(data))
    except (zipfile.BadZipFile, OSError, ValueError):
        return
    with z:
        for info in z.infolist():
            if info.is_dir() or info.flag_bits & 1:
                continue
            try:
                b = read_entry(z, info)
            except (zipfile.BadZipFile, OSError, EOFError, RuntimeError, NotImplementedError, ValueError, zlib_error()):
                continue
            ext = os.path.splitext(info.filename)[1].lower()
            if ext in DOCS:
                texts += doc_units(b, ext)
            elif ext == ".zip" and depth < MAX_DEPTH:
                zip_contents(b, depth + 1, texts, blobs)
            else:
                blobs.append(b)


def decodings(b):
    """The bytes read as Windows-1252, UTF-8 and UTF-16 LE/BE at both alignments, one at a time."""
    yield b.decode("latin-1").translate(CP1252)
    yield b.decode("utf-8", "replace")
    for enc in ("utf-16-le", "utf-16-be"):
        for off in (0, 1):
            part = b[off:]
            yield part[: len(part) & ~1].decode(enc, "replace")


def file_strings(path):
    """The strings a file is searched in: its documents' text, then each byte content read every way."""
    ext = os.path.splitext(path)[1].lower()
    with open(path, "rb") as f:
        data = f.read()
    if ext in DOCS:
        yield "\n".join(doc_units(data, ext))
        return
    if ext == ".zip":
        texts, blobs = [], []
        zip_contents(data, 1, texts, blobs)
        del data
        yield "\n".join(texts)
        while blobs:
            yield from decodings(blobs.pop(0))
        return
    yield from decodings(data)


def occurs(s, low, word, cs, ww):
    target, pat = (s, word) if cs else (low, word.lower())
    i = target.find(pat)
    while i >= 0:
        if not ww:
            return True
        j = i + len(pat)
        if (i == 0 or target[i - 1] in SEPS) and (j == len(target) or target[j] in SEPS):
            return True
        i = target.find(pat, i + 1)
    return False


def words_of(qry, mtc):
    return [qry] if mtc == "EXACT" else qry.split()


def main(argv):
    args = [a for a in argv[1:] if a != "-v"]
    verbose = "-v" in argv[1:]
    if len(args) != 1:
        die("usage: check_doc_truth.py [-v] OUT")
    out = args[0]
    tree, truth_path = os.path.join(out, "tree"), os.path.join(out, "truth.tsv")
    if not os.path.isdir(tree) or not os.path.isfile(truth_path):
        die("%s has no tree/ or truth.tsv (make it with make_doc_corpus.py)" % out)
    queries, truth = [], {}
    with open(truth_path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == "query" and len(fields) >= 5:
                queries.append(fields[1:5])
                truth[fields[1]] = set()
            elif fields[0] == "file" and len(fields) == 3 and fields[1] in truth:
                truth[fields[1]].add(fields[2])
            else:
                die("truth.tsv: bad line %r" % line)
    t0 = time.time()
    found = {q[0]: set() for q in queries}
    nfiles = 0
    for root, dirs, files in os.walk(tree):
        dirs.sort()
        for fn in sorted(files):
            path = os.path.join(root, fn)
            rel = os.path.relpath(path, tree).replace(os.sep, "/")
            nfiles += 1
            seen = set()  # (query id, word index) found somewhere in the file
            for s in file_strings(path):
                low = s.lower()
                for qid, cmd, mtc, qry in queries:
                    for k, w in enumerate(words_of(qry, mtc)):
                        if (qid, k) not in seen and occurs(s, low, w, "C" in cmd, "W" in cmd):
                            seen.add((qid, k))
                del s, low
            for qid, cmd, mtc, qry in queries:
                hits = [(qid, k) in seen for k in range(len(words_of(qry, mtc)))]
                if (all(hits) if mtc == "ALL" else any(hits)):
                    found[qid].add(rel)
    bad = 0
    print("%-13s %6s %6s  %s" % ("query", "truth", "ref", "qry / cmd / mtc"))
    for qid, cmd, mtc, qry in queries:
        missing, extra = sorted(truth[qid] - found[qid]), sorted(found[qid] - truth[qid])
        ok = not missing and not extra
        bad += not ok
        print("%-13s %6d %6d  %s  %s %s %s" % (qid, len(truth[qid]), len(found[qid]), "OK  " if ok else "DIFF", qry, cmd, mtc))
        for label, lst in (("in truth, not found by the reference", missing), ("found by the reference, not in truth", extra)):
            for rel in lst[: None if verbose else 10]:
                print("    %s: %s" % (label, rel))
    print("%d files read in %.0f s; %d of %d queries agree" % (nfiles, time.time() - t0, len(queries) - bad, len(queries)))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
