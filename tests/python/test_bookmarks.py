"""Bookmarks through the binding: paths, exact titles and their cut, open and closed counts, sibling
links and destinations; deleting bookmarks; a saved outline as qpdf and poppler read it; and outlines
of files read in, damaged ones included (loops, links to objects of other kinds, a root without
/Type)."""
import json
import re
import subprocess

import pytest

import quorix
from conftest import register


@pytest.fixture
def doc(root):
    assert register("lib/libquorix2.so") == 0
    return quorix.CreateObject("Quorix2.Doc")


def outline_root(doc):
    return int(doc.GetInfo(doc.Root, "outlines"))


def ref(object_id):
    return "%d 0 R" % object_id


def dest(page):
    return "[ %d 0 R /XYZ null null null ]" % page


def link(doc, object_id, key):
    """The ID a link names, 0 when it is missing."""
    text = doc.GetInfo(object_id, "/" + key)
    return int(text.split()[0]) if text else 0


def children(doc, parent, limit=2000):
    found = []
    child = link(doc, parent, "First")
    while child and len(found) < limit:
        found.append(child)
        child = link(doc, child, "Next")
    return found


def qpdf_check(path):
    result = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "WARNING" not in result.stdout + result.stderr
    assert "No syntax or stream encoding errors found" in result.stdout


