"""The benchmark workloads' outputs: they do the defined work, and their bytes stay those recorded
before the speed work (the trailer ID aside), whatever is made faster."""
import hashlib
import os
import re
import subprocess
import sys

import pytest

from conftest import build_path, register

SOURCE_DIR = os.path.join(os.path.dirname(__file__), "..", "..")
COMPARE_DIR = os.path.join(SOURCE_DIR, "bench", "compare")

# SHA-256 of each output with the trailer's /ID emptied.
W1_50_PAGES = "31060c23eda9ca05abf021b273af7d754b949ef82bd41e30e9eba1dde6200532"
W1_500_PAGES = "0050a09d927c6339a091fa5de7d6d3f7c99fb162bd6629c9d6f1882cf214bda1"
W3 = "ac901bd68cfb2dfdf9dd0a80f245f933efd11b557d794cfd0fab1262b489c45e"


def digest(path):
    with open(path, "rb") as f:
        data = f.read()
    trailer = data.rfind(b"trailer")
    assert trailer > 0
    return hashlib.sha256(data[:trailer] + re.sub(rb"/ID \[[^\]]*\]", b"/ID []", data[trailer:])).hexdigest()


@pytest.fixture(scope="module")
def inputs(tmp_path_factory):
    folder = str(tmp_path_factory.mktemp("inputs"))
    subprocess.run([sys.executable, os.path.join(COMPARE_DIR, "gen_inputs.py"), folder], check=True,
                   capture_output=True)
    with open(os.path.join(COMPARE_DIR, "inputs.sha256")) as f:
        for line in f:
            expected, name = line.split()
            with open(os.path.join(folder, name), "rb") as g:
                if name.endswith(".txt"):
                    assert hashlib.sha256(g.read()).hexdigest() == expected, name
    return folder


def page_text(path, page):
    out = subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), path, "-"], check=True,
                         capture_output=True, text=True).stdout
    return [line.rstrip() for line in out.splitlines() if line.strip()]


def pages(path):
    out = subprocess.run(["pdfinfo", path], check=True, capture_output=True, text=True).stdout
    return int(re.search(r"^Pages:\s+(\d+)", out, re.M).group(1))


def check_report(path, inputs, count):
    assert subprocess.run(["qpdf", "--check", path], capture_output=True).returncode == 0
    assert pages(path) == count
    with open(os.path.join(inputs, "lines.txt")) as f:
        lines = [line.rstrip() for line in f if line.strip()]
    assert page_text(path, 1) == lines
    assert page_text(path, count) == lines
    with open(path, "rb") as f:
        data = f.read()
    with open(os.path.join(inputs, "image.jpg"), "rb") as f:
        jpeg = f.read()
    # One image object in the whole file, holding the JPEG's bytes.
    assert data.count(b"/Subtype /Image") == 1
    assert data.count(jpeg) == 1


def test_report_through_the_classes_keeps_its_bytes(inputs, tmp_path):
    for count, expected in ((50, W1_50_PAGES), (500, W1_500_PAGES)):
        out = str(tmp_path / ("w1-%d.pdf" % count))
        subprocess.run([build_path("bin/QuorixW1"), inputs, str(count), out], check=True)
        check_report(out, inputs, count)
        assert digest(out) == expected, count


def test_report_from_python_matches_the_classes(inputs, tmp_path, root):
    assert register("lib/libquorix2.so") == 0
    out = str(tmp_path / "w1.pdf")
    subprocess.run([sys.executable, os.path.join(COMPARE_DIR, "quorix_w1.py"), inputs, "50", out], check=True)
    assert digest(out) == W1_50_PAGES


def test_picture_keeps_its_bytes(inputs, tmp_path):
    out = str(tmp_path / "w3.pdf")
    subprocess.run([build_path("bin/QuorixW3"), inputs, out], check=True)
    assert subprocess.run(["qpdf", "--check", out], capture_output=True).returncode == 0
    listing = subprocess.run(["pdfimages", "-list", out], check=True, capture_output=True, text=True).stdout
    rows = listing.splitlines()[2:]
    assert len(rows) == 1 and rows[0].split()[3:8] == ["3000", "2000", "rgb", "3", "8"]
    assert digest(out) == W3


def test_read_and_rewrite_keeps_pages_text_and_the_shared_image(inputs, tmp_path):
    report = str(tmp_path / "w1.pdf")
    subprocess.run([build_path("bin/QuorixW1"), inputs, "40", report], check=True)
    out = str(tmp_path / "w2.pdf")
    subprocess.run([build_path("bin/QuorixW2"), report, out], check=True)
    check_report(out, inputs, 40)
