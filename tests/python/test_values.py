"""The value classes XRect, XPoint, XColor, XTransform and XTextStyle as a script sees them:
creation by ProgID, text forms, parse rules and edge cases."""
import locale

import pytest

import quorix
from conftest import register

MODULE = "lib/libquorix2.so"
CLASSES = ("XRect", "XPoint", "XColor", "XTransform", "XTextStyle")
IDENTITY = "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000"
DEFAULT_STYLE = "10.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0 0 0"


@pytest.fixture
def create(root):
    assert register(MODULE) == 0
    return lambda name: quorix.CreateObject("Quorix2." + name)


@pytest.mark.parametrize("name,text", [
    ("XRect", "0 0 0 0"),
    ("XPoint", "0 0"),
    ("XColor", "0 0 0"),
    ("XTransform", IDENTITY),
    ("XTextStyle", DEFAULT_STYLE),
])
def test_created_by_either_progid_with_their_initial_values(root, name, text):
    assert register(MODULE) == 0
    for progid in ("Quorix2." + name, "Quorix2." + name + ".1"):
        obj = quorix.CreateObject(progid)
        assert obj.String == text
        assert str(obj) == text  # String is the default member


def test_rect_text_and_normalised_readings(create):
    rect = create("XRect")
    rect.String = "100,200,300,400"
    assert rect.String == "100 200 300 400"
    assert (rect.Width, rect.Height) == (200, 200)
    rect.String = "300 400 100 200"
    assert rect.String == "100 200 300 400"
    rect.String = "100 200 0 0"  # a valid rectangle, corners as given
    assert (rect.Left, rect.Bottom, rect.Right, rect.Top) == (0, 0, 100, 200)


def test_rect_edges_and_methods(create):
    rect = create("XRect")
    rect.String = "100 200 300 400"
    rect.Left = 500
    assert rect.String == "500 200 500 400"
    rect.String = "0 100 10 200"
    rect.Top = 50
    assert rect.String == "0 50 10 50"
    rect.String = "0 0 101 101"
    rect.Magnify(0.5, 0.5)
    assert rect.String == "0 0 50 50"
    rect.String = "0 0 100 100"
    rect.Inset(10, 20)
    assert rect.String == "10 20 90 80"
    rect.Move(5, -5)
    assert rect.String == "15 15 95 75"
    rect.Position(0, 0)
    assert rect.String == "0 0 80 60"
    rect.Width = -10
    assert rect.String == "-10 0 0 60"


def test_bad_and_long_texts_never_fail(create):
    rect, point, color = create("XRect"), create("XPoint"), create("XColor")
    for obj in (rect, point, color):
        obj.String = "7 7 7 7"
        obj.String = "x" * 300
    assert (rect.String, point.String, color.String) == ("0 0 0 0", "0 0", "0 0 0")
    rect.String = "no digits"
    assert rect.String == "0 0 0 0"
    point.String = "15"
    assert point.String == "15 0"
    color.String = "300"
    assert color.String == "44 0 0"
    color.String = "1 2"
    assert color.String == "1 2 0"


def test_color_intensities_keep_their_low_byte(create):
    color = create("XColor")
    color.Red = 511
    color.Green = 256
    color.Blue = -1
    assert (color.Red, color.Green, color.Blue) == (255, 0, 255)
    assert color.String == "255 0 255"


def test_point_fields(create):
    point = create("XPoint")
    point.X = -4
    point.Y = 9
    assert point.String == "-4 9"
    point.String = "3,4"
    assert (point.X, point.Y) == (3, 4)


def test_transform_operations(create):
    transform = create("XTransform")
    transform.Translate(10, 20)
    assert transform.String == "1.0000 0.0000 0.0000 1.0000 10.0000 20.0000"
    transform.Reset()
    transform.Rotate(90, 0, 0)
    assert transform.String == "-0.0000 1.0000 -1.0000 -0.0000 0.0000 0.0000"
    transform.Reset()
    transform.Magnify(2, 3, 10, 10)
    assert transform.String == "2.0000 0.0000 0.0000 3.0000 -10.0000 -20.0000"
    transform.Reset()
    transform.Skew(0.5, 0.25, 0, 0)
    assert transform.String == "1.0000 0.2500 0.5000 1.0000 0.0000 0.0000"


def test_transform_rotation_about_an_anchor(create):
    transform = create("XTransform")
    transform.Rotate(90, 100, 100)
    a, b, c, d, e, f = (float(v) for v in transform.String.split())
    assert (a * 200 + c * 100 + e, b * 200 + d * 100 + f) == pytest.approx((100, 200))


def test_transform_invert_and_partial_texts(create):
    transform = create("XTransform")
    transform.String = "0 0 0 0 5 6"
    transform.Invert()  # singular: unchanged, and no error
    assert transform.String == "0.0000 0.0000 0.0000 0.0000 5.0000 6.0000"
    transform.String = "1 2 3 4 5 6"
    transform.Invert()
    assert transform.String == "-2.0000 1.0000 1.5000 -0.5000 1.0000 -2.0000"
    transform.Reset()
    transform.String = "2"
    assert transform.String == "2.0000 0.0000 0.0000 1.0000 0.0000 0.0000"
    transform.String = "3,4"  # commas do not separate
    assert transform.String == "3.0000 0.0000 0.0000 1.0000 0.0000 0.0000"


def test_text_style_flags_and_texts(create):
    style = create("XTextStyle")
    style.Underline = True
    assert style.String.endswith(" -1 0 0")
    assert style.Underline is True
    assert style.Strike is False
    style.String = "12 2"
    assert (style.Size, style.Indent) == (12.0, 2.0)
    assert style.String == "12.0000 2.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 -1 0 0"
    style.String = "14,3"
    assert (style.Size, style.Indent) == (14.0, 2.0)
    style.String = "0 0 0 0 0 0 0 0 1 0 0"
    assert style.Underline is True
    assert style.String == "0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 1 0 0"
    style.Justification = 0.5
    style.Outline = -1.25
    assert (style.Justification, style.Outline) == (0.5, -1.25)


def test_text_forms_do_not_follow_the_process_locale(create):
    try:
        previous = locale.setlocale(locale.LC_ALL)
        locale.setlocale(locale.LC_ALL, "de_DE.UTF-8")
    except locale.Error:
        pytest.skip("the de_DE.UTF-8 locale is not installed")
    try:
        transform = create("XTransform")
        transform.String = "1.5 0 0 1.5 0.25 0"
        assert transform.String == "1.5000 0.0000 0.0000 1.5000 0.2500 0.0000"
        style = create("XTextStyle")
        style.String = "12.5"
        assert style.String.startswith("12.5000 0.0000")
    finally:
        locale.setlocale(locale.LC_ALL, previous)
