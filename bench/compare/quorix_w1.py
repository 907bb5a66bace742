#!/usr/bin/python3
"""W1 "report" through the Python binding: N pages of wrapped text, 20 lines, 6 rectangles and a
shared JPEG. Usage: quorix_w1.py INPUTS N OUT.pdf"""
import sys

import quorix


def main():
    inputs, pages, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    with open(inputs + "/text.txt", encoding="ascii") as f:
        text = f.read()
    doc = quorix.CreateObject("Quorix2.Doc")
    doc.MediaBox.String = "0 0 612 792"
    font = doc.AddFont("Helvetica")
    doc.TextStyle.Size = 10
    placement = 0
    for _ in range(pages):
        if placement:
            doc.Page = doc.AddPage()
        doc.Font = font
        doc.Color.String = "0 0 0"
        doc.Width = 1
        # The first baseline lies 0.8 x size below the position: 746 from a position at 754.
        doc.Rect.String = "36 36 576 756"
        doc.Pos.String = "36 754"
        doc.AddText(text)
        for i in range(20):
            y = 60 + 30 * i
            doc.AddLine(36, y, 576, y)
        for i in range(5):
            x = 36 + 110 * i
            doc.Rect.String = "%d 200 %d 250" % (x, x + 100)
            doc.FrameRect()
        doc.Rect.String = "36 40 136 90"
        doc.Color.String = "128 128 128"
        doc.FillRect()
        doc.Rect.String = "376 40 576 190"
        placement = doc.AddImage(placement if placement else inputs + "/image.jpg")
    doc.Save(out)


if __name__ == "__main__":
    main()
