#!/usr/bin/python3
"""W3 "picture" with reportlab: one page holding picture.png, decoded (through Pillow) and
stored as a Flate-compressed RGB image. Usage: reportlab_w3.py INPUTS_DIR OUT.pdf"""
import sys

from reportlab import rl_config

# The image stream is Flate only, without an ASCII85 layer.
rl_config.useA85 = 0

from reportlab.pdfgen import canvas  # noqa: E402


def main():
    inputs, out = sys.argv[1], sys.argv[2]
    c = canvas.Canvas(out, pagesize=(612, 792), pageCompression=0)
    c.drawImage(inputs + "/picture.png", 36, 396, 540, 360)
    c.showPage()
    c.save()


if __name__ == "__main__":
    main()
