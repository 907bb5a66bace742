#!/usr/bin/python3
"""W2 "read and rewrite" through the Python binding. Usage: quorix_w2.py IN.pdf OUT.pdf"""
import sys

import quorix

doc = quorix.CreateObject("Quorix2.Doc")
doc.Read(sys.argv[1])
doc.Save(sys.argv[2])
