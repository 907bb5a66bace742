"""The Settings class of the settings component through the binding: the LogErrors preference as
it is stored, as quorix2 sees it on its next error, and as a user who may not write the store sees
a refused write."""
import os
import subprocess
import sys

import pytest

import quorix
from conftest import build_path, register

PREFERENCE_KEY = r"HKLM\SOFTWARE\Tallowmere\Quorix\2"


@pytest.fixture
def settings(root):
    assert register("lib/libquorixutils.so") == 0
    return quorix.CreateObject("QuorixUtils2.Settings")


def stored_value():
    """The LogErrors value in the registry store as qxreg shows it, or None when there is none."""
    result = subprocess.run([build_path("bin/qxreg"), "query", PREFERENCE_KEY, "/v", "LogErrors"],
                            capture_output=True, text=True)
    return result.stdout.split() if result.returncode == 0 else None


def test_log_errors_reads_false_without_a_preference_and_stores_dword_one_or_zero(settings):
    assert settings.LogErrors is False
    assert stored_value() is None
    settings.LogErrors = True
    assert settings.LogErrors is True
    assert stored_value() == ["LogErrors", "REG_DWORD", "0x1"]
    settings.LogErrors = False
    assert settings.LogErrors is False
    assert stored_value() == ["LogErrors", "REG_DWORD", "0x0"]
    # Any number but 0 counts as True and is stored as 1.
    settings.LogErrors = 5
    assert stored_value() == ["LogErrors", "REG_DWORD", "0x1"]
    # A value written by another program is read as it is.
    subprocess.run([build_path("bin/qxreg"), "add", PREFERENCE_KEY, "/v", "LogErrors", "/t", "REG_DWORD", "/d", "7"],
                   check=True)
    assert settings.LogErrors is True


def query(key, name=""):
    result = subprocess.run([build_path("bin/qxreg"), "query", key, "/v", name], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    return result.stdout.split(None, 2)[2].strip()


def test_both_progids_and_the_registration(settings):
    other = quorix.CreateObject("QuorixUtils2.Settings.1")
    settings.LogErrors = True
    assert other.LogErrors is True
    clsid = "{173BCF6D-6E27-44BF-BB2B-13F1175B760F}"
    assert query(r"HKCR\QuorixUtils2.Settings\CLSID") == clsid
    assert query(r"HKCR\QuorixUtils2.Settings\CurVer") == "QuorixUtils2.Settings.1"
    assert query("HKCR\\CLSID\\%s" % clsid) == "Settings Class"
    assert query("HKCR\\CLSID\\%s\\InprocServer32" % clsid, "ThreadingModel") == "Apartment"
    assert query("HKCR\\CLSID\\%s\\TypeLib" % clsid) == "{06A61500-8D89-497B-A429-FF22428F02E7}"
    assert query(r"HKCR\TypeLib\{06A61500-8D89-497B-A429-FF22428F02E7}\1.0") == \
        "QuorixUtils2 Utilities Library"


def test_quorix2_sees_the_change_on_its_next_error(settings):
    assert register("lib/libquorix2.so") == 0
    doc = quorix.CreateObject("Quorix2.Doc")

    def warnings():
        out = subprocess.run([build_path("bin/qxeventlog"), "--source", "Quorix"], capture_output=True,
                             text=True, check=True).stdout
        return [line for line in out.splitlines() if "\tWarning\t" in line]

    with pytest.raises(quorix.ComError):
        doc.Save("/nonexistent-folder/out.pdf")
    assert warnings() == []
    settings.LogErrors = True
    with pytest.raises(quorix.ComError):
        doc.Save("/nonexistent-folder/out.pdf")
    logged = warnings()
    assert len(logged) == 1 and "Unable to write PDF to disk." in logged[0]


def test_a_user_who_may_not_write_the_store_leaves_the_value_unchanged(settings, root):
    if os.geteuid() != 0:
        pytest.skip("needs root to run a child as nobody")
    settings.LogErrors = False
    os.chmod(root, 0o755)
    for name in os.listdir(root):
        os.chmod(os.path.join(root, name), 0o644)
    script = ("import quorix\n"
              "s = quorix.CreateObject('QuorixUtils2.Settings')\n"
              "s.LogErrors = True\n"
              "print(s.LogErrors)\n")
    env = dict(os.environ)
    child = subprocess.run(["/usr/bin/python3", "-c", script], capture_output=True, text=True, env=env,
                           user=65534, group=65534, extra_groups=[])
    if child.returncode != 0 and ("Permission denied" in child.stderr or "No module named" in child.stderr):
        pytest.skip("nobody may not use this build folder")
    # The refused write is not reported; the next read shows the old value.
    assert child.returncode == 0, child.stderr
    assert child.stdout.strip() == "False"
    assert settings.LogErrors is False
