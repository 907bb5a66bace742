#!/usr/bin/env python3
"""Writes the seed corpus of the file reader's fuzz target (fuzz/corpus/pdfreader/): small classic
PDF files, each exercising one part of the reader (plain structure, an incremental update, a Prev
loop, indirect and self-referring stream lengths, a looping page tree, a huge subsection count,
a hybrid trailer, an encrypted trailer and a damaged entry)."""
import os
import sys


def build(objects, trailer_extra=b"", header=b"%PDF-1.4\n", count=None, update=None):
    """objects: list of (id, bytes of the body between 'obj' and 'endobj')."""
    out = bytearray(header)
    offsets = {}
    for ident, body in objects:
        offsets[ident] = len(out)
        out += b"%d 0 obj\n" % ident + body + b"\nendobj\n"
    size = max(offsets) + 1
    xref = len(out)
    out += b"xref\n0 %d\n" % (count if count is not None else size)
    out += b"0000000000 65535 f\r\n"
    for ident in range(1, size):
        out += (b"%010d 00000 n\r\n" % offsets[ident]) if ident in offsets else b"0000000000 00001 f\r\n"
    out += b"trailer\n<< /Size %d /Root 1 0 R %s>>\nstartxref\n%d\n%%%%EOF\n" % (size, trailer_extra, xref)
    if update:
        new_offsets = {}
        for ident, body in update:
            new_offsets[ident] = len(out)
            out += b"%d 0 obj\n" % ident + body + b"\nendobj\n"
        new_xref = len(out)
        out += b"xref\n"
        for ident, offset in sorted(new_offsets.items()):
            out += b"%d 1\n%010d 00000 n\r\n" % (ident, offset)
        out += b"trailer\n<< /Size %d /Root 1 0 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (
            max(size, max(new_offsets) + 1), xref, new_xref)
    return bytes(out)


CONTENT = b"BT /F1 12 Tf 72 700 Td (Hello) Tj ET"
BASE = [
    (1, b"<< /Type /Catalog /Pages 2 0 R /Outlines 6 0 R >>"),
    (2, b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>"),
    (3, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> >> >>"),
    (4, b"<< /Length %d >>\nstream\n" % len(CONTENT) + CONTENT + b"\nendstream"),
    (5, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"),
    (6, b"<< /Type /Outlines /Count 0 >>"),
]


def seeds():
    yield "plain.pdf", build(BASE)
    yield "incremental.pdf", build(BASE, update=[(4, b"<< /Length 7 >>\nstream\nBT ET q\nendstream"),
                                               (7, b"<< /Type /Bookmark /Title (b) >>")])
    plain = build(BASE)
    xref = plain.index(b"\nxref\n") + 1
    yield "prev-loop.pdf", build(BASE, trailer_extra=b"/Prev %d " % xref)
    yield "indirect-length.pdf", build(BASE[:3] + [(4, b"<< /Length 7 0 R >>\nstream\n" + CONTENT + b"\nendstream"),
                                                   BASE[4], BASE[5], (7, b"%d" % len(CONTENT))])
    yield "self-length.pdf", build(BASE[:3] + [(4, b"<< /Length 4 0 R >>\nstream\n" + CONTENT + b"\nendstream")]
                                   + BASE[4:])
    yield "looping-kids.pdf", build([BASE[0], (2, b"<< /Type /Pages /Kids [2 0 R 3 0 R] /Count 2 /Parent 2 0 R >>")]
                                    + BASE[2:])
    yield "huge-count.pdf", build(BASE, count=1000000000)
    yield "hybrid.pdf", build(BASE, trailer_extra=b"/XRefStm 12 ")
    yield "encrypted.pdf", build(BASE, trailer_extra=b"/Encrypt 9 0 R ")
    yield "wrong-ids.pdf", build(BASE[:4] + [(5, b"<< /A 1 >>\nendobj\n9 0 obj\n(x)")] + BASE[5:])
    yield "no-header.pdf", build(BASE, header=b"")
    yield "names-strings.pdf", build(BASE + [(7, b"<< /N /PANTONE#20185#20C /T <FEFF00410042> /U (a\\)b\\\\c) >>")],
                                     trailer_extra=b"/Info 7 0 R ")


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "corpus",
                                                                 "pdfreader")
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
