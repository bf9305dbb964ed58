#!/usr/bin/env python3
"""Small package files that would cost work or memory out of all proportion to
their size, each in a folder of its own beside an ordinary file holding the word.

usage: make_hostile_corpus.py OUT

Creates OUT/<case>/ for each case below, with the hostile file and `plain.txt`
holding the word "zqhostile" (the hostile files hold it only where noted), and
writes OUT/cases.tsv: case, file, size in bytes, what it does, and whether the
hostile file itself should be listed for "zqhostile". Only python3's standard
library is used; the bytes are the same on every run.

bench/hostile.sh searches every case with sorvik-bench and prints the time and
the peak memory of each, against the file's size.
"""
import os
import struct
import sys
import zipfile
import zlib

WORD = b"zqhostile"
TIME = (2024, 1, 1, 0, 0, 0)


def deflate_raw(data, level=9):
    c = zlib.compressobj(level, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


def local_header(name, method, crc, csize, usize, flags=0):
    return struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, method, 0, 0x5821, crc, csize, usize,
                       len(name), 0) + name


def central_header(name, method, crc, csize, usize, offset, flags=0):
    return struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, flags, method, 0, 0x5821, crc, csize, usize,
                       len(name), 0, 0, 0, 0, 0, offset) + name


def end_record(count, size, offset):
    return struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, min(count, 0xFFFF), min(count, 0xFFFF), size, offset, 0)


def zip64_end(count, size, offset, at):
    rec = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count, size, offset)
    loc = struct.pack("<IIQI", 0x07064B50, 0, at, 1)
    return rec + loc


def zip_of(entries, store=False):
    """A zip made by Python's zipfile from (name, bytes) pairs."""
    import io
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_STORED if store else zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, TIME)
            info.compress_type = zipfile.ZIP_STORED if store else zipfile.ZIP_DEFLATED
            z.writestr(info, data)
    return buf.getvalue()


def nested_bomb():
    """A zip holding a zip of 2,000 entries of 4 MiB of one byte each, listed
    eight times by the outer directory (each pointing at the same inner zip)."""
    inner = zip_of([("e%04d.txt" % i, b"a" * (4 << 20)) for i in range(2000)])
    data = deflate_raw(inner)
    crc = zlib.crc32(inner)
    name = b"inner.zip"
    out = local_header(name, 8, crc, len(data), len(inner)) + data
    central = b""
    for k in range(8):
        central += central_header(b"inner%d.zip" % k, 8, crc, len(data), len(inner), 0)
    return out + central + end_record(8, len(central), len(out))


def overlapping(count):
    """`count` directory entries that all point at one deflate stream of a
    highly compressed 64 MiB text."""
    text = b"b" * (64 << 20)
    data = deflate_raw(text)
    crc = zlib.crc32(text)
    out = local_header(b"k.txt", 8, crc, len(data), len(text)) + data
    central = b"".join(central_header(b"k%05d.txt" % i, 8, crc, len(data), len(text), 0) for i in range(count))
    return out + central + end_record(count, len(central), len(out))


def blank_docx():
    """A Word document whose text is one paragraph of 768 MiB of blanks and a
    word, in runs of varied lengths and revision marks, so that it inflates at
    about 160 to 1 (under one entry's limit on that ratio)."""
    import random
    rand = random.Random(38)
    runs = []
    total = 0
    while total < (768 << 20):
        n = rand.randint(1000, 3000)
        runs.append(b'<w:r w:rsidR="%08X"><w:t xml:space="preserve">' % rand.getrandbits(32) + b" " * n +
                    b"</w:t></w:r>")
        total += n
    # One paragraph: its blanks stand before text that ends it.
    body = b"<w:p>" + b"".join(runs) + b"<w:r><w:t>end</w:t></w:r></w:p>"
    doc = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
           b'<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>' + body +
           b"<w:p><w:r><w:t>end</w:t></w:r></w:p></w:body></w:document>")
    types = (b'<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             b'<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-'
             b'officedocument.wordprocessingml.document.main+xml"/></Types>')
    return zip_of([("[Content_Types].xml", types), ("word/document.xml", doc)])


def fake_descriptors():
    """A zip with no central directory whose stored entry's size only a data
    descriptor gives, and whose 4 MiB of data hold a descriptor every 16 bytes
    whose sizes agree with the data before it and whose checksum doesn't."""
    # At each offset k: a signature, a wrong checksum, and both sizes k, as a
    # descriptor that ends the data there would have.
    data = b"".join(struct.pack("<IIII", 0x08074B50, 0x12345678, k, k) for k in range(0, 4 << 20, 16))
    crc = zlib.crc32(data)
    out = local_header(b"d.bin", 0, 0, 0, 0, flags=8) + data
    out += struct.pack("<IIII", 0x08074B50, crc, len(data), len(data))
    out += local_header(b"w.txt", 0, zlib.crc32(WORD), len(WORD), len(WORD)) + WORD
    return out


def many_entries(count):
    """`count` empty entries, then one holding the word (Zip64 end records)."""
    out = bytearray()
    central = bytearray()
    for i in range(count + 1):
        name = b"e%06d.txt" % i
        data = WORD if i == count else b""
        offset = len(out)
        out += local_header(name, 0, zlib.crc32(data), len(data), len(data)) + data
        central += central_header(name, 0, zlib.crc32(data), len(data), len(data), offset)
    at = len(out) + len(central)
    return bytes(out + central + zip64_end(count + 1, len(central), len(out), at) +
                 end_record(0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF))


def bad_offsets():
    """A zip whose directory is found but whose local-header offsets are all
    out of range; the data, holding the word, is intact from the start."""
    good = zip_of([("a.txt", b"filler " * 100), ("b.txt", b"here is the " + WORD + b" word")])
    z = bytearray(good)
    end = z.rfind(b"PK\x05\x06")
    cd = struct.unpack("<I", z[end + 16:end + 20])[0]
    at = cd
    while z[at:at + 4] == b"PK\x01\x02":
        z[at + 42:at + 46] = struct.pack("<I", 0x7FFFFFF0)
        n, e, c = struct.unpack("<HHH", z[at + 28:at + 34])
        at += 46 + n + e + c
    return bytes(z)


CASES = [
    ("nested", "nested.zip", nested_bomb, "a zip of 2,000 4 MiB entries, inside a zip listing it 8 times", False),
    ("overlap1k", "overlap.zip", lambda: overlapping(1024), "1,024 entries sharing one 64 MiB deflate stream",
     False),
    ("overlap20k", "overlap.zip", lambda: overlapping(20000), "20,000 entries sharing one 64 MiB deflate stream",
     False),
    ("blanks", "blanks.docx", blank_docx, "a document whose text is 768 MiB of blanks", False),
    ("descriptors", "descriptors.zip", fake_descriptors,
     "4 MiB stored entry ended by a descriptor, a false one every 16 bytes", True),
    ("entries", "entries.zip", lambda: many_entries(70000), "70,001 entries, the word in the last", True),
    ("offsets", "offsets.zip", bad_offsets, "directory offsets out of range, data intact", True),
]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rows = []
    for case, name, make, what, listed in CASES:
        folder = os.path.join(out, case)
        os.makedirs(folder, exist_ok=True)
        data = make()
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        with open(os.path.join(folder, "plain.txt"), "wb") as f:
            f.write(b"an ordinary file with the word " + WORD + b" in it\n")
        rows.append("\t".join([case, name, str(len(data)), what, "listed" if listed else "-"]))
    with open(os.path.join(out, "cases.tsv"), "w") as f:
        f.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    main()