def qpdf_outline(path):
    """The outline as qpdf reads it: nested (title, page number from 1, kids) tuples."""
    result = subprocess.run(["qpdf", "--json", "--json-key=outlines", path], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr

    def convert(items):
        return [(item["title"], item["destpageposfrom1"], convert(item["kids"])) for item in items]
    return convert(json.loads(result.stdout)["outlines"])


def poppler_outline(path):
    """The titles poppler lists in the outline, in order, with their nesting depth."""
    xml = subprocess.run(["pdftohtml", "-xml", "-stdout", "-i", "-q", path], capture_output=True,
                         text=True, check=True).stdout
    found, depth = [], 0
    for tag in re.finditer(r"<(/?)outline>|<item[^>]*>([^<]*)</item>", xml):
        if tag.group(0) == "<outline>":
            depth += 1
        elif tag.group(0) == "</outline>":
            depth -= 1
        else:
            found.append((depth, tag.group(2)))
    return found


def pdf_file(objects, root=1):
    """A classic PDF file of the given object bodies, numbered from 1 (None leaves a number free)."""
    out = bytearray(b"%PDF-1.4\r\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out) if body is not None else None)
        if body is not None:
            out += b"%d 0 obj\r\n%s\r\nendobj\r\n" % (number, body.encode("latin-1"))
    xref = len(out)
    out += b"xref\r\n0 %d\r\n0000000000 65535 f\r\n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n\r\n" % offset if offset is not None else b"0000000000 00001 f\r\n"
    out += b"trailer\r\n<< /Size %d /Root %d 0 R >>\r\nstartxref\r\n%d\r\n%%%%EOF\r\n" % (
        len(objects) + 1, root, xref)
    return bytes(out)


def read_outline(doc, tmp_path, root_body, items, name="outline.pdf"):
    """Reads a one-page file whose outline root (object 2) and items (objects 5 up) are given."""
    objects = ["<< /Type /Catalog /Pages 3 0 R /Outlines 2 0 R >>", root_body,
               "<< /Type /Pages /Kids [ 4 0 R ] /Count 1 >>",
               "<< /Type /Page /Parent 3 0 R /MediaBox [ 0 0 612 792 ] >>"] + items
    path = tmp_path / name
    path.write_bytes(pdf_file(objects))
    doc.Read(str(path))
    return 4


# ---- Paths, titles and counts ----

def test_first_bookmark_fills_the_root_and_counts_only_when_expanded(doc):
    page = doc.AddPage()
    intro = doc.AddBookmark("Intro", True)
    root = outline_root(doc)
    assert doc.GetInfo(intro, "type") == "book"
    assert (link(doc, root, "First"), link(doc, root, "Last")) == (intro, intro)
    assert doc.GetInfo(root, "/Count") == "1"
    assert doc.GetInfo(intro, "/Parent") == ref(root)
    assert doc.GetInfo(intro, "/Dest") == dest(page)

    closed = quorix.CreateObject("Quorix2.Doc")
    closed.AddPage()
    closed.AddBookmark("Intro", False)
    assert closed.GetInfo(outline_root(closed), "/Count") == ""
    # A second top-level bookmark adds 1 to the missing Count whatever its own state.
    second = closed.AddBookmark("Next", False)
    assert closed.GetInfo(outline_root(closed), "/Count") == "1"
    assert children(closed, outline_root(closed))[-1] == second


@pytest.mark.parametrize("expanded, count_a, count_root", [(True, "1", "2"), (False, "-1", "1")])
def test_nested_path_creates_its_ancestors(doc, expanded, count_a, count_root):
    page = doc.AddPage()
    b = doc.AddBookmark("A\\B", expanded)
    root = outline_root(doc)
    a = link(doc, root, "First")
    assert doc.GetInfo(a, "/Title") == "(A)" and doc.GetInfo(b, "/Title") == "(B)"
    assert doc.GetInfo(a, "/Count") == count_a
    assert doc.GetInfo(root, "/Count") == count_root
    assert doc.GetInfo(b, "/Dest") == dest(page)
    assert doc.GetInfo(a, "/Dest") == ""
    assert (link(doc, a, "First"), link(doc, a, "Last"), link(doc, b, "Parent")) == (b, b, a)


def test_same_path_again_returns_the_same_bookmark_with_the_new_page(doc):
    first = doc.AddPage()
    second = doc.AddPage()
    b = doc.AddBookmark("A\\B", True)
    a = link(doc, outline_root(doc), "First")
    a_before = doc.GetInfo(a, "value")
    doc.Page = second
    assert doc.AddBookmark("A\\B", False) == b
    assert doc.GetInfo(b, "/Dest") == dest(second)
    assert doc.GetInfo(a, "value") == a_before
    assert doc.GetInfo(outline_root(doc), "/Count") == "2"
    assert first != second


def test_titles_compare_exactly_and_are_cut_at_255(doc):
    doc.AddPage()
    upper = doc.AddBookmark("A", True)
    assert doc.AddBookmark("a", True) != upper
    assert doc.AddBookmark("A", True) == upper
    long_title = "y" * 300
    cut = doc.AddBookmark(long_title, True)
    assert doc.AddBookmark(long_title, True) == cut
    assert doc.AddBookmark("y" * 255, True) == cut
    assert doc.AddBookmark("y" * 254, True) != cut


def test_empty_components_and_backslashes(doc):
    doc.AddPage()
    deep = doc.AddBookmark("\\A\\\\B\\", True)
    assert doc.AddBookmark("\\A\\\\B\\", False) == deep
    titles = []
    node = deep
    while node != outline_root(doc) and len(titles) < 10:
        titles.insert(0, doc.GetInfo(node, "/Title"))
        node = link(doc, node, "Parent")
    assert titles == ["()", "(A)", "()", "(B)", "()"]


def test_saved_outline_reads_back_in_qpdf_and_poppler(doc, tmp_path):
    pages = [doc.AddPage() for _ in range(3)]
    doc.Page = pages[0]
    doc.AddBookmark("Chapter 1\\Section 1", True)
    doc.Page = pages[1]
    doc.AddBookmark("Chapter 1\\Section 2", False)
    doc.AddBookmark("Chapter 1\\Section 2\\Caf\xe9", True)
    doc.Page = pages[2]
    doc.AddBookmark("Chapter 2", False)
    path = str(tmp_path / "outline.pdf")
    doc.Save(path)
    qpdf_check(path)
    assert qpdf_outline(path) == [
        ("Chapter 1", None, [("Section 1", 1, []), ("Section 2", 2, [("Caf\xe9", 2, [])])]),
        ("Chapter 2", 3, [])]
    assert poppler_outline(path) == [(1, "Chapter 1"), (2, "Section 1"), (2, "Section 2"),
                                     (3, "Caf\xe9"), (1, "Chapter 2")]


def test_a_thousand_bookmarks_in_three_levels(doc, tmp_path):
    pages = [doc.AddPage() for _ in range(10)]
    expected = []
    for chapter in range(10):
        doc.Page = pages[chapter]
        for section in range(10):
            for item in range(9):
                doc.AddBookmark("C%d\\S%d\\I%d" % (chapter, section, item), item % 2 == 0)
            expected.append((chapter, section))
    root = outline_root(doc)
    # 10 chapters, 100 sections and 900 items. Chapters and sections were made open by their first
    # item, so every level counts everything below it.
    chapters = children(doc, root)
    assert len(chapters) == 10
    assert doc.GetInfo(root, "/Count") == "1010"
    assert all(doc.GetInfo(chapter, "/Count") == "100" for chapter in chapters)
    assert all(doc.GetInfo(section, "/Count") == "9" for section in children(doc, chapters[3]))
    path = str(tmp_path / "thousand.pdf")
    doc.Save(path)
    qpdf_check(path)
    outline = qpdf_outline(path)
    assert [title for title, _, _ in outline] == ["C%d" % n for n in range(10)]
    for chapter, (_, _, sections) in enumerate(outline):
        assert [title for title, _, _ in sections] == ["S%d" % n for n in range(10)]
        for _, _, items in sections:
            assert [(title, page) for title, page, _ in items] == [("I%d" % n, chapter + 1) for n in range(9)]
    assert len(poppler_outline(path)) == 1010


# ---- Delete ----

def three_children(doc):
    doc.AddPage()
    kids = [doc.AddBookmark("P\\%d" % n, True) for n in range(3)]
    return link(doc, outline_root(doc), "First"), kids


@pytest.mark.parametrize("which", [0, 1, 2])
def test_deleting_a_child_relinks_its_neighbours(doc, tmp_path, which):
    parent, kids = three_children(doc)
    doc.Delete(kids[which])
    rest = kids[:which] + kids[which + 1:]
    assert doc.GetInfo(kids[which], "id") == ""
    assert children(doc, parent) == rest
    assert (link(doc, parent, "First"), link(doc, parent, "Last")) == (rest[0], rest[-1])
    assert link(doc, rest[0], "Prev") == 0 and link(doc, rest[-1], "Next") == 0
    assert link(doc, rest[1], "Prev") == rest[0]
    path = str(tmp_path / "deleted.pdf")
    doc.Save(path)
    qpdf_check(path)
    assert [title for title, _, _ in qpdf_outline(path)[0][2]] == ["%d" % kids.index(k) for k in rest]


def test_deleting_the_only_child_of_the_root_and_of_a_bookmark(doc, tmp_path):
    doc.AddPage()
    only = doc.AddBookmark("Only", True)
    child = doc.AddBookmark("Only\\Child", True)
    doc.Delete(child)
    assert (link(doc, only, "First"), link(doc, only, "Last")) == (0, 0)
    doc.Delete(only)
    root = outline_root(doc)
    assert (link(doc, root, "First"), link(doc, root, "Last")) == (0, 0)
    path = str(tmp_path / "empty.pdf")
    doc.Save(path)
    qpdf_check(path)
    assert qpdf_outline(path) == []
    again = doc.AddBookmark("Only", True)
    assert children(doc, root) == [again]


@pytest.mark.parametrize("expanded, before, after", [(True, ("3", "4"), ("1", "2")),
                                                     (False, ("-3", "3"), ("-1", "1"))])
def test_deleting_a_bookmark_takes_its_descendants_off_the_ancestors(doc, expanded, before, after):
    doc.AddPage()
    doc.AddBookmark("Top\\Mid\\1", expanded)
    doc.AddBookmark("Top\\Mid\\2", expanded)
    root = outline_root(doc)
    top = link(doc, root, "First")
    mid = link(doc, top, "First")
    assert (doc.GetInfo(top, "/Count"), doc.GetInfo(root, "/Count")) == before
    doc.Delete(mid)
    # Mid's two children come off in each ancestor's direction; Mid's own entry stays counted.
    assert (doc.GetInfo(top, "/Count"), doc.GetInfo(root, "/Count")) == after
    doc.Delete(root)
    assert doc.GetInfo(root, "type") == "outl"


# ---- Outlines of files read in ----

def test_saved_outline_read_back_is_extended_and_pruned(doc, tmp_path):
    doc.AddPage()
    second = doc.AddPage()
    a = doc.AddBookmark("A", True)
    b = doc.AddBookmark("A\\B", True)
    path = str(tmp_path / "first.pdf")
    doc.Save(path)
    doc.Read(path)
    # The bookmarks written read back calling themselves outline roots: they are bookmarks still.
    assert doc.AddBookmark("A\\B", True) == b
    doc.Page = second
    c = doc.AddBookmark("A\\C", True)
    assert children(doc, a) == [b, c]
    assert doc.GetInfo(c, "/Dest") == dest(second)
    doc.Delete(b)
    assert children(doc, a) == [c]
    out = str(tmp_path / "second.pdf")
    doc.Save(out)
    qpdf_check(out)
    assert qpdf_outline(out) == [("A", 1, [("C", 2, [])])]


def test_a_root_without_type_is_taken_over(doc, tmp_path):
    read_outline(doc, tmp_path, "<< /First 5 0 R /Last 5 0 R /Count 1 >>",
                 ["<< /Title (Kept) /Parent 2 0 R >>"])
    assert doc.AddBookmark("Kept", True) == 5
    assert outline_root(doc) == 2
    new = doc.AddBookmark("New", True)
    assert children(doc, 2) == [5, new]
    path = str(tmp_path / "kept.pdf")
    doc.Save(path)
    qpdf_check(path)
    assert [title for title, _, _ in qpdf_outline(path)] == ["Kept", "New"]


def test_sibling_and_parent_loops_do_not_hang(doc, tmp_path):
    read_outline(doc, tmp_path, "<< /Type /Outlines /First 5 0 R /Last 6 0 R /Count 2 >>",
                 ["<< /Title (a) /Parent 2 0 R /Next 6 0 R /Prev 6 0 R >>",
                  "<< /Title (b) /Parent 2 0 R /Next 5 0 R /Prev 5 0 R /First 6 0 R /Last 6 0 R >>",
                  "<< /Title (x) /Parent 8 0 R /Next 7 0 R >>",
                  "<< /Title (y) /Parent 7 0 R >>"])
    assert doc.AddBookmark("b", True) == 6
    assert doc.AddBookmark("b\\inner", True) > 0
    assert doc.AddBookmark("elsewhere", True) > 0
    doc.Delete(5)
    doc.Delete(7)
    doc.Delete(6)
    assert doc.GetInfo(6, "id") == ""
    path = str(tmp_path / "loops.pdf")
    doc.Save(path)
    qpdf_check(path)


def test_links_to_objects_of_other_kinds_are_left_alone(doc, tmp_path):
    page = read_outline(doc, tmp_path, "<< /Type /Outlines /First 1 0 R /Last 4 0 R >>",
                        ["<< /Title (under a page) /Parent 4 0 R >>"])
    page_before = doc.GetInfo(page, "value")
    catalog_before = doc.GetInfo(doc.Root, "value")
    tree_before = doc.GetInfo(3, "value")
    new = doc.AddBookmark("Fresh", True)
    assert children(doc, 2) == [new]
    doc.Delete(5)
    doc.Delete(new)
    assert doc.GetInfo(page, "value") == page_before
    assert doc.GetInfo(doc.Root, "value") == catalog_before
    assert doc.GetInfo(3, "value") == tree_before
    path = str(tmp_path / "foreign.pdf")
    doc.Save(path)
    qpdf_check(path)
