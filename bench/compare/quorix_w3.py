#!/usr/bin/python3
"""W3 "picture" through the Python binding: a decoded PNG on one page.
Usage: quorix_w3.py INPUTS OUT.pdf"""
import sys

import quorix

image = quorix.CreateObject("Quorix2.Image")
image.SetFile(sys.argv[1] + "/picture.png")
doc = quorix.CreateObject("Quorix2.Doc")
doc.MediaBox.String = "0 0 612 792"
doc.Rect.String = "36 396 576 756"
doc.AddImage(image)
doc.Save(sys.argv[2])
