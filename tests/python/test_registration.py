"""Registration as a script sees it: every class of the library by both of its ProgIDs, and none
once the library is unregistered."""
import pytest

import quorix
from conftest import register

CLASSES = ["Doc", "XRect", "XPoint", "XColor", "XTextStyle", "XTransform", "Image"]


def test_every_class_by_both_progids_until_unregistered(root):
    assert register("lib/libquorix2.so") == 0
    for name in CLASSES:
        for progid in ("Quorix2.%s" % name, "Quorix2.%s.1" % name):
            assert quorix.CreateObject(progid) is not None, progid
    assert register("lib/libquorix2.so", unregister=True) == 0
    for name in CLASSES:
        with pytest.raises(quorix.ComError):
            quorix.CreateObject("Quorix2.%s" % name)
