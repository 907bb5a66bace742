#!/usr/bin/python3
"""W1 "report" with reportlab: N pages of greedily wrapped Helvetica text, 20 lines, 5 stroked
and 1 filled rectangle and one shared JPEG. Usage: reportlab_w1.py INPUTS_DIR N OUT.pdf"""
import sys

from reportlab import rl_config

# Streams are written as they are: no ASCII85 around the JPEG, which stays DCTDecode only.
rl_config.useA85 = 0

from reportlab.pdfbase.pdfmetrics import stringWidth  # noqa: E402
from reportlab.pdfgen import canvas  # noqa: E402


def wrap(text, font, size, limit):
    """Greedy wrap: a word joins the line when line + space + word fits in limit."""
    lines = []
    space = stringWidth(" ", font, size)
    for paragraph in text.split("\n"):
        line, width = [], 0.0
        for word in paragraph.split(" "):
            w = stringWidth(word, font, size)
            if line and width + space + w > limit:
                lines.append(" ".join(line))
                line, width = [], 0.0
            if line:
                width += space
            line.append(word)
            width += w
        if line:
            lines.append(" ".join(line))
    return lines


def main():
    inputs, pages, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    with open(inputs + "/text.txt", encoding="ascii") as f:
        text = f.read()
    image = inputs + "/image.jpg"
    c = canvas.Canvas(out, pagesize=(612, 792), pageCompression=0)
    for _ in range(pages):
        c.setFont("Helvetica", 10)
        for k, line in enumerate(wrap(text, "Helvetica", 10, 540)):
            c.drawString(36, 746 - 10 * k, line)
        c.setLineWidth(1)
        for i in range(20):
            y = 60 + 30 * i
            c.line(36, y, 576, y)
        for i in range(5):
            c.rect(36 + 110 * i, 200, 100, 50, stroke=1, fill=0)
        c.setFillGray(0.5)
        c.rect(36, 40, 100, 50, stroke=0, fill=1)
        # The same file drawn again is the same image XObject: reportlab keeps one per image.
        c.drawImage(image, 376, 40, 200, 150)
        c.showPage()
    c.save()


if __name__ == "__main__":
    main()
