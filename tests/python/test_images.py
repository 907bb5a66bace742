"""Images through the binding: the Image class (loading, frames, selections, failures), Doc.AddImage
with each kind of source, the image objects and placements in the saved file as qpdf, pdfimages
and a rendered page see them."""
import io
import re
import subprocess
import zlib

import pytest
from PIL import Image as Pillow

import quorix
from conftest import register

E_FAIL = 0x80004005
E_INVALIDARG = 0x80070057


@pytest.fixture
def doc(root):
    assert register("lib/libquorix2.so") == 0
    return quorix.CreateObject("Quorix2.Doc")


@pytest.fixture
def image(doc):
    return quorix.CreateObject("Quorix2.Image")


def picture_bytes(picture, kind, **options):
    out = io.BytesIO()
    picture.save(out, kind, **options)
    return out.getvalue()


def write_picture(tmp_path, name, picture, kind=None, **options):
    path = str(tmp_path / name)
    picture.save(path, kind, **options)
    return path


def quadrants(width=100, height=50):
    """Four coloured quarters: red top left, green top right, blue bottom left, yellow bottom right."""
    picture = Pillow.new("RGB", (width, height), (255, 255, 0))
    picture.paste((255, 0, 0), (0, 0, width // 2, height // 2))
    picture.paste((0, 255, 0), (width // 2, 0, width, height // 2))
    picture.paste((0, 0, 255), (0, height // 2, width // 2, height))
    return picture


def saved(doc, tmp_path, name="out.pdf"):
    path = str(tmp_path / name)
    doc.Save(path)
    result = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
    assert result.returncode == 0 and "WARNING" not in result.stdout + result.stderr, result.stdout + result.stderr
    return path


def image_list(path):
    """pdfimages -list rows as dictionaries of width, height, color, comp, bpc, enc, object."""
    lines = subprocess.run(["pdfimages", "-list", path], capture_output=True, text=True, check=True).stdout
    rows = []
    for line in lines.splitlines()[2:]:
        fields = line.split()
        rows.append({"width": int(fields[3]), "height": int(fields[4]), "color": fields[5], "comp": int(fields[6]),
                     "bpc": int(fields[7]), "enc": fields[8], "object": int(fields[10])})
    return rows


def stream_data(path, object_id):
    """The raw (still encoded) data of a stream object, as qpdf reads it."""
    return subprocess.run(["qpdf", "--show-object=%d" % object_id, "--raw-stream-data", path],
                          capture_output=True, check=True).stdout


def render(path, tmp_path):
    out = str(tmp_path / "page")
    subprocess.run(["pdftoppm", "-r", "72", "-f", "1", "-l", "1", "-singlefile", path, out], check=True)
    data = open(out + ".ppm", "rb").read()
    fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    width = int(fields.group(1))
    pixels = data[fields.end():]
    return lambda x, y: tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3])


def near(actual, expected, tolerance=12):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


# ---- the Image class ----

def test_image_is_created_by_both_progids_and_starts_empty(doc):
    for progid in ("Quorix2.Image", "Quorix2.Image.1"):
        image = quorix.CreateObject(progid)
        assert (image.Type, image.FrameCount, image.Frame, image.Width, image.Height) == ("", 0, 1, 0, 0)
        assert (image.HRes, image.VRes) == (0.0, 0.0)
        assert image.Selection.String == "0 0 0 0"


def test_png_loads_with_size_type_resolution_and_whole_selection(image, tmp_path):
    path = write_picture(tmp_path, "q.png", quadrants(), dpi=(300, 150))
    image.SetFile(path)
    assert (image.Type, image.FrameCount, image.Width, image.Height) == ("PNG", 1, 100, 50)
    assert abs(image.HRes - 300) < 0.5 and abs(image.VRes - 150) < 0.5
    assert image.Selection.String == "0 0 100 50"
    # Single-frame pictures ignore frame changes.
    image.Frame = 5
    assert image.Frame == 1 and image.Selection.String == "0 0 100 50"
    # Bytes load the same picture.
    other = quorix.CreateObject("Quorix2.Image")
    other.SetData(open(path, "rb").read())
    assert (other.Type, other.Width, other.Height) == ("PNG", 100, 50)


def test_resolution_is_96_when_the_file_gives_none(image, tmp_path):
    image.SetFile(write_picture(tmp_path, "plain.gif", quadrants().convert("P")))
    assert image.Type == "GIF" and (image.HRes, image.VRes) == (96.0, 96.0)


def test_tiff_pages_are_frames_with_their_own_sizes(image, tmp_path):
    pages = [Pillow.new("RGB", (40, 30), "red"), Pillow.new("RGB", (64, 20), "green"),
             Pillow.new("RGB", (10, 90), "blue")]
    path = str(tmp_path / "pages.tif")
    pages[0].save(path, save_all=True, append_images=pages[1:], dpi=(200, 200))
    image.SetFile(path)
    assert (image.Type, image.FrameCount, image.Width, image.Height) == ("TIFF", 3, 40, 30)
    image.Frame = 2
    assert (image.Frame, image.Width, image.Height) == (2, 64, 20)
    assert image.Selection.String == "0 0 64 20"
    image.Frame = 3
    assert (image.Frame, image.Width, image.Height) == (3, 10, 90)
    # A frame beyond the last is refused and the current one stays.
    image.Frame = 9
    assert (image.Frame, image.Width, image.Height) == (3, 10, 90)


def test_animated_gif_frames(image, tmp_path):
    frames = [Pillow.new("P", (30, 20), i) for i in range(4)]
    for frame in frames:
        frame.putpalette([255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0] + [0] * 756)
    path = str(tmp_path / "anim.gif")
    frames[0].save(path, save_all=True, append_images=frames[1:], duration=100, loop=0)
    image.SetFile(path)
    assert (image.Type, image.FrameCount) == ("GIF", 4)
    image.Frame = 4
    assert image.Frame == 4 and (image.Width, image.Height) == (30, 20)


def test_failed_loads_leave_the_image_empty_and_say_why(image, tmp_path):
    image.SetFile(write_picture(tmp_path, "ok.png", quadrants()))
    with pytest.raises(quorix.ComError) as error:
        image.SetFile(str(tmp_path / "missing.png"))
    assert error.value.hresult == E_FAIL
    assert error.value.description.startswith("Unable to draw file. File Not Found")
    assert (image.Type, image.FrameCount, image.Width) == ("", 0, 0)

    text = tmp_path / "notes.txt"
    text.write_text("not a picture at all")
    with pytest.raises(quorix.ComError) as error:
        image.SetFile(str(text))
    assert error.value.description.startswith("Unable to draw file. Unknown Image Format")

    with pytest.raises(quorix.ComError) as error:
        image.SetData(b"")
    assert error.value.description.startswith("No data provided. Unable to create stream.")

    with pytest.raises(quorix.ComError) as error:
        image.SetData(5)
    assert error.value.hresult == E_INVALIDARG
    assert error.value.description == "Unable to access data."

    # A PNG cut short in its pixel data loads its header but gives no pixels.
    whole = picture_bytes(quadrants(300, 300), "PNG")
    image.SetData(whole[:len(whole) // 2])
    assert image.Type == "PNG"


def test_selection_is_the_live_loader_rectangle(doc, image, tmp_path):
    image.SetFile(write_picture(tmp_path, "q.png", quadrants()))
    selection = image.Selection
    selection.String = "120 -10 30 40"
    assert image.Selection.String == "30 -10 120 40"
    doc.Rect.String = "0 0 0 0"
    placement = doc.AddImage(image)
    # Clipped to the frame: 70 × 40 pixels from (30, 0).
    picture = int(doc.GetInfo(placement, "xobject"))
    assert (doc.GetInfo(picture, "width"), doc.GetInfo(picture, "height")) == ("70", "40")
    assert doc.GetInfo(picture, "components") == "3"
    assert selection.String == "30 0 100 40"


# ---- Doc.AddImage ----

def test_image_objects_hold_the_selected_pixels_red_first(doc, image, tmp_path):
    image.SetFile(write_picture(tmp_path, "q.png", quadrants()))
    image.Selection.String = "0 0 2 1"
    placement = doc.AddImage(image)
    picture = int(doc.GetInfo(placement, "xobject"))
    path = saved(doc, tmp_path)
    assert zlib.decompress(stream_data(path, picture)) == bytes([255, 0, 0, 255, 0, 0])
    [row] = image_list(path)
    assert (row["width"], row["height"], row["color"], row["bpc"], row["enc"]) == (2, 1, "rgb", 8, "image")


def test_pixels_of_every_lossless_kind_match_what_pillow_decodes(doc, tmp_path):
    base = quadrants(24, 16)
    alpha = base.convert("RGBA")
    alpha.putalpha(Pillow.linear_gradient("L").resize((24, 16)))
    cases = {
        "rgb.png": (base, {}), "palette.png": (base.convert("P"), {}), "grey.png": (base.convert("L"), {}),
        "alpha.png": (alpha, {}), "interlaced.png": (base, {"interlace": 1}),
        "rgb.bmp": (base, {}), "palette.bmp": (base.convert("P"), {}), "rgb.tif": (base, {}),
    }
    for name, (picture, options) in cases.items():
        image = quorix.CreateObject("Quorix2.Image")
        path = write_picture(tmp_path, name, picture, **options)
        image.SetFile(path)
        doc.Rect.String = "0 0 0 0"
        picture_id = int(doc.GetInfo(doc.AddImage(image), "xobject"))
        decoded = Pillow.open(path).convert("RGBA")
        white = Pillow.new("RGBA", decoded.size, (255, 255, 255, 255))
        expected = Pillow.alpha_composite(white, decoded).convert("RGB").tobytes()
        pdf = saved(doc, tmp_path, "kinds.pdf")
        actual = zlib.decompress(stream_data(pdf, picture_id))
        assert len(actual) == len(expected), name
        assert max(abs(a - b) for a, b in zip(actual, expected)) <= 1, name


def test_jpeg_bytes_and_files_are_embedded_unchanged(doc, tmp_path):
    colour = picture_bytes(quadrants(200, 100), "JPEG", quality=90)
    grey = picture_bytes(quadrants(20, 10).convert("L"), "JPEG")
    cmyk = picture_bytes(quadrants(20, 10).convert("CMYK"), "JPEG")
    path = tmp_path / "photo.jpg"
    path.write_bytes(grey)
    doc.Rect.String = "50 60 50 60"
    first = doc.AddImage(colour)
    assert doc.GetInfo(first, "xobject") != ""
    second = doc.AddImage(str(path))
    third = doc.AddImage(cmyk)
    pdf = saved(doc, tmp_path)
    rows = {row["object"]: row for row in image_list(pdf)}
    ids = [int(doc.GetInfo(p, "xobject")) for p in (first, second, third)]
    assert [(rows[i]["color"], rows[i]["enc"]) for i in ids] == [("rgb", "jpeg"), ("gray", "jpeg"), ("cmyk", "jpeg")]
    assert [stream_data(pdf, i) for i in ids] == [colour, grey, cmyk]
    # The first one is drawn at its natural size from the rectangle's corner.
    content = subprocess.run(["qpdf", "--qdf", "--object-streams=disable", pdf, "-"], capture_output=True).stdout
    assert b"200 0 0 100 50 60 cm" in content and b"/Iqvx%d Do" % ids[0] in content


def test_placement_ids_share_the_image_data(doc, tmp_path):
    jpeg = picture_bytes(quadrants(), "JPEG")
    first = doc.AddImage(jpeg)
    doc.Rect.String = "300 300 400 400"
    again = doc.AddImage(first)
    assert again != first
    assert doc.GetInfo(again, "xobject") == doc.GetInfo(first, "xobject")
    assert len(image_list(saved(doc, tmp_path))) == 2  # two uses of one object
    assert len({row["object"] for row in image_list(saved(doc, tmp_path))}) == 1


@pytest.mark.parametrize("source, text", [
    (None, "Image is empty."),
    ("png-path", "Image is not in a compatible format."),
    ("truncated", "Image is not in a compatible format."),
    ("png-bytes", "Image is not in a compatible format."),
    (999, "Image is not in a compatible format."),
    ("missing", "Unable to read file."),
])
def test_sources_that_give_no_image_fail(doc, tmp_path, source, text):
    png = write_picture(tmp_path, "q.png", quadrants())
    jpeg = picture_bytes(quadrants(), "JPEG")
    value = {"png-path": png, "truncated": jpeg[:len(jpeg) // 2], "png-bytes": open(png, "rb").read(),
             "missing": str(tmp_path / "none.jpg")}.get(source, source)
    doc.AddPage()
    with pytest.raises(quorix.ComError) as error:
        doc.AddImage(value) if value is not None else doc.AddImage(quorix.CreateObject("Quorix2.Image"))
    assert error.value.hresult == E_FAIL
    assert error.value.description.startswith(text)
    if source != "missing":
        # No unrelated system error is appended.
        assert "\n" not in error.value.description.strip()


def test_an_empty_selection_adds_nothing(doc, image, tmp_path):
    image.SetFile(write_picture(tmp_path, "q.png", quadrants()))
    image.Selection.String = "10 10 10 40"
    with pytest.raises(quorix.ComError) as error:
        doc.AddImage(image)
    assert error.value.description.startswith("Image is empty.")


def test_rendered_page_shows_pictures_in_their_rectangles(doc, tmp_path):
    doc.AddPage()
    image = quorix.CreateObject("Quorix2.Image")
    image.SetFile(write_picture(tmp_path, "q.png", quadrants()))
    doc.Rect.String = "100 500 300 600"   # 200 × 100 points, twice the picture's size
    doc.AddImage(image)
    # Pure cyan stored as CMYK: Adobe writers invert the values; the decode array turns them back.
    cmyk = Pillow.new("RGB", (40, 40), (0, 255, 255)).convert("CMYK")
    data = picture_bytes(cmyk, "JPEG", quality=95)
    assert b"Adobe" in data
    doc.Rect.String = "400 100 480 180"
    doc.AddImage(data)
    page = render(saved(doc, tmp_path), tmp_path)
    # PDF y runs upwards, rows of the rendered page downwards: top of the page is row 0.
    assert near(page(120, 792 - 590), (255, 0, 0))
    assert near(page(280, 792 - 590), (0, 255, 0))
    assert near(page(120, 792 - 510), (0, 0, 255))
    assert near(page(280, 792 - 510), (255, 255, 0))
    # Cyan ink as the viewer shows it; without the decode array it would come out black.
    red, green, blue = page(440, 792 - 140)
    assert red < 40 and green > 140 and blue > 200
    assert near(page(90, 792 - 550), (255, 255, 255), 0)
