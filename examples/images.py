"""Frames and selections of the Image class: makes a three-page TIFF and an animated GIF, then
places every frame of each, and the four quarters of a picture cut out through its selection,
on one page; saves the PDF and prints where it is.

Run after registering the library:
    build/bin/qxregsvr32 build/lib/libquorix2.so
    PYTHONPATH=build/python QUORIX_ROOT=... python3 examples/images.py [output.pdf]
"""
import io
import os
import sys

from PIL import Image as Pillow, ImageDraw

import quorix


def numbered_frames(count, size, colours):
    frames = []
    for n in range(count):
        frame = Pillow.new("RGB", size, colours[n % len(colours)])
        ImageDraw.Draw(frame).text((size[0] // 2 - 3, size[1] // 2 - 5), str(n + 1), fill=(255, 255, 255))
        frames.append(frame)
    return frames


def encoded(frames, kind, **options):
    out = io.BytesIO()
    frames[0].save(out, kind, save_all=True, append_images=frames[1:], **options)
    return out.getvalue()


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "images.pdf")
    doc = quorix.CreateObject("Quorix2.Doc")
    doc.Page = doc.AddPage()

    tiff = quorix.CreateObject("Quorix2.Image")
    tiff.SetData(encoded(numbered_frames(3, (60, 40), [(160, 30, 30), (30, 120, 40), (30, 60, 160)]), "TIFF"))
    gif = quorix.CreateObject("Quorix2.Image")
    gif.SetData(encoded(numbered_frames(4, (40, 40), [(200, 120, 0), (120, 0, 160)]), "GIF", duration=200, loop=0))

    # Every frame of each picture in a row: frames are numbered from 1.
    for row, picture in enumerate((tiff, gif)):
        for frame in range(1, picture.FrameCount + 1):
            picture.Frame = frame
            left, bottom = 72 + (frame - 1) * 110, 650 - row * 120
            doc.Rect.String = "%d %d %d %d" % (left, bottom, left + 100, bottom + 100)
            doc.AddImage(picture)
        print("%s: %d frames of %d x %d pixels" % (picture.Type, picture.FrameCount, picture.Width, picture.Height))

    # The four quarters of one picture, cut out through the selection and drawn apart.
    quarters = quorix.CreateObject("Quorix2.Image")
    whole = Pillow.new("RGB", (100, 100), (240, 240, 240))
    ImageDraw.Draw(whole).ellipse([10, 10, 90, 90], fill=(30, 90, 200))
    out = io.BytesIO()
    whole.save(out, "PNG")
    quarters.SetData(out.getvalue())
    for column, row in ((0, 0), (1, 0), (0, 1), (1, 1)):
        # Pixel coordinates run from the top left corner, downwards.
        quarters.Selection.String = "%d %d %d %d" % (column * 50, row * 50, column * 50 + 50, row * 50 + 50)
        left, bottom = 72 + column * 130, 250 - row * 130
        doc.Rect.String = "%d %d %d %d" % (left, bottom, left + 120, bottom + 120)
        doc.AddImage(quarters)

    folder = os.path.dirname(os.path.abspath(output))
    os.makedirs(folder, exist_ok=True)
    doc.Save(output)
    print("Wrote %s" % os.path.abspath(output))


if __name__ == "__main__":
    main()
