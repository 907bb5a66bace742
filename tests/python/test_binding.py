"""The quorix module against the test server: creation by ProgID, properties, methods, conversions
and errors, as a script sees them."""
import pytest

import quorix
from conftest import register

SERVER = "lib/libqxtestserver.so"


@pytest.fixture
def widget(root):
    assert register(SERVER) == 0
    return quorix.CreateObject("QuorixTest.Widget")


def test_created_by_either_progid(root):
    assert register(SERVER) == 0
    for progid in ("QuorixTest.Widget", "QuorixTest.Widget.1"):
        obj = quorix.CreateObject(progid)
        assert isinstance(obj, quorix.Dispatch)
        assert obj.Count == 0


def test_properties_read_and_write_with_conversions(widget):
    widget.Count = 41
    assert widget.Count == 41
    widget.count = "7"  # names without regard to case; text that is a number converts
    assert widget.COUNT == 7
    widget.Count = 2.5  # rounds half to even
    assert widget.Count == 2
    widget.Ratio = 3
    assert widget.Ratio == 3.0 and isinstance(widget.Ratio, float)
    widget.Flag = True
    assert widget.Flag is True
    widget.Value = "héllo € 𝄞"
    assert widget.Value == "héllo € 𝄞"
    widget.Value = "a\ud800b\x00c"  # a lone surrogate and an embedded zero survive the round trip
    assert widget.Value == "a\ud800b\x00c"


def test_default_member(widget):
    widget.Value = "shown"
    assert str(widget) == "shown"
    assert widget() == "shown"
    # Assigning to a property that holds an object goes to that object's default member.
    widget.Child = "child text"
    assert widget.Child.Value == "child text"
    assert widget.Child == widget.Child


def test_method_with_optional_argument(widget):
    assert widget.Add(2, 3) == 5
    assert widget.Add(2) == 3
    with pytest.raises(quorix.ComError) as error:
        widget.Add()
    assert error.value.hresult == 0x8002000E  # DISP_E_BADPARAMCOUNT


def test_byte_arrays_both_ways(widget):
    assert widget.Echo(b"\x00\x01\xff") == b"\xff\x01\x00"
    assert widget.Echo(bytearray(b"abc")) == b"cba"
    assert widget.Echo(memoryview(b"xyz")) == b"zyx"
    assert widget.Echo(b"") == b""


def test_values_arrive_as_their_automation_types(widget):
    assert widget.Describe(None) == "vt=0 "
    assert widget.Describe(True) == "vt=11 True"
    assert widget.Describe(5) == "vt=3 5"
    assert widget.Describe(2**40) == "vt=20 1099511627776"
    assert widget.Describe(0.5) == "vt=5 0.5"
    assert widget.Describe("text") == "vt=8 text"
    assert widget.Describe(widget.Child).startswith("vt=9")


def test_failing_member_raises_com_error(widget):
    with pytest.raises(quorix.ComError) as error:
        widget.Fail()
    assert error.value.hresult == 0x80004005
    assert error.value.source == "QuorixTest.Widget"
    assert error.value.description == "The widget failed on purpose."
    text = str(error.value)
    assert "0x80004005" in text and "QuorixTest.Widget" in text and "failed on purpose" in text


def test_wrong_arguments_and_names(widget):
    with pytest.raises(quorix.ComError) as error:
        widget.Count = "many"
    assert error.value.hresult == 0x80020005  # DISP_E_TYPEMISMATCH
    with pytest.raises(AttributeError):
        widget.NoSuchMember
    with pytest.raises(TypeError):
        widget.Count = object()
    with pytest.raises(quorix.ComError) as error:
        widget.Count = 2**40
    assert error.value.hresult == 0x8002000A  # DISP_E_OVERFLOW


def test_machine_fault_inside_a_member_is_caught(widget):
    assert widget.Crash(0) == "code 0xC0000005 read 0x00000000"
    assert widget.Crash(1) == "code 0xC0000005 write 0x00000000"


def test_unknown_and_unregistered_classes(root):
    with pytest.raises(quorix.ComError) as error:
        quorix.CreateObject("No.Such.Thing")
    assert error.value.hresult == 0x800401F3  # CO_E_CLASSSTRING
    assert register(SERVER) == 0
    assert register(SERVER, unregister=True) == 0
    with pytest.raises(quorix.ComError) as error:
        quorix.CreateObject("QuorixTest.Widget")
    assert error.value.hresult in (0x800401F3, 0x80040154)


def test_members_are_kept_per_interface(root):
    """A name looked up once on one interface is not taken for the same name on another: String of
    a rectangle and of a colour, Width of a document (a property) and Move of a rectangle (a method)
    alike, in any order and many times."""
    assert register("lib/libquorix2.so") == 0
    doc = quorix.CreateObject("Quorix2.Doc")
    for _ in range(3):
        doc.Rect.String = "1 2 3 4"
        doc.Color.String = "10 20 30"
        assert doc.Rect.String == "1 2 3 4"
        assert doc.Color.String == "10 20 30"
        # Width is member 4 of a document and member 5 of a rectangle.
        doc.Width = 1
        assert doc.Width == 1 and doc.Rect.Width == 2
        doc.Rect.Width = 6
        doc.Width = 3
        assert doc.Rect.String == "1 2 7 4" and doc.Width == 3
        doc.Rect.String = "1 2 3 4"
        doc.Rect.Move(5, 5)
        assert doc.Rect.String == "6 7 8 9"
        assert isinstance(doc.Rect.Move, quorix.Method)
        # An unknown name is asked again each time, and fails each time.
        for obj in (doc, doc.Rect):
            with pytest.raises(AttributeError):
                obj.NoSuchMember


def test_import_stays_light():
    """Importing the module loads no text-processing modules (they would double a short script's
    start-up time)."""
    import subprocess
    import sys
    code = "import sys, quorix; print(sorted(m for m in ('textwrap', 're', 'enum') if m in sys.modules))"
    out = subprocess.run([sys.executable, "-S", "-c", code], capture_output=True, text=True, check=True).stdout
    assert out.strip() == "[]"
