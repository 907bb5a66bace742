#!/usr/bin/python3
"""Checks that a benchmark output does the work its workload defines.

Usage: check.py WORKLOAD OUT.pdf INPUTS_DIR [N]

WORKLOAD is W1, W2 or W3 (a suffix such as W1-500 is ignored); N is the page count for W1.
Prints one line "QPDF WORK DETAIL": QPDF is the `qpdf --check` verdict (ok, warnings, errors),
WORK is ok or FAIL, DETAIL says what was seen or what is wrong. Exit status 0 when the work
check passes and qpdf finds no errors, 1 otherwise.

What is checked:
  - qpdf --check exit status (0 ok, 3 warnings, 2 errors);
  - the page count (N for W1, 5000 for W2, 1 for W3);
  - W1/W2: the text of the first and the last page (pdftotext), non-empty lines with trailing
    whitespace removed, equals lines.txt;
  - W1/W2: every page draws exactly one image, the same object everywhere, 640 x 480 at 230 ppi
    (200 x 150 pt); the file holds exactly one image XObject; its dictionary has /Filter
    /DCTDecode only and its raw stream data is image.jpg byte for byte;
  - W3: the page draws exactly one image, 3000 x 2000 RGB 8-bit at 400 ppi (540 x 360 pt); the
    file holds exactly one image XObject; /Filter /FlateDecode only, no /DecodeParms, /SMask or
    /Mask; the inflated stream equals the decoded pixels of picture.png. A zlib header other
    than 78 9C (default level) is reported in DETAIL, not failed.
"""
import re
import subprocess
import sys
import zlib

IMAGE_RE = re.compile(rb"/Subtype\s*/Image(?![A-Za-z0-9])")
OBJSTM_RE = re.compile(rb"/Type\s*/ObjStm(?![A-Za-z0-9])")


class Fail(Exception):
    pass


def run(args, binary=False):
    p = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if p.returncode != 0:
        raise Fail("%s exited %d: %s" % (args[0], p.returncode,
                                         p.stderr.decode("utf-8", "replace").strip()[:200]))
    return p.stdout if binary else p.stdout.decode("utf-8", "replace")


def count_image_xobjects(path):
    """Counts image dictionaries in the file, including those inside object streams."""
    with open(path, "rb") as f:
        data = f.read()
    count = len(IMAGE_RE.findall(data))
    for m in OBJSTM_RE.finditer(data):
        start = data.find(b"stream", m.end())
        if start < 0:
            continue
        start += len(b"stream")
        if data[start:start + 2] == b"\r\n":
            start += 2
        elif data[start:start + 1] in (b"\n", b"\r"):
            start += 1
        try:
            inflated = zlib.decompressobj().decompress(data[start:])
        except zlib.error:
            continue
        count += len(IMAGE_RE.findall(inflated))
    return count


def page_text_lines(pdf, page):
    text = run(["pdftotext", "-q", "-f", str(page), "-l", str(page), pdf, "-"])
    return [ln.rstrip() for ln in text.replace("\f", "\n").split("\n") if ln.strip()]


def listed_images(pdf, first=None, last=None):
    """Rows of `pdfimages -list`: (page, width, height, color, comp, bpc, enc, object, x-ppi, y-ppi)."""
    args = ["pdfimages", "-list"]
    if first:
        args += ["-f", str(first), "-l", str(last)]
    rows = []
    for ln in run(args + [pdf]).splitlines()[2:]:
        c = ln.split()
        if len(c) < 14:
            continue
        rows.append((int(c[0]), int(c[3]), int(c[4]), c[5], c[6], c[7], c[8], int(c[10]),
                     c[12], c[13]))
    return rows


def object_dict(pdf, obj):
    return run(["qpdf", "--show-object=%d" % obj, pdf])


def raw_stream(pdf, obj):
    return run(["qpdf", "--show-object=%d" % obj, "--raw-stream-data", pdf], binary=True)


def only_filter(dictionary, name):
    m = re.search(r"/Filter\s*(\[[^\]]*\]|/[A-Za-z0-9]+)", dictionary)
    if not m:
        return False
    return re.findall(r"/([A-Za-z0-9]+)", m.group(1)) == [name]


def check_text(pdf, inputs, pages):
    with open(inputs + "/lines.txt", encoding="ascii") as f:
        want = [ln.rstrip() for ln in f.read().split("\n") if ln.strip()]
    for page in sorted({1, pages}):
        got = page_text_lines(pdf, page)
        if got != want:
            diff = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
            raise Fail("page %d text differs from lines.txt at line %d (%d lines, want %d)"
                       % (page, diff + 1, len(got), len(want)))


