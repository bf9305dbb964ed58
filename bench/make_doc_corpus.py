#!/usr/bin/env python3
"""Deterministic tree of documents and zip archives with planted words, and its truth.

usage: make_doc_corpus.py OUT SEED [SCALE] [--soffice]

  SCALE    1.0 (default) makes about 3,450 files and 330 MB in ~3 minutes; 0.05 about 400
           files and 55 MB in 30 s: the hostile files, the planted files and one
           big archive are made at every scale.
  --soffice  also has LibreOffice (soffice --headless; Debian's
           libreoffice-writer-nogui, -calc-nogui, -impress-nogui) convert HTML,
           CSV and presentations of ours into 100 docx, odt, xlsx, ods, pptx and
           odp files from a real producer under OUT/tree/producer/, with planted
           words (body, split by bold/italic, table cell, shared string, slide,
           notes; phrases over two paragraphs). Off by default; adds ~1 minute.

Creates OUT (must not exist or be empty), writes the files under OUT/tree and the
truth to OUT/truth.tsv, outside the searched tree (it names every word). Only the
python3 standard library is used; everything comes from random.Random(SEED),
so the same arguments give the same bytes (zip times are fixed too).

Folders under OUT/tree: office/ (docx docm dotx xlsx xlsm pptx pptm), odf/ (odt ods odp),
epub/, archives/ (zips only: text in Windows-1252, UTF-8, UTF-16 LE/BE with and
without BOM, nested zips, documents inside zips, a few big archives), plain/
(txt, html, searched as bytes), hostile/ (a .docx that is text, cut zips, an
encrypted entry, zip bombs, a zip renamed .txt, documents renamed .zip).

The XML is written as Word, Excel, PowerPoint and LibreOffice write it: real
namespaces, rsid attributes, xml:space="preserve", proofErr marks and runs that
split words mid-word, tracked changes, fields, text boxes twice (AlternateContent
choice and fallback), shared strings with rich runs and phonetic runs, layouts
and masters with placeholder prompts, ODF text:s / text:span / annotations /
notes, EPUB 2 and 3 chapters with character and named entities.

Filler words are consonant-vowel syllables over "bdfgklmnprstv" and "aeiou"
(plus a few accented and CJK words), so no planted word ("zq..."), no markup
word (schemas, preserve, sheetData, rsidR, xmlns) and no digit run can appear
in the text by chance; numbers in cells never contain 4817.

truth.tsv (tab-separated, UTF-8):
  query <id> <cmd> <mtc> <qry> <what it covers>
  file  <id> <path relative to OUT/tree, with "/">
one "file" line for every file the query must list (with +docs=1), sorted.
"""
import html
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import time
import zipfile
import zlib
from xml.sax.saxutils import escape

# ---------------------------------------------------------------------------
# The queries. Each id's files are collected while the corpus is written.
QUERIES = [
    ("body", "zqxbody", "S", "ANY", "document body text, inserted text of a tracked change, in every document kind"),
    ("split", "zqxsplitrun", "S", "ANY", "a word split over 2-4 runs (docx, pptx, xlsx rich text, ODF text:span)"),
    ("hdrftr", "zqxheader", "S", "ANY", "docx header/footer parts, ODF style:header/footer in styles.xml"),
    ("note", "zqxfootnote", "S", "ANY", "docx footnotes and endnotes, ODF text:note bodies"),
    ("comment", "zqxcomment", "S", "ANY", "docx comments, ODF office:annotation text, xlsx comments"),
    ("textbox", "zqxtextbox", "S", "ANY", "docx text box (AlternateContent), ODF draw:text-box"),
    ("table", "zqxcell", "S", "ANY", "docx table cells, ODF table cells, ODS cells"),
    ("shared", "zqxshared", "S", "ANY", "xlsx shared strings (plain and rich)"),
    ("inline", "zqxinline", "S", "ANY", "xlsx inlineStr cells and str (formula result) cells"),
    ("slide", "zqxslide", "S", "ANY", "pptx slides, ODP pages"),
    ("notes", "zqxnotes", "S", "ANY", "pptx notes slides, ODP presentation:notes"),
    ("chapter", "zqxchapter", "S", "ANY", "EPUB 2/3 chapters (spine items)"),
    ("entity", "zqxent", "S", "ANY", "a character reference inside the word (&#120; &#x78;) in EPUB and docx"),
    ("entity_u", "cafézq", "S", "ANY", "caf&#233;zq / caf&eacute;zq in EPUB chapters: entities decode to é"),
    ("props", "zqxtitle", "S", "ANY", "title / subject / keywords / description properties (core.xml, meta.xml, OPF)"),
    ("author", "zqxauthor", "S", "ANY", "author/creator/lastModifiedBy, comment authors: never found (one plain .txt is)"),
    ("deleted", "zqxdeleted zqxfield", "S", "ANY", "w:delText and w:instrText are not text (one plain .html has them as bytes)"),
    ("attr", "zqxattr", "S", "ANY", "the word only as an attribute value or element name: not found (one .txt is)"),
    ("master", "zqxmaster", "S", "ANY", "pptx layouts/masters and ODP master pages: not text (one docx shows it)"),
    ("prompt", "Click to edit Master title style", "S", "EXACT", "the layout prompt; only one docx shows it as text"),
    ("hidden", "zqxheadtitle zqxscript zqxstyle", "S", "ANY", "EPUB head title, script, style: not text; plain .html as bytes: found"),
    ("idx", "4817", "SW", "ANY", "a shared-string index 4817 in sheets with >4817 strings is not text; docx showing 4817"),
    ("phrase", "zqxphone zqxphtwo", "S", "EXACT", "phrase in one paragraph/cell/entry (found, also over runs and text:s) vs over two (not)"),
    ("all", "zqxallone zqxalltwo", "S", "ALL", "ALL: two words in different parts of a document or different entries of a zip"),
    ("whole", "zqxwhole", "SW", "ANY", "whole words: glued to letters in a paragraph (not) vs at a paragraph/cell/entry end"),
    ("whole_off", "zqxwhole", "S", "ANY", "the same word without whole words: every file holding it"),
    ("case_c", "ZQXCase", "SC", "ANY", "case-sensitive: only files with ZQXCase as written"),
    ("case_i", "zqxcase", "S", "ANY", "ignoring case: every form, also UTF-16 zip entries"),
    ("zipenc", "zqxzipenc", "S", "ANY", "zip entries in Windows-1252, UTF-8 (BOM or not), UTF-16 LE/BE (BOM or not)"),
    ("zipcafe", "zqxcafé", "S", "ANY", "a non-ASCII word in zip entries in each encoding (not a document)"),
    ("nested", "zqxnested", "S", "ANY", "zip in zip (depth 2) and zip in zip in zip (depth 3)"),
    ("zipdoc", "zqxzipdoc", "S", "ANY", "documents (docx, xlsx, odt, epub) inside zips, also nested"),
    ("encrypted", "zqxencrypted", "S", "ANY", "an entry flagged encrypted (stored, plain bytes): not found"),
    ("bomb_after", "zqxafterbomb", "S", "ANY", "an entry after a 4.5 GB bomb entry in the same zip: found"),
    ("bomb_before", "zqxbeforebomb", "S", "ANY", "an entry before a nested bomb (50 KB -> 4.5 GB): found"),
    ("bomb_tail", "zqxbombtail", "S", "ANY", "a word after 4.5 GB of zeros in one entry: not found"),
    ("renamed", "zqxrnstored", "S", "ANY", "a zip named .txt is bytes: a stored entry's word is found"),
    ("renamed_defl", "zqxrndefl", "S", "ANY", "a zip named .txt is bytes: a deflated entry's word is not found"),
    ("plain", "zqxplain", "S", "ANY", "plain .txt/.html files searched by bytes"),
    ("m_schemas", "schemas", "S", "ANY", "markup: only files that show 'schemas' (or hold it as bytes: html, xml entries, renamed documents)"),
    ("m_preserve", "preserve", "S", "ANY", "markup: xml:space=\"preserve\" is not text"),
    ("m_sheetdata", "sheetData", "S", "ANY", "markup: <sheetData> is not text"),
    ("m_rsidr", "rsidR", "S", "ANY", "markup: w:rsidR attributes are not text"),
    ("m_xmlns", "xmlns", "S", "ANY", "markup: namespace declarations are not text"),
]
MARKUP = {"m_schemas": "schemas", "m_preserve": "preserve", "m_sheetdata": "sheetdata",
          "m_rsidr": "rsidr", "m_xmlns": "xmlns"}

CONS = "bdfgklmnprstv"
VOWS = "aeiou"
EXTRA_WORDS = ["café", "naïve", "Größe", "señor", "déjà", "中文", "日本語", "Ελληνικά", "русский", "façade"]
ANSI_EXTRA = ["café", "naïve", "Größe", "señor", "déjà", "façade"]
PUNCT = [", ", ", ", "; ", ": ", " - ", " (", ") "]

NS_W = ('xmlns:wpc="http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas" '
        'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" '
        'xmlns:o="urn:schemas-microsoft-com:office:office" '
        'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
        'xmlns:m="http://schemas.openxmlformats.org/officeDocument/2006/math" '
        'xmlns:v="urn:schemas-microsoft-com:vml" '
        'xmlns:wp14="http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing" '
        'xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" '
        'xmlns:w10="urn:schemas-microsoft-com:office:word" '
        'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" '
        'xmlns:w14="http://schemas.microsoft.com/office/word/2010/wordml" '
        'xmlns:wpg="http://schemas.microsoft.com/office/word/2010/wordprocessingGroup" '
        'xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape" '
        'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
        'mc:Ignorable="w14 wp14"')
NS_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
NS_PKG_REL = "http://schemas.openxmlformats.org/package/2006/relationships"
NS_CT = "http://schemas.openxmlformats.org/package/2006/content-types"
NS_S = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
NS_P = ('xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
        'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
        'xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"')
NS_ODF = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
          'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
          'xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:dc="http://purl.org/dc/elements/1.1/" '
          'xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" '
          'xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" '
          'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" '
          'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
          'xmlns:loext="urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0" '
          'office:version="1.3"')
XML_DECL = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
HIGH = bytes((b | 0x80) for b in range(256))  # maps any byte into 128..255: no ASCII


def x(s):
    return escape(s)


class Doc:
    """What one document holds beyond its filler: text for each place, in paragraphs.

    place -> list of paragraph groups; a group is a list of paragraph texts that
    are written one after another. `splits` are words written over several runs.
    """

    def __init__(self):
        self.places = {}
        self.splits = set()
        self.raw = {}  # place -> list of raw XML snippets

    def add(self, place, *paras):
        self.places.setdefault(place, []).append(list(paras))
        return self

    def get(self, place):
        return self.places.get(place, [])

    def flat(self, place):
        return [p for g in self.get(place) for p in g]


