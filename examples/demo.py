"""Builds a small PDF through the Quorix2 library: a page of text in a standard and a TrueType
font, then pages of lines, framed and filled rectangles in colours, on layers, one group drawn
through a transform, and a page of pictures (a JPEG embedded as it is, a PNG decoded and placed
twice); saves it and prints where it is.

Run after registering the library:
    build/bin/qxregsvr32 build/lib/libquorix2.so
    PYTHONPATH=build/python QUORIX_ROOT=... python3 examples/demo.py [output.pdf]
"""
import io
import os
import sys

from PIL import Image as Pillow, ImageDraw

import quorix


def set_color(doc, red, green, blue):
    doc.Color.Red, doc.Color.Green, doc.Color.Blue = red, green, blue


def draw_grid(doc, left, bottom, right, top, step):
    """Thin grey grid lines every step points."""
    set_color(doc, 200, 200, 200)
    doc.Width = 1
    for x in range(left, right + 1, step):
        doc.AddLine(x, bottom, x, top)
    for y in range(bottom, top + 1, step):
        doc.AddLine(left, y, right, y)


def page_of_text(doc):
    doc.Page = doc.AddPage()
    doc.Rect.String = "72 72 540 720"  # also moves the position to its top left corner
    doc.Font = doc.AddFont("Helvetica-Bold")
    doc.TextStyle.String = "24 0 0 0 0 12 0 0 0 0 0"  # size 24, 12 points after paragraphs
    set_color(doc, 30, 60, 150)
    doc.AddText("Quorix\r\n")
    # The body continues where the heading ended, justified, in an embedded TrueType font.
    serif = doc.EmbedFont("Liberation Serif")
    doc.Font = serif if serif else doc.AddFont("Times-Roman")
    doc.TextStyle.String = "12 18 0 0 3 8 1 0 0 0 0"  # indent 18, line spacing 3, justified
    set_color(doc, 0, 0, 0)
    body = ("Scripts create a document, set a drawing state and add pages, fonts, flowed text, lines "
            "and rectangles; every added thing is a numbered PDF object known by its ID. "
            "Text is laid out into the drawing rectangle line by line, in the Windows Latin-1 code "
            "page: caf\u00e9, Stra\u00dfe, 5 \u20ac.\r\n")
    for _ in range(3):
        doc.AddText(body)
    doc.TextStyle.Underline = True
    doc.HPos = 1
    doc.AddText("Right-aligned and underlined.")
    doc.HPos = 0
    doc.TextStyle.Underline = False


def page_of_shapes(doc):
    doc.Page = doc.AddPage()
    draw_grid(doc, 36, 36, 576, 756, 36)
    # A filled band across the top and a framed box below it.
    set_color(doc, 30, 60, 150)
    doc.Rect.String = "36 700 576 756"
    doc.FillRect()
    set_color(doc, 200, 30, 30)
    doc.Width = 4
    doc.Rect.String = "72 500 540 650"
    doc.FrameRect()
    # A zigzag of lines in green.
    set_color(doc, 20, 140, 60)
    doc.Width = 3
    points = [(72, 400), (150, 460), (228, 400), (306, 460), (384, 400), (462, 460), (540, 400)]
    for (x1, y1), (x2, y2) in zip(points, points[1:]):
        doc.AddLine(x1, y1, x2, y2)


def page_of_layers(doc):
    doc.Page = doc.AddPage()
    # Three squares added in turn; the layer decides which one lies on top.
    doc.Layer = 1
    set_color(doc, 230, 60, 60)
    doc.Rect.String = "100 400 300 600"
    doc.FillRect()
    doc.Layer = 2  # directly below the square just added
    set_color(doc, 60, 160, 60)
    doc.Rect.String = "200 300 400 500"
    doc.FillRect()
    doc.Layer = 100  # at the very bottom
    set_color(doc, 60, 60, 230)
    doc.Rect.String = "300 200 500 400"
    doc.FillRect()
    doc.Layer = 1
    # A black frame on top of everything.
    set_color(doc, 0, 0, 0)
    doc.Width = 2
    doc.Rect.String = "90 190 510 610"
    doc.FrameRect()


def page_with_a_transform(doc):
    # A smaller, landscape page.
    doc.MediaBox.String = "0 0 792 612"
    doc.Page = doc.AddPage()
    doc.Width = 2
    for step in range(12):
        # Each frame is turned a further 15 degrees about the page's centre.
        doc.Transform.Reset()
        doc.Transform.Rotate(step * 15, 396, 306)
        shade = 20 * step
        set_color(doc, shade, 0, 255 - shade)
        doc.Rect.String = "296 256 496 356"
        doc.FrameRect()
    doc.Transform.Reset()
    set_color(doc, 255, 200, 0)
    doc.Rect.String = "376 286 416 326"
    doc.FillRect()
    # The page's content, merged and compressed into one stream.
    doc.Flatten()


def sample_pictures():
    """A photograph-like JPEG (a colour gradient with a sun) and a PNG with transparent corners."""
    photo = Pillow.new("RGB", (320, 200))
    draw = ImageDraw.Draw(photo)
    for y in range(200):
        draw.line([(0, y), (319, y)], fill=(40 + y // 2, 90 + y // 3, 200 - y // 2))
    draw.ellipse([220, 30, 280, 90], fill=(255, 210, 60))
    draw.rectangle([0, 160, 319, 199], fill=(40, 120, 50))
    jpeg = io.BytesIO()
    photo.save(jpeg, "JPEG", quality=88)
    badge = Pillow.new("RGBA", (120, 120), (0, 0, 0, 0))
    draw = ImageDraw.Draw(badge)
    draw.ellipse([4, 4, 115, 115], fill=(200, 30, 30, 255), outline=(90, 0, 0, 255), width=6)
    draw.rectangle([40, 52, 80, 68], fill=(255, 255, 255, 255))
    png = io.BytesIO()
    badge.save(png, "PNG")
    return jpeg.getvalue(), png.getvalue()


def page_of_pictures(doc):
    doc.MediaBox.String = "0 0 612 792"
    doc.Page = doc.AddPage()
    jpeg, png = sample_pictures()
    # JPEG bytes go into the file unchanged, drawn into the drawing rectangle.
    doc.Rect.String = "72 400 540 692"
    doc.AddImage(jpeg)
    # A PNG is decoded by an Image object; transparent parts come out white.
    badge = quorix.CreateObject("Quorix2.Image")
    badge.SetData(png)
    doc.Rect.String = "72 200 72 200"  # an empty rectangle: one point per pixel from its corner
    placement = doc.AddImage(badge)
    # The same image object placed again, larger, without a second copy of its data.
    doc.Rect.String = "300 120 460 280"
    doc.AddImage(placement)
    doc.Font = doc.AddFont("Helvetica")
    doc.TextStyle.String = "11 0 0 0 0 0 0 0 0 0 0"
    doc.Rect.String = "72 72 540 110"
    set_color(doc, 0, 0, 0)
    doc.AddText("A JPEG embedded as it came, and a PNG decoded once and placed twice.")


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "demo.pdf")
    doc = quorix.CreateObject("Quorix2.Doc")
    page_of_text(doc)
    page_of_shapes(doc)
    page_of_layers(doc)
    page_with_a_transform(doc)
    page_of_pictures(doc)
    folder = os.path.dirname(os.path.abspath(output))
    os.makedirs(folder, exist_ok=True)
    doc.Save(output)
    print("Wrote %s" % os.path.abspath(output))


if __name__ == "__main__":
    main()
