"""The Doc class through the binding: defaults, pages and their order, the current page, lines,
rectangles, layers and transforms as a viewer draws them, object information, deletion, saving,
and value objects that outlive their Doc."""
import gc
import os
import re
import subprocess

import pytest

import quorix
from conftest import register

E_FAIL = 0x80004005


@pytest.fixture
def doc(root):
    assert register("lib/libquorix2.so") == 0
    return quorix.CreateObject("Quorix2.Doc")


def page_order(doc):
    tree = int(doc.GetInfo(doc.Root, "pages"))
    count = int(doc.GetInfo(tree, "page count"))
    return [int(doc.GetInfo(tree, "page %d" % n)) for n in range(1, count + 1)]


def qpdf_check(path):
    result = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "WARNING" not in result.stdout + result.stderr
    assert "No syntax or stream encoding errors found" in result.stdout


def render(path, tmp_path):
    """The first page as rows of (r, g, b) pixels at 72 dpi: one pixel per point."""
    out = str(tmp_path / "page")
    subprocess.run(["pdftoppm", "-r", "72", "-f", "1", "-l", "1", "-singlefile", path, out], check=True)
    data = open(out + ".ppm", "rb").read()
    fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    width, height = int(fields.group(1)), int(fields.group(2))
    pixels = data[fields.end():]
    return width, height, lambda x, y: tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3])


def near(actual, expected, tolerance=3):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


def test_defaults(doc):
    assert (doc.Page, doc.Font, doc.FontSize, doc.Width, doc.HPos, doc.VPos, doc.Layer, doc.Root) == \
        (0, 0, 10, 1, 0.0, 0.0, 1, 0)
    assert doc.Rect.String == "0 0 612 792"
    assert doc.MediaBox.String == "0 0 612 792"
    assert (doc.Pos.X, doc.Pos.Y) == (0, 792)
    assert doc.Color.String == "0 0 0"
    assert doc.Transform.String == "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000"
    # Every call hands out the same live view.
    doc.Rect.Left = 72
    assert doc.Rect.Left == 72 and doc.Pos.X == 72


def test_width_and_font_size_round_as_specified(doc):
    doc.Width = 3
    assert doc.Width == 3
    doc.TextStyle.Size = 10.5
    assert doc.FontSize == 11
    doc.TextStyle.Size = 10.49
    assert doc.FontSize == 10
    doc.FontSize = 14
    assert doc.TextStyle.Size == 14.0


@pytest.mark.parametrize("position, index", [(0, 0), (2, 1), (4, 3), (100, 3), (-1, 3), (None, 3), ("2", 1),
                                              ("many", 3)])
def test_add_page_positions(doc, position, index):
    old = [doc.AddPage() for _ in range(3)]
    new = doc.AddPage() if position is None else doc.AddPage(position)
    expected = old[:]
    expected.insert(index, new)
    assert page_order(doc) == expected
    # Adding pages never changes the current page.
    assert doc.Page == 0


def test_page_selection_refreshes_media_box_and_position(doc):
    first = doc.AddPage()
    doc.MediaBox.String = "0 0 300 400"
    small = doc.AddPage()
    doc.MediaBox.String = "0 0 612 792"
    doc.Rect.String = "50 60 250 350"
    doc.Pos.String = "1 2"
    doc.Page = small
    assert doc.Page == small
    assert doc.MediaBox.String == "0 0 300 400"
    assert (doc.Pos.X, doc.Pos.Y) == (50, 350)
    # The same page again changes nothing.
    doc.MediaBox.String = "0 0 10 10"
    doc.Page = small
    assert doc.MediaBox.String == "0 0 10 10"
    # An ID that is no page selects the first page.
    doc.Page = doc.Root
    assert doc.Page == first and doc.MediaBox.String == "0 0 612 792"


def test_selecting_on_an_empty_document_appends_a_page(doc):
    doc.Page = 50
    assert doc.Page == 4
    assert page_order(doc) == [4]


def test_object_information(doc):
    page = doc.AddPage()
    doc.Page = page
    line = doc.AddLine(10, 20, 100, 200)
    assert doc.GetInfo(page, "type") == "page"
    assert doc.GetInfo(line, "type") == "line"
    assert doc.GetInfo(doc.Root, "type") == "cata"
    assert doc.GetInfo(page, "id") == str(page)
    assert doc.GetInfo(page, "active") == "1"
    assert doc.GetInfo(page, "/Type") == "/Page"
    assert doc.GetInfo(page, "/Parent") == "3 0 R"
    assert doc.GetInfo(doc.Root, "pages") == "3"
    assert doc.GetInfo(3, "page count") == "1"
    assert doc.GetInfo(3, "page 1") == str(page)
    assert doc.GetInfo(3, "page 5") == "0"
    assert doc.GetInfo(page, "content count") == "1"
    assert doc.GetInfo(page, "content 1") == str(line)
    stream = ("  BX\r\n  q\r\n  1.0000 0.0000 0.0000 1.0000 0.0000 0.0000 cm\r\n  1 w\r\n  0 0 0 RG\r\n"
              "    10 20 m\r\n    100 200 l\r\n  S\r\n  Q\r\n  EX")
    assert doc.GetInfo(line, "stream") == stream
    assert doc.GetInfo(line, "Length") == str(len(stream))
    assert doc.GetInfo(doc.Root, "value") == \
        "<<\r\n/OpenAction [ 4 0 R /Fit ]\r\n/Outlines 2 0 R\r\n/PageMode /UseNone\r\n/Pages 3 0 R\r\n/Type /Catalog\r\n>>"
    assert doc.GetInfo(-1, "value") == "<<\r\n/Root 1 0 R\r\n>>"
    assert doc.GetInfo(9999, "type") == ""
    assert doc.GetInfo(page, "no such key") == ""


