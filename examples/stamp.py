"""Reads a PDF made by another program, adds a bookmark per page and a stamp of text on each page,
and saves the result.

    PYTHONPATH=build/python QUORIX_ROOT=... python3 examples/stamp.py [input.pdf] [output.pdf]

Without an input, a three-page PDF is first made with Ghostscript (from a few lines of
PostScript), so the example runs on a file that Quorix did not write.
"""
import os
import subprocess
import sys
import tempfile

import quorix

POSTSCRIPT = b"""%!PS
/Helvetica findfont 28 scalefont setfont
1 1 3 { /n exch def 72 700 moveto (Page ) show n 3 string cvs show
        72 660 moveto /Helvetica findfont 12 scalefont setfont (Written by Ghostscript.) show
        /Helvetica findfont 28 scalefont setfont showpage } for
"""


def make_input(folder):
    source = os.path.join(folder, "pages.ps")
    target = os.path.join(folder, "pages.pdf")
    with open(source, "wb") as out:
        out.write(POSTSCRIPT)
    subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite",
                    "-dCompatibilityLevel=1.4", "-o", target, source], check=True)
    return target


def page_ids(doc):
    tree = int(doc.GetInfo(doc.Root, "pages"))
    return [int(doc.GetInfo(tree, "page %d" % n)) for n in range(1, int(doc.GetInfo(tree, "page count")) + 1)]


def main():
    with tempfile.TemporaryDirectory() as folder:
        source = sys.argv[1] if len(sys.argv) > 1 and sys.argv[1] else make_input(folder)
        output = sys.argv[2] if len(sys.argv) > 2 else os.path.join("build", "stamped.pdf")
        doc = quorix.CreateObject("Quorix2.Doc")
        doc.Read(source)
        font = doc.AddFont("Helvetica-Bold")
        for number, page in enumerate(page_ids(doc), start=1):
            doc.Page = page  # the media box and drawing rectangle follow the page
            doc.AddBookmark("Pages\\Page %d" % number, True)
            box = doc.MediaBox
            doc.Rect.String = "%d %d %d %d" % (box.Left + 36, box.Bottom + 20, box.Right - 36, box.Bottom + 44)
            doc.Font = font
            doc.TextStyle.Size = 10
            doc.Color.String = "200 30 30"
            doc.HPos = 1
            doc.AddText("Stamped by Quorix - page %d of %d" % (number, len(page_ids(doc))))
        os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
        doc.Save(output)
    print("Wrote %s" % os.path.abspath(output))


if __name__ == "__main__":
    main()
