"""Object information through the binding: GetInfo's common keys, SetInfo, AddObject and Delete on
objects of every kind, the trailer and IDs that name nothing, on new and on read documents."""
import subprocess

import pytest

import quorix
from conftest import register


@pytest.fixture
def doc(root):
    assert register("lib/libquorix2.so") == 0
    return quorix.CreateObject("Quorix2.Doc")


def saved(doc, tmp_path, name="out.pdf"):
    path = str(tmp_path / name)
    doc.Save(path)
    result = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
    assert result.returncode == 0 and "WARNING" not in result.stdout + result.stderr, result.stdout + result.stderr
    return path


def test_common_keys_of_every_kind(doc):
    page = doc.AddPage()
    line = doc.AddLine(0, 0, 100, 100)
    assert (doc.GetInfo(page, "type"), doc.GetInfo(line, "type"), doc.GetInfo(doc.Root, "type")) == \
        ("page", "line", "cata")
    assert (doc.GetInfo(page, "id"), doc.GetInfo(page, "active")) == (str(page), "1")
    assert doc.GetInfo(page, "/Type") == "/Page"
    assert doc.GetInfo(page, "/Parent").endswith(" 0 R")
    assert doc.GetInfo(doc.Root, "value").startswith("<<")
    # The trailer is -1; nothing deletes it and an ID that names nothing answers nothing.
    assert "/Root" in doc.GetInfo(-1, "value")
    doc.Delete(-1)
    assert "/Root" in doc.GetInfo(-1, "value")
    assert doc.GetInfo(99999, "type") == "" and doc.GetInfo(page, "no such key") == ""
    doc.Delete(doc.Root)
    assert doc.GetInfo(doc.Root, "type") == "cata"
    doc.Delete(page)
    assert doc.GetInfo(page, "type") == ""


def test_set_info_changes_entries_and_values_of_the_same_kind(doc, tmp_path):
    page = doc.AddPage()
    doc.SetInfo(page, "/Rotate", "90")
    assert doc.GetInfo(page, "/Rotate") == "90"
    before = doc.GetInfo(page, "value")
    # A number does not replace a dictionary; text that does not parse changes nothing.
    doc.SetInfo(page, "value", "42")
    doc.SetInfo(page, "/Rotate", ")")
    assert doc.GetInfo(page, "value") == before
    doc.SetInfo(page, "unknown", "1")
    assert doc.GetInfo(page, "value") == before
    # SetInfo on nothing does nothing and reports nothing.
    doc.SetInfo(99999, "/A", "1")
    path = saved(doc, tmp_path)
    info = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True).stdout
    assert [line.split()[-1] for line in info.splitlines() if line.startswith("Page rot:")] == ["90"]


def test_set_info_on_a_line_replaces_its_generated_bytes(doc, tmp_path):
    doc.AddPage()
    line = doc.AddLine(10, 10, 200, 200)
    assert int(doc.GetInfo(line, "Length")) > 0
    doc.SetInfo(line, "/Extra", "(x)")
    assert doc.GetInfo(line, "/Extra") == "(x)"
    assert b"l" in doc.GetInfo(line, "stream").encode("latin-1")
    saved(doc, tmp_path)


def test_add_object_keeps_the_whole_text(doc, tmp_path):
    doc.AddPage()
    small = doc.AddObject("<< /Type /Annot /Subtype /Text /Contents (hello) >>")
    assert "/Contents (hello)" in doc.GetInfo(small, "value")
    assert doc.GetInfo(small, "/Subtype") == "/Text"
    # 100,000 bytes survive whole, their end included.
    long_text = "[" + " ".join("%d" % (n % 1000) for n in range(26000)) + " (end)]"
    assert len(long_text) > 100000
    big = doc.AddObject(long_text)
    value = doc.GetInfo(big, "value")
    assert value.endswith("(end) ]") or value.endswith("(end)]")
    # Every element is there, in order ("[" and "]" stand apart in the written form).
    assert value.split()[1:-2] == [str(n % 1000) for n in range(26000)]
    # A typed object comes back as its class; text that does not parse still uses up its ID.
    page = doc.AddObject("<< /Type /Page /MediaBox [0 0 100 100] >>")
    assert doc.GetInfo(page, "type") == "page"
    broken = doc.AddObject(")")
    after = doc.AddObject("5")
    assert after > broken > page
    # Linked by SetInfo, an added object reaches the file.
    pages_page = int(doc.GetInfo(int(doc.GetInfo(doc.Root, "pages")), "page 1"))
    doc.SetInfo(pages_page, "/Annots", "[%d 0 R]" % small)
    path = saved(doc, tmp_path)
    assert b"(hello)" in open(path, "rb").read()


def test_objects_of_a_read_file_answer_and_change(doc, tmp_path):
    doc.AddPage()
    font = doc.AddFont("Helvetica")
    path = saved(doc, tmp_path, "first.pdf")
    other = quorix.CreateObject("Quorix2.Doc")
    other.Read(path)
    # A font object has no class of its own: it stays a placeholder that still answers.
    assert other.GetInfo(font, "/BaseFont") == "/Helvetica"
    other.SetInfo(font, "/BaseFont", "/Courier")
    assert other.GetInfo(font, "/BaseFont") == "/Courier"
    other.Delete(font)
    assert other.GetInfo(font, "type") == ""
    saved(other, tmp_path, "second.pdf")


def test_set_info_survives_save_and_read(doc, tmp_path):
    page = doc.AddPage()
    doc.SetInfo(page, "/Rotate", "180")
    doc.SetInfo(doc.Root, "/PageMode", "/UseOutlines")
    path = saved(doc, tmp_path)
    other = quorix.CreateObject("Quorix2.Doc")
    other.Read(path)
    assert other.GetInfo(page, "/Rotate") == "180"
    assert other.GetInfo(other.Root, "/PageMode") == "/UseOutlines"


def test_deleting_every_kind_of_object_leaves_a_sound_file(doc, tmp_path):
    import io
    from PIL import Image as Pillow
    doc.AddPage()
    doc.Page = doc.AddPage()
    doc.Font = doc.AddFont("Helvetica")
    doc.Rect.String = "72 72 300 300"
    jpeg = io.BytesIO()
    Pillow.new("RGB", (8, 8), "red").save(jpeg, "JPEG")
    made = {
        "text": doc.AddText("Some text"),
        "line": doc.AddLine(0, 0, 50, 50),
        "frame": doc.FrameRect(),
        "fill": doc.FillRect(),
        "placement": doc.AddImage(jpeg.getvalue()),
        "bookmark": doc.AddBookmark("Chapter\\Section", True),
        "object": doc.AddObject("<< /Type /Annot /Subtype /Text /Rect [0 0 10 10] >>"),
    }
    made["image"] = int(doc.GetInfo(made["placement"], "xobject"))
    for kind, object_id in made.items():
        doc.Delete(object_id)
        assert doc.GetInfo(object_id, "type") in ("", "jpeg"), kind
        saved(doc, tmp_path, "after-%s.pdf" % kind)
    # The page holding it all goes last.
    doc.Delete(doc.Page)
    saved(doc, tmp_path, "after-page.pdf")