def xref_entries(data):
    text = data.decode("latin-1")
    start = text.index("xref\r\n")
    count = int(text[start:].split("\r\n")[1].split()[1])
    body = text[start:].split("\r\n", 2)[2]
    return [body[20 * i:20 * i + 20] for i in range(count)]


def test_delete(doc):
    first, second, third = doc.AddPage(), doc.AddPage(), doc.AddPage()
    doc.Page = second
    doc.AddLine(0, 0, 10, 10)
    doc.Delete(second)
    assert doc.GetInfo(second, "type") == ""
    assert doc.GetInfo(3, "page count") == "2"
    assert page_order(doc) == [first, third]
    entries = xref_entries(doc.GetData())
    assert entries[second][17] == "f"
    assert entries[first][17] == "n" and entries[third][17] == "n"
    # The catalog, the trailer and unknown IDs are left alone.
    root = doc.Root
    doc.Delete(root)
    doc.Delete(-1)
    doc.Delete(12345)
    assert doc.GetInfo(root, "active") == "1"
    assert doc.GetInfo(-1, "value").startswith("<<\r\n/Root 1 0 R\r\n")


def test_layers_and_layer_count(doc):
    a = doc.AddLine(0, 0, 1, 1)
    b = doc.AddLine(0, 0, 1, 1)
    doc.Layer = 2
    c = doc.FrameRect()
    assert doc.LayerCount == 3
    page = doc.Page
    assert [int(doc.GetInfo(page, "content %d" % n)) for n in (1, 2, 3)] == [a, c, b]


def test_flatten(doc):
    doc.AddLine(0, 0, 100, 100)
    doc.FillRect()
    merged = doc.Flatten()
    assert doc.LayerCount == 1
    assert doc.GetInfo(merged, "/Filter") == "/FlateDecode"
    empty = quorix.CreateObject("Quorix2.Doc")
    empty.AddPage()
    fresh = empty.Flatten()
    assert empty.GetInfo(fresh, "type") == ""


def test_save_and_get_data_give_the_same_bytes(doc, tmp_path):
    doc.AddLine(10, 10, 200, 200)
    path = str(tmp_path / "same.pdf")
    doc.Save(path)
    assert open(path, "rb").read() == doc.GetData()
    qpdf_check(path)


def test_save_into_a_missing_folder_fails(doc, tmp_path):
    doc.AddPage()
    with pytest.raises(quorix.ComError) as error:
        doc.Save(str(tmp_path / "missing" / "file.pdf"))
    assert error.value.hresult == E_FAIL
    assert error.value.description.startswith("Unable to write PDF to disk.")
    assert "path could not be found" in error.value.description


def test_value_objects_outlive_their_doc(root):
    assert register("lib/libquorix2.so") == 0
    doc = quorix.CreateObject("Quorix2.Doc")
    doc.AddLine(1, 2, 3, 4)
    rect = doc.Rect
    pos = doc.Pos
    color = doc.Color
    transform = doc.Transform
    del doc
    gc.collect()
    rect.String = "10 20 30 40"
    assert rect.String == "10 20 30 40"
    assert (pos.X, pos.Y) == (10, 40)
    color.Red = 7
    transform.Translate(1, 2)
    assert color.Red == 7 and transform.String.endswith("1.0000 2.0000")


def test_drawing_as_a_viewer_sees_it(doc, tmp_path):
    doc.Page = doc.AddPage()
    # A red filled rectangle.
    doc.Color.String = "255 0 0"
    doc.Rect.String = "100 100 200 150"
    doc.FillRect()
    # A blue line 4 points wide.
    doc.Color.String = "0 0 255"
    doc.Width = 4
    doc.AddLine(300, 500, 500, 500)
    # A green frame 2 points wide: its path lies one point outside the rectangle.
    doc.Color.String = "0 128 0"
    doc.Width = 2
    doc.Rect.String = "300 100 400 200"
    doc.FrameRect()
    # Layers: cyan on top, then red put below it.
    doc.Color.String = "0 255 255"
    doc.Rect.String = "400 600 500 700"
    doc.FillRect()
    doc.Layer = 2
    doc.Color.String = "255 0 0"
    doc.Rect.String = "450 650 550 750"
    doc.FillRect()
    doc.Layer = 1
    # A magenta rectangle moved 50 points right by the transform.
    doc.Transform.Translate(50, 0)
    doc.Color.String = "255 0 255"
    doc.Rect.String = "100 300 200 350"
    doc.FillRect()
    path = str(tmp_path / "drawing.pdf")
    doc.Save(path)
    qpdf_check(path)

    width, height, pixel = render(path, tmp_path)
    assert (width, height) == (612, 792)
    row = lambda y: 792 - y  # noqa: E731 - PDF y counts up from the bottom
    white, red, blue = (255, 255, 255), (255, 0, 0), (0, 0, 255)
    assert near(pixel(150, row(125)), red)
    assert near(pixel(95, row(125)), white) and near(pixel(205, row(125)), white)
    assert near(pixel(400, row(500)), blue)
    assert near(pixel(400, row(504)), white) and near(pixel(295, row(500)), white)
    assert near(pixel(299, row(150)), (0, 128, 0), 10)
    assert near(pixel(350, row(150)), white) and near(pixel(303, row(150)), white)
    assert near(pixel(475, row(675)), (0, 255, 255))  # where both overlap, cyan stays on top
    assert near(pixel(525, row(725)), red)
    assert near(pixel(225, row(325)), (255, 0, 255))
    assert near(pixel(125, row(325)), white)
