"""Doc.Read through the binding: files written by Save, by qpdf and by cairo read, change and save
again as files that qpdf accepts with their pages and text; bytes read like files; failures leave
the document as it was; text and names read from a file keep their bytes."""
import os
import re
import shutil
import subprocess

import pytest

import quorix
from conftest import register

E_FAIL = 0x80004005


@pytest.fixture
def doc(root):
    assert register("lib/libquorix2.so") == 0
    return quorix.CreateObject("Quorix2.Doc")


def new_doc():
    return quorix.CreateObject("Quorix2.Doc")


def qpdf_check(path):
    result = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "WARNING" not in result.stdout + result.stderr
    assert "No syntax or stream encoding errors found" in result.stdout


def page_count(path):
    result = subprocess.run(["qpdf", "--show-npages", path], capture_output=True, text=True, check=True)
    return int(result.stdout)


def text_of(path):
    result = subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True, check=True)
    return " ".join(result.stdout.split())


def page_ids(doc):
    tree = int(doc.GetInfo(doc.Root, "pages"))
    count = int(doc.GetInfo(tree, "page count"))
    return [int(doc.GetInfo(tree, "page %d" % n)) for n in range(1, count + 1)]


def written_by_save(doc, path, pages=("First page", "Second page", "Third page")):
    for text in pages:
        doc.Page = doc.AddPage()
        doc.AddText(text)
    doc.Save(path)
    return path


def classic(source, target):
    """qpdf's rewrite with a classic cross-reference table and uncompressed streams."""
    subprocess.run(["qpdf", "--object-streams=disable", "--compress-streams=n", source, target], check=True)
    return target


def read_change_save(path, tmp_path, name):
    """Reads path, adds a page with text and saves; returns the saved path and the Doc."""
    reader = new_doc()
    reader.Read(path)
    reader.Page = reader.AddPage()
    reader.AddText("Added after reading")
    out = str(tmp_path / name)
    reader.Save(out)
    qpdf_check(out)
    return out, reader


def test_read_of_a_saved_file_selects_its_first_page(doc, tmp_path):
    path = written_by_save(doc, str(tmp_path / "saved.pdf"))
    first = page_ids(doc)[0]
    doc.MediaBox.String = "0 0 200 300"
    doc.Rect.String = "10 10 50 50"
    reader = new_doc()
    reader.MediaBox.String = "0 0 100 100"
    reader.Read(path)
    assert reader.Page == first
    assert reader.MediaBox.String == "0 0 612 792"
    assert reader.Rect.String == "0 0 612 792"
    assert (reader.Pos.X, reader.Pos.Y) == (0, 792)
    assert len(page_ids(reader)) == 3
    out, _ = read_change_save(path, tmp_path, "changed.pdf")
    assert page_count(out) == 4
    text = text_of(out)
    for expected in ("First page", "Second page", "Third page", "Added after reading"):
        assert expected in text


def test_read_from_bytes_equals_read_from_the_file(doc, tmp_path):
    path = written_by_save(doc, str(tmp_path / "saved.pdf"))
    data = doc.GetData()
    from_bytes = new_doc()
    from_bytes.Read(bytes(data))
    from_file = new_doc()
    from_file.Read(path)
    # Nothing was changed: both write the same objects (the trailer's ID differs per save).
    strip = lambda pdf: re.sub(rb"/ID \[[^\]]*\]", b"", bytes(pdf))
    assert strip(from_bytes.GetData()) == strip(from_file.GetData())
    # The document keeps its own copy of the bytes.
    data = bytearray(data)
    reader = new_doc()
    reader.Read(data)
    data[:] = b"\0" * len(data)
    out = str(tmp_path / "copy.pdf")
    reader.Save(out)
    qpdf_check(out)
    assert "Second page" in text_of(out)


def test_saving_over_the_file_that_was_read(doc, tmp_path):
    path = written_by_save(doc, str(tmp_path / "same.pdf"))
    reader = new_doc()
    reader.Read(path)
    reader.Page = reader.AddPage()
    reader.AddText("Written over itself")
    reader.Save(path)
    qpdf_check(path)
    assert page_count(path) == 4
    assert "Third page" in text_of(path) and "Written over itself" in text_of(path)


def test_read_of_a_qpdf_rewrite_and_an_update_by_qpdf(doc, tmp_path):
    saved = written_by_save(doc, str(tmp_path / "saved.pdf"))
    rewritten = classic(saved, str(tmp_path / "qpdf.pdf"))
    out, _ = read_change_save(rewritten, tmp_path, "qpdf-changed.pdf")
    assert page_count(out) == 4
    assert "Second page" in text_of(out) and "Added after reading" in text_of(out)
    # An untouched object's bytes in the output equal its bytes in the input.
    source = open(rewritten, "rb").read()
    fonts = re.findall(rb"\n(\d+ 0 obj\n<< /BaseFont[^>]*>>\nendobj\n)", source)
    assert fonts
    assert fonts[0] in open(out, "rb").read()


@pytest.mark.skipif(shutil.which("pdftocairo") is None, reason="pdftocairo is not installed")
def test_read_of_a_file_written_by_cairo(doc, tmp_path):
    saved = written_by_save(doc, str(tmp_path / "saved.pdf"), pages=("Cairo drew this",))
    drawn = str(tmp_path / "cairo.pdf")
    subprocess.run(["pdftocairo", "-pdf", saved, drawn], check=True)
    reader = new_doc()
    try:
        reader.Read(drawn)
    except quorix.ComError:
        # A cairo that writes cross-reference streams: read its classic rewrite instead.
        drawn = classic(drawn, str(tmp_path / "cairo-classic.pdf"))
    out, _ = read_change_save(drawn, tmp_path, "cairo-changed.pdf")
    assert page_count(out) == 2
    assert "Cairo drew this" in text_of(out) and "Added after reading" in text_of(out)


