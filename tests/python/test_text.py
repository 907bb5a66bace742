"""Fonts and text through the Doc: standard and TrueType fonts added and embedded, text flowed
into the drawing rectangle, and what poppler's tools read back from the saved files."""
import subprocess

import pytest

import quorix
from conftest import register

RED_LIMIT = 200  # a channel below this counts as ink on white paper


@pytest.fixture
def doc(root):
    assert register("lib/libquorix2.so") == 0
    return quorix.CreateObject("Quorix2.Doc")


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


def qpdf_ok(path):
    result = subprocess.run(["qpdf", "--check", str(path)], capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "WARNING" not in result.stdout + result.stderr


def fonts_of(path):
    """pdffonts' table as {name: (type, embedded)}; subset prefixes are dropped."""
    lines = run("pdffonts", str(path)).splitlines()[2:]
    table = {}
    for line in lines:
        name = line[:37].strip().split("+")[-1]
        rest = line[37:].split()
        kind = " ".join(rest[:2]) if rest[0] == "Type" else rest[0]
        table[name] = (kind, rest[-5])  # the columns end in emb sub uni and the object ID
    return table


def render(path, page):
    """The page at 72 dpi as (width, height, rows of RGB bytes), through pdftoppm's PPM output."""
    data = subprocess.run(["pdftoppm", "-r", "72", "-f", str(page), "-l", str(page), str(path)],
                          capture_output=True, check=True).stdout
    parts = data.split(maxsplit=4)
    assert parts[0] == b"P6"
    width, height = int(parts[1]), int(parts[2])
    pixels = parts[4]
    return width, height, pixels


def test_standard_and_truetype_fonts_added_and_embedded(doc, tmp_path):
    doc.Rect.String = "72 72 540 720"
    doc.AddPage()
    helvetica = doc.AddFont("Helvetica")
    dejavu = doc.AddFont("DejaVu Sans")
    liberation = doc.EmbedFont("Liberation Serif")
    collection = doc.EmbedFont("WenQuanYi Micro Hei Mono")
    assert min(helvetica, dejavu, liberation, collection) > 0
    assert doc.AddFont("No Such Font") == 0
    assert doc.AddFont("URW Bookman Light") == 0  # an OpenType font with CFF outlines
    for font in (helvetica, dejavu, liberation, collection):
        doc.Font = font
        doc.AddText("Grüße, café, 5 € - font %d\r\n" % font)
    path = tmp_path / "fonts.pdf"
    doc.Save(str(path))
    qpdf_ok(path)
    table = fonts_of(path)
    assert table["Helvetica"] == ("Type 1", "no")
    assert table["DejaVuSans"] == ("TrueType", "no")
    assert table["LiberationSerif"] == ("TrueType", "yes")
    assert any(name.startswith("WenQuanYi") and value == ("TrueType", "yes") for name, value in table.items()), table
    text = run("pdftotext", "-layout", str(path), "-")
    for font in (helvetica, dejavu, liberation, collection):
        assert "Grüße, café, 5 € - font %d" % font in text


def test_text_moves_the_position_and_reports_where_it_ended(doc):
    doc.Rect.String = "100 100 400 700"
    doc.AddPage()
    doc.Font = doc.AddFont("Helvetica")
    doc.TextStyle.Size = 20
    assert doc.Pos.String == "100 700"
    first = doc.AddText("Hello")
    assert first > 0
    end = doc.GetInfo(first, "endpos")
    assert doc.Pos.String == end
    assert doc.GetInfo(first, "characters") == "5"
    assert doc.GetInfo(first, "lines") == "1"
    assert doc.GetInfo(first, "type") == "text"
    # Nothing placed: 0, and the position stays (also for an empty text away from the left edge).
    before = doc.Pos.String
    assert doc.AddText("") == 0
    doc.TextStyle.Size = 0.5
    assert doc.AddText("too small to write") == 0
    assert doc.Pos.String == before


def test_fonts_survive_the_clean_up_after_a_deletion(doc, tmp_path):
    doc.AddPage()
    doc.Font = doc.EmbedFont("DejaVu Sans")
    doc.AddText("kept")
    doc.Delete(doc.AddLine(0, 0, 100, 100))
    path = tmp_path / "cleaned.pdf"
    doc.Save(str(path))
    qpdf_ok(path)
    assert fonts_of(path)["DejaVuSans"] == ("TrueType", "yes")
    assert "kept" in run("pdftotext", str(path), "-")


def test_default_font_is_times_roman(doc, tmp_path):
    doc.AddPage()
    assert doc.Font == 0
    assert doc.AddText("no font chosen") > 0
    assert doc.Font > 0
    path = tmp_path / "default.pdf"
    doc.Save(str(path))
    assert "Times-Roman" in fonts_of(path)


def test_text_flowed_over_pages_stays_inside_its_rectangle(doc, tmp_path):
    words = ("Quorix flows text into the drawing rectangle line by line, page after page. " * 60).strip()
    doc.TextStyle.String = "12 0 0 0 2 0 1 0 0 0 0"  # size 12, line spacing 2, justified
    remaining = words
    pages = 0
    while remaining and pages < 20:
        doc.Page = doc.AddPage()
        if pages == 0:
            doc.Font = doc.AddFont("Times-Roman")  # a resource of the page that is current now
        doc.Rect.String = "100 150 400 500"  # also moves Pos to the top left corner
        text = doc.AddText(remaining)
        assert text > 0
        placed = int(doc.GetInfo(text, "characters"))
        assert placed > 0
        remaining = remaining[placed:]
        pages += 1
    assert not remaining and pages >= 2
    path = tmp_path / "flow.pdf"
    doc.Save(str(path))
    qpdf_ok(path)
    for page in range(1, pages + 1):
        width, height, pixels = render(path, page)
        inside = 0
        for y in range(height):
            for x in range(width):
                offset = (y * width + x) * 3
                if min(pixels[offset:offset + 3]) >= RED_LIMIT:
                    continue
                px, py = x + 0.5, height - y - 0.5  # PDF points from the bottom left
                assert 98 <= px <= 402 and 145 <= py <= 502, "ink at %s on page %d" % ((px, py), page)
                inside += 1
        assert inside > 500
    text = run("pdftotext", str(path), "-")
    assert "page after page" in text
