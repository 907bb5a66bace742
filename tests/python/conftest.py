"""Shared fixtures: a fresh platform root per test and the registration tool of the build."""
import os
import subprocess
import tempfile

import pytest

BINARY_DIR = os.environ.get("QUORIX_BINARY_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build"))


def build_path(relative):
    return os.path.join(BINARY_DIR, relative)


def register(module, unregister=False):
    """Runs the registration tool on a module of the build; returns its exit status."""
    args = [build_path("bin/qxregsvr32")] + (["/u"] if unregister else []) + [build_path(module)]
    return subprocess.run(args, capture_output=True, text=True, env=os.environ.copy()).returncode


@pytest.fixture
def root(monkeypatch):
    """A platform root of its own, selected through QUORIX_ROOT for this process and its children."""
    with tempfile.TemporaryDirectory(prefix="quorix-root-") as folder:
        monkeypatch.setenv("QUORIX_ROOT", folder)
        yield folder