@pytest.mark.skipif(shutil.which("gs") is None, reason="ghostscript is not installed")
def test_read_of_a_file_written_by_ghostscript(doc, tmp_path):
    saved = written_by_save(doc, str(tmp_path / "saved.pdf"), pages=("Ghostscript wrote this",))
    written = str(tmp_path / "gs.pdf")
    subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-dCompatibilityLevel=1.4",
                    "-sOutputFile=" + written, saved], check=True)
    out, _ = read_change_save(written, tmp_path, "gs-changed.pdf")
    assert page_count(out) == 2
    assert "Ghostscript wrote this" in text_of(out)


def test_failures_leave_the_document_as_it_was(doc, tmp_path):
    written_by_save(doc, str(tmp_path / "saved.pdf"))
    before = page_ids(doc)
    page = doc.Page

    def fails(argument):
        with pytest.raises(quorix.ComError) as error:
            doc.Read(argument)
        assert error.value.hresult == E_FAIL
        assert page_ids(doc) == before and doc.Page == page
        return error.value.description.strip()

    assert fails(b"not a pdf at all").startswith('Unable to find EOF at end of PDF. Error at "^not a pdf')
    assert fails(str(tmp_path / "missing.pdf")).startswith("Unable to read file.")
    encrypted = str(tmp_path / "encrypted.pdf")
    subprocess.run(["qpdf", "--encrypt", "user", "owner", "256", "--", str(tmp_path / "saved.pdf"),
                    encrypted], check=True)
    assert fails(encrypted) == "Unable to read encrypted PDF."
    streams = str(tmp_path / "streams.pdf")
    subprocess.run(["qpdf", "--object-streams=generate", str(tmp_path / "saved.pdf"), streams], check=True)
    assert fails(streams).startswith("Unable to find start of xref section.")
    # A readable file without a catalog and page tree is refused rather than rebuilt.
    no_pages = (b"%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n"
                b"xref\n0 2\n0000000000 65535 f\r\n0000000009 00000 n\r\n"
                b"trailer\n<< /Size 2 /Root 1 0 R >>\nstartxref\n45\n%%EOF\n")
    assert fails(no_pages) == "PDF is not in a compatible format."
    # The document still works.
    doc.AddText("still here")
    out = str(tmp_path / "after.pdf")
    doc.Save(out)
    qpdf_check(out)


def test_utf16_title_and_escaped_names_survive(doc, tmp_path):
    title = "Ünïcode title \u4e2d\u6587"
    encoded = (b"\xfe\xff" + title.encode("utf-16-be")).hex().upper().encode()
    parts = [b"1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n",
             b"2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n",
             b"3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << /ColorSpace "
             b"<< /CS0 [/Separation /PANTONE#20185#20C /DeviceCMYK 4 0 R] >> >> >>\nendobj\n",
             b"4 0 obj\n<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0.91 0.76 0] /N 1 >>\nendobj\n",
             b"5 0 obj\n<< /Title <" + encoded + b"> >>\nendobj\n"]
    body = b"%PDF-1.4\n"
    offsets = []
    for part in parts:
        offsets.append(len(body))
        body += part
    xref = len(body)
    body += b"xref\n0 6\n0000000000 65535 f\r\n" + b"".join(b"%010d 00000 n\r\n" % o for o in offsets)
    body += b"trailer\n<< /Size 6 /Root 1 0 R /Info 5 0 R >>\nstartxref\n%d\n%%%%EOF\n" % xref
    source = str(tmp_path / "names.pdf")
    open(source, "wb").write(body)
    doc.Read(source)
    # A deletion parses every object, so both are written from their parsed form too.
    doc.Page = doc.AddPage()
    doc.Delete(doc.Page)
    out = str(tmp_path / "names-saved.pdf")
    doc.Save(out)
    qpdf_check(out)
    saved = open(out, "rb").read()
    assert b"/PANTONE#20185#20C" in saved
    shown = subprocess.run(["qpdf", "--show-object=trailer", out], capture_output=True, check=True).stdout
    info = int(re.search(rb"/Info (\d+) 0 R", shown).group(1))
    shown_title = subprocess.run(["qpdf", "--show-object=%d" % info, out], capture_output=True, check=True).stdout
    original = subprocess.run(["qpdf", "--show-object=5", source], capture_output=True, check=True).stdout
    assert shown_title == original
    result = subprocess.run(["pdfinfo", out], capture_output=True, check=True)
    assert title in result.stdout.decode("utf-8")


def test_hostile_files_read_or_fail_cleanly(doc, tmp_path):
    """The reader's fuzz seeds: looping page trees and Prev chains, lengths that refer to their own
    object, a subsection claiming a billion entries, hybrid and encrypted trailers."""
    folder = os.path.join(os.path.dirname(__file__), "..", "..", "fuzz", "corpus", "pdfreader")
    outcomes = {}
    for name in sorted(os.listdir(folder)):
        reader = new_doc()
        try:
            reader.Read(os.path.join(folder, name))
        except quorix.ComError as error:
            outcomes[name] = error.description.strip()
            continue
        reader.GetData()
        outcomes[name] = "read"
    assert outcomes["plain.pdf"] == outcomes["incremental.pdf"] == outcomes["prev-loop.pdf"] == "read"
    assert outcomes["self-length.pdf"] == outcomes["huge-count.pdf"] == outcomes["looping-kids.pdf"] == "read"
    assert outcomes["encrypted.pdf"] == "Unable to read encrypted PDF."
    assert outcomes["hybrid.pdf"] == "Unable to read PDF with cross-reference streams."