class Gen:
    def __init__(self, out, seed, scale):
        self.out = out
        self.rng = random.Random(seed)
        self.scale = scale
        self.truth = {q[0]: set() for q in QUERIES}
        self.nfiles = 0
        self.nbytes = 0
        self.kinds = {}
        self.zipdate = (2024, 3, 14, 9, 26, 52)
        self.rsids = ["00%06X" % self.rng.randrange(1 << 24) for _ in range(12)]
        self.numbers = 0

    # ---------------------------------------------------------------- text
    def word(self, rng=None):
        r = rng or self.rng
        if r.random() < 0.02:
            return r.choice(EXTRA_WORDS)
        n = r.choice((1, 1, 2, 2, 2, 3, 3, 4))
        w = "".join(r.choice(CONS) + r.choice(VOWS) for _ in range(n))
        if r.random() < 0.3:
            w += r.choice("lnrst")
        return w

    def sentence(self, nwords=None, ansi=False):
        r = self.rng
        n = nwords or r.randint(4, 18)
        ws = []
        for i in range(n):
            w = self.word()
            if ansi and w not in ANSI_EXTRA and not w.isascii():
                w = "café"
            ws.append(w)
            if i < n - 1:
                ws.append(r.choice(PUNCT) if r.random() < 0.08 else " ")
        s = "".join(ws).replace("( ", "(").strip()
        return s[0].upper() + s[1:] + r.choice(".....!?")

    def para(self, ansi=False):
        return " ".join(self.sentence(ansi=ansi) for _ in range(self.rng.randint(1, 5)))

    def number(self):
        while True:
            v = self.rng.choice((str(self.rng.randint(0, 99999)), "%.2f" % (self.rng.random() * 10000)))
            if "4817" not in v:
                return v

    def rsid(self):
        return self.rng.choice(self.rsids)

    # ---------------------------------------------------------------- output
    def path(self, rel):
        p = os.path.join(self.out, rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        return p

    def write(self, rel, data, kind):
        with open(self.path(rel), "wb") as f:
            f.write(data)
        self.nfiles += 1
        self.nbytes += len(data)
        self.kinds[kind] = self.kinds.get(kind, 0) + 1

    def hit(self, qid, rel):
        assert qid in self.truth, qid
        self.truth[qid].add(rel)

    def hit_bytes_markup(self, rel, text):
        """A file (or an entry of it) searched as bytes that holds markup words as text."""
        low = text.lower()
        for qid, w in MARKUP.items():
            if w in low:
                self.hit(qid, rel)

    # ---------------------------------------------------------------- zip
    def zinfo(self, name, method=zipfile.ZIP_DEFLATED):
        zi = zipfile.ZipInfo(name, self.zipdate)
        zi.compress_type = method
        zi.external_attr = 0o644 << 16
        zi.create_system = 0
        return zi

    def package(self, parts, stored_first=None, descriptors=False, zip64=(), stored=()):
        """Zip bytes of (name, bytes) parts; `stored_first` is written first, stored (ODF, EPUB mimetype)."""
        buf = io.BytesIO()
        target = _Unseekable(buf) if descriptors else buf
        with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
            if stored_first:
                z.writestr(self.zinfo(stored_first[0], zipfile.ZIP_STORED), stored_first[1])
            for name, data in parts:
                method = zipfile.ZIP_STORED if name in stored else zipfile.ZIP_DEFLATED
                zi = self.zinfo(name, method)
                if isinstance(data, str):
                    data = data.encode("utf-8")
                with z.open(zi, "w", force_zip64=name in zip64) as f:
                    f.write(data)
        return buf.getvalue()

    # ---------------------------------------------------------------- docx
    def runs(self, text, splits=()):
        """w:r runs for text, cut at random places (also mid-word) and inside every split word."""
        r = self.rng
        cuts = set()
        for _ in range(len(text) // r.randint(12, 40)):
            cuts.add(r.randrange(1, max(2, len(text))))
        for w in splits:
            i = text.find(w)
            while i >= 0:
                for c in r.sample(range(1, len(w)), min(len(w) - 1, r.randint(2, 3))):
                    cuts.add(i + c)
                i = text.find(w, i + 1)
        cuts = sorted(c for c in cuts if 0 < c < len(text))
        pieces = [text[a:b] for a, b in zip([0] + cuts, cuts + [len(text)])]
        out = []
        for i, pc in enumerate(pieces):
            if not pc:
                continue
            rpr = r.choice(("", "<w:b/>", "<w:i/>", '<w:lang w:val="en-GB"/>', "<w:b/><w:bCs/>",
                            '<w:color w:val="1F3864"/>', '<w:noProof/>'))
            rpr = "<w:rPr>%s</w:rPr>" % rpr if rpr else ""
            sp = ' xml:space="preserve"' if pc[0] == " " or pc[-1] == " " else ""
            if i and r.random() < 0.15:
                out.append('<w:proofErr w:type="%s"/>' % r.choice(("spellStart", "spellEnd", "gramStart", "gramEnd")))
            if r.random() < 0.02:
                out.append('<w:bookmarkStart w:id="0" w:name="_GoBack"/><w:bookmarkEnd w:id="0"/>')
            rs = ' w:rsidRPr="%s"' % self.rsid() if r.random() < 0.5 else ""
            out.append("<w:r%s>%s<w:t%s>%s</w:t></w:r>" % (rs, rpr, sp, x(pc)))
        return "".join(out)

    def wp(self, text, splits=(), style=None, extra=""):
        st = '<w:pPr><w:pStyle w:val="%s"/></w:pPr>' % style if style else ""
        if not style and self.rng.random() < 0.3:
            st = '<w:pPr><w:spacing w:after="120"/><w:jc w:val="both"/></w:pPr>'
        return ('<w:p w:rsidR="%s" w:rsidRDefault="%s" w:rsidP="%s">%s%s%s</w:p>'
                % (self.rsid(), self.rsid(), self.rsid(), st, self.runs(text, splits), extra))

    def docx(self, rel, doc, kind="docx", npara=None, images=0):
        r = self.rng
        splits = doc.splits
        body = []
        npara = npara if npara is not None else r.randint(5, 120)
        groups = [g for g in doc.get("body")]
        slots = sorted(r.randrange(npara + 1) for _ in groups)
        fn_ids = []
        comments = []
        for i in range(npara + 1):
            while slots and slots[0] == i:
                slots.pop(0)
                for t in groups.pop(0):
                    body.append(self.wp(t, splits))
            if i == npara:
                break
            k = r.random()
            if k < 0.06:
                body.append(self.wp(self.sentence(r.randint(2, 8)), style="Heading%d" % r.randint(1, 3)))
            elif k < 0.09:
                rows = "".join("<w:tr>%s</w:tr>" % "".join(
                    '<w:tc><w:tcPr><w:tcW w:w="2394" w:type="dxa"/></w:tcPr>%s</w:tc>' % self.wp(self.sentence(r.randint(1, 5)))
                    for _ in range(3)) for _ in range(r.randint(2, 6)))
                body.append('<w:tbl><w:tblPr><w:tblStyle w:val="TableGrid"/><w:tblW w:w="0" w:type="auto"/></w:tblPr>'
                            '<w:tblGrid><w:gridCol w:w="2394"/><w:gridCol w:w="2394"/><w:gridCol w:w="2394"/></w:tblGrid>%s</w:tbl>' % rows)
                body.append(self.wp(""))
            else:
                body.append(self.wp(self.para(), style="ListParagraph" if k > 0.95 else None))
        # planted places with their own structure
        for t in doc.flat("table"):
            cells = [self.sentence(3), t, self.sentence(2)]
            r.shuffle(cells)
            body.append('<w:tbl><w:tblPr><w:tblStyle w:val="TableGrid"/></w:tblPr><w:tr>%s</w:tr></w:tbl>'
                        % "".join('<w:tc>%s</w:tc>' % self.wp(c, splits) for c in cells))
            body.append(self.wp(self.para()))
        for group in doc.get("cells"):  # adjacent cells of one row
            body.append('<w:tbl><w:tblPr><w:tblStyle w:val="TableGrid"/></w:tblPr><w:tr>%s</w:tr></w:tbl>'
                        % "".join('<w:tc>%s</w:tc>' % self.wp(c, splits) for c in group))
        for t in doc.flat("textbox"):
            box = self.wp(t, splits)
            body.append(
                '<w:p w:rsidR="%s" w:rsidRDefault="%s">%s<w:r><mc:AlternateContent><mc:Choice Requires="wps">'
                '<w:drawing><wp:anchor distT="0" distB="0" distL="114300" distR="114300" simplePos="0" relativeHeight="251659264" '
                'behindDoc="0" locked="0" layoutInCell="1" allowOverlap="1"><wp:simplePos x="0" y="0"/>'
                '<wp:extent cx="2360930" cy="1404620"/><wp:docPr id="217" name="Text Box 2"/>'
                '<a:graphic><a:graphicData uri="http://schemas.microsoft.com/office/word/2010/wordprocessingShape">'
                '<wps:wsp><wps:cNvSpPr txBox="1"/><wps:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="2360930" cy="1404620"/></a:xfrm>'
                '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></wps:spPr><wps:txbx><w:txbxContent>%s</w:txbxContent></wps:txbx>'
                '<wps:bodyPr rot="0" vert="horz" wrap="square"/></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing>'
                '</mc:Choice><mc:Fallback><w:pict><v:shapetype id="_x0000_t202" coordsize="21600,21600" o:spt="202"/>'
                '<v:shape id="Text Box 2" o:spid="_x0000_s1026" type="#_x0000_t202" style="position:absolute;width:185.9pt;height:110.6pt">'
                '<v:textbox><w:txbxContent>%s</w:txbxContent></v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>'
                % (self.rsid(), self.rsid(), self.runs(self.sentence(4) + " "), box, box))
        for kind_note in ("footnote", "endnote"):
            for t in doc.flat(kind_note):
                nid = len(fn_ids) + 1
                fn_ids.append((kind_note, nid, t))
                body.append('<w:p w:rsidR="%s">%s<w:r><w:rPr><w:rStyle w:val="%sReference"/></w:rPr><w:%sReference w:id="%d"/></w:r>'
                            '%s</w:p>' % (self.rsid(), self.runs(self.sentence(6)), kind_note.capitalize(), kind_note, nid,
                                          self.runs(" " + self.sentence(5))))
        for t in doc.flat("comment"):
            cid = len(comments)
            comments.append(t)
            body.append('<w:p w:rsidR="%s"><w:commentRangeStart w:id="%d"/>%s<w:commentRangeEnd w:id="%d"/>'
                        '<w:r><w:rPr><w:rStyle w:val="CommentReference"/></w:rPr><w:commentReference w:id="%d"/></w:r></w:p>'
                        % (self.rsid(), cid, self.runs(self.sentence(7)), cid, cid))
        for t in doc.flat("deleted"):
            body.append('<w:p w:rsidR="%s">%s<w:del w:id="%d" w:author="%s" w:date="2024-03-01T10:00:00Z">'
                        '<w:r w:rsidDel="%s"><w:delText xml:space="preserve">%s </w:delText></w:r></w:del>%s</w:p>'
                        % (self.rsid(), self.runs(self.sentence(5) + " "), 90 + r.randrange(100), self.author(),
                           self.rsid(), x(t), self.runs(self.sentence(4))))
        for t in doc.flat("inserted"):
            body.append('<w:p w:rsidR="%s">%s<w:ins w:id="%d" w:author="%s" w:date="2024-03-01T10:00:00Z">%s</w:ins></w:p>'
                        % (self.rsid(), self.runs(self.sentence(5) + " "), 200 + r.randrange(100), self.author(),
                           self.runs(t, splits)))
        for t in doc.flat("field"):
            body.append('<w:p w:rsidR="%s">%s<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText xml:space="preserve"> '
                        'HYPERLINK "http://example.com/%s" \\o "%s" </w:instrText></w:r><w:r><w:fldChar w:fldCharType="separate"/></w:r>'
                        '<w:r><w:rPr><w:rStyle w:val="Hyperlink"/></w:rPr><w:t>%s</w:t></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r>'
                        '<w:fldSimple w:instr=" PAGE   \\* MERGEFORMAT "><w:r><w:t>1</w:t></w:r></w:fldSimple></w:p>'
                        % (self.rsid(), self.runs(self.sentence(4) + " "), x(t), x(t), x(self.sentence(2))))
        for t in doc.flat("attr"):
            body.append('<w:p w:rsidR="%s"><w:bookmarkStart w:id="7" w:name="%s"/><w:r><w:rPr><w:rStyle w:val="%s"/></w:rPr>'
                        '<w:t>%s</w:t></w:r><w:bookmarkEnd w:id="7"/></w:p>' % (self.rsid(), x(t), x(t), x(self.sentence(5))))
            body.append('<w:sdt><w:sdtPr><w:alias w:val="%s"/><w:tag w:val="%s"/></w:sdtPr><w:sdtContent>%s</w:sdtContent></w:sdt>'
                        % (x(t), x(t), self.wp(self.sentence(4))))
        for t in doc.raw.get("body", []):
            body.append(t)
        if doc.flat("attr"):
            body.append('<zq:%s xmlns:zq="urn:example:zq" zq:v="1"/>' % doc.flat("attr")[0])
        hdr = doc.flat("header")
        ftr = doc.flat("footer")
        has_hf = bool(hdr or ftr or r.random() < 0.5)
        sect = ('<w:sectPr w:rsidR="%s">%s<w:pgSz w:w="12240" w:h="15840"/><w:pgMar w:top="1440" w:right="1440" w:bottom="1440" '
                'w:left="1440" w:header="720" w:footer="720" w:gutter="0"/><w:cols w:space="720"/><w:docGrid w:linePitch="360"/></w:sectPr>'
                % (self.rsid(), '<w:headerReference w:type="default" r:id="rId8"/><w:footerReference w:type="default" r:id="rId9"/>'
                   if has_hf else ""))
        document = (XML_DECL + '<w:document %s><w:body>%s%s</w:body></w:document>' % (NS_W, "".join(body), sect))
        parts = [("word/document.xml", document)]
        rels = [("rId1", "styles", "styles.xml"), ("rId2", "settings", "settings.xml"),
                ("rId3", "webSettings", "webSettings.xml"), ("rId4", "fontTable", "fontTable.xml"),
                ("rId5", "theme", "theme/theme1.xml")]
        if has_hf:
            hp = "".join(self.wp(t, splits, style="Header") for t in hdr) or self.wp(self.sentence(3), style="Header")
            fp = "".join(self.wp(t, splits, style="Footer") for t in ftr) or (
                '<w:p><w:pPr><w:pStyle w:val="Footer"/><w:jc w:val="right"/></w:pPr><w:r><w:fldChar w:fldCharType="begin"/></w:r>'
                '<w:r><w:instrText xml:space="preserve"> PAGE   \\* MERGEFORMAT </w:instrText></w:r><w:r><w:fldChar w:fldCharType="separate"/></w:r>'
                '<w:r><w:t>2</w:t></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r></w:p>')
            parts.append(("word/header1.xml", XML_DECL + "<w:hdr %s>%s</w:hdr>" % (NS_W, hp)))
            parts.append(("word/footer1.xml", XML_DECL + "<w:ftr %s>%s</w:ftr>" % (NS_W, fp)))
            rels += [("rId8", "header", "header1.xml"), ("rId9", "footer", "footer1.xml")]
        for kind_note in ("footnote", "endnote"):
            notes = [n for n in fn_ids if n[0] == kind_note]
            if notes or r.random() < 0.2:
                xml = ('<w:%s w:type="separator" w:id="-1"><w:p><w:r><w:separator/></w:r></w:p></w:%s>'
                       '<w:%s w:type="continuationSeparator" w:id="0"><w:p><w:r><w:continuationSeparator/></w:r></w:p></w:%s>'
                       % ((kind_note,) * 4))
                for _, nid, t in notes:
                    xml += ('<w:%s w:id="%d"><w:p><w:pPr><w:pStyle w:val="%sText"/></w:pPr><w:r><w:rPr><w:rStyle w:val="%sReference"/>'
                            '</w:rPr><w:%sRef/></w:r>%s</w:p></w:%s>'
                            % (kind_note, nid, kind_note.capitalize(), kind_note.capitalize(), kind_note,
                               self.runs(" " + t, splits), kind_note))
                parts.append(("word/%ss.xml" % kind_note, XML_DECL + "<w:%ss %s>%s</w:%ss>" % (kind_note, NS_W, xml, kind_note)))
                rels.append(("rId1%d" % (kind_note == "endnote"), kind_note + "s", kind_note + "s.xml"))
        if comments:
            xml = "".join('<w:comment w:id="%d" w:author="%s" w:date="2024-02-02T12:00:00Z" w:initials="AB">%s</w:comment>'
                          % (i, x(self.author()), self.wp(t, splits, style="CommentText")) for i, t in enumerate(comments))
            parts.append(("word/comments.xml", XML_DECL + "<w:comments %s>%s</w:comments>" % (NS_W, xml)))
            rels.append(("rId12", "comments", "comments.xml"))
        for i in range(images):
            size = r.choice((10_000, 20_000, 40_000, 80_000, 150_000)) if r.random() > 0.06 else 1_600_000
            parts.append(("word/media/image%d.png" % (i + 1), b"\x89PNG\r\n\x1a\n" + self.rng.randbytes(size)))
            rels.append(("rId%d" % (20 + i), "image", "media/image%d.png" % (i + 1)))
        parts += [("word/styles.xml", self.w_styles()), ("word/settings.xml", self.w_settings()),
                  ("word/webSettings.xml", XML_DECL + '<w:webSettings %s><w:optimizeForBrowser/></w:webSettings>' % NS_W),
                  ("word/fontTable.xml", XML_DECL + '<w:fonts %s><w:font w:name="Calibri"><w:panose1 w:val="020F0502020204030204"/>'
                   '<w:charset w:val="00"/><w:family w:val="swiss"/><w:pitch w:val="variable"/></w:font></w:fonts>' % NS_W),
                  ("word/theme/theme1.xml", THEME)]
        parts.append(("word/_rels/document.xml.rels", self.rels(
            [(i, "http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + t, tg) for i, t, tg in rels])))
        main_ct = {"docx": "document.main", "docm": "document.macroEnabled.main", "dotx": "template.main"}[kind]
        main_ct = ("application/vnd.ms-word.%s+xml" % main_ct if kind == "docm"
                   else "application/vnd.openxmlformats-officedocument.wordprocessingml.%s+xml" % main_ct)
        overrides = [("/word/document.xml", main_ct)] + [
            ("/" + n, "application/vnd.openxmlformats-officedocument.wordprocessingml.%s+xml" % t)
            for n, t in (("word/styles.xml", "styles"), ("word/settings.xml", "settings"), ("word/header1.xml", "header"),
                         ("word/footer1.xml", "footer"), ("word/footnotes.xml", "footnotes"), ("word/endnotes.xml", "endnotes"),
                         ("word/comments.xml", "comments")) if any(p[0] == n for p in parts)]
        return self.ooxml(rel, parts, overrides, doc, "word/document.xml", kind)

    def author(self):
        return self.rng.choice(("Anna Berg", "J. Tanaka", "Olga Ivanova", "Marc Dupont", "Sam Lee"))

    def w_styles(self):
        return (XML_DECL + '<w:styles %s><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:asciiTheme="minorHAnsi" w:eastAsiaTheme="minorHAnsi"/>'
                '<w:sz w:val="22"/><w:lang w:val="en-US" w:eastAsia="en-US" w:bidi="ar-SA"/></w:rPr></w:rPrDefault></w:docDefaults>'
                '<w:latentStyles w:defLockedState="0" w:defUIPriority="99"><w:lsdException w:name="Normal" w:uiPriority="0" w:qFormat="1"/>'
                '<w:lsdException w:name="heading 1" w:uiPriority="9" w:qFormat="1"/></w:latentStyles>'
                '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/></w:style>'
                '<w:style w:type="paragraph" w:styleId="Heading1"><w:name w:val="heading 1"/><w:basedOn w:val="Normal"/>'
                '<w:next w:val="Normal"/><w:link w:val="Heading1Char"/><w:uiPriority w:val="9"/><w:qFormat/><w:rsid w:val="%s"/></w:style>'
                '<w:style w:type="character" w:styleId="Hyperlink"><w:name w:val="Hyperlink"/><w:rPr><w:color w:val="0563C1"/><w:u w:val="single"/></w:rPr></w:style>'
                '</w:styles>' % (NS_W, self.rsid()))

    def w_settings(self):
        return (XML_DECL + '<w:settings %s><w:zoom w:percent="100"/><w:proofState w:spelling="clean" w:grammar="clean"/>'
                '<w:defaultTabStop w:val="720"/><w:characterSpacingControl w:val="doNotCompress"/><w:compat>'
                '<w:compatSetting w:name="compatibilityMode" w:uri="http://schemas.microsoft.com/office/word" w:val="15"/></w:compat>'
                '<w:rsids><w:rsidRoot w:val="%s"/>%s</w:rsids><w:themeFontLang w:val="en-US"/></w:settings>'
                % (NS_W, self.rsids[0], "".join('<w:rsid w:val="%s"/>' % s for s in self.rsids)))

    def rels(self, items):
        return (XML_DECL + '<Relationships xmlns="%s">%s</Relationships>'
                % (NS_PKG_REL, "".join('<Relationship Id="%s" Type="%s" Target="%s"/>' % i for i in items)))

    def core(self, doc):
        title = " ".join(doc.flat("title")) or (self.sentence(4)[:-1] if self.rng.random() < 0.7 else "")
        subject = " ".join(doc.flat("subject"))
        keywords = " ".join(doc.flat("keywords"))
        descr = " ".join(doc.flat("description"))
        author = " ".join(doc.flat("author")) or self.author()
        return (XML_DECL + '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
                'xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" '
                'xmlns:dcmitype="http://purl.org/dc/dcmitype/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
                '<dc:title>%s</dc:title><dc:subject>%s</dc:subject><dc:creator>%s</dc:creator><cp:keywords>%s</cp:keywords>'
                '<dc:description>%s</dc:description><cp:lastModifiedBy>%s</cp:lastModifiedBy><cp:revision>%d</cp:revision>'
                '<dcterms:created xsi:type="dcterms:W3CDTF">2024-01-0%dT08:00:00Z</dcterms:created>'
                '<dcterms:modified xsi:type="dcterms:W3CDTF">2024-02-11T17:30:00Z</dcterms:modified></cp:coreProperties>'
                % (x(title), x(subject), x(author), x(keywords), x(descr), x(author), self.rng.randint(1, 40), self.rng.randint(1, 9)))

    def ooxml(self, rel, parts, overrides, doc, main, kind):
        app = (XML_DECL + '<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties" '
               'xmlns:vt="http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes"><Template>Normal.dotm</Template>'
               '<TotalTime>%d</TotalTime><Application>Microsoft Office Word</Application><DocSecurity>0</DocSecurity>'
               '<Company>%s</Company><AppVersion>16.0000</AppVersion></Properties>' % (self.rng.randint(1, 500), x(self.author())))
        parts = parts + [("docProps/core.xml", self.core(doc)), ("docProps/app.xml", app),
                         ("_rels/.rels", self.rels([
                             ("rId3", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties", "docProps/app.xml"),
                             ("rId2", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties", "docProps/core.xml"),
                             ("rId1", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument", main)]))]
        ct = (XML_DECL + '<Types xmlns="%s"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
              '<Default Extension="xml" ContentType="application/xml"/><Default Extension="png" ContentType="image/png"/>%s'
              '<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>'
              '<Override PartName="/docProps/app.xml" ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/></Types>'
              % (NS_CT, "".join('<Override PartName="%s" ContentType="%s"/>' % o for o in overrides)))
        r = self.rng
        data = self.package([("[Content_Types].xml", ct)] + parts, descriptors=r.random() < 0.1,
                            zip64={"word/document.xml"} if r.random() < 0.03 else (),
                            stored={n for n, _ in parts if n.endswith(".png")} if r.random() < 0.3 else ())
        if rel:
            self.write(rel, data, kind)
        return data

    # ---------------------------------------------------------------- xlsx
    def xlsx(self, rel, doc, kind="xlsx", nstrings=None, idx_trap=False):
        r = self.rng
        splits = doc.splits
        nstrings = nstrings or r.choice((50, 200, 600, 1500, 3000))
        sst = []
        for i in range(nstrings):
            k = r.random()
            if k < 0.05:
                t1 = self.word()
                sst.append('<si><r><rPr><b/><sz val="11"/><color theme="1"/><rFont val="Calibri"/><family val="2"/></rPr><t>%s</t></r>'
                           '<r><rPr><sz val="11"/><rFont val="Calibri"/></rPr><t xml:space="preserve"> %s</t></r></si>' % (x(t1), x(self.sentence(3))))
            elif k < 0.07:
                sst.append('<si><t>漢字%s</t><rPh sb="0" eb="2"><t>カンジ</t></rPh><phoneticPr fontId="1"/></si>' % x(self.word()))
            else:
                sst.append("<si><t>%s</t></si>" % x(self.sentence(r.randint(1, 6))[:-1] if r.random() < 0.6 else self.word()))
        planted_shared = []
        for t in doc.flat("shared"):
            if any(w in t for w in splits):
                w = next(w for w in splits if w in t)
                a, b = t.split(w, 1)
                c = r.randint(1, len(w) - 1)
                sst.append('<si><r><t xml:space="preserve">%s%s</t></r><r><rPr><i/><sz val="11"/><rFont val="Calibri"/></rPr>'
                           '<t>%s</t></r><r><t xml:space="preserve">%s</t></r></si>' % (x(a), x(w[:c]), x(w[c:]), x(b)))
            else:
                sst.append("<si><t>%s</t></si>" % x(t))
            planted_shared.append(len(sst) - 1)
        nrows = max(20, min(4000, nstrings // 3 + r.randint(10, 200)))
        ncols = r.randint(3, 8)
        cols = "ABCDEFGHIJ"
        rows = []
        used = set()
        specials = {}
        free = r.sample(range(1, nrows + 1), min(nrows, 40))
        for i, si in enumerate(planted_shared):
            specials[(free.pop(), 0)] = ("s", si)
        for t in doc.flat("inline"):
            specials[(free.pop(), 1)] = (r.choice(("inlineStr", "str")), t)
        for g in doc.get("cells"):
            rr = free.pop()
            for j, t in enumerate(g):
                specials[(rr, j)] = ("inlineStr", t)
        if idx_trap:
            specials[(free.pop(), 2)] = ("s", 4817)
        for rr in range(1, nrows + 1):
            cells = []
            for cc in range(ncols):
                ref = "%s%d" % (cols[cc], rr)
                sp = specials.get((rr, cc))
                if sp:
                    t, v = sp
                    if t == "s":
                        cells.append('<c r="%s" t="s"><v>%d</v></c>' % (ref, v))
                        used.add(v)
                    elif t == "inlineStr":
                        cells.append('<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (ref, x(v)))
                    else:
                        cells.append('<c r="%s" s="3" t="str"><f>CONCATENATE("%s")</f><v>%s</v></c>' % (ref, x(v.upper()[:0]), x(v)))
                    continue
                k = r.random()
                if k < 0.55:
                    si = r.randrange(nstrings)
                    if idx_trap:
                        while si == 4817:
                            si = r.randrange(nstrings)
                    cells.append('<c r="%s" t="s"><v>%d</v></c>' % (ref, si))
                elif k < 0.9:
                    cells.append('<c r="%s" s="%d"><v>%s</v></c>' % (ref, r.randint(0, 4), self.number()))
                elif k < 0.93:
                    cells.append('<c r="%s"><f>SUM(B1:B%d)</f><v>%s</v></c>' % (ref, rr, self.number()))
            rows.append('<row r="%d" spans="1:%d" x14ac:dyDescent="0.25">%s</row>' % (rr, ncols, "".join(cells)))
        sheet = (XML_DECL + '<worksheet xmlns="%s" xmlns:r="%s" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" '
                 'xmlns:x14ac="http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac" mc:Ignorable="x14ac">'
                 '<dimension ref="A1:%s%d"/><sheetViews><sheetView tabSelected="1" workbookViewId="0"/></sheetViews>'
                 '<sheetFormatPr defaultRowHeight="15" x14ac:dyDescent="0.25"/><cols><col min="1" max="1" width="24.7109375" customWidth="1"/></cols>'
                 '<sheetData>%s</sheetData><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>%s</worksheet>'
                 % (NS_S, NS_REL, cols[ncols - 1], nrows, "".join(rows),
                    '<legacyDrawing r:id="rId1"/>' if doc.flat("comment") else ""))
        total = sum(1 for row in rows for _ in range(row.count('t="s"')))
        sstxml = (XML_DECL + '<sst xmlns="%s" count="%d" uniqueCount="%d">%s</sst>' % (NS_S, total, len(sst), "".join(sst)))
        parts = [("xl/workbook.xml", XML_DECL + '<workbook xmlns="%s" xmlns:r="%s"><fileVersion appName="xl" lastEdited="7" '
                  'lowestEdited="7" rupBuild="27328"/><workbookPr defaultThemeVersion="166925"/><bookViews><workbookView xWindow="-120" '
                  'yWindow="-120" windowWidth="29040" windowHeight="15840"/></bookViews><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/>'
                  '<sheet name="Data" sheetId="2" r:id="rId2"/></sheets><calcPr calcId="191029"/></workbook>' % (NS_S, NS_REL)),
                 ("xl/worksheets/sheet1.xml", sheet),
                 ("xl/worksheets/sheet2.xml", XML_DECL + '<worksheet xmlns="%s" xmlns:r="%s"><dimension ref="A1"/><sheetData/>'
                  '<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>' % (NS_S, NS_REL)),
                 ("xl/sharedStrings.xml", sstxml),
                 ("xl/styles.xml", XML_DECL + '<styleSheet xmlns="%s"><numFmts count="1"><numFmt numFmtId="164" formatCode="0.00"/></numFmts>'
                  '<fonts count="1"><font><sz val="11"/><color theme="1"/><name val="Calibri"/><family val="2"/><scheme val="minor"/></font></fonts>'
                  '<cellXfs count="5"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/><xf numFmtId="164" fontId="0"/>'
                  '<xf numFmtId="14" fontId="0"/><xf numFmtId="0" fontId="0"/><xf numFmtId="4" fontId="0"/></cellXfs></styleSheet>' % NS_S),
                 ("xl/theme/theme1.xml", THEME),
                 ("xl/_rels/workbook.xml.rels", self.rels([
                     ("rId1", NS_REL + "/worksheet", "worksheets/sheet1.xml"), ("rId2", NS_REL + "/worksheet", "worksheets/sheet2.xml"),
                     ("rId3", NS_REL + "/theme", "theme/theme1.xml"), ("rId4", NS_REL + "/styles", "styles.xml"),
                     ("rId5", NS_REL + "/sharedStrings", "sharedStrings.xml")]))]
        if doc.flat("comment"):
            cm = "".join('<comment ref="%s%d" authorId="0" shapeId="0"><text><r><rPr><b/><sz val="9"/></rPr><t>%s:</t></r>'
                         '<r><rPr><sz val="9"/></rPr><t xml:space="preserve">\n%s</t></r></text></comment>'
                         % (cols[0], i + 1, x(self.author()), x(t)) for i, t in enumerate(doc.flat("comment")))
            parts.append(("xl/comments1.xml", XML_DECL + '<comments xmlns="%s"><authors><author>%s</author></authors><commentList>%s'
                          '</commentList></comments>' % (NS_S, x(self.author()), cm)))
            parts.append(("xl/worksheets/_rels/sheet1.xml.rels", self.rels([("rId2", NS_REL + "/comments", "../comments1.xml")])))
        main_ct = ("application/vnd.ms-excel.sheet.macroEnabled.main+xml" if kind == "xlsm"
                   else "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml")
        ov = [("/xl/workbook.xml", main_ct),
              ("/xl/worksheets/sheet1.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"),
              ("/xl/worksheets/sheet2.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"),
              ("/xl/sharedStrings.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml")]
        if doc.flat("comment"):
            ov.append(("/xl/comments1.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml"))
        return self.ooxml(rel, parts, ov, doc, "xl/workbook.xml", kind)

    # ---------------------------------------------------------------- pptx
    def a_runs(self, text, splits=()):
        r = self.rng
        cuts = set()
        for w in splits:
            i = text.find(w)
            if i >= 0:
                for c in r.sample(range(1, len(w)), 2):
                    cuts.add(i + c)
        if r.random() < 0.3 and len(text) > 4:
            cuts.add(r.randrange(1, len(text)))
        cuts = sorted(cuts)
        pieces = [text[a:b] for a, b in zip([0] + cuts, cuts + [len(text)])]
        return "".join('<a:r><a:rPr lang="en-US" dirty="0"%s/><a:t>%s</a:t></a:r>'
                       % (' b="1"' if r.random() < 0.2 else "", x(p)) for p in pieces if p)

    def a_paras(self, texts, splits=()):
        return "".join('<a:p>%s<a:endParaRPr lang="en-US" dirty="0"/></a:p>' % self.a_runs(t, splits) for t in texts)

    def sp(self, sid, name, ph, body):
        return ('<p:sp><p:nvSpPr><p:cNvPr id="%d" name="%s"/><p:cNvSpPr><a:spLocks noGrp="1"/></p:cNvSpPr><p:nvPr>%s</p:nvPr></p:nvSpPr>'
                '<p:spPr/><p:txBody><a:bodyPr/><a:lstStyle/>%s</p:txBody></p:sp>' % (sid, name, ph, body))

    def sptree(self, shapes):
        return ('<p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr><a:xfrm>'
                '<a:off x="0" y="0"/><a:ext cx="0" cy="0"/><a:chOff x="0" y="0"/><a:chExt cx="0" cy="0"/></a:xfrm></p:grpSpPr>%s'
                '</p:spTree></p:cSld>' % "".join(shapes))

    def pptx(self, rel, doc, kind="pptx", nslides=None):
        r = self.rng
        splits = doc.splits
        n = nslides or r.randint(5, 40)
        slide_texts = {i: [] for i in range(n)}
        note_texts = {}
        for t in doc.flat("slide"):
            slide_texts[r.randrange(n)].append(t)
        for t in doc.flat("notes"):
            note_texts.setdefault(r.randrange(n), []).append(t)
        parts = []
        ct = []
        prs_ids = []
        for i in range(n):
            title = self.a_paras([self.sentence(r.randint(2, 6))[:-1]])
            bullets = [self.sentence(r.randint(3, 10)) for _ in range(r.randint(1, 6))] + slide_texts[i]
            shapes = [self.sp(2, "Title 1", '<p:ph type="title"/>', title),
                      self.sp(3, "Content Placeholder 2", '<p:ph idx="1"/>', self.a_paras(bullets, splits))]
            parts.append(("ppt/slides/slide%d.xml" % (i + 1), XML_DECL + '<p:sld %s>%s<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>'
                          % (NS_P, self.sptree(shapes))))
            srels = [("rId1", NS_REL + "/slideLayout", "../slideLayouts/slideLayout%d.xml" % r.randint(1, 2))]
            if i in note_texts or r.random() < 0.3:
                notes = note_texts.get(i, [self.sentence()])
                nshapes = [self.sp(2, "Slide Image Placeholder 1", '<p:ph type="sldImg"/>', ""),
                           self.sp(3, "Notes Placeholder 2", '<p:ph type="body" idx="1"/>', self.a_paras(notes, splits)),
                           self.sp(4, "Slide Number Placeholder 3", '<p:ph type="sldNum" sz="quarter" idx="5"/>',
                                   '<a:p><a:fld id="{B2D0A1C3-1111-4C3D-9A54-6A0E1B8E8B8F}" type="slidenum"><a:rPr lang="en-US"/>'
                                   '<a:t>%d</a:t></a:fld><a:endParaRPr lang="en-US"/></a:p>' % (i + 1))]
                parts.append(("ppt/notesSlides/notesSlide%d.xml" % (i + 1), XML_DECL + '<p:notes %s>%s</p:notes>' % (NS_P, self.sptree(nshapes))))
                parts.append(("ppt/notesSlides/_rels/notesSlide%d.xml.rels" % (i + 1), self.rels([
                    ("rId1", NS_REL + "/notesMaster", "../notesMasters/notesMaster1.xml"), ("rId2", NS_REL + "/slide", "../slides/slide%d.xml" % (i + 1))])))
                srels.append(("rId2", NS_REL + "/notesSlide", "../notesSlides/notesSlide%d.xml" % (i + 1)))
                ct.append(("/ppt/notesSlides/notesSlide%d.xml" % (i + 1), "application/vnd.openxmlformats-officedocument.presentationml.notesSlide+xml"))
            parts.append(("ppt/slides/_rels/slide%d.xml.rels" % (i + 1), self.rels(srels)))
            ct.append(("/ppt/slides/slide%d.xml" % (i + 1), "application/vnd.openxmlformats-officedocument.presentationml.slide+xml"))
            prs_ids.append('<p:sldId id="%d" r:id="rId%d"/>' % (256 + i, 10 + i))
        masters = doc.flat("master")
        prompt = ["Click to edit Master title style"]
        body_prompt = ["Click to edit Master text styles", "Second level", "Third level", "Fourth level", "Fifth level"]
        for j in (1, 2):
            shapes = [self.sp(2, "Title 1", '<p:ph type="title"/>', self.a_paras(prompt + masters)),
                      self.sp(3, "Text Placeholder 2", '<p:ph type="body" idx="1"/>', self.a_paras(body_prompt)),
                      self.sp(4, "Date Placeholder 3", '<p:ph type="dt" sz="half" idx="10"/>',
                              '<a:p><a:fld id="{5BCAD085-E8A6-8845-BD4E-CB4CCA059FC4}" type="datetimeFigureOut"><a:rPr lang="en-US"/>'
                              '<a:t>3/14/2024</a:t></a:fld><a:endParaRPr lang="en-US"/></a:p>')]
            parts.append(("ppt/slideLayouts/slideLayout%d.xml" % j, XML_DECL + '<p:sldLayout %s type="%s" preserve="1">%s'
                          '<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>'
                          % (NS_P, ("title", "obj")[j - 1], self.sptree(shapes).replace('<p:cSld>', '<p:cSld name="Title Slide">'))))
            parts.append(("ppt/slideLayouts/_rels/slideLayout%d.xml.rels" % j, self.rels([("rId1", NS_REL + "/slideMaster", "../slideMasters/slideMaster1.xml")])))
            ct.append(("/ppt/slideLayouts/slideLayout%d.xml" % j, "application/vnd.openxmlformats-officedocument.presentationml.slideLayout+xml"))
        mshapes = [self.sp(2, "Title Placeholder 1", '<p:ph type="title"/>', self.a_paras(prompt + masters)),
                   self.sp(3, "Text Placeholder 2", '<p:ph type="body" idx="1"/>', self.a_paras(body_prompt))]
        parts.append(("ppt/slideMasters/slideMaster1.xml", XML_DECL + '<p:sldMaster %s>%s<p:clrMap bg1="lt1" tx1="dk1" bg2="lt2" tx2="dk2" '
                      'accent1="accent1" accent2="accent2" accent3="accent3" accent4="accent4" accent5="accent5" accent6="accent6" '
                      'hlink="hlink" folHlink="folHlink"/><p:sldLayoutIdLst><p:sldLayoutId id="2147483649" r:id="rId1"/>'
                      '<p:sldLayoutId id="2147483650" r:id="rId2"/></p:sldLayoutIdLst><p:txStyles><p:titleStyle/><p:bodyStyle/>'
                      '<p:otherStyle/></p:txStyles></p:sldMaster>' % (NS_P, self.sptree(mshapes))))
        parts.append(("ppt/slideMasters/_rels/slideMaster1.xml.rels", self.rels(
            [("rId1", NS_REL + "/slideLayout", "../slideLayouts/slideLayout1.xml"),
             ("rId2", NS_REL + "/slideLayout", "../slideLayouts/slideLayout2.xml"), ("rId3", NS_REL + "/theme", "../theme/theme1.xml")])))
        parts.append(("ppt/notesMasters/notesMaster1.xml", XML_DECL + '<p:notesMaster %s>%s<p:clrMap bg1="lt1" tx1="dk1" bg2="lt2" tx2="dk2" '
                      'accent1="accent1" accent2="accent2" accent3="accent3" accent4="accent4" accent5="accent5" accent6="accent6" '
                      'hlink="hlink" folHlink="folHlink"/></p:notesMaster>'
                      % (NS_P, self.sptree([self.sp(2, "Notes Placeholder", '<p:ph type="body" idx="1"/>', self.a_paras(body_prompt + masters))]))))
        parts.append(("ppt/theme/theme1.xml", THEME))
        parts.append(("ppt/presentation.xml", XML_DECL + '<p:presentation %s saveSubsetFonts="1"><p:sldMasterIdLst><p:sldMasterId '
                      'id="2147483648" r:id="rId1"/></p:sldMasterIdLst><p:notesMasterIdLst><p:notesMasterId r:id="rId2"/></p:notesMasterIdLst>'
                      '<p:sldIdLst>%s</p:sldIdLst><p:sldSz cx="12192000" cy="6858000"/><p:notesSz cx="6858000" cy="9144000"/>'
                      '</p:presentation>' % (NS_P, "".join(prs_ids))))
        parts.append(("ppt/_rels/presentation.xml.rels", self.rels(
            [("rId1", NS_REL + "/slideMaster", "slideMasters/slideMaster1.xml"), ("rId2", NS_REL + "/notesMaster", "notesMasters/notesMaster1.xml")]
            + [("rId%d" % (10 + i), NS_REL + "/slide", "slides/slide%d.xml" % (i + 1)) for i in range(n)])))
        if r.random() < 0.4:
            parts.append(("ppt/media/image1.jpeg", b"\xff\xd8\xff\xe0" + r.randbytes(r.choice((30_000, 100_000, 300_000)))))
        main_ct = ("application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml" if kind == "pptm"
                   else "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml")
        ct = [("/ppt/presentation.xml", main_ct),
              ("/ppt/slideMasters/slideMaster1.xml", "application/vnd.openxmlformats-officedocument.presentationml.slideMaster+xml")] + ct
        return self.ooxml(rel, parts, ct, doc, "ppt/presentation.xml", kind)

    # ---------------------------------------------------------------- ODF
    def t_inline(self, text, splits=()):
        """ODF paragraph content: runs of spaces as text:s, spans splitting words, some soft page breaks."""
        r = self.rng
        out = []
        cuts = set()
        for w in splits:
            i = text.find(w)
            if i >= 0:
                for c in r.sample(range(1, len(w)), 2):
                    cuts.add(i + c)
        for _ in range(len(text) // 60):
            cuts.add(r.randrange(1, max(2, len(text))))
        cuts = sorted(c for c in cuts if 0 < c < len(text))
        pieces = [text[a:b] for a, b in zip([0] + cuts, cuts + [len(text)])]
        for k, pc in enumerate(pieces):
            e = x(pc)
            # ODF keeps one space; more become text:s, as LibreOffice writes them
            e = e.replace("  ", ' <text:s text:c="1"/>')
            if e.startswith(" ") and k > 0 and r.random() < 0.3:
                e = "<text:s/>" + e[1:]
            if k % 2 == 1:
                out.append('<text:span text:style-name="T%d">%s</text:span>' % (r.randint(1, 3), e))
            else:
                out.append(e)
        return "".join(out)

    def t_p(self, text, splits=(), style="P1", extra=""):
        return '<text:p text:style-name="%s">%s%s</text:p>' % (style, self.t_inline(text, splits), extra)

    def odf_meta(self, doc):
        title = " ".join(doc.flat("title")) or self.sentence(3)[:-1]
        kw = "".join("<meta:keyword>%s</meta:keyword>" % x(k) for k in doc.flat("keywords"))
        author = " ".join(doc.flat("author")) or self.author()
        return (XML_DECL.replace(' standalone="yes"', "") + '<office:document-meta %s><office:meta>'
                '<meta:creation-date>2024-01-05T10:11:12.000000000</meta:creation-date><dc:date>2024-02-01T09:00:00.000000000</dc:date>'
                '<meta:editing-duration>PT1H2M3S</meta:editing-duration><meta:editing-cycles>4</meta:editing-cycles>'
                '<meta:generator>LibreOffice/7.4.7.2$Linux_X86_64 LibreOffice_project/40$Build-2</meta:generator>'
                '<dc:title>%s</dc:title><dc:subject>%s</dc:subject>%s<dc:description>%s</dc:description>'
                '<meta:initial-creator>%s</meta:initial-creator><dc:creator>%s</dc:creator>'
                '<meta:document-statistic meta:page-count="2" meta:paragraph-count="20" meta:word-count="300"/>'
                '</office:meta></office:document-meta>'
                % (NS_ODF, x(title), x(" ".join(doc.flat("subject"))), kw, x(" ".join(doc.flat("description"))), x(author), x(author)))

    def odf_styles(self, doc, kind, splits):
        hdr = "".join(self.t_p(t, splits, "Header") for t in doc.flat("header"))
        ftr = "".join(self.t_p(t, splits, "Footer") for t in doc.flat("footer"))
        if kind == "odt":
            if not hdr and self.rng.random() < 0.4:
                hdr = self.t_p(self.sentence(3), style="Header")
            master = ('<style:master-page style:name="Standard" style:page-layout-name="pm1">%s%s</style:master-page>'
                      % ("<style:header>%s</style:header>" % hdr if hdr else "",
                         '<style:footer>%s</style:footer>' % (ftr or '<text:p text:style-name="Footer"><text:page-number '
                                                                     'text:select-page="current">1</text:page-number></text:p>')))
        elif kind == "ods":
            master = ('<style:master-page style:name="Default" style:page-layout-name="Mpm1"><style:header>%s</style:header>'
                      '<style:header-left style:display="false"/><style:footer>%s</style:footer></style:master-page>'
                      % (hdr or '<text:p><text:sheet-name>???</text:sheet-name></text:p>',
                         ftr or '<text:p>Page <text:page-number>1</text:page-number></text:p>'))
        else:
            prompt = "".join(self.t_p(t) for t in ["Click to edit the title text format"] + doc.flat("master"))
            master = ('<style:master-page style:name="Default" style:page-layout-name="PM1" draw:style-name="dp1">'
                      '<draw:frame presentation:style-name="Default-title" draw:layer="backgroundobjects" svg:width="25.199cm" '
                      'svg:height="2.629cm" svg:x="1.4cm" svg:y="0.628cm" presentation:class="title" presentation:placeholder="true">'
                      '<draw:text-box>%s</draw:text-box></draw:frame><draw:frame presentation:style-name="Default-outline1" '
                      'presentation:class="outline" presentation:placeholder="true"><draw:text-box>%s</draw:text-box></draw:frame>'
                      '<presentation:notes style:page-layout-name="PM0"><draw:frame presentation:class="notes" presentation:placeholder="true">'
                      '<draw:text-box>%s</draw:text-box></draw:frame></presentation:notes></style:master-page>'
                      % (prompt, self.t_p("Click to edit the outline text format") + self.t_p("Second Outline Level"),
                         self.t_p("Click to edit the notes format")))
        return (XML_DECL.replace(' standalone="yes"', "") + '<office:document-styles %s><office:font-face-decls><style:font-face '
                'style:name="Liberation Serif" svg:font-family="&apos;Liberation Serif&apos;" style:font-family-generic="roman"/>'
                '</office:font-face-decls><office:styles><style:default-style style:family="paragraph"><style:paragraph-properties '
                'fo:hyphenation-ladder-count="no-limit" style:writing-mode="page"/><style:text-properties style:use-window-font-color="true" '
                'fo:font-size="12pt" fo:language="en" fo:country="US"/></style:default-style><style:style style:name="Standard" '
                'style:family="paragraph" style:class="text"/><style:style style:name="Header" style:family="paragraph" '
                'style:parent-style-name="Standard" style:class="extra"/></office:styles><office:automatic-styles>'
                '<style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21.001cm" fo:page-height="29.7cm"/>'
                '</style:page-layout></office:automatic-styles><office:master-styles>%s</office:master-styles></office:document-styles>'
                % (NS_ODF, master))

    def odf(self, rel, doc, kind):
        r = self.rng
        splits = doc.splits
        body = []
        auto = ('<office:automatic-styles><style:style style:name="P1" style:family="paragraph" style:parent-style-name="Standard">'
                '<style:paragraph-properties fo:text-align="justify"/></style:style><style:style style:name="T1" style:family="text">'
                '<style:text-properties fo:font-weight="bold" style:font-weight-asian="bold"/></style:style><style:style '
                'style:name="T2" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>'
                '<style:style style:name="T3" style:family="text"><style:text-properties officeooo:rsid="0012ab34" '
                'xmlns:officeooo="http://openoffice.org/2009/office"/></style:style></office:automatic-styles>')
        if kind == "odt":
            groups = list(doc.get("body"))
            n = r.randint(5, 100)
            slots = sorted(r.randrange(n + 1) for _ in groups)
            for i in range(n + 1):
                while slots and slots[0] == i:
                    slots.pop(0)
                    for t in groups.pop(0):
                        body.append(self.t_p(t, splits))
                if i == n:
                    break
                k = r.random()
                if k < 0.06:
                    body.append('<text:h text:style-name="Heading_20_1" text:outline-level="1">%s</text:h>' % self.t_inline(self.sentence(4)))
                elif k < 0.1:
                    body.append('<text:list text:style-name="L1">%s</text:list>' % "".join(
                        '<text:list-item>%s</text:list-item>' % self.t_p(self.sentence(5)) for _ in range(r.randint(2, 5))))
                else:
                    body.append(self.t_p(self.para()))
            for t in doc.flat("table"):
                body.append('<table:table table:name="Table1" table:style-name="Table1"><table:table-column table:number-columns-repeated="2"/>'
                            '<table:table-row><table:table-cell office:value-type="string">%s</table:table-cell><table:table-cell '
                            'office:value-type="string">%s</table:table-cell></table:table-row></table:table>'
                            % (self.t_p(self.sentence(3)), self.t_p(t, splits)))
            for g in doc.get("cells"):
                body.append('<table:table table:name="Table2"><table:table-column table:number-columns-repeated="%d"/><table:table-row>%s'
                            '</table:table-row></table:table>' % (len(g), "".join(
                                '<table:table-cell office:value-type="string">%s</table:table-cell>' % self.t_p(t, splits) for t in g)))
            for t in doc.flat("textbox"):
                body.append(self.t_p(self.sentence(4) + " ", extra='<draw:frame draw:style-name="fr1" draw:name="Text Frame 1" '
                                     'text:anchor-type="paragraph" svg:width="5cm" draw:z-index="0"><draw:text-box fo:min-height="1cm">'
                                     '%s</draw:text-box></draw:frame>' % self.t_p(t, splits, "Frame_20_contents")))
            for t in doc.flat("footnote"):
                body.append(self.t_p(self.sentence(5), extra='<text:note text:id="ftn%d" text:note-class="footnote"><text:note-citation>1'
                                     '</text:note-citation><text:note-body>%s</text:note-body></text:note> '
                                     % (r.randrange(99), self.t_p(t, splits, "Footnote"))))
            for t in doc.flat("comment"):
                body.append('<text:p text:style-name="P1">%s<office:annotation office:name="__Annotation__%d"><dc:creator>%s</dc:creator>'
                            '<dc:date>2024-02-02T10:00:00.123000000</dc:date><meta:creator-initials>AB</meta:creator-initials>%s'
                            '</office:annotation>%s<office:annotation-end office:name="__Annotation__%d"/></text:p>'
                            % (self.t_inline(self.sentence(4) + " "), r.randrange(99), x(" ".join(doc.flat("author")) or self.author()),
                               self.t_p(t, splits), self.t_inline(self.sentence(3)), 0))
            for t in doc.flat("attr"):
                body.append('<text:p text:style-name="%s"><text:bookmark text:name="%s"/>%s</text:p><zq:%s xmlns:zq="urn:example:zq"/>'
                            % (x(t), x(t), self.t_inline(self.sentence(3)), t))
            for t in doc.raw.get("body", []):
                body.append(t)
            content = '<office:text><text:sequence-decls><text:sequence-decl text:display-outline-level="0" text:name="Illustration"/>' \
                      '</text:sequence-decls>%s</office:text>' % "".join(body)
            mt = "application/vnd.oasis.opendocument.text"
        elif kind == "ods":
            rows = []
            planted = [(t, None) for t in doc.flat("table")] + [(None, g) for g in doc.get("cells")]
            nrows = r.randint(20, 800)
            slots = dict(zip(r.sample(range(nrows), len(planted)), planted))
            for i in range(nrows):
                cells = []
                if i in slots:
                    t, g = slots[i]
                    for c in (g or [self.sentence(2), t]):
                        cells.append('<table:table-cell office:value-type="string" calcext:value-type="string">%s</table:table-cell>'
                                     % self.t_p(c, splits))
                for _ in range(r.randint(2, 6)):
                    if r.random() < 0.5:
                        v = self.number()
                        cells.append('<table:table-cell office:value-type="float" office:value="%s" calcext:value-type="float">'
                                     '<text:p>%s</text:p></table:table-cell>' % (v, v))
                    else:
                        cells.append('<table:table-cell office:value-type="string" calcext:value-type="string"><text:p>%s</text:p>'
                                     '</table:table-cell>' % x(self.sentence(r.randint(1, 4))))
                if r.random() < 0.1:
                    cells.append('<table:table-cell table:number-columns-repeated="1017"/>')
                rows.append("<table:table-row table:style-name=\"ro1\">%s</table:table-row>" % "".join(cells))
            content = ('<office:spreadsheet><table:calculation-settings table:automatic-find-labels="false"/><table:table table:name="Sheet1" '
                       'table:style-name="ta1"><table:table-column table:style-name="co1" table:number-columns-repeated="8" '
                       'table:default-cell-style-name="Default"/>%s</table:table></office:spreadsheet>' % "".join(rows))
            content = content.replace("<office:spreadsheet>", '<office:spreadsheet xmlns:calcext="urn:org:documentfoundation:names:'
                                      'experimental:calc:xmlns:calcext:1.0">')
            mt = "application/vnd.oasis.opendocument.spreadsheet"
        else:
            n = r.randint(5, 30)
            sl = {}
            nt = {}
            for t in doc.flat("slide"):
                sl.setdefault(r.randrange(n), []).append(t)
            for t in doc.flat("notes"):
                nt.setdefault(r.randrange(n), []).append(t)
            pages = []
            for i in range(n):
                items = "".join('<text:list-item>%s</text:list-item>' % self.t_p(t, splits)
                                for t in [self.sentence(r.randint(3, 9)) for _ in range(r.randint(1, 5))] + sl.get(i, []))
                notes = "".join(self.t_p(t, splits) for t in nt.get(i, [self.sentence()] if r.random() < 0.3 else []))
                pages.append('<draw:page draw:name="page%d" draw:style-name="dp1" draw:master-page-name="Default" '
                             'presentation:presentation-page-layout-name="AL1T1"><draw:frame presentation:style-name="pr1" '
                             'draw:layer="layout" svg:width="25.199cm" svg:height="2.629cm" svg:x="1.4cm" svg:y="0.628cm" '
                             'presentation:class="title"><draw:text-box>%s</draw:text-box></draw:frame><draw:frame '
                             'presentation:style-name="pr2" draw:layer="layout" presentation:class="outline"><draw:text-box>'
                             '<text:list text:style-name="L2">%s</text:list></draw:text-box></draw:frame>%s</draw:page>'
                             % (i + 1, self.t_p(self.sentence(3)[:-1]), items,
                                '<presentation:notes draw:style-name="dp2"><draw:page-thumbnail draw:page-number="%d" '
                                'presentation:class="page"/><draw:frame presentation:class="notes" presentation:placeholder="%s">'
                                '<draw:text-box>%s</draw:text-box></draw:frame></presentation:notes>'
                                % (i + 1, "false" if notes else "true", notes)))
            content = '<office:presentation>%s<presentation:settings presentation:mouse-visible="false"/></office:presentation>' % "".join(pages)
            mt = "application/vnd.oasis.opendocument.presentation"
        cxml = (XML_DECL.replace(' standalone="yes"', "") + '<office:document-content %s><office:scripts/><office:font-face-decls>'
                '<style:font-face style:name="Liberation Sans" svg:font-family="&apos;Liberation Sans&apos;"/></office:font-face-decls>'
                '%s<office:body>%s</office:body></office:document-content>' % (NS_ODF, auto, content))
        parts = [("content.xml", cxml), ("styles.xml", self.odf_styles(doc, kind, splits)), ("meta.xml", self.odf_meta(doc)),
                 ("settings.xml", XML_DECL.replace(' standalone="yes"', "") + '<office:document-settings %s><office:settings>'
                  '<config:config-item-set config:name="ooo:view-settings" xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0">'
                  '<config:config-item config:name="VisibleAreaTop" config:type="long">0</config:config-item></config:config-item-set>'
                  '</office:settings></office:document-settings>' % NS_ODF),
                 ("Thumbnails/thumbnail.png", b"\x89PNG\r\n\x1a\n" + r.randbytes(r.randint(3000, 20000))),
                 ("META-INF/manifest.xml", XML_DECL.replace(' standalone="yes"', "") + '<manifest:manifest xmlns:manifest='
                  '"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3"><manifest:file-entry manifest:full-path="/" '
                  'manifest:version="1.3" manifest:media-type="%s"/><manifest:file-entry manifest:full-path="content.xml" '
                  'manifest:media-type="text/xml"/><manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>'
                  '<manifest:file-entry manifest:full-path="meta.xml" manifest:media-type="text/xml"/><manifest:file-entry '
                  'manifest:full-path="settings.xml" manifest:media-type="text/xml"/><manifest:file-entry manifest:full-path='
                  '"Thumbnails/thumbnail.png" manifest:media-type="image/png"/></manifest:manifest>' % mt)]
        data = self.package(parts, stored_first=("mimetype", mt.encode()), descriptors=r.random() < 0.2,
                            stored={"Thumbnails/thumbnail.png"})
        if rel:
            self.write(rel, data, kind)
        return data

    # ---------------------------------------------------------------- EPUB
    def epub(self, rel, doc, v3=True):
        r = self.rng
        splits = doc.splits
        n = r.randint(5, 30)
        chap = {}
        for g in doc.get("chapter"):
            chap.setdefault(r.randrange(n), []).append(g)
        raw = {}
        for t in doc.raw.get("chapter", []):
            raw.setdefault(r.randrange(n), []).append(t)
        files = []
        for i in range(n):
            paras = []
            for _ in range(r.randint(5, 60)):
                t = html.escape(self.para(), quote=False)
                if r.random() < 0.2:
                    t = t.replace(" ", "&#160;" if v3 else "&nbsp;", 1)
                if r.random() < 0.2:
                    t = t.replace("é", "&#233;" if v3 else "&eacute;")
                t = t.replace("中", "&#x4E2D;")
                paras.append(t)
            for g in chap.get(i, []):
                for t in g:
                    paras.insert(r.randrange(len(paras) + 1), html.escape(t, quote=False))
            for t in raw.get(i, []):
                paras.insert(r.randrange(len(paras) + 1), t)
            title = " ".join(doc.flat("headtitle")) or "Chapter %d" % (i + 1)
            head_extra = ""
            if i == 0:
                for t in doc.flat("script"):
                    head_extra += '<script type="text/javascript">var %s = "%s";</script>' % (t, t)
                for t in doc.flat("style"):
                    head_extra += '<style type="text/css">p.%s { margin: 0 }</style>' % t
            body = "".join("<p%s>%s</p>" % (' class="indent"' if r.random() < 0.5 else "", p) for p in paras)
            doctype = ("<!DOCTYPE html>" if v3 else
                       '<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.1//EN" "http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd">')
            xhtml = ('<?xml version="1.0" encoding="utf-8"?>\n%s\n<html xmlns="http://www.w3.org/1999/xhtml"%s><head><title>%s</title>'
                     '<link rel="stylesheet" type="text/css" href="../styles/book.css"/>%s</head><body><section%s><h2>%s</h2>%s</section>'
                     '</body></html>' % (doctype, ' xmlns:epub="http://www.idpf.org/2007/ops"' if v3 else "", x(title), head_extra,
                                         ' epub:type="chapter"' if v3 else "", x(self.sentence(3)[:-1]), body))
            files.append(("OEBPS/text/ch%03d.xhtml" % (i + 1), xhtml))
        title = " ".join(doc.flat("title")) or self.sentence(4)[:-1]
        creator = " ".join(doc.flat("author")) or self.author()
        manifest = "".join('<item id="c%d" href="text/ch%03d.xhtml" media-type="application/xhtml+xml"/>' % (i + 1, i + 1) for i in range(n))
        spine = "".join('<itemref idref="c%d"/>' % (i + 1) for i in range(n))
        opf = ('<?xml version="1.0" encoding="UTF-8"?>\n<package xmlns="http://www.idpf.org/2007/opf" version="%s" unique-identifier="uid">'
               '<metadata xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:opf="http://www.idpf.org/2007/opf"><dc:identifier id="uid">'
               'urn:uuid:%08x-1234-4abc-9def-%012x</dc:identifier><dc:title>%s</dc:title><dc:creator%s>%s</dc:creator><dc:language>en'
               '</dc:language><dc:subject>%s</dc:subject><dc:description>%s</dc:description><dc:publisher>%s</dc:publisher>%s</metadata>'
               '<manifest><item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/><item id="ncx" href="toc.ncx" '
               'media-type="application/x-dtbncx+xml"/><item id="css" href="styles/book.css" media-type="text/css"/>%s</manifest>'
               '<spine toc="ncx">%s</spine></package>'
               % ("3.0" if v3 else "2.0", r.randrange(1 << 32), r.randrange(1 << 48), x(title), "" if v3 else ' opf:role="aut"', x(creator),
                  x(" ".join(doc.flat("subject"))), x(" ".join(doc.flat("description"))), x(self.author()),
                  '<meta property="dcterms:modified">2024-02-02T10:00:00Z</meta>' if v3 else "", manifest, spine))
        nav = ('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE html>\n<html xmlns="http://www.w3.org/1999/xhtml" '
               'xmlns:epub="http://www.idpf.org/2007/ops"><head><title>Contents</title></head><body><nav epub:type="toc"><ol>%s</ol></nav>'
               '</body></html>' % "".join('<li><a href="text/ch%03d.xhtml">Chapter %d</a></li>' % (i + 1, i + 1) for i in range(n)))
        ncx = ('<?xml version="1.0" encoding="UTF-8"?>\n<ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" version="2005-1"><head>'
               '<meta name="dtb:uid" content="x"/></head><docTitle><text>%s</text></docTitle><navMap>%s</navMap></ncx>'
               % (x(title), "".join('<navPoint id="n%d" playOrder="%d"><navLabel><text>Chapter %d</text></navLabel><content '
                                    'src="text/ch%03d.xhtml"/></navPoint>' % (i, i + 1, i + 1, i + 1) for i in range(n))))
        parts = [("META-INF/container.xml", '<?xml version="1.0" encoding="UTF-8"?>\n<container version="1.0" '
                  'xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles><rootfile full-path="OEBPS/content.opf" '
                  'media-type="application/oebps-package+xml"/></rootfiles></container>'),
                 ("OEBPS/content.opf", opf), ("OEBPS/nav.xhtml", nav), ("OEBPS/toc.ncx", ncx),
                 ("OEBPS/styles/book.css", "body { font-family: serif; }\np.indent { text-indent: 1.5em; }\n")] + files
        if r.random() < 0.3:
            parts.append(("OEBPS/images/cover.jpg", b"\xff\xd8\xff\xe0" + r.randbytes(r.choice((30_000, 120_000, 500_000)))))
        data = self.package(parts, stored_first=("mimetype", b"application/epub+zip"), descriptors=r.random() < 0.1)
        if rel:
            self.write(rel, data, "epub")
        return data

    # ---------------------------------------------------------------- text files and zips
    def text_blob(self, enc, extra=(), lines=None, crlf=False):
        """A text file's bytes in `enc` with the extra lines put between the filler lines."""
        r = self.rng
        ansi = enc == "cp1252"
        ls = [self.para(ansi=ansi) for _ in range(lines if lines is not None else r.randint(3, 80))]
        for t in extra:
            ls.insert(r.randint(1, max(1, len(ls) - 1)) if ls else 0, t)
        text = ("\r\n" if crlf else "\n").join(ls) + "\n"
        return text, encode(text, enc)

    def zip_bytes(self, entries, descriptors=False, zip64=(), stored=()):
        buf = io.BytesIO()
        target = _Unseekable(buf) if descriptors else buf
        with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
            for name, data in entries:
                zi = self.zinfo(name, zipfile.ZIP_STORED if (name in stored or self.rng.random() < 0.1) else zipfile.ZIP_DEFLATED)
                if not name.isascii():
                    zi.flag_bits |= 0x800
                with z.open(zi, "w", force_zip64=name in zip64) as f:
                    f.write(data)
        return buf.getvalue()

    def zip_entries(self, n, markup_sink=None, markup=True):
        """Filler entries: text in mixed encodings, some binary, some xml/html with markup."""
        r = self.rng
        out = []
        for i in range(n):
            k = r.random()
            folder = r.choice(("", "", "docs/", "data/2023/", "src/", "Relatório/"))
            if k < 0.08:
                out.append((folder + "img%04d.jpg" % i, r.randbytes(r.choice((2000, 20000, 100000))).translate(HIGH)))
            elif k < 0.14 and markup:
                body = "".join("<p>%s</p>" % html.escape(self.para()) for _ in range(r.randint(2, 20)))
                t = ('<?xml version="1.0" encoding="utf-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml"><head><title>%s</title></head>'
                     '<body>%s</body></html>\n' % (self.word(), body)) if r.random() < 0.5 else \
                    ('<?xml version="1.0"?>\n<rows xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">%s</rows>\n'
                     % "".join('<row id="%d">%s</row>' % (j, html.escape(self.sentence())) for j in range(r.randint(3, 40))))
                if markup_sink is not None:
                    markup_sink.append(t)
                out.append((folder + "page%04d.%s" % (i, "xhtml" if "<html" in t else "xml"), t.encode("utf-8")))
            else:
                enc = r.choice(ENCODINGS)
                _, data = self.text_blob(enc, lines=r.randint(2, 40), crlf=r.random() < 0.3)
                out.append((folder + "%s%04d.%s" % (r.choice(("note", "readme", "log", "data", "Brief")), i, r.choice(("txt", "csv", "log", "md"))), data))
        return out

    def make_zip(self, rel, n, plants=(), nested=None, docs=(), descriptors=None):
        """A zip of n filler entries, the planted (name, bytes) entries and nested ones; returns bytes, writes when rel."""
        r = self.rng
        sink = []
        entries = self.zip_entries(n, sink, markup=rel is not None)
        for e in list(plants) + list(docs) + ([nested] if nested else []):
            entries.insert(r.randrange(len(entries) + 1), e)
        data = self.zip_bytes(entries, descriptors=r.random() < 0.15 if descriptors is None else descriptors,
                              zip64={entries[0][0]} if r.random() < 0.05 else ())
        if rel:
            for t in sink:
                self.hit_bytes_markup(rel, t)
            self.write(rel, data, "zip")
        return data, sink

    # ---------------------------------------------------------------- the corpus
    def run(self, soffice):
        r = self.rng
        s = self.scale
        cnt = lambda base: max(1, int(round(base * s)))
        self.plant_docs()
        self.plant_zips()
        self.hostile()
        self.plain_files(cnt(500))
        projects = ["Finance", "HR/Policies", "Projects/Aurora", "Projects/Borealis", "Sales/2023", "Sales/2024", "Legal", "Board minutes",
                    "Archiv/Alt", "Research/Lab notes"]
        pick = lambda: r.choice(projects)
        for i in range(cnt(900)):
            k = r.choice(("docx",) * 8 + ("docm", "dotx"))
            self.docx("office/%s/%s %04d.%s" % (pick(), self.word().capitalize(), i, k), Doc(), k,
                      images=r.choice((0,) * 10 + (1, 1, 2)))
        for i in range(cnt(350)):
            k = r.choice(("xlsx",) * 5 + ("xlsm",))
            self.xlsx("office/%s/%s-%04d.%s" % (pick(), self.word(), i, k), Doc(), k)
        for i in range(cnt(250)):
            k = r.choice(("pptx",) * 5 + ("pptm",))
            self.pptx("office/%s/%s deck %04d.%s" % (pick(), self.word().capitalize(), i, k), Doc(), k)
        for i in range(cnt(420)):
            k = r.choice(("odt", "odt", "ods", "odp"))
            self.odf("odf/%s/%s_%04d.%s" % (pick(), self.word(), i, k), Doc(), k)
        for i in range(cnt(220)):
            self.epub("epub/%s/%s %04d.epub" % (r.choice(("Fiction", "Manuals", "Science")), self.word().capitalize(), i), Doc(), r.random() < 0.7)
        for i in range(cnt(650)):
            k = r.random()
            docs = []
            if k < 0.15:
                docs.append(("attached/%s.docx" % self.word(), self.docx(None, Doc(), npara=r.randint(3, 30))))
            nested = None
            if k > 0.9:
                inner, sink = self.make_zip(None, r.randint(1, 20))
                nested = ("inner/%s.zip" % self.word(), inner)
            rel = "archives/%s/%s_%04d.zip" % (r.choice(("backup", "exports", "mail attachments", "logs")), self.word(), i)
            _, sink = self.make_zip(rel, r.choice((1, 2, 3, 5, 8, 12, 20, 40, 120)), docs=docs, nested=nested)
            if nested:
                pass
        for i in range(cnt(2)):
            self.big_zip("archives/big/bundle_%d.zip" % i)
        if soffice:
            self.soffice_docs()

    def big_zip(self, rel):
        """20-35 MB: many text entries and big incompressible ones."""
        r = self.rng
        target = r.randint(20, 35) << 20
        entries = []
        size = 0
        sink = []
        i = 0
        while size < target:
            if r.random() < 0.5:
                b = r.randbytes(r.randint(1 << 20, 6 << 20)).translate(HIGH)
                entries.append(("media/clip%03d.bin" % i, b))
                size += len(b)
            else:
                for name, b in self.zip_entries(r.randint(5, 40), sink):
                    entries.append(("texts/%03d/%s" % (i, name), b))
                    size += len(b) // 3
            i += 1
        data = self.zip_bytes(entries, zip64={entries[-1][0]})
        for t in sink:
            self.hit_bytes_markup(rel, t)
        self.write(rel, data, "zip-big")

    # ---------------------------------------------------------------- planting
    def plant_docs(self):
        r = self.rng
        W = self.hit
        # body in every kind
        for i in range(6):
            rel = "office/Projects/Aurora/status %d.docx" % i
            d = Doc().add("body", "%s zqxbody %s" % (self.sentence(5), self.sentence(4)))
            if i == 0:
                d = Doc().add("inserted", "zqxbody was added later")
            if i == 1:
                d.add("body", "We keep the schemas of the %s here." % self.word())
                W("m_schemas", rel)
            self.docx(rel, d)
            W("body", rel)
        self.odf("odf/Projects/body.odt", Doc().add("body", "zqxbody " + self.sentence()), "odt"); W("body", "odf/Projects/body.odt")
        self.odf("odf/Projects/body.odp", Doc().add("slide", "zqxbody"), "odp"); W("body", "odf/Projects/body.odp")
        self.odf("odf/Projects/body.ods", Doc().add("table", "zqxbody"), "ods"); W("body", "odf/Projects/body.ods")
        self.xlsx("office/Finance/body.xlsx", Doc().add("shared", "zqxbody")); W("body", "office/Finance/body.xlsx")
        self.pptx("office/Sales/2024/body.pptx", Doc().add("slide", "zqxbody")); W("body", "office/Sales/2024/body.pptx")
        self.epub("epub/Fiction/body.epub", Doc().add("chapter", "zqxbody " + self.sentence())); W("body", "epub/Fiction/body.epub")
        # split over runs
        for i, (fn, kind) in enumerate((("split a.docx", "docx"), ("split b.docx", "docx"), ("split c.docm", "docm"),
                                        ("split d.pptx", "pptx"), ("split e.xlsx", "xlsx"), ("split f.odt", "odt"), ("split g.odp", "odp"))):
            d = Doc()
            d.splits = {"zqxsplitrun"}
            place = {"docx": "body", "docm": "body", "pptx": "slide", "xlsx": "shared", "odt": "body", "odp": "slide"}[kind]
            d.add(place, "%s zqxsplitrun %s" % (self.sentence(3), self.sentence(2)))
            rel = ("office/Legal/" if kind[0] in "dpx" else "odf/Legal/") + fn
            self.make(rel, kind, d)
            W("split", rel)
        # header/footer, notes, comments, text boxes, tables
        for kind in ("docx", "odt", "ods"):
            for place in ("header", "footer"):
                rel = ("office/HR/Policies/" if kind == "docx" else "odf/HR/") + "%s policy.%s" % (place, kind)
                d = Doc().add(place, "Confidential zqxheader %s" % self.word())
                if kind == "odt" and place == "footer":
                    d.add("body", "Old data preserve rules for %s." % self.word())
                    W("m_preserve", rel)
                self.make(rel, kind, d)
                W("hdrftr", rel)
        for kind, place in (("docx", "footnote"), ("docx", "endnote"), ("odt", "footnote")):
            rel = ("office/Research/Lab notes/" if kind == "docx" else "odf/Research/") + "%s.%s" % (place, kind)
            self.make(rel, kind, Doc().add(place, "See zqxfootnote, %s" % self.sentence(3)))
            W("note", rel)
        for kind in ("docx", "odt", "xlsx"):
            rel = ("office/Board minutes/" if kind != "odt" else "odf/Board/") + "reviewed.%s" % kind
            self.make(rel, kind, Doc().add("comment", "Please check zqxcomment here").add("author", "zqxauthor"))
            W("comment", rel)
        for kind in ("docx", "odt"):
            rel = ("office/Projects/Borealis/" if kind == "docx" else "odf/Borealis/") + "boxed.%s" % kind
            self.make(rel, kind, Doc().add("textbox", "Call-out: zqxtextbox"))
            W("textbox", rel)
        for kind in ("docx", "odt", "ods"):
            rel = ("office/Finance/" if kind == "docx" else "odf/Finance/") + "table.%s" % kind
            self.make(rel, kind, Doc().add("table", "zqxcell"))
            W("table", rel)
        # sheets
        for i in range(3):
            rel = "office/Finance/shared %d.xlsx" % i
            d = Doc().add("shared", "Total zqxshared %s" % self.word())
            if i == 2:
                d.add("shared", "sheetData export")
                W("m_sheetdata", rel)
            self.xlsx(rel, d, nstrings=r.choice((200, 2000)))
            W("shared", rel)
        for i in range(2):
            rel = "office/Finance/inline %d.xlsm" % i
            self.xlsx(rel, Doc().add("inline", "zqxinline %s" % self.word()), "xlsm")
            W("inline", rel)
        # index trap: big shared-string tables with a cell pointing at 4817
        for i in range(3):
            self.xlsx("office/Sales/2023/big table %d.xlsx" % i, Doc(), nstrings=5200 + i * 300, idx_trap=True)
        rel = "office/Sales/2023/order 4817.docx"
        self.docx(rel, Doc().add("body", "Order 4817 was shipped."))
        W("idx", rel)
        # slides and notes
        for kind in ("pptx", "pptm", "odp"):
            rel = ("office/Sales/2024/" if kind != "odp" else "odf/Sales/") + "pitch.%s" % kind
            d = Doc().add("slide", "Roadmap zqxslide %s" % self.word()).add("master", "zqxmaster")
            if kind == "pptx":
                d.add("slide", "rsidR values explained")
                W("m_rsidr", rel)
            self.make(rel, kind, d)
            W("slide", rel)
            rel = ("office/Sales/2024/" if kind != "odp" else "odf/Sales/") + "talk.%s" % kind
            self.make(rel, kind, Doc().add("notes", "Say zqxnotes slowly").add("master", "zqxmaster"))
            W("notes", rel)
        rel = "office/Legal/prompt.docx"
        self.docx(rel, Doc().add("body", "Click to edit Master title style").add("body", "Ask about zqxmaster."))
        W("prompt", rel); W("master", rel)
        # EPUB
        for i in range(3):
            rel = "epub/Fiction/chapters %d.epub" % i
            d = Doc().add("chapter", "And then zqxchapter came.")
            if i == 1:
                d.add("chapter", "Old xmlns habits.")
                W("m_xmlns", rel)
            self.epub(rel, d, v3=i != 2)
            W("chapter", rel)
        for i, v3 in enumerate((True, False)):
            rel = "epub/Manuals/entities %d.epub" % i
            d = Doc()
            d.raw["chapter"] = ["Ent zq&#120;ent and caf%szq here." % ("&#233;" if v3 else "&eacute;"),
                                "Tail zq&#x78;ent &amp; more."]
            self.epub(rel, d, v3=v3)
            W("entity", rel); W("entity_u", rel)
        rel = "office/Legal/entity.docx"
        d = Doc()
        d.raw["body"] = ['<w:p><w:r><w:t xml:space="preserve">Coded zq&#x78;ent </w:t></w:r><w:r><w:t>&amp; &lt;done&gt;</w:t></w:r></w:p>']
        self.docx(rel, d)
        W("entity", rel)
        rel = "epub/Manuals/hidden.epub"
        d = Doc().add("headtitle", "zqxheadtitle").add("script", "zqxscript").add("style", "zqxstyle")
        self.epub(rel, d)
        # properties vs author
        for kind, place in (("docx", "title"), ("docx", "keywords"), ("xlsx", "subject"), ("pptx", "description"),
                            ("odt", "title"), ("odt", "keywords"), ("ods", "description"), ("epub", "title"), ("epub", "subject")):
            rel = "%s/Archiv/props %s.%s" % ("odf" if kind[0] == "o" else ("epub" if kind == "epub" else "office"), place, kind)
            self.make(rel, kind, Doc().add(place, "zqxtitle").add("author", "zqxauthor"))
            W("props", rel)
        for kind in ("docx", "odt", "epub", "pptx"):
            self.make("%s/Archiv/author only.%s" % ("odf" if kind == "odt" else ("epub" if kind == "epub" else "office"), kind), kind,
                      Doc().add("author", "zqxauthor"))
        # tracked deletion, field code, attribute trap
        for i in range(2):
            self.docx("office/Legal/tracked %d.docx" % i, Doc().add("deleted", "zqxdeleted").add("field", "zqxfield"))
            self.docx("office/Legal/attrs %d.docx" % i, Doc().add("attr", "zqxattr"))
        self.odf("odf/Legal/attrs.odt", Doc().add("attr", "zqxattr"), "odt")
        # phrase
        ph = "zqxphone zqxphtwo"
        cases = [("office/Research/phrase one.docx", "docx", Doc().add("body", "Say %s now" % ph), True),
                 ("office/Research/phrase runs.docx", "docx", self.split_doc("body", "Say %s now" % ph, {"zqxphone", "zqxphtwo"}), True),
                 ("office/Research/phrase two.docx", "docx", Doc().add("body", "Say zqxphone", "zqxphtwo now"), False),
                 ("odf/Research/phrase one.odt", "odt", Doc().add("body", "Say %s now" % ph), True),
                 ("odf/Research/phrase two.odt", "odt", Doc().add("body", "Say zqxphone", "zqxphtwo now"), False),
                 ("office/Research/phrase cell.xlsx", "xlsx", Doc().add("shared", ph), True),
                 ("office/Research/phrase cells.xlsx", "xlsx", Doc().add("cells", "zqxphone", "zqxphtwo"), False),
                 ("office/Research/phrase slide.pptx", "pptx", Doc().add("slide", "zqxphone", "zqxphtwo"), False)]
        for rel, kind, d, found in cases:
            self.make(rel, kind, d)
            if found:
                W("phrase", rel)
        rel = "odf/Research/phrase spaces.odt"
        d = Doc()
        d.raw["body"] = ['<text:p text:style-name="P1">Then zqxphone<text:s/>zqxphtwo<text:span text:style-name="T1">.</text:span></text:p>']
        self.odf(rel, d, "odt")
        W("phrase", rel)
        # ALL mode
        for rel, kind, d, found in [
                ("office/HR/all header.docx", "docx", Doc().add("header", "zqxallone").add("body", "then zqxalltwo"), True),
                ("office/HR/all title.docx", "docx", Doc().add("title", "zqxallone").add("footnote", "zqxalltwo"), True),
                ("odf/HR/all meta.odt", "odt", Doc().add("keywords", "zqxallone").add("body", "zqxalltwo"), True),
                ("office/HR/all sheet.xlsx", "xlsx", Doc().add("shared", "zqxallone").add("inline", "zqxalltwo"), True),
                ("office/HR/all slides.pptx", "pptx", Doc().add("slide", "zqxallone").add("notes", "zqxalltwo"), True),
                ("office/HR/all one.docx", "docx", Doc().add("body", "only zqxallone here").add("author", "zqxalltwo"), False),
                ("epub/Manuals/all one.epub", "epub", Doc().add("chapter", "zqxalltwo only"), False)]:
            self.make(rel, kind, d)
            if found:
                W("all", rel)
        # whole words
        for rel, kind, d, found in [
                ("office/Legal/whole plain.docx", "docx", Doc().add("body", "A zqxwhole, word."), True),
                ("office/Legal/whole end.docx", "docx", Doc().add("body", "It ends zqxwhole", "abc starts the next"), True),
                ("office/Legal/whole glued.docx", "docx", self.split_doc("body", "It is zqxwholeabc here", {"zqxwholeabc"}), False),
                ("office/Legal/whole dash.docx", "docx", Doc().add("body", "It is zqxwhole-abc here"), False),
                ("odf/Legal/whole end.odt", "odt", Doc().add("body", "It ends zqxwhole", "abc starts"), True),
                ("odf/Legal/whole glued.odt", "odt", self.split_doc("body", "It is zqxwholeabc here", {"zqxwholeabc"}), False),
                ("office/Legal/whole cells.xlsx", "xlsx", Doc().add("cells", "zqxwhole", "abc"), True),
                ("office/Legal/whole glued.xlsx", "xlsx", Doc().add("shared", "zqxwholeabc"), False)]:
            self.make(rel, kind, d)
            W("whole_off", rel)
            if found:
                W("whole", rel)
        rel = "epub/Manuals/whole entity.epub"
        d = Doc()
        d.raw["chapter"] = ["It is zqxwhole&#97;bc here."]
        self.epub(rel, d)
        W("whole_off", rel)
        # case
        for rel, kind, text, exact in [("office/Sales/case a.docx", "docx", "ZQXCase", True),
                                       ("office/Sales/case b.docx", "docx", "zqxcase", False),
                                       ("odf/Sales/case c.odt", "odt", "ZQXCASE", False),
                                       ("office/Sales/case d.xlsx", "xlsx", "ZQXCase", True)]:
            place = "shared" if kind == "xlsx" else "body"
            self.make(rel, kind, Doc().add(place, "The %s word" % text))
            W("case_i", rel)
            if exact:
                W("case_c", rel)

    def split_doc(self, place, text, splits):
        d = Doc().add(place, text)
        d.splits = set(splits)
        return d

    def make(self, rel, kind, doc):
        if kind in ("docx", "docm", "dotx"):
            return self.docx(rel, doc, kind)
        if kind in ("xlsx", "xlsm"):
            return self.xlsx(rel, doc, kind)
        if kind in ("pptx", "pptm"):
            return self.pptx(rel, doc, kind)
        if kind in ("odt", "ods", "odp"):
            return self.odf(rel, doc, kind)
        if kind == "epub":
            return self.epub(rel, doc)
        raise ValueError(kind)

    def plant_zips(self):
        r = self.rng
        W = self.hit
        # encodings
        for i, enc in enumerate(ENCODINGS):
            rel = "archives/exports/enc %s.zip" % enc
            _, data = self.text_blob(enc, ["Line with zqxzipenc inside."])
            _, cafe = self.text_blob(enc, ["Order for zqxcafé today."])
            plants = [("notes/enc_%s.txt" % enc, data), ("menu_%s.txt" % enc, cafe)]
            if enc == "utf16le_bom":
                _, cs = self.text_blob(enc, ["UPPER ZQXCASE here"])
                plants.append(("case.txt", cs))
                W("case_i", rel)
            self.make_zip(rel, r.randint(2, 30), plants)
            W("zipenc", rel); W("zipcafe", rel)
        rel = "archives/exports/traversal.zip"
        self.make_zip(rel, 3, [("../../evil/zqx.txt", b"path zqxzipenc\n")])
        W("zipenc", rel)
        # nested
        inner2, _ = self.make_zip(None, 3, [("deep/d2.txt", encode("two levels zqxnested\n", "utf16le_bom"))])
        inner1, _ = self.make_zip(None, 4, nested=("level2.zip", inner2))
        rel = "archives/backup/nested depth2.zip"
        self.make_zip(rel, 5, nested=("level1.zip", inner1))
        W("nested", rel)
        mid, _ = self.make_zip(None, 2, [("x.txt", b"plain zqxnested\n")])
        rel = "archives/backup/nested depth1.zip"
        self.make_zip(rel, 5, nested=("in.zip", mid))
        W("nested", rel)
        # documents inside zips
        docs = [("report.docx", self.docx(None, Doc().add("body", "See zqxzipdoc now").add("attr", "zqxattr"))),
                ("sheet.xlsx", self.xlsx(None, Doc().add("shared", "zqxzipdoc"))),
                ("text.odt", self.odf(None, Doc().add("body", "zqxzipdoc"), "odt")),
                ("book.epub", self.epub(None, Doc().add("chapter", "zqxzipdoc")))]
        for name, data in docs:
            rel = "archives/mail attachments/with %s.zip" % name
            self.make_zip(rel, r.randint(1, 10), docs=[("att/" + name, data)])
            W("zipdoc", rel)
        inner, _ = self.make_zip(None, 3, docs=[docs[0]])
        rel = "archives/mail attachments/nested doc.zip"
        self.make_zip(rel, 3, nested=("inner.zip", inner))
        W("zipdoc", rel)
        rel = "archives/mail attachments/docx markup only.zip"
        self.make_zip(rel, 3, docs=[("a.docx", self.docx(None, Doc().add("attr", "zqxzipdoc")))])
        # ALL across entries
        rel = "archives/exports/all entries.zip"
        self.make_zip(rel, 5, [("a.txt", b"first zqxallone\n"), ("b/b.txt", encode("second zqxalltwo\n", "utf16be_bom"))])
        W("all", rel)
        rel = "archives/exports/all doc and entry.zip"
        self.make_zip(rel, 5, [("a.txt", b"first zqxallone\n")], docs=[("b.docx", self.docx(None, Doc().add("body", "zqxalltwo")))])
        W("all", rel)
        self.make_zip("archives/exports/all only one.zip", 5, [("a.txt", b"first zqxallone\n")])
        # phrase and whole words over entries
        rel = "archives/exports/phrase entry.zip"
        self.make_zip(rel, 3, [("p.txt", b"say zqxphone zqxphtwo\n")])
        W("phrase", rel)
        self.make_zip("archives/exports/phrase two entries.zip", 3, [("p1.txt", b"say zqxphone"), ("p2.txt", b" zqxphtwo now")])
        rel = "archives/exports/whole entries.zip"
        self.make_zip(rel, 3, [("w1.txt", b"ends zqxwhole"), ("w2.txt", b"abc")])
        W("whole", rel); W("whole_off", rel)
        rel = "archives/exports/whole glued.zip"
        self.make_zip(rel, 3, [("w1.txt", encode("ends zqxwholeabc\n", "utf16le"))])
        W("whole_off", rel)

    def hostile(self):
        r = self.rng
        W = self.hit
        self.write("hostile/not really.docx", b"This is plain text saved with a .docx name.\r\n" + self.para().encode(), "hostile")
        self.write("hostile/empty.docx", b"", "hostile")
        self.write("hostile/random.xlsx", r.randbytes(5000).translate(HIGH), "hostile")
        good, _ = self.make_zip(None, 20)
        self.write("hostile/cut short.zip", good[: len(good) * 6 // 10], "hostile")
        d = self.docx(None, Doc())
        self.write("hostile/cut short.docx", d[: len(d) // 2], "hostile")
        d = self.docx(None, Doc())
        self.write("hostile/bad xml.docx", self.package([("[Content_Types].xml", zipfile.ZipFile(io.BytesIO(d)).read("[Content_Types].xml")),
                                                         ("word/document.xml", XML_DECL + "<w:document %s><w:body><w:p><w:r><w:t>%s"
                                                          % (NS_W, self.sentence()))]), "hostile")
        # an entry flagged encrypted whose bytes are plain text
        _, filler = self.text_blob("utf8", lines=5)
        entries = [("readme.txt", 0, filler, zlib.crc32(filler), len(filler), 0),
                   ("secret.txt", 0, b"the zqxencrypted word\n", zlib.crc32(b"the zqxencrypted word\n"), 22, 1)]
        self.write("hostile/encrypted entry.zip", raw_zip(entries), "hostile")
        # bombs: 4.5 GB of zeros in one entry (4.4 MB), and that zip inside a zip (about 10 KB)
        unit = 1 << 24
        nunits = (4608 << 20) // unit
        head, rep, crc = zero_deflate(unit, nunits)
        stream = head + rep * (nunits - 1)
        c = zlib.compressobj(9, zlib.DEFLATED, -15)
        fin = c.compress(b"") + c.flush()
        size = unit * nunits
        _, after = self.text_blob("utf8", ["after the bomb zqxafterbomb"], lines=3)
        bomb = [("zeros.bin", 8, stream + fin, crc, size, 0),
                ("after.txt", 0, after, zlib.crc32(after), len(after), 0)]
        self.write("hostile/bomb.zip", raw_zip(bomb), "hostile")
        W("bomb_after", "hostile/bomb.zip")
        c = zlib.compressobj(9, zlib.DEFLATED, -15)
        tail_text = b"\nthe zqxbombtail word\n"
        tail = c.compress(tail_text) + c.flush()
        tcrc = zlib.crc32(tail_text, crc)
        self.write("hostile/bomb tail.zip", raw_zip([("zeros then word.bin", 8, stream + tail, tcrc, size + len(tail_text), 0)]), "hostile")
        inner = raw_zip([("before.txt", 0, b"zqxbeforebomb\n", zlib.crc32(b"zqxbeforebomb\n"), 14, 0),
                         ("zeros.bin", 8, stream + fin, crc, size, 0)])
        outer = zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = outer.compress(inner) + outer.flush()
        self.write("hostile/bomb nested.zip", raw_zip([("bomb.zip", 8, packed, zlib.crc32(inner), len(inner), 0)]), "hostile")
        W("bomb_before", "hostile/bomb nested.zip")
        # a zip named .txt: searched by bytes
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w") as z:
            z.writestr(self.zinfo("stored.txt", zipfile.ZIP_STORED), b"kept zqxrnstored as is\n")
            z.writestr(self.zinfo("packed.txt", zipfile.ZIP_DEFLATED), b"packed zqxrndefl " + self.para().encode() * 20)
        self.write("hostile/archive renamed.txt", buf.getvalue(), "hostile")
        W("renamed", "hostile/archive renamed.txt")
        # documents named .zip: their parts are entries searched by bytes, markup and all
        for name, data in (("docx as zip.zip", self.docx(None, Doc(), npara=10)), ("xlsx as zip.zip", self.xlsx(None, Doc(), nstrings=50)),
                           ("odt as zip.zip", self.odf(None, Doc(), "odt"))):
            rel = "hostile/" + name
            self.write(rel, data, "hostile")
            with zipfile.ZipFile(io.BytesIO(data)) as z:
                for n in z.namelist():
                    if not n.endswith((".png", ".jpeg", ".jpg")):
                        self.hit_bytes_markup(rel, z.read(n).decode("utf-8", "replace"))

    def plain_files(self, n):
        r = self.rng
        W = self.hit
        for i in range(n):
            k = r.random()
            folder = r.choice(("plain/notes", "plain/web", "plain/logs", "office/Projects/Aurora", "epub/Fiction"))
            if k < 0.3:
                t = ('<!DOCTYPE html>\n<html%s><head><meta charset="utf-8"><title>%s</title></head><body>%s</body></html>\n'
                     % (' xmlns="http://www.w3.org/1999/xhtml"' if r.random() < 0.3 else "", self.word(),
                        "".join("<p>%s</p>\n" % html.escape(self.para()) for _ in range(r.randint(3, 60)))))
                rel = "%s/page_%04d.html" % (folder, i)
                self.write(rel, t.encode("utf-8"), "html")
                self.hit_bytes_markup(rel, t)
            else:
                enc = r.choice(ENCODINGS)
                t, data = self.text_blob(enc, lines=r.randint(5, 400))
                self.write("%s/note_%04d.txt" % (folder, i), data, "txt")
        for rel, text, qids in [("plain/notes/plain a.txt", "a zqxplain line", ("plain",)),
                                ("plain/web/plain b.html", "<p>zqxplain</p>", ("plain",)),
                                ("plain/notes/author.txt", "by zqxauthor", ("author",)),
                                ("plain/notes/attr.txt", 'w:val="zqxattr"', ("attr",)),
                                ("plain/web/field.html", "<p>HYPERLINK zqxfield</p>", ("deleted",)),
                                ("plain/web/hidden.html", "<html><head><title>zqxheadtitle</title></head><body>x</body></html>", ("hidden",)),
                                ("plain/web/schemas.html", '<html xmlns="http://www.w3.org/1999/xhtml"><body>schemas</body></html>', ())]:
            self.write(rel, (self.para() + "\n" + text + "\n").encode("utf-8"), "txt")
            for q in qids:
                W(q, rel)
            self.hit_bytes_markup(rel, text)

    def soffice_docs(self):
        """~100 documents LibreOffice makes from HTML, CSV and presentations of ours, with planted words."""
        r = self.rng
        W = self.hit
        src = os.path.join(os.path.dirname(self.out), "soffice-src")
        os.makedirs(src, exist_ok=True)
        jobs = {}  # (format, filter, infilter) -> [(source, {query ids})]

        def job(fmt, filt, infilter, path, qids):
            jobs.setdefault((fmt, filt, infilter), []).append((path, qids))

        for i in range(50):
            paras = ["<p>%s</p>" % html.escape(self.para()) for _ in range(r.randint(3, 40))]
            qids = set()
            if i % 3 == 0:
                paras.insert(1, "<p>Produced zqxbody by the office suite.</p>")
                qids.add("body")
            if i % 4 == 1:
                paras.insert(2, "<p>Bold in the middle: zq<b>xspl</b><i>it</i>run done.</p>")
                qids.add("split")
            if i % 5 == 2:
                paras.append("<table><tr><td>%s</td><td>zqxcell</td></tr></table>" % html.escape(self.sentence(2)))
                qids.add("table")
            if i % 7 == 3:
                paras.insert(1, "<p>Say zqxphone</p><p>zqxphtwo now</p>")
            # the converter makes the HTML title the document's title property
            title = "Letter zqxtitle" if i % 6 == 0 else self.sentence(3)[:-1]
            if i % 6 == 0:
                qids.add("props")
            path = os.path.join(src, "letter%03d.html" % i)
            with open(path, "w", encoding="utf-8") as f:
                f.write("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%s</title></head><body>%s</body></html>"
                        % (html.escape(title), "".join(paras)))
            if i % 2:
                job("docx", "MS Word 2007 XML", None, path, qids)
            else:
                job("odt", "writer8", None, path, qids)
        for i in range(30):
            rows = [[self.word(), self.number(), self.sentence(3)] for _ in range(r.randint(5, 300))]
            qids = set()
            if i % 3 == 0:
                rows[r.randrange(len(rows))][2] = "Total zqxshared"
                qids.add("shared")
            path = os.path.join(src, "table%03d.csv" % i)
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(",".join('"%s"' % c for c in row) for row in rows) + "\n")
            if i % 2:
                job("xlsx", "Calc MS Excel 2007 XML", "CSV:44,34,76", path, qids)
            else:
                job("ods", "calc8", "CSV:44,34,76", path, qids)
        for i in range(20):
            d = Doc().add("slide", "Roadmap zqxslide %s" % self.word()).add("notes", "Say zqxnotes slowly")
            if i % 2:
                path = os.path.join(src, "deck%03d.odp" % i)
                with open(path, "wb") as f:
                    f.write(self.odf(None, d, "odp"))
                job("pptx", "Impress MS PowerPoint 2007 XML", None, path, {"slide", "notes"})
            else:
                path = os.path.join(src, "deck%03d.pptx" % i)
                with open(path, "wb") as f:
                    f.write(self.pptx(None, d))
                job("odp", "impress8", None, path, {"slide", "notes"})
        outdir = os.path.join(self.out, "producer")
        os.makedirs(outdir, exist_ok=True)
        profile = "file://" + os.path.join(src, "profile")
        for (fmt, filt, infilter), items in sorted(jobs.items()):
            args = ["soffice", "-env:UserInstallation=" + profile, "--headless", "--norestore"]
            if infilter:
                args.append("--infilter=" + infilter)
            subprocess.run(args + ["--convert-to", "%s:%s" % (fmt, filt), "--outdir", outdir] + [p for p, _ in items],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=900)
            for path, qids in items:
                rel = "producer/" + os.path.splitext(os.path.basename(path))[0] + "." + fmt
                full = os.path.join(self.out, rel)
                if not os.path.exists(full):
                    print("make_doc_corpus.py: soffice made no %s" % rel, file=sys.stderr)
                    continue
                self.nfiles += 1
                self.nbytes += os.path.getsize(full)
                self.kinds["soffice-" + fmt] = self.kinds.get("soffice-" + fmt, 0) + 1
                for q in qids:
                    W(q, rel)
        shutil.rmtree(src)

    def write_truth(self):
        with open(os.path.join(os.path.dirname(self.out), "truth.tsv"), "w", encoding="utf-8", newline="\n") as f:
            for qid, qry, cmd, mtc, what in QUERIES:
                f.write("query\t%s\t%s\t%s\t%s\t%s\n" % (qid, cmd, mtc, qry, what))
            for qid, *_ in QUERIES:
                for rel in sorted(self.truth[qid]):
                    f.write("file\t%s\t%s\n" % (qid, rel))


ENCODINGS = ["cp1252", "utf8", "utf8bom", "utf16le_bom", "utf16be_bom", "utf16le", "utf16be"]


def encode(text, enc):
    if enc == "cp1252":
        return text.encode("cp1252", "replace")
    if enc == "utf8":
        return text.encode("utf-8")
    if enc == "utf8bom":
        return b"\xef\xbb\xbf" + text.encode("utf-8")
    if enc == "utf16le_bom":
        return b"\xff\xfe" + text.encode("utf-16-le")
    if enc == "utf16be_bom":
        return b"\xfe\xff" + text.encode("utf-16-be")
    if enc == "utf16le":
        return text.encode("utf-16-le")
    if enc == "utf16be":
        return text.encode("utf-16-be")
    raise ValueError(enc)


class _Unseekable:
    """A write-only stream: zipfile then writes data descriptors after each entry."""

    def __init__(self, f):
        self.f = f

    def write(self, b):
        return self.f.write(b)

    def flush(self):
        pass


def zero_deflate(unit, nunits):
    """Raw deflate of unit zero bytes, full-flushed, and the block that repeats for each further unit, with the CRC of all."""
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    z = bytes(unit)
    head = c.compress(z) + c.flush(zlib.Z_FULL_FLUSH)
    rep = c.compress(z) + c.flush(zlib.Z_FULL_FLUSH)
    rep2 = c.compress(z) + c.flush(zlib.Z_FULL_FLUSH)
    assert rep == rep2
    crc = 0
    for _ in range(nunits):
        crc = zlib.crc32(z, crc)
    return head, rep, crc


def raw_zip(entries):
    """Zip bytes from (name, method, data, crc, uncompressed size, flags) written as given; zip64 sizes when needed."""
    out = io.BytesIO()
    central = []
    dos_time, dos_date = (9 << 11) | (26 << 5) | 26, ((2024 - 1980) << 9) | (3 << 5) | 14
    for name, method, data, crc, usize, flags in entries:
        nb = name.encode("utf-8")
        off = out.tell()
        big = usize >= 0xFFFFFFFF
        extra = struct.pack("<HHQQ", 1, 16, usize, len(data)) if big else b""
        ver = 45 if big else 20
        out.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, ver, flags, method, dos_time, dos_date, crc,
                              0xFFFFFFFF if big else len(data), 0xFFFFFFFF if big else usize, len(nb), len(extra)) + nb + extra)
        out.write(data)
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, ver, ver, flags, method, dos_time, dos_date, crc,
                                   0xFFFFFFFF if big else len(data), 0xFFFFFFFF if big else usize, len(nb), len(extra), 0, 0, 0,
                                   0o644 << 16, off) + nb + extra)
    cd = out.tell()
    blob = b"".join(central)
    out.write(blob)
    out.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(blob), cd, 0))
    return out.getvalue()


THEME = (XML_DECL + '<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" name="Office Theme"><a:themeElements>'
         '<a:clrScheme name="Office"><a:dk1><a:sysClr val="windowText" lastClr="000000"/></a:dk1><a:lt1><a:sysClr val="window" '
         'lastClr="FFFFFF"/></a:lt1><a:dk2><a:srgbClr val="44546A"/></a:dk2><a:lt2><a:srgbClr val="E7E6E6"/></a:lt2><a:accent1>'
         '<a:srgbClr val="4472C4"/></a:accent1><a:accent2><a:srgbClr val="ED7D31"/></a:accent2><a:accent3><a:srgbClr val="A5A5A5"/>'
         '</a:accent3><a:accent4><a:srgbClr val="FFC000"/></a:accent4><a:accent5><a:srgbClr val="5B9BD5"/></a:accent5><a:accent6>'
         '<a:srgbClr val="70AD47"/></a:accent6><a:hlink><a:srgbClr val="0563C1"/></a:hlink><a:folHlink><a:srgbClr val="954F72"/>'
         '</a:folHlink></a:clrScheme><a:fontScheme name="Office"><a:majorFont><a:latin typeface="Calibri Light" panose="020F0302020204030204"/>'
         '<a:ea typeface=""/><a:cs typeface=""/><a:font script="Jpan" typeface="游ゴシック Light"/><a:font script="Hang" typeface="맑은 고딕"/>'
         '</a:majorFont><a:minorFont><a:latin typeface="Calibri" panose="020F0502020204030204"/><a:ea typeface=""/><a:cs typeface=""/>'
         '</a:minorFont></a:fontScheme><a:fmtScheme name="Office"><a:fillStyleLst><a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
         '</a:fillStyleLst><a:lnStyleLst><a:ln w="6350"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln></a:lnStyleLst>'
         '<a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle></a:effectStyleLst><a:bgFillStyleLst><a:solidFill>'
         '<a:schemeClr val="phClr"/></a:solidFill></a:bgFillStyleLst></a:fmtScheme></a:themeElements><a:objectDefaults/>'
         '<a:extraClrSchemeLst/><a:extLst><a:ext uri="{05A4C25C-085E-4340-85A3-A5531E510DB2}"><thm15:themeFamily '
         'xmlns:thm15="http://schemas.microsoft.com/office/thememl/2012/main" name="Office Theme" '
         'id="{62F939B6-93AF-4DB8-9C6B-D6C7DFDC589F}" vid="{4A3C46E8-61CC-4603-A589-7422A47A8E4A}"/></a:ext></a:extLst></a:theme>')


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
        print("make_doc_corpus.py: SEED must be a whole number and SCALE a number", file=sys.stderr)
        return 2
    if not 0 < scale <= 10:
        print("make_doc_corpus.py: SCALE must be above 0 and at most 10", file=sys.stderr)
        return 2
    if os.path.exists(out) and os.listdir(out):
        print("make_doc_corpus.py: %s exists and is not empty" % out, file=sys.stderr)
        return 2
    os.makedirs(out, exist_ok=True)
    t0 = time.time()
    g = Gen(os.path.join(out, "tree"), seed, scale)
    g.run("--soffice" in flags)
    g.write_truth()
    print("%s: %d files, %.1f MB, %.0f s" % (out, g.nfiles, g.nbytes / 1e6, time.time() - t0))
    print("  " + ", ".join("%s %d" % kv for kv in sorted(g.kinds.items())))
    print("  %d queries, %d expected (query, file) pairs in truth.tsv" % (len(QUERIES), sum(len(v) for v in g.truth.values())))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