def check_jpeg(pdf, inputs, pages):
    rows = listed_images(pdf)
    per_page = {}
    for r in rows:
        per_page.setdefault(r[0], []).append(r)
    bad = [p for p in range(1, pages + 1) if len(per_page.get(p, [])) != 1]
    if bad:
        raise Fail("%d pages do not draw exactly one image (first: page %d)" % (len(bad), bad[0]))
    objects = {r[7] for r in rows}
    if len(objects) != 1:
        raise Fail("pages draw %d different image objects" % len(objects))
    r = rows[0]
    if (r[1], r[2], r[6], r[8], r[9]) != (640, 480, "jpeg", "230", "230"):
        raise Fail("image is %dx%d %s at %sx%s ppi, want 640x480 jpeg at 230 ppi"
                   % (r[1], r[2], r[6], r[8], r[9]))
    n = count_image_xobjects(pdf)
    if n != 1:
        raise Fail("%d image XObjects in the file" % n)
    obj = r[7]
    if not only_filter(object_dict(pdf, obj), "DCTDecode"):
        raise Fail("image filter is not /DCTDecode alone")
    with open(inputs + "/image.jpg", "rb") as f:
        if raw_stream(pdf, obj) != f.read():
            raise Fail("image stream is not the bytes of image.jpg")
    return "jpeg obj %d" % obj


def check_picture(pdf, inputs):
    rows = listed_images(pdf)
    if len(rows) != 1:
        raise Fail("page draws %d images, want 1" % len(rows))
    r = rows[0]
    if r[1:7] != (3000, 2000, "rgb", "3", "8", "image") or r[8:] != ("400", "400"):
        raise Fail("image is %s, want 3000x2000 rgb 3 8 image at 400 ppi" % (r[1:],))
    n = count_image_xobjects(pdf)
    if n != 1:
        raise Fail("%d image XObjects in the file" % n)
    d = object_dict(pdf, r[7])
    if not only_filter(d, "FlateDecode"):
        raise Fail("image filter is not /FlateDecode alone")
    for key in ("/DecodeParms", "/SMask", "/Mask", "/Decode "):
        if key in d:
            raise Fail("image dictionary has %s" % key.strip())
    if not re.search(r"/ColorSpace\s*/DeviceRGB", d):
        raise Fail("image colour space is not /DeviceRGB")
    raw = raw_stream(pdf, r[7])
    try:
        pixels = zlib.decompress(raw)
    except zlib.error as e:
        raise Fail("image stream does not inflate: %s" % e)
    from PIL import Image
    with Image.open(inputs + "/picture.png") as im:
        want = im.convert("RGB").tobytes()
    if pixels != want:
        raise Fail("image pixels differ from picture.png (%d bytes, want %d)" % (len(pixels), len(want)))
    header = raw[:2].hex().upper()
    return "flate %s" % ("78 9C" if header == "789C" else "header %s, not 78 9C" % header)


def main():
    if len(sys.argv) not in (4, 5):
        sys.stderr.write(__doc__)
        return 2
    workload = sys.argv[1].upper().split("-")[0]
    pdf, inputs = sys.argv[2], sys.argv[3]
    if workload == "W1":
        pages = int(sys.argv[4]) if len(sys.argv) == 5 else 500
    elif workload == "W2":
        pages = 5000
    elif workload == "W3":
        pages = 1
    else:
        sys.stderr.write("unknown workload %s\n" % sys.argv[1])
        return 2

    # qpdf --check takes the longest; it runs while the rest is checked.
    qpdf = subprocess.Popen(["qpdf", "--check", pdf], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    work, detail = "ok", ""
    try:
        got = run(["qpdf", "--show-npages", pdf]).strip()
        if got != str(pages):
            raise Fail("%s pages, want %d" % (got, pages))
        if workload == "W3":
            detail = check_picture(pdf, inputs)
        else:
            check_text(pdf, inputs, pages)
            detail = check_jpeg(pdf, inputs, pages)
        detail = "%d pages, %s" % (pages, detail)
    except Fail as e:
        work, detail = "FAIL", str(e)
    except (OSError, ValueError) as e:
        work, detail = "FAIL", "%s: %s" % (type(e).__name__, e)
    rc = qpdf.wait()
    status = {0: "ok", 3: "warnings", 2: "errors"}.get(rc, "exit%d" % rc)
    print("%s %s %s" % (status, work, detail))
    return 0 if work == "ok" and rc in (0, 3) else 1


if __name__ == "__main__":
    sys.exit(main())
